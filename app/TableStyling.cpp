#include "TableStyling.h"

namespace {

struct TStyledTag {
  QLatin1StringView tag;     // without the leading "<"
  QLatin1StringView styled;  // the whole replacement
};

const TStyledTag kStyledTags[] = {
    {QLatin1StringView("table>"),
     QLatin1StringView("<table style=\"border: 1px solid black; border-collapse: collapse;\">")},
    {QLatin1StringView("th>"), QLatin1StringView("<th style=\"border: 1px solid black; padding: 3px;\">")},
    {QLatin1StringView("td>"), QLatin1StringView("<td style=\"border: 1px solid black; padding: 3px;\">")},
};

// The tag of kStyledTags that follows the "<" at `at`, in any letter case.
const TStyledTag* styledTagAt(const QString& html, qsizetype at) {
  const QStringView rest = QStringView(html).mid(at + 1);
  for (const TStyledTag& candidate : kStyledTags) {
    if (rest.startsWith(candidate.tag, Qt::CaseInsensitive)) return &candidate;
  }
  return nullptr;
}

}  // namespace

// One pass finds all three tags: no replacement text contains another tag, so this
// gives the same result as replacing "<table>", then "<th>", then "<td>".
QString StyleTables(const QString& html) {
  QString result;
  qsizetype copied = 0;
  for (qsizetype i = html.indexOf(u'<'); i >= 0; i = html.indexOf(u'<', i + 1)) {
    const TStyledTag* found = styledTagAt(html, i);
    if (found == nullptr) continue;
    if (result.isNull()) result.reserve(html.size() + 1024);
    result.append(QStringView(html).mid(copied, i - copied));
    result.append(found->styled);
    copied = i + 1 + found->tag.size();
  }
  if (result.isNull()) return html;  // nothing to style: shared, not copied
  result.append(QStringView(html).mid(copied));
  return result;
}
