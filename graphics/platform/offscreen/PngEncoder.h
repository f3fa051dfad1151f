#pragma once

#include <cstdint>
#include <vector>

namespace lumen::canvas {

// Writes width x height RGBA pixels (rows top down) as a PNG file; false when it cannot.
bool EncodePngFile(const char* path, int width, int height, const uint8_t* rgba);
// The same as PNG bytes in memory; empty when it cannot.
std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* rgba);

} // namespace lumen::canvas
