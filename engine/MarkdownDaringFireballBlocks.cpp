// Block structure: cuts the lines of a block into child blocks (paragraphs,
// headlines, code, lists, quotes, rulers, raw HTML, tables).
//
// Quotes and list items are built the same way as the document, one level
// further in. Instead of descending into them at once, the builder notes them
// in a work list and builds them after the level it is walking: `split` has
// already cut their lines off that level's chain, so nothing they do can
// change it. Deep nesting therefore needs no deep call stack.
//
// A document's own level can hand each of its blocks over as soon as the
// block is complete: the work noted for it is done at once, with a memo of
// its own, so that what the memo knows about the rest of the document's
// lines is kept.
#include <vector>

#include "MarkdownDaringFireball.h"
#include "MarkdownTables.h"
#include "MarkdownUtils.h"
#include "MarkdownXmlBlockMemo.h"

namespace glyphmill {

namespace {

using TBlockSink = TMarkdownDaringFireball::TBlockSink;

// Makes `memo` the configuration's active memo until the end of the scope.
class TActiveMemo {
 public:
  TActiveMemo(TConfiguration& config, TXmlBlockMemo* memo)
      : config_(config), before_(config.xmlBlockMemo) {
    config_.xmlBlockMemo = memo;
  }
  ~TActiveMemo() { config_.xmlBlockMemo = before_; }
  TActiveMemo(const TActiveMemo&) = delete;
  TActiveMemo& operator=(const TActiveMemo&) = delete;

 private:
  TConfiguration& config_;
  TXmlBlockMemo* before_;
};

bool isListLine(TLineType t) { return t == ltULIST || t == ltOLIST || t == ltBLIST; }

// Moves the lines before `line` into a new child of `block`; with no line,
// all of the block's lines. Callers never pass the block's first line.
TBlock* splitBefore(TBlock* block, TLine* line) {
  return block->split(line != nullptr ? line->FPrevious : block->FLineTail);
}

// A list line, or a line that starts a new paragraph after a blank line at
// the left margin, begins the next item of a list.
void splitIntoItems(TBlock* list, TConfiguration& config) {
  TLine* first = list->FLines.get();
  if (first == nullptr) return;
  for (TLine* line = first->FNext.get(); line != nullptr; line = line->FNext.get()) {
    if (line->isIndented()) continue;  // belongs to the item above it
    const bool startsItem =
        isListLine(line->getLineType(config)) ||
        (!line->FIsEmpty && line->FPrevEmpty && line->FLeading == 0);
    if (startsItem) list->split(line->FPrevious)->FType = btLIST_ITEM;
    if (list->plainRunToEnd(line) != nullptr) break;  // no item starts in the rest
  }
  list->split(list->FLineTail)->FType = btLIST_ITEM;
}

// Builds the block tree below one block with an explicit work list.
class TBlockBuilder {
 public:
  TBlockBuilder(TConfiguration& config, bool useExtensions)
      : config_(config),
        useExtensions_(useExtensions),
        withIds_(config.isDialect({mdCommonMark, mdTxtMark})),
        memoOwner_(config),
        // Nested levels remember only when the active memo does, so that a
        // memo that does not remember checks every level.
        nestedMemo_(config, config.xmlBlockMemo->remembers()) {}

  // With `finished`, each child of root goes there as soon as it is built,
  // instead of staying in root.
  void build(TBlock* root, bool listMode, const TBlockSink* finished) {
    buildLevel(root, listMode, finished);
    buildPending();
  }

 private:
  // A quote (prefixes already removed) or a list (not yet cut into items)
  // whose building is still to come.
  struct TPending {
    TBlock* block;
    bool isList;
  };

  // ------------------------------------------------------------ levels

  // The memo that classification uses now (see TActiveMemo).
  TXmlBlockMemo& memo() { return *config_.xmlBlockMemo; }

  // Builds the quotes and lists noted so far, and those they hold, with the
  // memo of nested levels.
  void buildPending() {
    if (pending_.empty()) return;
    const TActiveMemo nested(config_, &nestedMemo_);
    while (!pending_.empty()) {
      const TPending next = pending_.back();
      pending_.pop_back();
      if (next.isList) {
        buildItems(next.block);
      } else {
        buildLevel(next.block, false, nullptr);
      }
    }
  }

