// Links, images and abbreviations, and the document's reference table.
//
// Reference keys are compared without regard to letter case: A to Z are
// lowered, and every other code unit is replaced by its simple case folding
// (ICU u_foldCase, one code unit at a time; surrogates are kept). A key
// therefore keeps its length, and "Ä" finds "ä" just as "A" finds "a".
#include <algorithm>
#include <array>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "MarkdownInlineScan.h"
#include "MarkdownUnitSearch.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

// The characters that TUtils::readMdLink does not simply copy.
constexpr std::array<char16_t, 4> DESTINATION_SPECIALS{u'\\', u' ', u'(', u')'};

// The characters that nest or end a link text.
constexpr std::array<char16_t, 2> BRACKETS{u'[', u']'};

// The characters that TUtils::readMdLinkId does not simply copy.
constexpr std::array<char16_t, 3> LINK_ID_SPECIALS{u'[', u']', u'\n'};

// Copies the characters of s from i up to the first of `stops` (or the end)
// to out_, and returns where it stopped.
template <std::size_t N>
int copyUntilAny(std::u16string& out_, const std::u16string& s, int i,
                 const std::array<char16_t, N>& stops) {
  const auto stop = static_cast<int>(findAnyUnit(s, static_cast<std::size_t>(i), stops));
  out_.append(s, static_cast<std::size_t>(i), static_cast<std::size_t>(stop - i));
  return stop;
}

bool isAt(const std::u16string& s, int position, char16_t c) {
  return position >= 0 && position < static_cast<int>(s.size()) &&
         s[static_cast<std::size_t>(position)] == c;
}

char16_t foldedUnit(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c < 128 || U16_IS_SURROGATE(c)) return c;
  const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
  return folded <= 0xFFFF ? static_cast<char16_t>(folded) : c;
}

// The position of the "]" that ends the link text starting at `start`
// (nested brackets counted, no escapes), or -1. Copies nothing.
int scanLinkTextEnd(const std::u16string& s, int start) {
  if (start < 0) return -1;
  const int n = static_cast<int>(s.size());
  int depth = 1;
  for (int i = start; i < n; ++i) {
    i = static_cast<int>(findAnyUnit(s, static_cast<std::size_t>(i), BRACKETS));
    if (i == n) break;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'[') {
      depth += 1;
    } else if (c == u']') {
      depth -= 1;
      if (depth == 0) return i;
    }
  }
  return -1;
}

void takeReference(const TLinkRef& ref, bool withAbbrev, int end, TLinkTarget& target) {
  target.end = end;
  if (target.endOnly) return;
  target.link = ref.FLink;
  target.title = ref.FTitle;
  target.isAbbrev = withAbbrev && ref.FIsAbbrev;
}

// Where the parts of '(destination "title")' end. The text's tables answer
// without copying when they can; otherwise the readers are asked.
int destinationEnd(TInlineText* text, const std::u16string& s, int start) {
  const int known = text ? text->destinationEnd(start) : TInlineText::kUnknown;
  if (known != TInlineText::kUnknown) return known;
  std::u16string ignored;
  return TUtils::readMdLink(ignored, s, start);
}

int escapedStop(TInlineText* text, const std::u16string& s, int start, char16_t stop) {
  const int known = text ? text->escapedStop(start, stop) : TInlineText::kUnknown;
  if (known != TInlineText::kUnknown) return known;
  std::u16string ignored;
  return TUtils::readUntil(ignored, s, start, stop);
}

// The characters s[from, to) as they stand.
std::u16string_view writtenPart(const std::u16string& s, int from, int to) {
  return std::u16string_view(s).substr(static_cast<std::size_t>(from),
                                       static_cast<std::size_t>(to - from));
}

// Without a backslash a part reads as it is written: the readers copy every
// other character, and they stop where the part was found to end.
bool hasBackslash(std::u16string_view part) {
  return findEitherUnit(part, 0, u'\\', u'\\') != part.size();
}

