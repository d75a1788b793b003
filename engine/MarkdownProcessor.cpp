#include "MarkdownProcessor.h"

#include <array>
#include <atomic>
#include <stdexcept>
#include <utility>

#include "MarkdownCommonMark.h"
#include "MarkdownDaringFireball.h"
#include "MarkdownTxtMark.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

// ---------------------------------------------------------------- processor

TMarkdownProcessor::TMarkdownProcessor() = default;
TMarkdownProcessor::~TMarkdownProcessor() = default;

namespace {
// Factories of the dialects outside the engine, by ordinal; empty until registered.
constexpr std::size_t FIRST_OUTSIDE_DIALECT = mdGitHub;
constexpr std::size_t DIALECT_SLOTS = 8;
std::array<std::atomic<TDialectFactory>, DIALECT_SLOTS>& outsideFactories() {
  static std::array<std::atomic<TDialectFactory>, DIALECT_SLOTS> factories{};
  return factories;
}

bool isOutsideDialect(TMarkdownProcessorDialect dialect) {
  const auto n = static_cast<std::size_t>(dialect);
  return n >= FIRST_OUTSIDE_DIALECT && n < DIALECT_SLOTS;
}
}  // namespace

void registerDialectFactory(TMarkdownProcessorDialect dialect, TDialectFactory factory) {
  if (!isOutsideDialect(dialect)) throw std::invalid_argument("Unknown Markdown dialect");
  outsideFactories()[static_cast<std::size_t>(dialect)].store(factory);
}

std::unique_ptr<TMarkdownProcessor> TMarkdownProcessor::CreateDialect(
    TMarkdownProcessorDialect dialect) {
  switch (dialect) {
    case mdDaringFireball: return std::make_unique<TMarkdownDaringFireball>();
    case mdCommonMark: return std::make_unique<TMarkdownCommonMark>();
    case mdTxtMark: return std::make_unique<TMarkdownTxtMark>();
    default: break;
  }
  if (isOutsideDialect(dialect)) {
    const TDialectFactory factory = outsideFactories()[static_cast<std::size_t>(dialect)].load();
    if (factory) return factory();
  }
  throw std::invalid_argument("Unknown Markdown dialect");
}

namespace {
// Ends every line (cut at CR LF, LF or CR, as a text-file loader does) with
// CR LF, the last one included.
std::u16string withCrLfLines(const std::u16string& text) {
  std::u16string joined;
  joined.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      joined += u"\r\n"sv;
      i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
    } else {
      joined += c;
      ++i;
    }
  }
  if (n > 0 && text[n - 1] != u'\r' && text[n - 1] != u'\n') joined += u"\r\n"sv;
  return joined;
}
}  // namespace

std::u16string TMarkdownProcessor::ProcessFile(const std::string& fileName,
                                               const std::string& encoding) {
  std::u16string text;
  try {
    text = decodeText(readFileBytes(fileName), encoding);
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    if (message.rfind(fileName, 0) == 0) throw;
    throw std::runtime_error(fileName + ": " + message);
  }
  std::u16string lines = withCrLfLines(text);
  std::u16string().swap(text);
  return Process(std::move(lines));
}

}  // namespace glyphmill
