#include "TableStyling.h"

QString StyleTables(const QString& html) {
  struct Replacement {
    QLatin1StringView tag;
    QLatin1StringView styled;
  };
  static const Replacement replacements[] = {
      {QLatin1StringView("<table>"),
       QLatin1StringView("<table style=\"border: 1px solid black; border-collapse: collapse;\">")},
      {QLatin1StringView("<th>"),
       QLatin1StringView("<th style=\"border: 1px solid black; padding: 3px;\">")},
      {QLatin1StringView("<td>"),
       QLatin1StringView("<td style=\"border: 1px solid black; padding: 3px;\">")},
  };
  QString result = html;  // shared until a tag is found
  for (const Replacement& r : replacements) {
    if (result.contains(r.tag, Qt::CaseInsensitive)) {
      result.replace(r.tag, r.styled, Qt::CaseInsensitive);
    }
  }
  return result;
}
