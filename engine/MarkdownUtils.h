// The engine's working parts: lines and blocks, the decorator and hooks, the
// escaping, scanning and HTML helpers, and the emitter (block and inline).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MarkdownProcessor.h"

namespace glyphmill {

// A set of 8-bit character codes; a code unit above 255 is never a member.
class TCharSet {
 public:
  constexpr TCharSet() = default;
  constexpr TCharSet(std::initializer_list<char16_t> chars) {
    for (char16_t c : chars) add(c);
  }
  constexpr void add(char16_t c) {
    if (c < 256) bits_[c >> 6] |= std::uint64_t{1} << (c & 63);
  }
  constexpr bool contains(char16_t c) const {
    return c < 256 && ((bits_[c >> 6] >> (c & 63)) & 1) != 0;
  }

 private:
  std::uint64_t bits_[4]{};
};

// ---------------------------------------------------------------- lines, blocks

enum TLineType {
  ltEMPTY, ltOTHER, ltHEADLINE, ltHEADLINE1, ltHEADLINE2, ltCODE, ltULIST,
  ltOLIST, ltBLIST, ltBQUOTE, ltHR, ltXML, ltFENCED_CODE, ltTABLE
};

enum TBlockType {
  btNONE, btBLOCKQUOTE, btCODE, btFENCED_CODE, btHEADLINE, btLIST_ITEM,
  btORDERED_LIST, btPARAGRAPH, btRULER, btUNORDERED_LIST, btXML, btTABLE
};

// Delivers the source one character at a time; code 0 past the end. The
// reader does not copy the source, which must outlive it.
class TMarkdownReader {
 public:
  explicit TMarkdownReader(std::u16string_view source) : FValue(source) {}
  // The character at the cursor, which moves on; "\0" past the end.
  char16_t read() {
    const std::size_t at = FCursor++;
    return at < FValue.size() ? FValue[at] : u'\0';
  }

  std::u16string_view FValue;
  std::size_t FCursor = 0;
};

// The text of a line: a string of UTF-16 code units that can lose characters
// at its front without moving the rest. Quote and list markers are removed
// from the front one nesting level after another; with a plain string, a line
// holding thousands of nested markers would be moved once per level.
// A line read from a document as it stands shares its characters with the
// document's text (see share) and gets a string of its own only when a change
// needs one, so reading a document copies and allocates no line texts.
class TLineText {
 public:
  TLineText() = default;
  TLineText(std::u16string text) { *this = std::move(text); }
  ~TLineText() { release(); }
  TLineText(const TLineText&) = delete;
  TLineText& operator=(const TLineText&) = delete;
  // Makes text the line's own text.
  TLineText& operator=(std::u16string text);
  // Takes text, which must outlive this line text, without copying it.
  void share(std::u16string_view text) { share(text, holdsAngleBracket(text)); }
  // The same, for a caller that knows whether text holds a "<" or ">".
  void share(std::u16string_view text, bool holdsAngle) {
    release();
    chars_.shared = text.data();
    sharedSize_ = static_cast<std::uint32_t>(text.size());
    start_ = 0;
    spacesEnd_ = kUnknown;
    mayHoldAngle_ = holdsAngle;
  }

  std::size_t size() const { return whole().size() - start_; }
  bool empty() const { return size() == 0; }
  char16_t operator[](std::size_t i) const { return whole()[start_ + i]; }
  const char16_t* begin() const { return whole().data() + start_; }
  const char16_t* end() const { return whole().data() + whole().size(); }
  std::u16string_view view() const { return whole().substr(start_); }
  operator std::u16string_view() const { return view(); }
  // The text as a string; makes it a string of its own and lets go of
  // dropped characters first, when needed.
  const std::u16string& str() const {
    own();
    dropFront();
    return *chars_.own;
  }
  std::u16string substr(std::size_t pos, std::size_t n = std::u16string::npos) const {
    return std::u16string(view().substr(pos, n));
  }

  // Removes n characters at pos; at the front this only moves the start,
  // and the dropped characters are let go once they outweigh the rest.
  void erase(std::size_t pos, std::size_t n);
  // erase(0, n) for n at most the size, without a call.
  void removeFront(std::size_t n) {
    start_ += static_cast<std::uint32_t>(n);
    if (owns_ && start_ > size()) dropFront();
  }
  void clear();

  // False when the text holds neither "<" nor ">" (no tag, no end of a
  // comment); true when it may. Known without reading the text.
  bool mayHoldAngleBracket() const { return mayHoldAngle_; }

