// Turning comma-separated text (CSV) into a Markdown table.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// The delimiter of a CSV text: whichever of ',', ';', tab and '|' occurs most
// often outside quotes in its first five lines (earlier in that order on a tie);
// ',' when none occurs or the text is blank.
QChar DetectCsvDelimiter(const QString& text);

// The Markdown table rows for a CSV text: "| a | b |" per row, a "|---|" row
// after the first, quoted cells with doubled quotes and line breaks (as
// "<br>"), cells trimmed, nothing escaped. Rows keep their own cell counts.
QString CsvToMarkdownTable(const QString& text, QChar delimiter);

// The state of CsvToMarkdownTable while it walks the text.
struct TCsvTableState {
  QString Cell;          // the cell being read
  QStringList Cells;     // the finished cells of the current row
  bool InsideQuotes = false;
  bool FirstRow = true;  // the separator row is still to be written
  QString Output;
};

// Ends the current row: writes it (and after the first row the separator row)
// unless it is empty, then starts a new row.
void FlushTableRow(TCsvTableState& state);

// `text` without the characters of code 32 or less at either end.
QString TrimControls(const QString& text);
