#include "LineList.h"

namespace {

// Calls `onLine` for each line of `text`, cut at CR LF, lone LF and lone CR.
template <typename OnLine>
void forEachLine(const QString& text, OnLine onLine) {
  const qsizetype size = text.size();
  const QChar* chars = text.constData();
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < size) {
    const QChar c = chars[i];
    if (c != u'\r' && c != u'\n') {
      ++i;
      continue;
    }
    onLine(QStringView(chars + start, i - start));
    i += (c == u'\r' && i + 1 < size && chars[i + 1] == u'\n') ? 2 : 1;
    start = i;
  }
  if (start < size) onLine(QStringView(chars + start, size - start));
}

// True when every line break of `text` is CR LF and the text ends with one (or is
// empty), that is when the text is already in the whole-text form.
bool isWholeTextForm(const QString& text, int& count) {
  count = 0;
  const qsizetype size = text.size();
  const QChar* chars = text.constData();
  for (qsizetype i = 0; i < size; ++i) {
    if (chars[i] == u'\n') return false;
    if (chars[i] == u'\r') {
      if (i + 1 >= size || chars[i + 1] != u'\n') return false;
      ++count;
      ++i;
    }
  }
  return size == 0 || (size >= 2 && chars[size - 2] == u'\r' && chars[size - 1] == u'\n');
}

}  // namespace

void TLineList::SetText(const QString& text) {
  int count = 0;
  if (isWholeTextForm(text, count)) {
    FText = text;  // shared, not copied
    FCount = count;
    return;
  }
  QString whole;
  whole.reserve(text.size() + 2);
  count = 0;
  forEachLine(text, [&](QStringView line) {
    whole.append(line);
    whole.append(QStringLiteral("\r\n"));
    ++count;
  });
  FText = std::move(whole);
  FCount = count;
}

void TLineList::Clear() {
  FText.clear();
  FCount = 0;
}

QStringList TLineList::Lines() const { return SplitLines(FText); }

QStringList SplitLines(const QString& text) {
  QStringList lines;
  forEachLine(text, [&](QStringView line) { lines.append(line.toString()); });
  return lines;
}
