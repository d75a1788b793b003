// The TxtMark dialect of the engine.
#pragma once

#include "MarkdownDaringFireball.h"

namespace glyphmill {

class TMarkdownTxtMark : public TMarkdownDaringFireball {
 public:
  TMarkdownTxtMark();
};

}  // namespace glyphmill
