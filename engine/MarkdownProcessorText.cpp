// Reading files and converting between the encodings the engine meets.
#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "MarkdownProcessor.h"

namespace glyphmill {

// ---------------------------------------------------------------- files and encodings

std::string tooLargeMessage(std::size_t limit) {
  if (limit % (1u << 20) == 0) return "too large (more than " + std::to_string(limit >> 20) + " MiB)";
  if (limit == kMaxTextBytes) return "too large (more than 1 GiB)";
  return "too large (more than " + std::to_string(limit) + " bytes)";
}

std::string readFileBytes(const std::string& fileName, std::size_t limit) {
  std::error_code error;
  if (std::filesystem::is_directory(fileName, error)) {
    throw std::runtime_error(fileName + ": " + std::strerror(EISDIR));
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw std::runtime_error(fileName + ": " + std::strerror(errno));
  std::string bytes;
  // The size of a regular file is known, so it needs no growing buffer;
  // pipes and devices are read in chunks until their end.
  const auto size = std::filesystem::file_size(fileName, error);
  if (!error) bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > limit - bytes.size()) throw std::runtime_error(fileName + ": " + tooLargeMessage(limit));
    bytes.append(chunk, got);
  }
  if (in.bad()) throw std::runtime_error(fileName + ": read error");
  return bytes;
}

namespace {

// Eight bytes at p, read as one number (in any byte order).
std::uint64_t eightBytes(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// When the sixteen bytes at p are all ASCII, writes them at out as sixteen
// code units and returns true; otherwise writes nothing. Without SSE2 it
// always returns false (eight bytes at a time are still taken below).
bool widenSixteenAscii(const std::uint8_t* p, char16_t* out) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  if (_mm_movemask_epi8(bytes) != 0) return false;  // a byte with its top bit set
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
  return true;
#else
  (void)p;
  (void)out;
  return false;
#endif
}

// Decodes UTF-8 into out, which has room for one code unit per byte; returns
// the number of code units written. An invalid sequence becomes U+FFFD, or
// when `strict`, stops the decoding and gives -1.
std::int64_t decodeUtf8(std::string_view text, char16_t* out, bool strict) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t i = 0;
  std::int64_t written = 0;
  while (i < length) {
    // The common case: sixteen or eight ASCII bytes, as many code units.
    if (p[i] < 0x80 && i + 16 <= length && widenSixteenAscii(p + i, out + written)) {
      i += 16;
      written += 16;
      continue;
    }
    if (i + 8 <= length && (eightBytes(p + i) & kHighBits) == 0) {
      for (int k = 0; k < 8; ++k) out[written + k] = p[i + k];
      i += 8;
      written += 8;
      continue;
    }
    if (p[i] < 0x80) {
      out[written++] = p[i++];
      continue;
    }
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0) {
      if (strict) return -1;
      c = 0xFFFD;
    }
    if (c <= 0xFFFF) {
      out[written++] = static_cast<char16_t>(c);
    } else {  // four bytes give two code units
      out[written++] = static_cast<char16_t>(U16_LEAD(c));
      out[written++] = static_cast<char16_t>(U16_TRAIL(c));
    }
  }
  return written;
}

bool isContinuationByte(char byte) { return (static_cast<std::uint8_t>(byte) & 0xC0) == 0x80; }

// Where the chunk of text that begins at `start` ends: after at most
// kDecodeChunk bytes, and never inside a character. A character starts with
// a byte that is no continuation byte and takes at most three after it, so
// four continuation bytes in a row hold no start that the cut could split.
constexpr std::size_t kDecodeChunk = 4096;

std::size_t chunkEnd(std::string_view text, std::size_t start) {
  const std::size_t end = std::min(text.size(), start + kDecodeChunk);
  if (end == text.size()) return end;
  for (std::size_t back = 0; back < 4 && end - back > start; ++back) {
    if (!isContinuationByte(text[end - back])) return end - back;
  }
  return end;
}

// The text decoded as strict UTF-8 into `result`; false when it is not UTF-8.
// Decoded a chunk at a time and appended, so that the result is written once
// instead of being filled with zeros first.
bool decodeStrictUtf8(const std::string& text, std::u16string& result) {
  result.clear();
  result.reserve(text.size());
  char16_t chunk[kDecodeChunk];
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = chunkEnd(text, start);
    const std::int64_t written =
        decodeUtf8(std::string_view(text).substr(start, end - start), chunk, true);
    if (written < 0) return false;
    result.append(chunk, static_cast<std::size_t>(written));
    start = end;
  }
  return true;
}

// Decodes with an ICU converter; bytes it cannot map become U+FFFD.
std::u16string convertWith(const char* converterName, const char* data, std::size_t size) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(converterName, &status);
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("unknown encoding \"") + converterName + "\"");
  }
  std::u16string result(size * 2 + 4, u'\0');
  const std::int32_t written =
      ucnv_toUChars(converter, result.data(), static_cast<std::int32_t>(result.size()), data,
                    static_cast<std::int32_t>(size), &status);
  ucnv_close(converter);
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("the bytes are not valid ") + converterName);
  }
  result.resize(static_cast<std::size_t>(written));
  return result;
}

