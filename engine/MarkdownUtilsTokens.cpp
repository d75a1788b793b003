// Inline token recognition: which marker starts at a position of a text.
// The answer depends only on the character there, one character before it,
// three after it and the dialect.
#include "MarkdownUtils.h"

namespace glyphmill {

namespace {

// Characters a backslash escapes in running text: ! " # $ ' ( ) * + - . < >
// [ \ ] ^ _ ` { | } ~
constexpr TCharSet INLINE_ESCAPES{u'!', u'"', u'#', u'$', u'\'', u'(', u')', u'*',
                                  u'+', u'-', u'.', u'<', u'>', u'[', u'\\', u']',
                                  u'^', u'_', u'`', u'{', u'|', u'}', u'~'};

// Every character that can start a marker in some dialect. Any other
// character is text, whatever stands around it.
constexpr TCharSet TOKEN_STARTS{u'*', u'_', u'!', u'&', u'`', u'[', u']', u'<', u'\\',
                                u'"', u'^', u'(', u'-', u'.', u'>', u'$', u'+', u'=', u'~'};

// TOKEN_STARTS as a table by character code, for the scan over plain text.
struct TTokenStartTable {
  bool starts[128]{};
  constexpr TTokenStartTable() {
    for (char16_t c = 0; c < 128; ++c) starts[c] = TOKEN_STARTS.contains(c);
  }
};
constexpr TTokenStartTable TOKEN_START_TABLE;

// The five characters getToken looks at, white space already made spaces;
// positions outside the text read as spaces.
struct TTokenWindow {
  char16_t prev;
  char16_t c;
  char16_t next;
  char16_t next2;
  char16_t next3;
};

char16_t charOrSpace(const std::u16string& s, int position) {
  if (position < 0 || position >= static_cast<int>(s.size())) return u' ';
  return TEmitter::whitespaceToSpace(s[static_cast<std::size_t>(position)]);
}

TTokenWindow windowAt(const std::u16string& s, int position) {
  if (position >= 1 && position + 3 < static_cast<int>(s.size())) {  // all inside the text
    const char16_t* at = s.data() + position;
    return TTokenWindow{TEmitter::whitespaceToSpace(at[-1]), TEmitter::whitespaceToSpace(at[0]),
                        TEmitter::whitespaceToSpace(at[1]), TEmitter::whitespaceToSpace(at[2]),
                        TEmitter::whitespaceToSpace(at[3])};
  }
  return TTokenWindow{charOrSpace(s, position - 1), charOrSpace(s, position),
                      charOrSpace(s, position + 1), charOrSpace(s, position + 2),
                      charOrSpace(s, position + 3)};
}

bool bothSpaces(char16_t a, char16_t b) { return a == u' ' && b == u' '; }

// "*" and "_" in DaringFireball: a double marker is refused between two
// spaces, a single one likewise.
TMarkToken starLike(const TTokenWindow& w, TMarkToken single, TMarkToken twice) {
  if (w.next == w.c) return bothSpaces(w.prev, w.next2) ? mtNONE : twice;
  return bothSpaces(w.prev, w.next) ? mtNONE : single;
}

// "_" of the extended dialects: a single underscore inside a word is text.
TMarkToken extendedUnderscore(const TTokenWindow& w) {
  if (w.next == u'_') return bothSpaces(w.prev, w.next2) ? mtNONE : mtSTRONG_UNDERSCORE;
  if (TUtils::isLetterOrDigit(w.prev) && TUtils::isLetterOrDigit(w.next)) return mtNONE;
  return mtEM_UNDERSCORE;
}

// Markers known in every dialect. Returns true when `c` is one of them.
bool commonToken(const TTokenWindow& w, bool extended, TMarkToken& token) {
  switch (w.c) {
    case u'*':
      token = starLike(w, mtEM_STAR, mtSTRONG_STAR);
      return true;
    case u'_':
      token = extended ? extendedUnderscore(w) : starLike(w, mtEM_UNDERSCORE, mtSTRONG_UNDERSCORE);
      return true;
    case u'!':
      token = w.next == u'[' ? mtIMAGE : mtNONE;
      return true;
    case u'&':
      token = mtENTITY;
      return true;
    case u'`':
      token = w.next == u'`' ? mtCODE_DOUBLE : mtCODE_SINGLE;
      return true;
    case u'[':
      token = extended && w.next == u'[' ? mtX_LINK_OPEN : mtLINK;
      return true;
    case u']':
      token = extended && w.next == u']' ? mtX_LINK_CLOSE : mtNONE;
      return true;
    case u'<':
      token = extended && w.next == u'<' ? mtX_LAQUO : mtHTML;
      return true;
    case u'\\':
      token = INLINE_ESCAPES.contains(w.next) ? mtESCAPE : mtNONE;
      return true;
    default:
      return false;
  }
}

// Quotation marks, superscript and typographic replacements of CommonMark
// and TxtMark. Returns true when the result is final.
bool extendedToken(const TTokenWindow& w, TMarkToken& token) {
  switch (w.c) {
    case u'"':
      if (!TUtils::isLetterOrDigit(w.prev) && w.next != u' ') {
        token = mtX_LDQUO;
      } else if (w.prev != u' ' && !TUtils::isLetterOrDigit(w.next)) {
        token = mtX_RDQUO;
      } else {
        token = mtNONE;
      }
      return true;
    case u'^':
      token = (w.prev == u'^' || w.next == u'^') ? mtNONE : mtSUPER;
      return true;
    case u'(':
      if (w.next == u'C' && w.next2 == u')') token = mtX_COPY;
      else if (w.next == u'R' && w.next2 == u')') token = mtX_REG;
      else if (w.next == u'T' && w.next2 == u'M' && w.next3 == u')') token = mtX_TRADE;
      else return false;
      return true;
    case u'-':
      if (w.next != u'-') return false;
      token = w.next2 == u'-' ? mtX_MDASH : mtX_NDASH;
      return true;
    case u'.':
      if (w.next != u'.' || w.next2 != u'.') return false;
      token = mtX_HELLIP;
      return true;
    case u'>':
      if (w.next != u'>') return false;
      token = mtX_RAQUO;
      return true;
    default:
      return false;
  }
}

// Formula, inserted, marked, deleted text and subscript: CommonMark only.
TMarkToken commonMarkToken(const TTokenWindow& w) {
  switch (w.c) {
    case u'$':
      return bothSpaces(w.prev, w.next) ? mtNONE : mtMATH_DOLLAR;
    case u'+':
      return (w.next == u'+' && !bothSpaces(w.prev, w.next2)) ? mtINS_PLUS : mtNONE;
    case u'=':
      return (w.next == u'=' && !bothSpaces(w.prev, w.next2)) ? mtMARK_EQ : mtNONE;
    case u'~':
      return starLike(w, mtSUB_TILDE, mtSTRIKE_TILDE);
    default:
      return mtNONE;
  }
}

}  // namespace

char16_t TEmitter::whitespaceToSpace(char16_t c) {
  if (c >= 32 && c < 133) return c;  // the space, printable ASCII and most controls
  return TUtils::isWhiteSpace(c) ? u' ' : c;
}

TMarkToken TEmitter::getToken(const std::u16string& s, int position) const {
  if (position < 0 || position >= static_cast<int>(s.size())) return mtNONE;
  if (!canStartToken(s[static_cast<std::size_t>(position)])) return mtNONE;
  const TTokenWindow w = windowAt(s, position);
  const bool extended = config().isDialect({mdCommonMark, mdTxtMark});

  TMarkToken token = mtNONE;
  if (commonToken(w, extended, token)) return token;
  if (extended && extendedToken(w, token)) return token;
  if (config().isDialect({mdCommonMark})) return commonMarkToken(w);
  return mtNONE;
}

bool TEmitter::canStartToken(char16_t c) { return TOKEN_STARTS.contains(c); }

int TEmitter::plainRunEnd(std::u16string_view s, int start) {
  const int n = static_cast<int>(s.size());
  int i = start < 0 ? 0 : start;
  while (i < n) {
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c < 128 && TOKEN_START_TABLE.starts[c]) break;  // every marker starts below 128
    ++i;
  }
  return i;
}

int TEmitter::findToken(const std::u16string& s, int start, TMarkToken token) const {
  const int n = static_cast<int>(s.size());
  // Only a character that can start a marker can start the sought one.
  const bool skipPlainText = token != mtNONE;
  for (int i = start < 0 ? 0 : start; i < n; ++i) {
    if (skipPlainText) i = plainRunEnd(s, i);
    if (i < n && getToken(s, i) == token) return i;
  }
  return -1;
}

}  // namespace glyphmill