  // The number of spaces at the front. The end of the run of spaces is
  // remembered, so a count after dropping characters inside that run costs
  // nothing, and a count after dropping past it reads only characters that
  // no earlier count has read: a line losing a nested indentation level by
  // level is read once in all, not once per level.
  std::size_t leadingSpaces() const {
    if (spacesEnd_ == kUnknown || spacesEnd_ < start_) {
      const std::u16string_view all = whole();
      // Most lines begin with no space at all, or are empty; a deep
      // indentation is counted by the faster scan.
      const bool noSpace = start_ >= all.size() || all[start_] != u' ';
      spacesEnd_ = noSpace ? start_ : leadingSpacesEnd();
    }
    return spacesEnd_ - start_;
  }

  // The number of spaces at the end.
  std::size_t trailingSpaces() const {
    const std::u16string_view text = view();
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    return text.size() - end;
  }

  friend bool operator==(const TLineText& a, std::u16string_view b) { return a.view() == b; }

 private:
  // Positions within a line are 32-bit, as everywhere in the engine; this
  // keeps a line object small (a document holds one per line).
  static constexpr std::uint32_t kUnknown = static_cast<std::uint32_t>(-1);

  // All the characters, the dropped ones at the front included.
  std::u16string_view whole() const {
    if (owns_) return *chars_.own;
    return chars_.shared != nullptr ? std::u16string_view(chars_.shared, sharedSize_)
                                    : std::u16string_view();
  }
  // The index just after the run of spaces at the front (from start_).
  std::uint32_t leadingSpacesEnd() const;
  // Deletes the own string, if any; the text is then empty.
  void release() {
    if (owns_) delete chars_.own;
    owns_ = false;
    chars_.shared = nullptr;
  }
  // Copies shared characters (those not dropped) into a string of its own.
  void own() const;
  // Lets go of the dropped characters at the front of the own string.
  void dropFront() const;
  static bool holdsAngleBracket(std::u16string_view text);

  // The characters: shared ones (sharedSize_ of them), or a string of the
  // text's own when owns_, which it deletes. Most lines keep sharing the
  // document's characters, so both take the room of one pointer.
  union TChars {
    const char16_t* shared;
    std::u16string* own;
  };
  // Mutable so that str() can make the text its own and let go of dropped
  // characters.
  mutable TChars chars_{nullptr};
  mutable std::uint32_t sharedSize_ = 0;
  mutable std::uint32_t start_ = 0;
  // Index into the characters of the first non-space at or after start_ (or
  // the end), when known: [start_, spacesEnd_) are spaces. kUnknown when not
  // counted yet, or when start_ has moved past the remembered end.
  mutable std::uint32_t spacesEnd_ = kUnknown;
  mutable bool owns_ : 1 = false;
  // Set when the text may hold "<" or ">": set when the text is given, kept
  // while characters are only removed.
  bool mayHoldAngle_ : 1 = false;
};

// One source line. A line owns the line after it.
class TLine {
 public:
  TLine() = default;
  ~TLine();  // releases the rest of the chain without recursion
  // delete destroys the line; a line made in a TLinePool keeps its room,
  // which goes back with the pool.
  static void operator delete(TLine* line, std::destroying_delete_t);
  TLine(const TLine&) = delete;
  TLine& operator=(const TLine&) = delete;

  // A document holds one line object per line: the members are declared
  // by size, and the flags below take the room a line text leaves unused at
  // its end, so that a line object is 64 bytes.
  TLine* FPrevious = nullptr;
  std::unique_ptr<TLine> FNext;
  [[no_unique_address]] TLineText FValue;
  bool FPrevEmpty : 1 = false;
  bool FIsEmpty : 1 = true;
  bool FNextEmpty : 1 = false;
  bool FPooled : 1 = false;  // made in a TLinePool

 private:
  // The kind that the line's own text gives (see getLineType), kept until
  // the text changes: a nested line is classified once per level, not once
  // per question about it. kUnknownType: not classified since the change.
  static constexpr std::uint8_t kUnknownType = 0xFF;
  std::uint8_t ownType_ = kUnknownType;

 public:
  int FPosition = 0;             // scan cursor into FValue
  int FXmlMemoEntry = -1;        // entry of this line in a TXmlBlockMemo, or -1
  std::uint32_t FXmlMemoGeneration = 0;  // ... valid while that memo is at this generation
  int FTrailing = 0;
  int FLeading = 0;
  // Lines that begin at the margin with a letter are plain: they carry no
  // block marker of their own. Consecutive plain lines of the document share
  // a run number (0: not plain). Nothing the block builder does makes a plain
  // line empty, indents it or gives it a marker, and blocks keep unbroken
  // stretches of the document, so the lines of a run that stand in one block
  // are always consecutive there (see TBlock::plainRunToEnd).
  std::uint32_t FPlainRun = 0;

