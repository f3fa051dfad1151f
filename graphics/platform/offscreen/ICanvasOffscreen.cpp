#include "ICanvasOffscreen.h"

#include "ICanvasEditorDelegate.h"
#include "IOffscreenGLContext.h"
#include "NanoVGGL.h"

#include <algorithm>

namespace lumen::canvas {

ICanvasOffscreen::ICanvasOffscreen(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale)
    : ICanvasNanoVG(delegate, width, height, fps, drawScale)
{
}

ICanvasOffscreen::~ICanvasOffscreen()
{
  // Controls may own layers whose framebuffers live in this context: delete them while it is current.
  MakeGLContextCurrent();
  ReleaseBeforeDestruction();
  ReleaseGLContext();
  CloseEditorWindow();
}

// ---- Window ---------------------------------------------------------------------------------------------

void* ICanvasOffscreen::OpenEditorWindow(void* /*parent*/)
{
  if (mGL) CloseEditorWindow();
  mError.clear();
  mGL = IOffscreenGLContext::Create(mError); // current from here on until the Release below
  if (!mGL) return nullptr;
  OnViewCreated(nullptr);
  if (!HasDrawContext()) {
    mError = "NanoVG cannot draw with this OpenGL context";
    mGL->Release();
    mGL.reset();
    return nullptr;
  }
  ApplyScreenScale(1.0f); // sizes the window and the draw targets
  if (!HasMainFramebuffer() || mWindowFB == 0) {
    mError = "OpenGL cannot make the editor's framebuffers";
    mGL->Release();
    CloseEditorWindow();
    return nullptr;
  }
  if (ICanvasEditorDelegate* delegate = GetDelegate()) delegate->LayoutEditor(*this);
  mGL->Release();
  return WindowHandle();
}

void ICanvasOffscreen::CloseEditorWindow()
{
  if (!mGL) return;
  if (mGL->MakeCurrent()) {
    OnViewClosing();
    DeleteWindowFramebuffer();
    mGL->Release();
  }
  mGL.reset();
}

void* ICanvasOffscreen::WindowHandle() const
{
  return mGL ? mGL.get() : nullptr;
}

std::string ICanvasOffscreen::RendererName() const
{
  if (!mGL || !mGL->MakeCurrent()) return {};
  std::string name = mGL->RendererName();
  mGL->Release();
  return name;
}

void ICanvasOffscreen::MakeGLContextCurrent()
{
  if (mGL) mGL->MakeCurrent();
}

void ICanvasOffscreen::ReleaseGLContext()
{
  if (mGL) mGL->Release();
}

void ICanvasOffscreen::DeleteWindowFramebuffer()
{
  if (mWindowFB != 0) glDeleteFramebuffers(1, &mWindowFB);
  if (mWindowColor != 0) glDeleteRenderbuffers(1, &mWindowColor);
  if (mWindowStencil != 0) glDeleteRenderbuffers(1, &mWindowStencil);
  mWindowFB = mWindowColor = mWindowStencil = 0;
}

bool ICanvasOffscreen::CreateWindowFramebuffer()
{
  DeleteWindowFramebuffer();
  const int w = WindowPixelWidth();
  const int h = WindowPixelHeight();
  if (w <= 0 || h <= 0) return false;
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  glGenRenderbuffers(1, &mWindowColor);
  glBindRenderbuffer(GL_RENDERBUFFER, mWindowColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
  glGenRenderbuffers(1, &mWindowStencil);
  glBindRenderbuffer(GL_RENDERBUFFER, mWindowStencil);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
  glGenFramebuffers(1, &mWindowFB);
  glBindFramebuffer(GL_FRAMEBUFFER, mWindowFB);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, mWindowColor);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mWindowStencil);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, mWindowStencil);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  if (!complete) DeleteWindowFramebuffer();
  return complete;
}

void ICanvasOffscreen::ResizeDrawTarget()
{
  if (!mGL || !mGL->MakeCurrent()) return;
  CreateWindowFramebuffer();
  ICanvasNanoVG::ResizeDrawTarget();
  mGL->Release();
}

// ---- Drawing and reading back ----------------------------------------------------------------------------

bool ICanvasOffscreen::DrawFullFrame()
{
  if (!mGL || !mGL->MakeCurrent()) return false;
  DrawRegions({IRectF(0.0f, 0.0f, static_cast<float>(Width()), static_cast<float>(Height()))});
  const bool drawn = HasMainFramebuffer();
  glFinish();
  mGL->Release();
  return drawn;
}

