// Line classification, ids, and the remembered HTML-block scans.
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MarkdownXmlBlockMemo.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

using Chain = LineChain;

const char* typeName(TLineType t) {
  static const char* names[] = {"EMPTY", "OTHER", "HEADLINE", "HEADLINE1", "HEADLINE2",
                                "CODE", "ULIST", "OLIST", "BLIST", "BQUOTE", "HR", "XML",
                                "FENCED_CODE", "TABLE"};
  return names[t];
}

// The kind of the first line of text in a dialect.
std::string kindOf(const std::string& text, TMarkdownProcessorDialect dialect) {
  Chain chain(text);
  TConfiguration config(true);
  config.SetDialect(dialect);
  return typeName(chain[0].getLineType(config));
}

struct Case {
  std::string text;
  std::string df;  // DaringFireball
  std::string cm;  // CommonMark
  std::string tm;  // TxtMark
};

void checkKinds(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.text + "'");
    EXPECT_EQ(kindOf(c.text, mdDaringFireball), c.df);
    EXPECT_EQ(kindOf(c.text, mdCommonMark), c.cm);
    EXPECT_EQ(kindOf(c.text, mdTxtMark), c.tm);
  }
}

TEST(Classify, Headlines) {
  checkKinds({
      {"#Title", "HEADLINE", "OTHER", "HEADLINE"},
      {"# Title", "HEADLINE", "HEADLINE", "HEADLINE"},
      {"####### x", "HEADLINE", "HEADLINE", "HEADLINE"},
      {"###", "HEADLINE", "OTHER", "HEADLINE"},
      {"### ", "HEADLINE", "HEADLINE", "HEADLINE"},
      {"    # x", "CODE", "CODE", "CODE"},
      {"   # x", "HEADLINE", "HEADLINE", "HEADLINE"},
      // CommonMark: "#" without a space goes on to the later tests.
      {"#x\n===", "HEADLINE", "HEADLINE1", "HEADLINE"},
  });
}

TEST(Classify, FencesRulersAndItems) {
  checkKinds({
      {"```js", "OTHER", "FENCED_CODE", "FENCED_CODE"},
      {"~~~", "OTHER", "FENCED_CODE", "FENCED_CODE"},
      {"``", "OTHER", "OTHER", "OTHER"},
      {"  ```", "OTHER", "FENCED_CODE", "FENCED_CODE"},
      {"` ` `", "OTHER", "FENCED_CODE", "FENCED_CODE"},
      {"~~", "OTHER", "OTHER", "OTHER"},
      {"***", "HR", "HR", "HR"},
      {"- - -", "HR", "HR", "HR"},
      {"_ _ _", "HR", "HR", "HR"},
      {"-- -", "HR", "HR", "HR"},
      {"--", "OTHER", "OTHER", "OTHER"},
      {"-*-", "OTHER", "OTHER", "OTHER"},
      {"* * *", "HR", "HR", "HR"},
      {"***   ", "HR", "HR", "HR"},
      {"- - - a", "ULIST", "ULIST", "ULIST"},
      {"- - a -", "ULIST", "ULIST", "ULIST"},
      {"- a", "ULIST", "ULIST", "ULIST"},
      {"* a", "ULIST", "ULIST", "ULIST"},
      {"+ a", "ULIST", "ULIST", "ULIST"},
      {"-a", "OTHER", "OTHER", "OTHER"},
      {"- ", "ULIST", "ULIST", "ULIST"},
      {"1. a", "OLIST", "OLIST", "OLIST"},
      {"12) b", "BLIST", "BLIST", "BLIST"},
      {"1.a", "OTHER", "OTHER", "OTHER"},
      {"1.", "OTHER", "OTHER", "OTHER"},
      {"1. ", "OLIST", "OLIST", "OLIST"},
      {"\xd9\xa1\xd9\xa2. a", "OLIST", "OLIST", "OLIST"},  // Arabic-Indic 12
      {"\xc2\xb2. a", "OTHER", "OTHER", "OTHER"},          // superscript two is no digit
      {"> a", "BQUOTE", "BQUOTE", "BQUOTE"},
      {"   >", "BQUOTE", "BQUOTE", "BQUOTE"},
      {"", "EMPTY", "EMPTY", "EMPTY"},
      {"     ", "EMPTY", "EMPTY", "EMPTY"},
      {"text", "OTHER", "OTHER", "OTHER"},
  });
}

TEST(Classify, FenceWithoutSpaces) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  config.allowSpacesInFencedDelimiters = false;
  Chain indented("  ```");
  EXPECT_EQ(indented[0].getLineType(config), ltOTHER);
  Chain spaced("` ``");
  EXPECT_EQ(spaced[0].getLineType(config), ltOTHER);
  Chain plain("```");
  EXPECT_EQ(plain[0].getLineType(config), ltFENCED_CODE);
}

