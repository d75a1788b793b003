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
  // Remembering results and matching brackets ahead only saves time; the
  // output is the same without. Tests switch it off to compare both ways.
  bool shortcuts = true;
};

// One text being converted inline (a paragraph's text, a link text, ...),
// with what has been learnt about it so far.
struct TInlineText {
  explicit TInlineText(const std::u16string& text) : s(text) {}

  const std::u16string& s;

  int length() const { return static_cast<int>(s.size()); }

  // True when a scan from `start` for the closing `token` was seen to fail.
  bool searchFailed(int start, TMarkToken token) const {
    return hasFlag(start, tokenBit(token));
  }
  void rememberSearchFailure(int start, TMarkToken token) { setFlag(start, tokenBit(token)); }

  // True when the construct that starts at `position` was seen to fail.
  bool constructFailed(int position) const { return hasFlag(position, kConstructBit); }
  void rememberConstructFailure(int position) { setFlag(position, kConstructBit); }

  // Position of the "]" that matches the "[" at `open`, or -1. Brackets
  // are matched by depth only, without escapes, like TUtils::readMdLinkId.
  int matchingBracket(int open);

  // The parts of an inline link, found without copying anything. Each
  // answers like the reader named, for a start that the reader reaches
  // unescaped; -2 means "not known here, ask the reader".
  // TUtils::readMdLink(out, s, start):
  int destinationEnd(int start);
  // TUtils::readUntil(out, s, start, stop) for stop ">" or a double quote:
  int escapedStop(int start, char16_t stop);

 private:
  static constexpr std::uint32_t kConstructBit = 1u << 31;
  static std::uint32_t tokenBit(TMarkToken token) { return 1u << static_cast<unsigned>(token); }

  bool hasFlag(int position, std::uint32_t bit) const {
    if (position < 0 || static_cast<std::size_t>(position) >= flags.size()) return false;
    return (flags[static_cast<std::size_t>(position)] & bit) != 0;
  }
  void setFlag(int position, std::uint32_t bit) {
    if (position < 0 || position >= length()) return;
    if (flags.empty()) flags.assign(s.size(), 0);
    flags[static_cast<std::size_t>(position)] |= bit;
  }

  void matchBrackets();
  void scanLinkParts();

  // Per position: bit t = "a scan from here for token t fails";
  // the top bit = "the construct starting here fails". Empty until needed.
  std::vector<std::uint32_t> flags;

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

static_assert(TMarkTokenCount <= 31, "token bits must leave the top bit free");

// What a link, image or abbreviation points to, and where it ends.
struct TLinkTarget {
  std::u16string link;
  std::u16string title;
  bool isAbbrev = false;
  int end = -1;
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
