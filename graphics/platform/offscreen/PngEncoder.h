#pragma once

#include <cstdint>

namespace lumen::canvas {

// Writes width x height RGBA pixels (rows top down) as a PNG file; false when it cannot.
bool EncodePngFile(const char* path, int width, int height, const uint8_t* rgba);

} // namespace lumen::canvas
