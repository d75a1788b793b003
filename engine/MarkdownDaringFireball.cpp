// The engine: Process and the reading of the document into lines.
#include "MarkdownDaringFireball.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "MarkdownTagDecider.h"
#include "MarkdownUnitSearch.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

// Hands the HTML in out_ to the sink and empties out_; with a decider, only
// what it has decided (all of it at the end of the page). `decided` is the
// decider's buffer, kept from piece to piece so that neither is made anew.
// ownMarkup: the parts of out_ that hold no markup but the engine's own.
void writePiece(const TMarkdownProcessor::THtmlSink& write, std::u16string& out_,
                TTagDecider* decider, bool last, std::u16string& decided,
                const std::vector<TPieceRange>& ownMarkup) {
  if (decider != nullptr && !last) {
    // Most pieces are decided as they stand and need no decided copy.
    std::size_t used = 0;
    if (decider->passOver(out_, used, ownMarkup)) {
      if (used > 0) write(std::u16string_view(out_).substr(0, used));
      out_.clear();
      return;
    }
  }
  if (decider != nullptr) {
    decided.clear();
    decided.reserve(out_.size() + 16);
    decider->add(decided, out_);
    if (last) decider->finish(decided);
    out_.swap(decided);
  }
  if (!out_.empty()) write(out_);
  out_.clear();
}

// The parts of the HTML not handed on yet that hold no markup but the
// engine's own, in order, for the tag decider. The last part is open while
// the block that writes it is being written.
class TOwnMarkupParts {
 public:
  const std::vector<TPieceRange>& parts() const { return parts_; }
  // A block of the engine's own markup begins at `at`.
  void open(std::size_t at) {
    if (parts_.empty() || parts_.back().end != at) parts_.push_back(TPieceRange{at, at});
    open_ = true;
  }
  // The HTML written so far ends at `at`; the block ends there too when done.
  void reach(std::size_t at, bool done) {
    if (open_) parts_.back().end = at;
    if (done) open_ = false;
  }
  // The HTML was handed on: an open part goes on from the start of the next.
  void restart() {
    parts_.clear();
    if (open_) parts_.push_back(TPieceRange{0, 0});
  }

 private:
  std::vector<TPieceRange> parts_;
  bool open_ = false;
};

// Lets the emitter hand long blocks' HTML on for as long as it lives, and no
// longer: the HTML and the sink it was given are the conversion's own.
class TPieceHandOnScope {
 public:
  TPieceHandOnScope(TEmitter& emitter, TEmitter::TPieceHandOn pieces) : emitter_(emitter) {
    emitter_.setPieceHandOn(std::move(pieces));
  }
  ~TPieceHandOnScope() { emitter_.setPieceHandOn({}); }
  TPieceHandOnScope(const TPieceHandOnScope&) = delete;
  TPieceHandOnScope& operator=(const TPieceHandOnScope&) = delete;

 private:
  TEmitter& emitter_;
};

const TCharSet ID_END{u']'};
const TCharSet ANGLE_LINK_END{u'>'};
const TCharSet PLAIN_LINK_END{u'\n', u' '};
const TCharSet PAREN_TITLE_END{u')'};

std::u16string asciiLower(std::u16string s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return s;
}

bool opensTitle(char16_t c) { return c == u'"' || c == u'\'' || c == u'('; }

// Reads a title whose opening character is at line.FPosition; "" on failure.
std::u16string readTitle(TLine& line) {
  const char16_t open = line.FValue[line.FPosition];
  line.FPosition += 1;
  return line.readUntil(open == u'(' ? PAREN_TITLE_END : TCharSet{open});
}

// The first position at or after `from` that holds a tab, a line break, the
// end-of-text code 0, or (in panic mode) a "<"; the size of text when none does.
// Sets `angle` when a "<" or ">" stands before it, and clears it otherwise.
std::size_t ordinaryRunEnd(std::u16string_view text, std::size_t from, bool panicMode,
                           bool& angle) {
  std::size_t i = from;
  angle = false;
  if (!panicMode) {
    // Long runs without a control character are passed over in one go.
    while (true) {
      i = findControlUnitNotingAngles(text, i, angle);
      if (i == text.size()) return i;
      const char16_t c = text[i];
      if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\0') return i;
      ++i;
    }
  }
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\0' || (c == u'<' && panicMode)) break;
    if (c == u'>') angle = true;
    ++i;
  }
  return i;
}

// A definition starts with "[" after at most three spaces. Most lines do
// not, and are told so without the call that reads a definition.
bool mayStartDefinition(const TLine& line) {
  return !line.FIsEmpty && !line.isIndented() && line.FValue[line.FLeading] == u'[';
}

// Called with `ch` on a line break: moves it over the break (CR LF and LF CR
// count as one) to the first character of the next line.
void skipLineBreak(TMarkdownReader& reader, char16_t& ch) {
  if (ch != u'\n' && ch != u'\r') return;
  const char16_t partner = ch == u'\n' ? u'\r' : u'\n';
  ch = reader.read();
  if (ch == partner) ch = reader.read();
}

