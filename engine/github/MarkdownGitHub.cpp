#include "MarkdownGitHub.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "MarkdownProcessor.h"
#include "MarkdownUtils.h"

namespace glyphmill {
namespace {

// The extensions of `cmark-gfm -e table -e strikethrough -e autolink -e tagfilter -e tasklist`.
constexpr const char* EXTENSIONS[] = {"table", "strikethrough", "autolink", "tagfilter",
                                      "tasklist"};

struct TParserDeleter {
  void operator()(cmark_parser* parser) const { cmark_parser_free(parser); }
};
struct TNodeDeleter {
  void operator()(cmark_node* node) const { cmark_node_free(node); }
};
struct TIterDeleter {
  void operator()(cmark_iter* iter) const { cmark_iter_free(iter); }
};
struct THtmlDeleter {
  void operator()(char* html) const { cmark_get_default_mem_allocator()->free(html); }
};
using TParser = std::unique_ptr<cmark_parser, TParserDeleter>;
using TDocument = std::unique_ptr<cmark_node, TNodeDeleter>;
using TIter = std::unique_ptr<cmark_iter, TIterDeleter>;
using THtml = std::unique_ptr<char, THtmlDeleter>;

TParser newParser() {
  cmark_gfm_core_extensions_ensure_registered();
  TParser parser(cmark_parser_new(CMARK_OPT_DEFAULT));
  if (!parser) throw std::bad_alloc();
  for (const char* name : EXTENSIONS) {
    cmark_syntax_extension* extension = cmark_find_syntax_extension(name);
    if (!extension) throw std::runtime_error(std::string("cmark-gfm lacks the extension ") + name);
    cmark_parser_attach_syntax_extension(parser.get(), extension);
  }
  return parser;
}

// A raw HTML node's text as the engine's safe mode writes raw HTML.
void neutraliseHtml(cmark_node* node) {
  const char* literal = cmark_node_get_literal(node);
  if (!literal) return;
  std::u16string safe;
  TUtils::appendSafeRawHtml(safe, fromUtf8(literal));
  cmark_node_set_literal(node, toUtf8(safe).c_str());
}

// A link or image whose destination could run script keeps an empty one.
void blankDangerousUrl(cmark_node* node) {
  const char* url = cmark_node_get_url(node);
  if (url && TUtils::isDangerousUrl(fromUtf8(url))) cmark_node_set_url(node, "");
}

// Safe mode: rewrites the tree so that rendering it as it stands is harmless.
void makeSafe(cmark_node* document) {
  TIter iter(cmark_iter_new(document));
  cmark_event_type event;
  while ((event = cmark_iter_next(iter.get())) != CMARK_EVENT_DONE) {
    if (event != CMARK_EVENT_ENTER) continue;
    cmark_node* node = cmark_iter_get_node(iter.get());
    switch (cmark_node_get_type(node)) {
      case CMARK_NODE_HTML_BLOCK:
      case CMARK_NODE_HTML_INLINE: neutraliseHtml(node); break;
      case CMARK_NODE_LINK:
      case CMARK_NODE_IMAGE: blankDangerousUrl(node); break;
      default: break;
    }
  }
}

class TMarkdownGitHub final : public TMarkdownProcessor {
 public:
  TMarkdownGitHub() {
    FConfig = std::make_unique<TConfiguration>(true);
    FConfig->SetDialect(mdGitHub);
  }

  bool GetAllowUnsafe() const override { return !FConfig->safeMode; }
  void SetAllowUnsafe(bool value) override { FConfig->safeMode = !value; }

  std::u16string Process(const std::u16string& source) override {
    return fromUtf8(toHtml(toUtf8(source)));
  }
  std::u16string Process(std::u16string&& source) override {
    std::string text = toUtf8(source);
    // Assigning an empty string would keep the characters' memory; a swap
    // lets go of it before the library builds its tree.
    std::u16string().swap(source);
    return fromUtf8(toHtml(std::move(text)));
  }
  // The library renders a whole document at once, so the HTML comes as one piece.
  void ProcessTo(std::u16string&& source, const THtmlSink& write) override {
    const std::u16string html = Process(std::move(source));
    if (!html.empty()) write(html);
  }

 private:
  // The HTML of markdown. Each copy goes as soon as the next step has what
  // it needs: the text once the parser has read it, the tree once rendered.
  std::string toHtml(std::string markdown) const {
    TParser parser = newParser();
    cmark_parser_feed(parser.get(), markdown.data(), markdown.size());
    std::string().swap(markdown);  // the parser keeps what it read
    TDocument document(cmark_parser_finish(parser.get()));
    if (!document) throw std::bad_alloc();
    if (FConfig->safeMode) makeSafe(document.get());
    // The tree is already safe in safe mode; the library's own omission of raw
    // HTML is not wanted.
    THtml html(cmark_render_html(document.get(), CMARK_OPT_DEFAULT | CMARK_OPT_UNSAFE,
                                 cmark_parser_get_syntax_extensions(parser.get())));
    document.reset();
    return std::string(html ? html.get() : "");
  }
};

std::unique_ptr<TMarkdownProcessor> newGitHubProcessor() {
  return std::make_unique<TMarkdownGitHub>();
}

}  // namespace

void registerGitHubDialect() { registerDialectFactory(mdGitHub, newGitHubProcessor); }

}  // namespace glyphmill
