// The engine's front door: dialects, configuration and the abstract processor.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <string_view>

namespace glyphmill {

class TDecorator;
class TXmlBlockMemo;
class TLine;
class TBlockEmitter;
class TSpanEmitter;

// The Markdown dialects; the ordinals are part of the interface. The engine
// itself makes the first three; mdGitHub lives in its own library, which a
// program links and registers (see registerDialectFactory).
enum TMarkdownProcessorDialect {
  mdDaringFireball = 0,
  mdCommonMark = 1,
  mdTxtMark = 2,
  mdGitHub = 3
};

// A set of dialects, element n being the dialect with ordinal n.
class TSeTMarkdownProcessorDialect {
 public:
  constexpr TSeTMarkdownProcessorDialect(std::initializer_list<TMarkdownProcessorDialect> dialects) {
    for (auto d : dialects) bits_ |= 1u << static_cast<unsigned>(d);
  }
  constexpr bool contains(TMarkdownProcessorDialect dialect) const {
    const auto n = static_cast<unsigned>(dialect);
    return n < 32 && ((bits_ >> n) & 1u) != 0;
  }

 private:
  unsigned bits_ = 0;
};

// Settings shared by every stage of one processor. Owns the decorator and
// both hooks; destroys codeBlockEmitter, then decorator, then specialLinkEmitter.
class TConfiguration {
 public:
  explicit TConfiguration(bool safe);
  ~TConfiguration();
  TConfiguration(const TConfiguration&) = delete;
  TConfiguration& operator=(const TConfiguration&) = delete;

  // Declared in the order of destruction that the owner relies on (members are
  // destroyed in reverse order of declaration).
  std::unique_ptr<TSpanEmitter> specialLinkEmitter;  // may be absent
  std::unique_ptr<TDecorator> decorator;             // writes every tag
  std::unique_ptr<TBlockEmitter> codeBlockEmitter;   // may be absent

  bool safeMode = true;
  // Safe mode, while a page is written: a "<" whose tag a browser would
  // finish only in the HTML after it is written as UNDECIDED_TAG and decided
  // once the page is complete (MarkdownTagDecider.h). Set by the processor
  // for one conversion, when the source holds no such character.
  bool deferUndecidedTags = false;
  bool allowSpacesInFencedDelimiters = true;
  bool panicMode = false;

  // Number of pipes of the format row the table test examined last. Belongs to
  // the conversion that runs on this configuration's processor.
  int formatPipeCount = 0;
  // The last line of the HTML block that the line classified last begins;
  // nullptr when that line begins none. Set for lines that begin with "<".
  TLine* xmlEndLine = nullptr;

  // While a block tree is being built: what the HTML-block test remembers
  // about its lines (owned by the block builder); absent otherwise.
  TXmlBlockMemo* xmlBlockMemo = nullptr;
  // Generations handed out to the memos of this configuration, so that no two
  // memos, and no two states of one memo, give a line's entry the same mark.
  std::uint32_t xmlMemoGenerations = 0;

  TMarkdownProcessorDialect GetDialect() const { return FDialect; }
  void SetDialect(TMarkdownProcessorDialect value);
  bool isDialect(const TSeTMarkdownProcessorDialect& dialects) const {
    return dialects.contains(FDialect);
  }

  // Generator behind the random choice of e-mail character references. Seeded
  // from the process-wide random device unless SetRandomSeed gives a seed.
  std::mt19937& random() { return Frandom; }
  void SetRandomSeed(std::uint32_t seed) { Frandom.seed(seed); }

 private:
  TMarkdownProcessorDialect FDialect = mdDaringFireball;
  std::mt19937 Frandom;
};

// A converter of one dialect. Create with CreateDialect, optionally switch
// AllowUnsafe on, call Process, destroy.
class TMarkdownProcessor {
 public:
  virtual ~TMarkdownProcessor();

  // A new processor of the given dialect; throws std::invalid_argument with
  // "Unknown Markdown dialect" for any other value and for a dialect outside
  // the engine whose factory has not been registered.
  static std::unique_ptr<TMarkdownProcessor> CreateDialect(TMarkdownProcessorDialect dialect);

  virtual bool GetAllowUnsafe() const = 0;
  virtual void SetAllowUnsafe(bool value) = 0;

  // Converts a whole Markdown text into an HTML fragment.
  virtual std::u16string Process(const std::u16string& source) = 0;
  // The same, taking the text over: the lines of the document share their
  // characters with it, so a large document is not held twice while it is
  // converted; it is let go when the conversion ends.
  virtual std::u16string Process(std::u16string&& source) = 0;

  // Receives the HTML of ProcessTo piece by piece.
  using THtmlSink = std::function<void(std::u16string_view piece)>;
  // Converts like Process(std::move(source)) but hands the HTML to `write` in
  // pieces as it is made, each ending between two top-level blocks, between
  // two rows of a long table or, in a long block, between two parts of its
  // text, so the whole fragment is never held at once. Hooks see only the
  // current piece.
  virtual void ProcessTo(std::u16string&& source, const THtmlSink& write) = 0;

  // Loads a file (see decodeText for the encoding rules), ends every line with
  // CR LF and converts it. Throws std::runtime_error naming the file and the
  // reason when it cannot be read or decoded.
  std::u16string ProcessFile(const std::string& fileName, const std::string& encoding = "");

  TConfiguration& config() { return *FConfig; }
  const TConfiguration& config() const { return *FConfig; }

 protected:
  TMarkdownProcessor();
  std::unique_ptr<TConfiguration> FConfig;
};

// Makes a processor of a dialect that lives outside the engine's library.
using TDialectFactory = std::unique_ptr<TMarkdownProcessor> (*)();
// From now on CreateDialect makes `dialect` (one of the dialects outside the
// engine, such as mdGitHub) with `factory`. Called once at start-up, before
// any conversion.
void registerDialectFactory(TMarkdownProcessorDialect dialect, TDialectFactory factory);

// Decodes file bytes. A byte-order mark (UTF-8, UTF-16 LE or BE) decides;
// a non-empty encoding (an ICU converter name such as "UTF-16LE" or
// "windows-1252") is used as given; otherwise strict UTF-8, falling back to
// Windows-1252 when the bytes are not valid UTF-8. The mark is not returned.
// Bytes that cannot be decoded become U+FFFD. Throws std::runtime_error for an
// unknown encoding or a text over 1 GiB.
std::u16string decodeText(const std::string& bytes, const std::string& encoding = "");

// The largest text the engine reads or decodes, in bytes (1 GiB less one).
inline constexpr std::size_t kMaxTextBytes = 0x3FFFFFFF;

// Reads a whole file as bytes, stopping as soon as it has more than `limit`
// bytes (an endless device or pipe too); throws std::runtime_error naming the
// file and the reason ("too large" past the limit) when it cannot be read.
std::string readFileBytes(const std::string& fileName, std::size_t limit = kMaxTextBytes);

// The reason given for an input of more than `limit` bytes ("too large ...").
std::string tooLargeMessage(std::size_t limit);

// UTF-8 <-> UTF-16 conversions for callers outside the engine. Invalid
// sequences become U+FFFD; a lone surrogate is written as U+FFFD.
std::string toUtf8(std::u16string_view text);
// Writes the UTF-8 of text at the start of buffer, which is made larger when
// it is too small, and returns the number of bytes written; the rest of the
// buffer is left as it was. A buffer used again and again is made only once.
std::size_t toUtf8(std::u16string_view text, std::string& buffer);
std::u16string fromUtf8(const std::string& text);

}  // namespace glyphmill
