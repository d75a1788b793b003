// Character classes, escaping and encoding helpers of TUtils.
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace glyphmill {
namespace {

using test::S;
using test::U;

struct ClassRow {
  char16_t c;
  bool expected;
};

TEST(CharacterClasses, WhiteSpace) {
  const std::vector<ClassRow> rows = {
      {9, true},       {10, true},      {11, true},      {12, true},      {13, true},
      {32, true},      {133, true},     {160, true},     {0, false},      {8, false},
      {14, false},     {28, false},     {u'a', false},   {0x1680, true},  {0x2000, true},
      {0x2028, true},  {0x2029, true},  {0x3000, true},  {0x200B, false}, {0xFEFF, false},
      {0xD800, false}, {0xDFFF, false}, {0xFFFF, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.c));
    EXPECT_EQ(TUtils::isWhiteSpace(row.c), row.expected);
  }
}

TEST(CharacterClasses, LetterOrDigit) {
  const std::vector<ClassRow> rows = {
      {u'a', true},    {u'Z', true},    {u'5', true},    {0xAA, true},    {0xB5, true},
      {0xE9, true},    {0x01C5, true},  {0x02B0, true},  {0x05D0, true},  {0x0661, true},
      {u'_', false},   {u' ', false},   {u'-', false},   {0, false},      {0xB2, false},
      {0x2160, false}, {0xD83D, false}, {0xDE00, false}, {0x0301, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.c));
    EXPECT_EQ(TUtils::isLetterOrDigit(row.c), row.expected);
  }
}

TEST(CharacterClasses, Digit) {
  const std::vector<ClassRow> rows = {
      {u'0', true},   {u'9', true},    {u'a', false},   {u'/', false},   {u':', false},
      {0xB2, false},  {0xB9, false},   {0x0660, true},  {0x0669, true},  {0xFF10, true},
      {0x2160, false}, {0xD800, false}, {0x00BD, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.c));
    EXPECT_EQ(TUtils::isDigit(row.c), row.expected);
  }
}

// ---------------------------------------------------------------- escaping

struct RangeRow {
  std::string text;
  int start;
  int e;
  std::string expected;
};

