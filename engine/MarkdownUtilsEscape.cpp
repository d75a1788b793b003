// Character classes and the escaping and encoding helpers that make source
// text safe for the place in the HTML where it is written.
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "MarkdownUnitSearch.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

// Characters that appendMailto writes as character references.
const TCharSet MAIL_SET = [] {
  TCharSet set{u'"', u'&', u'\'', u'<', u'>', u'@'};
  for (char16_t c = u'0'; c <= u'9'; ++c) set.add(c);
  for (char16_t c = u'A'; c <= u'Z'; ++c) set.add(c);
  for (char16_t c = u'a'; c <= u'z'; ++c) set.add(c);
  return set;
}();

// Characters that encodeURL copies unchanged.
const TCharSet URL_SAFE_SET = [] {
  TCharSet set{u'*', u'-', u'.', u'@', u'_'};
  for (char16_t c = u'0'; c <= u'9'; ++c) set.add(c);
  for (char16_t c = u'A'; c <= u'Z'; ++c) set.add(c);
  for (char16_t c = u'a'; c <= u'z'; ++c) set.add(c);
  return set;
}();

// Appends an unsigned number in decimal.
void appendDecimal(std::u16string& out_, unsigned value) {
  std::string digits = std::to_string(value);
  out_.append(digits.begin(), digits.end());
}

// Appends a code unit in upper-case hexadecimal, at least two digits.
void appendHex(std::u16string& out_, char16_t value) {
  static const char16_t HEX[] = u"0123456789ABCDEF";
  std::u16string digits;
  unsigned rest = value;
  do {
    digits.insert(digits.begin(), HEX[rest % 16]);
    rest /= 16;
  } while (rest != 0);
  if (digits.size() < 2) digits.insert(digits.begin(), u'0');
  out_ += digits;
}

// The valid part [from, to) of the range [start, e) inside s.
void clampRange(std::u16string_view s, int start, int e, int& from, int& to) {
  from = std::max(start, 0);
  to = std::min(e, static_cast<int>(s.size()));
}

}  // namespace

// ---------------------------------------------------------------- character classes

bool TUtils::isWhiteSpace(char16_t c) {
  if (c < 256) return (c >= 9 && c <= 13) || c == 32 || c == 133 || c == 160;
  if (isSurrogate(c)) return false;
  const int type = u_charType(c);
  return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR ||
         type == U_PARAGRAPH_SEPARATOR;
}

bool TUtils::isLetterOrDigit(char16_t c) {
  if (c < 128) return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  if (isSurrogate(c)) return false;
  switch (u_charType(c)) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_DECIMAL_DIGIT_NUMBER:
      return true;
    default:
      return false;
  }
}

bool TUtils::isDigit(char16_t c) {
  if (c < 256) return isAsciiDigit(c);
  if (isSurrogate(c)) return false;
  return u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

// ---------------------------------------------------------------- escaping

namespace {

// What appendEscaped writes as a character reference: in text, and in an
// attribute value.
constexpr std::array<char16_t, 3> TEXT_ESCAPES{u'&', u'<', u'>'};
constexpr std::array<char16_t, 5> TEXT_AND_QUOTE_ESCAPES{u'&', u'<', u'>', u'"', u'\''};

// Escapes "&", "<" and ">" of [start, e), and quotation marks too when the
// text goes into an attribute value.
void appendEscaped(std::u16string& out_, std::u16string_view s, int start, int e, bool quotes) {
  int from, to;
  clampRange(s, start, e, from, to);
  const std::u16string_view range = s.substr(0, static_cast<std::size_t>(to));
  int i = from;
  while (i < to) {
    // The characters up to the next one to escape are copied in one go.
    const int run = static_cast<int>(
        quotes ? findAnyUnit(range, static_cast<std::size_t>(i), TEXT_AND_QUOTE_ESCAPES)
               : findAnyUnit(range, static_cast<std::size_t>(i), TEXT_ESCAPES));
    out_.append(s.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(run - i)));
    if (run == to) break;
    switch (s[run]) {
      case u'&': out_ += u"&amp;"sv; break;
      case u'<': out_ += u"&lt;"sv; break;
      case u'>': out_ += u"&gt;"sv; break;
      case u'"': out_ += u"&quot;"sv; break;
      default: out_ += u"&apos;"sv; break;
    }
    i = run + 1;
  }
}

// What codeEncode writes otherwise than as it is.
constexpr std::array<char16_t, 4> URL_ENCODED{u'&', u'<', u'>', u'+'};

}  // namespace

void TUtils::appendCode(std::u16string& out_, std::u16string_view s, int start, int e) {
  appendEscaped(out_, s, start, e, false);
}

void TUtils::appendValue(std::u16string& out_, std::u16string_view s, int start, int e) {
  appendEscaped(out_, s, start, e, true);
}

