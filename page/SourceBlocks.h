// Where the top-level blocks of a Markdown text start and end, so that a line
// of the source can be matched with the element the page shows for it.
#pragma once

#include <string_view>
#include <vector>

namespace glyphmill::page {

// One top-level block of the source: its first and last line (0-based), and
// whether it is a headline. Each block is one element of the converted page.
struct TSourceBlock {
  int FirstLine = 0;
  int LastLine = 0;
  bool Headline = false;
};

// The top-level blocks of `text` in order: headlines (ATX and setext),
// paragraphs, lists, block quotes, fenced and indented code, tables, rules
// and HTML blocks. Blank lines and link reference definitions, which make no
// element, belong to no block.
std::vector<TSourceBlock> FindSourceBlocks(std::u16string_view text);

// Where a source line is on the page: the block is the `Offset`-th element
// after the `Headline`-th headline element (-1: counted from the page's first
// element), and the line lies `Fraction` (0 to 1) of the way into it.
struct TBlockPlace {
  int Headline = -1;
  int Offset = 0;
  double Fraction = 0;
};

// The place of the block holding `line`, or of the first block after it when
// the line lies between blocks (the last block past the end). Counting from
// the nearest headline keeps a miscount from spreading beyond its section.
// An empty list gives the page's start.
TBlockPlace PlaceOfLine(const std::vector<TSourceBlock>& blocks, int line);

}  // namespace glyphmill::page
