// PNG files with stb_image and stb_image_write from libstb-dev (header only, kept to this file with
// their own warnings off).
#include "HostedEditor.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdlib>

namespace kolmari::win::test {

using lumen::test::Picture;

Picture ReadPng(const std::string& path) {
  int width = 0;
  int height = 0;
  int channels = 0;
  stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
  if (pixels == nullptr) return {};
  Picture picture{width, height, std::vector<uint8_t>(pixels, pixels + static_cast<size_t>(width) * height * 4)};
  stbi_image_free(pixels);
  return picture;
}

bool WritePng(const std::string& path, const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4) {
    return false;
  }
  return stbi_write_png(path.c_str(), picture.width, picture.height, 4, picture.rgba.data(), picture.width * 4) != 0;
}

std::string KeepPicture(const std::string& name, const Picture& picture) {
  const char* folder = std::getenv("KOLMARI_PICTURE_DIR");
  if (folder == nullptr || *folder == '\0') return "";
  const std::string path = lumen::test::WindowsPath(folder) + "/" + name + ".png";
  return WritePng(path, picture) ? path : "";
}

} // namespace kolmari::win::test
