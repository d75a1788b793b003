// Block emission: writes the block tree as HTML, block by block.
#include <string>
#include <utility>
#include <vector>

#include "MarkdownTables.h"
#include "MarkdownTagDecider.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

const TSeTMarkdownProcessorDialect EXTENDED{mdCommonMark, mdTxtMark};

// Room for the inline text of lines as emitMarkedLines joins them: each
// line's text, a hard break and a line feed at most.
std::size_t markedTextSize(const TLine* lines) {
  std::size_t size = 0;
  for (const TLine* line = lines; line; line = line->FNext.get()) size += line->FValue.size() + 6;
  return size;
}

// Writes ' id="…"' for headlines and list items of the extended dialects.
void appendIdAttribute(std::u16string& out_, const TBlock& block, const TConfiguration& config) {
  if (!config.isDialect(EXTENDED) || block.FIdOrMeta.empty()) return;
  out_ += u" id=\""sv;
  TUtils::appendCode(out_, block.FIdOrMeta, 0, static_cast<int>(block.FIdOrMeta.size()));
  out_ += u"\""sv;
}

void appendOpening(std::u16string& out_, const TBlock& block, const TConfiguration& config) {
  TDecorator& decorator = *config.decorator;
  const bool withoutHook = config.codeBlockEmitter == nullptr;
  switch (block.FType) {
    case btBLOCKQUOTE: decorator.openBlockQuote(out_); break;
    case btCODE:
      if (withoutHook) decorator.openCodeBlock(out_);
      break;
    case btFENCED_CODE:
      if (withoutHook) decorator.openFencedCodeBlock(out_, block.FIdOrMeta);
      break;
    case btHEADLINE:
      decorator.openHeadline(out_, block.FHlDepth);
      appendIdAttribute(out_, block, config);
      out_ += u">"sv;
      break;
    case btLIST_ITEM:
      decorator.openListItem(out_);
      appendIdAttribute(out_, block, config);
      out_ += u">"sv;
      break;
    case btORDERED_LIST: decorator.openOrderedList(out_); break;
    case btPARAGRAPH: decorator.openParagraph(out_); break;
    case btRULER: decorator.horizontalRuler(out_); break;
    case btUNORDERED_LIST: decorator.openUnOrderedList(out_); break;
    case btNONE:
    case btXML:
    case btTABLE: break;
  }
}

// Takes the block's type and depth rather than the block: a deeply nested
// block is closed long after it was opened, when it is no longer in the cache.
void appendClosing(std::u16string& out_, TBlockType type, int hlDepth, const TConfiguration& config) {
  TDecorator& decorator = *config.decorator;
  const bool withoutHook = config.codeBlockEmitter == nullptr;
  switch (type) {
    case btBLOCKQUOTE: decorator.closeBlockQuote(out_); break;
    case btCODE:
    case btFENCED_CODE:
      if (withoutHook) decorator.closeCodeBlock(out_);
      break;
    case btHEADLINE: decorator.closeHeadline(out_, hlDepth); break;
    case btLIST_ITEM: decorator.closeListItem(out_); break;
    case btORDERED_LIST: decorator.closeOrderedList(out_); break;
    case btPARAGRAPH: decorator.closeParagraph(out_); break;
    case btUNORDERED_LIST: decorator.closeUnOrderedList(out_); break;
    case btNONE:
    case btRULER:
    case btXML:
    case btTABLE: break;
  }
}

// True when the character at `at` would let a browser read the "<" before it
// as the start of a tag, comment or declaration.
bool couldOpenTag(const std::u16string& text, int at) {
  if (at >= static_cast<int>(text.size())) return false;
  const char16_t c = text[at];
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'/' || c == u'!' ||
         c == u'?';
}

}  // namespace

// The tree is walked with an explicit stack, so deep nesting costs no call depth.
void TEmitter::emit(std::u16string& out_, TBlock* root) {
  struct Frame {
    TBlock* nextChild;
    TBlockType type;
    int hlDepth;
  };
  std::vector<Frame> open;

  // Writes a block that holds lines (or nothing) completely; returns true when
  // the block's children are to be written before its closing text.
  auto enter = [&](TBlock* block) {
    block->removeSurroundingEmptyLines();
    appendOpening(out_, *block, *FConfig);
    if (block->FType == btRULER) return false;
    if (block->hasLines() || !block->FBlocks) {
      if (block->hasLines()) emitLines(out_, block);
      appendClosing(out_, block->FType, block->FHlDepth, *FConfig);
      return false;
    }
    return true;
  };
  auto frameOf = [](TBlock* block) { return Frame{block->FBlocks.get(), block->FType, block->FHlDepth}; };

  if (enter(root)) open.push_back(frameOf(root));
  while (!open.empty()) {
    Frame& top = open.back();
    if (top.nextChild) {
      TBlock* child = top.nextChild;
      top.nextChild = child->FNext.get();
      if (enter(child)) open.push_back(frameOf(child));
    } else {
      appendClosing(out_, top.type, top.hlDepth, *FConfig);
      open.pop_back();
    }
    // Between two steps the HTML is complete up to here: a deep nesting of
    // quotes and lists goes on in pieces too, instead of waiting for its end.
    offerPiece(out_);
  }
}

