// Block structure: the trees built from small documents, per dialect.
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "MarkdownDaringFireball.h"
#include "MarkdownXmlBlockMemo.h"
#include "TestSupport.h"

namespace glyphmill::test {
namespace {

const char* kindName(TBlockType t) {
  switch (t) {
    case btNONE: return "NONE";
    case btBLOCKQUOTE: return "QUOTE";
    case btCODE: return "CODE";
    case btFENCED_CODE: return "FENCED";
    case btHEADLINE: return "HEADLINE";
    case btLIST_ITEM: return "ITEM";
    case btORDERED_LIST: return "OL";
    case btPARAGRAPH: return "P";
    case btRULER: return "RULER";
    case btUNORDERED_LIST: return "UL";
    case btXML: return "XML";
    case btTABLE: return "TABLE";
  }
  return "?";
}

// One text line per block and per line, indented by depth:
//   P
//     |a
//   HEADLINE 2 id=t
//     |T
// An empty line prints as "|". Depth-first without recursion.
std::string printTree(const TBlock& root) {
  std::string out;
  std::vector<std::pair<const TBlock*, int>> pending;
  for (const TBlock* b = root.FBlocks.get(); b; b = b->FNext.get()) pending.push_back({b, 0});
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty()) {
    auto [block, depth] = pending.back();
    pending.pop_back();
    const std::string indent(2 * depth, ' ');
    out += indent;
    out += kindName(block->FType);
    if (block->FHlDepth > 0) out.append(" ").append(std::to_string(block->FHlDepth));
    if (!block->FIdOrMeta.empty()) {
      out.append(block->FType == btFENCED_CODE ? " meta=" : " id=").append(S(block->FIdOrMeta));
    }
    out += '\n';
    for (const TLine* l = block->FLines.get(); l; l = l->FNext.get()) {
      out.append(indent).append("  |").append(S(l->FValue)).append("\n");
    }
    std::vector<std::pair<const TBlock*, int>> children;
    for (const TBlock* c = block->FBlocks.get(); c; c = c->FNext.get()) {
      children.push_back({c, depth + 1});
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
  }
  return out;
}

// The lines of a document (cut at "\n"), read into a root block as the
// engine's reader would leave them, without reference definitions or tabs;
// without plainRuns, no line is known to be plain (the builder then takes
// none of its shortcuts over runs of plain lines).
std::unique_ptr<TBlock> readLines(const std::u16string& text, bool plainRuns = true) {
  auto root = std::make_unique<TBlock>();
  std::uint32_t runs = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    auto line = std::make_unique<TLine>();
    line->FValue = text.substr(start, end - start);
    line->Init();
    if (plainRuns) line->joinPlainRun(root->FLineTail, runs);
    root->AppendLine(std::move(line));
    start = end + 1;
  }
  return root;
}

struct Built {
  std::unique_ptr<TMarkdownProcessor> processor;
  std::unique_ptr<TBlock> root;
};

// Builds the tree of a document; with rescan, every HTML-block test scans
// the following lines afresh instead of using remembered scans.
// A random document of `pieces`: 1 to `maxLines` lines, each of fewer than
// `maxPieces` pieces.
std::string randomDocument(std::mt19937& random, const std::vector<std::string>& pieces, int maxLines,
                           int maxPieces) {
  std::string text;
  const int lineCount = 1 + static_cast<int>(random() % maxLines);
  for (int l = 0; l < lineCount; ++l) {
    if (l > 0) text += "\n";
    const int pieceCount = static_cast<int>(random() % maxPieces);
    for (int p = 0; p < pieceCount; ++p) text += pieces[random() % pieces.size()];
  }
  return text;
}

Built build(const std::u16string& text, TMarkdownProcessorDialect dialect, bool rescan = false,
            bool plainRuns = true) {
  Built built{TMarkdownProcessor::CreateDialect(dialect), readLines(text, plainRuns)};
  auto& engine = static_cast<TMarkdownDaringFireball&>(*built.processor);
  engine.FuseExtensions = engine.config().isDialect({mdCommonMark, mdTxtMark});
  std::unique_ptr<TXmlBlockMemo> forgetful;
  if (rescan) forgetful = std::make_unique<TXmlBlockMemo>(engine.config(), false);
  built.root->removeSurroundingEmptyLines();
  engine.buildBlocks(built.root.get(), false);
  return built;
}

std::string tree(const std::string& text, TMarkdownProcessorDialect dialect) {
  return printTree(*build(U(text), dialect).root);
}

// Puts in `remembered` the tree of text built with the block-scan memo
// remembering, and checks it is the tree built with every scan made afresh.
void buildWithRememberedScans(const std::string& text, TMarkdownProcessorDialect dialect,
                              std::string& remembered) {
  SCOPED_TRACE(std::string(dialectName(dialect)) + ": '" + text + "'");
  remembered = tree(text, dialect);
  ASSERT_EQ(remembered, printTree(*build(U(text), dialect, true).root));
}

struct Case {
  std::string input;
  std::string expected;
};

void checkAll(const std::vector<Case>& cases, std::initializer_list<TMarkdownProcessorDialect> dialects) {
  for (auto dialect : dialects) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(dialectName(dialect)) + ": '" + c.input + "'");
      EXPECT_EQ(tree(c.input, dialect), c.expected);
    }
  }
}

