// Line classification: what kind of block a line starts, the id group at the
// end of a line, and the HTML-block test with its remembered scans.
#include <algorithm>
#include <string>
#include <vector>

#include "MarkdownTables.h"
#include "MarkdownUtils.h"
#include "MarkdownXmlBlockMemo.h"

namespace glyphmill {

namespace {

// The character at index i of s, or code 0 when i is outside s. Code 0 is
// none of the characters the tests look for, so a missing character matches
// no test.
char16_t charAt(std::u16string_view s, int i) {
  if (i < 0 || i >= static_cast<int>(s.size())) return 0;
  return s[i];
}

// Characters with codes 0 to 32 are removed from both ends.
std::u16string trimControlAndSpace(std::u16string_view s, int start, int end) {
  while (start < end && s[start] <= 32) ++start;
  while (end > start && s[end - 1] <= 32) --end;
  return std::u16string(s.substr(start, end - start));
}

void lowerAscii(std::u16string& s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
  }
}

// The element name of the tag whose "<" is at start, as written: the letters
// and digits after "<" or "</".
std::u16string_view writtenElementName(std::u16string_view s, int start) {
  const int n = static_cast<int>(s.size());
  int i = start + 1;
  if (i < n && s[i] == u'/') ++i;
  const int nameStart = i;
  while (i < n && TUtils::isLetterOrDigit(s[i])) ++i;
  return s.substr(nameStart, i - nameStart);
}

std::u16string lowered(std::u16string_view name) {
  std::u16string copy(name);
  lowerAscii(copy);
  return copy;
}

// Whether the tag that ends with the ">" at end ends with "/>" (a
// self-closing slash with no space before the ">").
bool endsWithSelfClose(std::u16string_view s, int end) { return end > 0 && s[end - 1] == u'/'; }

// Scans the nesting tags of s from position with the stack of open elements.
enum TLineScan { lsClosed, lsMismatch, lsLineEnd };

TLineScan scanLineTags(std::u16string_view s, int& position,
                       std::vector<std::u16string>& open) {
  TNestingTag tag;
  while (nextNestingTag(s, position, tag)) {
    if (tag.closing) {
      if (open.empty() || tag.name != open.back()) return lsMismatch;
      open.pop_back();
      if (open.empty()) return lsClosed;
    } else {
      open.push_back(tag.name);
    }
    position = tag.end;
  }
  return lsLineEnd;
}

// Index just after the run of ch that starts at i.
int skipRun(std::u16string_view s, int i, char16_t ch) {
  while (i < static_cast<int>(s.size()) && s[i] == ch) ++i;
  return i;
}

// Where a setext underline starts in v: in CommonMark the first "-" or "="
// among indexes 0 to length - 2 (else the last index), otherwise column 0.
// Only a start at index 3 or before counts, so the search stops there: any
// index past 3 it returns stands for "too far in", as the true one would.
int underlineStart(std::u16string_view v, bool commonMark) {
  if (!commonMark) return 0;
  const int last = static_cast<int>(v.size()) - 1;
  const int searched = std::min(last, 4);
  for (int k = 0; k < searched; ++k) {
    if (v[k] == u'-' || v[k] == u'=') return k;
  }
  return last;
}

// Scans from `from` for `ch` (a "{" or "}"); a backslash passes over a
// following ch together with it, and over anything else alone. -1 if none.
int findUnescaped(std::u16string_view s, int from, char16_t ch) {
  const int n = static_cast<int>(s.size());
  int i = from;
  while (i < n) {
    if (s[i] == u'\\' && i + 1 < n && s[i + 1] == ch) {
      i += 2;
    } else if (s[i] == ch) {
      return i;
    } else {
      ++i;
    }
  }
  return -1;
}

}  // namespace

// ---------------------------------------------------------------- scanning helpers

