#pragma once

// Key codes of IKeyEvent::keyCode: the virtual-key codes every platform layer translates its keys to.

namespace lumen::canvas {

inline constexpr int kKeyBackspace = 0x08;
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyEscape = 0x1B;
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyPageUp = 0x21;
inline constexpr int kKeyPageDown = 0x22;
inline constexpr int kKeyEnd = 0x23;
inline constexpr int kKeyHome = 0x24;
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyDown = 0x28;
inline constexpr int kKeyDelete = 0x2E;
inline constexpr int kKey0 = 0x30; // '0' ... '9' follow
inline constexpr int kKeyA = 0x41; // 'A' ... 'Z' follow
inline constexpr int kKeyNumpad0 = 0x60; // keypad 0 ... 9 follow
inline constexpr int kKeyMultiply = 0x6A;
inline constexpr int kKeyAdd = 0x6B;
inline constexpr int kKeySubtract = 0x6D;
inline constexpr int kKeyDecimal = 0x6E;

} // namespace lumen::canvas