constexpr auto kAll = {mdDaringFireball, mdCommonMark, mdTxtMark};

TEST(Blocks, SameInEveryDialect) {
  checkAll({
      {"a\nb\n\nc", "P\n  |a\n  |b\nP\n  |c\n"},
      {"a\n\n# h", "P\n  |a\nNONE\n  |\nHEADLINE 1\n  |h\n"},
      {"Title\n===\nx", "HEADLINE 1\n  |Title\nP\n  |x\n"},
      {"a\n---", "HEADLINE 2\n  |a\n"},
      {"- a\n- b", "UL\n  ITEM\n    NONE\n      |a\n  ITEM\n    NONE\n      |b\n"},
      // The blank line stays in the first item, which has no child for it.
      {"- a\n\n- b", "UL\n  ITEM\n    |\n    P\n      |a\n  ITEM\n    P\n      |b\n"},
      {"- a\n\n  b", "UL\n  ITEM\n    P\n      |a\n    P\n      |b\n"},
      {"- a\nb", "UL\n  ITEM\n    NONE\n      |a\n      |b\n"},
      {"- a\n    - b", "UL\n  ITEM\n    NONE\n      |a\n    UL\n      ITEM\n        NONE\n          |b\n"},
      {"1. a\n2. b\n\n- c",
       // The first line of a list never counts as following a blank line.
       "OL\n  ITEM\n    NONE\n      |a\n  ITEM\n    NONE\n      |b\n"
       "UL\n  ITEM\n    NONE\n      |c\n"},
      {"1. a\n- b", "OL\n  ITEM\n    NONE\n      |a\n  ITEM\n    NONE\n      |b\n"},
      {"> a\n> b\n\nc", "QUOTE\n  P\n    |a\n    |b\nP\n  |c\n"},
      {"> a\nb", "QUOTE\n  P\n    |a\n    |b\n"},
      {"a\n***", "P\n  |a\nRULER\n  |***\n"},
      {"<div>\nx\n</div>\ny", "XML\n  |<div>\n  |x\n  |</div>\nP\n  |y\n"},
      {"- a\n\n  # h", "UL\n  ITEM\n    P\n      |a\n    P\n      |\n    HEADLINE 1\n      |h\n"},
      // A blank line between items keeps the list going; a margin line after one ends it.
      {"- a\n\nb", "UL\n  ITEM\n    NONE\n      |a\nP\n  |b\n"},
      {"* a\n\n+ b", "UL\n  ITEM\n    |\n    P\n      |a\n  ITEM\n    P\n      |b\n"},
      {"1) a\n2) b", "OL\n  ITEM\n    NONE\n      |a\n  ITEM\n    NONE\n      |b\n"},
      {"> a\n\nb", "QUOTE\n  P\n    |a\nP\n  |b\n"},
      {"> a\n\n> b", "QUOTE\n  P\n    |a\n  P\n    |b\n"},
      {"a\n\n***\n\nb", "P\n  |a\nNONE\n  |\nRULER\n  |***\nP\n  |b\n"},
      {"<hr>\na", "XML\n  |<hr>\nP\n  |a\n"},
      {"<div>\na", "P\n  |<div>\n  |a\n"},
      {"<!-- a\nb -->\nc", "XML\n  |<!-- a\n  |b -->\nP\n  |c\n"},
      {"Title\n===\n\nx", "HEADLINE 1\n  |Title\nP\n  |x\n"},
      {"# a #\nb", "HEADLINE 1\n  |a\nP\n  |b\n"},
  }, kAll);
}