  int length() const { return static_cast<int>(FValue.size()); }
  // Not empty, not indented, and the first character is a letter.
  bool isPlain() const;
  // Called for a new line before it is appended after `previous` (or first):
  // a plain line takes the run number of a plain previous line, or the next
  // unused one; `runs` counts the numbers used.
  void joinPlainRun(const TLine* previous, std::uint32_t& runs);

  // Counts leading and trailing spaces; an all-space line becomes empty.
  // Inline, as every line read is initialised.
  void Init() {
    forgetLineType();
    FLeading = static_cast<int>(FValue.leadingSpaces());
    if (FLeading == length()) {
      setEmpty();
      return;
    }
    FIsEmpty = false;
    FTrailing = static_cast<int>(FValue.trailingSpaces());
  }
  // Recounts the leading spaces only; an all-space line becomes empty.
  void InitLeading();
  // Indented by four spaces or more: code in every dialect, whatever the
  // line holds (see getLineType), and never plain.
  bool isIndented() const { return !FIsEmpty && FLeading > 3; }
  // Removes n of the leading spaces (n at most FLeading) without reading the
  // text: what InitLeading would count afterwards is known.
  void dropLeadingSpaces(int n);
  // Moves FPosition over spaces; true while FPosition is inside the text.
  bool skipSpaces();
  // Reads from FPosition up to an unescaped character of chend (the end of
  // the text counts as a line feed); "" and FPosition unchanged on failure.
  std::u16string readUntil(const TCharSet& chend);
  // Clears the text and tells both neighbours that this line is empty.
  void setEmpty();

  // The kind of this line for the configured dialect (may set FPosition,
  // config.xmlEndLine and config.formatPipeCount). A blank line and a kind
  // remembered from the line's own text are answered here, without a call.
  TLineType getLineType(TConfiguration& config) {
    if (FIsEmpty) return ltEMPTY;
    if (ownType_ != kUnknownType) return static_cast<TLineType>(ownType_);
    return classify(config);
  }
  // To be called after the text is changed other than through Init,
  // InitLeading or stripID, which call it themselves (an empty line needs
  // no kind remembered).
  void forgetLineType() { ownType_ = kUnknownType; }
  // Takes a trailing "{#id}" off the line and returns the id, or "". A line
  // that does not end with "}", as most do not, is answered here.
  std::u16string stripID() {
    const int last = length() - FTrailing - 1;
    if (FIsEmpty || last < 0 || FValue[static_cast<std::size_t>(last)] != u'}') return {};
    return takeID();
  }

 private:
  // getLineType for a line that is not blank and has no kind remembered.
  TLineType classify(TConfiguration& config);
  // stripID for a line that ends with "}".
  std::u16string takeID();
  int countOnlyChar(char16_t ch) const;
  int countLeadingChar(char16_t ch, bool skipSpaces) const;
  // memo: remembered scans of the following lines, or absent.
  // The position after the "-->" of the comment opened at start in `from`
  // (endLine: its line), or -1.
  int findCommentEnd(TLine*& endLine, TLine* from, int start,
                     TXmlBlockMemo* memo = nullptr) const;
  // The last line of the HTML block this line begins, or nullptr.
  TLine* xmlBlockEnd(TXmlBlockMemo* memo = nullptr);
};

// Rooms for objects of one type, cut from large slabs that the rooms own:
// the objects need no allocation of their own and no malloc bookkeeping. A
// room given back is taken again first; the rooms given back are kept in a
// list that runs through the rooms themselves. The rooms know nothing of what
// is in them: whoever gives a room back has destroyed its object.
template <typename T, std::size_t kPerSlab>
class TRooms {
 public:
  void* take() {
    if (givenBack_ != nullptr) {
      TFreeRoom* room = givenBack_;
      givenBack_ = room->next;
      return room;
    }
    if (usedInLastSlab_ == kPerSlab) {
      slabs_.push_back(std::make_unique_for_overwrite<std::byte[]>(kPerSlab * sizeof(T)));
      usedInLastSlab_ = 0;
    }
    void* room = slabs_.back().get() + usedInLastSlab_ * sizeof(T);
    ++usedInLastSlab_;
    return room;
  }
  void giveBack(void* room) { givenBack_ = new (room) TFreeRoom{givenBack_}; }

 private:
  struct TFreeRoom {
    TFreeRoom* next;
  };
  static_assert(sizeof(T) >= sizeof(TFreeRoom) && alignof(T) >= alignof(TFreeRoom));
  std::vector<std::unique_ptr<std::byte[]>> slabs_;
  std::size_t usedInLastSlab_ = kPerSlab;
  TFreeRoom* givenBack_ = nullptr;  // the last room given back
};

// Room for the lines of one conversion. A line made here is released with
// delete like any other line, but its room goes back only with the pool (or
// by giveBack), so every line made here must go before the pool.
class TLinePool {
 public:
  TLinePool() = default;
  TLinePool(const TLinePool&) = delete;
  TLinePool& operator=(const TLinePool&) = delete;