bool nextNestingTag(std::u16string_view s, int& position, TNestingTag& tag) {
  const int n = static_cast<int>(s.size());
  if (position < 0) position = 0;
  while (true) {
    while (position < n && s[position] != u'<') ++position;
    if (position >= n) return false;
    const int g = TUtils::xmlTagEnd(s, position);
    if (g <= position) {  // no tag here (the reader gives -1)
      ++position;
      continue;
    }
    const std::u16string_view name = writtenElementName(s, position);
    if (THTML::factsOf(name, true).block && !endsWithSelfClose(s, g)) {
      tag.name.assign(name);  // into the room of the last name
      lowerAscii(tag.name);
      if (tag.name != u"hr") {
        tag.closing = s[position + 1] == u'/';
        tag.end = g;
        return true;
      }
    }
    position = g;
  }
}

int findCommentClose(std::u16string_view s, int start) {
  const int n = static_cast<int>(s.size());
  for (int q = start < 0 ? 0 : start; q + 2 < n; ++q) {
    if (s[q] == u'-' && s[q + 1] == u'-' && s[q + 2] == u'>') return q;
  }
  return -1;
}

// ---------------------------------------------------------------- counting

int TLine::countOnlyChar(char16_t ch) const {
  // The last character that is not a space settles most lines at once (as in
  // '- - - a'), so a long line is walked only when it may be all `ch`.
  std::size_t end = FValue.size();
  while (end > 0 && FValue[end - 1] == u' ') --end;
  if (end > 0 && FValue[end - 1] != ch) return 0;
  int count = 0;
  for (char16_t c : FValue) {
    if (c == u' ') continue;
    if (c != ch) return 0;
    ++count;
  }
  return count;
}

int TLine::countLeadingChar(char16_t ch, bool skipSpaces) const {
  int count = 0;
  for (char16_t c : FValue) {
    if (c == u' ' && skipSpaces) continue;
    if (c != ch) break;
    ++count;
  }
  return count;
}

// ---------------------------------------------------------------- classification

TLineType TLine::classify(TConfiguration& config) {
  // A kind that the text alone gives is remembered until the text changes;
  // the others depend on the lines after this one, which may change while
  // this one does not.
  const auto remembered = [this](TLineType t) {
    ownType_ = static_cast<std::uint8_t>(t);
    return t;
  };
  if (isIndented()) return remembered(ltCODE);

  const bool commonMark = config.isDialect({mdCommonMark});
  const int len = length();
  const int visible = len - FLeading - FTrailing;  // without surrounding spaces
  const char16_t c0 = charAt(FValue, FLeading);

  // "#" headline; CommonMark wants a space after the run of "#".
  if (c0 == u'#') {
    if (!commonMark || charAt(FValue, skipRun(FValue, FLeading, u'#')) == u' ') {
      return remembered(ltHEADLINE);
    }
  }

  if (c0 == u'>') return remembered(ltBQUOTE);

  // Code fence: three or more backticks or tildes.
  if (config.isDialect({mdCommonMark, mdTxtMark}) && visible > 2 &&
      (c0 == u'`' || c0 == u'~') &&
      countLeadingChar(c0, config.allowSpacesInFencedDelimiters) >= 3) {
    return remembered(ltFENCED_CODE);
  }

  // Ruler: three or more of one of "*", "-", "_" with nothing but spaces.
  if (visible > 2 && (c0 == u'*' || c0 == u'-' || c0 == u'_') && countOnlyChar(c0) >= 3) {
    return remembered(ltHR);
  }

  // Bullet item: "*", "+" or "-" followed by a space.
  if (len - FLeading >= 2 && charAt(FValue, FLeading + 1) == u' ' &&
      (c0 == u'*' || c0 == u'+' || c0 == u'-')) {
    return remembered(ltULIST);
  }

  // Numbered item: digits, then "." or ")", then a space.
  if (len - FLeading >= 3 && TUtils::isDigit(c0)) {
    int j = FLeading;
    while (j < len && TUtils::isDigit(FValue[j])) ++j;
    if (j + 1 < len && FValue[j + 1] == u' ') {
      if (FValue[j] == u'.') return remembered(ltOLIST);
      if (FValue[j] == u')') return remembered(ltBLIST);
    }
  }

  if (c0 == u'<') {
    config.xmlEndLine = xmlBlockEnd(config.xmlBlockMemo);
    if (config.xmlEndLine != nullptr) return ltXML;
  }

  // Setext headline: the next line is an underline of "=" or "-".
  TLine* next = FNext.get();
  if (next != nullptr && !next->FIsEmpty) {
    const int k = underlineStart(next->FValue, commonMark);
    const char16_t u = k <= 3 ? charAt(next->FValue, k) : char16_t{0};
    if (u == u'-' && next->countOnlyChar(u'-') > 0) return ltHEADLINE2;
    if (u == u'=' && next->countOnlyChar(u'=') > 0) return ltHEADLINE1;
  }

  // Table header: the next line is a format row with as many pipes.
  if (commonMark && next != nullptr && !next->FIsEmpty) {
    const int pipes = TTable::hasFormatChars(next, config);
    if (pipes > 0 && TTable::ColCount(this) == pipes) return ltTABLE;
  }

  return ltOTHER;
}

