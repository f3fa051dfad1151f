// PNG writing with stb_image_write from libstb-dev (header only; its library would bring a second
// stb_truetype next to NanoVG's). Built with the third-party code's warnings off.
#include "PngEncoder.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace lumen::canvas {

bool EncodePngFile(const char* path, int width, int height, const uint8_t* rgba)
{
  if (path == nullptr || rgba == nullptr || width <= 0 || height <= 0) return false;
  return stbi_write_png(path, width, height, 4, rgba, width * 4) != 0;
}

} // namespace lumen::canvas

namespace lumen::canvas {

std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* rgba)
{
  if (rgba == nullptr || width <= 0 || height <= 0) return {};
  int size = 0;
  unsigned char* png = stbi_write_png_to_mem(rgba, width * 4, width, height, 4, &size);
  if (png == nullptr) return {};
  std::vector<uint8_t> bytes(png, png + size);
  STBIW_FREE(png);
  return bytes;
}

} // namespace lumen::canvas
