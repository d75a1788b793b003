#include <random>

#include "MarkdownProcessor.h"
#include "MarkdownUtils.h"

namespace glyphmill {

// ---------------------------------------------------------------- dialect sets

TSeTMarkdownProcessorDialect::TSeTMarkdownProcessorDialect(
    std::initializer_list<TMarkdownProcessorDialect> dialects) {
  for (auto d : dialects) bits_ |= 1u << static_cast<unsigned>(d);
}

bool TSeTMarkdownProcessorDialect::contains(TMarkdownProcessorDialect dialect) const {
  const auto n = static_cast<unsigned>(dialect);
  return n < 32 && ((bits_ >> n) & 1u) != 0;
}

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

bool TConfiguration::isDialect(const TSeTMarkdownProcessorDialect& dialects) const {
  return dialects.contains(FDialect);
}

}  // namespace glyphmill
