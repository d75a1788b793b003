// Inline token recognition: which marker starts at a position of a text.
// The answer depends only on the character there, one character before it,
// three after it and the dialect.
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// "*", "_" in DaringFireball, and "~": a double marker is refused between
// two spaces, a single one likewise.
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

// A quotation mark of the extended dialects opens or closes a quotation.
TMarkToken quotationMark(const TTokenWindow& w) {
  if (!TUtils::isLetterOrDigit(w.prev) && w.next != u' ') return mtX_LDQUO;
  if (w.prev != u' ' && !TUtils::isLetterOrDigit(w.next)) return mtX_RDQUO;
  return mtNONE;
}

// "(C)", "(R)" and "(TM)" of the extended dialects.
TMarkToken symbolInParentheses(const TTokenWindow& w) {
  if (w.next == u'C' && w.next2 == u')') return mtX_COPY;
  if (w.next == u'R' && w.next2 == u')') return mtX_REG;
  if (w.next == u'T' && w.next2 == u'M' && w.next3 == u')') return mtX_TRADE;
  return mtNONE;
}

// "++" and "==" of CommonMark, refused between two spaces.
TMarkToken doubledMarker(const TTokenWindow& w, TMarkToken token) {
  return (w.next == w.c && !bothSpaces(w.prev, w.next2)) ? token : mtNONE;
}

// The marker that starts with w.c. Markers known in every dialect come
// first; quotation marks, superscript and typographic replacements belong to
// CommonMark and TxtMark (`extended`); formula, inserted, marked, deleted
// text and subscript to CommonMark alone.
TMarkToken tokenOf(const TTokenWindow& w, bool extended, bool commonMark) {
  switch (w.c) {
    case u'*': return starLike(w, mtEM_STAR, mtSTRONG_STAR);
    case u'_':
      return extended ? extendedUnderscore(w) : starLike(w, mtEM_UNDERSCORE, mtSTRONG_UNDERSCORE);
    case u'!': return w.next == u'[' ? mtIMAGE : mtNONE;
    case u'&': return mtENTITY;
    case u'`': return w.next == u'`' ? mtCODE_DOUBLE : mtCODE_SINGLE;
    case u'[': return extended && w.next == u'[' ? mtX_LINK_OPEN : mtLINK;
    case u']': return extended && w.next == u']' ? mtX_LINK_CLOSE : mtNONE;
    case u'<': return extended && w.next == u'<' ? mtX_LAQUO : mtHTML;
    case u'\\': return INLINE_ESCAPES.contains(w.next) ? mtESCAPE : mtNONE;

    case u'"': return extended ? quotationMark(w) : mtNONE;
    case u'^': return extended && w.prev != u'^' && w.next != u'^' ? mtSUPER : mtNONE;
    case u'(': return extended ? symbolInParentheses(w) : mtNONE;
    case u'-':
      if (!extended || w.next != u'-') return mtNONE;
      return w.next2 == u'-' ? mtX_MDASH : mtX_NDASH;
    case u'.': return extended && w.next == u'.' && w.next2 == u'.' ? mtX_HELLIP : mtNONE;
    case u'>': return extended && w.next == u'>' ? mtX_RAQUO : mtNONE;

    case u'$': return commonMark && !bothSpaces(w.prev, w.next) ? mtMATH_DOLLAR : mtNONE;
    case u'+': return commonMark ? doubledMarker(w, mtINS_PLUS) : mtNONE;
    case u'=': return commonMark ? doubledMarker(w, mtMARK_EQ) : mtNONE;
    case u'~': return commonMark ? starLike(w, mtSUB_TILDE, mtSTRIKE_TILDE) : mtNONE;
    default: return mtNONE;
  }
}

// Whether c can start a marker, by the table (every marker starts below 128).
bool startsToken(char16_t c) { return c < 128 && TOKEN_START_TABLE.starts[c]; }

// The first position at or after `from` whose character may start a marker,
// or the size of s. Every marker starts with one of "!" to "." (of which "#",
// "%", "'", ")" and "," start none), "<" to ">", "[" to "`", or "~": eight
// characters at a time are tested against those ranges, so that prose is
// passed over in steps of eight; the caller looks the character found up.
std::size_t nextPossibleTokenStart(std::u16string_view s, std::size_t from) {
  std::size_t i = from;
#if defined(__SSE2__)
  // c lies in [low, low + span] when c - low (wrapping around below zero)
  // minus span (stopping at zero) is zero.
  const auto inRange = [](__m128i units, char16_t low, char16_t span) {
    const __m128i shifted = _mm_sub_epi16(units, _mm_set1_epi16(static_cast<short>(low)));
    const __m128i over = _mm_subs_epu16(shifted, _mm_set1_epi16(static_cast<short>(span)));
    return _mm_cmpeq_epi16(over, _mm_setzero_si128());
  };
  const __m128i tilde = _mm_set1_epi16(u'~');
  while (i + 8 <= s.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(inRange(units, u'!', u'.' - u'!'), inRange(units, u'<', u'>' - u'<')),
        _mm_or_si128(inRange(units, u'[', u'`' - u'['), _mm_cmpeq_epi16(units, tilde)));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;  // two bits a unit
    i += 8;
  }
#endif
  while (i < s.size() && !startsToken(s[i])) ++i;
  return i;
}

}  // namespace

char16_t TEmitter::whitespaceToSpace(char16_t c) {
  if (c >= 32 && c < 133) return c;  // the space, printable ASCII and most controls
  return TUtils::isWhiteSpace(c) ? u' ' : c;
}

TMarkToken TEmitter::getToken(const std::u16string& s, int position) const {
  if (position < 0 || position >= static_cast<int>(s.size())) return mtNONE;
  const char16_t c = s[static_cast<std::size_t>(position)];
  if (!startsToken(c)) return mtNONE;
  const TMarkdownProcessorDialect dialect = config().GetDialect();
  const bool extended = dialect == mdCommonMark || dialect == mdTxtMark;
  return tokenOf(windowAt(s, position), extended, dialect == mdCommonMark);
}

bool TEmitter::canStartToken(char16_t c) { return startsToken(c); }

int TEmitter::plainRunEnd(std::u16string_view s, int start) {
  auto i = static_cast<std::size_t>(start < 0 ? 0 : start);
  // The character at hand is looked at first, as it often starts a marker
  // where markers stand close together; after one that the scan of eight at
  // a time found but that starts none ("#", ","...), the scan goes on.
  while (i < s.size() && !startsToken(s[i])) i = nextPossibleTokenStart(s, i + 1);
  return static_cast<int>(i);
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
