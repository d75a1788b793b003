// Reading files and converting between the encodings the engine meets.
#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "MarkdownProcessor.h"

namespace glyphmill {

// ---------------------------------------------------------------- files and encodings

std::string readFileBytes(const std::string& fileName) {
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
  if (!error) bytes.reserve(static_cast<std::size_t>(size));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw std::runtime_error(fileName + ": read error");
  return bytes;
}

namespace {

bool isValidUtf8(const std::string& bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0) return false;
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
  if (bytes.size() > 0x3FFFFFFFu) throw std::runtime_error("the text is larger than 1 GiB");
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
  if (isValidUtf8(bytes)) return fromUtf8(bytes);
  return convertWith("windows-1252", bytes.data(), bytes.size());
}

std::u16string fromUtf8(const std::string& text) {
  std::u16string result;
  result.reserve(text.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t i = 0;
  while (i < length) {
    if (p[i] < 0x80) {  // the common case: one byte, one code unit
      result += static_cast<char16_t>(p[i++]);
      continue;
    }
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0) c = 0xFFFD;
    if (c <= 0xFFFF) {
      result += static_cast<char16_t>(c);
    } else {
      result += static_cast<char16_t>(U16_LEAD(c));
      result += static_cast<char16_t>(U16_TRAIL(c));
    }
  }
  return result;
}

std::string toUtf8(std::u16string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 4);
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    UChar32 c = text[i];
    if (c < 0x80) {  // the common case: one code unit, one byte
      result += static_cast<char>(c);
      continue;
    }
    if (U16_IS_LEAD(c) && i + 1 < n && U16_IS_TRAIL(text[i + 1])) {
      c = U16_GET_SUPPLEMENTARY(c, text[i + 1]);
      ++i;
    } else if (U16_IS_SURROGATE(c)) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      result += static_cast<char>(c);
    } else if (c < 0x800) {
      result += static_cast<char>(0xC0 | (c >> 6));
      result += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      result += static_cast<char>(0xE0 | (c >> 12));
      result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      result += static_cast<char>(0xF0 | (c >> 18));
      result += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return result;
}

}  // namespace glyphmill
