// Replays every input the fuzzer ever found trouble with.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fuzz/FuzzInput.h"

namespace glyphmill::test {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputConvertsInEveryMode) {
  const fs::path folder = fs::path(GLYPHMILL_SOURCE_DIR) / "tests" / "fuzz" / "regressions";
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) continue;
    SCOPED_TRACE(entry.path().filename().string());
    // The kept input as found, then with every other choice of the first byte.
    for (int control = 0; control < 16; ++control) {
      bytes[0] = static_cast<char>(control);
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
      const std::u16string html = fuzz::convertInput(data, bytes.size());
      // Converting is deterministic for a fixed seed.
      EXPECT_EQ(html, fuzz::convertInput(data, bytes.size()));
    }
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace glyphmill::test
