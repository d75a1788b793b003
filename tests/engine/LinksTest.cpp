// Links, images, abbreviations, the reference table and the bracket readers.
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MarkdownInlineScan.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

// A reference definition as reading the document would register it.
struct Definition {
  std::string key, link, title;
};

// Converts inline text with the given references, in one dialect.
std::string withRefs(const std::string& text, TMarkdownProcessorDialect dialect,
                     const std::vector<Definition>& definitions, bool safe = true) {
  TConfiguration config(safe);
  config.SetDialect(dialect);
  TEmitter emitter(config);
  for (const Definition& d : definitions) {
    const bool isAbbrev = !d.title.empty() && d.link == "*";
    emitter.addLinkRef(U(d.key), std::make_unique<TLinkRef>(U(d.link), U(d.title), isAbbrev));
  }
  std::u16string out;
  emitter.recursiveEmitLine(out, U(text), 0, mtNONE);
  return S(out);
}

struct DialectRow {
  std::string input;
  std::string daringFireball;
  std::string commonMark;
  std::string txtMark;
};

DialectRow same(const std::string& input, const std::string& html) {
  return {input, html, html, html};
}

void expectDialects(const std::vector<DialectRow>& rows,
                    const std::vector<Definition>& definitions = {}, bool safe = true) {
  for (const DialectRow& row : rows) {
    SCOPED_TRACE(row.input);
    EXPECT_EQ(withRefs(row.input, mdDaringFireball, definitions, safe), row.daringFireball);
    EXPECT_EQ(withRefs(row.input, mdCommonMark, definitions, safe), row.commonMark);
    EXPECT_EQ(withRefs(row.input, mdTxtMark, definitions, safe), row.txtMark);
  }
}

TEST(Links, InlineLinksAndImages) {
  expectDialects({
      same("[a](u)", "<a href=\"u\">a</a>"),
      same("[a](u \"t\")", "<a href=\"u\" title=\"t\">a</a>"),
      same("![p](i.png \"t\")", "<img src=\"i.png\" alt=\"p\" title=\"t\"/>"),
      same("![p](i.png)", "<img src=\"i.png\" alt=\"p\"/>"),
      same("[a] (u)", "<a href=\"u\">a</a>"),
      same("[a]\n(u)", "<a href=\"u\">a</a>"),
      same("[a]( u )", "<a href=\"u\">a</a>"),
      same("[a](u  \"t\"  )", "<a href=\"u\" title=\"t\">a</a>"),
      same("[a](b(c)d)", "<a href=\"b(c)d\">a</a>"),
      same("[a](b c)", "[a](b c)"),
      same("[a](<b c>)", "<a href=\"b c\">a</a>"),
      same("[a](<u>\"t\")", "<a href=\"u\" title=\"t\">a</a>"),
      same("[a](u 't')", "[a](u 't')"),
      same("[a](a&b+c)", "<a href=\"a&amp;b%2bc\">a</a>"),
      same("[a](\\))", "<a href=\")\">a</a>"),
      same("[a]()", "<a href=\"\">a</a>"),
      same("[a](", "[a]("),
      same("[a](u", "[a](u"),
      same("[a [b] c](u)", "<a href=\"u\">a [b] c</a>"),
      same("[*a*](u)", "<a href=\"u\"><em>a</em></a>"),
      same("![*a*](u)", "<img src=\"u\" alt=\"*a*\"/>"),
      same("![a\"b<](u)", "<img src=\"u\" alt=\"a&quot;b&lt;\"/>"),
      same("[a](u \"x&y'\")", "<a href=\"u\" title=\"x&amp;y&apos;\">a</a>"),
      same("[a](u \"t\\\"q\")", "<a href=\"u\" title=\"t&quot;q\">a</a>"),
      same("[a\\]b](u)", "[a]b](u)"),
      {"[[a]](u)", "<a href=\"u\">[a]</a>", "[[a]](u)", "[[a]](u)"},
      same("[a\nb](u)", "<a href=\"u\">a b</a>"),
      // Parts with and without escapes, next to each other: those without are
      // shown where the text holds them, those with are read into a copy.
      same("[a](<b\\>c>)", "<a href=\"b&gt;c\">a</a>"),
      same("[a](b\\(c)", "<a href=\"b(c\">a</a>"),
      same("[a](u\\_v \"t\\_u\")", "<a href=\"u_v\" title=\"t_u\">a</a>"),
      same("[a](u \"plain\") and [b](v\\w \"t\")",
           "<a href=\"u\" title=\"plain\">a</a> and <a href=\"v\\w\" title=\"t\">b</a>"),
      same("[a](u \"t\") [b](\\x \"\\\"\")", "<a href=\"u\" title=\"t\">a</a> <a href=\"\\x\" title=\"&quot;\">b</a>"),
      // A dangerous scheme is found behind spaces and in any letter case.
      same("[a](javascript\\:x) [b](  Javascript:y \"t\")",
           "<a href=\"javascript\\:x\">a</a> <a href=\"\" title=\"t\">b</a>"),
  });
}