  // Completes root's children and hands them to `finished`, in order.
  void handOverChildren(TBlock* root, const TBlockSink& finished) {
    if (root->FBlocks == nullptr) return;
    buildPending();
    const TActiveMemo none(config_, nullptr);  // the sink does not build
    while (root->FBlocks != nullptr) {
      std::unique_ptr<TBlock> child = std::move(root->FBlocks);
      root->FBlocks = std::move(child->FNext);
      finished(std::move(child));
    }
    root->FBlockTail = nullptr;
  }

  // Cuts the list into items and builds each item's own level; the list is
  // loose when any item holds a paragraph.
  void buildItems(TBlock* list) {
    memo().forgetEverythingUnlessChainEndsAt(list->FLineTail);
    splitIntoItems(list, config_);
    for (TBlock* item = list->FBlocks.get(); item != nullptr; item = item->FNext.get()) {
      buildLevel(item, true, nullptr);
    }
    list->expandListParagraphs();
  }

  // The main loop over the lines of one block; with `finished`, the
  // children go there as they are made.
  void buildLevel(TBlock* root, bool listMode, const TBlockSink* finished) {
    if (listMode) {
      memo().forgetEverythingUnlessChainEndsAt(root->FLineTail);
      prepareListItem(root);
    } else {
      memo().forgetEverything();
    }

    TLine* line = root->FLines.get();
    while (line != nullptr) {
      line = buildNext(root, line, listMode);
      if (finished != nullptr) handOverChildren(root, *finished);
    }
  }

  // Builds the block that starts at `line` (or passes a blank line); returns
  // the line to go on with.
  TLine* buildNext(TBlock* root, TLine* line, bool listMode) {
    const TLineType t = line->getLineType(config_);
    switch (t) {
      case ltEMPTY: return line->FNext.get();
      case ltOTHER: return buildParagraph(root, line, listMode);
      case ltHEADLINE:
      case ltHEADLINE1:
      case ltHEADLINE2: return buildHeadline(root, line, t);
      case ltCODE: return buildCode(root, line);
      case ltULIST:
      case ltOLIST:
      case ltBLIST: return buildList(root, line, t);
      case ltBQUOTE: return buildQuote(root, line);
      case ltHR: return buildRuler(root, line);
      case ltXML: return buildXml(root, line);
      case ltFENCED_CODE: return buildFencedCode(root, line);
      case ltTABLE: return buildTable(root, line);
    }
    return line->FNext.get();
  }

  // A list item loses its list indentation; its first line may carry an id.
  void prepareListItem(TBlock* item) {
    TLine* first = item->FLines.get();
    // The lines that lost only spaces keep what the memo knows of them; those
    // up to the last one that lost its marker must be described again.
    const TLine* lastChanged = item->removeListIndent(config_);
    if (lastChanged != nullptr) memo().forgetLinesUpTo(first, lastChanged);
    if (withIds_ && first != nullptr && first->getLineType(config_) != ltCODE) {
      item->FIdOrMeta = first->stripID();
      memo().forget(first);
    }
  }

  // ------------------------------------------------------------ cases
  // Each case returns the line the main loop goes on with.

  bool endsParagraph(TLineType u, bool listMode) const {
    if ((listMode || useExtensions_) && isListLine(u)) return true;
    if (useExtensions_ && (u == ltCODE || u == ltFENCED_CODE)) return true;
    return u == ltHEADLINE || u == ltHEADLINE1 || u == ltHEADLINE2 || u == ltBQUOTE ||
           u == ltHR || u == ltXML || u == ltTABLE;
  }

  // Inside a list item a paragraph without a blank line before or after it
  // gets no paragraph tags (btNONE). `line` is known to be an ltOTHER line,
  // so the search for the paragraph's end starts after it (its type can cost
  // a scan of all its tags).
  TLine* buildParagraph(TBlock* root, TLine* line, bool listMode) {
    const bool prevEmpty = line->FPrevEmpty;
    TLine* stop = line->FNext.get();
    while (stop != nullptr && !stop->FIsEmpty &&
           !endsParagraph(stop->getLineType(config_), listMode)) {
      stop = stop->FNext.get();
    }
    if (stop != nullptr && !stop->FIsEmpty) {
      // Ended by a line that starts another block.
      splitBefore(root, stop)->FType = (listMode && !prevEmpty) ? btNONE : btPARAGRAPH;
      root->removeLeadingEmptyLines();
    } else {
      // Ended by a blank line or by the end of the block.
      const bool ranOut = stop == nullptr;
      root->removeLeadingEmptyLines();
      splitBefore(root, stop)->FType = (listMode && ranOut && !prevEmpty) ? btNONE : btPARAGRAPH;
    }
    return root->FLines.get();
  }