// Reads one source line: cuts at LF, CR, CR LF or LF CR, expands tabs to
// stops every 4 columns, and in panic mode writes "<" as "&lt;". `ch` is the
// current character and is left on the first character of the next line.
// A line that needs none of that shares its characters with the source;
// another is built in `buffer` (reused from line to line) and then copied,
// so that each line's text takes no more memory than it needs.
std::unique_ptr<TLine> readLine(TMarkdownReader& reader, char16_t& ch, bool panicMode,
                                std::u16string& buffer, TLinePool* pool) {
  std::unique_ptr<TLine> line = pool != nullptr ? pool->make() : std::make_unique<TLine>();
  if (ch != u'\0') {
    const std::size_t from = reader.FCursor - 1;  // where ch stands
    bool angle = false;
    const std::size_t to = ordinaryRunEnd(reader.FValue, from, panicMode, angle);
    const char16_t stop = to < reader.FValue.size() ? reader.FValue[to] : u'\0';
    if (stop != u'\t' && stop != u'<') {  // a line break or the end: nothing to change
      line->FValue.share(reader.FValue.substr(from, to - from), angle);
      reader.FCursor = to;
      ch = reader.read();
      skipLineBreak(reader, ch);
      line->Init();
      return line;
    }
  }
  buffer.clear();
  int column = 0;
  while (ch != u'\0') {
    if (ch == u'\t') {
      do {
        buffer += u' ';
        ++column;
      } while (column % 4 != 0);
      ch = reader.read();
    } else if (ch == u'\n' || ch == u'\r') {
      skipLineBreak(reader, ch);
      break;
    } else if (ch == u'<' && panicMode) {
      buffer += u"&lt;"sv;
      column += 4;
      ch = reader.read();
    } else {
      // A run of characters that need no care is copied in one go.
      const std::size_t from = reader.FCursor - 1;  // where ch stands
      bool angle = false;  // the line text looks for itself when it is given the buffer
      const std::size_t to = ordinaryRunEnd(reader.FValue, reader.FCursor, panicMode, angle);
      buffer.append(reader.FValue.substr(from, to - from));
      column += static_cast<int>(to - from);
      reader.FCursor = to;
      ch = reader.read();
    }
  }
  line->FValue = buffer;
  line->Init();
  return line;
}

}  // namespace

TMarkdownDaringFireball::TMarkdownDaringFireball() {
  FConfig = std::make_unique<TConfiguration>(true);
  Femitter = std::make_unique<TEmitter>(*FConfig);
}

TMarkdownDaringFireball::~TMarkdownDaringFireball() {
  Femitter.reset();
  FConfig.reset();
}

bool TMarkdownDaringFireball::GetAllowUnsafe() const { return !FConfig->safeMode; }

void TMarkdownDaringFireball::SetAllowUnsafe(bool value) { FConfig->safeMode = !value; }

std::u16string TMarkdownDaringFireball::Process(const std::u16string& source) {
  return convert(source, nullptr, nullptr);
}

std::u16string TMarkdownDaringFireball::Process(std::u16string&& source) {
  return convert(source, &source, nullptr);
}

void TMarkdownDaringFireball::ProcessTo(std::u16string&& source, const THtmlSink& write) {
  convert(source, &source, &write);
}

std::u16string TMarkdownDaringFireball::convert(const std::u16string& source,
                                                std::u16string* consumed,
                                                const THtmlSink* write) {
  // The HTML handed to a sink at a time, at least (in code units).
  constexpr std::size_t kPieceSize = 1 << 16;
  FuseExtensions = FConfig->isDialect({mdCommonMark, mdTxtMark});
  FConfig->formatPipeCount = 0;
  // The mark of an undecided "<" must not stand for a character of the source.
  const bool defer = FConfig->safeMode &&
                     findEitherUnit(source, 0, UNDECIDED_TAG, UNDECIDED_TAG) == source.size();
  FConfig->deferUndecidedTags = defer;
  TTagDecider decider;
  std::u16string decided;
  TMarkdownReader reader(source);
  // The pools are made before the lines and blocks, so that they go after them.
  TLinePool pool;
  TBlockPool blocks;
  std::unique_ptr<TBlock> root = collectLines(reader, &pool, &blocks);
  std::u16string out_;
  const std::size_t expected = source.size() + source.size() / 4;
  out_.reserve(write != nullptr ? std::min(expected, 2 * kPieceSize) : expected);
  root->removeSurroundingEmptyLines();
  // Each block is written as soon as it is built and released once written,
  // so a long document does not hold all its blocks, or all its lines and
  // all its HTML, at the same time; a long block's HTML, a long table's
  // too, goes on in pieces while it is written.
  // The decider need not read the HTML of a block whose lines hold no "<":
  // it holds the engine's own markup only (unless the code blocks or the
  // markup are written by a hook or a decorator of the caller's). Such
  // blocks are looked for only where a decider reads pieces.
  const bool decidesPieces = defer && write != nullptr;
  const bool sourceHoldsTags =
      decidesPieces && findEitherUnit(source, 0, u'<', u'<') != source.size();
  const bool ownWriters = FConfig->codeBlockEmitter == nullptr &&
                          typeid(*FConfig->decorator) == typeid(TDecorator);
  TOwnMarkupParts own;
  auto handOn = [&] {
    own.reach(out_.size(), false);
    writePiece(*write, out_, defer ? &decider : nullptr, false, decided, own.parts());
    own.restart();
  };
  const TPieceHandOnScope pieces(*Femitter, write != nullptr
                                                ? TEmitter::TPieceHandOn{&out_, kPieceSize, handOn}
                                                : TEmitter::TPieceHandOn{});
  buildBlocks(root.get(), [&](std::unique_ptr<TBlock> child) {
    const bool ownMarkup =
        decidesPieces && (!sourceHoldsTags || (ownWriters && !child->holdsLessThan()));
    if (ownMarkup) own.open(out_.size());
    Femitter->emit(out_, child.get());
    own.reach(out_.size(), true);
    Femitter->offerPiece(out_);
  });
  FConfig->deferUndecidedTags = false;
  if (write != nullptr) {
    writePiece(*write, out_, defer ? &decider : nullptr, true, decided, own.parts());
  } else if (defer && findEitherUnit(out_, 0, UNDECIDED_TAG, UNDECIDED_TAG) != out_.size()) {
    out_ = TTagDecider::decide(out_);
  }
  // The lines shared their characters with the source; both go now.
  root.reset();
  if (consumed != nullptr) std::u16string().swap(*consumed);
  return out_;
}