TEST(Links, ReferencesAreFoundWithoutRegardToCase) {
  const std::vector<Definition> definitions = {{"Foo", "http://x", ""},
                                               {"a  b", "/two", "T"},
                                               {"\xC3\x84rger", "/ae", ""},  // Ärger
                                               {"\xCE\xA3\xCE\x91\xCE\xA3", "/sas", ""}};  // ΣΑΣ
  expectDialects(
      {
          same("[Foo]", "<a href=\"http://x\">Foo</a>"),
          same("[foo]", "<a href=\"http://x\">foo</a>"),
          same("[x][FOO]", "<a href=\"http://x\">x</a>"),
          same("[Foo][]", "<a href=\"http://x\">Foo</a>"),
          same("[x] [foo]", "<a href=\"http://x\">x</a>"),
          same("[Foo] [ ]", "[Foo] [ ]"),
          same("[a  b]", "<a href=\"/two\" title=\"T\">a  b</a>"),
          same("[a b]", "[a b]"),
          same("[a\n b]", "<a href=\"/two\" title=\"T\">a  b</a>"),
          same("[\xC3\xA4rger]", "<a href=\"/ae\">\xC3\xA4rger</a>"),
          // σας: the final sigma folds like the others
          same("[\xCF\x83\xCE\xB1\xCF\x82]", "<a href=\"/sas\">\xCF\x83\xCE\xB1\xCF\x82</a>"),
          same("[a]", "[a]"),
          same("[x][nope]", "[x][nope]"),
          same("[Foo] trailing", "<a href=\"http://x\">Foo</a> trailing"),
      },
      definitions);
}

TEST(Links, TheLastDefinitionOfAKeyWins) {
  TConfiguration config(true);
  TEmitter emitter(config);
  emitter.addLinkRef(u"Key", std::make_unique<TLinkRef>(u"/first", u"", false));
  emitter.addLinkRef(u"KEY", std::make_unique<TLinkRef>(u"/second", u"", false));
  ASSERT_NE(emitter.findLinkRef(u"key"), nullptr);
  EXPECT_EQ(S(emitter.findLinkRef(u"kEy")->FLink), "/second");
  EXPECT_EQ(emitter.findLinkRef(u"other"), nullptr);
  std::u16string out;
  emitter.recursiveEmitLine(out, u"[key]", 0, mtNONE);
  EXPECT_EQ(S(out), "<a href=\"/second\">key</a>");
}

TEST(Links, AbbreviationsOnlyInShortcutForm) {
  const std::vector<Definition> definitions = {{"html", "*", "Hyper Text Markup Language"},
                                               {"q", "*", "a \"quoted\" <word>"}};
  expectDialects(
      {
          same("[HTML]", "<abbr title=\"Hyper Text Markup Language\">HTML</abbr>"),
          same("HTML", "HTML"),
          same("[x][HTML]", "<a href=\"*\" title=\"Hyper Text Markup Language\">x</a>"),
          same("![HTML]", "<img src=\"*\" alt=\"HTML\" title=\"Hyper Text Markup Language\"/>"),
          same("[q]", "<abbr title=\"a &quot;quoted&quot; &lt;word&gt;\">q</abbr>"),
      },
      definitions);
}

