#pragma once

// An editor's picture as the Windows tests see it, whoever read it back (the surface in-process or
// a host watching the plug-in's frames), and how it is compared with the Linux snapshot.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumen::test {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba; // top-down, straight alpha
};

// Bottom-up premultiplied rows as OpenGL reads them, turned into a picture.
inline Picture FromGL(int width, int height, const std::vector<uint8_t>& bottomUp, bool premultiplied) {
  Picture picture{width, height, std::vector<uint8_t>(bottomUp.size())};
  const size_t row = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = &bottomUp[static_cast<size_t>(height - 1 - y) * row];
    uint8_t* dst = &picture.rgba[static_cast<size_t>(y) * row];
    for (size_t i = 0; i < row; i += 4) {
      const int a = src[i + 3];
      for (int c = 0; c < 3; ++c) {
        dst[i + c] = !premultiplied ? src[i + c] : a == 0 ? 0 : static_cast<uint8_t>(std::min(255, (src[i + c] * 255 + a / 2) / a));
      }
      dst[i + 3] = static_cast<uint8_t>(a);
    }
  }
  return picture;
}

// Pixels whose colour differs by more than about 12 % in any channel; -1 for different sizes.
inline long DifferingPixels(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return -1;
  long count = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(a.rgba[i + c] - b.rgba[i + c]) > 31) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// A Linux path as wine opens it: its drive Z: is the Linux root.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

// The reference snapshot named by an environment variable (the Linux path the Linux build wrote),
// or "" when none is given.
inline std::string ReferencePicture(const char* variable = "KOLMARI_REFERENCE_PNG") {
  const char* path = std::getenv(variable);
  if (path == nullptr || *path == '\0') return "";
  return WindowsPath(path);
}

} // namespace lumen::test
