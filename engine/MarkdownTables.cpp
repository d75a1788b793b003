// Pipe tables: which lines form a table, and the table's HTML.
#include "MarkdownTables.h"

#include <string>
#include <string_view>
#include <vector>

namespace glyphmill {

using namespace std::string_view_literals;

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
  if (L == nullptr || L->FIsEmpty || L->isIndented()) return region;
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
std::u16string_view trimmed(std::u16string_view s) {
  std::size_t start = 0;
  std::size_t end = s.size();
  while (start < end && s[start] <= 32) ++start;
  while (end > start && s[end - 1] <= 32) --end;
  return s.substr(start, end - start);
}

// The ends of a cell's opening tag: with an alignment, or none.
constexpr std::u16string_view kAlignCenter = u" align=\"center\">";
constexpr std::u16string_view kAlignLeft = u" align=\"left\">";
constexpr std::u16string_view kAlignRight = u" align=\"right\">";
constexpr std::u16string_view kNoAlign = u">";

// A column's alignment, as an index into the tag texts below.
enum TAlignment : unsigned char { alNone, alLeft, alCenter, alRight };

// Whether text holds `part` from position at.
bool holdsAt(std::u16string_view text, std::size_t at, std::u16string_view part) {
  return text.substr(at, part.size()) == part;
}

// Whether the two characters a, b stand next to each other somewhere in s.
bool holdsPair(std::u16string_view s, char16_t a, char16_t b) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] == a && s[i + 1] == b) return true;
  }
  return false;
}

// The alignment of one column of the format row.
TAlignment alignmentOf(std::u16string_view formatCell) {
  const bool left = holdsPair(formatCell, u':', u'-');
  const bool right = holdsPair(formatCell, u'-', u':');
  if (left && right) return alCenter;
  if (left) return alLeft;
  if (right) return alRight;
  return alNone;
}

// The alignment endings differ first in the letter after ` align="`.
constexpr std::size_t kAlignLetter = 8;
static_assert(kAlignCenter[kAlignLetter] == u'c' && kAlignLeft[kAlignLetter] == u'l' &&
              kAlignRight[kAlignLetter] == u'r');

// The alignment ending whose letter after ` align="` is c; empty for none.
std::u16string_view alignmentEndingNamed(char16_t c) {
  switch (c) {
    case u'c': return kAlignCenter;
    case u'l': return kAlignLeft;
    case u'r': return kAlignRight;
    default: return {};
  }
}

// The end of a cell's opening tag for an alignment.
std::u16string_view alignmentText(TAlignment alignment) {
  static constexpr std::u16string_view kEndings[] = {kNoAlign, kAlignLeft, kAlignCenter,
                                                     kAlignRight};
  return kEndings[alignment];
}

// Calls cell(text) for each cell of one row text, in order: the text
// without one pipe at either end (an escaped pipe at the end stays), cut at
// every pipe that no backslash precedes. k such pipes give k + 1 cells.
template <typename Cell>
void forEachCell(std::u16string_view row, const Cell& cell) {
  std::size_t begin = 0;
  std::size_t end = row.size();
  if (begin < end && row[begin] == u'|') ++begin;
  if (begin < end && row[end - 1] == u'|' && !(end >= 2 && row[end - 2] == u'\\')) --end;
  std::size_t cellStart = begin;
  for (std::size_t i = begin; i < end; ++i) {
    if (row[i] == u'|' && !(i > begin && row[i - 1] == u'\\')) {
      cell(row.substr(cellStart, i - cellStart));
      cellStart = i + 1;
    }
  }
  cell(row.substr(cellStart, end - cellStart));
}

// Counts the code units appended to it instead of keeping them.
struct TUnitCount {
  std::size_t units = 0;
  TUnitCount& operator+=(std::u16string_view text) {
    units += text.size();
    return *this;
  }
};

// The whole opening tag of a cell, by cell kind and alignment, and its
// closing tag.
struct TCellTags {
  std::u16string_view opening[4];  // by TAlignment
  std::u16string_view close;
};
constexpr TCellTags kHeaderCell{{u"    <th>", u"    <th align=\"left\">",
                                 u"    <th align=\"center\">", u"    <th align=\"right\">"},
                                u"</th>\n"};
constexpr TCellTags kDataCell{{u"    <td>", u"    <td align=\"left\">",
                               u"    <td align=\"center\">", u"    <td align=\"right\">"},
                              u"</td>\n"};

