// A large mixed document, generated the same way on every run, converted in
// every dialect and mode; the FNV-1a hashes of the HTML were recorded from a
// build known to be right. Any change of a single output byte shows here, and
// the recorded HTML of single pieces tells where.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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

// One piece of the corpus: a block of kBlocks, or a run of random lines.
struct Unit {
  std::string text;
  int block = -1;      // index into kBlocks; -1 for random lines
  std::size_t line = 1;  // the corpus line it starts on
};

// About `bytes` of Markdown: blocks and random lines, paragraphs apart or not.
std::vector<Unit> mixedUnits(std::size_t bytes) {
  Sequence sequence(20261209);
  std::vector<Unit> units;
  std::size_t size = 0;
  std::size_t line = 1;
  while (size < bytes) {
    Unit unit;
    unit.line = line;
    const std::size_t choice = sequence.below(10);
    if (choice < 6) {
      unit.block = static_cast<int>(sequence.below(kBlocks.size()));
      unit.text = kBlocks[unit.block];
    } else {
      const std::size_t lines = 1 + sequence.below(6);
      for (std::size_t i = 0; i < lines; ++i) unit.text += randomLine(sequence);
    }
    if (sequence.below(3) != 0) unit.text += "\n";
    size += unit.text.size();
    for (char c : unit.text) line += c == '\n' ? 1 : 0;
    units.push_back(std::move(unit));
  }
  return units;
}

std::string joined(const std::vector<Unit>& units) {
  std::string text;
  for (const Unit& unit : units) text += unit.text;
  return text;
}

std::string mixedCorpus(std::size_t bytes) { return joined(mixedUnits(bytes)); }

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

const std::size_t kCorpusBytes = 3u << 20;

std::string modeName(const Expected& mode) {
  const char* dialect = mode.dialect == mdCommonMark ? "CommonMark"
                        : mode.dialect == mdTxtMark  ? "TxtMark"
                                                     : "DaringFireball";
  return std::string(dialect) + (mode.allowUnsafe ? " unsafe" : " safe");
}

// The HTML of single pieces of the corpus, each converted alone, recorded from
// the build the hashes come from: every block of kBlocks and the first
// kRecordedRuns runs of random lines, in every dialect and mode. When a hash
// differs, the first piece of the corpus whose HTML differs from its recording
// is shown with both outputs. GLYPHMILL_RECORD_CORPUS=1 writes the file anew.
const std::size_t kRecordedRuns = 100;
const std::string kRecordingFile = std::string(GLYPHMILL_SOURCE_DIR) + "/tests/data/corpus-blocks.txt";

// The name a piece is recorded under: "block 12" or "run 3" (the fourth run of
// random lines); empty for the runs not recorded.
std::string recordingName(const Unit& unit, std::size_t runIndex) {
  if (unit.block >= 0) return "block " + std::to_string(unit.block);
  if (runIndex < kRecordedRuns) return "run " + std::to_string(runIndex);
  return "";
}

// The recording is a text file: a line "@@ NAME / MODE" before each HTML,
// whose lines start with "| "; "@@ NAME / MODE = OTHER MODE" when the HTML is
// that of another mode of the same piece.
using Recording = std::map<std::string, std::string>;

std::string recordingKey(const std::string& name, const Expected& mode) {
  return name + " / " + modeName(mode);
}

Recording readRecording() {
  Recording recording;
  std::ifstream file(kRecordingFile, std::ios::binary);
  std::string line;
  std::string key;
  while (std::getline(file, line)) {
    if (line.rfind("@@ ", 0) == 0) {
      key = line.substr(3);
      const std::size_t same = key.find(" = ");
      if (same == std::string::npos) {
        recording[key];
        continue;
      }
      const std::string name = key.substr(0, key.find(" / "));
      const std::string other = name + " / " + key.substr(same + 3);
      key = key.substr(0, same);
      recording[key] = recording[other];
      key.clear();
    } else if (line.rfind("| ", 0) == 0 && !key.empty()) {
      recording[key] += line.substr(2) + "\n";
    }
  }
  return recording;
}

void appendRecorded(std::string& file, const std::string& key, const std::string& html) {
  file += "@@ " + key + "\n";
  std::size_t begin = 0;
  while (begin < html.size()) {
    const std::size_t end = html.find('\n', begin);
    const std::size_t stop = end == std::string::npos ? html.size() : end;
    file += "| " + html.substr(begin, stop - begin) + "\n";
    begin = stop + 1;
  }
}