bool startsWith(const std::string& bytes, const char* prefix, std::size_t n) {
  return bytes.size() >= n && std::memcmp(bytes.data(), prefix, n) == 0;
}

}  // namespace

std::u16string decodeText(const std::string& bytes, const std::string& encoding) {
  // The decoders count in 32-bit units; a text must fit them twice over.
  if (bytes.size() > kMaxTextBytes) throw std::runtime_error("the text is larger than 1 GiB");
  if (startsWith(bytes, "\xEF\xBB\xBF", 3)) {
    return convertWith("UTF-8", bytes.data() + 3, bytes.size() - 3);
  }
  if (startsWith(bytes, "\xFF\xFE", 2)) {
    return convertWith("UTF-16LE", bytes.data() + 2, bytes.size() - 2);
  }
  if (startsWith(bytes, "\xFE\xFF", 2)) {
    return convertWith("UTF-16BE", bytes.data() + 2, bytes.size() - 2);
  }
  if (!encoding.empty()) return convertWith(encoding.c_str(), bytes.data(), bytes.size());
  std::u16string text;
  if (decodeStrictUtf8(bytes, text)) return text;
  std::u16string().swap(text);
  return convertWith("windows-1252", bytes.data(), bytes.size());
}

std::u16string fromUtf8(const std::string& text) {
  std::u16string result(text.size(), u'\0');
  result.resize(static_cast<std::size_t>(decodeUtf8(text, result.data(), false)));
  return result;
}

namespace {

// Writes the UTF-8 of code point c at out; returns the byte count.
int encodeUtf8(UChar32 c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace

namespace {

// Four code units at p, read as one number.
std::uint64_t fourUnits(const char16_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Set when one of four code units is not ASCII.
constexpr std::uint64_t kNonAsciiBits = 0xFF80FF80FF80FF80ull;

// When the sixteen code units at p are all ASCII, writes them at out as
// sixteen bytes and returns true; otherwise writes nothing. Without SSE2 it
// always returns false (four units at a time are still taken below).
bool narrowSixteenAscii(const char16_t* p, char* out) {
#if defined(__SSE2__)
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
  const __m128i nonAscii =
      _mm_and_si128(_mm_or_si128(low, high), _mm_set1_epi16(static_cast<short>(0xFF80)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi16(nonAscii, _mm_setzero_si128())) != 0xFFFF) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
  return true;
#else
  (void)p;
  (void)out;
  return false;
#endif
}

// The code point at text[i] and the number of code units it takes; a
// surrogate that is not part of a pair is U+FFFD.
UChar32 codePointAt(std::u16string_view text, std::size_t i, int& units) {
  const UChar32 c = text[i];
  units = 1;
  if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
    units = 2;
    return U16_GET_SUPPLEMENTARY(c, text[i + 1]);
  }
  return U16_IS_SURROGATE(c) ? 0xFFFD : c;
}

int utf8Size(UChar32 c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// The number of UTF-8 bytes of text.
std::size_t utf8Length(std::u16string_view text) {
  std::size_t bytes = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (i + 4 <= n && (fourUnits(text.data() + i) & kNonAsciiBits) == 0) {
      bytes += 4;
      i += 4;
      continue;
    }
    int units = 1;
    bytes += static_cast<std::size_t>(utf8Size(codePointAt(text, i, units)));
    i += static_cast<std::size_t>(units);
  }
  return bytes;
}

// Writes the UTF-8 of text at out, which has room for it; returns the end.
char* writeUtf8(std::u16string_view text, char* out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] < 0x80 && i + 16 <= n && narrowSixteenAscii(text.data() + i, out)) {
      out += 16;
      i += 16;
      continue;
    }
    if (i + 4 <= n && (fourUnits(text.data() + i) & kNonAsciiBits) == 0) {
      for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(text[i + k]);
      out += 4;
      i += 4;
      continue;
    }
    int units = 1;
    out += encodeUtf8(codePointAt(text, i, units), out);
    i += static_cast<std::size_t>(units);
  }
  return out;
}

}  // namespace

std::size_t toUtf8(std::u16string_view text, std::string& buffer) {
  // Three bytes per code unit at most: a pair of surrogates gives four.
  if (buffer.size() < text.size() * 3) buffer.resize(text.size() * 3);
  return static_cast<std::size_t>(writeUtf8(text, buffer.data()) - buffer.data());
}

std::string toUtf8(std::u16string_view text) {
  // Measured first, so that the result is made once at its size.
  std::string result(utf8Length(text), '\0');
  writeUtf8(text, result.data());
  return result;
}

}  // namespace glyphmill
