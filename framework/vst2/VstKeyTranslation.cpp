#include "VstKeyTranslation.h"

#include "VstKeys.h"

#include <array>
#include <cstddef>

namespace lumen::vst2 {

namespace {

// Interface virtual keys 1..56 in order, as platform virtual-key codes.
constexpr std::array<int32_t, 56> kVirtualKeyCodes{
    8,   9,   12,  13,  19,  27,  32,  34,  35,  36,  37,  38,  39,  40,  33,  34,  41,  42,  13,
    44,  45,  46,  47,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
    111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 144, 145, 16,  17,  18,
};

constexpr int32_t kShift = 0x100;
constexpr int32_t kControl = 0x200;

} // namespace

int32_t UsLayoutKeyScan(char character) {
  const auto c = static_cast<unsigned char>(character);
  if (c >= 'a' && c <= 'z') return 'A' + (c - 'a');
  if (c >= 'A' && c <= 'Z') return kShift | c;
  if (c >= '0' && c <= '9') return c;
  switch (c) {
    case ' ': return 0x20;
    case '\b': return 0x08;
    case '\t': return 0x09;
    case '\r': return 0x0D;
    case '\n': return kControl | 0x0D;
    case 0x1B: return 0x1B;
    case 0x7F: return kControl | 0x08;
    case ')': return kShift | '0';
    case '!': return kShift | '1';
    case '@': return kShift | '2';
    case '#': return kShift | '3';
    case '$': return kShift | '4';
    case '%': return kShift | '5';
    case '^': return kShift | '6';
    case '&': return kShift | '7';
    case '*': return kShift | '8';
    case '(': return kShift | '9';
    case ';': return 0xBA;
    case ':': return kShift | 0xBA;
    case '=': return 0xBB;
    case '+': return kShift | 0xBB;
    case ',': return 0xBC;
    case '<': return kShift | 0xBC;
    case '-': return 0xBD;
    case '_': return kShift | 0xBD;
    case '.': return 0xBE;
    case '>': return kShift | 0xBE;
    case '/': return 0xBF;
    case '?': return kShift | 0xBF;
    case '`': return 0xC0;
    case '~': return kShift | 0xC0;
    case '[': return 0xDB;
    case '{': return kShift | 0xDB;
    case '\\': return 0xDC;
    case '|': return kShift | 0xDC;
    case ']': return 0xDD;
    case '}': return kShift | 0xDD;
    case '\'': return 0xDE;
    case '"': return kShift | 0xDE;
    case 0x1C: return kControl | 0xDC;
    case 0x1D: return kControl | 0xDD;
    case 0x1E: return kControl | kShift | '6';
    case 0x1F: return kControl | kShift | 0xBD;
    default: break;
  }
  if (c >= 0x01 && c <= 0x1A) return kControl | ('A' + c - 1); // Ctrl+letter control characters
  return -1;
}

#ifndef _WIN32
int32_t PlatformKeyScan(char character) { return UsLayoutKeyScan(character); }
#endif

int32_t PlatformKeyCode(int32_t virtualKey, char character) {
  if (virtualKey == 0 || virtualKey == VKEY_EQUALS) return PlatformKeyScan(character);
  if (virtualKey >= 1 && virtualKey <= static_cast<int32_t>(kVirtualKeyCodes.size())) {
    return kVirtualKeyCodes[static_cast<std::size_t>(virtualKey - 1)];
  }
  return 0;
}

} // namespace lumen::vst2