std::unique_ptr<TBlock> TMarkdownDaringFireball::collectLines(TMarkdownReader& reader,
                                                              TLinePool* pool,
                                                              TBlockPool* blocks) {
  auto root = blocks != nullptr ? blocks->make() : std::make_unique<TBlock>();
  TLinkRef* pending = nullptr;  // the last definition read without a title
  std::uint32_t plainRuns = 0;   // runs of plain lines numbered so far
  std::u16string buffer;
  // A definition line, or its title line, is not kept: its room serves the next line.
  const auto drop = [pool](std::unique_ptr<TLine> line) {
    if (pool != nullptr) pool->giveBack(std::move(line));
  };
  char16_t ch = reader.read();
  while (ch != u'\0') {
    std::unique_ptr<TLine> line = readLine(reader, ch, FConfig->panicMode, buffer, pool);
    if (mayStartDefinition(*line) && readDefinition(*line, pending)) {
      drop(std::move(line));
      continue;
    }
    bool isTitleLine = false;
    if (!line->FIsEmpty && pending) {
      if (opensTitle(line->FValue[line->FLeading])) {
        line->FPosition = line->FLeading;
        std::u16string title = readTitle(*line);
        if (!title.empty()) {
          pending->FTitle = std::move(title);
          isTitleLine = true;
        }
      }
      pending = nullptr;
    }
    if (isTitleLine) {
      drop(std::move(line));
      continue;
    }
    line->FPosition = 0;
    line->joinPlainRun(root->FLineTail, plainRuns);
    root->AppendLine(std::move(line));
  }
  return root;
}

// Reads the line as a reference, abbreviation or profile definition and
// registers it; false when the line is not a definition.
bool TMarkdownDaringFireball::readDefinition(TLine& line, TLinkRef*& pending) {
  if (!mayStartDefinition(line)) return false;
  line.FPosition = line.FLeading + 1;
  std::u16string id = line.readUntil(ID_END);
  if (id.empty()) return false;
  if (line.FPosition + 2 >= line.length() || line.FValue[line.FPosition + 1] != u':') return false;
  line.FPosition += 2;
  if (!line.skipSpaces()) return false;

  std::u16string link;
  if (line.FValue[line.FPosition] == u'<') {
    line.FPosition += 1;
    link = line.readUntil(ANGLE_LINK_END);
    line.FPosition += 1;
  } else {
    link = line.readUntil(PLAIN_LINK_END);
  }
  if (link.empty()) return false;

  std::u16string title;
  if (line.skipSpaces()) {
    if (!opensTitle(line.FValue[line.FPosition])) return false;
    title = readTitle(line);
    if (title.empty()) return false;
  }

  if (asciiLower(id) == u"$profile$") {
    if (asciiLower(link) == u"extended") {
      FuseExtensions = true;
      FConfig->SetDialect(mdTxtMark);
    }
    pending = nullptr;
    return true;
  }
  // A redefinition destroys the earlier reference; it can no longer take a title.
  if (pending && Femitter->findLinkRef(id) == pending) pending = nullptr;
  const bool isAbbrev = !title.empty() && link == u"*";
  const bool hasTitle = !title.empty();
  auto linkRef = std::make_unique<TLinkRef>(std::move(link), std::move(title), isAbbrev);
  TLinkRef* registered = linkRef.get();
  Femitter->addLinkRef(id, std::move(linkRef));
  if (!hasTitle) pending = registered;
  return true;
}

}  // namespace glyphmill