// ---------------------------------------------------------------- HTML blocks

int TLine::findCommentEnd(TLine*& endLine, TLine* from, int start, TXmlBlockMemo* memo) const {
  const std::u16string_view v = from->FValue;
  if (!(static_cast<int>(v.size()) > start + 3 && charAt(v, start + 2) == u'-' &&
        charAt(v, start + 3) == u'-')) {
    return -1;
  }
  TLine* line = from;
  int q = findCommentClose(v, start + 4);
  if (q < 0 && memo != nullptr) {
    const TXmlBlockMemo::TCommentClose close = memo->commentCloseAfter(*from);
    line = close.line;
    q = close.position;
  }
  while (q < 0 && line != nullptr) {
    line = line->FNext.get();
    if (line != nullptr) q = findCommentClose(line->FValue, 0);
  }
  if (q < 0) return -1;
  endLine = line;
  return q + 3;
}

TLine* TLine::xmlBlockEnd(TXmlBlockMemo* memo) {
  FPosition = FLeading;

  // A comment is a block when its "-->" is found.
  TLine* commentEnd = nullptr;
  if (FLeading + 1 < length() && FValue[FLeading + 1] == u'!' &&
      findCommentEnd(commentEnd, this, FLeading, memo) > 0) {
    return commentEnd;
  }

  // The first tag must be a block element.
  FPosition = TUtils::xmlTagEnd(FValue.view(), FLeading);
  if (FPosition < 0) return nullptr;
  const std::u16string name = lowered(writtenElementName(FValue.view(), FLeading));
  if (!THTML::isHtmlBlockElement(name)) return nullptr;

  // "<hr>" and "<x/>" are blocks of one line.
  if (name == u"hr" || endsWithSelfClose(FValue.view(), FPosition)) return this;

  // Otherwise the element must be closed, with proper nesting of the block
  // elements in between, in this line or a later one. FPosition is the scan
  // cursor in whatever line is being scanned.
  std::vector<std::u16string> open{name};
  switch (scanLineTags(FValue.view(), FPosition, open)) {
    case lsClosed: return this;
    case lsMismatch: return nullptr;
    case lsLineEnd: break;
  }
  if (memo != nullptr) return memo->closeInFollowingLines(*this, open);

  for (TLine* line = FNext.get(); line != nullptr; line = line->FNext.get()) {
    FPosition = 0;
    switch (scanLineTags(line->FValue.view(), FPosition, open)) {
      case lsClosed: return line;
      case lsMismatch: return nullptr;
      case lsLineEnd: break;
    }
  }
  FPosition = 0;
  return nullptr;
}

// ---------------------------------------------------------------- ids