TEST(Blocks, ExtensionsEndParagraphs) {
  checkAll({
      {"a\n- b", "P\n  |a\n  |- b\n"},
      {"a\n    b", "P\n  |a\n  |    b\n"},
      {"## T {#t}", "HEADLINE 2\n  |T {#t}\n"},
      {"```\ncode\n```", "P\n  |```\n  |code\n  |```\n"},
      {"a|b\n-|-\n1|2", "P\n  |a|b\n  |-|-\n  |1|2\n"},
      {"#h", "HEADLINE 1\n  |h\n"},
  }, {mdDaringFireball});
  checkAll({
      {"a\n- b", "P\n  |a\nUL\n  ITEM\n    NONE\n      |b\n"},
      {"a\n    b", "P\n  |a\nCODE\n  |    b\n"},
      {"```\n\ncode\n\n~~~", "FENCED\n  |code\n"},
      {"```js\nx", "FENCED meta=js\n  |x\n"},
      {"a\n```\nx\n```\nb", "P\n  |a\nFENCED\n  |x\nP\n  |b\n"},
      {"- item {#i1}", "UL\n  ITEM id=i1\n    NONE\n      |item\n"},
      {"## T {#t}", "HEADLINE 2 id=t\n  |T\n"},
      {"- {#x}", "UL\n  ITEM id=x\n    NONE\n      |\n"},
      {"## {#x}", "HEADLINE 2 id=x\n  |\n"},
      {"Title {#t}\n---", "HEADLINE 2 id=t\n  |Title\n"},
  }, {mdCommonMark, mdTxtMark});
  checkAll({
      {"a|b\n-|-\n1|2\n\nx", "TABLE\n  |a|b\n  |-|-\n  |1|2\nP\n  |x\n"},
      {"a|b\n-|-\n1|2\nx", "TABLE\n  |a|b\n  |-|-\n  |1|2\nP\n  |x\n"},
      {"p\na|b\n-|-", "P\n  |p\nTABLE\n  |a|b\n  |-|-\n"},
      {"#h", "P\n  |#h\n"},
  }, {mdCommonMark});
  checkAll({
      {"a|b\n-|-\n1|2", "P\n  |a|b\n  |-|-\n  |1|2\n"},
  }, {mdTxtMark});
}

TEST(Blocks, CodeBlocks) {
  checkAll({
      {"    code\n\n    more\ntext", "CODE\n  |    code\n  |\n  |    more\nP\n  |text\n"},
      {"    a\n\n\nb", "CODE\n  |    a\nP\n  |b\n"},
  }, kAll);
  checkAll({
      // Any fence closes; the closing fence may carry text; an indented one does not close.
      {"~~~\na\n```x\nb", "FENCED\n  |a\nP\n  |b\n"},
      {"```\na\n    ```\nb", "FENCED\n  |a\n  |    ```\n  |b\n"},
      {"```", "FENCED\n"},
  }, {mdCommonMark, mdTxtMark});
}

TEST(Blocks, ListsAndQuotesNest) {
  checkAll({
      {"> - a\n> - b", "QUOTE\n  UL\n    ITEM\n      NONE\n        |a\n    ITEM\n      NONE\n        |b\n"},
      {"- > a", "UL\n  ITEM\n    QUOTE\n      P\n        |a\n"},
      {">> a", "QUOTE\n  QUOTE\n    P\n      |a\n"},
      {"> > >  a", "QUOTE\n  QUOTE\n    QUOTE\n      P\n        | a\n"},
      {">>>     a", "QUOTE\n  QUOTE\n    QUOTE\n      CODE\n        |    a\n"},
      {">> ", "QUOTE\n  QUOTE\n    |\n"},
      {">>    > a", "QUOTE\n  QUOTE\n    QUOTE\n      P\n        |a\n"},
      {">>     > a", "QUOTE\n  QUOTE\n    CODE\n      |    > a\n"},
      {"> >\n> a", "QUOTE\n  QUOTE\n    P\n      |a\n"},
      // An item removes at most 4 spaces of indentation.
      {"- a\n\n      code", "UL\n  ITEM\n    P\n      |a\n    P\n      |  code\n"},
      {"- a\n\n        code", "UL\n  ITEM\n    P\n      |a\n    CODE\n      |    code\n"},
  }, kAll);
}

