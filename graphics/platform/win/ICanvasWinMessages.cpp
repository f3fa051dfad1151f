// The editor window's messages turned into the core's input calls, its display tick and painting.
#include "ICanvasWin.h"

#include "IControl.h"
#include "WinMouseMessage.h"
#include "WinTextEntry.h"
#include "WinTooltip.h"
#include "WinUpdateRegion.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <string>
#include <vector>

namespace lumen::canvas {

namespace {

// Paths longer than this are not paths a control can use (the system's own limit for wide paths).
constexpr UINT kMaxDropPathLength = 32767;
// More simultaneous touches than any digitiser reports: the rest of a message is ignored.
constexpr UINT kMaxTouchInputs = 64;

// One character of the keyboard's code page as UTF-8 (empty when it has none).
void CharacterAsUtf8(WORD character, char (&text)[8]) {
  text[0] = '\0';
  const char ansi = static_cast<char>(character & 0xFF);
  if (ansi == '\0') return;
  wchar_t wide[2] = {};
  if (MultiByteToWideChar(CP_ACP, 0, &ansi, 1, wide, 1) != 1) return;
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, 1, text, static_cast<int>(sizeof(text)) - 1, nullptr, nullptr);
  text[length > 0 ? length : 0] = '\0';
}

} // namespace

LRESULT CALLBACK ICanvasWin::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* editor = static_cast<ICanvasWin*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    if (editor != nullptr) {
      editor->mWindow = window;
      editor->OnCreate();
    }
    return 0;
  }
  // Only the window an editor owns now: a window whose editor has let go of it (closing, or gone)
  // gets the default handling.
  auto* editor = reinterpret_cast<ICanvasWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (editor == nullptr || editor->mWindow != window) return DefWindowProcA(window, message, wParam, lParam);
  return editor->HandleMessage(message, wParam, lParam);
}

void ICanvasWin::OnCreate() {
  mTicker.Start(mWindow, FPS());
  SetFocus(mWindow);
  DragAcceptFiles(mWindow, TRUE);
}

