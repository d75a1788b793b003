// The CommonMark dialect of the engine.
#pragma once

#include "MarkdownDaringFireball.h"

namespace glyphmill {

class TMarkdownCommonMark : public TMarkdownDaringFireball {
 public:
  TMarkdownCommonMark();
};

}  // namespace glyphmill
