#include "X11PopupMenu.h"

#include "Utf8.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace lumen::canvas {

namespace {

constexpr int kPadding = 6;
constexpr int kCheckWidth = 18;
constexpr unsigned long kBackground = 0xF2F2F2;
constexpr unsigned long kHighlight = 0x3C78D8;
constexpr unsigned long kText = 0x101010;
constexpr unsigned long kDimmed = 0x909090;

struct Layout {
  int rowHeight = 0;
  int width = 0;
  int height = 0;
  int ascent = 0;
};

// The core fonts every X server has hold Latin-1 only: item texts are UTF-8, so they are drawn in
// Latin-1, with an ellipsis spelt out and any other character beyond it shown as "?".
std::string ToLatin1(const std::string& utf8) {
  std::string out;
  for (const char32_t c : DecodeUtf8(utf8)) {
    if (c == U'\u2026') {
      out += "...";
    } else if (c <= 0xFF) {
      out += static_cast<char>(static_cast<unsigned char>(c));
    } else {
      out += '?';
    }
  }
  return out;
}

std::string ItemText(const IPopupMenu& menu, int i) {
  const IPopupMenu::Item* item = menu.GetItem(i);
  if (item == nullptr) return {};
  const int prefix = menu.Prefix();
  if (prefix < 1 || prefix > 3 || (item->flags & IPopupMenu::kSeparator) != 0) return ToLatin1(item->text);
  char number[8];
  static const char* const formats[] = {"%1d: ", "%02d: ", "%03d: "};
  std::snprintf(number, sizeof(number), formats[prefix - 1], i + 1);
  return number + ToLatin1(item->text);
}

void Draw(Display* display, Window window, GC gc, const IPopupMenu& menu, const Layout& layout,
          int highlighted) {
  XSetForeground(display, gc, kBackground);
  XFillRectangle(display, window, gc, 0, 0, static_cast<unsigned>(layout.width), static_cast<unsigned>(layout.height));
  for (int i = 0; i < menu.NItems(); ++i) {
    const IPopupMenu::Item* item = menu.GetItem(i);
    const int top = kPadding / 2 + i * layout.rowHeight;
    if ((item->flags & IPopupMenu::kSeparator) != 0) {
      XSetForeground(display, gc, kDimmed);
      XDrawLine(display, window, gc, kPadding, top + layout.rowHeight / 2, layout.width - kPadding,
                top + layout.rowHeight / 2);
      continue;
    }
    if (i == highlighted) {
      XSetForeground(display, gc, kHighlight);
      XFillRectangle(display, window, gc, 0, top, static_cast<unsigned>(layout.width),
                     static_cast<unsigned>(layout.rowHeight));
    }
    const bool dimmed = !X11PopupMenu::Selectable(menu, i);
    XSetForeground(display, gc, i == highlighted ? 0xFFFFFF : (dimmed ? kDimmed : kText));
    const int baseline = top + (layout.rowHeight + layout.ascent) / 2 - 1;
    if (item->Checked()) {
      XFillArc(display, window, gc, kPadding + 2, top + layout.rowHeight / 2 - 3, 7, 7, 0, 360 * 64);
    }
    const std::string text = ItemText(menu, i);
    XDrawString(display, window, gc, kPadding + kCheckWidth, baseline, text.c_str(), static_cast<int>(text.size()));
  }
}

int RowAt(const IPopupMenu& menu, const Layout& layout, int x, int y) {
  if (x < 0 || x >= layout.width || y < kPadding / 2) return -1;
  const int row = (y - kPadding / 2) / layout.rowHeight;
  return row < menu.NItems() ? row : -1;
}

int Step(const IPopupMenu& menu, int from, int direction) {
  const int n = menu.NItems();
  for (int k = 1; k <= n; ++k) {
    const int i = ((from < 0 ? (direction > 0 ? -1 : 0) : from) + direction * k + n * k) % n;
    if (X11PopupMenu::Selectable(menu, i)) return i;
  }
  return -1;
}

} // namespace

bool X11PopupMenu::Selectable(const IPopupMenu& menu, int i) {
  const IPopupMenu::Item* item = menu.GetItem(i);
  return item != nullptr && item->submenu == nullptr &&
         (item->flags & (IPopupMenu::kDisabled | IPopupMenu::kTitle | IPopupMenu::kSeparator)) == 0;
}

