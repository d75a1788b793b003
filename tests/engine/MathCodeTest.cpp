// Formulas between dollar signs.
#include <random>
#include <string>
#include <vector>

#include "MarkdownMathCode.h"
#include "TestSupport.h"

namespace glyphmill {
namespace {

using test::S;
using test::U;

std::string image(const std::string& source, const std::string& alt) {
  return "<img src=\"" + S(FORMULA_SERVICE_BASE) + "/chart?cht=tx&chl=" + source + "\" alt=\"" +
         alt + " \"/>";
}

struct MathRow {
  std::string text;
  int start;
  int expectedResult;
  std::string expectedSource;  // the formula as written into the URL
  std::string expectedAlt;
};

TEST(Formula, Images) {
  const std::vector<MathRow> rows = {
      {"$x^2$", 0, 4, "x^2", "x^2"},
      {"$a+b$", 0, 4, "a%2bb", "a+b"},
      {"$$", 0, 1, "", ""},
      {"$\\alpha$", 0, 7, "\\alpha", "\\alpha"},
      {"$\\{x\\}$", 0, 6, "{x}", "{x}"},
      {"$a<b&c>'d'$", 0, 10, "a&lt;b&amp;c&gt;'d'", "a&lt;b&amp;c&gt;&apos;d&apos;"},
      {"see $y$ and", 4, 6, "y", "y"},
      {"$a\tb$", 0, 4, "a\tb", "a\tb"},
      // A double quotation mark must not end the src attribute.
      {"$a\"onerror=\"x$", 0, 13, "a&quot;onerror=&quot;x", "a&quot;onerror=&quot;x"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::u16string out = u"[";
    EXPECT_EQ(checkMath(out, U(row.text), row.start), row.expectedResult);
    std::string expected = "[";
    expected += image(row.expectedSource, row.expectedAlt);
    EXPECT_EQ(S(out), expected);
  }
}

TEST(Formula, NotAFormula) {
  const std::vector<std::pair<std::string, int>> rows = {
      {"$a b$", 0},
      {"$5 and $6", 0},
      {"$a\nb$", 0},
      {"$a\\$", 0},     // the closing "$" is escaped
      {"$a\\$b$", 0},   // ... and a formula cannot contain one
      {"$abc", 0},
      {"$", 0},
      {"x$", 1},
      {"$x$", 3},
      {"$x$", 9},
      {"$x$", -1},
  };
  for (const auto& [text, start] : rows) {
    SCOPED_TRACE(text + " from " + std::to_string(start));
    std::u16string out = u"kept";
    EXPECT_EQ(checkMath(out, U(text), start), -1);
    EXPECT_EQ(out, u"kept");
  }
}

TEST(Formula, ServiceBaseIsAnHttpsAddress) {
  const std::string base = S(FORMULA_SERVICE_BASE);
  EXPECT_EQ(base.rfind("https://", 0), 0u);
  EXPECT_NE(base.back(), '/');
}

TEST(Formula, NeverReadsOutsideTheText) {
  static const char16_t letters[] = u"$\\ \n{}a\"+\xdc00\0";
  const std::u16string alphabet(letters, std::size(letters) - 1);
  std::mt19937 random(5);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    const int length = static_cast<int>(random() % 8);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    for (int start = -1; start <= length + 1; ++start) {
      std::u16string out;
      const int end = checkMath(out, text, start);
      ASSERT_TRUE(end == -1 || (end > start && end < length && text[end] == u'$')) << S(text);
      ASSERT_EQ(end == -1, out.empty()) << S(text);
    }
  }
}

}  // namespace
}  // namespace glyphmill
