// Finding one of two code units, or a control character, in a text: the
// scans that pass over long runs of ordinary text (reading lines, the tag
// decider's, a quoted attribute value's). Private to the engine.
#pragma once

#include <bit>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glyphmill {

// The position of the first a or b at or after from (at most the size of
// text); the size of text when there is none.
inline std::size_t findEitherUnit(std::u16string_view text, std::size_t from, char16_t a,
                                  char16_t b) {
  std::size_t i = from;
#if defined(__SSE2__)
  // Eight code units at a time, compared with a and with b at once.
  const __m128i wantA = _mm_set1_epi16(static_cast<short>(a));
  const __m128i wantB = _mm_set1_epi16(static_cast<short>(b));
  while (i + 8 <= text.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi16(units, wantA), _mm_cmpeq_epi16(units, wantB));
    // Two bits per code unit that matched, the first unit lowest.
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;
    i += 8;
  }
#endif
  while (i < text.size() && text[i] != a && text[i] != b) ++i;
  return i;
}

// The position of the first code unit below 0x20 (a tab, a line break, code
// 0 or another control character) at or after from (at most the size of
// text); the size of text when there is none.
inline std::size_t findControlUnit(std::u16string_view text, std::size_t from) {
  std::size_t i = from;
#if defined(__SSE2__)
  // Eight code units at a time: a unit below 0x20 is the only one that
  // 0x1F, subtracted without going below zero, takes to zero.
  const __m128i limit = _mm_set1_epi16(0x1F);
  const __m128i zero = _mm_setzero_si128();
  while (i + 8 <= text.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hits = _mm_cmpeq_epi16(_mm_subs_epu16(units, limit), zero);
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;
    i += 8;
  }
#endif
  while (i < text.size() && text[i] >= 0x20) ++i;
  return i;
}

}  // namespace glyphmill
