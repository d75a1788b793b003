#include "TextChange.h"

#include <QChar>

#include <algorithm>

namespace {

bool isInsideCharacter(char16_t unit) { return QChar::isLowSurrogate(unit); }

bool isInsideCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The common beginning, then the common end of the rest; each shortened
// until it ends (or starts) between two characters.
template <typename Unit>
TTextChange changeBetween(const Unit* before, qsizetype beforeLength, const Unit* after,
                          qsizetype afterLength) {
  const qsizetype shorter = std::min(beforeLength, afterLength);
  qsizetype start = 0;
  while (start < shorter && before[start] == after[start]) ++start;
  while (start > 0 && ((start < beforeLength && isInsideCharacter(before[start])) ||
                       (start < afterLength && isInsideCharacter(after[start])))) {
    --start;
  }
  qsizetype kept = 0;
  while (kept < shorter - start && before[beforeLength - 1 - kept] == after[afterLength - 1 - kept]) {
    ++kept;
  }
  while (kept > 0 && isInsideCharacter(before[beforeLength - kept])) --kept;
  return {start, kept};
}

}  // namespace

TTextChange ChangeBetween(QStringView before, QStringView after) {
  return changeBetween(before.utf16(), before.size(), after.utf16(), after.size());
}

TTextChange ChangeBetween(QByteArrayView before, QByteArrayView after) {
  return changeBetween(before.data(), before.size(), after.data(), after.size());
}
