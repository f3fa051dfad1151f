#include "IOffscreenGLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <glad/gl.h>

#include <cstring>
#include <mutex>

namespace lumen::canvas {

namespace {

bool HasExtension(const char* list, const char* name)
{
  if (list == nullptr) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
    const bool startsWord = p == list || p[-1] == ' ';
    const bool endsWord = p[n] == ' ' || p[n] == '\0';
    if (startsWord && endsWord) return true;
  }
  return false;
}

// The surfaceless display is process-wide and stays initialised for the life of the process:
// terminating it would destroy the contexts of every other editor, and initialising it again
// for each editor that opens costs far more than keeping it.
EGLDisplay SurfacelessDisplay(std::string& error)
{
  static std::mutex lock;
  static EGLDisplay display = EGL_NO_DISPLAY;
  static std::string failure;
  static bool tried = false;
  std::lock_guard<std::mutex> guard(lock);
  if (!tried) {
    tried = true;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless") || getPlatformDisplay == nullptr) {
      failure = "EGL has no surfaceless platform (Mesa's EGL is needed)";
    } else {
      EGLDisplay candidate = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      EGLint major = 0, minor = 0;
      if (candidate == EGL_NO_DISPLAY || eglInitialize(candidate, &major, &minor) != EGL_TRUE) {
        failure = "the surfaceless EGL display cannot be initialised";
      } else if (!HasExtension(eglQueryString(candidate, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
        failure = "EGL cannot make a context current without a surface";
      } else {
        display = candidate;
      }
    }
  }
  error = failure;
  return display;
}

} // namespace

struct IOffscreenGLContext::State {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  EGLDisplay previousDisplay = EGL_NO_DISPLAY;
  EGLContext previousContext = EGL_NO_CONTEXT;
  EGLSurface previousDraw = EGL_NO_SURFACE;
  EGLSurface previousRead = EGL_NO_SURFACE;
  int depth = 0; // nested MakeCurrent calls; the outermost pair saves and restores
};

std::unique_ptr<IOffscreenGLContext> IOffscreenGLContext::Create(std::string& error)
{
  EGLDisplay display = SurfacelessDisplay(error);
  if (display == EGL_NO_DISPLAY) return nullptr;

  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    error = "EGL offers no desktop OpenGL";
    return nullptr;
  }
  const EGLint configAttributes[] = {
    EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
    EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
    EGL_STENCIL_SIZE, 8,
    EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1) {
    error = "EGL has no configuration for desktop OpenGL";
    return nullptr;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    error = "EGL cannot create an OpenGL 2.1 context";
    return nullptr;
  }

  auto state = std::make_unique<State>();
  state->display = display;
  state->context = context;
  std::unique_ptr<IOffscreenGLContext> result(new IOffscreenGLContext(std::move(state)));
  if (!result->MakeCurrent()) {
    error = "the OpenGL context cannot be made current";
    return nullptr;
  }
  const int version = gladLoadGL(reinterpret_cast<GLADloadfunc>(eglGetProcAddress));
  const bool usable = version != 0 && GLAD_VERSION_MAJOR(version) * 10 + GLAD_VERSION_MINOR(version) >= 21 &&
                      (GLAD_GL_ARB_framebuffer_object || GLAD_GL_EXT_framebuffer_object) &&
                      glGenFramebuffers != nullptr;
  if (!usable) {
    result->Release();
    error = version == 0 ? "the OpenGL entry points cannot be loaded"
                         : "the OpenGL context offers neither OpenGL 2.1 nor framebuffer objects";
    return nullptr;
  }
  return result;
}

IOffscreenGLContext::IOffscreenGLContext(std::unique_ptr<State> state) : mState(std::move(state)) {}

IOffscreenGLContext::~IOffscreenGLContext()
{
  eglBindAPI(EGL_OPENGL_API);
  if (eglGetCurrentContext() == mState->context) {
    eglMakeCurrent(mState->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  eglDestroyContext(mState->display, mState->context);
}

// Only desktop OpenGL is used in this process's EGL calls, so the bound API stays OpenGL.
bool IOffscreenGLContext::MakeCurrent()
{
  eglBindAPI(EGL_OPENGL_API);
  if (mState->depth == 0) {
    mState->previousDisplay = eglGetCurrentDisplay();
    mState->previousContext = eglGetCurrentContext();
    mState->previousDraw = eglGetCurrentSurface(EGL_DRAW);
    mState->previousRead = eglGetCurrentSurface(EGL_READ);
  }
  if (eglMakeCurrent(mState->display, EGL_NO_SURFACE, EGL_NO_SURFACE, mState->context) != EGL_TRUE) return false;
  ++mState->depth;
  return true;
}

void IOffscreenGLContext::Release()
{
  if (mState->depth == 0) return;
  if (--mState->depth > 0) return;
  if (mState->previousContext != EGL_NO_CONTEXT && mState->previousContext != mState->context) {
    eglMakeCurrent(mState->previousDisplay, mState->previousDraw, mState->previousRead, mState->previousContext);
  } else if (mState->previousContext == EGL_NO_CONTEXT) {
    eglMakeCurrent(mState->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  mState->previousContext = EGL_NO_CONTEXT;
}

std::string IOffscreenGLContext::RendererName() const
{
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name != nullptr ? name : "";
}

} // namespace lumen::canvas
