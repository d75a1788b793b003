// State of one inline conversion in progress: nesting depth and remembered
// results that keep pathological texts fast. Private to the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "MarkdownUtils.h"

namespace glyphmill {

// Deeper nesting than this (spans and link texts in progress together) is
// not attempted: further markers are written as ordinary text. This keeps
// the call stack small whatever the input.
inline constexpr int kMaxInlineNesting = 1000;

// Link texts converted while another link text is still being converted may
// hold this many code units together. A link text that would go beyond it is
// left as text; the outermost link text is always converted. This bounds the
// memory of deeply nested links in huge texts.
inline constexpr std::size_t kMaxNestedLinkTextUnits = 4u * 1024u * 1024u;

// Results remembered for positions of one text. Few positions of a long text
// get one, so they are kept in a small hash table rather than in an array as
// long as the text (which a text of millions of code units, such as a large
// table's, would fill with nothing).
class TPositionResults {
 public:
  // The result remembered for position, or `unknown`.
  int find(int position, int unknown) const;
  void set(int position, int result);
  // Forgets every result. A small table keeps its room for the next text; a
  // large one lets it go.
  void clear();

 private:
  struct TSlot {
    int position = -1;  // -1: free
    int result = 0;
  };
  std::size_t firstSlot(int position) const;
  void grow();

  std::vector<TSlot> slots_;  // empty, or a power of two in size, at most half full
  std::size_t used_ = 0;
};

// The results one text remembers (see TInlineText): per sought token, per
// start position; per construct position.
struct TTextResults {
  std::vector<TPositionResults> closings;  // one table per token
  TPositionResults constructEnds;
  void clear();
};

// What the emitter keeps between inline conversions and for the conversion
// that is running. Belongs to one emitter; nothing here is shared.
struct TInlineScan {
  // Spans and link texts being converted right now.
  int depth = 0;
  // Code units of the link texts being converted right now.
  std::size_t linkTextUnits = 0;
  // Lengths of the keys in the reference table; a bracketed text of another
  // length cannot name a reference, so it needs not be read for a lookup.
  std::unordered_set<std::size_t> keyLengths;
  // Remembered results, brackets matched ahead and the other shortcuts only
  // save time. Tests switch them off to compare the output both ways.
  bool shortcuts = true;
  // The positions each running closer search has passed, the innermost
  // search's last: one stack for all, so that a search allocates nothing.
  std::vector<int> visited;
  // The marker found at each position of the texts being converted, once
  // asked (see TInlineText::knownToken): each text's stretch from where it
  // was added, the innermost text's last. One stack for all texts, so that
  // a text allocates nothing once the stack has grown.
  std::vector<std::uint8_t> tokens;
  // Tables of remembered results that texts have given back, cleared, for
  // the next texts that remember something: a document's paragraphs do not
  // allocate their tables one by one.
  std::vector<TTextResults> spareResults;
};

// One text being converted inline (a paragraph's text, a link text, ...),
// with what has been learnt about it so far.
struct TInlineText {
  // Markers found are remembered in the scan's token stack when it
  // remembers results (scan.shortcuts).
  TInlineText(const std::u16string& text, TInlineScan& scan)
      : s(text),
        scan_(scan),
        tokensFrom_(scan.tokens.size()),
        bracketReadBudget(kDirectReadsPerUnit * static_cast<std::int64_t>(text.size())),
        linkPartReadBudget(kDirectReadsPerUnit * static_cast<std::int64_t>(text.size())) {}
  // Gives the text's stretch of the token stack back, and its tables of
  // results if it took any; texts end in the reverse order of their start.
  // Inline: every paragraph's text ends here, and most remember nothing.
  [[gnu::always_inline]] ~TInlineText() {
    if (tokensKept_ > 0) scan_.tokens.resize(tokensFrom_);
    if (resultsTaken_) giveBackResults();
  }
  TInlineText(const TInlineText&) = delete;
  TInlineText& operator=(const TInlineText&) = delete;

  const std::u16string& s;

  int length() const { return static_cast<int>(s.size()); }

  // The marker remembered at position (inside the text), or kTokenNotAsked.
  // A search for a closer and the writing after it ask the same positions,
  // and the answer depends on the text alone.
  static constexpr std::uint8_t kTokenNotAsked = 0xFF;
  static_assert(TMarkTokenCount < kTokenNotAsked);
  std::uint8_t knownToken(int position) const {
    const auto at = static_cast<std::size_t>(position);
    return at < tokensKept_ ? scan_.tokens[tokensFrom_ + at] : kTokenNotAsked;
  }
  // Remembers the marker at position, if the stretch can reach it.
  void rememberToken(int position, TMarkToken token) {
    const auto at = static_cast<std::size_t>(position);
    if (at >= tokensKept_ && !keepTokensUpTo(at)) return;
    scan_.tokens[tokensFrom_ + at] = static_cast<std::uint8_t>(token);
  }

  // Remembered results. A search for the closer `token` from `start`
  // gives the position where the closer starts, or -1; a construct (link,
  // tag, ...) at a position gives the last position it consumes, or -1.
  // kUnknown: not computed yet.
  static constexpr int kUnknown = -2;
  int knownClosing(int start, TMarkToken token) const;
  void rememberClosing(int start, TMarkToken token, int closing);
  int knownConstructEnd(int position) const;
  void rememberConstructEnd(int position, int last);

