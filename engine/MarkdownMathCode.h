// Formulas between dollar signs, written as images of a formula service.
#pragma once

#include <string>

namespace glyphmill {

// Base of the formula-image service; "/chart?cht=tx&chl=" and the formula follow.
inline constexpr char16_t FORMULA_SERVICE_BASE[] = u"https://chart.googleapis.com";

// Writes the image for the formula whose "$" is at start; returns the
// position of the closing "$", or -1 (nothing written).
int checkMath(std::u16string& out_, const std::u16string& s, int start);

}  // namespace glyphmill
