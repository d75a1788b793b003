#include "TableStyling.h"

#include "StyledTables.h"

QString StyleTables(const QString& html) {
  const std::u16string_view text(reinterpret_cast<const char16_t*>(html.utf16()), std::size_t(html.size()));
  std::u16string styled;
  if (!glyphmill::page::StyleTables(text, styled)) return html;  // nothing to style: shared, not copied
  return QString(reinterpret_cast<const QChar*>(styled.data()), qsizetype(styled.size()));
}