  // True when a ">" stands somewhere after `position`. Autolinks and tags
  // end at a ">", so a "<" without one after it starts neither.
  bool hasAngleCloseAfter(int position) {
    if (lastAngleClose == kUnknown) {
      const auto at = s.rfind(u'>');
      lastAngleClose = at == std::u16string::npos ? -1 : static_cast<int>(at);
    }
    return lastAngleClose > position;
  }

  // Where the last search of one of the autolink readers (TUtils::readUntil
  // from after a "<", or from a colon or "@" on) stopped. A search that
  // starts at a position the last one passed over stops at the same place:
  // a backslash never pairs with the "<" before such a start, nor with a
  // colon or "@". So a run of "<!" that no ">" ends is read once, not once
  // per "<".
  struct TAutolinkSearch {
    int from = -1;
    int stop = kUnknown;  // a stop character's position, or -1 at the end
    // The stop of a search from q, or kUnknown.
    int recall(int q, int textLength) const {
      const int last = stop < 0 ? textLength : stop;
      return from >= 0 && from <= q && q <= last ? stop : kUnknown;
    }
  };
  TAutolinkSearch urlScheme;  // after "<", up to a line feed, space, ":" or ">"
  TAutolinkSearch urlRest;    // from the ":", up to ">"
  TAutolinkSearch mailName;   // after "<", up to a line feed, space, ">" or "@"
  TAutolinkSearch mailRest;   // from the "@", up to ">"

  // Position of the "]" that matches the "[" at `open`, or -1. Brackets
  // are matched by depth only, without escapes, like TUtils::readMdLinkId.
  int matchingBracket(int open);

  // The parts of an inline link, found without copying anything. Each
  // answers like the reader named, for a start that the reader reaches
  // unescaped; kUnknown means "not known here, ask the reader".
  // TUtils::readMdLink(out, s, start):
  int destinationEnd(int start);
  // TUtils::readUntil(out, s, start, stop) for stop ">" or a double quote:
  int escapedStop(int start, char16_t stop);

 private:
  TInlineScan& scan_;
  // The remembered results; their tables are taken from the scan's spares
  // when the first result is remembered, and given back when the text ends.
  TTextResults results_;
  bool resultsTaken_ = false;
  void takeResults();
  void giveBackResults();
  // The text's stretch of the token stack: tokensKept_ positions from
  // tokensFrom_ on. It grows as searches go further, as long as no inner
  // text (a link text, say) holds a stretch above it.
  std::size_t tokensFrom_;
  std::size_t tokensKept_ = 0;
  bool keepTokensUpTo(std::size_t position);
  int lastAngleClose = kUnknown;

  // Characters that may still be read directly, before the bracket table and
  // before the link part tables below are made (see matchingBracket). A link
  // is read twice, once to find where it ends and once to write it, so the
  // budget is twice the length of the text.
  static constexpr std::int64_t kDirectReadsPerUnit = 2;
  std::int64_t bracketReadBudget;
  std::int64_t linkPartReadBudget;

  void matchBrackets();
  void scanLinkParts();
  int findDestinationEnd(int start);

  // The last question to destinationEnd and its answer.
  struct TAnswer {
    int start;
    int end;
  };
  TAnswer lastDestination{-1, -1};

  // For each "[" its matching "]" (-1 elsewhere). Empty until needed.
  std::vector<int> closingBracket;
  bool bracketsMatched = false;

  // The text read from its start the way the link readers read it: a
  // backslash before a character it escapes takes that character along.
  // `unescaped` marks the positions such a reading stands on; there every
  // reader started at an unescaped position agrees with it.
  bool linkPartsScanned = false;
  std::vector<bool> unescaped;
  // Parenthesis depth before each position, counted from the start.
  std::vector<int> parenDepth;
  // The spaces and ")" that can end a destination, by the depth before them.
  std::unordered_map<int, std::vector<int>> destinationStops;
  // The next unescaped ">" and double quote at or after each position.
  std::vector<int> nextAngle;
  std::vector<int> nextQuote;
};

// What a link, image or abbreviation points to, and where it ends.
// `link` and `title` show the characters of the text being converted or of
// a reference where these hold them as they are; a part that had escapes
// taken out is kept in the target's own string. The views may show that
// string, so a target is not copied.
struct TLinkTarget {
  TLinkTarget() = default;
  TLinkTarget(const TLinkTarget&) = delete;
  TLinkTarget& operator=(const TLinkTarget&) = delete;

  std::u16string_view link;
  std::u16string_view title;
  std::u16string unescapedLink;
  std::u16string unescapedTitle;
  bool isAbbrev = false;
  int end = -1;
  // Set when only `end` is wanted: the parts are then not read.
  bool endOnly = false;
};

// Counts one nested span or link text in progress for as long as it lives,
// also when an exception passes.
class TNestingGuard {
 public:
  explicit TNestingGuard(TInlineScan& scan, std::size_t linkTextUnits = 0)
      : scan_(scan), units_(linkTextUnits) {
    scan_.depth += 1;
    scan_.linkTextUnits += units_;
  }
  ~TNestingGuard() {
    scan_.depth -= 1;
    scan_.linkTextUnits -= units_;
  }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;

 private:
  TInlineScan& scan_;
  std::size_t units_;
};

}  // namespace glyphmill