LRESULT ICanvasWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = mWindow;
  if (mTextEntry && mTextEntry->GetState() == WinTextEntry::State::Editing) {
    // Just opened: a click into the editor drops the entry. The ticks, painting and closing go on
    // (the tick is what moves the entry out of this state).
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
      mTextEntry->SetState(WinTextEntry::State::Cancel);
      return 0;
    }
    const bool passes = message == WM_PAINT || message == WM_TIMER || message == WinDisplayTicker::kTickMessage ||
                        message == WM_CLOSE || message == WM_NCDESTROY || message == WM_CTLCOLOREDIT ||
                        message == WM_CAPTURECHANGED;
    if (!passes) return DefWindowProcA(window, message, wParam, lParam);
  }
  switch (message) {
  case WM_PAINT:
    OnPaint();
    return 0;
  case WM_TIMER:
    if (wParam == WinDisplayTicker::kTimerId) OnDisplayTick(0);
    return 0;
  case WinDisplayTicker::kTickMessage:
    OnDisplayTick(static_cast<uint32_t>(wParam));
    return 0;
  case WM_MOUSEMOVE:
    OnMouseMove(wParam, lParam);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
    OnButtonDown(wParam, lParam, message == WM_RBUTTONDOWN);
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP:
    OnButtonUp(wParam, lParam, message == WM_RBUTTONUP);
    return 0;
  case WM_CAPTURECHANGED:
    // Another window took the mouse in the middle of a press (a dialog, the task switcher): its
    // release will never come here.
    if (mPressed && reinterpret_cast<HWND>(lParam) != window) {
      IMouseState mods;
      mods.left = true;
      EndPress(LastMouseX(), LastMouseY(), mods);
    }
    return 0;
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
    OnDoubleClick(wParam, lParam);
    return 0;
  case WM_MOUSEWHEEL:
    OnWheel(wParam, lParam);
    return 0;
  case WM_KEYDOWN:
  case WM_KEYUP:
    return OnKey(message, wParam, lParam);
  case WM_GETDLGCODE:
    return DLGC_WANTALLKEYS;
  case WM_CTLCOLOREDIT:
    if (!mTextEntry) break;
    return reinterpret_cast<LRESULT>(mTextEntry->PrepareColors(reinterpret_cast<HDC>(wParam)));
  case WM_SETCURSOR:
    if (LOWORD(lParam) != HTCLIENT) break;
    SetPointerKind(CursorKind());
    return TRUE;
  case WM_DROPFILES:
    OnDropFiles(reinterpret_cast<HDROP>(wParam));
    return 0;
  case WM_TOUCH:
    OnTouch(wParam, lParam);
    return 0;
  case WM_MOUSEHOVER:
    if (mTooltipIndex >= 0) ShowTooltipFor(mTooltipIndex);
    return 0;
  case WM_MOUSELEAVE:
    mTracking = false;
    HideTooltip();
    OnMouseLeave();
    return 0;
  case WM_CLOSE:
    CloseEditorWindow();
    return 0;
  case WM_NCDESTROY:
    // The host destroyed its window (and with it this one) before closing the editor.
    mWindowGone = true;
    CloseEditorWindow();
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
  case WM_ERASEBKGND:
    return 0;
  default:
    break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- Ticks and painting -----------------------------------------------------------------------------------

void ICanvasWin::OnDisplayTick(uint32_t count) {
  if (!mTicker.AcceptTick(count)) return;
  if (mTextEntry) {
    // The entry's state machine moves on once per tick; a tick that moves it draws nothing.
    const WinTextEntry::TickResult result = mTextEntry->Finish();
    if (result == WinTextEntry::TickResult::Ended) {
      mTextEntry.reset();
      return;
    }
    if (result == WinTextEntry::TickResult::Kept) return;
  }
  // Moved to a monitor of another scale (not in the middle of a drag). Compared with the monitor's
  // scale when last seen, not with the editor's: a scale the host gave stays until the window
  // really moves.
  if (GetCapture() == nullptr) {
    const float scale = WindowScale(mWindow);
    if (scale != mMonitorScale) {
      mMonitorScale = scale;
      ApplyScreenScale(scale);
    }
  }
  IRectFList regions;
  if (!Tick(regions)) return;
  const float t = TotalScale();
  for (const IRectF& r : regions) {
    const RECT pixels{static_cast<LONG>(std::floor(r.L * t)), static_cast<LONG>(std::floor(r.T * t)),
                      static_cast<LONG>(std::ceil(r.R * t)), static_cast<LONG>(std::ceil(r.B * t))};
    InvalidateRect(mWindow, &pixels, FALSE);
  }
  if (mTextEntry) {
    // The edit control is not painted over.
    const RECT entry = mTextEntry->PixelBounds();
    ValidateRect(mWindow, &entry);
    UpdateWindow(mWindow);
    mTextEntry->SetState(WinTextEntry::State::Update);
    return;
  }
  UpdateWindow(mWindow);
  mTicker.AfterRedraw();
}

void ICanvasWin::OnPaint() {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  IRectFList regions;
  if (region != nullptr) {
    const int kind = GetUpdateRgn(mWindow, region, FALSE);
    if (kind == SIMPLEREGION || kind == COMPLEXREGION) {
      const float s = TotalScale();
      for (const RECT& r : UpdateRegionRectangles(region)) {
        regions.emplace_back(std::floor(static_cast<float>(r.left) / s), std::floor(static_cast<float>(r.top) / s),
                             std::ceil(static_cast<float>(r.right) / s), std::ceil(static_cast<float>(r.bottom) / s));
      }
    }
  }
  PAINTSTRUCT paint{};
  BeginPaint(mWindow, &paint);
  if (!regions.empty() && mGL.MakeCurrent()) {
    DrawRegions(regions);
    mGL.SwapBuffers();
    mGL.Release();
    ++mFramesDrawn;
  }
  EndPaint(mWindow, &paint);
  ValidateRect(mWindow, nullptr);
  if (region != nullptr) DeleteObject(region);
}

// ---- Mouse ----------------------------------------------------------------------------------------------------

bool ICanvasWin::IgnoredAsTouch() const {
  // Touch arrives as WM_TOUCH where the window registered for it; the mouse messages the system
  // makes of the same touches would repeat it. Pen input, and touch without registration, stay mouse.
  return mTouchRegistered && IsTouch(static_cast<LPARAM>(GetMessageExtraInfo()));
}

void ICanvasWin::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (IgnoredAsTouch()) return;
  mCursors.SetLastInputTouch(false);
  float x = 0.0f;
  float y = 0.0f;
  MessagePosition(lParam, TotalScale(), x, y);
  const IMouseState mods = MessageModifiers(wParam);
  if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0) {
    // A press that began elsewhere moves nothing here.
    if (GetCapture() != mWindow) return;
    // A text entry of the platform (not the core's own control) keeps the drag off the controls.
    if (ControlInTextEntry() != nullptr && TextEditor() == nullptr) return;
    DragPointerTo(x, y, mods, mCursors.Locked(), mCursors.HiddenX(), mCursors.HiddenY());
    return;
  }
  SetLastMousePosition(x, y);
  const int before = MouseOverIndex();
  if (!OnMouseHover(x, y, mods)) return;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof(track);
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = mWindow;
  track.dwHoverTime = HOVER_DEFAULT;
  const int index = MouseOverIndex();
  if (TooltipsEnabled() && index != before && index >= 0) {
    HideTooltip();
    mTooltipIndex = index;
    track.dwFlags |= TME_HOVER;
  }
  mTracking = TrackMouseEvent(&track) != FALSE;
}