  // Blank lines in front of a one-line block become a btNONE child of their own.
  void splitOffLinesBefore(TBlock* root, TLine* line) {
    if (line->FPrevious != nullptr) splitBefore(root, line);
  }

  TLine* buildHeadline(TBlock* root, TLine* line, TLineType t) {
    splitOffLinesBefore(root, line);
    if (t == ltHEADLINE1 || t == ltHEADLINE2) {
      // The underline is dropped below with the blank lines.
      TLine* underline = line->FNext.get();
      memo().forget(line);
      if (underline != nullptr) {
        memo().forget(underline);
        underline->setEmpty();
      }
    }
    TBlock* headline = root->split(line);
    headline->FType = btHEADLINE;
    if (t == ltHEADLINE1) headline->FHlDepth = 1;
    if (t == ltHEADLINE2) headline->FHlDepth = 2;
    if (withIds_) headline->FIdOrMeta = line->stripID();
    headline->transfromHeadline();
    root->removeLeadingEmptyLines();
    return root->FLines.get();
  }

  TLine* buildCode(TBlock* root, TLine* line) {
    TLine* stop = line;
    while (stop != nullptr && (stop->FIsEmpty || stop->isIndented())) stop = stop->FNext.get();
    TBlock* code = splitBefore(root, stop);
    code->FType = btCODE;
    code->removeSurroundingEmptyLines();
    return stop;
  }

  // A list goes on over blank lines, indented lines and lazy lines; after a
  // blank line a line at the margin must be a list line of the same kind.
  TLine* buildList(TBlock* root, TLine* line, TLineType t) {
    TLine* stop = walkWhileContinued(root, line, t);
    TBlock* list = splitBefore(root, stop);
    list->FType = t == ltULIST ? btUNORDERED_LIST : btORDERED_LIST;
    list->removeSurroundingEmptyLines();
    list->FLines->FPrevEmpty = false;
    list->FLineTail->FNextEmpty = false;
    pending_.push_back(TPending{list, true});
    return stop;
  }

  TLine* buildQuote(TBlock* root, TLine* line) {
    TLine* stop = walkWhileContinued(root, line, ltBQUOTE);
    TBlock* quote = splitBefore(root, stop);
    quote->FType = btBLOCKQUOTE;
    quote->removeSurroundingEmptyLines();
    pending_.push_back(TPending{removeQuotePrefixes(quote), false});
    return root->FLines.get();
  }

  TLine* buildRuler(TBlock* root, TLine* line) {
    splitOffLinesBefore(root, line);
    root->split(line)->FType = btRULER;
    root->removeLeadingEmptyLines();
    return root->FLines.get();
  }

  // The classification that chose this case has set xmlEndLine.
  TLine* buildXml(TBlock* root, TLine* line) {
    splitOffLinesBefore(root, line);
    root->split(config_.xmlEndLine)->FType = btXML;
    root->removeLeadingEmptyLines();
    return root->FLines.get();
  }

  // Any fence line closes the block; without one it takes all lines.
  TLine* buildFencedCode(TBlock* root, TLine* line) {
    TLine* stop = nullptr;
    for (TLine* next = line->FNext.get(); next != nullptr; next = next->FNext.get()) {
      if (next->getLineType(config_) == ltFENCED_CODE) {
        stop = next->FNext.get();
        break;
      }
    }
    TBlock* fenced = splitBefore(root, stop);
    memo().forgetLines(fenced->FLines.get());  // its last line is classified again
    fenced->removeSurroundingEmptyLines();
    fenced->FType = btFENCED_CODE;
    fenced->FIdOrMeta = TUtils::getMetaFromFence(fenced->FLines->FValue);
    fenced->FLines->setEmpty();
    if (fenced->FLineTail->getLineType(config_) == ltFENCED_CODE) fenced->FLineTail->setEmpty();
    fenced->removeSurroundingEmptyLines();
    return stop;
  }