TEST(Escaping, AppendCode) {
  const std::vector<RangeRow> rows = {
      {"a<b & \"c\"", 0, 9, "a&lt;b &amp; \"c\""},
      {"x>y'z", 0, 5, "x&gt;y'z"},
      {"abcdef", 2, 4, "cd"},
      {"abc", 2, 2, ""},
      {"abc", 3, 1, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::u16string out = u"pre:";
    TUtils::appendCode(out, U(row.text), row.start, row.e);
    EXPECT_EQ(S(out), "pre:" + row.expected);
  }
}

TEST(Escaping, AppendValue) {
  const std::vector<RangeRow> rows = {
      {"Tom's \"x\" <y>", 0, 13, "Tom&apos;s &quot;x&quot; &lt;y&gt;"},
      {"a&b+c", 0, 5, "a&amp;b+c"},
      {"\"'", 1, 2, "&apos;"},
      {"abc", 1, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::u16string out;
    TUtils::appendValue(out, U(row.text), row.start, row.e);
    EXPECT_EQ(S(out), row.expected);
  }
}

TEST(Escaping, CodeEncode) {
  const std::vector<RangeRow> rows = {
      // start is the offset; e is unused
      {"a+b&c", 0, 0, "a%2bb&amp;c"},
      {"a+b&c", 2, 0, "b&amp;c"},
      {"<\"'>", 0, 0, "&lt;\"'&gt;"},
      {"abc", 3, 0, ""},
      {"abc", 7, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text + " from " + std::to_string(row.start));
    std::u16string out;
    TUtils::codeEncode(out, U(row.text), row.start);
    EXPECT_EQ(S(out), row.expected);
  }
}

TEST(Escaping, CharacterReferences) {
  const std::vector<std::pair<char16_t, std::string>> decimal = {
      {u'A', "&#65;"}, {0, "&#0;"}, {0x20AC, "&#8364;"}, {0xFFFF, "&#65535;"}};
  for (const auto& [c, expected] : decimal) {
    std::u16string out;
    TUtils::appendDecEntity(out, c);
    EXPECT_EQ(S(out), expected);
  }
  const std::vector<std::pair<char16_t, std::string>> hex = {
      {u'A', "&#x41;"}, {u'j', "&#x6A;"}, {5, "&#x05;"}, {0x20AC, "&#x20AC;"}, {0x100, "&#x100;"}};
  for (const auto& [c, expected] : hex) {
    std::u16string out;
    TUtils::appendHexEntity(out, c);
    EXPECT_EQ(S(out), expected);
  }
}

// Decodes "&#NN;" and "&#xHH;" and reports whether every character of the
// mail set was written as a reference and every other character as is.
std::u16string decodeMailto(const std::u16string& encoded, bool& wellFormed,
                            std::set<bool>& hexSeen) {
  auto inMailSet = [](char16_t c) {
    return c == u'"' || c == u'&' || c == u'\'' || c == u'<' || c == u'>' || c == u'@' ||
           (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  };
  std::u16string decoded;
  wellFormed = true;
  std::size_t i = 0;
  while (i < encoded.size()) {
    if (encoded[i] != u'&') {
      if (inMailSet(encoded[i])) wellFormed = false;
      decoded += encoded[i++];
      continue;
    }
    const std::size_t semicolon = encoded.find(u';', i);
    if (semicolon == std::u16string::npos || encoded.compare(i, 2, u"&#") != 0) {
      wellFormed = false;
      break;
    }
    const bool hex = encoded[i + 2] == u'x';
    const std::string digits = S(encoded.substr(i + (hex ? 3 : 2), semicolon - i - (hex ? 3 : 2)));
    const char16_t c = static_cast<char16_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
    if (!inMailSet(c)) wellFormed = false;
    hexSeen.insert(hex);
    decoded += c;
    i = semicolon + 1;
  }
  return decoded;
}

TEST(Escaping, AppendMailtoEncodesMailSetOnly) {
  const std::vector<std::string> texts = {"a.b", "mailto:", "John.Doe+tag@example.com",
                                          "\"x\"<y>&'z'_-", "ü€@x"};
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    std::mt19937 random(7);
    std::u16string out;
    const std::u16string input = U(text);
    TUtils::appendMailto(out, input, 0, static_cast<int>(input.size()), random);
    bool wellFormed = false;
    std::set<bool> hexSeen;
    EXPECT_EQ(S(decodeMailto(out, wellFormed, hexSeen)), text);
    EXPECT_TRUE(wellFormed) << S(out);
  }
}

TEST(Escaping, AppendMailtoShapeOfSmallAddress) {
  std::mt19937 random(1);
  std::u16string out;
  TUtils::appendMailto(out, u"a.b", 0, 3, random);
  const std::set<std::string> firsts = {"&#97;", "&#x61;"};
  const std::set<std::string> lasts = {"&#98;", "&#x62;"};
  const std::string text = S(out);
  const std::size_t dot = text.find('.');
  ASSERT_NE(dot, std::string::npos);
  EXPECT_TRUE(firsts.count(text.substr(0, dot))) << text;
  EXPECT_TRUE(lasts.count(text.substr(dot + 1))) << text;

  // The colon of "mailto:" is never encoded.
  std::u16string mailto;
  TUtils::appendMailto(mailto, u"mailto:", 0, 7, random);
  EXPECT_NE(S(mailto).find(':'), std::string::npos);
  EXPECT_EQ(mailto.back(), u':');
}

TEST(Escaping, AppendMailtoChoosesBothFormsAndFollowsTheGenerator) {
  const std::u16string address = u"someone@example.org";
  std::mt19937 first(42), second(42), other(43);
  std::u16string a, b, c;
  TUtils::appendMailto(a, address, 0, static_cast<int>(address.size()), first);
  TUtils::appendMailto(b, address, 0, static_cast<int>(address.size()), second);
  TUtils::appendMailto(c, address, 0, static_cast<int>(address.size()), other);
  EXPECT_EQ(a, b);  // same seed, same choices
  EXPECT_NE(a, c);  // 18 coin flips agreeing by chance is negligible
  bool wellFormed = false;
  std::set<bool> hexSeen;
  decodeMailto(a, wellFormed, hexSeen);
  EXPECT_EQ(hexSeen.size(), 2u) << "both decimal and hexadecimal references expected";
  // The generator advances: a second call encodes differently.
  std::u16string again;
  TUtils::appendMailto(again, address, 0, static_cast<int>(address.size()), first);
  EXPECT_NE(again, a);
}

TEST(Escaping, GetMetaFromFence) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"```", ""},
      {"~~~   ", ""},
      {"   ```  js  ", "js"},
      {"` ~ `js", "js"},
      {"```js title", "js title"},
      {"```js```", "js```"},
      {"```\tjs\t\r", "js"},
      {"~~~\u00a0\u3000ruby", "ruby"},
      {"", ""},
      {"```js\x01\x1f", "js"},
  };
  for (const auto& [line, expected] : rows) {
    SCOPED_TRACE(line);
    EXPECT_EQ(S(TUtils::getMetaFromFence(U(line))), expected);
  }
}

