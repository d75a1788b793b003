#include "MarkdownCommonMark.h"

namespace glyphmill {

TMarkdownCommonMark::TMarkdownCommonMark() { FConfig->SetDialect(mdCommonMark); }

}  // namespace glyphmill
