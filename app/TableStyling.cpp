#include "TableStyling.h"

#include "StyledTables.h"

namespace {

// The styled replacement for the plain table tag at `at` (just after its "<"),
// with the length of the tag it replaces; empty when no such tag is there.
std::string_view styledTagAt(std::u16string_view html, std::size_t at, std::size_t& tagLength) {
  for (const auto& [tag, replacement] : glyphmill::page::kStyledTableTags) {
    if (glyphmill::page::StartsWithTag(html, at, tag)) {
      tagLength = tag.size();
      return replacement;
    }
  }
  return {};
}

}  // namespace

QString StyledHtmlText(std::u16string_view html) {
  QString text;
  text.reserve(qsizetype(html.size() + html.size() / 8 + 2));
  const auto copy = [&](std::size_t from, std::size_t to) {
    text.append(reinterpret_cast<const QChar*>(html.data() + from), qsizetype(to - from));
  };
  std::size_t copied = 0;
  std::size_t i = 0;
  while (i < html.size()) {
    const char16_t c = html[i];
    if (c == u'\r' || c == u'\n') {
      copy(copied, i);
      text.append(u'\r').append(u'\n');
      i += (c == u'\r' && i + 1 < html.size() && html[i + 1] == u'\n') ? 2 : 1;
      copied = i;
      continue;
    }
    std::size_t tagLength = 0;
    const std::string_view replacement = c == u'<' ? styledTagAt(html, i + 1, tagLength) : std::string_view();
    if (replacement.empty()) {
      ++i;
      continue;
    }
    copy(copied, i);
    text.append(QLatin1StringView(replacement.data(), qsizetype(replacement.size())));
    i += 1 + tagLength;
    copied = i;
  }
  copy(copied, html.size());
  const bool endsWithBreak = !html.empty() && (html.back() == u'\r' || html.back() == u'\n');
  if (!html.empty() && !endsWithBreak) text.append(u'\r').append(u'\n');
  return text;
}