  // A new line, as TLine() makes it.
  std::unique_ptr<TLine> make() {
    std::unique_ptr<TLine> line(new (rooms_.take()) TLine());
    line->FPooled = true;
    return line;
  }
  // Destroys a line made here, whose room the next line then takes.
  void giveBack(std::unique_ptr<TLine> line);

 private:
  TRooms<TLine, 1024> rooms_;
};

// A text that few objects have (a block's id, a fence's meta): an empty one
// takes the room of a pointer only, and no memory of its own.
class TSeldomText {
 public:
  TSeldomText& operator=(std::u16string text) {
    if (text.empty()) {
      text_.reset();
    } else {
      text_ = std::make_unique<std::u16string>(std::move(text));
    }
    return *this;
  }
  bool empty() const { return text_ == nullptr; }
  std::size_t size() const { return text_ != nullptr ? text_->size() : 0; }
  const std::u16string& str() const;
  operator const std::u16string&() const { return str(); }
  operator std::u16string_view() const { return str(); }

 private:
  std::unique_ptr<std::u16string> text_;  // absent when the text is empty
};

class TBlockPool;

// One node of the block tree. A block owns its first line, its first child
// and its next sibling.
class TBlock {
 public:
  TBlock() = default;
  // Releases children and siblings without recursion; a block without
  // either, as most are when they go, needs no work list.
  ~TBlock() {
    if (FBlocks || FNext) releaseChildrenAndSiblings();
  }
  // delete destroys the block; a block made in a TBlockPool gives its room
  // back to the pool.
  static void operator delete(TBlock* block, std::destroying_delete_t);
  TBlock(const TBlock&) = delete;
  TBlock& operator=(const TBlock&) = delete;

  TBlockType FType = btNONE;
  int FHlDepth = 0;
  // A headline's or list item's id, or a fenced code block's meta: no block
  // has both, so the two share one field.
  TSeldomText FIdOrMeta;
  std::unique_ptr<TBlock> FBlocks;
  TBlock* FBlockTail = nullptr;
  std::unique_ptr<TLine> FLines;
  TLine* FLineTail = nullptr;
  std::unique_ptr<TBlock> FNext;

  // Appends a line, setting the neighbour flags of it and the old last line.
  void AppendLine(std::unique_ptr<TLine> line) {
    TLine* added = line.get();
    if (FLineTail) {
      FLineTail->FNextEmpty = added->FIsEmpty;
      added->FPrevEmpty = FLineTail->FIsEmpty;
      added->FPrevious = FLineTail;
      FLineTail->FNext = std::move(line);
    } else {
      FLines = std::move(line);
    }
    FLineTail = added;
  }
  // Moves the lines up to and including `line` into a new last child.
  TBlock* split(TLine* line);
  // Unlinks one line and destroys it.
  void removeLine(TLine* line);
  bool removeLeadingEmptyLines();
  void removeTrailingEmptyLines();
  void removeSurroundingEmptyLines();
  void removeBlockQuotePrefix();
  // Removes a list item's marker and indentation; returns the last line that
  // lost more than leading spaces (nullptr when none did).
  TLine* removeListIndent(TConfiguration& config);
  void transfromHeadline();
  // Makes a list loose when any item holds a paragraph.
  void expandListParagraphs();
  bool hasLines() const { return FLines != nullptr; }
  // The block's last line when `line` and every line after it belong to one
  // run of plain lines; otherwise nullptr. The lines after `line` then follow
  // plain lines: removing list indentation leaves them as they are, and none
  // starts a list item or ends a list or a quote, so walks that look only for
  // those can stop at `line`. Costs nothing, so walks over deep nesting do
  // not pass over the same long run of lazy lines once per level.
  TLine* plainRunToEnd(const TLine* line) const {
    if (line == nullptr || line == FLineTail || line->FPlainRun == 0) return nullptr;
    return FLineTail->FPlainRun == line->FPlainRun ? FLineTail : nullptr;
  }
  // Whether a line of this block, or of a block inside it, holds a "<".
  bool holdsLessThan() const;

 private:
  friend class TBlockPool;
  void releaseChildrenAndSiblings();
  TBlockPool* FPool = nullptr;  // where this block was made, and its children are
};

// Room for the blocks of one conversion: a block made here makes its children
// here too, and a block released here leaves its room to the next one, so a
// deep nesting's blocks take no allocation each. Every block made here must
// go before the pool.
class TBlockPool {
 public:
  TBlockPool() = default;
  TBlockPool(const TBlockPool&) = delete;
  TBlockPool& operator=(const TBlockPool&) = delete;

  // A new block, as TBlock() makes it.
  std::unique_ptr<TBlock> make();

