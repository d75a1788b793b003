// The complete HTML page around a converted fragment, shared by the preview,
// the exported pages and glyphmill-convert --page. Plain C++, UTF-8 text; every
// line of what it writes ends with CR LF.
#pragma once

#include <string>
#include <string_view>

namespace glyphmill::page {

// Which colours the page's stylesheet carries.
enum class TColourScheme {
  csLight,  // the light colours only
  csDark,   // the dark colours only
  csBoth,   // light, and dark where the reader's desktop prefers it
};

// What goes around the fragment.
struct TPageParts {
  std::string Language = "en";  // the html element's lang
  std::string Title;  // HTML text (references allowed, no tags); "Untitled" when empty
  TColourScheme Scheme = TColourScheme::csBoth;
  std::string ExtraHead;  // markup put at the end of the head (a base, more styles)
};

// The page's stylesheet with the colours of `scheme`.
std::string Stylesheet(TColourScheme scheme);

// The page: doctype, html with lang, head (character set, viewport, title,
// stylesheet, ExtraHead) and a body holding `fragment` unchanged.
std::string BuildPage(std::string_view fragment, const TPageParts& parts);

// The text of the fragment's first headline (h1 to h6), its tags left out and
// its white space joined; "" when it has none. Character references stay as
// written, so the text is ready for an HTML text position.
std::string FirstHeadlineText(std::string_view fragment);

// The title of a document's page: the text of its first headline, else the
// file name of `documentPath` (escaped), else "".
std::string PageTitle(std::string_view fragment, const std::string& documentPath);

// `text` with "&", "<", ">" and '"' written as character references.
std::string EscapeText(std::string_view text);

// The fragment with the source of every image that names a local file (a
// path relative to `documentFolder`, an absolute path or a file: address)
// replaced by a data: address holding the file's bytes. Images whose file is
// missing or of an unknown kind, and remote ones, stay as they are.
std::string EmbedLocalImages(std::string_view fragment, const std::string& documentFolder);

// `bytes` in base64.
std::string Base64(std::string_view bytes);

// The text with every line break (CR LF, lone LF, lone CR) made CR LF, and one
// after the last line when `text` does not end with a break.
std::string WithCrLf(std::string_view text);

}  // namespace glyphmill::page
