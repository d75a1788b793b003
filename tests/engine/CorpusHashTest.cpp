// A large mixed document, generated the same way on every run, converted in
// every dialect and mode; the FNV-1a hashes of the HTML were recorded from a
// build known to be right. Any change of a single output byte shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"

namespace glyphmill {
namespace {

// A small, fixed pseudo-random sequence (the same on every platform).
class Sequence {
 public:
  explicit Sequence(std::uint32_t seed) : state_(seed) {}
  std::uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::size_t below(std::size_t n) { return next() % n; }

 private:
  std::uint32_t state_;
};

// Whole blocks of the kinds the engine knows, written the way people write them.
const std::vector<std::string> kBlocks = {
    "# Heading one\n",
    "Setext heading\n==============\n",
    "Second level\n------\n",
    "### Heading with `code` and *stars* ###\n",
    "A paragraph with *emphasis*, **strong**, _under_, __double__ and a [link](http://x.org/a_b \"title\").\n"
    "It goes on with an ![image](img.png) and <span class=\"x\">inline html</span> & entities &amp; &copy; &#169;.\n",
    "Typography: (C) (R) (TM) -- --- ... << >> \"quoted\" it's ^super^ ~sub~ ~~strike~~ ++ins++ ==mark== $x^2$.\n",
    "- item one\n- item two\n  - nested *item*\n  - another\n- item three\n",
    "1. first\n2. second\n\n   continued paragraph\n3. third\n",
    "* [ ] open task\n* [x] done task\n",
    "> A quote\n> with two lines\n>\n> > and a nested one\n",
    "    indented code\n    <b>not bold</b> & stays\n",
    "```c++\nint main() { return a < b && c > d; }\n```\n",
    "~~~\nfenced with tildes\n\ttab inside\n~~~\n",
    "<div class=\"box\">\n<p>raw html block</p>\n<script>alert(1)</script>\n</div>\n",
    "<!-- a comment\nover lines -->\n",
    "| a | b | c |\n|---|:-:|--:|\n| 1 | *2* | `3` |\n| x | y | z |\n",
    "***\n",
    "- - -\n",
    "[ref]: http://example.com/ref \"Ref title\"\n[other]: <http://example.com/other>\n"
    "*[HTML]: Hyper Text Markup Language\n",
    "Using [ref], [a link][other], [missing][], <http://auto.link/x?y=1&z=2> and <mail@example.com>.\n",
    "HTML is an abbreviation; [[special link]] and [[other|text]] here.\n",
    "Escapes: \\* \\_ \\` \\\\ \\< \\[ \\] \\# and a hard break  \nnext line.\n",
    "Unicode: \xC3\xA9t\xC3\xA9 \xE2\x80\x94 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 caf\xC3\xA9 "
    "\xC2\xA0nbsp \xE2\x80\xA8sep.\n",
    "Tabs\tinside\ta line\tand\t\tmore.\n",
    "Line with CR LF\r\nand a lone CR\rand LF\n",
    "<p>inline <em>tags</em> <a href=\"javascript:alert(1)\">bad</a> <img src=x onerror=y></p>\n",
    "Text with unmatched *star and _under and `tick and [bracket and <angle and &amp\n",
    "Heading {#custom-id}\n===\n",
    "## Id heading {#id2}\n",
    "\n\n\n",
    "Term with trailing spaces   \n    \n",
    "1) paren list\n2) second\n",
    "+ plus list\n+ more\n",
    "> - quoted list\n>   continued\n> 1. numbered\n",
    "Some `` double `tick` code `` and ``` triple ```.\n",
    "[link *with* `code`](</path with spaces> 'single title') and [empty]() and [x](y (z)).\n",
    "$$\na + b\n$$\n",
    "<table><tr><td>cell</td></tr></table>\n",
    "Long words: supercalifragilisticexpialidocious_and_more_under_scores__here__.\n",
};

// Characters and words that make up the random lines between the blocks.
const std::vector<std::string> kPieces = {
    "word", " ", " ", "  ", "text", "*", "**", "_", "__", "`", "``", "[", "]", "(", ")", "<",
    ">", "&", "&amp;", "!", "\\", "#", "-", "--", "~", "~~", "+", "++", "=", "==", "^", "$",
    "\"", "'", "...", "|", ":", "/", "http://a.b/c", "<b>", "</b>", "<br/>", "[[", "]]", "{#x}",
    "\t", "1.", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x8E\x89", "(C)", "<!--", "-->", "0", "9",
};

std::string randomLine(Sequence& sequence) {
  std::string line;
  const std::size_t count = 1 + sequence.below(24);
  for (std::size_t i = 0; i < count; ++i) line += kPieces[sequence.below(kPieces.size())];
  return line + "\n";
}

// About `bytes` of Markdown: blocks and random lines, paragraphs apart or not.
std::string mixedCorpus(std::size_t bytes) {
  Sequence sequence(20261209);
  std::string text;
  while (text.size() < bytes) {
    const std::size_t choice = sequence.below(10);
    if (choice < 6) {
      text += kBlocks[sequence.below(kBlocks.size())];
    } else {
      const std::size_t lines = 1 + sequence.below(6);
      for (std::size_t i = 0; i < lines; ++i) text += randomLine(sequence);
    }
    if (sequence.below(3) != 0) text += "\n";
  }
  return text;
}

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// The HTML of the corpus the way the command line converter makes it: bytes
// decoded, converted piece by piece, each piece written as UTF-8.
std::string convertInPieces(const std::string& bytes, TMarkdownProcessorDialect dialect,
                            bool allowUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  processor->config().SetRandomSeed(7);
  std::string html;
  processor->ProcessTo(decodeText(bytes), [&](std::u16string_view piece) { html += toUtf8(piece); });
  return html;
}

std::string convertWhole(const std::string& bytes, TMarkdownProcessorDialect dialect,
                         bool allowUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  processor->config().SetRandomSeed(7);
  return toUtf8(processor->Process(fromUtf8(bytes)));
}

struct Expected {
  TMarkdownProcessorDialect dialect;
  bool allowUnsafe;
  const char* hash;
};

const Expected kExpected[] = {
    {mdCommonMark, false, "f1fce71ea0fc27aa"},
    {mdCommonMark, true, "5af7dc838c32312b"},
    {mdTxtMark, false, "aea0adc3f8930bdd"},
    {mdTxtMark, true, "ec88a80aae8987b4"},
    {mdDaringFireball, false, "a80c0fd2977d7bac"},
    {mdDaringFireball, true, "71199d5c6ac7e298"},
};

TEST(CorpusHash, EveryDialectAndModeGivesTheRecordedHtml) {
  const std::string corpus = mixedCorpus(3u << 20);
  for (const Expected& expected : kExpected) {
    SCOPED_TRACE(std::to_string(expected.dialect) + (expected.allowUnsafe ? " unsafe" : " safe"));
    const std::string html = convertInPieces(corpus, expected.dialect, expected.allowUnsafe);
    EXPECT_EQ(hex(fnv1a(html)), expected.hash);
    EXPECT_EQ(convertWhole(corpus, expected.dialect, expected.allowUnsafe), html);
  }
}

// Bytes that are not UTF-8 are read as Windows-1252; a lone surrogate in
// the engine's own text is written as U+FFFD.
TEST(CorpusHash, OddEncodingsGiveTheRecordedHtml) {
  std::string latin = mixedCorpus(200000);
  latin += "caf\xE9 \x80 \x93quoted\x94 \xFF\n";
  EXPECT_EQ(hex(fnv1a(convertInPieces(latin, mdCommonMark, false))), "2d6cc96631b7a66f");

  auto processor = TMarkdownProcessor::CreateDialect(mdCommonMark);
  processor->config().SetRandomSeed(7);
  std::u16string text = fromUtf8(mixedCorpus(100000));
  text += u"lone \xD800 high, lone \xDC00 low, pair \xD83D\xDE00 *end*\n";
  EXPECT_EQ(hex(fnv1a(toUtf8(processor->Process(text)))), "79d7445ac759c33e");
}

}  // namespace
}  // namespace glyphmill
