// Inline emission: turns one inline text into HTML.
//
// A span is opened where its delimiter stands and closed where a search for
// its closing delimiter stops; when the search reaches the end of the text,
// the opening character is written as text and scanning goes on with the
// next character. The work is done in two steps that give together what a
// backtracking scan gives:
//
//   closingOf  finds where a search for a closer stops, without writing
//              anything; its results are remembered for the text;
//   emitFrom   writes the HTML, asking closingOf whether a span closes.
//
// A search that continues from position x is the same search as one started
// at x, so every position a search stood on is remembered with its result;
// a later search that reaches such a position knows its result at once.
// Constructs with recognisers of their own (links, tags, character
// references, formulas) are remembered by position likewise; code spans,
// which a search for "`" ends, need not be.
// Failed attempts therefore cost no output, and no text is scanned twice for
// the same closer. Nesting deeper than kMaxInlineNesting is not attempted,
// so no input can exhaust the call stack.
#include <algorithm>
#include <vector>

#include "MarkdownInlineScan.h"
#include "MarkdownMathCode.h"
#include "MarkdownTables.h"
#include "MarkdownTagDecider.h"
#include "MarkdownUnitSearch.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

using TTagWriter = void (TDecorator::*)(std::u16string&);

// A span delimiter: how many characters it has and which tags it writes.
struct TSpanKind {
  int width;
  TTagWriter open;
  TTagWriter close;
};

bool isSpanToken(TMarkToken t) {
  switch (t) {
    case mtEM_STAR:
    case mtEM_UNDERSCORE:
    case mtSTRONG_STAR:
    case mtSTRONG_UNDERSCORE:
    case mtSUB_TILDE:
    case mtSTRIKE_TILDE:
    case mtINS_PLUS:
    case mtMARK_EQ:
    case mtSUPER:
      return true;
    default:
      return false;
  }
}

TSpanKind spanKindOf(TMarkToken t) {
  switch (t) {
    case mtSTRONG_STAR:
    case mtSTRONG_UNDERSCORE:
      return {2, &TDecorator::openStrong, &TDecorator::closeStrong};
    case mtSUB_TILDE:
      return {1, &TDecorator::openSub, &TDecorator::closeSub};
    case mtSTRIKE_TILDE:
      return {2, &TDecorator::openStrike, &TDecorator::closeStrike};
    case mtINS_PLUS:
      return {2, &TDecorator::openIns, &TDecorator::closeIns};
    case mtMARK_EQ:
      return {2, &TDecorator::openMark, &TDecorator::closeMark};
    case mtSUPER:
      return {1, &TDecorator::openSuper, &TDecorator::closeSuper};
    default:  // mtEM_STAR, mtEM_UNDERSCORE
      return {1, &TDecorator::openEmphasis, &TDecorator::closeEmphasis};
  }
}

// Code spans and the constructs that have recognisers of their own.
bool isConstructToken(TMarkToken t) {
  switch (t) {
    case mtCODE_SINGLE:
    case mtCODE_DOUBLE:
    case mtLINK:
    case mtIMAGE:
    case mtHTML:
    case mtENTITY:
    case mtMATH_DOLLAR:
      return true;
    default:
      return false;
  }
}

// A typographic replacement: the entity written and how many characters of
// the marker follow its first one.
struct TReplacement {
  const char16_t* text;
  int extra;
};

bool replacementOf(TMarkToken t, TReplacement& r) {
  switch (t) {
    case mtX_COPY: r = {u"&copy;", 2}; return true;
    case mtX_REG: r = {u"&reg;", 2}; return true;
    case mtX_TRADE: r = {u"&trade;", 3}; return true;
    case mtX_LAQUO: r = {u"&laquo;", 1}; return true;
    case mtX_RAQUO: r = {u"&raquo;", 1}; return true;
    case mtX_NDASH: r = {u"&ndash;", 1}; return true;
    case mtX_MDASH: r = {u"&mdash;", 2}; return true;
    case mtX_HELLIP: r = {u"&hellip;", 2}; return true;
    case mtX_RDQUO: r = {u"&rdquo;", 0}; return true;
    case mtX_LDQUO: r = {u"&ldquo;", 0}; return true;
    default: return false;
  }
}

