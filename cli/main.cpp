#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "Converter.h"

namespace {

// A large conversion spends much of its time faulting in fresh memory page by
// page. glibc backs its heap with transparent huge pages when its tunable asks
// for it, which roughly halves the time of a large document; the tunable is
// read only at start-up, so the program starts itself once more with it set.
// Nothing changes when that is not possible.
void restartWithHugePages(char** argv) {
  if (std::getenv("GLYPHMILL_RESTARTED") != nullptr) return;
  std::string tunables = "glibc.malloc.hugetlb=1";
  if (const char* existing = std::getenv("GLIBC_TUNABLES")) {
    tunables = std::string(existing) + ":" + tunables;
  }
  if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  if (::setenv("GLYPHMILL_RESTARTED", "1", 1) != 0) return;
  ::execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv) {
  restartWithHugePages(argv);
  // Buffers of a megabyte or more get their own mappings, which go back to the
  // system when freed; left to itself glibc raises this threshold after the
  // first large free and keeps such buffers in a heap that never shrinks.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return glyphmill::cli::run(args, std::cin, std::cout, std::cerr);
}