 private:
  friend class TBlock;
  TRooms<TBlock, 256> rooms_;
};

// One reference definition; an abbreviation has the link "*" and a title.
class TLinkRef {
 public:
  TLinkRef(std::u16string link, std::u16string title, bool isAbbrev)
      : FLink(std::move(link)), FTitle(std::move(title)), FIsAbbrev(isAbbrev) {}
  std::u16string FLink;
  std::u16string FTitle;
  bool FIsAbbrev;
};

// ---------------------------------------------------------------- decorator, hooks

// Writes the tag text of every element; replace it to change the markup.
class TDecorator {
 public:
  virtual ~TDecorator() = default;
  virtual void openParagraph(std::u16string& out_);
  virtual void closeParagraph(std::u16string& out_);
  virtual void openBlockQuote(std::u16string& out_);
  virtual void closeBlockQuote(std::u16string& out_);
  virtual void openCodeBlock(std::u16string& out_);
  // Not virtual: the class label is written exactly as given.
  void openFencedCodeBlock(std::u16string& out_, const std::u16string& classlabel);
  virtual void closeCodeBlock(std::u16string& out_);
  virtual void openCodeSpan(std::u16string& out_);
  virtual void closeCodeSpan(std::u16string& out_);
  virtual void openHeadline(std::u16string& out_, int level);
  virtual void closeHeadline(std::u16string& out_, int level);
  virtual void openStrong(std::u16string& out_);
  virtual void closeStrong(std::u16string& out_);
  virtual void openEmphasis(std::u16string& out_);
  virtual void closeEmphasis(std::u16string& out_);
  virtual void openStrike(std::u16string& out_);
  virtual void closeStrike(std::u16string& out_);
  virtual void openIns(std::u16string& out_);
  virtual void closeIns(std::u16string& out_);
  virtual void openMark(std::u16string& out_);
  virtual void closeMark(std::u16string& out_);
  virtual void openSuper(std::u16string& out_);
  virtual void closeSuper(std::u16string& out_);
  virtual void openSub(std::u16string& out_);
  virtual void closeSub(std::u16string& out_);
  virtual void openOrderedList(std::u16string& out_);
  virtual void closeOrderedList(std::u16string& out_);
  virtual void openUnOrderedList(std::u16string& out_);
  virtual void closeUnOrderedList(std::u16string& out_);
  virtual void openListItem(std::u16string& out_);
  virtual void closeListItem(std::u16string& out_);
  virtual void checkedItem(std::u16string& out_);
  virtual void uncheckedItem(std::u16string& out_);
  virtual void horizontalRuler(std::u16string& out_);
  virtual void openLink(std::u16string& out_);
  virtual void closeLink(std::u16string& out_);
  virtual void openImage(std::u16string& out_);
  virtual void closeImage(std::u16string& out_);
};

// Host hook that renders special links ("[[...]]").
class TSpanEmitter {
 public:
  virtual ~TSpanEmitter() = default;
  virtual void emitSpan(std::u16string& out_, const std::u16string& content) = 0;
};

// Host hook that renders code blocks.
class TBlockEmitter {
 public:
  virtual ~TBlockEmitter() = default;
  virtual void emitBlock(std::u16string& out_, const std::vector<std::u16string>& lines,
                         const std::u16string& meta) = 0;
};

// ---------------------------------------------------------------- tokens

enum TMarkToken {
  mtNONE, mtEM_STAR, mtEM_UNDERSCORE, mtSUB_TILDE, mtSTRONG_STAR, mtSTRONG_UNDERSCORE,
  mtSTRIKE_TILDE, mtINS_PLUS, mtMARK_EQ, mtMATH_DOLLAR, mtCODE_SINGLE, mtCODE_DOUBLE,
  mtLINK, mtHTML, mtIMAGE, mtENTITY, mtESCAPE, mtSUPER, mtX_COPY, mtX_REG, mtX_TRADE,
  mtX_LAQUO, mtX_RAQUO, mtX_NDASH, mtX_MDASH, mtX_HELLIP, mtX_RDQUO, mtX_LDQUO,
  mtX_LINK_OPEN, mtX_LINK_CLOSE
};
constexpr int TMarkTokenCount = mtX_LINK_CLOSE + 1;

// ---------------------------------------------------------------- helpers

// Stateless text helpers: escaping, scanning, link and tag readers.
// Readers return the position of the stop character, or -1.
class TUtils {
 public:
  // Character classes of the inline level (real Unicode data above 255; a
  // surrogate code unit is neither).
  static bool isWhiteSpace(char16_t c);
  static bool isLetterOrDigit(char16_t c);
  // "0".."9", or a Unicode decimal digit above 255.
  static bool isDigit(char16_t c);