int X11PopupMenu::Run(Display* display, const IPopupMenu& menu, int x, int y, float screenScale) {
  if (display == nullptr || menu.NItems() == 0) return -1;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  XFontStruct* font = XLoadQueryFont(display, screenScale >= 1.5f ? "10x20" : "fixed");
  if (font == nullptr) font = XLoadQueryFont(display, "fixed");

  Layout layout;
  layout.ascent = font != nullptr ? font->ascent : 10;
  layout.rowHeight = (font != nullptr ? font->ascent + font->descent : 13) + kPadding;
  int textWidth = 40;
  for (int i = 0; i < menu.NItems(); ++i) {
    const std::string text = ItemText(menu, i);
    const int w = font != nullptr ? XTextWidth(font, text.c_str(), static_cast<int>(text.size()))
                                  : 6 * static_cast<int>(text.size());
    textWidth = std::max(textWidth, w);
  }
  layout.width = textWidth + kCheckWidth + 2 * kPadding;
  layout.height = menu.NItems() * layout.rowHeight + kPadding;
  // Kept on the screen: a menu below the bottom edge opens upwards.
  const int screenWidth = DisplayWidth(display, screen);
  const int screenHeight = DisplayHeight(display, screen);
  x = std::clamp(x, 0, std::max(0, screenWidth - layout.width));
  if (y + layout.height > screenHeight) y = std::max(0, y - layout.height);

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = kBackground;
  attributes.border_pixel = kDimmed;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  const Window window = XCreateWindow(display, root, x, y, static_cast<unsigned>(layout.width),
                                      static_cast<unsigned>(layout.height), 1, CopyFromParent, InputOutput,
                                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask,
                                      &attributes);
  GC gc = XCreateGC(display, window, 0, nullptr);
  if (font != nullptr) XSetFont(display, gc, font->fid);
  XMapRaised(display, window);
  XSync(display, False);
  // The pointer and keys belong to the menu until it closes; a server that refuses the grab still
  // gets a menu that works inside its window. Grabbed without owner events: with them, the keys and
  // the clicks over the editor's own window (which has the focus) would be reported to that window
  // and the menu, which reads only its own, would never see Escape or a click outside.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (XGrabPointer(display, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
      break;
    poll(nullptr, 0, 5);
  }
  XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime);

  int highlighted = -1;
  int chosen = -1;
  bool open = true;
  bool movedSinceOpen = false;
  const auto opened = std::chrono::steady_clock::now();
  while (open) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.xany.window != window) continue;
    switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) Draw(display, window, gc, menu, layout, highlighted);
      break;
    case MotionNotify: {
      const int row = RowAt(menu, layout, event.xmotion.x, event.xmotion.y);
      const int next = Selectable(menu, row) ? row : -1;
      movedSinceOpen = true;
      if (next != highlighted) {
        highlighted = next;
        Draw(display, window, gc, menu, layout, highlighted);
      }
      break;
    }
    case ButtonPress:
    case ButtonRelease: {
      const int row = RowAt(menu, layout, event.xbutton.x, event.xbutton.y);
      if (row < 0) {
        // A click outside dismisses; the release of the click that opened the menu does not.
        if (event.type == ButtonPress) open = false;
        break;
      }
      // The release of the press that opened the menu picks only after the pointer moved onto an item.
      const bool early = event.type == ButtonRelease && !movedSinceOpen &&
                         std::chrono::steady_clock::now() - opened < std::chrono::milliseconds(300);
      if (Selectable(menu, row) && !early) {
        chosen = row;
        open = false;
      }
      break;
    }
    case KeyPress: {
      const KeySym key = XLookupKeysym(&event.xkey, 0);
      if (key == XK_Escape) open = false;
      else if (key == XK_Return || key == XK_KP_Enter) {
        chosen = highlighted;
        open = highlighted < 0;
      } else if (key == XK_Down || key == XK_Up) {
        highlighted = Step(menu, highlighted, key == XK_Down ? 1 : -1);
        Draw(display, window, gc, menu, layout, highlighted);
      }
      break;
    }
    default:
      break;
    }
  }
  XUngrabKeyboard(display, CurrentTime);
  XUngrabPointer(display, CurrentTime);
  XFreeGC(display, gc);
  XDestroyWindow(display, window);
  if (font != nullptr) XFreeFont(display, font);
  XSync(display, False);
  return chosen;
}

} // namespace lumen::canvas
