// The training run of a profile-guided build: converts a fixed set of
// documents in every dialect, safe and unsafe, through the same calls that
// glyphmill-convert and the window make, so that the compiler learns which
// paths of the engine are hot. Most of the work is on prose (the Markdown
// files named on the command line, read many times over); random documents
// and short pathological inputs add every construct and its rare paths.
// Usage: glyphmill-profile-training FILE...
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"
#include "PathologicalInputs.h"
#include "RandomDocuments.h"

namespace {

using glyphmill::TMarkdownProcessor;
using glyphmill::TMarkdownProcessorDialect;

constexpr int kProseRounds = 400;
constexpr std::uint32_t kRandomDocuments = 400;
constexpr int kPatternRepetitions = 2000;

// As glyphmill-convert converts: decode, convert in pieces, write UTF-8.
std::size_t convertInPieces(const std::string& bytes, TMarkdownProcessorDialect dialect,
                            bool allowUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  std::string utf8;
  std::size_t written = 0;
  processor->ProcessTo(glyphmill::decodeText(bytes), [&](std::u16string_view piece) {
    written += glyphmill::toUtf8(piece, utf8);
  });
  return written;
}

// As the window converts: one string in, one string out.
std::size_t convertWhole(const std::string& bytes, TMarkdownProcessorDialect dialect,
                         bool allowUnsafe) {
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe(allowUnsafe);
  return processor->Process(glyphmill::fromUtf8(bytes)).size();
}

// Both ways, in every dialect and mode.
std::size_t convertEveryWay(const std::string& bytes) {
  std::size_t written = 0;
  for (const TMarkdownProcessorDialect dialect :
       {glyphmill::mdCommonMark, glyphmill::mdTxtMark, glyphmill::mdDaringFireball}) {
    for (const bool allowUnsafe : {false, true}) {
      written += convertInPieces(bytes, dialect, allowUnsafe);
      written += convertWhole(bytes, dialect, allowUnsafe);
    }
  }
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> prose;
    for (int i = 1; i < argc; ++i) prose.push_back(glyphmill::readFileBytes(argv[i]));
    if (prose.empty()) {
      std::fprintf(stderr, "usage: glyphmill-profile-training FILE...\n");
      return 2;
    }
    std::size_t written = 0;
    for (int round = 0; round < kProseRounds; ++round) {
      for (const std::string& text : prose) written += convertEveryWay(text);
    }
    for (std::uint32_t index = 0; index < kRandomDocuments; ++index) {
      written += convertEveryWay(glyphmill::bench::randomDocument(index));
    }
    for (const glyphmill::bench::Pattern& pattern : glyphmill::bench::pathologicalPatterns()) {
      written += convertEveryWay(pattern.make(kPatternRepetitions));
    }
    std::printf("profile training: %zu bytes of HTML written\n", written);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "glyphmill-profile-training: %s\n", error.what());
    return 1;
  }
}