  // Escaping and encoding.
  static void appendCode(std::u16string& out_, std::u16string_view s, int start, int e);
  static void appendValue(std::u16string& out_, std::u16string_view s, int start, int e);
  static void codeEncode(std::u16string& out_, std::u16string_view value, int offset);
  static void appendMailto(std::u16string& out_, const std::u16string& s, int start, int e,
                           std::mt19937& random);
  static void appendDecEntity(std::u16string& out_, char16_t value);
  static void appendHexEntity(std::u16string& out_, char16_t value);
  static std::u16string getMetaFromFence(std::u16string_view fenceLine);
  static std::u16string encodeURL(const std::u16string& url);
  // Safe mode: true for a destination whose scheme (read without characters of
  // code 32 or below, in any letter case) is javascript:, vbscript:, or data:
  // other than a PNG, GIF, JPEG or WebP image; also for any destination that
  // holds a double quotation mark (it would end the href or src attribute).
  static bool isDangerousUrl(std::u16string_view url);

  // Scanning.
  static int skipSpaces(const std::u16string& s, int start);
  static int escape(std::u16string& out_, char16_t ch, int position);
  // Whether a backslash escapes ch in link destinations, titles and autolinks.
  static bool isLinkEscapable(char16_t ch);
  static int readUntil(std::u16string& out_, const std::u16string& s, int start,
                       const TCharSet& cend);
  static int readUntil(std::u16string& out_, const std::u16string& s, int start, char16_t cend);
  // Where readUntil would stop, found without copying: the position of the
  // stop character, or -1 at the end of the text.
  static int findUntil(const std::u16string& s, int start, const TCharSet& cend);
  static int findUntil(const std::u16string& s, int start, char16_t cend);
  static int readRawUntil(std::u16string& out_, const std::u16string& s, int start,
                          const TCharSet& cend);
  static int readRawUntil(std::u16string& out_, const std::u16string& s, int start,
                          char16_t cend);

  // Link text after "[" up to the matching "]"; a destination without "<>".
  static int readMdLinkId(std::u16string& out_, const std::u16string& s, int start);
  static int readMdLink(std::u16string& out_, const std::u16string& s, int start);

  // Tags: copies one tag starting at the "<" at start (neutralising unsafe
  // ones in safe mode) and returns the position of its ">". With
  // deferUndecided (safe mode), a "<" in the tag text whose tag a browser
  // finishes only after it is written as UNDECIDED_TAG (MarkdownTagDecider.h).
  static int readXML(std::u16string& out_, std::u16string_view s, int start, bool safeMode,
                     bool deferUndecided = false);
  static int readXMLUntil(std::u16string& out_, std::u16string_view s, int start,
                          const TCharSet& cend);
  // The position readXMLUntil returns, without copying.
  static int findXMLStop(std::u16string_view s, int start, const TCharSet& cend);
  // The position readXML (not in safe mode) returns, without copying the tag.
  static int xmlTagEnd(std::u16string_view s, int start);
  // Safe mode, raw HTML: when a browser reads a complete tag at the "<" at
  // start and finds nothing in it that runs script (an unsafe element, an
  // event handler, a script URL, a refreshing <meta>), appends the tag as
  // written (any further "<" in it as "&lt;") and returns the position of its
  // ">"; otherwise appends nothing and returns -1.
  static int copyHarmlessTag(std::u16string& out_, const std::u16string& s, int start);
  // Safe mode, raw HTML text (a whole HTML block or one piece of inline HTML):
  // appends it with every tag a browser would not read as complete and
  // harmless neutralised ("<" written as "&lt;"); harmless tags stay as written.
  // With deferUndecided, a "<" whose tag a browser finishes only after the
  // text is written as UNDECIDED_TAG.
  static void appendSafeRawHtml(std::u16string& out_, const std::u16string& text,
                                bool deferUndecided = false);
  // Safe mode, escaped "<": true when the "<" at start begins a tag without
  // attributes, such as "<br/>" or "</b>", of an element that is not unsafe;
  // the inline emitter writes such a tag's characters as they are.
  static bool isPlainTag(const std::u16string& s, int start);
  // Appends the element name of a tag text such as "<div class=x>" or "</p>".
  static void getXMLTag(std::u16string& out_, const std::u16string& s);
};

// Inline, as every line read asks them.
inline bool TLine::isPlain() const {
  if (FIsEmpty || FLeading != 0 || FValue.empty()) return false;
  const char16_t c = FValue[0];
  const bool asciiLetter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  return asciiLetter || (c >= 0x80 && !TUtils::isDigit(c));
}

inline void TLine::joinPlainRun(const TLine* previous, std::uint32_t& runs) {
  if (!isPlain()) return;
  FPlainRun = previous != nullptr && previous->FPlainRun != 0 ? previous->FPlainRun : ++runs;
}

enum THTMLElement {
  heNONE, hea, heabbr, heacronym, headdress, heapplet, hearea, heb, hebase, hebasefont, hebdo,
  hebig, heblockquote, hebody, hebr, hebutton, hecaption, hecite, hecode, hecol, hecolgroup,
  hedd, hedel, hedfn, hediv, hedl, hedt, heem, hefieldset, hefont, heform, heframe,
  heframeset, heh1, heh2, heh3, heh4, heh5, heh6, hehead, hehr, hehtml, hei, heiframe,
  heimg, heinput, heins, hekbd, helabel, helegend, heli, helink, hemap, hemeta, henoscript,
  heobject, heol, heoptgroup, heoption, hep, heparam, hepre, heq, hes, hesamp, hescript,
  heselect, hesmall, hespan, hestrike, hestrong, hestyle, hesub, hesup, hetable, hetbody,
  hetd, hetextarea, hetfoot, heth, hethead, hetitle, hetr, hett, heu, heul, hevar
};

// What the engine knows of the element a name stands for.
struct THTMLElementFacts {
  THTMLElement element = heNONE;
  bool block = false;   // starts a raw HTML block
  bool unsafe = false;  // safe mode writes its tags as text
};

// The engine's knowledge of HTML elements and entities.
class THTML {
 public:
  // Exact, case-sensitive lookup of an element name; heNONE when unknown.
  static THTMLElement elementOf(std::u16string_view name);
  // All facts of a name from one lookup, exact or in any ASCII letter case.
  static THTMLElementFacts factsOf(std::u16string_view name, bool anyCase = false);
  static bool isHtmlBlockElement(std::u16string_view s);
  static bool isUnsafeHtmlElement(std::u16string_view s);
  // s is a complete reference such as "&amp;".
  static bool isEntity(const std::u16string& s);
  static bool isLinkPrefix(const std::u16string& s);
};

// ---------------------------------------------------------------- emitter

struct TInlineScan;
struct TInlineText;
struct TLinkTarget;

// Writes the block tree as HTML and carries the inline level and the
// document's link references.
class TEmitter {
 public:
  explicit TEmitter(TConfiguration& config);
  ~TEmitter();
  TEmitter(const TEmitter&) = delete;
  TEmitter& operator=(const TEmitter&) = delete;

