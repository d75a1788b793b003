// Inline token recognition: getToken, findToken, whitespaceToSpace.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "TestSupport.h"

// Counts allocations so that a test can show that getToken makes none.
namespace {
std::atomic<long> allocationCount{0};
}  // namespace

// Kept out of line so that the compiler does not pair malloc and free with
// the new and delete expressions it inlines them into.
[[gnu::noinline]] void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace glyphmill::test {
namespace {

// The token at `position` of `text` in one dialect.
TMarkToken tokenIn(const std::u16string& text, int position, TMarkdownProcessorDialect dialect) {
  TConfiguration config(true);
  config.SetDialect(dialect);
  TEmitter emitter(config);
  return emitter.getToken(text, position);
}

// One expected token per dialect, for the character at `position`.
struct TokenRow {
  std::u16string text;
  int position;
  TMarkToken daringFireball;
  TMarkToken commonMark;
  TMarkToken txtMark;
};

// Each row also between spaces: positions outside the text read as spaces,
// so the tokens stay, and they are then read away from the text's ends.
void expectTokens(const std::vector<TokenRow>& rows) {
  for (const TokenRow& row : rows) {
    for (const bool between : {false, true}) {
      const std::u16string text = between ? u" " + row.text + u"    " : row.text;
      const int position = between ? row.position + 1 : row.position;
      SCOPED_TRACE(S(text) + " @" + std::to_string(position));
      EXPECT_EQ(tokenIn(text, position, mdDaringFireball), row.daringFireball);
      EXPECT_EQ(tokenIn(text, position, mdCommonMark), row.commonMark);
      EXPECT_EQ(tokenIn(text, position, mdTxtMark), row.txtMark);
    }
  }
}

TEST(Tokens, StarsNeedSomethingOtherThanSpaceOnOneSide) {
  expectTokens({
      {u"*a*", 0, mtEM_STAR, mtEM_STAR, mtEM_STAR},
      {u"*a*", 2, mtEM_STAR, mtEM_STAR, mtEM_STAR},
      {u"a * b", 2, mtNONE, mtNONE, mtNONE},
      {u"a *", 2, mtNONE, mtNONE, mtNONE},
      {u"*", 0, mtNONE, mtNONE, mtNONE},
      {u"a\t*\tb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\n*\u00A0b", 2, mtNONE, mtNONE, mtNONE},
      {u"a\u3000*\u2028b", 2, mtNONE, mtNONE, mtNONE},
      {u"a\u200B*\u200Bb", 2, mtEM_STAR, mtEM_STAR, mtEM_STAR},  // Cf, not white space
      {u"**a", 0, mtSTRONG_STAR, mtSTRONG_STAR, mtSTRONG_STAR},
      {u"**a", 1, mtEM_STAR, mtEM_STAR, mtEM_STAR},
      {u"a ** b", 2, mtNONE, mtNONE, mtNONE},
      {u"a **b", 2, mtSTRONG_STAR, mtSTRONG_STAR, mtSTRONG_STAR},
      {u"a** b", 1, mtSTRONG_STAR, mtSTRONG_STAR, mtSTRONG_STAR},
  });
}

TEST(Tokens, UnderscoresInsideWordsDependOnTheDialect) {
  expectTokens({
      {u"snake_case_name", 5, mtEM_UNDERSCORE, mtNONE, mtNONE},
      {u"snake_case_name", 10, mtEM_UNDERSCORE, mtNONE, mtNONE},
      {u"a _ b", 2, mtNONE, mtEM_UNDERSCORE, mtEM_UNDERSCORE},
      {u"_a_", 0, mtEM_UNDERSCORE, mtEM_UNDERSCORE, mtEM_UNDERSCORE},
      {u"1_2", 1, mtEM_UNDERSCORE, mtNONE, mtNONE},
      {u"\u00E9_\u00E9", 1, mtEM_UNDERSCORE, mtNONE, mtNONE},
      {u"\u4E2D_\u6587", 1, mtEM_UNDERSCORE, mtNONE, mtNONE},
      {u"a_.", 1, mtEM_UNDERSCORE, mtEM_UNDERSCORE, mtEM_UNDERSCORE},
      {u"__init__", 0, mtSTRONG_UNDERSCORE, mtSTRONG_UNDERSCORE, mtSTRONG_UNDERSCORE},
      {u"__init__", 6, mtSTRONG_UNDERSCORE, mtSTRONG_UNDERSCORE, mtSTRONG_UNDERSCORE},
      {u"a __ b", 2, mtNONE, mtNONE, mtNONE},
  });
}

TEST(Tokens, SurrogatesAreNeitherSpacesNorLetters) {
  const std::u16string lone{u'\xD800', u'_', u'\xDC00'};
  const std::u16string pair = u"\U0001F600*";
  expectTokens({
      {lone, 1, mtEM_UNDERSCORE, mtEM_UNDERSCORE, mtEM_UNDERSCORE},
      {pair, 2, mtEM_STAR, mtEM_STAR, mtEM_STAR},
      {lone, 0, mtNONE, mtNONE, mtNONE},
  });
}

TEST(Tokens, BracketsCodeAndOtherMarkersOfEveryDialect) {
  expectTokens({
      {u"![a]", 0, mtIMAGE, mtIMAGE, mtIMAGE},
      {u"!a", 0, mtNONE, mtNONE, mtNONE},
      {u"&", 0, mtENTITY, mtENTITY, mtENTITY},
      {u"`a", 0, mtCODE_SINGLE, mtCODE_SINGLE, mtCODE_SINGLE},
      {u"``a", 0, mtCODE_DOUBLE, mtCODE_DOUBLE, mtCODE_DOUBLE},
      {u"``a", 1, mtCODE_SINGLE, mtCODE_SINGLE, mtCODE_SINGLE},
      {u"[a", 0, mtLINK, mtLINK, mtLINK},
      {u"[[a", 0, mtLINK, mtX_LINK_OPEN, mtX_LINK_OPEN},
      {u"]]", 0, mtNONE, mtX_LINK_CLOSE, mtX_LINK_CLOSE},
      {u"]a", 0, mtNONE, mtNONE, mtNONE},
      {u"<a", 0, mtHTML, mtHTML, mtHTML},
      {u"<<", 0, mtHTML, mtX_LAQUO, mtX_LAQUO},
      {u">>", 0, mtNONE, mtX_RAQUO, mtX_RAQUO},
      {u">a", 0, mtNONE, mtNONE, mtNONE},
  });
}

TEST(Tokens, BackslashEscapesOnlyTheInlineEscapeSet) {
  std::vector<TokenRow> rows;
  const std::u16string escapable = u"!\"#$'()*+-.<>[\\]^_`{|}~";
  for (char16_t c : escapable) {
    rows.push_back({std::u16string{u'\\', c}, 0, mtESCAPE, mtESCAPE, mtESCAPE});
  }
  for (char16_t c : std::u16string(u"%&/a \n\u00E9\u20AC:;,")) {
    rows.push_back({std::u16string{u'\\', c}, 0, mtNONE, mtNONE, mtNONE});
  }
  rows.push_back({u"\\", 0, mtNONE, mtNONE, mtNONE});
  EXPECT_EQ(escapable.size(), 23u);
  expectTokens(rows);
}

TEST(Tokens, TypographicMarkersOfTheExtendedDialects) {
  expectTokens({
      {u"(C)", 0, mtNONE, mtX_COPY, mtX_COPY},
      {u"(c)", 0, mtNONE, mtNONE, mtNONE},
      {u"(R)", 0, mtNONE, mtX_REG, mtX_REG},
      {u"(TM)", 0, mtNONE, mtX_TRADE, mtX_TRADE},
      {u"(TM", 0, mtNONE, mtNONE, mtNONE},
      {u"(Tm)", 0, mtNONE, mtNONE, mtNONE},
      {u"--", 0, mtNONE, mtX_NDASH, mtX_NDASH},
      {u"---", 0, mtNONE, mtX_MDASH, mtX_MDASH},
      {u"---", 1, mtNONE, mtX_NDASH, mtX_NDASH},
      {u"-", 0, mtNONE, mtNONE, mtNONE},
      {u"...", 0, mtNONE, mtX_HELLIP, mtX_HELLIP},
      {u"..", 0, mtNONE, mtNONE, mtNONE},
      {u"x^2^", 1, mtNONE, mtSUPER, mtSUPER},
      {u"x^2^", 3, mtNONE, mtSUPER, mtSUPER},
      {u"a ^ b", 2, mtNONE, mtSUPER, mtSUPER},
      {u"^^", 0, mtNONE, mtNONE, mtNONE},
      {u"^^", 1, mtNONE, mtNONE, mtNONE},
  });
}

TEST(Tokens, QuotationMarksOpenOrClose) {
  expectTokens({
      {u"1\" x", 1, mtNONE, mtX_RDQUO, mtX_RDQUO},
      {u" \"a", 1, mtNONE, mtX_LDQUO, mtX_LDQUO},
      {u"a\"b", 1, mtNONE, mtNONE, mtNONE},
      {u"\"", 0, mtNONE, mtNONE, mtNONE},
      {u"(\"", 1, mtNONE, mtX_RDQUO, mtX_RDQUO},
      {u"\"(", 0, mtNONE, mtX_LDQUO, mtX_LDQUO},
      {u"a\"", 1, mtNONE, mtX_RDQUO, mtX_RDQUO},
  });
}

TEST(Tokens, CommonMarkOnlyMarkers) {
  expectTokens({
      {u"~~x~~", 0, mtNONE, mtSTRIKE_TILDE, mtNONE},
      {u"H~2~O", 1, mtNONE, mtSUB_TILDE, mtNONE},
      {u"a ~ b", 2, mtNONE, mtNONE, mtNONE},
      {u"a ~~ b", 2, mtNONE, mtNONE, mtNONE},
      {u"++x", 0, mtNONE, mtINS_PLUS, mtNONE},
      {u"a ++ b", 2, mtNONE, mtNONE, mtNONE},
      {u"a+b", 1, mtNONE, mtNONE, mtNONE},
      {u"+", 0, mtNONE, mtNONE, mtNONE},
      {u"==x", 0, mtNONE, mtMARK_EQ, mtNONE},
      {u"a=b", 1, mtNONE, mtNONE, mtNONE},
      {u"a == b", 2, mtNONE, mtNONE, mtNONE},
      {u"$x$", 0, mtNONE, mtMATH_DOLLAR, mtNONE},
      {u"a$ b", 1, mtNONE, mtMATH_DOLLAR, mtNONE},
      {u"a $ b", 2, mtNONE, mtNONE, mtNONE},
  });
}

// Each rule reads its neighbours as spaces when they are white space of
// any kind, two characters away as well as next to the marker.
TEST(Tokens, NeighboursOfEveryKindOfWhiteSpaceReadAsSpaces) {
  expectTokens({
      {u"a\t**\nb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\n__\u3000b", 2, mtNONE, mtNONE, mtNONE},
      {u"a\t~~\nb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\n~\tb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\t++\nb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\u00A0==\tb", 2, mtNONE, mtNONE, mtNONE},
      {u"a\t$\nb", 2, mtNONE, mtNONE, mtNONE},
      {u"\t\"\n", 1, mtNONE, mtNONE, mtNONE},
      {u"a\t\"b", 2, mtNONE, mtX_LDQUO, mtX_LDQUO},
      {u"a\"\n", 1, mtNONE, mtX_RDQUO, mtX_RDQUO},
      {u"\\\t", 0, mtNONE, mtNONE, mtNONE},
      {u"a\t**b", 2, mtSTRONG_STAR, mtSTRONG_STAR, mtSTRONG_STAR},
      {u"a++\tb", 1, mtNONE, mtINS_PLUS, mtNONE},
  });
}

TEST(Tokens, PositionsOutsideTheTextAreOrdinaryText) {
  for (TMarkdownProcessorDialect dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    SCOPED_TRACE(dialectName(dialect));
    EXPECT_EQ(tokenIn(u"*a", -1, dialect), mtNONE);
    EXPECT_EQ(tokenIn(u"*a", 2, dialect), mtNONE);
    EXPECT_EQ(tokenIn(u"", 0, dialect), mtNONE);
  }
}

TEST(Tokens, WhitespaceToSpace) {
  for (char16_t c : std::u16string(u"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u2028\u2029\u3000")) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_EQ(TEmitter::whitespaceToSpace(c), u' ');
  }
  for (char16_t c : std::u16string{u'a', u'\0', u'\x1F', u'\u200B', u'\u00AD', u'\xD800', u'_'}) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_EQ(TEmitter::whitespaceToSpace(c), c);
  }
}