void TUtils::codeEncode(std::u16string& out_, std::u16string_view value, int offset) {
  const int n = static_cast<int>(value.size());
  int i = std::max(offset, 0);
  while (i < n) {
    // The characters up to the next one to encode are copied in one go.
    const int run = static_cast<int>(findAnyUnit(value, static_cast<std::size_t>(i), URL_ENCODED));
    out_.append(value, static_cast<std::size_t>(i), static_cast<std::size_t>(run - i));
    if (run == n) break;
    switch (value[static_cast<std::size_t>(run)]) {
      case u'&': out_ += u"&amp;"sv; break;
      case u'<': out_ += u"&lt;"sv; break;
      case u'>': out_ += u"&gt;"sv; break;
      default: out_ += u"%2b"sv; break;
    }
    i = run + 1;
  }
}

// Each letter, digit and HTML-special character becomes a character
// reference, decimal or hexadecimal at random, so that the address is not
// plain text in the page.
void TUtils::appendMailto(std::u16string& out_, const std::u16string& s, int start, int e,
                          std::mt19937& random) {
  int from, to;
  clampRange(s, start, e, from, to);
  for (int i = from; i < to; ++i) {
    const char16_t c = s[i];
    if (!MAIL_SET.contains(c)) {
      out_ += c;
      continue;
    }
    const unsigned draw = random() % 2;
    if (draw == 0) {
      appendHexEntity(out_, c);
    } else {
      appendDecEntity(out_, c);
    }
  }
}

void TUtils::appendDecEntity(std::u16string& out_, char16_t value) {
  out_ += u"&#"sv;
  appendDecimal(out_, value);
  out_ += u';';
}

void TUtils::appendHexEntity(std::u16string& out_, char16_t value) {
  out_ += u"&#x"sv;
  appendHex(out_, value);
  out_ += u';';
}

// The info string of a fence line: what follows the run of backquotes,
// tildes and white space, without trailing control characters and spaces.
std::u16string TUtils::getMetaFromFence(std::u16string_view fenceLine) {
  std::size_t first = 0;
  while (first < fenceLine.size()) {
    const char16_t c = fenceLine[first];
    if (!isWhiteSpace(c) && c != u'`' && c != u'~') break;
    ++first;
  }
  std::size_t end = fenceLine.size();
  while (end > first && fenceLine[end - 1] <= 32) --end;
  return std::u16string(fenceLine.substr(first, end - first));
}

std::u16string TUtils::encodeURL(const std::u16string& url) {
  std::u16string result;
  for (char16_t c : url) {
    if (URL_SAFE_SET.contains(c)) {
      result += c;
    } else if (c == u' ') {
      result += u'+';
    } else {
      result += u'%';
      appendHex(result, c);
    }
  }
  return result;
}

// ---------------------------------------------------------------- dangerous URLs

namespace {

// The start of the URL as a browser reads its scheme: without characters of
// code 32 or below (browsers drop tabs and line breaks anywhere in a URL) and
// with ASCII letters in lower case. The tests below look at no more than its
// first 17 characters ("data:", a media type of at most 10, and ";" or ","),
// so these decide as the whole would.
struct TSchemeView {
  static constexpr std::size_t kLength = 17;
  char16_t units[kLength];
  std::size_t size = 0;
  std::u16string_view view() const { return std::u16string_view(units, size); }
};

TSchemeView schemeView(std::u16string_view url) {
  TSchemeView scheme;
  for (char16_t c : url) {
    if (scheme.size == TSchemeView::kLength) break;
    if (c > 32) scheme.units[scheme.size++] = asciiLower(c);
  }
  return scheme;
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A data URL whose media type (up to ";" or ",") is one of the plain image
// formats, which a browser never runs as a page.
bool isPlainImageData(std::u16string_view view) {
  static const std::u16string_view IMAGE_TYPES[] = {u"image/png", u"image/gif", u"image/jpeg",
                                                    u"image/webp"};
  const std::size_t typeStart = 5;  // after "data:"
  std::size_t typeEnd = view.find_first_of(u";,", typeStart);
  if (typeEnd == std::u16string_view::npos) typeEnd = view.size();
  const std::u16string_view type = view.substr(typeStart, typeEnd - typeStart);
  for (std::u16string_view allowed : IMAGE_TYPES) {
    if (type == allowed) return true;
  }
  return false;
}

// Whether the scheme a browser reads may be one of those tested below: each
// starts with "j", "v" or "d". Most URLs are told safe by this alone.
bool mayStartDangerousScheme(std::u16string_view url) {
  for (char16_t c : url) {
    if (c <= 32) continue;
    const char16_t first = asciiLower(c);
    return first == u'j' || first == u'v' || first == u'd';
  }
  return false;
}

}  // namespace

// A double quotation mark also makes a URL dangerous: destinations are
// written into double-quoted attributes without escaping it, so it would end
// the attribute and let the rest of the URL add attributes of its own.
bool TUtils::isDangerousUrl(std::u16string_view url) {
  if (findEitherUnit(url, 0, u'"', u'"') != url.size()) return true;
  if (!mayStartDangerousScheme(url)) return false;
  const TSchemeView scheme = schemeView(url);
  const std::u16string_view view = scheme.view();
  if (startsWith(view, u"javascript:") || startsWith(view, u"vbscript:")) return true;
  if (startsWith(view, u"data:")) return !isPlainImageData(view);
  return false;
}

}  // namespace glyphmill
