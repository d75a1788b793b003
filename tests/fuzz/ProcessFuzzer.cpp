// libFuzzer entry point over the whole conversion.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  glyphmill::fuzz::convertInput(data, size);
  return 0;
}
