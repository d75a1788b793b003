// Turns fuzzer bytes into one conversion: the first byte chooses the dialect,
// safe mode and how the rest is read (UTF-8, or raw UTF-16 code units so that
// lone surrogates and code 0 occur).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "MarkdownProcessor.h"

namespace glyphmill::fuzz {

inline std::u16string textFrom(const std::uint8_t* data, std::size_t size, bool rawUtf16) {
  if (!rawUtf16) return fromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return text;
}

// Converts one input; returns the HTML so that callers can check it.
inline std::u16string convertInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::uint8_t control = data[0];
  const auto dialect = static_cast<TMarkdownProcessorDialect>(control % 3);
  auto processor = TMarkdownProcessor::CreateDialect(dialect);
  processor->SetAllowUnsafe((control & 4) != 0);
  processor->config().SetRandomSeed(1);
  return processor->Process(textFrom(data + 1, size - 1, (control & 8) != 0));
}

}  // namespace glyphmill::fuzz