void TEmitter::emitLines(std::u16string& out_, TBlock* block) {
  switch (block->FType) {
    case btCODE: emitCodeLines(out_, block->FLines.get(), block->FIdOrMeta, true); break;
    case btFENCED_CODE: emitCodeLines(out_, block->FLines.get(), block->FIdOrMeta, false); break;
    case btXML: emitRawLines(out_, block->FLines.get()); break;
    case btTABLE: TTable::emitTableLines(out_, block->FLines.get(), *this); break;
    default: emitMarkedLines(out_, block->FLines.get()); break;
  }
}

void TEmitter::emitCodeLines(std::u16string& out_, TLine* lines, const std::u16string& meta,
                             bool removeIndent) {
  const std::size_t from = removeIndent ? 4 : 0;
  if (FConfig->codeBlockEmitter) {
    std::vector<std::u16string> list;
    for (TLine* line = lines; line; line = line->FNext.get()) {
      if (line->FIsEmpty) {
        list.emplace_back();
      } else {
        list.push_back(from < line->FValue.size() ? line->FValue.substr(from) : std::u16string());
      }
    }
    FConfig->codeBlockEmitter->emitBlock(out_, list, meta);
    return;
  }
  for (TLine* line = lines; line; line = line->FNext.get()) {
    if (!line->FIsEmpty) TUtils::appendCode(out_, line->FValue, static_cast<int>(from), line->length());
    out_ += u'\n';
  }
}

void TUtils::appendSafeRawHtml(std::u16string& out_, const std::u16string& text,
                               bool deferUndecided) {
  // A tag a browser reads as complete and harmless is copied as written; a
  // "<" that a browser reads as text stays as it is; any other tag goes
  // through the tag reader, which neutralises what is not plainly harmless.
  std::u16string tag;
  const int length = static_cast<int>(text.size());
  for (int i = 0; i < length; ++i) {
    if (text[i] != u'<') {
      out_ += text[i];
      continue;
    }
    const int harmlessEnd = TUtils::copyHarmlessTag(out_, text, i);
    if (harmlessEnd >= 0) {
      i = harmlessEnd;
      continue;
    }
    if (!couldOpenTag(text, i + 1)) {
      out_ += u'<';
      continue;
    }
    tag.clear();
    const int end = TUtils::readXML(tag, text, i, true, deferUndecided);
    if (end < 0 && deferUndecided && startsBrowserTag(text, i) && browserTagEnd(text, i) < 0) {
      // A browser would finish this tag with HTML further on: decided then.
      appendUndecidedTag(out_, text, i);
    } else if (end < 0) {
      // A browser would still open a tag here, so in safe mode such a "<" is
      // written as text.
      out_ += u"&lt;"sv;
    } else {
      out_ += tag;
      i = end;
    }
  }
}

void TEmitter::emitRawLines(std::u16string& out_, TLine* lines) {
  if (!FConfig->safeMode) {
    for (TLine* line = lines; line; line = line->FNext.get()) {
      out_ += line->FValue;
      out_ += u'\n';
    }
    return;
  }
  std::u16string text;
  for (TLine* line = lines; line; line = line->FNext.get()) {
    text += line->FValue;
    text += u'\n';
  }
  TUtils::appendSafeRawHtml(out_, text, FConfig->deferUndecidedTags);
}

void TEmitter::emitMarkedLines(std::u16string& out_, TLine* lines) {
  // The text is made in the room the last paragraph left, so that most
  // paragraphs need none of their own. Taken out of the emitter while in
  // use: a paragraph converted meanwhile would find no room and make its own.
  std::u16string text = std::move(FMarkedText);
  text.clear();
  text.reserve(markedTextSize(lines));
  for (TLine* line = lines; line; line = line->FNext.get()) {
    if (!line->FIsEmpty) {
      const int end = line->length() - line->FTrailing;
      if (end > line->FLeading) text.append(line->FValue, line->FLeading, end - line->FLeading);
      if (line->FTrailing >= 2) text += u"<br/>"sv;
    }
    if (line->FNext) text += u'\n';
  }
  recursiveEmitLine(out_, text, 0, mtNONE);
  // The room of a long text is let go rather than kept for the rest of the
  // document.
  constexpr std::size_t kKeptUnits = 1 << 16;
  if (text.capacity() <= kKeptUnits) FMarkedText = std::move(text);
}

}  // namespace glyphmill
