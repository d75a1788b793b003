#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Converter.h"
#include "MarkdownGitHub.h"

namespace {

// Two glibc tunables, which it reads only at start-up, so the program starts
// itself once more with them set (nothing changes when that is not possible),
// unless its inputs are known to be small: the second start costs about
// 1.7 ms, more than the huge pages save below a few megabytes of input.
// - hugetlb=1 backs the heap with transparent huge pages: a large conversion
//   faults its fresh memory in far fewer steps (about 40% less system time);
// - a long thread cache per chunk size: small buffers that are freed and
//   taken again skip the work of merging and splitting chunks (at most 0.2%
//   fewer instructions, now that a document's lines come from a pool).
constexpr std::uintmax_t kRestartFromBytes = 2u << 20;

void restartWithTunables(char** argv, const std::vector<std::string>& args) {
  if (std::getenv("GLYPHMILL_RESTARTED") != nullptr) return;
  const std::optional<std::uintmax_t> bytes = glyphmill::cli::inputBytes(args, STDIN_FILENO);
  if (bytes && *bytes < kRestartFromBytes) return;
  std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.tcache_count=65535";
  if (const char* existing = std::getenv("GLIBC_TUNABLES")) {
    tunables = std::string(existing) + ":" + tunables;
  }
  if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  if (::setenv("GLYPHMILL_RESTARTED", "1", 1) != 0) return;
  ::execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  restartWithTunables(argv, args);
  // Buffers of 32 MB or more get their own mappings, which go back to the
  // system when freed (left to itself glibc raises this threshold after the
  // first large free). Smaller ones stay in the heap, where the memory of one
  // that is freed serves the next: a conversion makes and frees many buffers
  // of a few megabytes, and each fresh mapping would be faulted in and zeroed
  // anew (with a 1 MB threshold a 100 MB document spent 0.8 to 1.1 s in the
  // kernel, with this one 0.16 s, at the same peak memory).
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  std::ios::sync_with_stdio(false);
  glyphmill::cli::removeTemporariesOnSignals();
  glyphmill::registerGitHubDialect();
  return glyphmill::cli::run(args, STDIN_FILENO, std::cout, std::cerr);
}
