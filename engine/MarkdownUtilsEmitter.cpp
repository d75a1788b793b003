#include "MarkdownInlineScan.h"
#include "MarkdownUtils.h"

namespace glyphmill {

TEmitter::TEmitter(TConfiguration& config)
    : FConfig(&config), FScan(std::make_unique<TInlineScan>()) {}

// The reference table owns its references and releases them with the emitter.
TEmitter::~TEmitter() = default;

}  // namespace glyphmill
