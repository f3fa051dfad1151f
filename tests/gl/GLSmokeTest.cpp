// The OpenGL stack on its own: an offscreen context, NanoVG's OpenGL 2 renderer drawing into one
// of its framebuffers, and the pixels read back. When this fails, every other drawing test would.

#include "IOffscreenGLContext.h"
#include "NanoVGGL.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using lumen::canvas::IOffscreenGLContext;

namespace {

struct Pixel {
  int r, g, b, a;
};

Pixel At(const std::vector<unsigned char>& rgba, int width, int x, int y)
{
  const auto* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

} // namespace

TEST(GLSmoke, NanoVGDrawsIntoAFramebufferThatReadsBack)
{
  std::string error;
  auto context = IOffscreenGLContext::Create(error);
  ASSERT_NE(context, nullptr) << error;
  EXPECT_FALSE(context->RendererName().empty());

  NVGcontext* vg = nvgCreateGL2(NVG_ANTIALIAS);
  ASSERT_NE(vg, nullptr);
  constexpr int w = 64, h = 48;
  NVGLUframebuffer* fb = nvgluCreateFramebuffer(vg, w, h, 0);
  ASSERT_NE(fb, nullptr) << "framebuffer objects unavailable";

  nvgluBindFramebuffer(fb);
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  nvgBeginFrame(vg, w, h, 1.0f);
  nvgBeginPath(vg);
  nvgRect(vg, 0, 0, 32, 24); // top-left quarter, in NanoVG's top-down coordinates
  nvgFillColor(vg, nvgRGBA(255, 0, 0, 255));
  nvgFill(vg);
  nvgBeginPath(vg);
  nvgCircle(vg, 48, 36, 8);
  nvgFillColor(vg, nvgRGBA(0, 0, 255, 128));
  nvgFill(vg);
  nvgEndFrame(vg);

  std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // OpenGL reads rows bottom-up: NanoVG's top row is the last one read.
  const Pixel red = At(pixels, w, 5, h - 1 - 5);
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(red.a, 255);
  const Pixel empty = At(pixels, w, 60, h - 1 - 2);
  EXPECT_EQ(empty.a, 0);
  // Half-transparent blue over nothing, premultiplied as the framebuffer stores it.
  const Pixel blue = At(pixels, w, 48, h - 1 - 36);
  EXPECT_NEAR(blue.b, 128, 2);
  EXPECT_NEAR(blue.a, 128, 2);
  EXPECT_EQ(blue.r, 0);

  nvgluDeleteFramebuffer(fb);
  nvgDeleteGL2(vg);
  context->Release();
}

TEST(GLSmoke, SeveralContextsLiveSideBySide)
{
  std::string error;
  auto first = IOffscreenGLContext::Create(error);
  ASSERT_NE(first, nullptr) << error;
  auto second = IOffscreenGLContext::Create(error);
  ASSERT_NE(second, nullptr) << error;
  // The second one was made current last; releasing it brings the first back.
  second->Release();
  ASSERT_TRUE(second->MakeCurrent());
  second->Release();
  NVGcontext* vg = nvgCreateGL2(NVG_ANTIALIAS);
  EXPECT_NE(vg, nullptr);
  nvgDeleteGL2(vg);
  first->Release();
}
