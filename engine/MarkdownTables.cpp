// Pipe tables: which lines form a table, and the table's HTML.
#include "MarkdownTables.h"

#include <string>
#include <vector>

namespace glyphmill {

namespace {

// The part of a row between its leading and trailing spaces without one pipe
// at either end: indexes first to last inclusive (empty when last < first).
// Empty lines and lines indented by 4 or more spaces have none.
struct TInnerRegion {
  int first = 0;
  int last = -1;
};

TInnerRegion innerRegion(const TLine* L) {
  TInnerRegion region;
  if (L == nullptr || L->FIsEmpty || L->FLeading > 3) return region;
  const std::u16string_view v = L->FValue;
  const int len = static_cast<int>(v.size());
  int first = L->FLeading;
  int last = len - L->FTrailing - 1;
  if (first < len && v[first] == u'|') ++first;
  if (last >= 0 && last < len && v[last] == u'|') --last;
  if (last >= len) last = len - 1;
  region.first = first;
  region.last = last;
  return region;
}

bool isFormatChar(char16_t c) { return c == u' ' || c == u'-' || c == u':' || c == u'|'; }

// Characters with codes 0 to 32 removed from both ends.
std::u16string trimmed(const std::u16string& s) {
  std::size_t start = 0;
  std::size_t end = s.size();
  while (start < end && s[start] <= 32) ++start;
  while (end > start && s[end - 1] <= 32) --end;
  return s.substr(start, end - start);
}

bool contains(const std::u16string& s, const char16_t* part) {
  return s.find(part) != std::u16string::npos;
}

// The end of a cell's opening tag for one column of the format row.
std::u16string alignmentText(const std::u16string& formatCell) {
  const bool left = contains(formatCell, u":-");
  const bool right = contains(formatCell, u"-:");
  if (left && right) return u" align=\"center\">";
  if (left) return u" align=\"left\">";
  if (right) return u" align=\"right\">";
  return u">";
}

// One table row: "    <th" or "    <td" cells between "  <tr>" and "  </tr>".
// A cell beyond the alignment list gets no alignment.
std::u16string rowText(const std::u16string& rowLine, const std::vector<std::u16string>& aligns,
                       const char16_t* cellTag) {
  std::vector<std::u16string> cells;
  TTable::RowSplit(trimmed(rowLine), cells);
  std::u16string row = u"  <tr>\n";
  for (std::size_t i = 0; i < cells.size(); ++i) {
    row += u"    <";
    row += cellTag;
    row += i < aligns.size() ? aligns[i] : std::u16string(u">");
    row += trimmed(cells[i]);
    row += u"</";
    row += cellTag;
    row += u">\n";
  }
  row += u"  </tr>\n";
  return row;
}

}  // namespace

int TTable::hasFormatChars(const TLine* L, TConfiguration& config) {
  const TInnerRegion region = innerRegion(L);
  int pipes = 0;
  for (int i = region.first; i <= region.last; ++i) {
    const char16_t c = L->FValue[i];
    if (!isFormatChar(c)) {
      pipes = 0;
      break;
    }
    if (c == u'|') ++pipes;
  }
  config.formatPipeCount = pipes;
  return pipes;
}

int TTable::ColCount(const TLine* L) {
  const TInnerRegion region = innerRegion(L);
  int pipes = 0;
  for (int i = region.first; i <= region.last; ++i) {
    if (L->FValue[i] == u'|' && (i == 0 || L->FValue[i - 1] != u'\\')) ++pipes;
  }
  return pipes;
}

bool TTable::isRow(const TLine* L, const TConfiguration& config) {
  const int pipes = ColCount(L);
  return pipes >= 1 && pipes <= config.formatPipeCount;
}

void TTable::RowSplit(const std::u16string& Input, std::vector<std::u16string>& Strings) {
  // Without its end pipes; an escaped pipe at the end stays.
  std::size_t begin = 0;
  std::size_t end = Input.size();
  if (begin < end && Input[begin] == u'|') ++begin;
  if (begin < end && Input[end - 1] == u'|' && !(end >= 2 && Input[end - 2] == u'\\')) --end;

  Strings.clear();
  std::u16string cell;
  for (std::size_t i = begin; i < end; ++i) {
    const bool separator = Input[i] == u'|' && !(i > begin && Input[i - 1] == u'\\');
    if (separator) {
      Strings.push_back(cell);
      cell.clear();
    } else {
      cell += Input[i];
    }
  }
  Strings.push_back(cell);
}

void TTable::AlignFormat(const std::u16string& f, std::vector<std::u16string>& sl) {
  std::u16string format = trimmed(f);
  if (!format.empty() && format.front() == u'|') format.erase(0, 1);
  if (!format.empty() && format.back() == u'|') format.pop_back();
  RowSplit(format, sl);
  for (std::u16string& entry : sl) entry = alignmentText(entry);
}

std::u16string TTable::ProcTable(const TLine* L) {
  std::u16string rows;
  std::vector<std::u16string> aligns;
  const TLine* line = L;
  if (line != nullptr && !line->FIsEmpty) {
    // The header row; the format row under it gives the alignments and
    // writes no row of its own.
    const TLine* format = line->FNext.get();
    if (format != nullptr) AlignFormat(format->FValue.str(), aligns);
    rows += rowText(line->FValue.str(), aligns, u"th");
    line = format != nullptr ? format->FNext.get() : nullptr;
  }
  for (; line != nullptr && !line->FIsEmpty; line = line->FNext.get()) {
    rows += rowText(line->FValue.str(), aligns, u"td");
  }
  return u"<table>\n" + rows + u"</table>\n";
}

void TTable::emitTableLines(std::u16string& out_, const TLine* lines, TEmitter& emitter) {
  const std::u16string text = ProcTable(lines);
  emitter.emitTableText(out_, text);
}

}  // namespace glyphmill