// 100,000 quote levels on one line, and 10,000 list levels, build without
// exhausting the stack. (Their time is the pathological benchmark's business.)
TEST(Blocks, DeepNesting) {
  const int quoteLevels = 100000;
  {
    Built built = build(std::u16string(quoteLevels, u'>') + u" a", mdCommonMark);
    int depth = 0;
    const TBlock* block = built.root->FBlocks.get();
    while (block != nullptr && block->FType == btBLOCKQUOTE) {
      ++depth;
      EXPECT_EQ(block->FNext, nullptr);
      block = block->FBlocks.get();
    }
    EXPECT_EQ(depth, quoteLevels);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->FType, btPARAGRAPH);
    EXPECT_EQ(S(block->FLines->FValue), "a");
  }
  {
    const int listLevels = 10000;
    std::u16string text;
    for (int i = 0; i < listLevels; ++i) text += (i % 2 == 0) ? u"* " : u"- ";
    text += u"x";
    Built built = build(text, mdDaringFireball);
    int depth = 0;
    const TBlock* block = built.root.get();
    while (block->FBlocks != nullptr && block->FBlocks->FType == btUNORDERED_LIST) {
      ++depth;
      block = block->FBlocks->FBlocks.get();  // the list's only item
      ASSERT_EQ(block->FType, btLIST_ITEM);
    }
    EXPECT_EQ(depth, listLevels);
  }
}

// The same nesting, one line per level.
TEST(Blocks, DeepNestingOverLines) {
  const int levels = 300;
  std::string text;
  for (int i = 0; i < levels; ++i) text += std::string(4 * i, ' ') + "- x\n";
  Built built = build(U(text), mdCommonMark);
  // Each item holds its text and, as its last child, the next list.
  int depth = 0;
  const TBlock* list = built.root->FBlocks.get();
  while (list != nullptr && list->FType == btUNORDERED_LIST) {
    ++depth;
    const TBlock* item = list->FBlocks.get();
    ASSERT_EQ(item->FType, btLIST_ITEM);
    ASSERT_EQ(item->FNext, nullptr);
    list = item->FBlockTail;
  }
  EXPECT_EQ(depth, levels);

  // '> q', '>> q', '>>> q', ...: each level holds a paragraph and the next quote.
  std::string quotes;
  for (int i = 1; i <= levels; ++i) quotes += std::string(i, '>') + " q\n";
  Built quoted = build(U(quotes), mdCommonMark);
  depth = 0;
  for (const TBlock* quote = quoted.root->FBlocks.get(); quote != nullptr;) {
    ASSERT_EQ(quote->FType, btBLOCKQUOTE);
    ++depth;
    const TBlock* paragraph = quote->FBlocks.get();
    ASSERT_NE(paragraph, nullptr);
    EXPECT_EQ(paragraph->FType, btPARAGRAPH);
    EXPECT_EQ(S(paragraph->FLines->FValue), "q");
    quote = paragraph->FNext.get();
  }
  EXPECT_EQ(depth, levels);
}