// Nothing to do after a cell.
struct TNoCellHook {
  template <typename Rows>
  void operator()(Rows&) const {}
};

// Appends one table row: cells between "  <tr>" and "  </tr>", each cell's
// text trimmed. aligns holds the alignment of each column; a cell beyond
// them has none. afterCell(rows) is called after each cell. Rows is a string
// or a TUnitCount.
template <typename Rows, typename AfterCell = TNoCellHook>
void appendRow(Rows& rows, std::u16string_view rowLine, const std::vector<TAlignment>& aligns,
               const TCellTags& tags, const AfterCell& afterCell = {}) {
  rows += u"  <tr>\n"sv;
  std::size_t column = 0;
  forEachCell(trimmed(rowLine), [&](std::u16string_view cell) {
    rows += tags.opening[column < aligns.size() ? aligns[column] : alNone];
    rows += trimmed(cell);
    rows += tags.close;
    ++column;
    afterCell(rows);
  });
  rows += u"  </tr>\n"sv;
}

// The alignments of the format row f, one per column.
std::vector<TAlignment> alignmentsOf(std::u16string_view f) {
  std::u16string_view format = trimmed(f);
  if (!format.empty() && format.front() == u'|') format.remove_prefix(1);
  if (!format.empty() && format.back() == u'|') format.remove_suffix(1);
  std::vector<TAlignment> aligns;
  forEachCell(format, [&](std::u16string_view cell) { aligns.push_back(alignmentOf(cell)); });
  return aligns;
}

// Calls row(line, isHeader) for each line of the table whose header row is
// L that writes a row: the header, then the lines after the format row up
// to an empty one. The format row is passed as format(line) instead.
template <typename Row, typename Format>
void forEachRow(const TLine* L, const Row& row, const Format& format) {
  const TLine* line = L;
  if (line != nullptr && !line->FIsEmpty) {
    const TLine* formatLine = line->FNext.get();
    if (formatLine != nullptr) format(formatLine);
    row(line, true);
    line = formatLine != nullptr ? formatLine->FNext.get() : nullptr;
  }
  for (; line != nullptr && !line->FIsEmpty; line = line->FNext.get()) row(line, false);
}

// The alignments of the columns of the table whose header row is L.
std::vector<TAlignment> tableAlignments(const TLine* L) {
  std::vector<TAlignment> aligns;
  forEachRow(
      L, [](const TLine*, bool) {},
      [&](const TLine* format) { aligns = alignmentsOf(format->FValue); });
  return aligns;
}

// Appends the rows of the table whose header row is L, from the row line
// `from` on, to text (a string or a TUnitCount). The format row gives the
// alignments and writes no row of its own.
template <typename Text>
void appendRowsFrom(Text& text, const TLine* L, const TLine* from,
                    const std::vector<TAlignment>& aligns) {
  bool reached = false;
  forEachRow(
      L,
      [&](const TLine* line, bool isHeader) {
        reached = reached || line == from;
        if (reached) appendRow(text, line->FValue, aligns, isHeader ? kHeaderCell : kDataCell);
      },
      [](const TLine*) {});
}

// Appends the table whose header row is L to text (a string or a TUnitCount).
template <typename Text>
void appendTable(Text& text, const TLine* L) {
  text += u"<table>\n"sv;
  appendRowsFrom(text, L, L, tableAlignments(L));
  text += u"</table>\n"sv;
}

// Whether a row line holds a character that can start an inline marker.
// Without one its cells are their own HTML, and so is the whole row with the
// table's own tags around them.
bool holdsMarkers(const TLine* line) {
  const std::u16string_view text = line->FValue.view();
  return TEmitter::plainRunEnd(text, 0) < static_cast<int>(text.size());
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
  Strings.clear();
  forEachCell(Input, [&](std::u16string_view cell) { Strings.emplace_back(cell); });
}

void TTable::AlignFormat(const std::u16string& f, std::vector<std::u16string>& sl) {
  sl.clear();
  for (TAlignment align : alignmentsOf(f)) sl.emplace_back(alignmentText(align));
}

std::u16string TTable::ProcTable(const TLine* L) {
  // Counted first, so that a long table is held in a string of its size
  // instead of one grown by doubling.
  TUnitCount count;
  appendTable(count, L);
  std::u16string text;
  text.reserve(count.units);
  appendTable(text, L);
  return text;
}