// '(destination "title")' with "(" at q. First finds where every part
// ends, then reads the parts: a failing attempt copies nothing, and a part
// without escapes is not copied at all.
bool readInlineTarget(TInlineText* text, const std::u16string& s, int q, TLinkTarget& target) {
  const int r = TUtils::skipSpaces(s, q + 1);
  if (r < 0) return false;

  // The destination: in angle brackets, or a run with balanced parentheses.
  const bool angled = s[static_cast<std::size_t>(r)] == u'<';
  int e = angled ? escapedStop(text, s, r + 1, u'>') : destinationEnd(text, s, r);
  if (e < 0) return false;
  const int linkStart = angled ? r + 1 : r;
  const int linkEnd = e;
  if (angled) e += 1;

  // An optional title in double quotes, then ")".
  if (isAt(s, e, u' ')) {
    e = TUtils::skipSpaces(s, e);
    if (e < 0) return false;
  }
  int titleStart = -1;
  int titleEnd = -1;
  if (isAt(s, e, u'"')) {
    titleStart = e + 1;
    const int g = escapedStop(text, s, titleStart, u'"');
    if (g < 0) return false;
    titleEnd = g;
    e = TUtils::skipSpaces(s, g + 1);
    if (e < 0) return false;
  }
  if (!isAt(s, e, u')')) return false;
  target.end = e;
  if (target.endOnly) return true;

  target.link = writtenPart(s, linkStart, linkEnd);
  if (hasBackslash(target.link)) {
    if (angled) {
      TUtils::readUntil(target.unescapedLink, s, linkStart, u'>');
    } else {
      TUtils::readMdLink(target.unescapedLink, s, linkStart);
    }
    target.link = target.unescapedLink;
  }
  if (titleStart >= 0) {
    target.title = writtenPart(s, titleStart, titleEnd);
    if (hasBackslash(target.title)) {
      TUtils::readUntil(target.unescapedTitle, s, titleStart, u'"');
      target.title = target.unescapedTitle;
    }
  }
  return true;
}

// The "]" that ends the link text starting at textStart, or -1.
int linkTextEnd(TInlineText* known, const std::u16string& s, int textStart) {
  if (known && isAt(s, textStart - 1, u'[')) return known->matchingBracket(textStart - 1);
  return scanLinkTextEnd(s, textStart);
}

// The destination for href or src. In safe mode a dangerous one (such as a
// javascript: URL) is left out, leaving an empty attribute value.
void appendDestination(std::u16string& out_, const TConfiguration& config,
                       std::u16string_view link) {
  if (config.safeMode && TUtils::isDangerousUrl(link)) return;
  TUtils::codeEncode(out_, link, 0);
}

void appendTitle(std::u16string& out_, std::u16string_view title) {
  if (title.empty()) return;
  out_ += u" title=\""sv;
  TUtils::appendValue(out_, title, 0, static_cast<int>(title.size()));
  out_ += u'"';
}

// The alternative text is the link text as read, not converted.
void appendImage(std::u16string& out_, const TConfiguration& config, const std::u16string& name,
                 const TLinkTarget& target) {
  TDecorator& decorator = *config.decorator;
  decorator.openImage(out_);
  out_ += u" src=\""sv;
  appendDestination(out_, config, target.link);
  out_ += u"\" alt=\""sv;
  TUtils::appendValue(out_, name, 0, static_cast<int>(name.size()));
  out_ += u'"';
  appendTitle(out_, target.title);
  decorator.closeImage(out_);
}

}  // namespace

// ---------------------------------------------------------------- what a text knows of its links

// A text mostly holds few links, each read once: those are read directly.
// Once direct reading for one table has cost twice as many characters as the
// text holds, that table is made, so that many links cannot make a text read
// many times.
// The direct readers below answer as the tables do; each gives kUnknown
// when the budget runs out before it has its answer.

namespace {

// Moves i to the first of `units` at or after it, the characters passed
// over taken from the budget; false when the budget runs out first.
template <std::size_t N>
bool skipToAnyUnit(const std::u16string& s, int& i, const std::array<char16_t, N>& units,
                   std::int64_t& budget) {
  const auto found = static_cast<int>(findAnyUnit(s, static_cast<std::size_t>(i), units));
  budget -= found - i;
  i = found;
  return budget >= 0;
}

// Where scanLinkTextEnd from start stops.
int readLinkTextEnd(const std::u16string& s, int start, std::int64_t& budget) {
  const int n = static_cast<int>(s.size());
  int depth = 1;
  for (int i = start; i < n; ++i) {
    if (!skipToAnyUnit(s, i, BRACKETS, budget)) return TInlineText::kUnknown;
    if (i == n) break;
    if (--budget < 0) return TInlineText::kUnknown;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'[') depth += 1;
    if (c == u']') {
      depth -= 1;
      if (depth == 0) return i;
    }
  }
  return -1;
}