TEST(Links, SafeModeDropsDangerousDestinations) {
  const std::vector<Definition> definitions = {{"js", "javascript:alert(1)", ""}};
  const std::vector<DialectRow> safeRows = {
      same("[a](javascript:alert(1))", "<a href=\"\">a</a>"),
      same("[a](JavaScript:x)", "<a href=\"\">a</a>"),
      same("![a](javascript:x \"t\")", "<img src=\"\" alt=\"a\" title=\"t\"/>"),
      same("[a][js]", "<a href=\"\">a</a>"),
      same("[a](http://x)", "<a href=\"http://x\">a</a>"),
  };
  expectDialects(safeRows, definitions, true);
  const std::vector<DialectRow> unsafeRows = {
      same("[a](javascript:alert(1))", "<a href=\"javascript:alert(1)\">a</a>"),
      same("![a](javascript:x \"t\")", "<img src=\"javascript:x\" alt=\"a\" title=\"t\"/>"),
      same("[a][js]", "<a href=\"javascript:alert(1)\">a</a>"),
  };
  expectDialects(unsafeRows, definitions, false);
}

TEST(Links, CheckLinkReportsTheLastPositionOrFailure) {
  TConfiguration config(true);
  TEmitter emitter(config);
  emitter.addLinkRef(u"r", std::make_unique<TLinkRef>(u"/r", u"", false));
  struct Row {
    std::u16string text;
    int start;
    TMarkToken token;
    int expected;
    std::string html;
  };
  for (const Row& row : std::vector<Row>{
           {u"x[a](u)y", 1, mtLINK, 6, "<a href=\"u\">a</a>"},
           {u"![a](u)", 0, mtIMAGE, 6, "<img src=\"u\" alt=\"a\"/>"},
           {u"[r] more", 0, mtLINK, 2, "<a href=\"/r\">r</a>"},
           {u"[x][r]", 0, mtLINK, 5, "<a href=\"/r\">x</a>"},
           {u"[a](u", 0, mtLINK, -1, ""},
           {u"[a", 0, mtLINK, -1, ""},
           {u"[a](u)", -1, mtLINK, -1, ""},
           {u"[a](u)", 0, mtEM_STAR, -1, ""},
           {u"[", 0, mtLINK, -1, ""},
           {u"!", 0, mtIMAGE, -1, ""},
       }) {
    SCOPED_TRACE(S(row.text) + " @" + std::to_string(row.start));
    std::u16string out;
    EXPECT_EQ(emitter.checkLink(out, row.text, row.start, row.token), row.expected);
    if (row.expected >= 0) {
      EXPECT_EQ(S(out), row.html);
    }
  }
}

TEST(Links, ReadMdLinkIdCountsBracketsWithoutEscapes) {
  struct Row {
    std::u16string text;
    int start;
    int expected;
    std::string read;
  };
  for (const Row& row : std::vector<Row>{
           {u"a[b]c]d", 0, 5, "a[b]c"},
           {u"a\nb]", 0, 3, "a b"},
           {u"a\\]b]", 0, 2, "a\\"},
           {u"]", 0, 0, ""},
           {u"abc", 0, -1, "abc"},
           {u"[a]", 0, -1, "[a]"},
           {u"", 0, -1, ""},
           {u"ab]", 5, -1, ""},
           {u"ab]", -1, -1, ""},
       }) {
    SCOPED_TRACE(S(row.text) + " from " + std::to_string(row.start));
    std::u16string out;
    EXPECT_EQ(TUtils::readMdLinkId(out, row.text, row.start), row.expected);
    EXPECT_EQ(S(out), row.read);
  }
}

