#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumen::canvas {

// The bytes of a font file and which face of it to use, as the backend registers it.
struct IFontData {
  std::vector<uint8_t> bytes;
  int faceIndex = -1; // -1: no usable face
  std::string family;
  std::string style;
  bool IsValid() const { return !bytes.empty() && faceIndex >= 0; }
};

// A font the platform loaded (from a file, memory or the system). The core releases it as soon as
// the backend has registered it.
class PlatformFont {
public:
  explicit PlatformFont(bool isSystem) : mIsSystem(isSystem) {}
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;

  // The platform's own descriptor of the font (a font handle), or null.
  virtual void* NativeDescriptor() const { return nullptr; }
  // The font's bytes and face; empty with face -1 when the platform has none.
  virtual IFontData FontData() const { return {}; }

  bool IsSystem() const { return mIsSystem; }

private:
  bool mIsSystem;
};

} // namespace lumen::canvas
