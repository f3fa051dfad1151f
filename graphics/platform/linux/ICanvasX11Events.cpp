// X events of the editor window turned into the core's input calls.
#include "ICanvasX11.h"

#include "IControl.h"
#include "IPopupMenuControl.h"
#include "ITextEntryControl.h"
#include "X11KeyTranslation.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>

namespace lumen::canvas {

namespace {

// The XEmbed messages the editor sends or answers (the protocol's numbers).
constexpr long kXEmbedEmbeddedNotify = 0;
constexpr long kXEmbedWindowActivate = 1;
constexpr long kXEmbedWindowDeactivate = 2;
constexpr long kXEmbedRequestFocus = 3;
constexpr long kXEmbedFocusIn = 4;
constexpr long kXEmbedFocusOut = 5;

// Focus changes that are the user's: not the passing ones of a keyboard grab (another client's
// menu takes one) and not those about windows inside or below the pointer.
bool IsRealFocusChange(const XFocusChangeEvent& event) {
  return (event.mode == NotifyNormal || event.mode == NotifyWhileGrabbed) && event.detail != NotifyInferior &&
         event.detail != NotifyPointer && event.detail != NotifyPointerRoot && event.detail != NotifyDetailNone;
}

unsigned ButtonBit(unsigned button) { return 1u << button; }
bool IsWheel(unsigned button) { return button >= 4 && button <= 7; }
// Up and right turn a knob up, down and left turn it down: one notch per click of the wheel.
float WheelNotches(unsigned button) { return button == 4 || button == 7 ? 1.0f : -1.0f; }

// Where a key the editor does not use goes: the parent or its nearest ancestor that someone listens
// to keys on. Some hosts hand the plug-in a bare window of a second connection inside their toolkit's
// window (Ardour does); a key addressed to that window still travels up to the toolkit's, but the
// toolkit drops it, as it drops every event of a window it does not know. The parent itself when no
// window up to the top listens, or when a window vanished on the way (the caller traps X errors).
Window KeyTarget(Display* display, Window parent) {
  Window window = parent;
  for (int depth = 0; depth < 32; ++depth) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) return parent;
    if ((attributes.all_event_masks & KeyPressMask) != 0) return window;
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &up, &children, &count)) return parent;
    if (children != nullptr) XFree(children);
    if (up == 0 || up == root) return parent;
    window = up;
  }
  return parent;
}

} // namespace

void ICanvasX11::ToLogical(int px, int py, float& x, float& y) const {
  const float scale = TotalScale();
  x = static_cast<float>(px) / scale;
  y = static_cast<float>(py) / scale;
}

IMouseState ICanvasX11::ModifiersOf(unsigned state, unsigned button) const {
  IMouseState mods;
  mods.left = (state & Button1Mask) != 0 || button == Button1;
  mods.right = (state & Button3Mask) != 0 || button == Button3;
  mods.shift = (state & ShiftMask) != 0;
  mods.control = (state & ControlMask) != 0;
  mods.alt = (state & Mod1Mask) != 0;
  return mods;
}

void ICanvasX11::HandleEvent(XEvent& event) {
  if (!mWindow) return;
  const Window window = XWindow();
  switch (event.type) {
  case Expose:
    // The window lost its pixels (mapped, uncovered): everything is drawn again at the next frame.
    if (event.xexpose.window == window && event.xexpose.count == 0) {
      ForEachControl([](IControl& control) { control.MarkDirty(false); });
    }
    break;
  case ButtonPress:
    if (event.xbutton.window == window) HandleButtonPress(event);
    break;
  case ButtonRelease:
    if (event.xbutton.window == window) HandleButtonRelease(event);
    break;
  case MotionNotify: {
    // Only the newest position of a burst matters. The burst ends at the next other event: a host that
    // pumps rarely hands over a whole gesture at once, and a press or release queued between two moves
    // must keep its place.
    while (XEventsQueued(mDisplay, QueuedAlready) > 0) {
      XEvent next;
      XPeekEvent(mDisplay, &next);
      if (next.type != MotionNotify || next.xmotion.window != window) break;
      // Nor across the fine drag's putting back of the pointer: the moves after it count from elsewhere.
      if (mWarpPending && event.xmotion.serial < mWarpSerial && next.xmotion.serial >= mWarpSerial) break;
      XNextEvent(mDisplay, &event);
    }
    HandleMotion(event);
    break;
  }
  case EnterNotify:
    mPointerInside = true;
    break;
  case LeaveNotify:
    if (event.xcrossing.window != window) break;
    if (event.xcrossing.mode == NotifyGrab && mButtonsDown != 0) {
      // Another client took the pointer in the middle of a press: the release will never come here.
      EndPressWithoutRelease();
    }
    if (event.xcrossing.mode == NotifyNormal && mButtonsDown == 0) {
      mPointerInside = false;
      mDoubleClick.Reset();
      HideTooltip();
      OnMouseLeave();
      SetPointerKind(CursorKind());
    }
    break;
  case FocusOut:
    if (event.xfocus.window == window && IsRealFocusChange(event.xfocus)) LoseFocus();
    break;
  case FocusIn:
    if (event.xfocus.window == window && IsRealFocusChange(event.xfocus)) mHasFocus = true;
    break;
  case ClientMessage:
    if (event.xclient.window == window && event.xclient.message_type == mXEmbedAtom && event.xclient.format == 32)
      HandleXEmbed(event.xclient.data.l[1], event.xclient.data.l[3]);
    break;
  case ConfigureNotify:
    // The host resized its window (moves and restacking change nothing here).
    if (event.xconfigure.window == mParent &&
        (event.xconfigure.width != mParentWidth || event.xconfigure.height != mParentHeight)) {
      mParentWidth = event.xconfigure.width;
      mParentHeight = event.xconfigure.height;
      mParentResized = true;
    }
    break;
  case PropertyNotify:
    if (event.xproperty.atom == XA_RESOURCE_MANAGER) mResourcesChanged = true;
    break;
  case KeyPress:
    HandleKey(event, true);
    break;
  case KeyRelease:
    HandleKey(event, false);
    break;
  case UnmapNotify:
  case DestroyNotify:
    if (mButtonsDown != 0) EndPressWithoutRelease();
    break;
  case SelectionRequest:
    HandleSelectionRequest(event);
    break;
  case SelectionClear:
    mClipboard.clear();
    break;
  default:
    break;
  }
}