// Where TUtils::readMdLink from start stops.
int readDestinationEnd(const std::u16string& s, int start, std::int64_t& budget) {
  const int n = static_cast<int>(s.size());
  int depth = 1;
  int i = start;
  while (i < n) {
    if (!skipToAnyUnit(s, i, DESTINATION_SPECIALS, budget)) return TInlineText::kUnknown;
    if (i == n) break;
    if (--budget < 0) return TInlineText::kUnknown;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'\\' && i + 1 < n) {
      i += TUtils::isLinkEscapable(s[static_cast<std::size_t>(i + 1)]) ? 2 : 1;
      continue;
    }
    if (c == u' ' && depth == 1) return i;
    if (c == u'(') depth += 1;
    if (c == u')') {
      depth -= 1;
      if (depth == 0) return i;
    }
    i += 1;
  }
  return -1;
}

// Where TUtils::readUntil(out, s, start, stop) stops.
int readEscapedStop(const std::u16string& s, int start, char16_t stop, std::int64_t& budget) {
  const int n = static_cast<int>(s.size());
  int i = start;
  while (i < n) {
    if (--budget < 0) return TInlineText::kUnknown;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'\\' && i + 1 < n) {
      i += TUtils::isLinkEscapable(s[static_cast<std::size_t>(i + 1)]) ? 2 : 1;
    } else if (c == stop) {
      return i;
    } else {
      ++i;
    }
  }
  return -1;
}

}  // namespace

int TInlineText::matchingBracket(int open) {
  if (open < 0 || open >= length()) return -1;
  if (!bracketsMatched) {
    if (s[static_cast<std::size_t>(open)] != u'[') return -1;
    const int close = readLinkTextEnd(s, open + 1, bracketReadBudget);
    // A read that found no match read the rest of the text, as the table
    // does: the brackets after this one ask the table.
    if (close == -1) bracketReadBudget = 0;
    if (close != kUnknown) return close;
    matchBrackets();
  }
  return closingBracket[static_cast<std::size_t>(open)];
}

// One pass with a stack of open brackets: each "]" closes the latest
// unclosed "[" before it; a "[" left open has no match.
void TInlineText::matchBrackets() {
  closingBracket.assign(s.size(), -1);
  std::vector<int> open;
  for (int i = 0; i < length(); ++i) {
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'[') {
      open.push_back(i);
    } else if (c == u']' && !open.empty()) {
      closingBracket[static_cast<std::size_t>(open.back())] = i;
      open.pop_back();
    }
  }
  bracketsMatched = true;
}

// Reads the text once as the link readers do. A reader started on an
// unescaped position stands on the same positions from there on, so
// it stops where the first fitting stop after its start is.
void TInlineText::scanLinkParts() {
  const int n = length();
  unescaped.assign(s.size(), false);
  parenDepth.assign(s.size(), 0);
  int depth = 0;
  int i = 0;
  while (i < n) {
    const auto at = static_cast<std::size_t>(i);
    unescaped[at] = true;
    parenDepth[at] = depth;
    const char16_t c = s[at];
    if (c == u'\\' && i + 1 < n) {
      i += TUtils::isLinkEscapable(s[at + 1]) ? 2 : 1;
      continue;
    }
    if (c == u' ' || c == u')') destinationStops[depth].push_back(i);
    if (c == u'(') depth += 1;
    if (c == u')') depth -= 1;
    i += 1;
  }

  nextAngle.assign(s.size() + 1, -1);
  nextQuote.assign(s.size() + 1, -1);
  for (int j = n - 1; j >= 0; --j) {
    const auto at = static_cast<std::size_t>(j);
    nextAngle[at] = (unescaped[at] && s[at] == u'>') ? j : nextAngle[at + 1];
    nextQuote[at] = (unescaped[at] && s[at] == u'"') ? j : nextQuote[at + 1];
  }
  linkPartsScanned = true;
}

// A destination started at depth d ends at the first space or ")" after
// its start that stands at the same depth d (a ")" there would close it).
// A link is located twice, once to find where it ends and once to write
// it, so the last answer is kept.
int TInlineText::destinationEnd(int start) {
  if (start != lastDestination.start) lastDestination = {start, findDestinationEnd(start)};
  return lastDestination.end;
}

