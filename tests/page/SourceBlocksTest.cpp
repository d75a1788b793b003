// The top-level blocks of a Markdown source and the place of a line among them.
#include "SourceBlocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace glyphmill::page;

// The blocks as "first-last" with "h" for a headline, e.g. "0-0h 2-3".
std::string describe(const std::u16string& text) {
  std::string result;
  for (const TSourceBlock& block : FindSourceBlocks(text)) {
    if (!result.empty()) result += ' ';
    result += std::to_string(block.FirstLine) + '-' + std::to_string(block.LastLine);
    if (block.Headline) result += 'h';
  }
  return result;
}

struct TBlocksCase {
  const char* name;
  std::u16string text;
  std::string blocks;
};

class SourceBlocksTest : public ::testing::TestWithParam<TBlocksCase> {};

TEST_P(SourceBlocksTest, FindsTheBlocks) { EXPECT_EQ(describe(GetParam().text), GetParam().blocks); }

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceBlocksTest,
    ::testing::Values(
        TBlocksCase{"empty", u"", ""},
        TBlocksCase{"blank lines only", u"\r\n  \r\n\t\r\n", ""},
        TBlocksCase{"headline and paragraph", u"# Title\r\n\r\nsome\r\ntext\r\n", "0-0h 2-3"},
        TBlocksCase{"line ends of every kind", u"a\rb\n\nc\r\n", "0-1 3-3"},
        TBlocksCase{"setext headlines", u"Title\r\n=====\r\nSub\r\n---\r\n", "0-1h 2-3h"},
        TBlocksCase{"a rule, not a setext line", u"---\r\ntext\r\n", "0-0 1-1"},
        TBlocksCase{"fenced code with blank lines", u"```js\r\na\r\n\r\n# no\r\n```\r\nafter\r\n", "0-4 5-5"},
        TBlocksCase{"tilde fence unclosed", u"~~~\r\na\r\n\r\nb\r\n", "0-3"},
        TBlocksCase{"longer closing fence needed", u"````\r\n```\r\n````\r\nx\r\n", "0-2 3-3"},
        TBlocksCase{"indented code", u"    a\r\n\r\n    b\r\nc\r\n", "0-2 3-3"},
        TBlocksCase{"tight list with nesting", u"- a\r\n- b\r\n  - c\r\n\r\npara\r\n", "0-2 4-4"},
        TBlocksCase{"loose list", u"1. a\r\n\r\n2. b\r\n\r\n   more\r\n\r\n3. c\r\n\r\nend\r\n", "0-6 8-8"},
        TBlocksCase{"a new bullet kind starts a new list", u"- a\r\n\r\n* b\r\n", "0-0 2-2"},
        TBlocksCase{"quote with a lazy line", u"> a\r\n> b\r\nlazy\r\n\r\n> c\r\n", "0-2 4-4"},
        TBlocksCase{"table", u"| a | b |\r\n|:--|--:|\r\n| 1 | 2 |\r\n\r\nx\r\n", "0-2 4-4"},
        TBlocksCase{"bar in a paragraph without a delimiter row", u"a | b\r\nc\r\n", "0-1"},
        TBlocksCase{"reference definitions make no block", u"[a]: http://x\r\n\r\ntext\r\n", "2-2"},
        TBlocksCase{"HTML block", u"<div>\r\n<p>x</p>\r\n</div>\r\n\r\ny\r\n", "0-2 4-4"},
        TBlocksCase{"paragraph ended by other blocks",
                    u"a\r\n# h\r\nb\r\n> q\r\nc\r\n- l\r\n", "0-0 1-1h 2-2 3-4 5-5"},
        TBlocksCase{"an ordered item other than 1 does not end a paragraph", u"a\r\n2. b\r\n", "0-1"}),
    [](const ::testing::TestParamInfo<TBlocksCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.name)) name += (c == ' ' || c == ',') ? '_' : c;
      return name;
    });

struct TPlaceCase {
  int line;
  int headline, offset;
  double fraction;
};

TEST(PlaceOfLineTest, CountsFromTheNearestHeadline) {
  // Blocks: 0-1 (paragraph), 3-3 (h), 5-8 (code), 10-10 (h), 12-12, 14-15; a
  // line past the end is at the end of the last block.
  const std::u16string text =
      u"intro\r\nmore\r\n\r\n# One\r\n\r\n```\r\na\r\nb\r\n```\r\n\r\n# Two\r\n\r\np\r\n\r\nq\r\nr\r\n";
  const std::vector<TSourceBlock> blocks = FindSourceBlocks(text);
  ASSERT_EQ(blocks.size(), 6u);
  const TPlaceCase cases[] = {
      {0, -1, 0, 0.0},  {1, -1, 0, 0.5}, {2, 0, 0, 0.0}, {3, 0, 0, 0.0},  {5, 0, 1, 0.0},
      {7, 0, 1, 0.5},   {9, 1, 0, 0.0},  {12, 1, 1, 0.0}, {15, 1, 2, 0.5}, {40, 1, 2, 1.0},
  };
  for (const TPlaceCase& c : cases) {
    const TBlockPlace place = PlaceOfLine(blocks, c.line);
    EXPECT_EQ(place.Headline, c.headline) << "line " << c.line;
    EXPECT_EQ(place.Offset, c.offset) << "line " << c.line;
    EXPECT_DOUBLE_EQ(place.Fraction, c.fraction) << "line " << c.line;
  }
}

TEST(PlaceOfLineTest, NoBlocksGiveThePageStart) {
  const TBlockPlace place = PlaceOfLine({}, 10);
  EXPECT_EQ(place.Headline, -1);
  EXPECT_EQ(place.Offset, 0);
  EXPECT_EQ(place.Fraction, 0.0);
}

}  // namespace