void ICanvasX11::HandleButtonPress(const XEvent& any) {
  const XButtonEvent& event = any.xbutton;
  float x = 0.0f;
  float y = 0.0f;
  ToLogical(event.x, event.y, x, y);
  SetLastMousePosition(x, y);
  HideTooltip();
  const IMouseState mods = ModifiersOf(event.state, event.button);
  if (IsWheel(event.button)) {
    OnMouseWheel(x, y, mods, WheelNotches(event.button));
    return;
  }
  if (event.button > 3) return;
  // The keyboard comes to the editor only when the user clicks into it. An XEmbed embedder keeps
  // the X focus itself and hands the keys on: it is asked, and says yes with FOCUS_IN.
  if (!mHasFocus && mEmbedder != 0) {
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = mEmbedder;
    request.xclient.message_type = mXEmbedAtom;
    request.xclient.format = 32;
    request.xclient.data.l[0] = static_cast<long>(event.time);
    request.xclient.data.l[1] = kXEmbedRequestFocus;
    XSendEvent(mDisplay, mEmbedder, False, NoEventMask, &request);
    XFlush(mDisplay);
  } else if (!mHasFocus) {
    XSetInputFocus(mDisplay, XWindow(), RevertToParent, event.time);
    mHasFocus = true;
  }
  mButtonsDown |= ButtonBit(event.button);
  if (MenuIsOpen()) {
    // A press the menu takes (a choice, a dismissal) never pairs with the next into a double click
    // on the control beneath.
    mDoubleClick.Reset();
    OnMouseDown({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
    return;
  }
  if (mDoubleClick.Press(event.button, event.x, event.y, event.time) && ControlAt(x, y) != nullptr) {
    OnMouseDoubleClick(x, y, mods);
    return;
  }
  OnMouseDown({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
}

void ICanvasX11::HandleButtonRelease(const XEvent& any) {
  const XButtonEvent& event = any.xbutton;
  if (event.button < 1 || event.button > 3) return; // the wheel's releases carry nothing
  if ((mButtonsDown & ButtonBit(event.button)) == 0) return; // pressed before the window existed
  mButtonsDown &= ~ButtonBit(event.button);
  float x = 0.0f;
  float y = 0.0f;
  ToLogical(event.x, event.y, x, y);
  if (CursorHidden() && mPointerLocked) {
    // Released where the pointer was hidden, not where the fine drag took it.
    x = mHiddenX;
    y = mHiddenY;
  }
  SetLastMousePosition(x, y);
  IMouseState mods = ModifiersOf(event.state & ~(Button1Mask << (event.button - 1)), 0);
  if (event.button == Button1) mods.left = true;
  if (event.button == Button3) mods.right = true;
  OnMouseUp({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
}

void ICanvasX11::EndPressWithoutRelease() {
  mButtonsDown = 0;
  IMouseState mods;
  mods.left = true;
  OnMouseUp({IMouseEvent{LastMouseX(), LastMouseY(), 0.0f, 0.0f, mods}});
  if (CursorHidden()) HideCursor(false, true);
}

void ICanvasX11::HandleXEmbed(long message, long data1) {
  switch (message) {
  case kXEmbedEmbeddedNotify:
    // data1 is the embedder's window; older embedders leave it 0 and are the parent.
    mEmbedder = data1 != 0 ? static_cast<unsigned long>(data1) : mParent;
    mXEmbedActive = true; // until the embedder says otherwise
    mXEmbedFocused = false;
    break;
  // The keys come while the embedder gives the editor its focus and its top-level window is the
  // active one: leaving either ends what the keys or the pointer were doing.
  case kXEmbedFocusIn:
    mXEmbedFocused = true;
    mHasFocus = mXEmbedActive;
    break;
  case kXEmbedFocusOut:
    mXEmbedFocused = false;
    LoseFocus();
    break;
  case kXEmbedWindowActivate:
    mXEmbedActive = true;
    mHasFocus = mXEmbedFocused;
    break;
  case kXEmbedWindowDeactivate:
    mXEmbedActive = false;
    LoseFocus();
    break;
  default:
    break; // modality and the rest change nothing here
  }
}

void ICanvasX11::LoseFocus() {
  mHasFocus = false;
  // The release of a press in progress may never come here now: it ends as if released.
  if (mButtonsDown != 0) EndPressWithoutRelease();
  // The keys went elsewhere: what was typed counts, as when the user clicks elsewhere.
  if (ITextEntryControl* editor = TextEditor(); editor && editor->IsEditing()) editor->Commit();
  // A menu closes without a choice, as a click outside it would close it.
  if (IPopupMenuControl* menu = PopupMenuControl()) menu->Dismiss();
}

void ICanvasX11::HandleMotion(const XEvent& any) {
  const XMotionEvent& event = any.xmotion;
  float x = 0.0f;
  float y = 0.0f;
  ToLogical(event.x, event.y, x, y);
  const IMouseState mods = ModifiersOf(event.state, 0);
  if (mButtonsDown != 0) {
    if (CursorHidden() && mPointerLocked) {
      // Fine drag: the pointer goes back where it was hidden and only its movement counts. Moves the
      // server made before it took the pointer back (their serial is below that request's) count from
      // the previous move, later ones from the hidden place: none is lost or counted twice, however
      // late the host pumps.
      if (mWarpPending && event.serial >= mWarpSerial) {
        mWarpPending = false;
        SetLastMousePosition(mHiddenX, mHiddenY);
      }
      const float dX = x - LastMouseX();
      const float dY = y - LastMouseY();
      if (dX == 0.0f && dY == 0.0f) return;
      SetLastMousePosition(x, y);
      OnMouseDrag({IMouseEvent{mHiddenX, mHiddenY, dX, dY, mods}});
      if (!mWarpPending) {
        MovePointer(mHiddenX, mHiddenY);
        mWarpPending = true;
        SetLastMousePosition(x, y); // until the server's moves show it took the pointer back
      }
      return;
    }
    DragPointerTo(x, y, mods, false, 0.0f, 0.0f);
    return;
  }
  SetLastMousePosition(x, y);
  const int before = MouseOverIndex();
  OnMouseHover(x, y, mods);
  SetPointerKind(CursorKind());
  if (TooltipsEnabled() && MouseOverIndex() != before) {
    HideTooltip();
    mTooltipIndex = MouseOverIndex();
    if (IControl* control = GetControl(mTooltipIndex); control && !control->GetTooltip().empty())
      ShowTooltip(control->GetTooltip().c_str());
  }
}

void ICanvasX11::HandleKey(XEvent& any, bool down) {
  XKeyEvent& event = any.xkey;
  char text[8] = {};
  KeySym keySym = 0;
  const int length = XLookupString(&event, text, sizeof(text) - 1, &keySym, nullptr);
  IKeyEvent key;
  if (length > 0 && length < static_cast<int>(sizeof(key.text))) std::memcpy(key.text, text, static_cast<size_t>(length));
  key.keyCode = KeyCodeFromKeySym(keySym);
  key.shift = (event.state & ShiftMask) != 0;
  key.control = (event.state & ControlMask) != 0;
  key.alt = (event.state & Mod1Mask) != 0;
  float x = 0.0f;
  float y = 0.0f;
  ToLogical(event.x, event.y, x, y);
  const bool used = down ? OnKeyDown(x, y, key) : OnKeyUp(x, y, key);
  if (used || mParent == 0) return;
  // A key the editor does not use belongs to the host (its transport, its shortcuts): it goes to
  // the host's window, where the host's own event handling finds it.
  const Window target = KeyTarget(mDisplay, mParent);
  event.window = target;
  event.subwindow = 0;
  XSendEvent(mDisplay, target, True, down ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
  XFlush(mDisplay);
}

void ICanvasX11::HandleSelectionRequest(const XEvent& any) {
  const XSelectionRequestEvent& request = any.xselectionrequest;
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = request.display;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  const Atom utf8 = Intern("UTF8_STRING");
  const Atom targets = Intern("TARGETS");
  const Atom property = request.property != None ? request.property : request.target;
  if (request.target == targets) {
    const Atom offered[] = {targets, utf8, XA_STRING};
    XChangeProperty(mDisplay, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(offered), 3);
    reply.property = property;
  } else if (request.target == utf8 || request.target == XA_STRING) {
    XChangeProperty(mDisplay, request.requestor, property, request.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(mClipboard.data()), static_cast<int>(mClipboard.size()));
    reply.property = property;
  }
  XSendEvent(mDisplay, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
}

} // namespace lumen::canvas
