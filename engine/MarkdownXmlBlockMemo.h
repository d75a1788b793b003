// What the HTML-block test of line classification remembers while one block
// tree is being built. Private to the engine.
//
// The test scans from a line that opens a block element through the lines
// after it, until the element is closed, a closing tag does not match, or the
// lines run out; for an element that is never closed that is the rest of the
// document, once for every line. The memo keeps, per line, the outcome of that
// scan for the text from the start of the line to the end of its chain, in a
// form that answers for any set of still-open elements:
//   - the closing tags that close elements opened before the line, in order
//     (the line's own tags close each other first), ending with "runs out" or
//     with "a closing tag that does not match";
//   - the first "-->" from the start of the line on (comments).
// A line's entry depends on its own text and on every line after it. The block
// builder changes lines only in blocks it has cut off the chain it is walking,
// and it builds such a block only after the level it cut it from is done, or
// with a second memo (the document's blocks, handed over one by one); so when
// it starts on a block, no entry its memo holds will be asked for again, and
// it forgets them all at once (walking the block's lines to forget them one by
// one would cost a pass over every line at every level of a deep nesting).
// A list, or a list item, that ends where the chain its entries describe
// ends keeps them: from each of its lines the chain to the end holds the
// same lines, so each entry stays true (positions are kept from the end of a
// line's leading spaces, which removing indentation only shortens). That
// saves describing the lines of a deep nesting of lists once per level.
// The one place that classifies while changing lines, removing a list item's
// indentation, goes from the first line to the last and changes each line
// after classifying it, so the entries it uses (those of later lines) are
// still current; afterwards the entries of the lines up to the last one that
// lost more than spaces are forgotten.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MarkdownUtils.h"

namespace glyphmill {

class TXmlBlockMemo {
 public:
  // Becomes config's active memo, unless one is active already. A memo that
  // does not remember scans every time, as classification without a memo
  // does (a reference for checking the remembering one).
  explicit TXmlBlockMemo(TConfiguration& config, bool remember = true);
  ~TXmlBlockMemo();
  TXmlBlockMemo(const TXmlBlockMemo&) = delete;
  TXmlBlockMemo& operator=(const TXmlBlockMemo&) = delete;

  // Whether this memo remembers scans (see the constructor).
  bool remembers() const { return remember_; }

  // Drops what is remembered about one line, or about `first` and every line
  // after it. Needed whenever a line's text changes or its chain is cut.
  void forget(TLine* line);
  void forgetLines(TLine* first);
  // Drops what is remembered about `first` and the lines after it up to
  // and including `last`.
  void forgetLinesUpTo(TLine* first, const TLine* last);
  // Drops every entry; the cost is that of the entries held, not of the lines.
  void forgetEverything();
  // Keeps the entries when they all describe the chain that ends at `last`,
  // the last line of the block about to be built; otherwise drops them.
  void forgetEverythingUnlessChainEndsAt(const TLine* last);

  // Goes on with the nesting scan of `line` in the lines after it, where
  // `open` (not empty) holds the elements still open at the end of `line`.
  // Sets line.FPosition and returns the line that closes the element (nullptr
  // when none does), exactly as a scan through those lines would.
  TLine* closeInFollowingLines(TLine& line, std::vector<std::u16string>& open);

  // The first "-->" in the lines after `line`: its line and the index of its
  // first "-", or {nullptr, -1}.
  struct TCommentClose {
    TLine* line;
    int position;
  };
  TCommentClose commentCloseAfter(const TLine& line);

 private:
  // One step of a remembered scan: a closing tag that closes an element
  // opened before the scan began, or the end of the scan.
  enum TStepKind { skRunOut, skClose, skMismatch };
  struct TStep {
    TStepKind kind;
    std::u16string name;  // skClose: the element closed
    TLine* line;          // skClose, skMismatch: the line of the tag
    int position;         // ... and the index of its "<" after the leading spaces
    int next;             // skClose: the following step
  };
  // What a scan from the start of a line meets (the comment's position is
  // counted after the leading spaces of its line). A line that holds no tag
  // and no "-->" meets what the line after it meets: it is given that line's
  // entry instead of one of its own, so most lines cost the memo nothing.
  struct TEntry {
    int firstStep;
    TCommentClose comment;
  };

  bool knows(const TLine* line) const;
  void forgetEverythingUnlessRemembering();
  // The entry of `line`, computing it and those of the lines after it as needed.
  const TEntry& entryOf(TLine* line);
  // The entry index of `line`, given that of the line after it.
  int describeLine(TLine* line, int following);
  int matchOpenElements(std::vector<std::u16string>& open, int step);
  int addStep(TStep step);
  // Remembers that entries were described back from `last`, the end of a chain.
  void noteChainEnd(const TLine* last);
  // A position counted after the leading spaces of line, in the whole line.
  static int positionInLine(const TLine* line, int afterSpaces);

  TConfiguration& config_;
  const bool remember_;
  bool active_ = false;
  std::vector<TStep> steps_;      // steps_[0] is the shared "runs out"
  std::vector<TEntry> entries_;   // entries_[0]: no line follows
  std::uint32_t generation_ = 0;  // the mark of this memo's current entries
  // Whether a line was described since the memo last forgot everything; true
  // at first, so that the constructor's forgetting sets the memo up.
  bool describedAny_ = true;
  // The last line of the chain the current entries describe (nullptr: none
  // yet); mixedChainEnds_ when they were described from more than one end.
  const TLine* chainEnd_ = nullptr;
  bool mixedChainEnds_ = false;
  // describeLine's stacks, kept for the room they have grown.
  std::vector<std::u16string> describedOpen_;
  std::vector<TStep> describedClosesBefore_;
};

// A tag of a block element that counts for nesting (not "hr", not ending
// with "/>"), found by nextNestingTag.
struct TNestingTag {
  std::u16string name;  // lower-case element name
  bool closing;         // "</name ...>"
  int end;              // index of the tag's ">"
};

// Moves position to the "<" of the next nesting tag in s and describes it, or
// returns false at the end of s. Other tags are passed over to their ">", and
// a "<" that starts no tag by one character.
bool nextNestingTag(std::u16string_view s, int& position, TNestingTag& tag);

// Index of the first "-" of the first "-->" in s at or after start, or -1.
int findCommentClose(std::u16string_view s, int start);

}  // namespace glyphmill