  // Block level.
  void emit(std::u16string& out_, TBlock* root);
  void emitLines(std::u16string& out_, TBlock* block);
  void emitCodeLines(std::u16string& out_, TLine* lines, const std::u16string& meta,
                     bool removeIndent);
  void emitRawLines(std::u16string& out_, TLine* lines);
  void emitMarkedLines(std::u16string& out_, TLine* lines);

  // Inline tokens.
  static char16_t whitespaceToSpace(char16_t c);
  TMarkToken getToken(const std::u16string& s, int position) const;
  // Whether c can start a marker at all; any other character is plain text.
  static bool canStartToken(char16_t c);
  // The first position at or after start whose character can start a
  // marker, or the length of s.
  static int plainRunEnd(std::u16string_view s, int start);
  int findToken(const std::u16string& s, int start, TMarkToken token) const;

  // Inline emission: converts s from start; with a sought token, returns the
  // position where its closing delimiter starts, or -1.
  int recursiveEmitLine(std::u16string& out_, const std::u16string& s, int start,
                        TMarkToken token);
  // Inline emission of the table extension's text, whose own tags safe mode
  // leaves as they are.
  void emitTableText(std::u16string& out_, const std::u16string& text);
  // Whether emitTableRows can tell if the HTML of the table row made from the
  // row line `source` depends on the rows after it. It cannot for a tag that
  // a browser may read on into them, and the host's special link emitter
  // must see each link once.
  bool mayConvertTableRowAlone(std::u16string_view source) const;
  // The same for the text of a few table rows, each one that
  // mayConvertTableRowAlone allows, when their HTML cannot depend on the
  // rows after them: no search or construct in them failed for want of an
  // end. Otherwise writes nothing and returns false.
  bool emitTableRows(std::u16string& out_, const std::u16string& rowsText);

  // Lets a long block's HTML go on before the block ends: at a place where
  // nothing written later looks back (between two inline steps of a block's
  // text, not inside a span or link text; between two rows of a table),
  // offerPiece(out) calls `handOn`, which takes the HTML out of `out`, once
  // `out` holds `size` code units or more. Off while `out` is null.
  struct TPieceHandOn {
    std::u16string* out = nullptr;
    std::size_t size = 0;
    std::function<void()> handOn;
  };
  void setPieceHandOn(TPieceHandOn pieces) { FPieces = std::move(pieces); }
  // Whether html is handed on in pieces.
  bool writesPieces(const std::u16string& html) const { return &html == FPieces.out; }
  // Hands html on when it is handed on in pieces, is long enough and ends
  // with a whole character.
  void offerPiece(std::u16string& html);

