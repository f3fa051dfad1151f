// What the core asks of the platform besides the window: cursor, pointer, clipboard, web
// addresses, fonts, tooltips and the prompts.
#include "ICanvasX11.h"

#include "XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/cursorfont.h>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cmath>
#include <cstring>

extern char** environ;

namespace lumen::canvas {

namespace {

unsigned FontCursorShape(int kind) {
  switch (kind) {
  case kCursorIBeam: return XC_xterm;
  case kCursorWait:
  case kCursorAppStarting: return XC_watch;
  case kCursorCross: return XC_crosshair;
  case kCursorUpArrow: return XC_sb_up_arrow;
  case kCursorSizeNWSE: return XC_bottom_right_corner;
  case kCursorSizeNESW: return XC_bottom_left_corner;
  case kCursorSizeWE: return XC_sb_h_double_arrow;
  case kCursorSizeNS: return XC_sb_v_double_arrow;
  case kCursorSizeAll: return XC_fleur;
  case kCursorNo: return XC_X_cursor;
  case kCursorHand: return XC_hand2;
  case kCursorHelp: return XC_question_arrow;
  default: return XC_left_ptr;
  }
}

// Runs a program on an argument without a shell reading the argument, and without leaving a
// zombie: the shell in between starts it in the background and ends at once.
bool RunDetached(const char* program, const std::string& argument) {
  const std::string script = std::string(program) + " \"$1\" >/dev/null 2>&1 &";
  const char* argv[] = {"/bin/sh", "-c", script.c_str(), "sh", argument.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// ---- Pointer ------------------------------------------------------------------------------------------------

void ICanvasX11::GetMousePosition(float& x, float& y) const {
  x = LastMouseX();
  y = LastMouseY();
}

unsigned long ICanvasX11::CursorFor(int kind) {
  const auto found = mCursors.find(kind);
  if (found != mCursors.end()) return found->second;
  const Cursor cursor = XCreateFontCursor(mDisplay, FontCursorShape(kind));
  mCursors[kind] = cursor;
  return cursor;
}

int ICanvasX11::SetPointerKind(int kind) {
  const int previous = ICanvas::SetPointerKind(kind);
  if (mWindow && !CursorHidden()) {
    XErrorTrap trap(mDisplay);
    XDefineCursor(mDisplay, XWindow(), CursorFor(kind));
  }
  return previous;
}

void ICanvasX11::HidePointer(bool hide, bool lock) {
  if (!mWindow) return;
  XErrorTrap trap(mDisplay);
  if (hide) {
    mHiddenX = LastMouseX();
    mHiddenY = LastMouseY();
    mPointerLocked = lock;
    if (mBlankCursor == 0) {
      const char empty[1] = {0};
      const Pixmap pixmap = XCreateBitmapFromData(mDisplay, XWindow(), empty, 1, 1);
      XColor black{};
      mBlankCursor = XCreatePixmapCursor(mDisplay, pixmap, pixmap, &black, &black, 0, 0);
      XFreePixmap(mDisplay, pixmap);
    }
    XDefineCursor(mDisplay, XWindow(), mBlankCursor);
  } else {
    if (mPointerLocked) MovePointer(mHiddenX, mHiddenY);
    mPointerLocked = false;
    XDefineCursor(mDisplay, XWindow(), CursorFor(CursorKind()));
  }
  XFlush(mDisplay);
}

void ICanvasX11::MovePointer(float x, float y) {
  if (!mWindow) return;
  XErrorTrap trap(mDisplay);
  const float scale = TotalScale();
  mWarpSerial = NextRequest(mDisplay);
  XWarpPointer(mDisplay, None, XWindow(), 0, 0, 0, 0, static_cast<int>(std::lround(x * scale)),
               static_cast<int>(std::lround(y * scale)));
  XFlush(mDisplay);
  SetLastMousePosition(x, y);
}

// ---- Clipboard ------------------------------------------------------------------------------------------------

bool ICanvasX11::WriteClipboardText(const std::string& text) {
  if (!mWindow) return false;
  XErrorTrap trap(mDisplay);
  mClipboard = text;
  const Atom clipboard = Intern("CLIPBOARD");
  if (text.empty()) {
    // Nothing to offer: give the selection up, leaving the clipboard empty.
    if (XGetSelectionOwner(mDisplay, clipboard) == XWindow()) XSetSelectionOwner(mDisplay, clipboard, None, CurrentTime);
    return false;
  }
  XSetSelectionOwner(mDisplay, clipboard, XWindow(), CurrentTime);
  return XGetSelectionOwner(mDisplay, clipboard) == XWindow();
}

bool ICanvasX11::ReadClipboardText(std::string& text) {
  text.clear();
  if (!mWindow) return false;
  XErrorTrap trap(mDisplay);
  const Atom clipboard = Intern("CLIPBOARD");
  const Window owner = XGetSelectionOwner(mDisplay, clipboard);
  if (owner == None) return false;
  if (owner == XWindow()) {
    text = mClipboard;
    return !text.empty();
  }
  const Atom utf8 = Intern("UTF8_STRING");
  const Atom property = Intern("LUMEN_CLIPBOARD");
  XConvertSelection(mDisplay, clipboard, utf8, property, XWindow(), CurrentTime);
  XFlush(mDisplay);
  // The owner answers through the server; a user waits at most a moment for a dead owner.
  XEvent event;
  bool answered = false;
  for (int waited = 0; waited < 500 && !answered; waited += 10) {
    if (XCheckTypedWindowEvent(mDisplay, XWindow(), SelectionNotify, &event)) {
      answered = true;
      break;
    }
    pollfd fd{ConnectionNumber(mDisplay), POLLIN, 0};
    poll(&fd, 1, 10);
  }
  if (!answered || event.xselection.property == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(mDisplay, XWindow(), property, 0, 1 << 20, True, AnyPropertyType, &type, &format, &items,
                         &remaining, &data) == Success && data != nullptr) {
    if (format == 8 && (type == utf8 || type == XA_STRING)) text.assign(reinterpret_cast<const char*>(data), items);
    XFree(data);
  }
  return !text.empty();
}

// ---- Web addresses and folders -----------------------------------------------------------------------------------

bool ICanvasX11::OpenWebAddress(const char* url, const char* /*windowTitle*/, const char* /*confirmText*/,
                                const char* /*errorText*/) {
  if (url == nullptr || *url == '\0') return false;
  return RunDetached("xdg-open", url);
}

bool ICanvasX11::RevealPathInExplorer(const char* path, bool select) {
  if (path == nullptr || *path == '\0') return false;
  std::string folder = path;
  // File managers differ in how they select a file; its folder opens everywhere.
  if (select) {
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) folder.erase(slash);
  }
  return RunDetached("xdg-open", folder);
}

// ---- Dialogs the editor never uses: empty results ---------------------------------------------------------------

int ICanvasX11::ShowAlert(const char* /*text*/, const char* /*caption*/, int /*type*/,
                          std::function<void(int)> /*completion*/) {
  DropCaptures();
  return 0;
}

void ICanvasX11::PickFile(std::string& fileName, std::string& /*directory*/, int /*action*/,
                          const char* /*extensions*/) {
  DropCaptures();
  fileName.clear();
}

void ICanvasX11::PickDirectory(std::string& directory) {
  DropCaptures();
  directory.clear();
}

bool ICanvasX11::PickColor(IColorARGB& /*color*/, const char* /*prompt*/,
                           std::function<void(const IColorARGB&)> /*completion*/) {
  DropCaptures();
  return false;
}

// ---- Fonts --------------------------------------------------------------------------------------------------------

std::unique_ptr<PlatformFont> ICanvasX11::LoadSystemFont(const char* /*fontId*/, const char* /*family*/, int /*style*/) {
  return nullptr; // the editor brings its own font
}

void ICanvasX11::CacheSystemFont(const char* /*fontId*/, PlatformFont& /*font*/) {}

// ---- Prompts ------------------------------------------------------------------------------------------------------

void ICanvasX11::OpenPlatformTextEdit(int /*paramIdx*/, const ITextStyle& /*style*/, const IRectF& /*bounds*/,
                                      int /*maxLength*/, const char* /*text*/) {
  // The editor's text entry is the core's own control, drawn in the window; without one there is
  // no entry, and the prompt ends at once so its gesture closes.
  CancelTextEdit();
}

void ICanvasX11::AbortTextEntry() { CancelTextEdit(); }

IPopupMenu* ICanvasX11::OpenPlatformMenu(IPopupMenu& /*menu*/, const IRectF& /*bounds*/) {
  // Menus are the surface's own drawn control (DrawsMenus): a native one would need a loop of its
  // own, holding the host's thread while it is open.
  return nullptr;
}

// ---- Tooltips -----------------------------------------------------------------------------------------------------

void ICanvasX11::ShowTooltip(const char* text) {
  if (!mWindow || text == nullptr || *text == '\0') return;
  HideTooltip();
  XErrorTrap trap(mDisplay);
  const int screen = DefaultScreen(mDisplay);
  XFontStruct* font = XLoadQueryFont(mDisplay, "fixed");
  const int length = static_cast<int>(std::strlen(text));
  const int width = (font ? XTextWidth(font, text, length) : 6 * length) + 8;
  const int height = (font ? font->ascent + font->descent : 13) + 6;
  int rootX = 0;
  int rootY = 0;
  Window child = 0;
  const float scale = TotalScale();
  XTranslateCoordinates(mDisplay, XWindow(), RootWindow(mDisplay, screen), static_cast<int>(LastMouseX() * scale),
                        static_cast<int>(LastMouseY() * scale), &rootX, &rootY, &child);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = 0xFFFFE1;
  attributes.border_pixel = BlackPixel(mDisplay, screen);
  mTooltip = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), rootX + 12, rootY + 20, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 1, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWBackPixel | CWBorderPixel, &attributes);
  XMapRaised(mDisplay, mTooltip);
  GC gc = XCreateGC(mDisplay, mTooltip, 0, nullptr);
  XSetForeground(mDisplay, gc, BlackPixel(mDisplay, screen));
  if (font) XSetFont(mDisplay, gc, font->fid);
  XSync(mDisplay, False);
  XDrawString(mDisplay, mTooltip, gc, 4, 3 + (font ? font->ascent : 10), text, length);
  XFreeGC(mDisplay, gc);
  if (font) XFreeFont(mDisplay, font);
  XFlush(mDisplay);
  mTooltipShown = true;
}

void ICanvasX11::HideTooltip() {
  if (mTooltip != 0 && mDisplay != nullptr) {
    XErrorTrap trap(mDisplay);
    XDestroyWindow(mDisplay, mTooltip);
  }
  mTooltip = 0;
  mTooltipShown = false;
}

} // namespace lumen::canvas
