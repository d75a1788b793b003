// The reader, lines and blocks.
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace glyphmill::test {
namespace {

std::unique_ptr<TLine> makeLine(std::string_view text) {
  auto line = std::make_unique<TLine>();
  line->FValue = U(text);
  line->Init();
  return line;
}

// A block holding the given lines, appended as the reader appends them.
std::unique_ptr<TBlock> makeBlock(const std::vector<std::string>& texts) {
  auto block = std::make_unique<TBlock>();
  for (const auto& text : texts) block->AppendLine(makeLine(text));
  return block;
}

std::vector<std::string> linesOf(const TBlock& block) {
  std::vector<std::string> result;
  for (const TLine* line = block.FLines.get(); line; line = line->FNext.get()) {
    result.push_back(S(line->FValue));
  }
  return result;
}

TEST(Reader, DeliversCharactersThenCodeZeroForever) {
  TMarkdownReader empty(u"");
  EXPECT_EQ(empty.read(), u'\0');
  const std::u16string text = u"ab";
  TMarkdownReader reader(text);
  EXPECT_EQ(reader.read(), u'a');
  EXPECT_EQ(reader.read(), u'b');
  EXPECT_EQ(reader.read(), u'\0');
  EXPECT_EQ(reader.read(), u'\0');
  EXPECT_EQ(reader.FCursor, 4u);
}

// A line text behaves as the plain string it stands for through any mix of
// front removals (cheap), other removals, reads and assignments.
// Half the rounds give the text as a string of its own, half share it with
// a document, as lines read as they stand do.
TEST(LineText, BehavesAsAPlainString) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    std::u16string plain;
    for (int i = 0, n = static_cast<int>(random() % 300); i < n; ++i) {
      plain += char16_t(random() % 4 == 0 ? u' ' : u'a' + random() % 26);
    }
    const std::u16string document = u"before\n" + plain + u"\nafter";
    TLineText text = plain;
    if (round % 2 == 1) text.share(std::u16string_view(document).substr(7, plain.size()));
    for (int step = 0; step < 60; ++step) {
      const std::size_t pos = random() % (plain.size() + 2);
      const std::size_t n = random() % 8;
      switch (random() % 6) {
        case 0:
        case 1:
        case 2:  // front removals dominate, as in nested markers
          text.erase(0, n);
          plain.erase(0, std::min(n, plain.size()));
          break;
        case 3:
          if (pos <= plain.size()) {
            text.erase(pos, n);
            plain.erase(pos, n);
          }
          break;
        case 4:
          ASSERT_EQ(text.str(), plain);
          break;
        case 5:
          if (pos <= plain.size()) {
            ASSERT_EQ(text.substr(pos, n), plain.substr(pos, n));
          }
          break;
      }
      ASSERT_EQ(text.size(), plain.size());
      ASSERT_EQ(text.view(), plain);
      ASSERT_EQ(text.leadingSpaces(), std::min(plain.find_first_not_of(u' '), plain.size()));
      ASSERT_EQ(std::u16string(text.begin(), text.end()), plain);
      if (!plain.empty()) {
        ASSERT_EQ(text[plain.size() - 1], plain.back());
      }
    }
    text = u"fresh";
    EXPECT_EQ(text.view(), u"fresh");
    text.clear();
    EXPECT_TRUE(text.empty());
  }
}

// A text that was never given characters, or lost them, is an empty string in
// every form; a shared text given again as a string is its own.
TEST(LineText, EmptyAndGivenAgain) {
  for (int way = 0; way < 3; ++way) {
    TLineText text;
    if (way == 1) text = std::u16string();
    if (way == 2) {
      text.share(u"shared");
      text.clear();
    }
    text.erase(0, 3);
    EXPECT_EQ(text.str(), u"") << way;
    EXPECT_EQ(text.view(), u"") << way;
    EXPECT_EQ(text.leadingSpaces(), 0u) << way;
  }
  const std::u16string document = u"  abc";
  TLineText text;
  text.share(document);
  text.erase(0, 1);
  text = u"xy";
  EXPECT_EQ(text.view(), u"xy");
  EXPECT_EQ(text.leadingSpaces(), 0u);
  text.erase(1, 1);
  EXPECT_EQ(text.str(), u"x");
  EXPECT_EQ(document, u"  abc");
}

