#pragma once

// The editor's picture as the Windows surface draws it: its main framebuffer read back and a PNG
// decoded in the same context, to be compared as Picture.h does.
#include "NanoVGGL.h"

#include "ICanvasWin.h"
#include "Picture.h"

#include <memory>
#include <string>
#include <vector>

namespace lumen::test {

using lumen::canvas::ICanvasWin;
using lumen::canvas::PlatformFont;

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

} // namespace lumen::test
