// Prints, for each pathological pattern, the seconds to convert it at
// n = 10,000 and n = 100,000 repetitions and the ratio between the two.
// Usage: glyphmill-pathological [dialect] [pattern-substring]
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "MarkdownProcessor.h"
#include "PathologicalInputs.h"

namespace {

using glyphmill::TMarkdownProcessor;

// Pushes the caches' contents out to memory, so that every timed conversion
// starts as a single conversion in an application does: with its data cold.
void evictCaches() {
  static std::vector<char> sweep(std::size_t{64} << 20);
  volatile char sink = 0;
  for (std::size_t i = 0; i < sweep.size(); i += 64) {
    sweep[i] = static_cast<char>(sweep[i] + 1);
    sink = sweep[i];
  }
  (void)sink;
}

// The best of seven conversions, each from cold caches.
double secondsToConvert(const std::u16string& text, glyphmill::TMarkdownProcessorDialect dialect) {
  double best = 1e9;
  for (int run = 0; run < 7; ++run) {
    auto processor = TMarkdownProcessor::CreateDialect(dialect);
    evictCaches();
    const auto start = std::chrono::steady_clock::now();
    const std::u16string html = processor->Process(text);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
    if (html.empty() && !text.empty()) std::fprintf(stderr, "empty output\n");
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  // Keep freed memory in the heap between runs: otherwise every large buffer
  // of the bigger inputs is a fresh mapping, and the page faults of mapping
  // it, not the conversion, would set their time.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  auto dialect = glyphmill::mdCommonMark;
  if (argc > 1) {
    const std::string name = argv[1];
    if (name == "txtmark") dialect = glyphmill::mdTxtMark;
    if (name == "daringfireball") dialect = glyphmill::mdDaringFireball;
  }
  const std::string filter = argc > 2 ? argv[2] : "";
  std::printf("%-28s %10s %10s %7s %s\n", "pattern", "n=10000", "n=100000", "ratio", "");
  int failures = 0;
  for (const auto& pattern : glyphmill::bench::pathologicalPatterns()) {
    if (!filter.empty() && pattern.name.find(filter) == std::string::npos) continue;
    const double small = secondsToConvert(glyphmill::fromUtf8(pattern.make(10000)), dialect);
    const double large = secondsToConvert(glyphmill::fromUtf8(pattern.make(100000)), dialect);
    const double ratio = large / std::max(small, 1e-6);
    const bool slow = large > 0.5 || (ratio > 12 && large > 0.005);
    if (slow) ++failures;
    std::printf("%-28s %9.4fs %9.4fs %7.1f %s\n", pattern.name.c_str(), small, large, ratio,
                slow ? "SLOW" : "");
    std::fflush(stdout);
  }
  std::printf("%d pattern(s) over target (0.5 s at n=100000, ratio 12)\n", failures);
  return failures == 0 ? 0 : 1;
}