// Many unclosed block tags (every line would be rescanned to the end of the
// document unless the scans were remembered; the pathological benchmark
// measures that): one paragraph, as a plain scan finds.
TEST(Blocks, ManyUnclosedBlockTags) {
  const int lines = 100000;
  std::u16string text;
  for (int i = 0; i < lines; ++i) text += u"<div>\n";
  Built built = build(text, mdCommonMark);
  ASSERT_NE(built.root->FBlocks, nullptr);
  EXPECT_EQ(built.root->FBlocks->FType, btPARAGRAPH);
  EXPECT_EQ(built.root->FBlocks->FNext, nullptr);

  // Blank lines between them: one paragraph per tag.
  std::u16string spaced;
  for (int i = 0; i < lines / 2; ++i) spaced += u"<div>\n\n";
  Built many = build(spaced, mdCommonMark);
  int paragraphs = 0;
  for (const TBlock* b = many.root->FBlocks.get(); b; b = b->FNext.get()) {
    if (b->FType == btPARAGRAPH) ++paragraphs;
  }
  EXPECT_EQ(paragraphs, lines / 2);

  // Unclosed comments likewise.
  std::u16string comments;
  for (int i = 0; i < lines; ++i) comments += u"<!-- c\n";
  Built commented = build(comments, mdCommonMark);
  ASSERT_NE(commented.root->FBlocks, nullptr);
  EXPECT_EQ(commented.root->FBlocks->FType, btPARAGRAPH);
}

// Raw HTML blocks found with remembered scans end where a plain scan ends.
TEST(Blocks, HtmlBlocksNestAcrossLines) {
  checkAll({
      {"<div>\n<div>\n</div>\n</div>\nx", "XML\n  |<div>\n  |<div>\n  |</div>\n  |</div>\nP\n  |x\n"},
      {"<div>\n<p>\n</div>\nx", "P\n  |<div>\n  |<p>\n  |</div>\n  |x\n"},
      {"<div>\n<table>\n</table>\n</div>\n\n<div>\n</div>",
       "XML\n  |<div>\n  |<table>\n  |</table>\n  |</div>\nXML\n  |<div>\n  |</div>\n"},
      {"<div><div></div>\n</div>\na", "XML\n  |<div><div></div>\n  |</div>\nP\n  |a\n"},
      {"<div>\n> </div>\n</div>", "XML\n  |<div>\n  |> </div>\nP\n  |</div>\n"},
      {"> <div>\n> </div>", "QUOTE\n  XML\n    |<div>\n    |</div>\n"},
      {"> <div>\n\n</div>", "QUOTE\n  P\n    |<div>\nP\n  |</div>\n"},
  }, kAll);
}

// Random documents of tags, quotes, list markers and blank lines: remembered
// scans must build the same tree as fresh scans, while lines are cut into
// quotes and items and changed there.
TEST(Blocks, RememberedScansBuildTheSameTrees) {
  const std::vector<std::string> pieces = {
      "<div>", "</div>", "<p>", "</p>", "<table>", "</table>", "<!--", "-->", "<hr>",
      "> ", ">", "- ", "1. ", "    ", "  ", "x", "# ", "```", "---", "a|b", "-|-", "{#i}", "==="};
  std::mt19937 random(11);
  int treesWithHtml = 0;
  int nestedHtml = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string text = randomDocument(random, pieces, 12, 5);
    const auto dialect = static_cast<TMarkdownProcessorDialect>(round % 3);
    std::string remembered;
    buildWithRememberedScans(text, dialect, remembered);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    if (remembered.find("XML") != std::string::npos) ++treesWithHtml;
    if (remembered.find("  XML") != std::string::npos) ++nestedHtml;
  }
  // The documents do exercise HTML blocks, also inside quotes and items.
  EXPECT_GT(treesWithHtml, 300);
  EXPECT_GT(nestedHtml, 30);
}

// Random nestings of list items that hold tags: list levels keep what the
// memo knows of lines that lose only indentation, and must still build the
// trees that fresh scans build.
TEST(Blocks, RememberedScansSurviveListLevels) {
  const std::vector<std::string> markers = {"- ", "1. ", "* ", "> ", "", "", "\t- "};
  const std::vector<std::string> pieces = {"<div>", "</div>", "<p>", "</p>", "<!--", "-->",
                                           "x", " {#i}", "<hr>", "  "};
  std::mt19937 random(23);
  int nestedHtml = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    int level = 0;
    const int lineCount = 1 + static_cast<int>(random() % 16);
    for (int l = 0; l < lineCount; ++l) {
      if (l > 0) text += random() % 6 == 0 ? "\n\n" : "\n";
      // Mostly one level deeper, as in a staircase; sometimes back out.
      level = random() % 4 == 0 ? static_cast<int>(random() % (level + 1)) : level + 1;
      text += std::string(static_cast<std::size_t>(4 * level + random() % 3), ' ');
      text += markers[random() % markers.size()];
      const int pieceCount = static_cast<int>(random() % 4);
      for (int p = 0; p < pieceCount; ++p) text += pieces[random() % pieces.size()];
    }
    const auto dialect = static_cast<TMarkdownProcessorDialect>(round % 3);
    std::string remembered;
    buildWithRememberedScans(text, dialect, remembered);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    if (remembered.find("      XML") != std::string::npos) ++nestedHtml;
  }
  // The documents do exercise HTML blocks inside nested items.
  EXPECT_GT(nestedHtml, 50);
}