TEST(Classify, SetextUnderlinesAndTables) {
  checkKinds({
      {"Title\n===", "HEADLINE1", "HEADLINE1", "HEADLINE1"},
      {"Title\n-", "HEADLINE2", "HEADLINE2", "HEADLINE2"},
      {"Title\n  ---", "OTHER", "HEADLINE2", "OTHER"},
      {"Title\n--- x", "OTHER", "OTHER", "OTHER"},
      {"Title\n= = =", "HEADLINE1", "HEADLINE1", "HEADLINE1"},
      {"Title\n    ---", "OTHER", "OTHER", "OTHER"},
      {"Title\n\n===", "OTHER", "OTHER", "OTHER"},
      {"- a\n===", "ULIST", "ULIST", "ULIST"},
      {"a | b\n--|--", "OTHER", "TABLE", "OTHER"},
      {"a | b\n---", "HEADLINE2", "HEADLINE2", "HEADLINE2"},
      {"a | b | c\n--|--", "OTHER", "OTHER", "OTHER"},
      {"| a | b |\n|---|---|", "OTHER", "TABLE", "OTHER"},
      {"a | b\n:-:|:-", "OTHER", "TABLE", "OTHER"},
  });
}

TEST(Classify, TableTestLeavesPipeCount) {
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  Chain chain("a|b|c\n-|-|-\nx");
  EXPECT_EQ(chain[0].getLineType(config), ltTABLE);
  EXPECT_EQ(config.formatPipeCount, 2);
  EXPECT_EQ(chain[1].getLineType(config), ltOTHER);  // "x" is no format row
  EXPECT_EQ(config.formatPipeCount, 0);
}

struct XmlCase {
  std::string text;
  TLineType type;
  int endLine;   // index of config.xmlEndLine in the chain, -1 for none
  int position;  // FPosition afterwards
};

// Runs every case with and without a memo; both must agree exactly.
void checkXml(const std::vector<XmlCase>& cases) {
  for (bool withMemo : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE("'" + c.text + "'" + (withMemo ? " (memo)" : ""));
      Chain chain(c.text);
      TConfiguration config(true);
      config.SetDialect(mdCommonMark);
      std::unique_ptr<TXmlBlockMemo> memo;
      if (withMemo) memo = std::make_unique<TXmlBlockMemo>(config);
      EXPECT_EQ(chain[0].getLineType(config), c.type);
      TLine* expectedEnd = c.endLine >= 0 ? chain.lines[c.endLine] : nullptr;
      EXPECT_EQ(config.xmlEndLine, expectedEnd);
      EXPECT_EQ(chain[0].FPosition, c.position);
    }
  }
}

TEST(Classify, HtmlBlocks) {
  checkXml({
      {"<div>\ntext\n</div>", ltXML, 2, 0},
      {"<div>", ltOTHER, -1, 0},
      {"<div></p>", ltOTHER, -1, 5},
      {"<div></div>", ltXML, 0, 5},
      {"<hr>", ltXML, 0, 3},
      {"<div/>", ltXML, 0, 5},
      {"<span>", ltOTHER, -1, 5},
      {"<!-- a\nb -->", ltXML, 1, 0},
      {"<!-- a", ltOTHER, -1, 1},  // then read as the tag "<!"
      {"<!---->", ltXML, 0, 0},
      {"<DIV>\n</div>", ltXML, 1, 0},
      // an apostrophe in a double-quoted value, slashes in an unquoted one
      {"<div title=\"it's\">\n</div>", ltXML, 1, 0},
      {"<div data-path=a/b>\n<p class=x/y>z</p>\n</div>", ltXML, 2, 0},
      {"<div>\n<p>\n</div>", ltOTHER, -1, 0},
      {"<div>\n<p>x</p>\n<hr>\n<br/>\n</div>", ltXML, 4, 0},
      {"<div><div>\n</div>\nx</div>", ltXML, 2, 1},
      {"<div>\n</div></div>", ltXML, 1, 0},
      {"<div>\n</table>", ltOTHER, -1, 0},
      {"</div>", ltOTHER, -1, 0},
      {"<div>\n<table><tr>\n</tr></table>\n</div>", ltXML, 3, 0},
      {"<div>\n<p></div>", ltOTHER, -1, 3},
      {"<x>", ltOTHER, -1, 2},
      {"< div>", ltOTHER, -1, 5},  // a tag without a name
      {"<div", ltOTHER, -1, -1},
      {"<div\nx>", ltOTHER, -1, -1},
      {"<div>\n<!-- </div> -->\n", ltXML, 1, 5},
      // Positions in indented lines count the indentation.
      {"<div>\n      </div>", ltXML, 1, 6},
      {"<div>\n  <p></div>", ltOTHER, -1, 5},
      {"<div>\n   x\n     </div></div>", ltXML, 2, 5},
      {"<!-- a\n      -->", ltXML, 1, 0},
  });
}