int TInlineText::findDestinationEnd(int start) {
  if (start < 0 || start >= length()) return -1;
  if (!linkPartsScanned) {
    const int end = readDestinationEnd(s, start, linkPartReadBudget);
    if (end != kUnknown) return end;
    scanLinkParts();
  }
  const auto at = static_cast<std::size_t>(start);
  if (!unescaped[at]) return kUnknown;
  const auto found = destinationStops.find(parenDepth[at]);
  if (found == destinationStops.end()) return -1;
  const std::vector<int>& stops = found->second;
  const auto stop = std::lower_bound(stops.begin(), stops.end(), start);
  return stop == stops.end() ? -1 : *stop;
}

int TInlineText::escapedStop(int start, char16_t stop) {
  if (start < 0 || start >= length()) return -1;
  if (stop != u'>' && stop != u'"') return kUnknown;
  if (!linkPartsScanned) {
    const int end = readEscapedStop(s, start, stop, linkPartReadBudget);
    if (end != kUnknown) return end;
    scanLinkParts();
  }
  const auto at = static_cast<std::size_t>(start);
  if (!unescaped[at]) return kUnknown;
  return stop == u'>' ? nextAngle[at] : nextQuote[at];
}

// ---------------------------------------------------------------- reference table

std::u16string TEmitter::referenceKey(const std::u16string& key) {
  std::u16string folded(key);
  for (char16_t& c : folded) c = foldedUnit(c);
  return folded;
}

void TEmitter::addLinkRef(const std::u16string& key, std::unique_ptr<TLinkRef> linkRef) {
  if (!linkRef) return;
  std::u16string folded = referenceKey(key);
  FScan->keyLengths.insert(folded.size());
  // Assigning destroys a reference stored before under the same key.
  linkRefs[std::move(folded)] = std::move(linkRef);
}

TLinkRef* TEmitter::findLinkRef(const std::u16string& key) const {
  const auto found = linkRefs.find(referenceKey(key));
  return found == linkRefs.end() ? nullptr : found->second.get();
}

// ---------------------------------------------------------------- bracket readers

int TUtils::readMdLinkId(std::u16string& out_, const std::u16string& s, int start) {
  if (start < 0) return -1;
  const int n = static_cast<int>(s.size());
  int depth = 1;
  int i = start;
  while (i < n) {
    // Characters other than brackets and line feeds are copied a run at a time.
    i = copyUntilAny(out_, s, i, LINK_ID_SPECIALS);
    if (i == n) break;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'\n') {
      out_ += u' ';
    } else {
      depth += c == u'[' ? 1 : -1;
      if (depth == 0) return i;
      out_ += c;
    }
    i += 1;
  }
  return -1;
}

int TUtils::readMdLink(std::u16string& out_, const std::u16string& s, int start) {
  if (start < 0) return -1;
  const int n = static_cast<int>(s.size());
  int depth = 1;
  int i = start;
  while (i < n) {
    // Characters that neither escape, end nor nest are copied a run at a time.
    i = copyUntilAny(out_, s, i, DESTINATION_SPECIALS);
    if (i == n) break;
    const char16_t c = s[static_cast<std::size_t>(i)];
    if (c == u'\\' && i + 1 < n) {
      i = escape(out_, s[static_cast<std::size_t>(i + 1)], i) + 1;
      continue;
    }
    if (c == u' ' && depth == 1) return i;
    if (c == u'(') depth += 1;
    if (c == u')') {
      depth -= 1;
      if (depth == 0) return i;
    }
    out_ += c;
    i += 1;
  }
  return -1;
}

// ---------------------------------------------------------------- links

int TEmitter::checkLink(std::u16string& out_, const std::u16string& s, int start,
                        TMarkToken token) {
  return checkLink(out_, nullptr, s, start, token);
}

// `text`, when given, is the text being converted, whose tables answer
// where brackets and link parts end without reading them again.
int TEmitter::checkLink(std::u16string& out_, TInlineText* text, const std::u16string& s,
                        int start, TMarkToken token) {
  TLinkTarget target;
  int textStart = -1;
  if (!locateLink(text, s, start, token, textStart, target)) return -1;

  // 6.-7. The HTML.
  std::u16string name;
  TUtils::readMdLinkId(name, s, textStart);
  if (token == mtIMAGE) {
    appendImage(out_, config(), name, target);
  } else if (target.isAbbrev && !target.title.empty()) {
    appendAbbreviation(out_, name, target.title);
  } else {
    appendLink(out_, name, target);
  }
  return target.end;
}

