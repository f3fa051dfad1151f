#pragma once

// The editor's picture as the Windows surface draws it: its main framebuffer read back, a PNG
// decoded in the same context, and the two compared.
#include "NanoVGGL.h"

#include "ICanvasWin.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumen::test {

using lumen::canvas::ICanvasWin;
using lumen::canvas::PlatformFont;

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

// The Windows surface with what a test needs to see: the main framebuffer read back and pictures
// decoded in its context.
class ReadableCanvasWin : public ICanvasWin {
public:
  using ICanvasWin::ICanvasWin;

  // Fonts handed to the surface's generic loader from memory (the module's fonts go to GDI directly).
  int fontsFromMemory = 0;
  std::unique_ptr<PlatformFont> LoadFontFromMemory(const char* fontId, const void* data, int dataSize) override {
    ++fontsFromMemory;
    return ICanvasWin::LoadFontFromMemory(fontId, data, dataSize);
  }

  Picture ReadMainFramebuffer() {
    Picture picture;
    NVGLUframebuffer* fb = MainFramebuffer();
    if (fb == nullptr) return picture;
    MakeGLContextCurrent();
    const int w = WindowPixelWidth();
    const int h = WindowPixelHeight();
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_FRAMEBUFFER, fb->fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    ReleaseGLContext();
    return FromGL(w, h, pixels, true);
  }

  // A PNG file decoded by the drawing library (the test has no decoder of its own).
  Picture LoadPng(const std::string& path) {
    Picture picture;
    auto* vg = static_cast<NVGcontext*>(DrawContext());
    if (vg == nullptr) return picture;
    MakeGLContextCurrent();
    const int image = nvgCreateImage(vg, path.c_str(), 0);
    if (image != 0) {
      nvgImageSize(vg, image, &picture.width, &picture.height);
      std::vector<uint8_t> pixels(static_cast<size_t>(picture.width) * picture.height * 4);
      glBindTexture(GL_TEXTURE_2D, nvglImageHandleGL2(vg, image));
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      glBindTexture(GL_TEXTURE_2D, 0);
      nvgDeleteImage(vg, image);
      picture.rgba = std::move(pixels); // a texture's rows are as the file has them
    }
    ReleaseGLContext();
    return picture;
  }
};

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

inline std::string ReferencePicture() {
  const char* path = std::getenv("KOLMARI_REFERENCE_PNG");
  if (path == nullptr || *path == '\0') return "";
  std::string windowsPath = path;
  // A Linux path, as the Linux build wrote it: wine's drive Z: is the Linux root.
  if (windowsPath[0] == '/') windowsPath = "Z:" + windowsPath;
  return windowsPath;
}

} // namespace lumen::test