std::u16string TLine::takeID() {
  const int open = findUnescaped(FValue, FLeading, u'{');
  if (open < 0 || charAt(FValue, open + 1) != u'#') return u"";
  const int idStart = open + 2;
  const int close = findUnescaped(FValue, idStart, u'}');
  if (close < 0) return u"";

  // The indentation stays; the text before "{" is trimmed (open >= FLeading).
  std::u16string id = trimControlAndSpace(FValue, idStart, close);
  FValue = FValue.substr(0, FLeading) + trimControlAndSpace(FValue, FLeading, open);
  FTrailing = 0;
  forgetLineType();
  return id;
}

// ---------------------------------------------------------------- memo


TXmlBlockMemo::TXmlBlockMemo(TConfiguration& config, bool remember)
    : config_(config), remember_(remember) {
  steps_.push_back(TStep{skRunOut, u"", nullptr, 0, 0});
  forgetEverything();
  if (config_.xmlBlockMemo == nullptr) {
    config_.xmlBlockMemo = this;
    active_ = true;
  }
}

TXmlBlockMemo::~TXmlBlockMemo() {
  if (active_) config_.xmlBlockMemo = nullptr;
}

bool TXmlBlockMemo::knows(const TLine* line) const {
  return line->FXmlMemoEntry >= 0 && line->FXmlMemoGeneration == generation_;
}

void TXmlBlockMemo::forgetEverythingUnlessRemembering() {
  if (!remember_) forgetEverything();
}

void TXmlBlockMemo::forgetEverything() {
  // A memo that has described no line since it last forgot has nothing to
  // drop (a deep nesting forgets once per level).
  if (!describedAny_) return;
  describedAny_ = false;
  // A new generation makes every entry index that lines hold stale at once.
  generation_ = ++config_.xmlMemoGenerations;
  entries_.clear();
  entries_.push_back(TEntry{0, {nullptr, -1}});
  steps_.resize(1);  // keeps the shared "runs out"
  chainEnd_ = nullptr;
  mixedChainEnds_ = false;
}

void TXmlBlockMemo::forget(TLine* line) { line->FXmlMemoEntry = -1; }

void TXmlBlockMemo::forgetLinesUpTo(TLine* first, const TLine* last) {
  for (TLine* line = first; line != nullptr; line = line->FNext.get()) {
    forget(line);
    if (line == last) break;
  }
}

void TXmlBlockMemo::forgetEverythingUnlessChainEndsAt(const TLine* last) {
  if (!remember_ || mixedChainEnds_ || chainEnd_ == nullptr || chainEnd_ != last) {
    forgetEverything();
  }
}

void TXmlBlockMemo::noteChainEnd(const TLine* last) {
  if (chainEnd_ != nullptr && chainEnd_ != last) mixedChainEnds_ = true;
  chainEnd_ = last;
}

int TXmlBlockMemo::positionInLine(const TLine* line, int afterSpaces) {
  return static_cast<int>(line->FValue.leadingSpaces()) + afterSpaces;
}

void TXmlBlockMemo::forgetLines(TLine* first) {
  for (TLine* line = first; line != nullptr; line = line->FNext.get()) forget(line);
}

int TXmlBlockMemo::addStep(TStep step) {
  steps_.push_back(std::move(step));
  return static_cast<int>(steps_.size()) - 1;
}

// Closes the elements in `open` (innermost last) with the closing steps from
// `step` on; returns the step that follows, or a mismatch step.
int TXmlBlockMemo::matchOpenElements(std::vector<std::u16string>& open, int step) {
  while (!open.empty()) {
    const TStep& s = steps_[step];
    if (s.kind != skClose) return step;  // runs out, or a mismatch came first
    if (s.name != open.back()) return addStep(TStep{skMismatch, u"", s.line, s.position, 0});
    open.pop_back();
    step = s.next;
  }
  return step;
}

