// The loader's declarations first: the Windows headers then find OpenGL already declared.
#include <glad/gl.h>

#include "WinGLContext.h"

namespace lumen::canvas {

namespace {

// opengl32 stays loaded while any context exists; the handle is only used for lookups.
HMODULE gOpenGL = nullptr;

GLADapiproc LoadGLFunction(const char* name) {
  PROC proc = wglGetProcAddress(name);
  // Failures come back as null or as the small values 1, 2, 3 and -1 on some drivers.
  const auto value = reinterpret_cast<intptr_t>(proc);
  if (proc == nullptr || value == 1 || value == 2 || value == 3 || value == -1) {
    proc = gOpenGL != nullptr ? GetProcAddress(gOpenGL, name) : nullptr;
  }
  return reinterpret_cast<GLADapiproc>(proc);
}

bool ChooseAndSetPixelFormat(HDC dc) {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.cAuxBuffers = 0;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(dc, &pfd);
  return format != 0 && SetPixelFormat(dc, format, &pfd) != FALSE;
}

} // namespace

WinGLContext::~WinGLContext() { Destroy(); }

bool WinGLContext::Create(HWND window, std::string& error) {
  Destroy();
  mWindow = window;
  mDC = GetDC(window);
  if (mDC == nullptr) {
    error = "the editor window has no device context";
    mWindow = nullptr;
    return false;
  }
  if (!ChooseAndSetPixelFormat(mDC)) {
    error = "no double-buffered OpenGL pixel format for the editor window";
    Destroy();
    return false;
  }
  mContext = wglCreateContext(mDC);
  if (mContext == nullptr) {
    error = "no OpenGL context for the editor window";
    Destroy();
    return false;
  }
  if (!MakeCurrent()) {
    error = "the editor's OpenGL context cannot be made current";
    Destroy();
    return false;
  }
  HMODULE openGL = LoadLibraryW(L"opengl32.dll");
  gOpenGL = openGL;
  const int version = openGL != nullptr ? gladLoadGL(LoadGLFunction) : 0;
  gOpenGL = nullptr;
  if (openGL != nullptr) FreeLibrary(openGL); // the context keeps its own reference
  const int major = GLAD_VERSION_MAJOR(version);
  const int minor = GLAD_VERSION_MINOR(version);
  if (version == 0 || major < 2 || (major == 2 && minor < 1)) {
    error = "the OpenGL context offers less than version 2.1";
    Release();
    Destroy();
    return false;
  }
  glGetError(); // clears what loading may have left
  Release();
  return true;
}

void WinGLContext::Destroy() {
  while (mDepth > 0) Release();
  if (mContext != nullptr) {
    if (wglGetCurrentContext() == mContext) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(mContext);
    mContext = nullptr;
  }
  if (mDC != nullptr && mWindow != nullptr) ReleaseDC(mWindow, mDC);
  mDC = nullptr;
  mWindow = nullptr;
}

bool WinGLContext::MakeCurrent() {
  if (mContext == nullptr || mDC == nullptr) return false;
  if (mDepth > 0) {
    ++mDepth;
    return true;
  }
  mPreviousDC = wglGetCurrentDC();
  mPreviousContext = wglGetCurrentContext();
  if (!wglMakeCurrent(mDC, mContext)) return false;
  mDepth = 1;
  return true;
}

void WinGLContext::Release() {
  if (mDepth == 0) return;
  if (--mDepth > 0) return;
  if (mPreviousContext != nullptr && mPreviousDC != nullptr && mPreviousContext != mContext) {
    wglMakeCurrent(mPreviousDC, mPreviousContext);
  } else {
    wglMakeCurrent(nullptr, nullptr);
  }
  mPreviousDC = nullptr;
  mPreviousContext = nullptr;
}

void WinGLContext::SwapBuffers() {
  if (mDC != nullptr) ::SwapBuffers(mDC);
}

} // namespace lumen::canvas