// The closing test: the sought token itself, or for a single "*" or "_"
// also the first of a pair.
bool closesSpan(TMarkToken sought, TMarkToken t) {
  if (sought == mtNONE) return false;
  if (t == sought) return true;
  if (sought == mtEM_STAR && t == mtSTRONG_STAR) return true;
  return sought == mtEM_UNDERSCORE && t == mtSTRONG_UNDERSCORE;
}

// What a construct that did not complete leaves in the text.
inline void appendFallback(std::u16string& out_, const std::u16string& s, int i, TMarkToken t) {
  if (t == mtHTML) {
    out_ += u"&lt;"sv;
  } else if (t == mtENTITY) {
    out_ += u"&amp;"sv;
  } else {
    out_ += s[static_cast<std::size_t>(i)];
  }
}

int codeDelimiterWidth(TMarkToken t) { return t == mtCODE_SINGLE ? 1 : 2; }

// Where the next code delimiter of kind t starts, from `from` on, or -1.
// A "`" followed by another one is a double delimiter and any other "`" a
// single one, whatever stands before it and in every dialect, so the
// delimiters are found by a search for "`" alone: a single one is the last
// "`" of a run.
int nextCodeDelimiter(const std::u16string& s, int from, TMarkToken t) {
  const std::size_t n = s.size();
  std::size_t at = findText(s, static_cast<std::size_t>(from), u"`"sv);
  while (at != std::u16string::npos) {
    const bool doubled = at + 1 < n && s[at + 1] == u'`';
    if (t == mtCODE_DOUBLE && doubled) return static_cast<int>(at);
    if (t == mtCODE_SINGLE) {
      while (at + 1 < n && s[at + 1] == u'`') ++at;
      return static_cast<int>(at);
    }
    at = findText(s, at + 1, u"`"sv);
  }
  return -1;
}

// The last position of the code span whose delimiter is at i: the next
// delimiter of the same kind ends it. -1 when there is none.
int codeSpanEnd(const std::u16string& s, int i, TMarkToken t) {
  const int width = codeDelimiterWidth(t);
  const int closing = nextCodeDelimiter(s, i + width, t);
  return closing < 0 ? -1 : closing + width - 1;
}

// Writes the code span from i to `last`: its content escaped, not scanned,
// without the spaces (code 32 only) around it.
void appendCodeSpan(const TEmitter& emitter, std::u16string& out_, const std::u16string& s, int i,
                    TMarkToken t, int last) {
  const int width = codeDelimiterWidth(t);
  int q = i + width;
  int e = last - width + 1;
  while (q < e && s[static_cast<std::size_t>(q)] == u' ') ++q;
  while (q < e && s[static_cast<std::size_t>(e - 1)] == u' ') --e;

  TDecorator& decorator = *emitter.config().decorator;
  decorator.openCodeSpan(out_);
  TUtils::appendCode(out_, s, q, e);
  decorator.closeCodeSpan(out_);
}

}  // namespace

// ---------------------------------------------------------------- remembered results

std::size_t TPositionResults::firstSlot(int position) const {
  // Fibonacci hashing spreads neighbouring positions over the table.
  return static_cast<std::size_t>(static_cast<std::uint32_t>(position) * 2654435769u) & (slots_.size() - 1);
}

int TPositionResults::find(int position, int unknown) const {
  if (used_ == 0 || position < 0) return unknown;
  for (std::size_t i = firstSlot(position);; i = (i + 1) & (slots_.size() - 1)) {
    if (slots_[i].position == position) return slots_[i].result;
    if (slots_[i].position < 0) return unknown;
  }
}

void TPositionResults::set(int position, int result) {
  if (position < 0) return;
  if (2 * (used_ + 1) > slots_.size()) grow();
  std::size_t i = firstSlot(position);
  while (slots_[i].position >= 0 && slots_[i].position != position) i = (i + 1) & (slots_.size() - 1);
  if (slots_[i].position < 0) ++used_;
  slots_[i] = TSlot{position, result};
}