int TXmlBlockMemo::describeLine(TLine* line, int following) {
  // Most lines hold no tag and no "-->": they pass on what follows them.
  if (!line->FValue.mayHoldAngleBracket()) return following;
  const TEntry next = entries_[following];
  TEntry entry{0, {nullptr, -1}};
  // The leading spaces hold no tag and no "-->": only the rest is read, so a
  // deeply indented line costs no more than its text after the indentation.
  // Positions are kept from the end of the leading spaces, so that an entry
  // stays true when a list item's indentation is removed.
  const int skipped = static_cast<int>(line->FValue.leadingSpaces());
  const std::u16string_view text = line->FValue.view().substr(skipped);

  // Comments: this line's first "-->", else the following lines' one.
  const int q = findCommentClose(text, 0);
  entry.comment = q >= 0 ? TCommentClose{line, q} : next.comment;

  // Nesting: the line's own tags, with a stack of its own. Closing tags met
  // while that stack is empty close elements opened before the line.
  std::vector<std::u16string>& open = describedOpen_;
  std::vector<TStep>& closesBefore = describedClosesBefore_;
  open.clear();
  closesBefore.clear();
  int tail = -1;
  int position = 0;
  TNestingTag tag;
  while (nextNestingTag(text, position, tag)) {
    if (!tag.closing) {
      open.push_back(tag.name);
    } else if (open.empty()) {
      closesBefore.push_back(TStep{skClose, tag.name, line, position, 0});
    } else if (tag.name == open.back()) {
      open.pop_back();
    } else {
      tail = addStep(TStep{skMismatch, u"", line, position, 0});
      break;
    }
    position = tag.end;
  }
  // Elements left open are closed by the following lines' steps.
  if (tail < 0) tail = matchOpenElements(open, next.firstStep);

  for (auto it = closesBefore.rbegin(); it != closesBefore.rend(); ++it) {
    it->next = tail;
    tail = addStep(std::move(*it));
  }
  entry.firstStep = tail;
  entries_.push_back(entry);
  return static_cast<int>(entries_.size()) - 1;
}

const TXmlBlockMemo::TEntry& TXmlBlockMemo::entryOf(TLine* line) {
  // Lines not known yet, up to the first known one or the end of the chain.
  TLine* lastUnknown = nullptr;
  TLine* known = line;
  while (known != nullptr && !knows(known)) {
    lastUnknown = known;
    known = known->FNext.get();
  }
  if (lastUnknown != nullptr) describedAny_ = true;
  if (known == nullptr && lastUnknown != nullptr) noteChainEnd(lastUnknown);
  // Describe them from the last to the first, each from its successor.
  int following = known != nullptr ? known->FXmlMemoEntry : 0;
  for (TLine* unknown = lastUnknown; unknown != nullptr; unknown = unknown->FPrevious) {
    following = describeLine(unknown, following);
    unknown->FXmlMemoEntry = following;
    unknown->FXmlMemoGeneration = generation_;
    if (unknown == line) break;
  }
  return entries_[line->FXmlMemoEntry];
}

TLine* TXmlBlockMemo::closeInFollowingLines(TLine& line, std::vector<std::u16string>& open) {
  int step = line.FNext != nullptr ? entryOf(line.FNext.get()).firstStep : 0;
  TLine* end = nullptr;
  while (true) {
    const TStep& s = steps_[step];
    line.FPosition = s.kind == skRunOut ? 0 : positionInLine(s.line, s.position);
    if (s.kind != skClose || open.empty() || s.name != open.back()) break;
    open.pop_back();
    if (open.empty()) {
      end = s.line;
      break;
    }
    step = s.next;
  }
  forgetEverythingUnlessRemembering();
  return end;
}

TXmlBlockMemo::TCommentClose TXmlBlockMemo::commentCloseAfter(const TLine& line) {
  if (line.FNext == nullptr) return {nullptr, -1};
  TCommentClose close = entryOf(line.FNext.get()).comment;
  if (close.line != nullptr) close.position = positionInLine(close.line, close.position);
  forgetEverythingUnlessRemembering();
  return close;
}

}  // namespace glyphmill