  // The rows: the header, the format row and every following line with 1 to
  // as many pipes as the format row (counted when the header was classified).
  TLine* buildTable(TBlock* root, TLine* line) {
    TLine* stop = line;
    while (stop != nullptr && TTable::isRow(stop, config_)) stop = stop->FNext.get();
    TBlock* table = splitBefore(root, stop);
    table->removeSurroundingEmptyLines();
    table->FType = btTABLE;
    return stop;
  }

  // ------------------------------------------------------------ helpers

  // The first line from `line` on that ends a list or quote whose lines are
  // of kind t, or nullptr when it takes all the rest of the block.
  TLine* walkWhileContinued(TBlock* root, TLine* line, TLineType t) {
    for (TLine* stop = line; stop != nullptr; stop = stop->FNext.get()) {
      if (startsAtMarginAfterBlank(stop) && stop->getLineType(config_) != t) return stop;
      if (root->plainRunToEnd(stop) != nullptr) return nullptr;
    }
    return nullptr;
  }

  // The line ends a list or quote unless it is of the right kind.
  static bool startsAtMarginAfterBlank(const TLine* line) {
    return !line->FIsEmpty && line->FPrevEmpty && line->FLeading == 0;
  }

  // Removes the quote markers of a new quote and returns the block to build
  // next. A quote of one line that opens another quote at once ('>>>> a')
  // is nested in one go: done level by level, every level would move the
  // rest of the line again.
  TBlock* removeQuotePrefixes(TBlock* quote) {
    TLine* line = quote->FLines.get();
    const bool oneLine = line != nullptr && line->FNext == nullptr;
    const int levels = oneLine ? quoteLevelsOfOneLine(*line) : 1;
    if (levels <= 1) {
      quote->removeBlockQuotePrefix();
      return quote;
    }
    line->FValue.erase(0, quotePrefixesLength(*line, levels));
    line->InitLeading();
    // Each level holds only the quote of the next one.
    TBlock* inner = quote;
    for (int level = 2; level <= levels; ++level) {
      inner = inner->split(inner->FLineTail);
      inner->FType = btBLOCKQUOTE;
    }
    return inner;
  }

  // After removing one marker (">" and one space after it), the next level
  // starts with another quote when the rest, indented by at most 3 spaces,
  // begins with ">".
  static int markerEnd(std::u16string_view v, int marker) {
    const int len = static_cast<int>(v.size());
    int end = marker + 1;
    if (end < len && v[end] == u' ') ++end;
    return end;
  }

  static int nextQuoteMarker(std::u16string_view v, int from) {
    const int len = static_cast<int>(v.size());
    int i = from;
    while (i < len && v[i] == u' ') ++i;
    return (i < len && i - from <= 3 && v[i] == u'>') ? i : -1;
  }

  // Levels of quote the single line opens (at least 1; it begins with ">").
  static int quoteLevelsOfOneLine(const TLine& line) {
    int marker = line.FLeading;
    if (marker >= line.length() || line.FValue[marker] != u'>') return 1;
    int levels = 1;
    while (true) {
      marker = nextQuoteMarker(line.FValue, markerEnd(line.FValue, marker));
      if (marker < 0) return levels;
      ++levels;
    }
  }

  // The characters that `levels` removals of a quote marker take off.
  static int quotePrefixesLength(const TLine& line, int levels) {
    int marker = line.FLeading;
    int end = markerEnd(line.FValue, marker);
    for (int level = 2; level <= levels; ++level) {
      marker = nextQuoteMarker(line.FValue, end);
      end = markerEnd(line.FValue, marker);
    }
    return end;
  }

  TConfiguration& config_;
  const bool useExtensions_;
  const bool withIds_;
  TXmlBlockMemo memoOwner_;   // the top level's memo, unless one was active before
  TXmlBlockMemo nestedMemo_;  // the memo of quotes and list items
  std::vector<TPending> pending_;
};

}  // namespace

void TMarkdownDaringFireball::buildBlocks(TBlock* root, bool listMode) {
  TBlockBuilder builder(config(), FuseExtensions);
  builder.build(root, listMode, nullptr);
}

void TMarkdownDaringFireball::buildBlocks(TBlock* root, const TBlockSink& finished) {
  TBlockBuilder builder(config(), FuseExtensions);
  builder.build(root, false, &finished);
}

void TMarkdownDaringFireball::splitListItems(TBlock* list) { splitIntoItems(list, config()); }

}  // namespace glyphmill