TEST(Links, ReadMdLinkBalancesParenthesesAndHonoursEscapes) {
  struct Row {
    std::u16string text;
    int expected;
    std::string read;
  };
  for (const Row& row : std::vector<Row>{
           {u"b(c)d)", 5, "b(c)d"},
           {u"b c)", 1, "b"},
           {u"(a b))", 5, "(a b)"},
           {u"a\\)b)", 4, "a)b"},
           {u"a\\~b)", 4, "a\\~b"},
           {u"a\\ b)", 2, "a\\"},
           {u"a\nb)", 3, "a\nb"},
           {u")", 0, ""},
           {u"abc", -1, "abc"},
           {u"a\\", -1, "a\\"},
           {u"a(b", -1, "a(b"},
       }) {
    SCOPED_TRACE(S(row.text));
    std::u16string out;
    EXPECT_EQ(TUtils::readMdLink(out, row.text, 0), row.expected);
    EXPECT_EQ(S(out), row.read);
  }
  std::u16string out;
  EXPECT_EQ(TUtils::readMdLink(out, u"ab)", 3), -1);
  EXPECT_EQ(TUtils::readMdLink(out, u"ab)", -2), -1);
}

// The text tables that find brackets, destinations and titles without
// copying must answer as the readers do, from every start they answer for.
TEST(Links, TextTablesAgreeWithTheReaders) {
  const std::u16string alphabet = u"\\()\" ><[]a\n~";
  std::mt19937 random(777);
  std::uniform_int_distribution<int> lengthOf(0, 30);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
  int checked = 0;
  TInlineScan scan;
  for (int round = 0; round < 3000; ++round) {
    std::u16string s;
    const int length = lengthOf(random);
    for (int i = 0; i < length; ++i) s += alphabet[static_cast<std::size_t>(pick(random))];
    TInlineText text(s, scan);
    for (int start = 0; start <= length; ++start) {
      SCOPED_TRACE(S(s) + " from " + std::to_string(start));
      std::u16string ignored;
      const int destination = text.destinationEnd(start);
      if (destination != TInlineText::kUnknown) {
        EXPECT_EQ(destination, TUtils::readMdLink(ignored, s, start));
        ++checked;
      }
      for (char16_t stop : {u'>', u'"'}) {
        const int found = text.escapedStop(start, stop);
        if (found != TInlineText::kUnknown) {
          EXPECT_EQ(found, TUtils::readUntil(ignored, s, start, stop));
          ++checked;
        }
      }
      if (start < length && s[static_cast<std::size_t>(start)] == u'[') {
        EXPECT_EQ(text.matchingBracket(start), TUtils::readMdLinkId(ignored, s, start + 1));
      }
    }
  }
  EXPECT_GT(checked, 50000);
}

TEST(Links, CaseFoldingKeepsTheLengthOfAKey) {
  TConfiguration config(true);
  TEmitter emitter(config);
  // Kelvin sign and long s fold to ASCII letters; a lone surrogate is kept.
  emitter.addLinkRef(u"\u212A\u017F", std::make_unique<TLinkRef>(u"/ks", u"", false));
  emitter.addLinkRef(std::u16string{u'\xD800', u'A'}, std::make_unique<TLinkRef>(u"/s", u"", false));
  ASSERT_NE(emitter.findLinkRef(u"ks"), nullptr);
  EXPECT_EQ(S(emitter.findLinkRef(u"KS")->FLink), "/ks");
  ASSERT_NE(emitter.findLinkRef(std::u16string{u'\xD800', u'a'}), nullptr);
  EXPECT_EQ(emitter.findLinkRef(std::u16string{u'\xD801', u'a'}), nullptr);
  std::u16string out;
  emitter.recursiveEmitLine(out, u"[kS]", 0, mtNONE);
  EXPECT_EQ(S(out), "<a href=\"/ks\">kS</a>");
}

}  // namespace
}  // namespace glyphmill::test
