#include "SourceBlocks.h"

#include <algorithm>

namespace glyphmill::page {

namespace {

using TLines = std::vector<std::u16string_view>;

TLines splitLines(std::u16string_view text) {
  TLines lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool isBlank(std::u16string_view line) {
  return std::all_of(line.begin(), line.end(), [](char16_t c) { return c == u' ' || c == u'\t'; });
}

// The line's indentation in columns, a tab reaching the next multiple of 4.
int indentOf(std::u16string_view line) {
  int columns = 0;
  for (const char16_t c : line) {
    if (c == u' ') {
      ++columns;
    } else if (c == u'\t') {
      columns += 4 - columns % 4;
    } else {
      break;
    }
  }
  return columns;
}

// The line after its indentation.
std::u16string_view contentOf(std::u16string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  return line.substr(i);
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The run of `c` at the start of `text`.
std::size_t runOf(std::u16string_view text, char16_t c) {
  std::size_t n = 0;
  while (n < text.size() && text[n] == c) ++n;
  return n;
}

bool endsOrSpace(std::u16string_view text, std::size_t at) {
  return at >= text.size() || text[at] == u' ' || text[at] == u'\t';
}

// A code fence: three or more backticks or tildes; its character and length.
bool isFence(std::u16string_view rest, char16_t& fenceChar, std::size_t& length) {
  if (rest.empty() || (rest[0] != u'`' && rest[0] != u'~')) return false;
  const std::size_t run = runOf(rest, rest[0]);
  if (run < 3) return false;
  fenceChar = rest[0];
  length = run;
  return true;
}

bool closesFence(std::u16string_view line, char16_t fenceChar, std::size_t length) {
  if (indentOf(line) >= 4) return false;
  const std::u16string_view rest = contentOf(line);
  return runOf(rest, fenceChar) >= length && isBlank(rest.substr(runOf(rest, fenceChar)));
}

bool isAtxHeadline(std::u16string_view rest) {
  const std::size_t run = runOf(rest, u'#');
  return run >= 1 && run <= 6 && endsOrSpace(rest, run);
}

bool isRule(std::u16string_view rest) {
  if (rest.empty() || (rest[0] != u'-' && rest[0] != u'*' && rest[0] != u'_')) return false;
  int count = 0;
  for (const char16_t c : rest) {
    if (c == rest[0]) {
      ++count;
    } else if (c != u' ' && c != u'\t') {
      return false;
    }
  }
  return count >= 3;
}

// The kind of list item the line starts ('-', '+', '*', '.' or ')'), or 0.
char16_t listMarkerOf(std::u16string_view rest) {
  if (!rest.empty() && (rest[0] == u'-' || rest[0] == u'+' || rest[0] == u'*')) {
    return endsOrSpace(rest, 1) ? rest[0] : 0;
  }
  std::size_t digits = 0;
  while (digits < rest.size() && digits < 10 && isDigit(rest[digits])) ++digits;
  if (digits == 0 || digits > 9 || digits >= rest.size()) return 0;
  const char16_t mark = rest[digits];
  if ((mark != u'.' && mark != u')') || !endsOrSpace(rest, digits + 1)) return 0;
  return mark;
}

bool isHtmlStart(std::u16string_view rest) {
  if (rest.size() < 2 || rest[0] != u'<') return false;
  const char16_t c = rest[1];
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'/' || c == u'!' || c == u'?';
}

bool isSetextUnderline(std::u16string_view rest) {
  if (rest.empty() || (rest[0] != u'=' && rest[0] != u'-')) return false;
  return isBlank(rest.substr(runOf(rest, rest[0])));
}

// A table's delimiter row: cells of dashes with optional colons, between bars.
bool isTableDelimiterRow(std::u16string_view rest) {
  bool bar = false, dash = false;
  for (const char16_t c : rest) {
    if (c == u'|') {
      bar = true;
    } else if (c == u'-') {
      dash = true;
    } else if (c != u':' && c != u' ' && c != u'\t') {
      return false;
    }
  }
  return bar && dash;
}

bool isReferenceDefinition(std::u16string_view rest) {
  if (rest.empty() || rest[0] != u'[') return false;
  const std::size_t close = rest.find(u"]:");
  return close != std::u16string_view::npos && close > 1;
}

// Whether the line ends a paragraph by starting a block of its own.
bool interruptsParagraph(std::u16string_view line) {
  if (indentOf(line) >= 4) return false;
  const std::u16string_view rest = contentOf(line);
  char16_t fenceChar = 0;
  std::size_t length = 0;
  const char16_t marker = listMarkerOf(rest);
  const bool bulletOrFirst = marker == u'-' || marker == u'+' || marker == u'*' ||
                             (marker != 0 && rest[0] == u'1' && !isDigit(rest[1]));
  return isAtxHeadline(rest) || isFence(rest, fenceChar, length) || isRule(rest) ||
         rest.starts_with(u'>') || bulletOrFirst || isHtmlStart(rest);
}

// Reads the blocks one after another; each Read... takes the block that
// starts at FLine and returns the line after it.
class TBlockReader {
 public:
  explicit TBlockReader(TLines lines) : FLines(std::move(lines)) {}

  std::vector<TSourceBlock> ReadAll() {
    int i = 0;
    while (i < count()) i = isBlank(FLines[i]) ? i + 1 : ReadBlock(i);
    return std::move(FBlocks);
  }

 private:
  int count() const { return int(FLines.size()); }
  bool blankAt(int i) const { return isBlank(FLines[i]); }

  void add(int first, int last, bool headline = false) { FBlocks.push_back({first, last, headline}); }

  int ReadBlock(int i) {
    const std::u16string_view line = FLines[i];
    if (indentOf(line) >= 4) return ReadIndentedCode(i);
    const std::u16string_view rest = contentOf(line);
    char16_t fenceChar = 0;
    std::size_t length = 0;
    if (isFence(rest, fenceChar, length)) return ReadFencedCode(i, fenceChar, length);
    if (isAtxHeadline(rest)) {
      add(i, i, true);
      return i + 1;
    }
    if (isRule(rest)) {
      add(i, i);
      return i + 1;
    }
    if (rest.starts_with(u'>')) return ReadQuote(i);
    if (isHtmlStart(rest)) return ReadUntilBlank(i);
    if (const char16_t marker = listMarkerOf(rest)) return ReadList(i, marker);
    if (isReferenceDefinition(rest)) return i + 1;
    return ReadParagraph(i);
  }

  int ReadIndentedCode(int i) {
    int last = i;
    for (int j = i + 1; j < count() && (blankAt(j) || indentOf(FLines[j]) >= 4); ++j) {
      if (!blankAt(j)) last = j;
    }
    add(i, last);
    return last + 1;
  }

  int ReadFencedCode(int i, char16_t fenceChar, std::size_t length) {
    int j = i + 1;
    while (j < count() && !closesFence(FLines[j], fenceChar, length)) ++j;
    const int last = std::min(j, count() - 1);
    add(i, last);
    return last + 1;
  }

  // A block quote goes on over its lazy lines, up to a blank line or a line
  // that starts a block of its own.
  int ReadQuote(int i) {
    int j = i + 1;
    while (j < count() && !blankAt(j) &&
           (contentOf(FLines[j]).starts_with(u'>') || !interruptsParagraph(FLines[j]))) {
      ++j;
    }
    add(i, j - 1);
    return j;
  }

  // HTML blocks and tables end at a blank line.
  int ReadUntilBlank(int i) {
    int j = i + 1;
    while (j < count() && !blankAt(j)) ++j;
    add(i, j - 1);
    return j;
  }

  // A list goes on past blank lines while the next line is indented into an
  // item or starts another item of the same kind.
  int ReadList(int i, char16_t marker) {
    int last = i;
    int j = i + 1;
    while (true) {
      while (j < count() && !blankAt(j)) last = j++;
      int next = j;
      while (next < count() && blankAt(next)) ++next;
      if (next >= count()) break;
      const std::u16string_view line = FLines[next];
      if (indentOf(line) < 2 && listMarkerOf(contentOf(line)) != marker) break;
      j = next;
    }
    add(i, last);
    return last + 1;
  }

  int ReadParagraph(int i) {
    int j = i + 1;
    if (j < count() && FLines[i].find(u'|') != std::u16string_view::npos &&
        isTableDelimiterRow(contentOf(FLines[j]))) {
      return ReadUntilBlank(i);
    }
    for (; j < count() && !blankAt(j); ++j) {
      if (indentOf(FLines[j]) < 4 && isSetextUnderline(contentOf(FLines[j]))) {
        add(i, j, true);
        return j + 1;
      }
      if (interruptsParagraph(FLines[j])) break;
    }
    add(i, j - 1);
    return j;
  }

  TLines FLines;
  std::vector<TSourceBlock> FBlocks;
};

}  // namespace

std::vector<TSourceBlock> FindSourceBlocks(std::u16string_view text) {
  return TBlockReader(splitLines(text)).ReadAll();
}

TBlockPlace PlaceOfLine(const std::vector<TSourceBlock>& blocks, int line) {
  TBlockPlace place;
  if (blocks.empty()) return place;
  const auto found = std::lower_bound(blocks.begin(), blocks.end(), line,
                                      [](const TSourceBlock& block, int l) { return block.LastLine < l; });
  const int index = found == blocks.end() ? int(blocks.size()) - 1 : int(found - blocks.begin());
  const TSourceBlock& block = blocks[index];
  int headlineBlock = -1;
  for (int i = 0; i <= index; ++i) {
    if (!blocks[i].Headline) continue;
    ++place.Headline;
    headlineBlock = i;
  }
  place.Offset = headlineBlock < 0 ? index : index - headlineBlock;
  if (line > block.FirstLine) {
    const int lines = block.LastLine - block.FirstLine + 1;
    place.Fraction = std::min(1.0, double(line - block.FirstLine) / lines);
  }
  return place;
}

}  // namespace glyphmill::page