// The tree of a document whose blocks the builder hands over one by one, as
// a conversion takes them, gathered under a root of their own.
std::string treeHandedOver(const std::u16string& text, TMarkdownProcessorDialect dialect) {
  Built built{TMarkdownProcessor::CreateDialect(dialect), readLines(text)};
  auto& engine = static_cast<TMarkdownDaringFireball&>(*built.processor);
  engine.FuseExtensions = engine.config().isDialect({mdCommonMark, mdTxtMark});
  built.root->removeSurroundingEmptyLines();
  TBlock gathered;
  engine.buildBlocks(built.root.get(), [&](std::unique_ptr<TBlock> block) {
    EXPECT_EQ(block->FNext, nullptr);
    EXPECT_EQ(engine.config().xmlBlockMemo, nullptr);  // no classification while writing
    TBlock* added = block.get();
    if (gathered.FBlockTail != nullptr) {
      gathered.FBlockTail->FNext = std::move(block);
    } else {
      gathered.FBlocks = std::move(block);
    }
    gathered.FBlockTail = added;
  });
  EXPECT_EQ(built.root->FBlocks, nullptr);
  EXPECT_EQ(built.root->FLines, nullptr);
  return printTree(gathered);
}

// Blocks handed over as soon as they are complete make the same tree as
// blocks kept until the end, HTML blocks whose scans reach past quotes and
// lists included.
TEST(Blocks, BlocksHandedOverOneByOneMakeTheSameTree) {
  std::vector<std::string> documents = {"", "a", "a\n\n- b\n> c\n\n<div>\n</div>",
                                        "<!-- a\n- b\n\n> c\n-->\nd",
                                        "<div>\n> <p>\n\n</div>\n- x\n</div>"};
  const std::vector<std::string> pieces = {"<div>", "</div>", "<p>", "</p>", "<!--", "-->",
                                           "> ", "- ", "1. ", "    ", "x", "# ", "```", "a|b",
                                           "-|-", "{#i}", "==="};
  std::mt19937 random(23);
  for (int round = 0; round < 2000; ++round) {
    documents.push_back(randomDocument(random, pieces, 14, 4));
  }
  for (const std::string& text : documents) {
    for (auto dialect : kAll) {
      SCOPED_TRACE(std::string(dialectName(dialect)) + ": '" + text + "'");
      ASSERT_EQ(treeHandedOver(U(text), dialect), printTree(*build(U(text), dialect).root));
    }
  }
}

TEST(Blocks, RunsOfPlainLinesAreNumberedOnce) {
  auto root = readLines(u"a\nb\n\nc\n  d\ne\n- f\ng\n\u00e9\n1. h\n\u0661 i");
  std::vector<std::uint32_t> runs;
  for (const TLine* l = root->FLines.get(); l; l = l->FNext.get()) runs.push_back(l->FPlainRun);
  // a b | blank | c | "  d" | e | "- f" | g é | "1. h" | Arabic-Indic one
  EXPECT_EQ(runs, (std::vector<std::uint32_t>{1, 1, 0, 2, 0, 3, 0, 4, 4, 0, 0}));
  EXPECT_EQ(root->plainRunToEnd(root->FLines.get()), nullptr);  // the last line is no plain line
}

