#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumen::canvas {

// Pixels read back from an offscreen render: 8-bit RGBA with straight (not premultiplied) alpha,
// rows from the top down.
struct IPixelImage {
  struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
  };

  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  bool Empty() const { return width <= 0 || height <= 0; }
  // Transparent black outside the image.
  Pixel At(int x, int y) const;
  // Writes a PNG file; false when the image is empty or the file cannot be written.
  bool WritePng(const std::string& path) const;
};

} // namespace lumen::canvas
