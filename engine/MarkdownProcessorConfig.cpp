#include <random>

#include "MarkdownProcessor.h"
#include "MarkdownUtils.h"

namespace glyphmill {

// ---------------------------------------------------------------- configuration

namespace {
// Process-wide source of default seeds; each processor gets its own generator.
std::uint32_t freshSeed() {
  static thread_local std::random_device device;
  return device();
}
}  // namespace

TConfiguration::TConfiguration(bool safe)
    : decorator(std::make_unique<TDecorator>()), safeMode(safe), Frandom(freshSeed()) {}

TConfiguration::~TConfiguration() = default;

void TConfiguration::SetDialect(TMarkdownProcessorDialect value) {
  if (value != FDialect) FDialect = value;
}


}  // namespace glyphmill
