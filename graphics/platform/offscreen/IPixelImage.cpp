#include "IPixelImage.h"

#include "PngEncoder.h"

namespace lumen::canvas {

IPixelImage::Pixel IPixelImage::At(int x, int y) const
{
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const uint8_t* p = &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4];
  return {p[0], p[1], p[2], p[3]};
}

bool IPixelImage::WritePng(const std::string& path) const
{
  if (Empty() || rgba.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) return false;
  return EncodePngFile(path.c_str(), width, height, rgba.data());
}

} // namespace lumen::canvas
