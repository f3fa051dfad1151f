#pragma once

#include "ICanvasNanoVG.h"
#include "IPixelImage.h"

#include <memory>
#include <string>

namespace lumen::canvas {

class IOffscreenGLContext;

// An editor surface without a window, for tests, tools and benchmarks: it draws with the NanoVG
// backend into an OpenGL context of its own (EGL, Mesa's surfaceless platform), and its "window"
// is a framebuffer object of the window's pixel size. The screen scale is 1.
//
// Opening creates the context, NanoVG and the draw targets and runs the delegate's layout; it
// returns null (with the reason in LastError) when OpenGL is unusable. Drawing is explicit:
// DrawFullFrame redraws everything, DrawDirty does what one display tick does. Platform services
// with no meaning offscreen (menus, dialogs, text entry, cursor) do nothing and report nothing
// chosen. Everything runs on the thread that opened it.
class ICanvasOffscreen : public ICanvasNanoVG {
public:
  ICanvasOffscreen(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale);
  ~ICanvasOffscreen() override;

  // ---- Window ------------------------------------------------------------------------------------------

  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() const override;
  const std::string& LastError() const { return mError; }
  // The OpenGL renderer's name ("llvmpipe ..."), empty while closed.
  std::string RendererName() const;

  // ---- Drawing and reading back -------------------------------------------------------------------------

  // Draws every control over the whole editor; false while closed or without a draw target.
  bool DrawFullFrame();
  // One display tick: animations, dirty regions, and the redraw of those regions. Returns the
  // regions drawn (none when nothing was dirty).
  IRectFList DrawDirty();
  // The main framebuffer (the persistent copy of the window) and the window itself; empty while
  // closed.
  IPixelImage ReadMainFramebuffer();
  IPixelImage ReadWindow();

  // ---- Platform operations -------------------------------------------------------------------------------

  void GetMousePosition(float& x, float& y) const override;
  void HidePointer(bool hide, bool lock) override;
  void MovePointer(float x, float y) override;
  void AbortTextEntry() override {}
  bool ReadClipboardText(std::string& text) override;
  bool WriteClipboardText(const std::string& text) override;
  int ShowAlert(const char* text, const char* caption, int type, std::function<void(int)> completion = {}) override;
  void PickFile(std::string& fileName, std::string& directory, int action, const char* extensions) override;
  void PickDirectory(std::string& directory) override;
  bool PickColor(IColorARGB& color, const char* prompt, std::function<void(const IColorARGB&)> completion = {}) override;
  bool OpenWebAddress(const char* url, const char* windowTitle, const char* confirmText = nullptr,
                      const char* errorText = nullptr) override;
  const char* PlatformName() const override { return "Offscreen"; }
  std::unique_ptr<PlatformFont> LoadSystemFont(const char* fontId, const char* family, int style) override;
  void CacheSystemFont(const char* fontId, PlatformFont& font) override;
  void MakeGLContextCurrent() override;
  void ReleaseGLContext() override;
  void OpenPlatformTextEdit(int paramIdx, const ITextStyle& style, const IRectF& bounds, int maxLength,
                            const char* text) override;
  IPopupMenu* OpenPlatformMenu(IPopupMenu& menu, const IRectF& bounds) override;
  // Menus are drawn like on Linux, so pictures of the editor can show an open one.
  bool DrawsMenus() const override { return true; }
  void ResizeDrawTarget() override;

protected:
  unsigned WindowFramebuffer() const override { return mWindowFB; }

private:
  IPixelImage ReadFramebuffer(unsigned framebuffer);
  void DeleteWindowFramebuffer();
  bool CreateWindowFramebuffer();

  std::unique_ptr<IOffscreenGLContext> mGL;
  std::string mError;
  std::string mClipboard;
  unsigned mWindowFB = 0;
  unsigned mWindowColor = 0;
  unsigned mWindowStencil = 0;
  float mMouseX = 0.0f;
  float mMouseY = 0.0f;
};

} // namespace lumen::canvas
