// Small conveniences shared by the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <memory>

#include "MarkdownProcessor.h"
#include "MarkdownUtils.h"

namespace glyphmill::test {

// UTF-8 test literals to the engine's UTF-16 and back.
inline std::u16string U(std::string_view s) { return fromUtf8(std::string(s)); }
inline std::string S(std::u16string_view s) { return toUtf8(s); }

inline const char* dialectName(TMarkdownProcessorDialect d) {
  switch (d) {
    case mdDaringFireball: return "DaringFireball";
    case mdCommonMark: return "CommonMark";
    case mdTxtMark: return "TxtMark";
    case mdGitHub: return "GitHub";
  }
  return "?";
}

// A chain of lines, the first owning the rest, each initialised as the reader
// leaves it. The text is given as UTF-8 and cut at "\n".
class LineChain {
 public:
  explicit LineChain(std::string_view text) {
    const std::u16string s = U(text);
    TLine* last = nullptr;
    std::size_t start = 0;
    while (start <= s.size()) {
      std::size_t end = s.find(u'\n', start);
      if (end == std::u16string::npos) end = s.size();
      auto line = std::make_unique<TLine>();
      line->FValue = s.substr(start, end - start);
      line->Init();
      line->FPrevious = last;
      TLine* added = line.get();
      if (last) {
        last->FNext = std::move(line);
      } else {
        first = std::move(line);
      }
      lines.push_back(added);
      last = added;
      start = end + 1;
    }
  }
  TLine& operator[](std::size_t i) { return *lines[i]; }
  const TLine* get() const { return first.get(); }

  std::unique_ptr<TLine> first;
  std::vector<TLine*> lines;
};

// Converts one inline text on its own (no block level) through
// recursiveEmitLine, for a dialect and safe mode, with a fixed random seed.
inline std::string inlineHtml(std::string_view text, TMarkdownProcessorDialect dialect,
                              bool safe = true, std::uint32_t seed = 1) {
  TConfiguration config(safe);
  config.SetDialect(dialect);
  config.SetRandomSeed(seed);
  TEmitter emitter(config);
  std::u16string out;
  emitter.recursiveEmitLine(out, U(text), 0, mtNONE);
  return S(out);
}

// Converts a whole document with a new processor of the dialect.
inline std::string convert(std::string_view text, TMarkdownProcessorDialect dialect,
                           bool allowUnsafe = false, std::uint32_t seed = 1) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  processor->config().SetRandomSeed(seed);
  return S(processor->Process(U(text)));
}

}  // namespace glyphmill::test