int TEmitter::linkEnd(TInlineText* text, const std::u16string& s, int start, TMarkToken token) {
  TLinkTarget target;
  target.endOnly = true;
  int textStart = -1;
  return locateLink(text, s, start, token, textStart, target) ? target.end : -1;
}

// Steps 1 to 5: the link text and what it points to; false when the
// construct is not a link.
bool TEmitter::locateLink(TInlineText* text, const std::u16string& s, int start,
                          TMarkToken token, int& textStart, TLinkTarget& target) const {
  if (start < 0 || (token != mtLINK && token != mtIMAGE)) return false;
  TInlineText* known = FScan->shortcuts ? text : nullptr;

  // 1. The link text, up to its matching "]".
  textStart = start + (token == mtIMAGE ? 2 : 1);
  const int close = linkTextEnd(known, s, textStart);
  if (close < 0) return false;

  // Link texts nested in link texts are converted only up to a total size.
  if (token == mtLINK && !mayConvertLinkText(static_cast<std::size_t>(close - textStart))) {
    return false;
  }

  // 2.-5. What follows the "]" decides the form and gives the target.
  return findLinkTarget(known, s, textStart, close, target);
}

// An inline target after "(", a full or collapsed reference after "[",
// otherwise a shortcut reference named by the link text itself.
bool TEmitter::findLinkTarget(TInlineText* known, const std::u16string& s, int textStart,
                              int close, TLinkTarget& target) const {
  const int q = TUtils::skipSpaces(s, close + 1);
  if (isAt(s, q, u'(')) return readInlineTarget(known, s, q, target);

  if (isAt(s, q, u'[')) {
    std::u16string id;
    const int e = TUtils::readRawUntil(id, s, q + 1, u']');
    if (e < 0) return false;
    // '[text][]' names the reference by its text. The abbreviation flag
    // is not taken on this path.
    const TLinkRef* ref =
        id.empty() ? findNamedRef(s, textStart, close) : findLinkRef(id);
    if (!ref) return false;
    takeReference(*ref, false, e, target);
    return true;
  }

  const TLinkRef* ref = findNamedRef(s, textStart, close);
  if (!ref) return false;
  takeReference(*ref, true, close, target);
  return true;
}

// The reference named by the link text [textStart, close). Reading the text
// keeps one code unit per position, so when no key has its length the text
// need not be read at all.
const TLinkRef* TEmitter::findNamedRef(const std::u16string& s, int textStart, int close) const {
  const auto length = static_cast<std::size_t>(close - textStart);
  if (FScan->shortcuts && FScan->keyLengths.count(length) == 0) return nullptr;
  std::u16string name;
  TUtils::readMdLinkId(name, s, textStart);
  return findLinkRef(name);
}

void TEmitter::appendAbbreviation(std::u16string& out_, const std::u16string& name,
                                  std::u16string_view title) {
  out_ += u"<abbr title=\""sv;
  TUtils::appendValue(out_, title, 0, static_cast<int>(title.size()));
  out_ += u"\">"sv;
  emitLinkText(out_, name);
  out_ += u"</abbr>"sv;
}

void TEmitter::appendLink(std::u16string& out_, const std::u16string& name,
                          const TLinkTarget& target) {
  TDecorator& decorator = *config().decorator;
  decorator.openLink(out_);
  out_ += u" href=\""sv;
  appendDestination(out_, config(), target.link);
  out_ += u'"';
  appendTitle(out_, target.title);
  out_ += u'>';
  emitLinkText(out_, name);
  decorator.closeLink(out_);
}

// Link texts nested in link texts may hold only so many code units together
// (the outermost one is always converted).
bool TEmitter::mayConvertLinkText(std::size_t length) const {
  if (FScan->linkTextUnits == 0) return true;
  return FScan->linkTextUnits + length <= kMaxNestedLinkTextUnits;
}

// The link text is converted as a text of its own; beyond the nesting
// bound it is written as plain text.
void TEmitter::emitLinkText(std::u16string& out_, const std::u16string& name) {
  if (FScan->depth >= kMaxInlineNesting) {
    TUtils::appendCode(out_, name, 0, static_cast<int>(name.size()));
    return;
  }
  TNestingGuard nesting(*FScan, name.size());
  recursiveEmitLine(out_, name, 0, mtNONE);
}

}  // namespace glyphmill