IRectFList ICanvasOffscreen::DrawDirty()
{
  IRectFList regions;
  if (!mGL || !Tick(regions)) return regions;
  if (mGL->MakeCurrent()) {
    DrawRegions(regions);
    glFinish();
    mGL->Release();
  }
  return regions;
}

IPixelImage ICanvasOffscreen::ReadFramebuffer(unsigned framebuffer)
{
  IPixelImage image;
  if (!mGL || framebuffer == 0 || !mGL->MakeCurrent()) return image;
  image.width = WindowPixelWidth();
  image.height = WindowPixelHeight();
  const std::size_t row = static_cast<std::size_t>(image.width) * 4;
  std::vector<uint8_t> bottomUp(row * static_cast<std::size_t>(image.height));
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  mGL->Release();

  // OpenGL's rows run bottom-up and its colours are premultiplied by alpha.
  image.rgba.resize(bottomUp.size());
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = &bottomUp[static_cast<std::size_t>(image.height - 1 - y) * row];
    uint8_t* dst = &image.rgba[static_cast<std::size_t>(y) * row];
    for (std::size_t i = 0; i < row; i += 4) {
      const int a = src[i + 3];
      for (int c = 0; c < 3; ++c) {
        dst[i + c] = a == 0 ? 0 : static_cast<uint8_t>(std::min(255, (src[i + c] * 255 + a / 2) / a));
      }
      dst[i + 3] = static_cast<uint8_t>(a);
    }
  }
  return image;
}

IPixelImage ICanvasOffscreen::ReadMainFramebuffer()
{
  return MainFramebuffer() != nullptr ? ReadFramebuffer(MainFramebuffer()->fbo) : IPixelImage{};
}

IPixelImage ICanvasOffscreen::ReadWindow()
{
  return ReadFramebuffer(mWindowFB);
}

// ---- Platform operations ----------------------------------------------------------------------------------

void ICanvasOffscreen::GetMousePosition(float& x, float& y) const
{
  x = mMouseX;
  y = mMouseY;
}

void ICanvasOffscreen::HidePointer(bool /*hide*/, bool /*lock*/) {}

void ICanvasOffscreen::MovePointer(float x, float y)
{
  mMouseX = x;
  mMouseY = y;
}

bool ICanvasOffscreen::ReadClipboardText(std::string& text)
{
  text = mClipboard;
  return !text.empty();
}

bool ICanvasOffscreen::WriteClipboardText(const std::string& text)
{
  mClipboard = text;
  return !text.empty();
}

int ICanvasOffscreen::ShowAlert(const char* /*text*/, const char* /*caption*/, int /*type*/,
                                std::function<void(int)> /*completion*/)
{
  return 0;
}

void ICanvasOffscreen::PickFile(std::string& fileName, std::string& /*directory*/, int /*action*/,
                                const char* /*extensions*/)
{
  fileName.clear();
}

void ICanvasOffscreen::PickDirectory(std::string& directory)
{
  directory.clear();
}

bool ICanvasOffscreen::PickColor(IColorARGB& /*color*/, const char* /*prompt*/,
                                 std::function<void(const IColorARGB&)> /*completion*/)
{
  return false;
}

bool ICanvasOffscreen::OpenWebAddress(const char* /*url*/, const char* /*windowTitle*/, const char* /*confirmText*/,
                                      const char* /*errorText*/)
{
  return false;
}

std::unique_ptr<PlatformFont> ICanvasOffscreen::LoadSystemFont(const char* /*fontId*/, const char* /*family*/,
                                                               int /*style*/)
{
  return nullptr; // no system fonts without a window system
}

void ICanvasOffscreen::CacheSystemFont(const char* /*fontId*/, PlatformFont& /*font*/) {}

void ICanvasOffscreen::OpenPlatformTextEdit(int /*paramIdx*/, const ITextStyle& /*style*/, const IRectF& /*bounds*/,
                                            int /*maxLength*/, const char* /*text*/)
{
}

IPopupMenu* ICanvasOffscreen::OpenPlatformMenu(IPopupMenu& /*menu*/, const IRectF& /*bounds*/)
{
  return nullptr;
}

} // namespace lumen::canvas
