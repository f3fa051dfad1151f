#include "WinMouseMessage.h"

#include <windowsx.h>

#include <cstdint>

namespace lumen::canvas {

namespace {

constexpr uint32_t kSignatureMask = 0xFFFFFF00u;
constexpr uint32_t kPenOrTouchSignature = 0xFF515700u;
constexpr uint32_t kTouchBit = 0x80u;

} // namespace

void MessagePosition(LPARAM lParam, float totalScale, float& x, float& y) {
  const float scale = totalScale > 0.0f ? totalScale : 1.0f;
  x = static_cast<float>(GET_X_LPARAM(lParam)) / scale;
  y = static_cast<float>(GET_Y_LPARAM(lParam)) / scale;
}

IMouseState MessageModifiers(WPARAM wParam) {
  IMouseState mods;
  mods.left = (wParam & MK_LBUTTON) != 0;
  mods.right = (wParam & MK_RBUTTON) != 0;
  mods.shift = (wParam & MK_SHIFT) != 0;
  mods.control = (wParam & MK_CONTROL) != 0;
  mods.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  return mods;
}

bool IsPenOrTouch(LPARAM extraInfo) {
  // The signature is in the low 32 bits.
  return (static_cast<uint32_t>(extraInfo) & kSignatureMask) == kPenOrTouchSignature;
}

bool IsTouch(LPARAM extraInfo) { return IsPenOrTouch(extraInfo) && (static_cast<uint32_t>(extraInfo) & kTouchBit) != 0; }

int WheelNotches(WPARAM wParam) { return GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA; }

} // namespace lumen::canvas