TEST(Blocks, PlainRunToEndNeedsTheWholeRestOfTheBlock) {
  auto root = readLines(u"- a\nx\ny\nz");
  TLine* x = root->FLines->FNext.get();
  EXPECT_EQ(root->plainRunToEnd(root->FLines.get()), nullptr);
  EXPECT_EQ(root->plainRunToEnd(x), root->FLineTail);
  EXPECT_EQ(root->plainRunToEnd(root->FLineTail), nullptr);  // nothing after it
  // Cut after y: the run goes on in another block, the rest of this one is y.
  TBlock* front = root->split(x->FNext.get());
  EXPECT_EQ(front->plainRunToEnd(x), front->FLineTail);
  EXPECT_EQ(front->FLineTail, x->FNext.get());
  EXPECT_EQ(root->plainRunToEnd(root->FLines.get()), nullptr);  // z alone
}

// The shortcuts over runs of plain lines (lazy lines of deep lists and
// quotes) build the same trees as walking every line.
TEST(Blocks, PlainRunsBuildTheSameTrees) {
  std::vector<std::string> documents;
  for (const char* bottom : {"", "\n\n- b", "\n\nb", "\n---", "\n===", "\n|-|", "\n<div>\n</div>",
                             "\n    code", "\n> q", "\nc {#id}\n---", "\n\n  - b", "\n1. b"}) {
    std::string stairs;
    for (int level = 0; level < 6; ++level) stairs += std::string(4 * level, ' ') + "- a\n";
    std::string quotes;
    for (int level = 0; level < 4; ++level) quotes += std::string(level, '>') + " q\n";
    documents.push_back(stairs + "x\ny\nz" + bottom);
    documents.push_back(stairs + "\nx\ny\nz" + bottom);
    documents.push_back(quotes + "x\ny|z" + bottom);
    documents.push_back("1. a\n   - b\nx\n\n2. c\ny\nz" + std::string(bottom));
  }
  const std::vector<std::string> pieces = {"- ", "1. ", "> ", "    ", "  ", "x", "y z", "|", "-|-", "---",
                                           "===", "{#i}", "\u00e9", "<div>", "</div>", "# ", "```"};
  std::mt19937 random(17);
  for (int round = 0; round < 2000; ++round) {
    documents.push_back(randomDocument(random, pieces, 14, 4));
  }
  for (const std::string& text : documents) {
    for (auto dialect : {mdCommonMark, mdTxtMark, mdDaringFireball}) {
      SCOPED_TRACE(std::string(dialectName(dialect)) + ": '" + text + "'");
      ASSERT_EQ(printTree(*build(U(text), dialect).root),
                printTree(*build(U(text), dialect, false, false).root));
    }
  }
}

// Random code units, including code 0 and lone surrogates: the tree is
// well formed and remembered scans agree with fresh ones.
TEST(Blocks, RandomTextBuildsWellFormedTrees) {
  using namespace std::string_literals;
  const std::u16string alphabet = u">-*+#<|/ \\{}`~1.)=_:!\nxdiv\u0000\xD800\u0661"s;  // with its code 0
  ASSERT_EQ(alphabet.back(), u'\u0661');
  std::mt19937 random(5);
  int withSurrogate = 0;
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    if (text.find(u'\xD800') != std::u16string::npos) ++withSurrogate;
    const auto dialect = static_cast<TMarkdownProcessorDialect>(round % 3);
    SCOPED_TRACE(round);
    Built built = build(text, dialect);
    ASSERT_EQ(printTree(*built.root), printTree(*build(text, dialect, true).root));

    std::vector<const TBlock*> pending{built.root.get()};
    while (!pending.empty()) {
      const TBlock* block = pending.back();
      pending.pop_back();
      for (const TBlock* child = block->FBlocks.get(); child; child = child->FNext.get()) {
        if (block->FType == btORDERED_LIST || block->FType == btUNORDERED_LIST) {
          EXPECT_EQ(child->FType, btLIST_ITEM);
        }
        pending.push_back(child);
      }
      if (block->FBlocks != nullptr) {
        for (const TLine* l = block->FLines.get(); l; l = l->FNext.get()) EXPECT_TRUE(l->FIsEmpty);
      }
      if (block->FType == btHEADLINE) {
        EXPECT_GE(block->FHlDepth, 1);
        EXPECT_LE(block->FHlDepth, 6);
      }
    }
  }
  EXPECT_GT(withSurrogate, 100);
}

}  // namespace
}  // namespace glyphmill::test
