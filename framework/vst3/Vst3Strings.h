#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumen::vst3 {

// VST3 strings are UTF-16 in fixed int16_t fields. Our texts are UTF-8: these convert between the
// two, cut to fit (never inside a character) and always terminated.
void CopyUtf16(int16_t* field, size_t capacity, std::string_view utf8);
template <size_t N>
void CopyUtf16(int16_t (&field)[N], std::string_view utf8) {
  CopyUtf16(field, N, utf8);
}
// Reads at most capacity units up to the terminator; bad surrogates become U+FFFD.
std::string Utf8FromUtf16(const int16_t* text, size_t capacity);

// Into a fixed char field: cut to fit, always terminated.
void CopyAscii(char* field, size_t capacity, std::string_view text);
template <size_t N>
void CopyAscii(char (&field)[N], std::string_view text) {
  CopyAscii(field, N, text);
}

} // namespace lumen::vst3