TEST(Escaping, EncodeURL) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"a b/c", "a+b%2Fc"},
      {"~", "%7E"},
      {"€", "%20AC"},
      {"", ""},
      {"*-.@_09AZaz", "*-.@_09AZaz"},
      {"+&=?", "%2B%26%3D%3F"},
      {"\x01", "%01"},
      {"é", "%E9"},
      {"\xe0\xa4\x85", "%905"},
  };
  for (const auto& [url, expected] : rows) {
    SCOPED_TRACE(url);
    EXPECT_EQ(S(TUtils::encodeURL(U(url))), expected);
  }
}

TEST(Escaping, DangerousUrls) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"javascript:alert(1)", true},
      {"JavaScript:alert(1)", true},
      {" java\tscript\n:x", true},
      {"\x01javascript:x", true},
      {"vbscript:msgbox", true},
      {"VBScript:x", true},
      {"data:text/html,<script>", true},
      {"data:image/svg+xml,<svg>", true},
      {"data:image/png;base64,AAAA", false},
      {"DATA:IMAGE/GIF,x", false},
      {"data:image/jpeg;base64,x", false},
      {"data:image/webp,x", false},
      {"data:image/pngx,x", true},
      {"data:image/png", false},
      {"data:", true},
      {"http://example.com/javascript:x", false},
      {"https://example.com", false},
      {"javascript", false},
      {"mailto:a@b", false},
      {"", false},
      {"relative/path", false},
      {"http://x\" onclick=\"alert(1)", true},
      {"it's", false},
      // Long URLs: only their start can make them dangerous.
      {"data:image/png;base64," + std::string(200, 'A'), false},
      {"data:image/png" + std::string(40, 'x') + ";base64,AAAA", true},
      {"data:" + std::string(40, ' ') + "image/gif,x", false},
      {"data:image/gif" + std::string(40, '\t') + ",x", false},
      {"data:" + std::string(200, 'a'), true},
      {"java" + std::string(50, '\n') + "script:x", true},
      {"https://example.com/" + std::string(200, 'p'), false},
      {"https://example.com/" + std::string(200, 'p') + "\"", true},
      // the longest plain media types, and one character more
      {"data:image/jpeg", false},
      {"data:image/webp;x", false},
      {"data:image/jpegx,x", true},
      {"data:image/webp" + std::string(40, 'p'), true},
  };
  for (const auto& [url, expected] : rows) {
    SCOPED_TRACE(url);
    EXPECT_EQ(TUtils::isDangerousUrl(U(url)), expected);
  }
}

}  // namespace
}  // namespace glyphmill