void TPositionResults::grow() {
  std::vector<TSlot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : 2 * old.size(), TSlot{});
  // The old positions are all different and the new table has room for
  // them: each takes the first free slot from its own, with no other test.
  const std::size_t mask = slots_.size() - 1;
  for (const TSlot& slot : old) {
    if (slot.position < 0) continue;
    std::size_t i = firstSlot(slot.position);
    while (slots_[i].position >= 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void TPositionResults::clear() {
  constexpr std::size_t kKeptSlots = 64;
  if (used_ == 0) return;
  used_ = 0;
  if (slots_.size() > kKeptSlots) {
    std::vector<TSlot>().swap(slots_);
  } else {
    std::fill(slots_.begin(), slots_.end(), TSlot{});
  }
}

void TTextResults::clear() {
  for (TPositionResults& table : closings) table.clear();
  constructEnds.clear();
}

// Once per text at most, and only for texts that remember something: kept
// out of the searches that call it.
[[gnu::cold, gnu::noinline]] void TInlineText::takeResults() {
  resultsTaken_ = true;
  std::vector<TTextResults>& spares = scan_.spareResults;
  if (!spares.empty()) {
    results_ = std::move(spares.back());
    spares.pop_back();
  }
  if (results_.closings.empty()) results_.closings.resize(TMarkTokenCount);
}

// When a text that took tables ends.
[[gnu::cold, gnu::noinline]] void TInlineText::giveBackResults() {
  results_.clear();
  scan_.spareResults.push_back(std::move(results_));
}

bool TInlineText::keepTokensUpTo(std::size_t position) {
  std::vector<std::uint8_t>& tokens = scan_.tokens;
  if (!scan_.shortcuts || position >= s.size()) return false;
  if (tokens.size() != tokensFrom_ + tokensKept_) return false;  // an inner text's stretch is on top
  // Room for the whole text at once, so that growing never copies; the
  // filling doubles, which keeps it in proportion to the positions searched.
  if (tokensKept_ == 0) tokens.reserve(tokensFrom_ + s.size());
  const std::size_t kept = std::min(s.size(), std::max({position + 1, 2 * tokensKept_, std::size_t{64}}));
  tokens.resize(tokensFrom_ + kept, kTokenNotAsked);
  tokensKept_ = kept;
  return true;
}

int TInlineText::knownClosing(int start, TMarkToken token) const {
  const auto index = static_cast<std::size_t>(token);
  if (index >= results_.closings.size() || start >= length()) return kUnknown;
  return results_.closings[index].find(start, kUnknown);
}

void TInlineText::rememberClosing(int start, TMarkToken token, int closing) {
  if (start >= length()) return;
  if (!resultsTaken_) takeResults();
  results_.closings[static_cast<std::size_t>(token)].set(start, closing);
}

int TInlineText::knownConstructEnd(int position) const {
  return position < length() ? results_.constructEnds.find(position, kUnknown) : kUnknown;
}

void TInlineText::rememberConstructEnd(int position, int last) {
  if (position >= length()) return;
  if (!resultsTaken_) takeResults();
  results_.constructEnds.set(position, last);
}

// ---------------------------------------------------------------- inline conversion

int TEmitter::recursiveEmitLine(std::u16string& out_, const std::u16string& s, int start,
                                TMarkToken token) {
  TInlineText text(s, *FScan);
  if (start < 0) start = 0;
  if (token == mtNONE) {
    emitFrom(out_, text, start, mtNONE);
    return -1;
  }
  // Nothing is written when no closer follows: the caller would drop it.
  const int closing = closingOf(text, start, token);
  if (closing >= 0) emitFrom(out_, text, start, token);
  return closing;
}

// ---------------------------------------------------------------- where things end

// The marker at i. The searches remember what they read: the writing after
// them asks the same positions again.
inline TMarkToken TEmitter::tokenAt(TInlineText& text, int i, bool remember) const {
  const std::uint8_t known = text.knownToken(i);
  if (known != TInlineText::kTokenNotAsked) return static_cast<TMarkToken>(known);
  const TMarkToken t = getToken(text.s, i);
  if (remember) text.rememberToken(i, t);
  return t;
}

// Where a search for the closer `token` from `start` stops: the position
// where the closer starts, or -1 at the end of the text.
int TEmitter::closingOf(TInlineText& text, int start, TMarkToken token) {
  const bool remember = FScan->shortcuts;
  if (remember) {
    const int known = text.knownClosing(start, token);
    if (known != TInlineText::kUnknown) return known;
  }
  if (FScan->depth >= kMaxInlineNesting) {
    // Too deep: the opener stays text, now and whenever it is met again.
    if (remember) text.rememberClosing(start, token, -1);
    FFoundNoEnd = true;
    return -1;
  }

  TNestingGuard nesting(*FScan);
  // This search's positions go on top of the visited stack; the searches
  // it starts (stepOver) take theirs off again before they return.
  std::vector<int>& visited = FScan->visited;
  const std::size_t firstVisited = visited.size();
  int closing = -1;
  int i = start;
  while (i < text.length()) {
    // Plain text neither closes nor opens anything; a later search that
    // meets it goes on to the next marker, whose result is remembered. The
    // start is remembered all the same, for a search that starts there again.
    if (i != start && !canStartToken(text.s[static_cast<std::size_t>(i)])) {
      i = plainRunEnd(text.s, i);
      continue;
    }
    const int known = remember ? text.knownClosing(i, token) : TInlineText::kUnknown;
    if (known != TInlineText::kUnknown) {
      closing = known;
      break;
    }
    const TMarkToken t = tokenAt(text, i, true);
    if (closesSpan(token, t)) {
      closing = i;
      break;
    }
    visited.push_back(i);
    i = stepOver(text, i, t) + 1;
  }
  if (remember) {
    for (std::size_t k = firstVisited; k < visited.size(); ++k) {
      text.rememberClosing(visited[k], token, closing);
    }
  }
  visited.resize(firstVisited);
  // A remembered failure was found in this same text, and noted then.
  if (closing < 0) FFoundNoEnd = true;
  return closing;
}

// The last position that token t at i consumes, as emitFrom would write it.
int TEmitter::stepOver(TInlineText& text, int i, TMarkToken t) {
  if (isSpanToken(t)) {
    const int width = spanKindOf(t).width;
    const int closing = closingOf(text, i + width, t);
    return closing >= 1 ? closing + width - 1 : i;
  }
  TReplacement replacement{};
  if (replacementOf(t, replacement)) return i + replacement.extra;
  if (isConstructToken(t)) {
    const int last = constructEnd(text, i, t);
    return last >= 0 ? last : i;
  }
  if (t == mtESCAPE) return i + 1 < text.length() ? i + 1 : i;
  if (t == mtX_LINK_OPEN) {
    const int closing = specialLinkClosing(text, i);
    return closing >= 1 ? closing + 1 : i;
  }
  return i;  // mtNONE, mtX_LINK_CLOSE
}

// The last position of the construct at i, or -1 when it does not complete.
int TEmitter::constructEnd(TInlineText& text, int i, TMarkToken t) {
  FRead.start = -1;  // what an earlier call kept is for no one now
  // A code span ends at the next "`" of its kind. The searches from the
  // delimiters of one kind cover stretches of text that overlap at most in
  // pairs, so together they read the text about once; remembering their ends would
  // cost more and, in a text of backquote runs, fill the table.
  if (t == mtCODE_SINGLE || t == mtCODE_DOUBLE) {
    const int last = codeSpanEnd(text.s, i, t);
    if (last < 0) FFoundNoEnd = true;
    return last;
  }
  // The table's own tags and plain tags ("<p>", "</em>") are found at once;
  // remembering them would cost more.
  const int own = ownTableTagEnd(text, i, t);
  if (own >= 0) return own;
  if (t == mtHTML) {
    const int plain = plainTagEnd(text.s, i);
    if (plain >= 0) return plain;
  }
  const bool remember = FScan->shortcuts;
  if (remember) {
    const int known = text.knownConstructEnd(i);
    if (known != TInlineText::kUnknown) return known;
  }
  const std::u16string& s = text.s;
  int last = -1;
  bool repeats = true;  // whether what was written may be written again
  FRead.html.clear();
  switch (t) {
    case mtLINK:
    case mtIMAGE:
      last = linkEnd(&text, s, i, t);
      break;
    case mtHTML:
      // Only "<!" succeeds without a ">" after it.
      if (!remember || text.hasAngleCloseAfter(i) || (i + 1 < text.length() && s[i + 1] == u'!')) {
        last = checkHTML(FRead.html, remember ? &text : nullptr, s, i);
        repeats = FHtmlRepeats;
      }
      break;
    case mtENTITY:
      last = checkEntity(FRead.html, s, i);
      break;
    default:  // mtMATH_DOLLAR
      last = checkMath(FRead.html, s, i);
      break;
  }
  // A result below 1 is a failure; one before i would never advance.
  if (last < 1 || last < i) last = -1;
  const bool written = t == mtHTML || t == mtENTITY || t == mtMATH_DOLLAR;
  if (written && last >= 0 && repeats) FRead.start = i;
  // A character reference ends at the first character that cannot belong to
  // it, so it never fails for want of more text.
  if (last < 0 && t != mtENTITY) FFoundNoEnd = true;
  if (remember) text.rememberConstructEnd(i, last);
  return last;
}

// The last position of the table's own tag that token t at i starts, or -1.
int TEmitter::ownTableTagEnd(const TInlineText& text, int i, TMarkToken t) const {
  return t == mtHTML && FInTable ? TTable::ownTagEnd(text.s, i) : -1;
}

// Where the "]]" of the special link at i starts, or -1. Without a special
// link emitter the link is never written, so there is nothing to search.
int TEmitter::specialLinkClosing(TInlineText& text, int i) {
  const bool hasEmitter = config().specialLinkEmitter != nullptr;
  if (!hasEmitter && FScan->shortcuts) return -1;
  const int closing = closingOf(text, i + 2, mtX_LINK_CLOSE);
  return hasEmitter ? closing : -1;
}

// ---------------------------------------------------------------- writing

// Writes from start up to the sought closer (or the end of the text) and
// returns where the closer starts, or -1.
int TEmitter::emitFrom(std::u16string& out_, TInlineText& text, int start, TMarkToken token) {
  const int n = text.length();
  int i = start;
  while (i < n) {
    // A table's rows may yet be converted again (see emitTableRows): their
    // HTML stays until the table hands it on between rows.
    if (FScan->depth == 0 && !FInTable) offerPiece(out_);
    // Plain text, and characters that start no marker where they stand
    // (mtNONE closes nothing and is written as it is), are written in one run.
    int marker = plainRunEnd(text.s, i);
    TMarkToken t = mtNONE;
    while (marker < n && (t = tokenAt(text, marker, false)) == mtNONE) {
      marker = plainRunEnd(text.s, marker + 1);
    }
    if (marker > i) {
      out_.append(text.s, static_cast<std::size_t>(i), static_cast<std::size_t>(marker - i));
    }
    if (marker == n) break;
    if (closesSpan(token, t)) return marker;
    i = emitStep(out_, text, marker, t) + 1;
  }
  return -1;
}

// A lead surrogate waits for its partner, so that a piece ends with a whole
// character.
void TEmitter::offerPiece(std::u16string& html) {
  if (!writesPieces(html) || html.size() < FPieces.size) return;
  if ((html.back() & 0xFC00) == 0xD800) return;
  FPieces.handOn();
}

// Writes what token t at i stands for; returns the last position consumed.
int TEmitter::emitStep(std::u16string& out_, TInlineText& text, int i, TMarkToken t) {
  const std::u16string& s = text.s;
  if (isSpanToken(t)) return emitSpan(out_, text, i, t);

  TReplacement replacement{};
  if (replacementOf(t, replacement)) {
    out_ += replacement.text;
    return i + replacement.extra;
  }
  if (isConstructToken(t)) return emitConstruct(out_, text, i, t);
  if (t == mtESCAPE && i + 1 < text.length()) {
    const char16_t escaped = s[static_cast<std::size_t>(i + 1)];
    // In safe mode an escaped "<" opens no tag in the browser, unless it
    // starts a plain tag such as the "<br/>" of a hard break, or a tag that
    // the page, once written, shows a browser as complete and harmless.
    const bool plainTag = escaped == u'<' && TUtils::isPlainTag(s, i + 1);
    if (escaped == u'<' && config().deferUndecidedTags && !plainTag &&
        startsBrowserTag(s, i + 1)) {
      appendUndecidedTag(out_, s, i + 1);
    } else if (escaped == u'<' && config().safeMode && !plainTag) {
      out_ += u"&lt;"sv;
    } else {
      out_ += escaped;
    }
    return i + 1;
  }
  if (t == mtX_LINK_OPEN) return emitSpecialLink(out_, text, i);

  out_ += s[static_cast<std::size_t>(i)];  // mtNONE, mtX_LINK_CLOSE
  return i;
}

// Emphasis, strong, deleted, inserted, marked, super- and subscript text.
// Without a closer only the first character is written; a second one is
// classified afresh.
int TEmitter::emitSpan(std::u16string& out_, TInlineText& text, int i, TMarkToken t) {
  const TSpanKind kind = spanKindOf(t);
  const int closing = closingOf(text, i + kind.width, t);
  if (closing < 1) {
    out_ += text.s[static_cast<std::size_t>(i)];
    return i;
  }
  const int last = closing + kind.width - 1;
  if (FScan->depth >= kMaxInlineNesting) {
    // Beyond the nesting bound the span is written as plain text.
    TUtils::appendCode(out_, text.s, i, last + 1);
    return last;
  }
  TNestingGuard nesting(*FScan);
  TDecorator& decorator = *config().decorator;
  (decorator.*kind.open)(out_);
  emitFrom(out_, text, i + kind.width, t);
  (decorator.*kind.close)(out_);
  return last;
}

// "[[...]]": the content, converted, is handed to the special link emitter;
// without one, or without "]]", the "[" is text.
int TEmitter::emitSpecialLink(std::u16string& out_, TInlineText& text, int i) {
  const int closing = specialLinkClosing(text, i);
  if (closing < 1) {
    out_ += text.s[static_cast<std::size_t>(i)];
    return i;
  }
  std::u16string content;
  if (FScan->depth >= kMaxInlineNesting) {
    TUtils::appendCode(content, text.s, i + 2, closing);
  } else {
    TNestingGuard nesting(*FScan);
    emitFrom(content, text, i + 2, mtX_LINK_CLOSE);
  }
  config().specialLinkEmitter->emitSpan(out_, content);
  return closing + 1;
}

// Code spans, links, images, tags and autolinks, character references and
// formulas; the table's own tags are copied as they stand. On failure the
// first character is written as text, "<" and "&" escaped.
int TEmitter::emitConstruct(std::u16string& out_, TInlineText& text, int i, TMarkToken t) {
  const std::u16string& s = text.s;
  const int own = ownTableTagEnd(text, i, t);
  if (own >= 0) {
    out_.append(s, static_cast<std::size_t>(i), static_cast<std::size_t>(own - i + 1));
    return own;
  }
  const int last = constructEnd(text, i, t);
  if (last < 0) {
    appendFallback(out_, s, i, t);
    return i;
  }
  if (t == mtCODE_SINGLE || t == mtCODE_DOUBLE) {
    appendCodeSpan(*this, out_, s, i, t, last);
    return last;
  }
  if (FRead.start == i) {  // read by constructEnd just now
    out_ += FRead.html;
    FRead.start = -1;
    return last;
  }
  // The recognisers write straight into the HTML; what a failing one wrote
  // is cut off again.
  const std::size_t before = out_.size();
  int written = -1;
  switch (t) {
    case mtLINK:
    case mtIMAGE:
      written = checkLink(out_, &text, s, i, t);
      break;
    case mtHTML:
      written = checkHTML(out_, FScan->shortcuts ? &text : nullptr, s, i);
      break;
    case mtENTITY:
      written = checkEntity(out_, s, i);
      break;
    default:  // mtMATH_DOLLAR
      written = checkMath(out_, s, i);
      break;
  }
  // The recognisers answer the same every time; should one not, its first
  // answer still decides where scanning goes on.
  if (written < 1) {
    out_.resize(before);
    appendFallback(out_, s, i, t);
  }
  return last;
}

}  // namespace glyphmill
