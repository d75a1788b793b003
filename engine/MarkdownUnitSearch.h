// Finding one of a few code units, a control character or a short text in a
// text: the scans that pass over long runs of ordinary text (reading lines,
// escaping, a deep indentation, the tag decider's, a quoted attribute value's,
// a code span's).
// Private to the engine.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glyphmill {

// The position of the first of `units` at or after from (at most the size
// of text); the size of text when there is none.
template <std::size_t N>
inline std::size_t findAnyUnit(std::u16string_view text, std::size_t from,
                               const std::array<char16_t, N>& units) {
  std::size_t i = from;
#if defined(__SSE2__)
  // Eight code units at a time, compared with every wanted unit at once.
  __m128i wanted[N];
  for (std::size_t k = 0; k < N; ++k) wanted[k] = _mm_set1_epi16(static_cast<short>(units[k]));
  while (i + 8 <= text.size()) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    __m128i hits = _mm_cmpeq_epi16(chunk, wanted[0]);
    for (std::size_t k = 1; k < N; ++k) hits = _mm_or_si128(hits, _mm_cmpeq_epi16(chunk, wanted[k]));
    // Two bits per code unit that matched, the first unit lowest.
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;
    i += 8;
  }
#endif
  const auto wantedUnit = [&units](char16_t c) {
    for (char16_t unit : units) {
      if (c == unit) return true;
    }
    return false;
  };
  while (i < text.size() && !wantedUnit(text[i])) ++i;
  return i;
}

// The position of the first a or b at or after from (at most the size of
// text); the size of text when there is none.
inline std::size_t findEitherUnit(std::u16string_view text, std::size_t from, char16_t a,
                                  char16_t b) {
  return findAnyUnit(text, from, std::array<char16_t, 2>{a, b});
}

// The position of the first `needle` at or after from; npos when there is
// none. Each candidate is found by the search for needle's first unit.
inline std::size_t findText(std::u16string_view text, std::size_t from,
                            std::u16string_view needle) {
  if (needle.empty()) return from <= text.size() ? from : std::u16string_view::npos;
  for (std::size_t at = findEitherUnit(text, from, needle[0], needle[0]);
       at + needle.size() <= text.size();
       at = findEitherUnit(text, at + 1, needle[0], needle[0])) {
    if (text.substr(at, needle.size()) == needle) return at;
  }
  return std::u16string_view::npos;
}

// The position of the first code unit other than `unit` at or after from
// (at most the size of text); the size of text when there is none. A deep
// indentation is passed eight spaces at a time.
inline std::size_t skipUnit(std::u16string_view text, std::size_t from, char16_t unit) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
  while (i + 8 <= text.size()) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(chunk, wanted)));
    const unsigned others = ~same & 0xFFFFu;  // two bits per other unit, the first unit lowest
    if (others != 0) return i + static_cast<std::size_t>(std::countr_zero(others)) / 2;
    i += 8;
  }
#endif
  while (i < text.size() && text[i] == unit) ++i;
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

// Like findControlUnit, and sets `angle` when a "<" or ">" stands between
// from and the unit found (it is left as it was otherwise): a line's end and
// whether it may hold a tag are found in one pass.
inline std::size_t findControlUnitNotingAngles(std::u16string_view text, std::size_t from,
                                               bool& angle) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i limit = _mm_set1_epi16(0x1F);
  const __m128i zero = _mm_setzero_si128();
  const __m128i open = _mm_set1_epi16(u'<');
  const __m128i close = _mm_set1_epi16(u'>');
  while (i + 8 <= text.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const auto controls = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(units, limit), zero)));
    const auto angles = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi16(units, open), _mm_cmpeq_epi16(units, close))));
    if (controls != 0) {
      const int first = std::countr_zero(controls);  // two bits per unit, the first unit lowest
      if ((angles & ((1u << first) - 1)) != 0) angle = true;
      return i + static_cast<std::size_t>(first) / 2;
    }
    i += 8;
    if (angles != 0) {  // known now: the rest is a plain search
      angle = true;
      return findControlUnit(text, i);
    }
  }
#endif
  while (i < text.size() && text[i] >= 0x20) {
    if (text[i] == u'<' || text[i] == u'>') angle = true;
    ++i;
  }
  return i;
}

}  // namespace glyphmill