void ICanvasWin::OnButtonDown(WPARAM wParam, LPARAM lParam, bool right) {
  if (IgnoredAsTouch()) return;
  mCursors.SetLastInputTouch(false);
  HideTooltip();
  if (mTextEntry) {
    // A click beside an open entry takes its text.
    mTextEntry->SetState(WinTextEntry::State::Commit);
    return;
  }
  float x = 0.0f;
  float y = 0.0f;
  MessagePosition(lParam, TotalScale(), x, y);
  IMouseState mods = MessageModifiers(wParam);
  if (right) mods.right = true;
  SetLastMousePosition(x, y);
  SetFocus(mWindow);
  SetCapture(mWindow);
  mPressed = true;
  OnMouseDown({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
}

void ICanvasWin::OnButtonUp(WPARAM wParam, LPARAM lParam, bool right) {
  float x = 0.0f;
  float y = 0.0f;
  MessagePosition(lParam, TotalScale(), x, y);
  IMouseState mods = MessageModifiers(wParam);
  // The released button is no longer in wParam; the controls hear which one it was.
  if (right) {
    mods.right = true;
  } else {
    mods.left = true;
  }
  EndPress(x, y, mods);
}

void ICanvasWin::EndPress(float x, float y, IMouseState mods) {
  mPressed = false; // first: releasing the capture below sends WM_CAPTURECHANGED
  if (GetCapture() == mWindow) ReleaseCapture();
  if (CursorHidden() && mCursors.Locked()) {
    // Released where the pointer was hidden, not where the fine drag took it.
    x = mCursors.HiddenX();
    y = mCursors.HiddenY();
  }
  SetLastMousePosition(x, y);
  OnMouseUp({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
  if (CursorHidden()) HideCursor(false, false);
}

void ICanvasWin::OnDoubleClick(WPARAM wParam, LPARAM lParam) {
  if (IgnoredAsTouch()) return;
  float x = 0.0f;
  float y = 0.0f;
  MessagePosition(lParam, TotalScale(), x, y);
  SetLastMousePosition(x, y);
  if (ControlAt(x, y) == nullptr) return;
  OnMouseDoubleClick(x, y, MessageModifiers(wParam));
  SetCapture(mWindow);
  mPressed = true;
}

void ICanvasWin::OnWheel(WPARAM wParam, LPARAM lParam) {
  if (mTextEntry) {
    mTextEntry->SetState(WinTextEntry::State::Cancel);
    return;
  }
  RECT r{};
  GetWindowRect(mWindow, &r);
  const float s = TotalScale();
  const float x = static_cast<float>(GET_X_LPARAM(lParam) - r.left) / s;
  const float y = static_cast<float>(GET_Y_LPARAM(lParam) - r.top) / s;
  OnMouseWheel(x, y, MessageModifiers(GET_KEYSTATE_WPARAM(wParam)), static_cast<float>(WheelNotches(wParam)));
}

// ---- Keys ------------------------------------------------------------------------------------------------------

LRESULT ICanvasWin::OnKey(UINT message, WPARAM wParam, LPARAM lParam) {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(mWindow, &p);
  BYTE state[256] = {};
  GetKeyboardState(state);
  WORD characters[2] = {};
  const int count = ToAscii(static_cast<UINT>(wParam), static_cast<UINT>((lParam >> 16) & 0xFF), state, characters, 0);
  if (count == 0 || count == 1) {
    IKeyEvent key;
    key.keyCode = static_cast<int32_t>(wParam);
    if (count == 1) CharacterAsUtf8(characters[0], key.text);
    key.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    key.control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    key.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    const float s = TotalScale();
    const float x = static_cast<float>(p.x) / s;
    const float y = static_cast<float>(p.y) / s;
    const bool used = message == WM_KEYDOWN ? OnKeyDown(x, y, key) : OnKeyUp(x, y, key);
    if (used) return 0;
  }
  // A key the editor does not use belongs to the host (its transport, its shortcuts).
  HWND window = mWindow;
  HWND root = GetAncestor(window, GA_ROOT);
  if (root != nullptr && root != window) SendMessageA(root, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- Files and touch ---------------------------------------------------------------------------------------------

void ICanvasWin::OnDropFiles(HDROP drop) {
  POINT p{};
  const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  if (length > 0 && length <= kMaxDropPathLength && DragQueryPoint(drop, &p)) {
    std::string path(length + 1, '\0');
    const UINT copied = DragQueryFileA(drop, 0, path.data(), length + 1);
    path.resize(copied <= length ? copied : length);
    const float s = TotalScale();
    if (IControl* control = ControlAt(static_cast<float>(p.x) / s, static_cast<float>(p.y) / s)) {
      control->OnFileDrop(path.c_str());
    }
  }
  DragFinish(drop);
}

void ICanvasWin::OnTouch(WPARAM wParam, LPARAM lParam) {
  HTOUCHINPUT handle = reinterpret_cast<HTOUCHINPUT>(lParam);
  UINT count = LOWORD(wParam);
  if (count > kMaxTouchInputs) count = kMaxTouchInputs;
  std::vector<TOUCHINPUT> inputs(count);
  if (count == 0 || !GetTouchInputInfo(handle, count, inputs.data(), sizeof(TOUCHINPUT))) {
    CloseTouchInputHandle(handle);
    return;
  }
  mCursors.SetLastInputTouch(true);
  const float s = TotalScale();
  IMouseEventList down;
  IMouseEventList up;
  IMouseEventList drag;
  for (const TOUCHINPUT& input : inputs) {
    POINT p{input.x / 100, input.y / 100};
    ScreenToClient(mWindow, &p);
    IMouseEvent event;
    event.x = static_cast<float>(p.x) / s;
    event.y = static_cast<float>(p.y) / s;
    event.ms.touchId = static_cast<intptr_t>(input.dwID) + 1; // 0 is the mouse
    event.ms.touchRadius = (input.dwMask & TOUCHINPUTMASKF_CONTACTAREA) != 0 ? static_cast<float>(input.cxContact) : 0.0f;
    if ((input.dwFlags & TOUCHEVENTF_DOWN) != 0) {
      down.push_back(event);
      mTouches[input.dwID] = event;
    } else if ((input.dwFlags & TOUCHEVENTF_UP) != 0) {
      mTouches.erase(input.dwID);
      up.push_back(event);
    } else if ((input.dwFlags & TOUCHEVENTF_MOVE) != 0) {
      const auto previous = mTouches.find(input.dwID);
      if (previous != mTouches.end()) {
        event.dX = event.x - previous->second.x;
        event.dY = event.y - previous->second.y;
      }
      drag.push_back(event);
      mTouches[input.dwID] = event;
    }
  }
  if (!down.empty()) OnMouseDown(down);
  if (!up.empty()) OnMouseUp(up);
  if (!drag.empty()) OnMouseDrag(drag);
  CloseTouchInputHandle(handle);
}

} // namespace lumen::canvas