// The table writes "<table>", "<tr>", "<th" and "<td" with one of the
// endings above, and the closing tags of the four.
int TTable::ownTagEnd(const std::u16string& s, int start) {
  const std::u16string_view text = std::u16string_view(s).substr(static_cast<std::size_t>(start));
  // Single characters are compared as they are: a table has two tags per cell.
  const auto unitAt = [text](std::size_t i) { return i < text.size() ? text[i] : u'\0'; };
  std::size_t i = 1;
  const bool closing = unitAt(i) == u'/';
  if (closing) ++i;
  if (unitAt(i) != u't') return -1;
  ++i;
  const char16_t kind = unitAt(i);
  if (kind == u'a') return holdsAt(text, i, u"able>") ? start + static_cast<int>(i) + 4 : -1;
  if (kind != u'r' && kind != u'h' && kind != u'd') return -1;
  const bool cell = kind != u'r';
  ++i;
  static_assert(kNoAlign == u">");
  if (unitAt(i) == u'>') return start + static_cast<int>(i);
  if (closing || !cell) return -1;
  const std::u16string_view ending = alignmentEndingNamed(unitAt(i + kAlignLetter));
  if (ending.empty() || !holdsAt(text, i, ending)) return -1;
  return start + static_cast<int>(i + ending.size()) - 1;
}

namespace {

// Rows gathered to be converted together: their HTML text, and the line of
// the first of them (nullptr when there are none).
struct TGatheredRows {
  std::u16string text;
  const TLine* first = nullptr;
};

// The HTML text of gathered rows is converted once it holds this many code
// units: long enough that the work of starting a conversion does not count,
// short enough to cost no memory.
constexpr std::size_t kGatheredUnits = 1 << 13;

// Converts the gathered rows and lets them go; false, with nothing written
// and the rows kept, when their HTML might depend on the rows after them.
bool convertGathered(std::u16string& out_, TGatheredRows& rows, TEmitter& emitter) {
  if (rows.first == nullptr) return true;
  if (!emitter.emitTableRows(out_, rows.text)) return false;
  rows.text.clear();
  rows.first = nullptr;
  emitter.offerPiece(out_);
  return true;
}

}  // namespace

void TTable::emitTableLines(std::u16string& out_, const TLine* lines, TEmitter& emitter) {
  if (!emitter.writesPieces(out_)) {
    // The whole table stays in out_: room is made for it once, not by
    // doubling. Converted HTML is about as long as the table's text.
    TUnitCount count;
    appendTable(count, lines);
    out_.reserve(out_.size() + count.units + count.units / 8);
  }
  const std::vector<TAlignment> aligns = tableAlignments(lines);
  // Rows are converted a few at a time while nothing in them can reach into
  // the rows after them; from the first rows that might, the rest of the
  // table is converted as one text.
  TGatheredRows gathered;
  const TLine* rest = nullptr;
  out_ += u"<table>\n"sv;
  forEachRow(
      lines,
      [&](const TLine* line, bool isHeader) {
        if (rest != nullptr) return;
        const TCellTags& tags = isHeader ? kHeaderCell : kDataCell;
        if (!holdsMarkers(line)) {
          if (!convertGathered(out_, gathered, emitter)) {
            rest = gathered.first;
          } else {
            appendRow(out_, line->FValue, aligns, tags,
                      [&](std::u16string& html) { emitter.offerPiece(html); });
          }
          return;
        }
        if (!emitter.mayConvertTableRowAlone(line->FValue)) {
          rest = convertGathered(out_, gathered, emitter) ? line : gathered.first;
          return;
        }
        if (gathered.first == nullptr) gathered.first = line;
        appendRow(gathered.text, line->FValue, aligns, tags);
        if (gathered.text.size() >= kGatheredUnits && !convertGathered(out_, gathered, emitter)) {
          rest = gathered.first;
        }
      },
      [](const TLine*) {});
  if (rest == nullptr && !convertGathered(out_, gathered, emitter)) rest = gathered.first;
  if (rest == nullptr) {
    out_ += u"</table>\n"sv;
    return;
  }
  std::u16string text = std::move(gathered.text);
  text.clear();
  appendRowsFrom(text, lines, rest, aligns);
  text += u"</table>\n"sv;
  emitter.emitTableText(out_, text);
}

}  // namespace glyphmill
