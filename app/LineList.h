// An ordered list of text lines whose whole text ends every line with CR LF.
#pragma once

#include <QString>
#include <QStringList>

class TLineList {
 public:
  // The lines, each followed by CR LF, the last one included; "" for no lines.
  const QString& Text() const { return FText; }
  // Replaces the lines by those of `text`, cut at CR LF, lone LF and lone CR;
  // a final line break makes no extra empty line.
  void SetText(const QString& text);
  void Clear();
  int Count() const { return FCount; }
  QStringList Lines() const;

 private:
  QString FText;  // kept in the whole-text form, so reading it costs nothing
  int FCount = 0;
};

// Splits a text into lines at CR LF, lone LF and lone CR; a final line break
// makes no extra empty line.
QStringList SplitLines(const QString& text);
