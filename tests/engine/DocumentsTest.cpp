// Whole documents, converted end to end in each dialect. Every expected text
// was worked out by hand from the conversion rules.
#include <algorithm>
#include <string>
#include <tuple>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace glyphmill::test {
namespace {

const char* const HEADINGS_AND_LISTS =
    "# Heading {#top}\n"
    "\n"
    "Some *emphasis* and **strong** text.\n"
    "Second line  \n"
    "Third.\n"
    "\n"
    "- one\n"
    "- two\n"
    "    - nested\n"
    "- three\n"
    "\n"
    "1. first\n"
    "\n"
    "2. second\n";

const char* const HEADINGS_AND_LISTS_REST =
    "<p>Some <em>emphasis</em> and <strong>strong</strong> text.\nSecond line<br />\nThird.</p>\n"
    "<ul>\n<li>one</li>\n<li>two<ul>\n<li>nested</li>\n</ul>\n</li>\n<li>three</li>\n</ul>\n"
    "<ol>\n<li><p>first</p>\n</li>\n<li><p>second</p>\n</li>\n</ol>\n";

const char* const BLOCKS =
    "> Quote with a list:\n"
    "> - a\n"
    "> - b\n"
    "\n"
    "Text before code.\n"
    "\n"
    "    code <x>\n"
    "\n"
    "```js\n"
    "let a = 1 && 2;\n"
    "```\n"
    "\n"
    "a|b\n"
    "-|:-:\n"
    "1|*2*\n"
    "\n"
    "<div>\n"
    "<script>alert(1)</script>\n"
    "</div>\n"
    "\n"
    "See [the site][s] and ![logo](l.png \"Logo\").\n"
    "\n"
    "[s]: http://x.org/?a=1&b=2 \"Site\"\n";

const std::string QUOTE_WITH_LIST =
    "<blockquote><p>Quote with a list:</p>\n<ul>\n<li>a</li>\n<li>b</li>\n</ul>\n</blockquote>\n";
const std::string QUOTE_AS_PARAGRAPH = "<blockquote><p>Quote with a list:\n- a\n- b</p>\n</blockquote>\n";
const std::string TEXT_AND_CODE = "<p>Text before code.</p>\n<pre><code>code &lt;x&gt;\n</code></pre>\n";
const std::string FENCE = "<pre><code class=\"js\">let a = 1 &amp;&amp; 2;\n</code></pre>\n";
const std::string FENCE_AS_CODE_SPAN = "<p><code>`js\nlet a = 1 &amp;&amp; 2;\n</code>`</p>\n";
const std::string TABLE =
    "<table>\n  <tr>\n    <th>a</th>\n    <th align=\"center\">b</th>\n  </tr>\n"
    "  <tr>\n    <td>1</td>\n    <td align=\"center\"><em>2</em></td>\n  </tr>\n</table>\n";
const std::string TABLE_AS_PARAGRAPH = "<p>a|b\n-|:-:\n1|<em>2</em></p>\n";
const std::string SAFE_DIV = "<div>\n&lt;script>alert(1)&lt;/script>\n</div>\n";
const std::string RAW_DIV = "<div>\n<script>alert(1)</script>\n</div>\n";
const std::string LINKS =
    "<p>See <a href=\"http://x.org/?a=1&amp;b=2\" title=\"Site\">the site</a> and "
    "<img src=\"l.png\" alt=\"logo\" title=\"Logo\"/>.</p>\n";

const char* const TYPOGRAPHY =
    "Title\n"
    "=====\n"
    "\n"
    "Sub\n"
    "---\n"
    "\n"
    "* * *\n"
    "\n"
    "- loose one\n"
    "\n"
    "- loose two\n"
    "\n"
    "The [HTML] page -- \"quoted\" (C)...\n"
    "\n"
    "[HTML]: * \"Hyper Text\"\n";

const std::string TYPOGRAPHY_BLOCKS =
    "<h1>Title</h1>\n<h2>Sub</h2>\n<hr />\n"
    "<ul>\n<li><p>loose one</p>\n</li>\n<li><p>loose two</p>\n</li>\n</ul>\n";

struct Document {
  const char* name;
  std::string text;
  TMarkdownProcessorDialect dialect;
  bool allowUnsafe;
  std::string expected;
};

std::vector<Document> documents() {
  return {
      {"headings and lists", HEADINGS_AND_LISTS, mdCommonMark, false,
       std::string("<h1 id=\"top\">Heading</h1>\n") + HEADINGS_AND_LISTS_REST},
      {"headings and lists", HEADINGS_AND_LISTS, mdTxtMark, false,
       std::string("<h1 id=\"top\">Heading</h1>\n") + HEADINGS_AND_LISTS_REST},
      {"headings and lists", HEADINGS_AND_LISTS, mdDaringFireball, false,
       std::string("<h1>Heading {#top}</h1>\n") + HEADINGS_AND_LISTS_REST},
      {"blocks", BLOCKS, mdCommonMark, false,
       QUOTE_WITH_LIST + TEXT_AND_CODE + FENCE + TABLE + SAFE_DIV + LINKS},
      {"blocks unsafe", BLOCKS, mdCommonMark, true,
       QUOTE_WITH_LIST + TEXT_AND_CODE + FENCE + TABLE + RAW_DIV + LINKS},
      {"blocks", BLOCKS, mdTxtMark, false,
       QUOTE_WITH_LIST + TEXT_AND_CODE + FENCE + TABLE_AS_PARAGRAPH + SAFE_DIV + LINKS},
      {"blocks", BLOCKS, mdDaringFireball, false,
       QUOTE_AS_PARAGRAPH + TEXT_AND_CODE + FENCE_AS_CODE_SPAN + TABLE_AS_PARAGRAPH + SAFE_DIV + LINKS},
      {"blocks with the profile switch", std::string(BLOCKS) + "[$profile$]: extended\n", mdCommonMark,
       false, QUOTE_WITH_LIST + TEXT_AND_CODE + FENCE + TABLE_AS_PARAGRAPH + SAFE_DIV + LINKS},
      {"typography", TYPOGRAPHY, mdCommonMark, false,
       TYPOGRAPHY_BLOCKS +
           "<p>The <abbr title=\"Hyper Text\">HTML</abbr> page &ndash; &ldquo;quoted&rdquo; "
           "&copy;&hellip;</p>\n"},
      {"typography", TYPOGRAPHY, mdTxtMark, false,
       TYPOGRAPHY_BLOCKS +
           "<p>The <abbr title=\"Hyper Text\">HTML</abbr> page &ndash; &ldquo;quoted&rdquo; "
           "&copy;&hellip;</p>\n"},
      {"typography", TYPOGRAPHY, mdDaringFireball, false,
       TYPOGRAPHY_BLOCKS +
           "<p>The <abbr title=\"Hyper Text\">HTML</abbr> page -- \"quoted\" (C)...</p>\n"},
  };
}

TEST(Documents, ConvertAsWorkedOutByHand) {
  for (const Document& doc : documents()) {
    SCOPED_TRACE(std::string(doc.name) + " / " + dialectName(doc.dialect));
    EXPECT_EQ(convert(doc.text, doc.dialect, doc.allowUnsafe), doc.expected);
  }
}

TEST(Documents, LineBreakStylesDoNotMatter) {
  for (const Document& doc : documents()) {
    std::string crlf;
    for (char c : doc.text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(convert(crlf, doc.dialect, doc.allowUnsafe), doc.expected) << doc.name;
  }
}

// The three ways in: a text kept by the caller, a text handed over, and the
// HTML handed out in pieces. All give the same HTML; pieces end with a whole
// character (between blocks, or inside a long one between two of its steps).
TEST(Documents, HandedOverOrInPiecesTheSameHtml) {
  std::vector<Document> docs = documents();
  std::string longText;
  for (int i = 0; i < 400; ++i) longText += docs[3].text + "<someone@example.org>\n\n";
  docs.push_back({"long", longText, mdCommonMark, false, ""});
  for (const Document& doc : docs) {
    SCOPED_TRACE(std::string(doc.name) + " / " + dialectName(doc.dialect));
    auto fresh = [&] {
      auto processor = TMarkdownProcessor::CreateDialect(doc.dialect);
      processor->SetAllowUnsafe(doc.allowUnsafe);
      processor->config().SetRandomSeed(3);
      return processor;
    };
    const std::u16string source = U(doc.text);
    const std::u16string kept = fresh()->Process(source);
    std::u16string handed = source;
    EXPECT_EQ(fresh()->Process(std::move(handed)), kept);
    std::u16string joined;
    int pieces = 0;
    fresh()->ProcessTo(std::u16string(source), [&](std::u16string_view piece) {
      EXPECT_FALSE(piece.empty());
      EXPECT_NE(piece.back() & 0xFC00, 0xD800);
      joined += piece;
      ++pieces;
    });
    EXPECT_EQ(joined, kept);
    if (doc.expected.empty()) {
      EXPECT_GT(pieces, 2);
    } else {
      EXPECT_EQ(S(kept), doc.expected);
    }
  }
}

// In safe mode, tags of the source that a browser finishes only further on
// are decided on the whole page, also where a comment or raw text opened in
// one block runs on through many blocks without a tag of their own (their
// HTML, the engine's alone, is not read while the page is in text) and the
// page goes on in many pieces.
TEST(Documents, TagsDecidedInPiecesAsOnTheWholePage) {
  std::string filler;
  for (int i = 0; i < 1500; ++i) filler += "Text and *em*, `code` and [a link](/x \"t\").\n\n";
  // An escaped "<" whose tag ends after a quoted ">": kept in text, and text
  // in a comment or raw text.
  const std::string undecided = "a \\<a title=\"x>y\">> b\n\n";
  const std::vector<std::string> texts = {
      filler + undecided + filler,
      "c <!-- d\n\n" + filler + undecided + "Text --> e\n\n" + filler + undecided,
      "x <textarea> y\n\n" + filler + undecided + filler + "</textarea>\n\n" + undecided,
      undecided + filler + "<p title=\"open\n\n" + filler + undecided,
  };
  for (const auto dialect : {mdCommonMark, mdTxtMark, mdDaringFireball}) {
    for (std::size_t k = 0; k < texts.size(); ++k) {
      SCOPED_TRACE(std::string(dialectName(dialect)) + ", text " + std::to_string(k));
      auto processor = TMarkdownProcessor::CreateDialect(dialect);
      processor->SetAllowUnsafe(false);
      const std::u16string whole = processor->Process(U(texts[k]));
      std::u16string joined;
      int pieces = 0;
      processor->ProcessTo(U(texts[k]), [&](std::u16string_view piece) {
        joined += piece;
        ++pieces;
      });
      EXPECT_GT(pieces, 1);
      EXPECT_EQ(S(joined), S(whole));
    }
  }
}

// A paragraph far longer than a piece goes on in pieces while it is written,
// between its steps and never inside a span, link text or tag; together they
// are the HTML that Process returns.
TEST(Documents, ALongParagraphGoesOnInPieces) {
  std::u16string unit = U("a *b `c`* [d **e**](/u \"t\") <span title=\"x\">f</span> &amp; "
                          "<b title=\"g h\"> <mail@example.org> ``i`` ");
  unit += u"\U0001F600`\U0001F600` [\U0001F600](/v)\U0001F600 ";
  std::u16string paragraph;
  while (paragraph.size() < 300000) paragraph += unit;
  const std::u16string source = U("# Head\n\n") + paragraph + U("\n\nLast.\n");
  for (TMarkdownProcessorDialect dialect : {mdCommonMark, mdTxtMark, mdDaringFireball}) {
    for (bool allowUnsafe : {false, true}) {
      SCOPED_TRACE(std::string(dialectName(dialect)) + (allowUnsafe ? " unsafe" : " safe"));
      auto fresh = [&] {
        auto processor = TMarkdownProcessor::CreateDialect(dialect);
        processor->SetAllowUnsafe(allowUnsafe);
        processor->config().SetRandomSeed(3);
        return processor;
      };
      const std::u16string whole = fresh()->Process(source);
      std::u16string joined;
      int pieces = 0;
      int insideBlocks = 0;
      fresh()->ProcessTo(std::u16string(source), [&](std::u16string_view piece) {
        joined += piece;
        ++pieces;
        if (piece.back() != u'\n') ++insideBlocks;
      });
      EXPECT_EQ(joined, whole);
      EXPECT_GT(pieces, 4);
      EXPECT_GT(insideBlocks, 2);
    }
  }
}

// A deep nesting of quotes or lists goes on in pieces while its openings are
// written, long before its first closing tag; together the pieces are the
// HTML that Process returns.
TEST(Documents, ADeepNestingGoesOnInPiecesBeforeItCloses) {
  struct Row {
    const char* name;
    std::u16string source;
    std::u16string closing;
  };
  std::u16string quotes(30000, u'>');
  quotes += u" a\n";
  std::u16string lists;
  for (int level = 0; level < 30000; ++level) lists += u"- ";
  lists += u"a\n";
  const Row rows[] = {{"quotes", quotes, u"</blockquote>"}, {"lists", lists, u"</ul>"}};
  for (const Row& row : rows) {
    for (TMarkdownProcessorDialect dialect : {mdCommonMark, mdTxtMark, mdDaringFireball}) {
      SCOPED_TRACE(std::string(row.name) + " / " + dialectName(dialect));
      const std::u16string whole = TMarkdownProcessor::CreateDialect(dialect)->Process(row.source);
      std::u16string joined;
      int piecesBeforeClosing = 0;
      TMarkdownProcessor::CreateDialect(dialect)->ProcessTo(
          std::u16string(row.source), [&](std::u16string_view piece) {
            if (joined.find(row.closing) == std::u16string::npos &&
                piece.find(row.closing) == std::u16string_view::npos) {
              ++piecesBeforeClosing;
            }
            joined += piece;
          });
      EXPECT_EQ(joined, whole);
      EXPECT_GT(piecesBeforeClosing, 2);
    }
  }
}

TEST(Documents, TwoProcessorsOnTwoThreadsGiveTheSameResultsAsAlone) {
  const std::vector<Document> docs = documents();
  const Document& tables = docs[3];      // CommonMark, with a table and links
  const Document& typography = docs[9];  // TxtMark, with references
  const std::string aloneTables = convert(tables.text, tables.dialect);
  const std::string aloneTypography = convert(typography.text, typography.dialect);
  auto work = [](const Document& doc, const std::string& expected, int& mismatches) {
    for (int i = 0; i < 300; ++i) {
      if (convert(doc.text, doc.dialect) != expected) ++mismatches;
    }
  };
  int first = 0, second = 0;
  std::thread a(work, std::cref(tables), std::cref(aloneTables), std::ref(first));
  std::thread b(work, std::cref(typography), std::cref(aloneTypography), std::ref(second));
  a.join();
  b.join();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(aloneTables, tables.expected);
}

TEST(Documents, OneProcessorKeepsItsReferencesAcrossTexts) {
  auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
  processor->Process(u"[r]: /first\n");
  EXPECT_EQ(S(processor->Process(u"[x][r]")), "<p><a href=\"/first\">x</a></p>\n");
  processor->Process(u"[R]: /second\n");
  EXPECT_EQ(S(processor->Process(u"[r]")), "<p><a href=\"/second\">r</a></p>\n");
}

TEST(Documents, MissingCharactersAfterAnIdMatchNoTest) {
  EXPECT_EQ(convert("- {#x}", mdCommonMark), "<ul>\n<li id=\"x\"></li>\n</ul>\n");
  EXPECT_EQ(convert("## {#x}", mdCommonMark), "<h2 id=\"x\"></h2>\n");
}

TEST(Documents, DeepNestingConvertsWithoutCrashing) {
  const std::string quotes = std::string(100000, '>') + " deep";
  std::string quoted;
  for (int i = 0; i < 100000; ++i) quoted += "<blockquote>";
  quoted += "<p>deep</p>\n";
  for (int i = 0; i < 100000; ++i) quoted += "</blockquote>\n";
  EXPECT_EQ(convert(quotes, mdCommonMark), quoted);

  // A hundred thousand list markers on one line nest as many lists.
  for (const auto& [marker, open, close] :
       {std::tuple{"- ", "<ul>\n<li>", "</li>\n</ul>\n"}, std::tuple{"1. ", "<ol>\n<li>", "</li>\n</ol>\n"}}) {
    std::string markers;
    std::string expected;
    for (int i = 0; i < 100000; ++i) markers += marker;
    for (int i = 0; i < 100000; ++i) expected += open;
    expected += "x";
    for (int i = 0; i < 100000; ++i) expected += close;
    EXPECT_EQ(convert(markers + "x", mdCommonMark), expected) << marker;
  }

  // Items indented ever deeper, four spaces a level.
  std::string indented;
  std::string nested;
  for (int i = 0; i < 300; ++i) {
    indented += std::string(static_cast<std::size_t>(i) * 4, ' ') + "- x\n";
    nested += "<ul>\n<li>x";
  }
  for (int i = 0; i < 300; ++i) nested += "</li>\n</ul>\n";
  EXPECT_EQ(convert(indented, mdCommonMark), nested);
}

// Staircases: each item one step deeper than the one before. The expected
// HTML is put together from the nesting the steps make.
struct Staircase {
  const char* name;
  std::string (*line)(int i);      // the source line(s) of step i
  std::string (*expected)(int d);  // the HTML of d steps
};

std::string repeated(const std::string& unit, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += unit;
  return text;
}

std::string spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// One list per step, each item holding the next list.
std::string nestedItems(int d, const std::string& open, const std::string& text,
                        const std::string& close, const std::string& innermost) {
  return repeated(open + text, d - 1) + open + innermost + repeated(close, d);
}

const Staircase STAIRCASES[] = {
    {"bullets four spaces deeper",
     [](int i) { return spaces(4 * i) + "- a\n"; },
     [](int d) { return nestedItems(d, "<ul>\n<li>", "a", "</li>\n</ul>\n", "a"); }},
    {"bullets, a paragraph line under each",
     [](int i) { return spaces(4 * i) + "* a\n" + spaces(4 * i + 2) + "b\n"; },
     [](int d) { return nestedItems(d, "<ul>\n<li>", "a\nb", "</li>\n</ul>\n", "a\nb"); }},
    {"numbers two spaces deeper",
     // '1. a' indented by 2 stays in the list above it; by 4 it nests. So each
     // list holds two items, the second holding the next list.
     [](int i) { return spaces(2 * i) + "1. a\n"; },
     [](int d) {
       return nestedItems(d / 2, "<ol>\n<li>a</li>\n<li>", "a", "</li>\n</ol>\n", "a");
     }},
    {"code in the deepest item",
     [](int i) {
       std::string line = spaces(4 * i) + "+ a\n";
       if (i == 299) line += "\n" + spaces(4 * i + 8) + "x < y\n";
       return line;
     },
     [](int d) {
       // The blank line makes the deepest list loose.
       return nestedItems(d, "<ul>\n<li>", "a", "</li>\n</ul>\n",
                          "<p>a</p>\n<pre><code>x &lt; y\n</code></pre>\n");
     }},
    // A "<div>" that is never closed starts no HTML block: it stays the text
    // of its item, while every deeper item is looked through for its close.
    {"bullets opening a div",
     [](int i) { return spaces(4 * i) + "- <div>\n"; },
     [](int d) { return nestedItems(d, "<ul>\n<li>", "<div>", "</li>\n</ul>\n", "<div>"); }},
    {"numbers opening a div",
     [](int i) { return spaces(4 * i) + "1. <div>\n"; },
     [](int d) { return nestedItems(d, "<ol>\n<li>", "<div>", "</li>\n</ol>\n", "<div>"); }},
};

TEST(Documents, StaircasesOfNestedItems) {
  const int steps = 300;
  for (const Staircase& staircase : STAIRCASES) {
    std::string text;
    for (int i = 0; i < steps; ++i) text += staircase.line(i);
    const std::string expected = staircase.expected(steps);
    for (auto dialect : {mdCommonMark, mdTxtMark, mdDaringFireball}) {
      SCOPED_TRACE(std::string(staircase.name) + ", " + dialectName(dialect));
      EXPECT_EQ(convert(text, dialect), expected);
      EXPECT_EQ(convert(text, dialect, true), expected) << "unsafe";
    }
  }
}

TEST(Documents, AMillionLines) {
  std::string text;
  text.reserve(4000000);
  for (int i = 0; i < 1000000; ++i) text += i % 3 == 2 ? "\n" : "ab\n";
  const std::string html = convert(text, mdCommonMark);
  EXPECT_EQ(html.substr(0, 14), "<p>ab\nab</p>\n<");
  EXPECT_EQ(std::count(html.begin(), html.end(), 'p'), 2 * 333334);
}

}  // namespace
}  // namespace glyphmill::test
