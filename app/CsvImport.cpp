#include "CsvImport.h"

#include "LineList.h"

#include <array>

namespace {

constexpr std::array<QChar, 4> kCandidates = {u',', u';', u'\t', u'|'};
constexpr int kLinesExamined = 5;

bool isBlank(QChar c) { return c.unicode() <= 32; }

bool isLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

// A bar inside a cell is written "\|", so that the table reads it as text and
// the row keeps its cells.
QString escapeBars(QString cell) { return cell.replace(u'|', QStringLiteral("\\|")); }

}  // namespace

QString TrimControls(const QString& text) {
  qsizetype start = 0;
  qsizetype end = text.size();
  while (start < end && isBlank(text[start])) ++start;
  while (end > start && isBlank(text[end - 1])) --end;
  return text.mid(start, end - start);
}

QChar DetectCsvDelimiter(const QString& text) {
  if (TrimControls(text).isEmpty()) return u',';
  std::array<int, kCandidates.size()> counts{};
  const QStringList lines = SplitLines(text);
  for (qsizetype n = 0; n < lines.size() && n < kLinesExamined; ++n) {
    bool insideQuotes = false;  // a quote left open does not reach the next line
    for (const QChar c : lines[n]) {
      if (c == u'"') {
        insideQuotes = !insideQuotes;
        continue;
      }
      if (insideQuotes) continue;
      for (std::size_t i = 0; i < kCandidates.size(); ++i) {
        if (c == kCandidates[i]) ++counts[i];
      }
    }
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < kCandidates.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return counts[best] == 0 ? QChar(u',') : kCandidates[best];
}

void FlushTableRow(TCsvTableState& state) {
  if (state.Cells.isEmpty() && state.Cell.isEmpty()) return;
  state.Cells.append(TrimControls(state.Cell));
  state.Output += u'|';
  for (const QString& cell : state.Cells) state.Output += u' ' + escapeBars(cell) + QStringLiteral(" |");
  state.Output += QStringLiteral("\r\n");
  if (state.FirstRow) {
    state.Output += u'|';
    for (qsizetype i = 0; i < state.Cells.size(); ++i) state.Output += QStringLiteral("---|");
    state.Output += QStringLiteral("\r\n");
    state.FirstRow = false;
  }
  state.Cells.clear();
  state.Cell.clear();
}

QString CsvToMarkdownTable(const QString& text, QChar delimiter) {
  if (TrimControls(text).isEmpty()) return QString();
  TCsvTableState state;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text[i];
    const bool crLf = c == u'\r' && i + 1 < size && text[i + 1] == u'\n';
    if (c == u'"' && state.InsideQuotes && i + 1 < size) {
      if (text[i + 1] == u'"') {
        state.Cell += u'"';  // a doubled quote inside quotes is one quote
        ++i;
      } else {
        state.InsideQuotes = false;
      }
    } else if (c == u'"') {
      state.InsideQuotes = !state.InsideQuotes;
    } else if (c == delimiter && !state.InsideQuotes) {
      state.Cells.append(TrimControls(state.Cell));
      state.Cell.clear();
    } else if (isLineBreak(c) && state.InsideQuotes) {
      state.Cell += QStringLiteral("<br>");
      if (crLf) ++i;
    } else if (isLineBreak(c)) {
      FlushTableRow(state);
      if (crLf) ++i;
    } else {
      state.Cell += c;
    }
  }
  FlushTableRow(state);
  qsizetype end = state.Output.size();
  while (end > 0 && isBlank(state.Output[end - 1])) --end;
  state.Output.truncate(end);
  return state.Output;
}
