// The reader, lines and blocks, and the small operations on them.
#include <algorithm>
#include <vector>

#include "MarkdownUnitSearch.h"
#include "MarkdownUtils.h"

namespace glyphmill {

namespace {

// Characters that a backslash escapes in a line read with TLine::readUntil.
constexpr TCharSet LINE_ESCAPES{u'!', u'"', u'#', u'\'', u'(', u')', u'*', u'+', u'-', u'.',
                                u'>', u'[', u'\\', u']', u'_', u'`', u'{', u'}', u'~'};

}  // namespace

// ---------------------------------------------------------------- line text

TLineText& TLineText::operator=(std::u16string text) {
  mayHoldAngle_ = holdsAngleBracket(text);
  if (owns_) {
    *chars_.own = std::move(text);
  } else {
    chars_.own = new std::u16string(std::move(text));
    owns_ = true;
  }
  sharedSize_ = 0;
  start_ = 0;
  spacesEnd_ = kUnknown;
  return *this;
}

void TLineText::clear() {
  release();
  sharedSize_ = 0;
  start_ = 0;
  spacesEnd_ = kUnknown;
  mayHoldAngle_ = false;
}

void TLineText::erase(std::size_t pos, std::size_t n) {
  n = std::min(n, size() - std::min(pos, size()));
  if (pos != 0) {
    own();
    chars_.own->erase(start_ + pos, n);
    spacesEnd_ = kUnknown;
    return;
  }
  removeFront(n);
}

void TLineText::own() const {
  if (owns_) return;
  // Shared characters (or none) become a string of the text's own.
  chars_.own = new std::u16string(whole().substr(start_));
  owns_ = true;
  sharedSize_ = 0;
  spacesEnd_ = (spacesEnd_ != kUnknown && spacesEnd_ >= start_) ? spacesEnd_ - start_ : kUnknown;
  start_ = 0;
}

void TLineText::dropFront() const {
  if (start_ == 0) return;
  chars_.own->erase(0, start_);
  spacesEnd_ = (spacesEnd_ != kUnknown && spacesEnd_ >= start_) ? spacesEnd_ - start_ : kUnknown;
  start_ = 0;
}

std::uint32_t TLineText::leadingSpacesEnd() const {
  return static_cast<std::uint32_t>(skipUnit(whole(), start_, u' '));
}

bool TLineText::holdsAngleBracket(std::u16string_view text) {
  return findEitherUnit(text, 0, u'<', u'>') != text.size();
}

// ---------------------------------------------------------------- seldom text

const std::u16string& TSeldomText::str() const {
  static const std::u16string empty;
  return text_ != nullptr ? *text_ : empty;
}

// ---------------------------------------------------------------- line

// Lines and blocks are made in pools, where each takes its own size and no
// more: a cache line each.
static_assert(sizeof(TLineText) <= 24, "a line text stays small");
static_assert(sizeof(TLine) <= 64, "a line object stays small");
static_assert(sizeof(TBlock) <= 64, "a block object stays small");

TLine::~TLine() {
  // Each move releases one successor whose own chain has already been taken.
  std::unique_ptr<TLine> rest = std::move(FNext);
  while (rest) rest = std::move(rest->FNext);
}

void TLine::operator delete(TLine* line, std::destroying_delete_t) {
  const bool pooled = line->FPooled;
  line->~TLine();
  if (!pooled) ::operator delete(line);
}

// ---------------------------------------------------------------- line pool

void TLinePool::giveBack(std::unique_ptr<TLine> line) {
  TLine* room = line.release();
  room->~TLine();
  rooms_.giveBack(room);
}

void TLine::InitLeading() {
  forgetLineType();
  FLeading = static_cast<int>(FValue.leadingSpaces());
  if (FLeading == length()) setEmpty();
}

void TLine::dropLeadingSpaces(int n) {
  FValue.removeFront(static_cast<std::size_t>(n));
  FLeading -= n;
  forgetLineType();
}

bool TLine::skipSpaces() {
  while (FPosition < length() && FValue[FPosition] == u' ') ++FPosition;
  return FPosition < length();
}

std::u16string TLine::readUntil(const TCharSet& chend) {
  std::u16string buffer;
  int p = FPosition;
  while (p < length()) {
    const char16_t c = FValue[p];
    if (c == u'\\' && p + 1 < length()) {
      const char16_t d = FValue[p + 1];
      if (LINE_ESCAPES.contains(d)) {
        buffer += d;
        p += 2;
      } else {
        buffer += c;
        p += 1;
      }
    } else if (chend.contains(c)) {
      break;
    } else {
      buffer += c;
      p += 1;
    }
  }
  const char16_t stop = p < length() ? FValue[p] : u'\n';
  if (!chend.contains(stop)) return u"";
  FPosition = p;
  return buffer;
}

void TLine::setEmpty() {
  FValue.clear();
  FLeading = 0;
  FTrailing = 0;
  FIsEmpty = true;
  if (FPrevious) FPrevious->FNextEmpty = true;
  if (FNext) FNext->FPrevEmpty = true;
}

// ---------------------------------------------------------------- block

void TBlock::releaseChildrenAndSiblings() {
  // Children and siblings are released from a work list, so that neither a
  // long run of siblings nor deep nesting recurses.
  std::vector<std::unique_ptr<TBlock>> pending;
  if (FBlocks) pending.push_back(std::move(FBlocks));
  if (FNext) pending.push_back(std::move(FNext));
  while (!pending.empty()) {
    std::unique_ptr<TBlock> block = std::move(pending.back());
    pending.pop_back();
    if (block->FBlocks) pending.push_back(std::move(block->FBlocks));
    if (block->FNext) pending.push_back(std::move(block->FNext));
  }
}

void TBlock::operator delete(TBlock* block, std::destroying_delete_t) {
  TBlockPool* pool = block->FPool;
  block->~TBlock();
  if (pool != nullptr) {
    pool->rooms_.giveBack(block);
  } else {
    ::operator delete(block);
  }
}

std::unique_ptr<TBlock> TBlockPool::make() {
  std::unique_ptr<TBlock> block(new (rooms_.take()) TBlock());
  block->FPool = this;
  return block;
}

namespace {

bool linesHoldLessThan(const TLine* lines) {
  for (const TLine* line = lines; line != nullptr; line = line->FNext.get()) {
    if (!line->FValue.mayHoldAngleBracket()) continue;
    const std::u16string_view text = line->FValue.view();
    if (findEitherUnit(text, 0, u'<', u'<') != text.size()) return true;
  }
  return false;
}

}  // namespace

bool TBlock::holdsLessThan() const {
  if (linesHoldLessThan(FLines.get())) return true;
  // The blocks inside, from a work list, so that deep nesting does not recurse.
  std::vector<const TBlock*> pending;
  if (FBlocks) pending.push_back(FBlocks.get());
  while (!pending.empty()) {
    const TBlock* block = pending.back();
    pending.pop_back();
    if (linesHoldLessThan(block->FLines.get())) return true;
    if (block->FNext) pending.push_back(block->FNext.get());
    if (block->FBlocks) pending.push_back(block->FBlocks.get());
  }
  return false;
}

TBlock* TBlock::split(TLine* line) {
  auto block = FPool != nullptr ? FPool->make() : std::make_unique<TBlock>();
  std::unique_ptr<TLine> rest = std::move(line->FNext);
  block->FLines = std::move(FLines);
  block->FLineTail = line;
  if (rest) {
    rest->FPrevious = nullptr;
    FLines = std::move(rest);
  } else {
    FLineTail = nullptr;
  }
  TBlock* added = block.get();
  if (FBlockTail) {
    FBlockTail->FNext = std::move(block);
  } else {
    FBlocks = std::move(block);
  }
  FBlockTail = added;
  return added;
}

void TBlock::removeLine(TLine* line) {
  std::unique_ptr<TLine> removed;
  std::unique_ptr<TLine> after = std::move(line->FNext);
  TLine* before = line->FPrevious;
  if (after) after->FPrevious = before;
  if (before) {
    removed = std::move(before->FNext);
    before->FNext = std::move(after);
  } else {
    removed = std::move(FLines);
    FLines = std::move(after);
  }
  if (FLineTail == line) FLineTail = before;
  // `removed` holds only `line` now and is destroyed here.
}

bool TBlock::removeLeadingEmptyLines() {
  bool removed = false;
  while (FLines && FLines->FIsEmpty) {
    removeLine(FLines.get());
    removed = true;
  }
  return removed;
}

void TBlock::removeTrailingEmptyLines() {
  while (FLineTail && FLineTail->FIsEmpty) removeLine(FLineTail);
}

void TBlock::removeSurroundingEmptyLines() {
  if (!FLines) return;
  removeTrailingEmptyLines();
  removeLeadingEmptyLines();
}

void TBlock::removeBlockQuotePrefix() {
  for (TLine* line = FLines.get(); line; line = line->FNext.get()) {
    if (line->FIsEmpty || line->FLeading >= line->length()) continue;
    if (line->FValue[line->FLeading] != u'>') continue;
    int cut = line->FLeading + 1;
    if (cut < line->length() && line->FValue[cut] == u' ') ++cut;
    line->FValue.removeFront(static_cast<std::size_t>(cut));
    line->InitLeading();
  }
}

namespace {
// Index of the first `ch` in `s`, or -1.
int indexOf(std::u16string_view s, char16_t ch) {
  const std::size_t at = findEitherUnit(s, 0, ch, ch);
  return at == s.size() ? -1 : static_cast<int>(at);
}
}  // namespace

TLine* TBlock::removeListIndent(TConfiguration& config) {
  TLine* lastChanged = nullptr;
  for (TLine* line = FLines.get(); line; line = line->FNext.get()) {
    if (line->FIsEmpty) continue;
    if (line->isIndented()) {  // a deeper line: loses four of its spaces
      line->dropLeadingSpaces(4);
      continue;
    }
    int cut;
    switch (line->getLineType(config)) {
      case ltULIST: cut = line->FLeading + 2; break;
      case ltOLIST: cut = indexOf(line->FValue, u'.') + 2; break;
      case ltBLIST: cut = indexOf(line->FValue, u')') + 2; break;
      default: cut = std::min(line->FLeading, 4); break;
    }
    const std::size_t removed = std::min<std::size_t>(static_cast<std::size_t>(cut), line->FValue.size());
    if (removed > line->FValue.leadingSpaces()) lastChanged = line;
    line->FValue.removeFront(removed);
    line->InitLeading();
    if (plainRunToEnd(line) != nullptr) break;  // the rest is at the margin already
  }
  return lastChanged;
}

void TBlock::transfromHeadline() {
  TLine* line = FLines.get();
  if (FHlDepth > 0 || !line || line->FIsEmpty) return;
  const std::u16string_view v = line->FValue;
  const int length = line->length();
  int i = line->FLeading;
  int level = 0;
  while (i < length && v[i] == u'#') {
    ++level;
    ++i;
  }
  while (i < length && v[i] == u' ') ++i;
  if (i >= length) {
    line->setEmpty();
  } else {
    int e = length - line->FTrailing - 1;
    while (e >= 0 && v[e] == u'#') --e;
    while (e >= 0 && v[e] == u' ') --e;
    // A closing run of "#" counts only when a space stands before it.
    if (e + 1 < length && v[e + 1] != u' ') e = length - 1;
    line->FValue = e >= i ? std::u16string(v.substr(i, e - i + 1)) : std::u16string();
    line->FLeading = 0;
    line->FTrailing = 0;
    line->forgetLineType();
  }
  FHlDepth = std::min(level, 6);
}

void TBlock::expandListParagraphs() {
  if (FType != btORDERED_LIST && FType != btUNORDERED_LIST) return;
  bool hasParagraph = false;
  for (TBlock* item = FBlocks.get(); item && !hasParagraph; item = item->FNext.get()) {
    if (item->FType != btLIST_ITEM) continue;
    for (TBlock* child = item->FBlocks.get(); child; child = child->FNext.get()) {
      if (child->FType == btPARAGRAPH) {
        hasParagraph = true;
        break;
      }
    }
  }
  if (!hasParagraph) return;
  for (TBlock* item = FBlocks.get(); item; item = item->FNext.get()) {
    if (item->FType != btLIST_ITEM) continue;
    for (TBlock* child = item->FBlocks.get(); child; child = child->FNext.get()) {
      if (child->FType == btNONE) child->FType = btPARAGRAPH;
    }
  }
}

}  // namespace glyphmill
