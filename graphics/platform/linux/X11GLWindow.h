#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace lumen::canvas {

// The editor's child window inside the host's window, with the OpenGL context the backend draws
// with: a double-buffered RGBA visual with a stencil buffer (NanoVG fills paths through the stencil)
// and a context that offers at least OpenGL 2.1, whose entry points are loaded into the generated
// loader.
//
// Only the thread that created it uses it (the host's user-interface thread). MakeCurrent remembers
// the context that was current before (the host may draw with OpenGL itself) and Release puts it
// back.
class X11GLWindow {
public:
  // The child window, unmapped, at width x height pixels, selecting eventMask; null with the reason
  // in error when the server has no usable visual, no 2.1 context or refuses the window.
  static std::unique_ptr<X11GLWindow> Create(Display* display, Window parent, int width, int height, long eventMask,
                                             std::string& error);
  ~X11GLWindow();
  X11GLWindow(const X11GLWindow&) = delete;
  X11GLWindow& operator=(const X11GLWindow&) = delete;

  Window Handle() const { return mWindow; }
  bool MakeCurrent();
  void Release();
  bool IsCurrent() const { return mCurrent; }
  void SwapBuffers();
  // Whether the server copies parts of the back buffer to the window (GLX_MESA_copy_sub_buffer):
  // then the back buffer keeps its pixels between presents and a frame shows only what it drew.
  bool CanCopyParts() const { return mCopySubBuffer != nullptr; }
  // Copies the rectangle x, y (bottom-left corner, OpenGL's window pixels), w x h of the back buffer
  // onto the window. The context must be current; nothing without CanCopyParts.
  void CopyPart(int x, int y, int w, int h);
  // The renderer's name as OpenGL reports it (context current).
  static std::string RendererName();

private:
  X11GLWindow(Display* display) : mDisplay(display) {}

  Display* mDisplay;
  Window mWindow = 0;
  Colormap mColormap = 0;
  void* mConfig = nullptr;  // GLXFBConfig
  void* mContext = nullptr; // GLXContext
  // glXCopySubBufferMESA when the server and the library offer it.
  void (*mCopySubBuffer)(Display*, unsigned long, int, int, int, int) = nullptr;
  // What was current before MakeCurrent.
  Display* mPreviousDisplay = nullptr;
  unsigned long mPreviousDrawable = 0;
  void* mPreviousContext = nullptr;
  bool mCurrent = false;
};

} // namespace lumen::canvas
