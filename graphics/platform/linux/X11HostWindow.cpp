#include "X11HostWindow.h"

#include <X11/Xlib.h>

namespace lumen::canvas {

std::unique_ptr<X11HostWindow> X11HostWindow::Create(int width, int height) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  std::unique_ptr<X11HostWindow> host(new X11HostWindow);
  host->mDisplay = display;
  const int screen = DefaultScreen(display);
  host->mWindow = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                      BlackPixel(display, screen));
  XSelectInput(display, host->mWindow, StructureNotifyMask | KeyPressMask);
  XMapWindow(display, host->mWindow);
  // Mapped before anyone draws into it.
  XEvent event;
  do {
    XWindowEvent(display, host->mWindow, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  return host;
}

X11HostWindow::~X11HostWindow() {
  Destroy();
  if (mDisplay != nullptr) XCloseDisplay(mDisplay);
}

void X11HostWindow::Resize(int width, int height) {
  if (mWindow == 0) return;
  XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(mDisplay, False);
}

void* X11HostWindow::AddBareChild(int width, int height) {
  if (mWindow == 0) return nullptr;
  const int screen = DefaultScreen(mDisplay);
  const Window child = XCreateSimpleWindow(mDisplay, mWindow, 0, 0, static_cast<unsigned>(width),
                                           static_cast<unsigned>(height), 0, BlackPixel(mDisplay, screen),
                                           BlackPixel(mDisplay, screen));
  XMapWindow(mDisplay, child);
  XSync(mDisplay, False);
  return reinterpret_cast<void*>(static_cast<uintptr_t>(child));
}

int X11HostWindow::ChildCount() const {
  if (mWindow == 0) return 0;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count)) return 0;
  if (children != nullptr) XFree(children);
  return static_cast<int>(count);
}

bool X11HostWindow::ChildSize(int& width, int& height) const {
  if (mWindow == 0) return false;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count) || count == 0) return false;
  XWindowAttributes attributes{};
  const bool ok = XGetWindowAttributes(mDisplay, children[0], &attributes) != 0;
  XFree(children);
  width = attributes.width;
  height = attributes.height;
  return ok;
}

int X11HostWindow::KeyPresses() {
  if (mWindow == 0) return mKeyPresses;
  XEvent event;
  while (XCheckTypedWindowEvent(mDisplay, mWindow, KeyPress, &event)) ++mKeyPresses;
  return mKeyPresses;
}

bool X11HostWindow::ChildHasFocus() const {
  if (mWindow == 0) return false;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(mDisplay, &focus, &revert);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count) || count == 0) return false;
  const bool focused = focus == children[0];
  XFree(children);
  return focused;
}

namespace {

Window FirstChild(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count) || count == 0) return 0;
  const Window child = children[0];
  XFree(children);
  return child;
}

} // namespace

void X11HostWindow::SendXEmbed(long message, long detail, long data1) {
  if (mWindow == 0) return;
  const Window child = FirstChild(mDisplay, mWindow);
  if (child == 0) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = child;
  event.xclient.message_type = XInternAtom(mDisplay, "_XEMBED", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = message;
  event.xclient.data.l[2] = detail;
  event.xclient.data.l[3] = data1;
  XSendEvent(mDisplay, child, False, NoEventMask, &event);
  XSync(mDisplay, False);
}

int X11HostWindow::XEmbedFocusRequests() {
  if (mWindow == 0) return mFocusRequests;
  const Atom xembed = XInternAtom(mDisplay, "_XEMBED", False);
  XEvent event;
  while (XCheckTypedWindowEvent(mDisplay, mWindow, ClientMessage, &event)) {
    if (event.xclient.message_type == xembed && event.xclient.data.l[1] == 3) ++mFocusRequests;
  }
  return mFocusRequests;
}

void X11HostWindow::Destroy() {
  if (mWindow == 0) return;
  XDestroyWindow(mDisplay, mWindow);
  XSync(mDisplay, False);
  mWindow = 0;
}

void X11HostWindow::Sync() const { XSync(mDisplay, False); }

} // namespace lumen::canvas