TEST(Tokens, FindTokenReturnsTheFirstExactMatch) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  TEmitter emitter(config);
  struct Row {
    std::u16string text;
    int start;
    TMarkToken token;
    int expected;
  };
  for (const Row& row : std::vector<Row>{
           {u"a*b*c", 0, mtEM_STAR, 1},
           {u"a*b*c", 2, mtEM_STAR, 3},
           {u"a*b*c", 4, mtEM_STAR, -1},
           {u"a*b*c", 5, mtEM_STAR, -1},
           {u"a*b*c", 100, mtEM_STAR, -1},
           {u"```a", 0, mtCODE_SINGLE, 2},
           {u"```a", 0, mtCODE_DOUBLE, 0},
           {u"```a", 1, mtCODE_DOUBLE, 1},
           {u"x ** y", 0, mtSTRONG_STAR, -1},
           {u"", 0, mtNONE, -1},
           {u"ab", 0, mtNONE, 0},
       }) {
    SCOPED_TRACE(S(row.text) + " from " + std::to_string(row.start));
    EXPECT_EQ(emitter.findToken(row.text, row.start, row.token), row.expected);
  }
}

// A plain run ends at the first character that can start a marker. Each
// character below 0x80, the characters at the ends of the ranges the scan
// tests eight at a time, and some beyond ASCII stand alone in a text of
// letters, at every offset across two steps of eight and the text's end.
TEST(Tokens, PlainRunsEndAtTheFirstCharacterThatCanStartAMarker) {
  std::u16string probes;
  for (char16_t c = 1; c < 0x80; ++c) probes += c;
  probes += u"\u00A0\u2021\u202E\u205B\u3000\uFF01\uFF3B\xD83D";
  const std::u16string letters(20, u'a');
  for (const char16_t probe : probes) {
    for (std::size_t at = 0; at < letters.size(); ++at) {
      std::u16string text = letters;
      text[at] = probe;
      const int expected = TEmitter::canStartToken(probe) ? static_cast<int>(at) : 20;
      for (const int start : {0, 1, static_cast<int>(at)}) {
        SCOPED_TRACE(std::to_string(probe) + " at " + std::to_string(at) + " from " +
                     std::to_string(start));
        EXPECT_EQ(TEmitter::plainRunEnd(text, start), start > static_cast<int>(at) ? 20 : expected);
      }
    }
  }
  // Several in one step of eight: the first one that can start a marker counts.
  EXPECT_EQ(TEmitter::plainRunEnd(u"abc#%',)*defghijk", 0), 8);
  EXPECT_EQ(TEmitter::plainRunEnd(u"a,b,c,d,e,f,g,h,i~", 0), 17);
  EXPECT_EQ(TEmitter::plainRunEnd(u"*a", 0), 0);
  EXPECT_EQ(TEmitter::plainRunEnd(u"ab", -3), 2);
}

TEST(Tokens, GetTokenAllocatesNothing) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  TEmitter emitter(config);
  const std::u16string text =
      u"*a* **b** _c_ __d__ ~e~ ~~f~~ ++g++ ==h== $i$ `j` ``k`` [l](m) <n> ![o] &p; \\q "
      u"^r^ (C) (R) (TM) << >> -- --- ... \"s\" [[t]] \u00E9\u3000\U0001F600";
  const long before = allocationCount.load();
  int tokens = 0;
  for (int i = 0; i < static_cast<int>(text.size()); ++i) {
    if (emitter.getToken(text, i) != mtNONE) ++tokens;
  }
  EXPECT_EQ(allocationCount.load(), before);
  EXPECT_GT(tokens, 30);
}

}  // namespace
}  // namespace glyphmill::test