  // Links and references.
  void addLinkRef(const std::u16string& key, std::unique_ptr<TLinkRef> linkRef);
  TLinkRef* findLinkRef(const std::u16string& key) const;
  int checkLink(std::u16string& out_, const std::u16string& s, int start, TMarkToken token);

  // Inline HTML, autolinks and character references.
  int checkHTML(std::u16string& out_, const std::u16string& s, int start);
  int checkEntity(std::u16string& out_, const std::u16string& s, int start);

  TConfiguration& config() const { return *FConfig; }

 private:
  // Key folding used by the reference table (ASCII lowered, others case-folded).
  static std::u16string referenceKey(const std::u16string& key);
  // checkHTML on one text, with what has been learnt about its autolinks.
  int checkHTML(std::u16string& out_, TInlineText* text, const std::u16string& s, int start);
  // Reads the tag at start into out_ (TUtils::readXML); its last position, or -1.
  int readTag(std::u16string& out_, const std::u16string& s, int start);
  // Whether the tag from start to end takes in the table's own tags (safe mode).
  bool crossesTableTags(const std::u16string& s, int start, int end) const;

  // Inline workers on one text with what has been learnt about it:
  // where searches and constructs end, and the writing.
  // getToken on the text, answered from what it remembers; `remember` keeps
  // a new answer.
  TMarkToken tokenAt(TInlineText& text, int i, bool remember) const;
  int closingOf(TInlineText& text, int start, TMarkToken token);
  int stepOver(TInlineText& text, int i, TMarkToken t);
  int constructEnd(TInlineText& text, int i, TMarkToken t);
  int ownTableTagEnd(const TInlineText& text, int i, TMarkToken t) const;
  int specialLinkClosing(TInlineText& text, int i);
  int emitFrom(std::u16string& out_, TInlineText& text, int start, TMarkToken token);
  int emitStep(std::u16string& out_, TInlineText& text, int i, TMarkToken t);
  int emitSpan(std::u16string& out_, TInlineText& text, int i, TMarkToken t);
  int emitSpecialLink(std::u16string& out_, TInlineText& text, int i);
  int emitConstruct(std::u16string& out_, TInlineText& text, int i, TMarkToken t);

  // Links on one text: where a link ends (nothing written), and the link.
  int linkEnd(TInlineText* text, const std::u16string& s, int start, TMarkToken token);
  bool locateLink(TInlineText* text, const std::u16string& s, int start, TMarkToken token,
                  int& textStart, TLinkTarget& target) const;
  int checkLink(std::u16string& out_, TInlineText* text, const std::u16string& s, int start,
                TMarkToken token);
  bool findLinkTarget(TInlineText* known, const std::u16string& s, int textStart, int close,
                      TLinkTarget& target) const;
  const TLinkRef* findNamedRef(const std::u16string& s, int textStart, int close) const;
  void appendAbbreviation(std::u16string& out_, const std::u16string& name,
                          std::u16string_view title);
  void appendLink(std::u16string& out_, const std::u16string& name, const TLinkTarget& target);
  bool mayConvertLinkText(std::size_t length) const;
  void emitLinkText(std::u16string& out_, const std::u16string& name);

  // Lets the tests reach the inline state (to compare with shortcuts off).
  friend struct TInlineScanProbe;

  std::map<std::u16string, std::unique_ptr<TLinkRef>> linkRefs;
  TConfiguration* FConfig;
  // State of the inline scan in progress (nesting depth, sizes of the link
  // texts being converted, key lengths of linkRefs); belongs to this emitter.
  std::unique_ptr<TInlineScan> FScan;
  // True while the table extension's text is emitted.
  bool FInTable = false;
  // Set when a search for a closer or a construct of the text being
  // converted found no end (see emitTableRows).
  bool FFoundNoEnd = false;
  // The HTML of the tag, autolink, reference or formula that the last
  // constructEnd read at `start`, kept so that emitConstruct, which writes it
  // next, need not read it again (safe mode reads a tag in full). Not kept
  // for a mail autolink, whose writing draws random numbers each time.
  struct TReadConstruct {
    int start = -1;  // -1: nothing kept
    std::u16string html;
  };
  TReadConstruct FRead;
  // The room of the last paragraph's text, kept for the next one (see
  // emitMarkedLines).
  std::u16string FMarkedText;
  // Set by checkHTML: whether writing the same HTML again would give the same.
  bool FHtmlRepeats = true;
  // Where a long block's HTML goes while the block is written.
  TPieceHandOn FPieces;
};

}  // namespace glyphmill
