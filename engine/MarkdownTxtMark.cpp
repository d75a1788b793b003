#include "MarkdownTxtMark.h"

namespace glyphmill {

TMarkdownTxtMark::TMarkdownTxtMark() { FConfig->SetDialect(mdTxtMark); }

}  // namespace glyphmill
