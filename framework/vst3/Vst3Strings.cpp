#include "Vst3Strings.h"

#include <algorithm>
#include <cstring>

namespace lumen::vst3 {

namespace {

// Decodes one UTF-8 character at text[i]; advances i. Malformed input gives U+FFFD.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int extra = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  ++i;
  for (int k = 0; k < extra; ++k, ++i) {
    if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

} // namespace

void CopyUtf16(int16_t* field, size_t capacity, std::string_view utf8) {
  if (!field || capacity == 0) return;
  size_t n = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, i);
    const size_t units = cp >= 0x10000 ? 2 : 1;
    if (n + units > capacity - 1) break;
    if (units == 2) {
      const char32_t v = cp - 0x10000;
      field[n++] = static_cast<int16_t>(0xD800 + (v >> 10));
      field[n++] = static_cast<int16_t>(0xDC00 + (v & 0x3FF));
    } else {
      field[n++] = static_cast<int16_t>(cp);
    }
  }
  field[n] = 0;
}

std::string Utf8FromUtf16(const int16_t* text, size_t capacity) {
  std::string out;
  if (!text) return out;
  for (size_t i = 0; i < capacity && text[i] != 0; ++i) {
    char32_t unit = static_cast<uint16_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < capacity) {
      const char32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    AppendUtf8(out, unit);
  }
  return out;
}

void CopyAscii(char* field, size_t capacity, std::string_view text) {
  if (!field || capacity == 0) return;
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

} // namespace lumen::vst3
