// Text readers of the inline recognisers: each copies characters from a
// start position until it meets a stop character and returns where it
// stopped, or -1 at the end of the text.
#include <string>

#include "MarkdownUtils.h"

namespace glyphmill {

namespace {

// Characters a backslash escapes inside link destinations, titles,
// autolinks, character references and formulas.
constexpr TCharSet LINK_ESCAPE_SET{u'!', u'"', u'#', u'\'', u'(', u')', u'*',
                                   u'+', u'-', u'.', u'<', u'>', u'[', u'\\',
                                   u']', u'^', u'_', u'`', u'{', u'}'};

bool isStop(char16_t c, const TCharSet& cend) { return cend.contains(c); }
bool isStop(char16_t c, char16_t cend) { return c == cend; }

// Reads s from start up to a stop character and returns its position, or -1
// at the end of the text; a backslash escapes the character after it (see
// TUtils::escape). With `out_`, copies what it reads, escapes resolved.
template <typename Stops>
int readEscapedUntil(std::u16string* out_, const std::u16string& s, int start,
                     const Stops& cend) {
  const int length = static_cast<int>(s.size());
  if (start < 0) return -1;
  int i = start;
  while (i < length) {
    const char16_t c = s[i];
    if (c == u'\\' && i + 1 < length) {
      const int escapeEnd = out_ != nullptr ? TUtils::escape(*out_, s[i + 1], i)
                                            : i + (TUtils::isLinkEscapable(s[i + 1]) ? 1 : 0);
      i = escapeEnd + 1;
    } else if (isStop(c, cend)) {
      return i;
    } else {
      if (out_ != nullptr) *out_ += c;
      ++i;
    }
  }
  return -1;
}

// Copies s from start up to a stop character, every other character as is.
template <typename Stops>
int readPlainUntil(std::u16string& out_, const std::u16string& s, int start,
                   const Stops& cend) {
  const int length = static_cast<int>(s.size());
  if (start < 0) return -1;
  for (int i = start; i < length; ++i) {
    if (isStop(s[i], cend)) return i;
    out_ += s[i];
  }
  return -1;
}

}  // namespace

int TUtils::skipSpaces(const std::u16string& s, int start) {
  const int length = static_cast<int>(s.size());
  if (start < 0) return -1;
  int i = start;
  while (i < length && (s[i] == u' ' || s[i] == u'\n')) ++i;
  return i < length ? i : -1;
}

// Called on a backslash at `position` with `ch` after it. An escapable
// character is copied without its backslash and both are consumed;
// otherwise only the backslash is copied and consumed.
bool TUtils::isLinkEscapable(char16_t ch) { return LINK_ESCAPE_SET.contains(ch); }

int TUtils::escape(std::u16string& out_, char16_t ch, int position) {
  if (isLinkEscapable(ch)) {
    out_ += ch;
    return position + 1;
  }
  out_ += u'\\';
  return position;
}

int TUtils::readUntil(std::u16string& out_, const std::u16string& s, int start,
                      const TCharSet& cend) {
  return readEscapedUntil(&out_, s, start, cend);
}

int TUtils::readUntil(std::u16string& out_, const std::u16string& s, int start, char16_t cend) {
  return readEscapedUntil(&out_, s, start, cend);
}

int TUtils::findUntil(const std::u16string& s, int start, const TCharSet& cend) {
  return readEscapedUntil(nullptr, s, start, cend);
}

int TUtils::findUntil(const std::u16string& s, int start, char16_t cend) {
  return readEscapedUntil(nullptr, s, start, cend);
}

int TUtils::readRawUntil(std::u16string& out_, const std::u16string& s, int start,
                         const TCharSet& cend) {
  return readPlainUntil(out_, s, start, cend);
}

int TUtils::readRawUntil(std::u16string& out_, const std::u16string& s, int start,
                         char16_t cend) {
  return readPlainUntil(out_, s, start, cend);
}

}  // namespace glyphmill
