#pragma once

#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace lumen::canvas {

// The OpenGL context of one editor window: a double-buffered RGBA pixel format with depth and
// stencil on the window's device context, a WGL context, and the OpenGL entry points loaded
// through opengl32 (wglGetProcAddress, with opengl32's own exports for the 1.1 functions that
// wglGetProcAddress does not give out).
//
// Threads: the editor's user-interface thread only.
//
// Failure: Create returns false with a reason and leaves nothing behind when the pixel format,
// the context, making it current or loading OpenGL 2.1 fails.
class WinGLContext {
public:
  WinGLContext() = default;
  ~WinGLContext();
  WinGLContext(const WinGLContext&) = delete;
  WinGLContext& operator=(const WinGLContext&) = delete;

  // window must have a device context of its own (CS_OWNDC). Leaves no context current.
  bool Create(HWND window, std::string& error);
  // Deletes the context (made not current first when it is).
  void Destroy();
  bool Valid() const { return mContext != nullptr; }
  HGLRC Handle() const { return mContext; }

  // Remembers the context and device context current now, then makes this one current on the
  // window's device context. Nested calls keep the first remembered pair.
  bool MakeCurrent();
  // Back to the remembered pair (or to none).
  void Release();
  bool IsCurrent() const { return mDepth > 0; }
  void SwapBuffers();

private:
  HWND mWindow = nullptr;
  HDC mDC = nullptr;
  HGLRC mContext = nullptr;
  HDC mPreviousDC = nullptr;
  HGLRC mPreviousContext = nullptr;
  int mDepth = 0;
};

} // namespace lumen::canvas