// The recorded pieces of the corpus in the order they first appear.
std::vector<std::pair<std::string, const Unit*>> recordedPieces(const std::vector<Unit>& units) {
  std::vector<std::pair<std::string, const Unit*>> pieces;
  std::map<std::string, bool> seen;
  std::size_t runs = 0;
  for (const Unit& unit : units) {
    const std::string name = recordingName(unit, runs);
    if (unit.block < 0) ++runs;
    if (name.empty() || seen[name]) continue;
    seen[name] = true;
    pieces.push_back({name, &unit});
  }
  return pieces;
}

void writeRecording(const std::vector<Unit>& units) {
  std::string file;
  for (const auto& [name, unit] : recordedPieces(units)) {
    std::vector<std::pair<std::string, std::string>> written;  // mode, HTML
    for (const Expected& mode : kExpected) {
      const std::string html = convertWhole(unit->text, mode.dialect, mode.allowUnsafe);
      std::string sameAs;
      for (const auto& [otherMode, otherHtml] : written) {
        if (otherHtml == html) sameAs = otherMode;
      }
      if (!sameAs.empty()) {
        file += "@@ " + recordingKey(name, mode) + " = " + sameAs + "\n";
        continue;
      }
      appendRecorded(file, recordingKey(name, mode), html);
      written.push_back({modeName(mode), html});
    }
  }
  std::ofstream(kRecordingFile, std::ios::binary) << file;
}

// A piece's text with its corpus line numbers, for a failure message.
std::string numberedLines(const Unit& unit) {
  std::string out;
  std::size_t number = unit.line;
  std::size_t begin = 0;
  while (begin < unit.text.size()) {
    const std::size_t end = unit.text.find('\n', begin);
    const std::size_t stop = end == std::string::npos ? unit.text.size() : end;
    out += "  " + std::to_string(number++) + ": " + unit.text.substr(begin, stop - begin) + "\n";
    begin = stop + 1;
  }
  return out;
}

// The first recorded piece of the corpus whose HTML in `mode` differs from its
// recording: its input lines and both outputs; empty when none differs.
std::string firstDifferingPiece(const std::vector<Unit>& units, const Recording& recording,
                                const Expected& mode) {
  for (const auto& [name, unit] : recordedPieces(units)) {
    const std::string html = convertWhole(unit->text, mode.dialect, mode.allowUnsafe);
    const auto recorded = recording.find(recordingKey(name, mode));
    const std::string expected = recorded == recording.end() ? "(not recorded)\n" : recorded->second;
    if (html + (html.empty() || html.back() == '\n' ? "" : "\n") == expected) continue;
    return "First differing piece, " + name + ", at line " + std::to_string(unit->line) + ":\n" +
           numberedLines(*unit) + "recorded HTML:\n" + expected + "HTML now:\n" + html + "\n";
  }
  return "";
}

// What a differing hash of `mode` says: the first piece that differs alone, or
// that every piece alone is as recorded (the pieces then differ only where
// they meet each other).
std::string explainDifference(const std::vector<Unit>& units, const Expected& mode) {
  const std::string piece = firstDifferingPiece(units, readRecording(), mode);
  if (!piece.empty()) return piece;
  return "Every recorded piece converted alone still gives its recorded HTML; the difference comes "
         "from pieces next to each other or from a run of random lines not recorded.\n";
}

TEST(CorpusHash, EveryDialectAndModeGivesTheRecordedHtml) {
  const std::vector<Unit> units = mixedUnits(kCorpusBytes);
  const std::string corpus = joined(units);
  if (std::getenv("GLYPHMILL_RECORD_CORPUS") != nullptr) writeRecording(units);
  for (const Expected& expected : kExpected) {
    SCOPED_TRACE(modeName(expected));
    const std::string html = convertInPieces(corpus, expected.dialect, expected.allowUnsafe);
    const std::string hash = hex(fnv1a(html));
    EXPECT_EQ(hash, expected.hash) << modeName(expected) << " differs.\n"
                                   << (hash == expected.hash ? "" : explainDifference(units, expected));
    EXPECT_EQ(convertWhole(corpus, expected.dialect, expected.allowUnsafe), html);
  }
}

// The recording of single pieces agrees with this build (it is what a failing
// hash is explained by).
TEST(CorpusHash, EveryRecordedPieceGivesItsRecordedHtml) {
  const std::vector<Unit> units = mixedUnits(kCorpusBytes);
  const Recording recording = readRecording();
  ASSERT_FALSE(recording.empty()) << "no recording in " << kRecordingFile;
  for (const Expected& mode : kExpected) {
    const std::string piece = firstDifferingPiece(units, recording, mode);
    EXPECT_TRUE(piece.empty()) << modeName(mode) << ": " << piece;
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
