// Gives the HTML's plain table tags a visible border: the one rule behind the
// window's HtmlLines and glyphmill-convert --page, for UTF-16 and UTF-8 text.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace glyphmill::page {

// The tags without their "<" and what replaces each whole tag.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kStyledTableTags = {{
    {"table>", "<table style=\"border: 1px solid black; border-collapse: collapse;\">"},
    {"th>", "<th style=\"border: 1px solid black; padding: 3px;\">"},
    {"td>", "<td style=\"border: 1px solid black; padding: 3px;\">"},
}};

// Whether `text` at `at` starts with the ASCII `tag`, in any letter case.
template <typename Char>
bool StartsWithTag(std::basic_string_view<Char> text, std::size_t at, std::string_view tag) {
  if (text.size() - at < tag.size()) return false;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    Char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = Char(c + 32);
    if (c != Char(tag[i])) return false;
  }
  return true;
}

// Writes `html` into `styled` with every "<table>", "<th>" and "<td>" (any
// letter case, no attributes) replaced by the same tag with a border style,
// as replacing them in that order would; tags with attributes stay. Returns
// false, writing nothing, when there is nothing to style.
template <typename Char>
bool StyleTables(std::basic_string_view<Char> html, std::basic_string<Char>& styled) {
  std::size_t copied = 0;
  bool found = false;
  for (std::size_t i = html.find(Char('<')); i != html.npos; i = html.find(Char('<'), i + 1)) {
    for (const auto& [tag, replacement] : kStyledTableTags) {
      if (!StartsWithTag(html, i + 1, tag)) continue;
      if (!found) {
        styled.clear();
        styled.reserve(html.size() + 1024);
        found = true;
      }
      styled.append(html.substr(copied, i - copied));
      styled.append(replacement.begin(), replacement.end());
      copied = i + 1 + tag.size();
      break;
    }
  }
  if (!found) return false;
  styled.append(html.substr(copied));
  return true;
}

}  // namespace glyphmill::page
