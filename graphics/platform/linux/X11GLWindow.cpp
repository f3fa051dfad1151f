// The loader's declarations first: GL/glx.h then finds OpenGL already declared.
#include <glad/gl.h>

#include "X11GLWindow.h"

#include <GL/glx.h>

namespace lumen::canvas {

namespace {

GLADapiproc LoadGLFunction(const char* name) {
  return reinterpret_cast<GLADapiproc>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

GLXFBConfig ChooseConfig(Display* display, int screen) {
  const int attributes[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                            GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                            GLX_ALPHA_SIZE, 8, GLX_STENCIL_SIZE, 8, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
  if (configs == nullptr) return nullptr;
  GLXFBConfig chosen = count > 0 ? configs[0] : nullptr;
  XFree(configs);
  return chosen;
}

// Whether the space-separated extension list of the screen names extension exactly.
bool HasExtension(Display* display, int screen, const std::string& extension) {
  const char* list = glXQueryExtensionsString(display, screen);
  if (list == nullptr) return false;
  const std::string names = std::string(" ") + list + " ";
  return names.find(" " + extension + " ") != std::string::npos;
}

} // namespace

std::unique_ptr<X11GLWindow> X11GLWindow::Create(Display* display, Window parent, int width, int height,
                                                 long eventMask, std::string& error) {
  int glxMajor = 0;
  int glxMinor = 0;
  if (!glXQueryVersion(display, &glxMajor, &glxMinor) || glxMajor < 1 || (glxMajor == 1 && glxMinor < 3)) {
    error = "the X server offers no GLX 1.3";
    return nullptr;
  }
  const int screen = DefaultScreen(display);
  GLXFBConfig config = ChooseConfig(display, screen);
  if (config == nullptr) {
    error = "no double-buffered GLX visual with a stencil buffer";
    return nullptr;
  }
  XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
  if (visual == nullptr) {
    error = "the GLX visual has no X visual";
    return nullptr;
  }

  std::unique_ptr<X11GLWindow> window(new X11GLWindow(display));
  window->mConfig = config;
  window->mColormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
  XSetWindowAttributes attributes{};
  attributes.colormap = window->mColormap;
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.event_mask = eventMask;
  window->mWindow = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width > 0 ? width : 1),
                                  static_cast<unsigned>(height > 0 ? height : 1), 0, visual->depth, InputOutput,
                                  visual->visual, CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
  XFree(visual);
  if (window->mWindow == 0) {
    error = "the X server refused the editor window";
    return nullptr;
  }
  window->mContext = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  if (window->mContext == nullptr) {
    error = "no OpenGL context for the editor window";
    return nullptr;
  }
  if (!window->MakeCurrent()) {
    error = "the editor's OpenGL context cannot be made current";
    return nullptr;
  }
  if (HasExtension(display, screen, "GLX_MESA_copy_sub_buffer")) {
    window->mCopySubBuffer = reinterpret_cast<void (*)(Display*, unsigned long, int, int, int, int)>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
  }
  const int version = gladLoadGL(LoadGLFunction);
  const int major = GLAD_VERSION_MAJOR(version);
  const int minor = GLAD_VERSION_MINOR(version);
  window->Release();
  if (version == 0 || major < 2 || (major == 2 && minor < 1)) {
    error = "the OpenGL context offers less than version 2.1";
    return nullptr;
  }
  return window;
}

X11GLWindow::~X11GLWindow() {
  if (mCurrent) Release();
  if (mContext != nullptr) {
    if (glXGetCurrentContext() == static_cast<GLXContext>(mContext)) glXMakeCurrent(mDisplay, None, nullptr);
    glXDestroyContext(mDisplay, static_cast<GLXContext>(mContext));
  }
  if (mWindow != 0) XDestroyWindow(mDisplay, mWindow);
  if (mColormap != 0) XFreeColormap(mDisplay, mColormap);
}

bool X11GLWindow::MakeCurrent() {
  if (mContext == nullptr || mWindow == 0) return false;
  if (!mCurrent) {
    mPreviousDisplay = glXGetCurrentDisplay();
    mPreviousDrawable = glXGetCurrentDrawable();
    mPreviousContext = glXGetCurrentContext();
  }
  mCurrent = glXMakeCurrent(mDisplay, mWindow, static_cast<GLXContext>(mContext)) == True;
  return mCurrent;
}

void X11GLWindow::Release() {
  if (!mCurrent) return;
  mCurrent = false;
  if (mPreviousContext != nullptr && mPreviousDisplay != nullptr) {
    glXMakeCurrent(mPreviousDisplay, mPreviousDrawable, static_cast<GLXContext>(mPreviousContext));
  } else {
    glXMakeCurrent(mDisplay, None, nullptr);
  }
  mPreviousDisplay = nullptr;
  mPreviousDrawable = 0;
  mPreviousContext = nullptr;
}

void X11GLWindow::SwapBuffers() {
  if (mWindow != 0) glXSwapBuffers(mDisplay, mWindow);
}

void X11GLWindow::CopyPart(int x, int y, int w, int h) {
  if (mWindow != 0 && mCopySubBuffer != nullptr && w > 0 && h > 0) mCopySubBuffer(mDisplay, mWindow, x, y, w, h);
}

std::string X11GLWindow::RendererName() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name != nullptr ? name : "";
}

} // namespace lumen::canvas
