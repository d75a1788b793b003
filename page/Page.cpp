#include "Page.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace glyphmill::page {

// The text of glyphmill.css, compiled in by the build.
extern const char kStylesheetText[];

namespace {

namespace fs = std::filesystem;

// Where the stylesheet's dark colours start; the builder keeps, drops or
// unconditions them by rewriting this one media query.
constexpr std::string_view kDarkQuery = "@media (prefers-color-scheme: dark)";

// Images larger than this are left as addresses.
constexpr std::uintmax_t kLargestEmbeddedImage = 64u << 20;

char lowered(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (at > text.size() || text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lowered(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The position just after the tag that starts at `open` ("<"), quoted
// attribute values skipped; text.size() when it does not end.
std::size_t tagEnd(std::string_view text, std::size_t open) {
  char quote = 0;
  for (std::size_t i = open + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return text.size();
}

// Whether a tag named `name` (lower case) starts at `at` ("<" included).
bool isTagStart(std::string_view text, std::size_t at, std::string_view name) {
  if (!startsWithNoCase(text, at + 1, name)) return false;
  const std::size_t after = at + 1 + name.size();
  return after < text.size() && (isSpace(text[after]) || text[after] == '>' || text[after] == '/');
}

// The plain text of markup: tags left out, runs of white space made one space,
// trimmed.
std::string textOfMarkup(std::string_view markup) {
  std::string text;
  bool pendingSpace = false;
  for (std::size_t i = 0; i < markup.size();) {
    const char c = markup[i];
    if (c == '<') {
      i = tagEnd(markup, i);
      continue;
    }
    ++i;
    if (isSpace(c)) {
      pendingSpace = !text.empty();
      continue;
    }
    if (pendingSpace) text += ' ';
    pendingSpace = false;
    text += c;
  }
  return text;
}

// The value of an attribute within a tag: where it starts and ends (quotes
// not included), and the whole stretch to replace (quotes included).
struct TAttributeValue {
  std::size_t ValueStart = 0, ValueEnd = 0;
  std::size_t WholeStart = 0, WholeEnd = 0;
};

// The value of attribute `wanted` (lower case) in the tag text `tag`, which
// starts with "<" and its name.
std::optional<TAttributeValue> findAttribute(std::string_view tag, std::size_t nameEnd,
                                             std::string_view wanted) {
  std::size_t i = nameEnd;
  while (i < tag.size()) {
    while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/')) ++i;
    if (i >= tag.size() || tag[i] == '>') return std::nullopt;
    const std::size_t nameStart = i;
    while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/') ++i;
    const std::string_view name = tag.substr(nameStart, i - nameStart);
    while (i < tag.size() && isSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;  // an attribute without a value
    ++i;
    while (i < tag.size() && isSpace(tag[i])) ++i;
    TAttributeValue value;
    value.WholeStart = i;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      const char quote = tag[i];
      value.ValueStart = i + 1;
      const std::size_t close = tag.find(quote, value.ValueStart);
      value.ValueEnd = close == std::string_view::npos ? tag.size() : close;
      i = close == std::string_view::npos ? tag.size() : close + 1;
    } else {
      value.ValueStart = i;
      while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>') ++i;
      value.ValueEnd = i;
    }
    value.WholeEnd = i;
    bool same = name.size() == wanted.size();
    for (std::size_t k = 0; same && k < name.size(); ++k) same = lowered(name[k]) == wanted[k];
    if (same) return value;
  }
  return std::nullopt;
}

// An attribute value as the browser reads it, for the few references that
// occur in addresses.
std::string decodedAttribute(std::string_view value) {
  std::string text(value);
  replaceAll(text, "&quot;", "\"");
  replaceAll(text, "&#39;", "'");
  replaceAll(text, "&lt;", "<");
  replaceAll(text, "&gt;", ">");
  replaceAll(text, "&amp;", "&");
  return text;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lowered(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string percentDecoded(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      result += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

// The scheme of an address ("file", "https"), lower case; "" when it has none.
std::string schemeOf(std::string_view address) {
  std::size_t i = 0;
  while (i < address.size() && ((address[i] >= 'a' && address[i] <= 'z') ||
                                (address[i] >= 'A' && address[i] <= 'Z') ||
                                (i > 0 && ((address[i] >= '0' && address[i] <= '9') ||
                                           address[i] == '+' || address[i] == '.' ||
                                           address[i] == '-')))) {
    ++i;
  }
  if (i == 0 || i >= address.size() || address[i] != ':') return {};
  std::string scheme(address.substr(0, i));
  for (char& c : scheme) c = lowered(c);
  return scheme;
}

// The local file an image address names, or "" when it names none.
std::string localFileOf(const std::string& address, const std::string& documentFolder) {
  const std::string scheme = schemeOf(address);
  std::string path;
  if (scheme == "file") {
    path = address.substr(5);
    if (path.rfind("//localhost/", 0) == 0) {
      path = path.substr(11);
    } else if (path.rfind("//", 0) == 0) {
      path = path.substr(2);
    }
    if (path.empty() || path[0] != '/') return {};
  } else if (!scheme.empty() || address.empty() || address.rfind("//", 0) == 0 || address[0] == '#') {
    return {};
  } else {
    path = address;
  }
  const std::size_t cut = path.find_first_of("?#");
  if (cut != std::string::npos) path.resize(cut);
  path = percentDecoded(path);
  if (path.empty()) return {};
  if (path[0] != '/') path = (fs::path(documentFolder) / path).string();
  return path;
}

std::string mimeTypeOf(const std::string& fileName) {
  std::string extension = fs::path(fileName).extension().string();
  for (char& c : extension) c = lowered(c);
  static const std::array<std::pair<std::string_view, std::string_view>, 10> kTypes = {{
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},
      {".webp", "image/webp"},
      {".svg", "image/svg+xml"},
      {".bmp", "image/bmp"},
      {".ico", "image/x-icon"},
      {".avif", "image/avif"},
      {".apng", "image/apng"},
  }};
  for (const auto& [known, type] : kTypes) {
    if (extension == known) return std::string(type);
  }
  return {};
}

// Whether `bytes` begin as a file of the image type `type` does. A document
// names the files it shows, so only what is an image goes into the page: a
// secret with an image's name stays on the disk.
bool looksLike(const std::string& type, const std::string& bytes) {
  const auto startsWith = [&bytes](std::string_view mark, std::size_t at = 0) {
    return bytes.size() >= at + mark.size() && bytes.compare(at, mark.size(), mark) == 0;
  };
  if (type == "image/png" || type == "image/apng") return startsWith("\x89PNG\r\n\x1a\n");
  if (type == "image/jpeg") return startsWith("\xFF\xD8\xFF");
  if (type == "image/gif") return startsWith("GIF87a") || startsWith("GIF89a");
  if (type == "image/webp") return startsWith("RIFF") && startsWith("WEBP", 8);
  if (type == "image/bmp") return startsWith("BM");
  if (type == "image/x-icon") return startsWith(std::string_view("\0\0\1\0", 4));
  if (type == "image/avif") return startsWith("ftypavi", 4);
  if (type == "image/svg+xml") {
    std::string head = bytes.substr(0, 4096);
    for (char& c : head) c = lowered(c);
    return head.find("<svg") != std::string::npos;
  }
  return false;
}

// The data: address of an image file, or "" when it cannot be embedded.
std::string dataAddressOf(const std::string& fileName) {
  const std::string type = mimeTypeOf(fileName);
  std::error_code error;
  if (type.empty() || !fs::is_regular_file(fileName, error)) return {};
  const std::uintmax_t size = fs::file_size(fileName, error);
  if (error || size > kLargestEmbeddedImage) return {};
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return {};
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad() || !looksLike(type, bytes)) return {};
  return "data:" + type + ";base64," + Base64(bytes);
}

}  // namespace

std::string Stylesheet(TColourScheme scheme) {
  std::string css = kStylesheetText;
  switch (scheme) {
    case TColourScheme::csLight: replaceAll(css, kDarkQuery, "@media not all"); break;
    case TColourScheme::csDark: replaceAll(css, kDarkQuery, "@media all"); break;
    case TColourScheme::csBoth: break;
  }
  return css;
}

std::string BuildPage(std::string_view fragment, const TPageParts& parts) {
  const std::string title = parts.Title.empty() ? std::string("Untitled") : parts.Title;
  std::string page;
  page.reserve(fragment.size() + 8192);
  page += "<!DOCTYPE html>\r\n";
  page += "<html lang=\"" + EscapeText(parts.Language) + "\">\r\n";
  page += "<head>\r\n";
  page += "<meta charset=\"utf-8\">\r\n";
  page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
  page += "<title>" + title + "</title>\r\n";
  page += "<style>\r\n" + WithCrLf(Stylesheet(parts.Scheme)) + "</style>\r\n";
  if (!parts.ExtraHead.empty()) page += WithCrLf(parts.ExtraHead);
  page += "</head>\r\n";
  page += "<body>\r\n";
  page += fragment;
  if (!fragment.empty() && fragment.back() != '\n') page += "\r\n";
  page += "</body>\r\n";
  page += "</html>\r\n";
  return page;
}

std::string FirstHeadlineText(std::string_view fragment) {
  for (std::size_t at = fragment.find('<'); at != std::string_view::npos; at = fragment.find('<', at + 1)) {
    if (at + 3 > fragment.size() || lowered(fragment[at + 1]) != 'h') continue;
    const char level = fragment[at + 2];
    if (level < '1' || level > '6' || !isTagStart(fragment, at, std::string{'h', level})) continue;
    const std::size_t contentStart = tagEnd(fragment, at);
    const std::string closing = std::string("</h") + level;
    std::size_t contentEnd = contentStart;
    while (contentEnd < fragment.size() && !startsWithNoCase(fragment, contentEnd, closing)) {
      contentEnd = fragment.find('<', contentEnd + 1);
      if (contentEnd == std::string_view::npos) contentEnd = fragment.size();
    }
    return textOfMarkup(fragment.substr(contentStart, contentEnd - contentStart));
  }
  return {};
}

std::string PageTitle(std::string_view fragment, const std::string& documentPath) {
  std::string title = FirstHeadlineText(fragment);
  if (title.empty() && !documentPath.empty()) title = EscapeText(fs::path(documentPath).filename().string());
  return title;
}

std::string EscapeText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string EmbedLocalImages(std::string_view fragment, const std::string& documentFolder) {
  std::string result;
  std::size_t copied = 0;
  for (std::size_t at = fragment.find('<'); at != std::string_view::npos; at = fragment.find('<', at + 1)) {
    if (!isTagStart(fragment, at, "img")) continue;
    const std::size_t end = tagEnd(fragment, at);
    const std::string_view tag = fragment.substr(at, end - at);
    const auto source = findAttribute(tag, 4, "src");
    if (!source) continue;
    const std::string address =
        decodedAttribute(tag.substr(source->ValueStart, source->ValueEnd - source->ValueStart));
    const std::string file = localFileOf(address, documentFolder);
    const std::string data = file.empty() ? std::string() : dataAddressOf(file);
    if (data.empty()) continue;
    result.append(fragment.substr(copied, at + source->WholeStart - copied));
    result += '"' + data + '"';
    copied = at + source->WholeEnd;
    at = end - 1;
  }
  if (copied == 0) return std::string(fragment);
  result.append(fragment.substr(copied));
  return result;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                                std::uint8_t(bytes[i + 2]);
    text += kDigits[group >> 18];
    text += kDigits[(group >> 12) & 63];
    text += kDigits[(group >> 6) & 63];
    text += kDigits[group & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                (two ? std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 : 0);
    text += kDigits[group >> 18];
    text += kDigits[(group >> 12) & 63];
    text += two ? kDigits[(group >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

std::string WithCrLf(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 16 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += c;
    }
  }
  if (!result.empty() && result.back() != '\n') result += "\r\n";
  return result;
}

}  // namespace glyphmill::page
