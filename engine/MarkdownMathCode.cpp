// Formulas between dollar signs become images rendered by a formula service.
#include "MarkdownMathCode.h"

#include <string>

#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

// A formula ends at its closing "$"; a space or a line feed ends the attempt.
constexpr TCharSet FORMULA_STOPS{u'\n', u' ', u'$'};

// Writes the formula into the image URL. The URL lands in a double-quoted
// attribute, so a double quotation mark is written as "&quot;" (the browser
// reads the same URL) instead of ending the attribute early.
void appendFormulaUrl(std::u16string& out_, const std::u16string& formula) {
  if (formula.find(u'"') == std::u16string::npos) {  // the usual case: encoded in place
    TUtils::codeEncode(out_, formula, 0);
    return;
  }
  std::u16string encoded;
  TUtils::codeEncode(encoded, formula, 0);
  for (char16_t c : encoded) {
    if (c == u'"') {
      out_ += u"&quot;"sv;
    } else {
      out_ += c;
    }
  }
}

// The start of every formula's image, up to the formula in its URL.
const std::u16string& imageStart() {
  static const std::u16string start =
      std::u16string(u"<img src=\"") + FORMULA_SERVICE_BASE + u"/chart?cht=tx&chl=";
  return start;
}

}  // namespace

int checkMath(std::u16string& out_, const std::u16string& s, int start) {
  if (start < 0) return -1;
  std::u16string formula;
  const int close = TUtils::readUntil(formula, s, start + 1, FORMULA_STOPS);
  if (close < 0 || s[close] != u'$') return -1;
  if (s[close - 1] == u'\\') return -1;  // the closing "$" was escaped

  out_ += imageStart();
  appendFormulaUrl(out_, formula);
  out_ += u"\" alt=\""sv;
  TUtils::appendValue(out_, formula, 0, static_cast<int>(formula.size()));
  out_ += u" \"/>"sv;
  return close;
}

}  // namespace glyphmill