// An angle bracket is found at every position and beside every near miss
// ("=", "?", "|", and units whose low byte is that of "<" or ">").
TEST(LineText, KnowsWhetherItMayHoldAnAngleBracket) {
  const std::u16string nearMisses = u"=?|;\u013C\u013E\u3C00\u3E3E~";
  for (std::size_t length = 0; length < 12; ++length) {
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) text += nearMisses[i % nearMisses.size()];
    EXPECT_FALSE(TLineText(text).mayHoldAngleBracket()) << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char16_t angle : {u'<', u'>'}) {
        std::u16string with = text;
        with[at] = angle;
        EXPECT_TRUE(TLineText(with).mayHoldAngleBracket()) << length << " " << at;
      }
    }
  }
  TLineText text = std::u16string(u"a <b>");
  text.erase(0, 2);  // removing characters keeps the answer "may"
  EXPECT_TRUE(text.mayHoldAngleBracket());
  text = u"plain";
  EXPECT_FALSE(text.mayHoldAngleBracket());
  text.clear();
  EXPECT_FALSE(text.mayHoldAngleBracket());
}

TEST(Line, InitCountsSpacesAndEmptiesBlankLines) {
  struct Row {
    const char* text;
    bool empty;
    int leading, trailing;
    const char* value;
  };
  for (const Row& row : std::vector<Row>{{"   ", true, 0, 0, ""},
                                         {"", true, 0, 0, ""},
                                         {"  ab ", false, 2, 1, "  ab "},
                                         {"x", false, 0, 0, "x"}}) {
    SCOPED_TRACE(row.text);
    auto line = makeLine(row.text);
    EXPECT_EQ(line->FIsEmpty, row.empty);
    EXPECT_EQ(line->FLeading, row.leading);
    EXPECT_EQ(line->FTrailing, row.trailing);
    EXPECT_EQ(S(line->FValue), row.value);
  }
}

TEST(Line, InitLeadingKeepsTrailingAndEmptiness) {
  auto line = makeLine("a  ");
  line->FValue = u"  b  ";
  line->InitLeading();
  EXPECT_EQ(line->FLeading, 2);
  EXPECT_EQ(line->FTrailing, 2);
  EXPECT_FALSE(line->FIsEmpty);
  line->FValue = u"    ";
  line->InitLeading();
  EXPECT_TRUE(line->FIsEmpty);
  EXPECT_EQ(S(line->FValue), "");
}

TEST(Line, ReadUntilHonoursEscapesAndTheEndAsLineFeed) {
  struct Row {
    const char* text;
    int position;
    TCharSet stops;
    const char* expected;
    int positionAfter;
  };
  const TCharSet close{u']'};
  const TCharSet lineEnd{u'\n', u' '};
  for (const Row& row : std::vector<Row>{
           {"[a\\]b]", 1, close, "a]b", 5},
           {"[ab", 1, close, "", 1},
           {"[]", 1, close, "", 1},            // found at once: "" all the same
           {"x /url", 2, lineEnd, "/url", 6},  // the end counts as a line feed
           {"x /u v", 2, lineEnd, "/u", 4},
           {"a\\qb]", 0, close, "a\\qb", 4},   // q is not escapable
           {"a\\", 0, close, "", 0},           // a final backslash is kept, no stop
       }) {
    SCOPED_TRACE(row.text);
    auto line = makeLine(row.text);
    line->FPosition = row.position;
    EXPECT_EQ(S(line->readUntil(row.stops)), row.expected);
    EXPECT_EQ(line->FPosition, row.positionAfter);
  }
}

TEST(Line, SkipSpacesReportsWhetherTextFollows) {
  auto line = makeLine("a   b");
  line->FPosition = 1;
  EXPECT_TRUE(line->skipSpaces());
  EXPECT_EQ(line->FPosition, 4);
  auto tail = makeLine("a   ");
  tail->FPosition = 1;
  EXPECT_FALSE(tail->skipSpaces());
}