// Random documents of tags: the remembered scans must give exactly what a
// plain scan gives, for every line, also after lines were changed and
// forgotten.
TEST(Classify, RememberedScansMatchPlainScans) {
  const std::vector<std::string> pieces = {"<div>", "</div>", "<p>", "</p>", "<table>",
                                           "</table>", "<span>", "</span>", "<hr>", "<div/>",
                                           "<!--", "-->", "x", " ", "<", "</", "<!-- a -->"};
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int lineCount = 1 + static_cast<int>(random() % 8);
    for (int l = 0; l < lineCount; ++l) {
      if (l > 0) text += "\n";
      const int pieceCount = static_cast<int>(random() % 4);
      for (int p = 0; p < pieceCount; ++p) text += pieces[random() % pieces.size()];
    }
    SCOPED_TRACE("'" + text + "'");
    Chain plain(text);
    Chain remembered(text);
    TConfiguration plainConfig(true);
    TConfiguration memoConfig(true);
    TXmlBlockMemo memo(memoConfig);
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t i = 0; i < plain.lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plain[i].getLineType(plainConfig), remembered[i].getLineType(memoConfig));
        EXPECT_EQ(plain[i].FPosition, remembered[i].FPosition);
        const auto endIndex = [](Chain& chain, TLine* end) {
          for (std::size_t k = 0; k < chain.lines.size(); ++k) {
            if (chain.lines[k] == end) return static_cast<int>(k);
          }
          return -1;
        };
        EXPECT_EQ(endIndex(plain, plainConfig.xmlEndLine),
                  endIndex(remembered, memoConfig.xmlEndLine));
      }
      // Change the last line in both chains; the memo must be told.
      const std::size_t last = plain.lines.size() - 1;
      for (Chain* chain : {&plain, &remembered}) {
        (*chain)[last].FValue = U("</div></p></table>");
        (*chain)[last].Init();
      }
      memo.forgetLines(remembered.first.get());
    }
  }
}

TEST(Classify, MemoIsActiveOnlyWhileItLives) {
  TConfiguration config(true);
  {
    TXmlBlockMemo outer(config);
    EXPECT_EQ(config.xmlBlockMemo, &outer);
    {
      TXmlBlockMemo inner(config);
      EXPECT_EQ(config.xmlBlockMemo, &outer);
    }
    EXPECT_EQ(config.xmlBlockMemo, &outer);
  }
  EXPECT_EQ(config.xmlBlockMemo, nullptr);
}

TEST(Classify, LinesThatLostTheirText) {
  // stripID can leave a non-empty line with no text at all.
  TConfiguration config(true);
  for (auto dialect : {mdDaringFireball, mdCommonMark, mdTxtMark}) {
    config.SetDialect(dialect);
    for (const char* text : {"{#x}", "  {#x}", "- {#x}"}) {
      SCOPED_TRACE(text);
      Chain chain(std::string(text) + "\n{#y}");
      chain[0].stripID();
      chain[1].stripID();
      EXPECT_FALSE(chain[0].FIsEmpty);
      const TLineType t = chain[0].getLineType(config);
      EXPECT_TRUE(t == ltOTHER || t == ltULIST) << typeName(t);
      EXPECT_EQ(chain[1].getLineType(config), ltOTHER);
    }
  }
  // A code 0 and lone surrogates are ordinary characters.
  Chain odd(std::string("\0", 1) + "\n");
  EXPECT_EQ(odd[0].getLineType(config), ltOTHER);
  Chain surrogate("x");
  surrogate[0].FValue = std::u16string{0xD800, u'.', u' ', u'a'};
  surrogate[0].Init();
  EXPECT_EQ(surrogate[0].getLineType(config), ltOTHER);
}

TEST(Classify, StripId) {
  struct IdCase {
    std::string text;
    std::string id;
    std::string rest;
  };
  const std::vector<IdCase> cases = {
      {"## Title {#my-id}", "my-id", "## Title"},
      {"Title {#x} tail}", "x", "Title"},
      {"Title {x}", "", "Title {x}"},
      {"Title {#}", "", "Title"},
      {"Title {# }", "", "Title"},
      {"  Title {#x}", "x", "  Title"},
      {"Title {#x}  ", "x", "Title"},
      {"Title {# a b }", "a b", "Title"},
      {"Title \\{#x} {#y}", "y", "Title \\{#x}"},
      {"Title {#a\\}b}", "a\\}b", "Title"},
      {"Title {#x", "", "Title {#x"},
      {"Title", "", "Title"},
      {"}", "", "}"},
      {"{", "", "{"},
      {"Title {", "", "Title {"},
      {"{#x}", "x", ""},
      {"\\{#x}", "", "\\{#x}"},
      {"Title{#x}", "x", "Title"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.text + "'");
    Chain chain(c.text);
    const int leading = chain[0].FLeading;
    EXPECT_EQ(S(chain[0].stripID()), c.id);
    EXPECT_EQ(S(chain[0].FValue), c.rest);
    EXPECT_EQ(chain[0].FLeading, leading);
  }
  Chain trailing("Title {#x}   ");
  trailing[0].stripID();
  EXPECT_EQ(trailing[0].FTrailing, 0);
  Chain empty("");
  EXPECT_EQ(S(empty[0].stripID()), "");
  EXPECT_TRUE(empty[0].FIsEmpty);
}

}  // namespace
}  // namespace glyphmill::test