TEST(Block, AppendLineAndSetEmptyMaintainNeighbourFlags) {
  auto block = makeBlock({"a", "", "b"});
  TLine* a = block->FLines.get();
  TLine* gap = a->FNext.get();
  TLine* b = gap->FNext.get();
  EXPECT_TRUE(a->FNextEmpty);
  EXPECT_TRUE(b->FPrevEmpty);
  EXPECT_EQ(b->FPrevious, gap);
  EXPECT_EQ(block->FLineTail, b);
  b->setEmpty();
  EXPECT_TRUE(gap->FNextEmpty);
}

TEST(Block, SplitMovesTheLeadingRunIntoANewChild) {
  auto block = makeBlock({"a", "b", "c"});
  TLine* b = block->FLines->FNext.get();
  TBlock* first = block->split(b);
  EXPECT_EQ(linesOf(*first), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(first->FLineTail, b);
  EXPECT_EQ(b->FNext, nullptr);
  EXPECT_EQ(linesOf(*block), (std::vector<std::string>{"c"}));
  EXPECT_EQ(block->FLines->FPrevious, nullptr);
  TBlock* second = block->split(block->FLineTail);
  EXPECT_FALSE(block->hasLines());
  EXPECT_EQ(block->FLineTail, nullptr);
  EXPECT_EQ(block->FBlocks.get(), first);
  EXPECT_EQ(first->FNext.get(), second);
  EXPECT_EQ(block->FBlockTail, second);
}

TEST(Block, RemoveLineAndEmptyLineTrimming) {
  auto block = makeBlock({"", "", "a", "", "b", "", ""});
  block->removeSurroundingEmptyLines();
  EXPECT_EQ(linesOf(*block), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(S(block->FLineTail->FValue), "b");
  block->removeLine(block->FLines->FNext.get());
  EXPECT_EQ(linesOf(*block), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(block->FLineTail->FPrevious, block->FLines.get());
  auto blank = makeBlock({"", ""});
  EXPECT_TRUE(blank->removeLeadingEmptyLines());
  EXPECT_FALSE(blank->hasLines());
  EXPECT_EQ(blank->FLineTail, nullptr);
  EXPECT_FALSE(blank->removeLeadingEmptyLines());
}

TEST(Block, RemoveBlockQuotePrefix) {
  auto block = makeBlock({">", "> a", ">a", ">  a", "lazy", "  > b"});
  block->removeBlockQuotePrefix();
  EXPECT_EQ(linesOf(*block), (std::vector<std::string>{"", "a", "a", " a", "lazy", "b"}));
  EXPECT_TRUE(block->FLines->FIsEmpty);
  EXPECT_EQ(block->FLines->FNext->FNext->FNext->FLeading, 1);
}

TEST(Block, RemoveListIndent) {
  TConfiguration config(true);
  auto block = makeBlock({"- a", "12. b", "3) c", "      d", "  e", "", "         f"});
  block->removeListIndent(config);
  EXPECT_EQ(linesOf(*block), (std::vector<std::string>{"a", "b", "c", "  d", "e", "", "     f"}));
  // The leading spaces are counted anew for every line, deeper ones included.
  std::vector<int> leading;
  for (const TLine* line = block->FLines.get(); line; line = line->FNext.get()) {
    leading.push_back(line->FLeading);
  }
  EXPECT_EQ(leading, (std::vector<int>{0, 0, 0, 2, 0, 0, 5}));
}

TEST(Block, TransfromHeadline) {
  struct Row {
    const char* text;
    int level;
    const char* value;
    bool empty;
  };
  for (const Row& row : std::vector<Row>{{"## Title ##", 2, "Title", false},
                                         {"# foo#", 1, "foo#", false},
                                         {"######## x", 6, "x", false},
                                         {"###", 3, "", true},
                                         {"# a # ##", 1, "a #", false},
                                         {"# ###", 1, "", false},
                                         {"  # x  ", 1, "x", false}}) {
    SCOPED_TRACE(row.text);
    auto block = makeBlock({row.text});
    block->transfromHeadline();
    EXPECT_EQ(block->FHlDepth, row.level);
    EXPECT_EQ(S(block->FLines->FValue), row.value);
    EXPECT_EQ(block->FLines->FIsEmpty, row.empty);
  }
  auto setext = makeBlock({"# kept"});
  setext->FHlDepth = 2;
  setext->transfromHeadline();
  EXPECT_EQ(S(setext->FLines->FValue), "# kept");
}

TEST(Block, LinesAreClassifiedAgainAfterEveryChangeOfTheirText) {
  // A line remembers the kind its own text gives; every way in which
  // building changes a line's text must make it be classified again.
  TConfiguration config(true);
  config.SetDialect(mdCommonMark);
  struct Row {
    const char* text;
    TLineType before;
    void (*change)(TBlock& block, TConfiguration& config);
    const char* changed;
    TLineType after;
  };
  const std::vector<Row> rows = {
      {"- > a", ltULIST, [](TBlock& b, TConfiguration& c) { b.removeListIndent(c); }, "> a",
       ltBQUOTE},
      {"    - a", ltCODE, [](TBlock& b, TConfiguration& c) { b.removeListIndent(c); }, "- a",
       ltULIST},
      {"> 1. a", ltBQUOTE, [](TBlock& b, TConfiguration&) { b.removeBlockQuotePrefix(); },
       "1. a", ltOLIST},
      {"# - a", ltHEADLINE, [](TBlock& b, TConfiguration&) { b.transfromHeadline(); }, "- a",
       ltULIST},
      {"1. {#x}", ltOLIST, [](TBlock& b, TConfiguration&) { b.FLines->stripID(); }, "1.",
       ltOTHER},
      {"    - a", ltCODE,
       [](TBlock& b, TConfiguration&) {
         b.FLines->FValue.erase(0, 4);
         b.FLines->InitLeading();
       },
       "- a", ltULIST},
      {"***", ltHR,
       [](TBlock& b, TConfiguration&) {
         b.FLines->FValue = u"```";
         b.FLines->Init();
       },
       "```", ltFENCED_CODE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    auto block = makeBlock({row.text});
    ASSERT_EQ(block->FLines->getLineType(config), row.before);
    row.change(*block, config);
    ASSERT_EQ(S(block->FLines->FValue), row.changed);
    EXPECT_EQ(block->FLines->getLineType(config), row.after);
  }
}

TEST(Block, ExpandListParagraphsMakesTheWholeListLoose) {
  // Build the list by hand: two items, one tight text block each, one paragraph.
  auto make = [](TBlockType type) {
    auto b = std::make_unique<TBlock>();
    b->FType = type;
    return b;
  };
  auto root = make(btUNORDERED_LIST);
  auto first = make(btLIST_ITEM);
  first->FBlocks = make(btNONE);
  auto second = make(btLIST_ITEM);
  second->FBlocks = make(btPARAGRAPH);
  second->FBlocks->FNext = make(btNONE);
  first->FNext = std::move(second);
  root->FBlocks = std::move(first);
  root->expandListParagraphs();
  EXPECT_EQ(root->FBlocks->FBlocks->FType, btPARAGRAPH);
  EXPECT_EQ(root->FBlocks->FNext->FBlocks->FNext->FType, btPARAGRAPH);

  auto tight = make(btORDERED_LIST);
  tight->FBlocks = make(btLIST_ITEM);
  tight->FBlocks->FBlocks = make(btNONE);
  tight->expandListParagraphs();
  EXPECT_EQ(tight->FBlocks->FBlocks->FType, btNONE);
}

// Lines made in a pool, some with texts of their own, mixed with lines
// made alone, are chained, cut and released like any other lines before the
// pool goes; the room of a line given back serves the next one.
TEST(LinePool, LinesMadeInItBehaveAsOthers) {
  TLinePool pool;
  auto block = std::make_unique<TBlock>();
  std::vector<TLine*> made;
  for (int i = 0; i < 3000; ++i) {  // more than one slab
    std::unique_ptr<TLine> line = i % 7 == 0 ? std::make_unique<TLine>() : pool.make();
    EXPECT_EQ(line->FIsEmpty, true);
    EXPECT_EQ(line->FNext, nullptr);
    line->FValue = U(i % 2 == 0 ? "  a line of its own text" : "x");
    line->Init();
    made.push_back(line.get());
    block->AppendLine(std::move(line));
  }
  std::sort(made.begin(), made.end());
  EXPECT_EQ(std::adjacent_find(made.begin(), made.end()), made.end());  // all rooms differ
  block->removeLine(block->FLines->FNext.get());  // the second line, "x"
  TBlock* front = block->split(block->FLines->FNext->FNext.get());
  EXPECT_EQ(front->FLines->FNext->FValue, U("  a line of its own text"));
  EXPECT_EQ(front->FLineTail->FValue, U("x"));
  EXPECT_EQ(block->FLines->FLeading, 2);
  block.reset();

  std::unique_ptr<TLine> given = pool.make();
  given->FValue = U("a definition");
  TLine* room = given.get();
  pool.giveBack(std::move(given));
  std::unique_ptr<TLine> next = pool.make();
  EXPECT_EQ(next.get(), room);
  EXPECT_TRUE(next->FValue.empty());
  EXPECT_TRUE(next->FIsEmpty);
}

// Blocks split from a block made in a pool are made there too, nested and
// chained like others (more than a slab of them), and released before the
// pool goes; the rooms they leave serve the blocks made after them.
TEST(BlockPool, BlocksSplitFromItsBlocksAreMadeThereAndLeaveTheirRooms) {
  TBlockPool pool;
  std::vector<TBlock*> rooms;
  {
    std::unique_ptr<TBlock> root = pool.make();
    EXPECT_EQ(root->FType, btNONE);
    EXPECT_EQ(root->FBlocks, nullptr);
    TBlock* deepest = root.get();
    for (int i = 0; i < 600; ++i) {
      deepest->AppendLine(makeLine("- a"));
      deepest->AppendLine(makeLine("b"));
      TBlock* first = deepest->split(deepest->FLines.get());
      TBlock* second = deepest->split(deepest->FLineTail);
      EXPECT_EQ(first->FNext.get(), second);
      EXPECT_EQ(first->FLines->FValue, U("- a"));
      EXPECT_EQ(second->FLines->FValue, U("b"));
      rooms.push_back(first);
      rooms.push_back(second);
      deepest = second;  // the next level is split from it, once its line is gone
      deepest->removeLine(deepest->FLines.get());
    }
  }
  std::vector<TBlock*> sorted = rooms;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());  // all rooms differ
  // The rooms given back are taken again before any new one.
  std::vector<std::unique_ptr<TBlock>> again;
  for (std::size_t i = 0; i <= rooms.size(); ++i) again.push_back(pool.make());
  int reused = 0;
  for (const std::unique_ptr<TBlock>& block : again) {
    EXPECT_EQ(block->FLines, nullptr);
    if (std::binary_search(sorted.begin(), sorted.end(), block.get())) ++reused;
  }
  EXPECT_EQ(reused, static_cast<int>(rooms.size()));
}

TEST(Block, ReleasingLongChainsDoesNotRecurse) {
  // A million lines, a million siblings and deep nesting are released on the
  // test thread's ordinary stack.
  auto block = std::make_unique<TBlock>();
  for (int i = 0; i < 1000000; ++i) block->AppendLine(makeLine("x"));
  TBlock* deepest = block.get();
  for (int i = 0; i < 200000; ++i) {
    deepest->FBlocks = std::make_unique<TBlock>();
    deepest = deepest->FBlocks.get();
  }
  TBlock* sibling = block.get();
  for (int i = 0; i < 200000; ++i) {
    sibling->FNext = std::make_unique<TBlock>();
    sibling = sibling->FNext.get();
  }
  int count = 0;
  for (const TLine* line = block->FLines.get(); line; line = line->FNext.get()) ++count;
  EXPECT_EQ(count, 1000000);
  block.reset();  // a recursive release would overflow the stack here
  EXPECT_EQ(block, nullptr);
}

}  // namespace
}  // namespace glyphmill::test
