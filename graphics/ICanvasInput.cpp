// The surface's input dispatch: which control a pointer or key reaches, captures during a press, and
// the begin/end-edit bracketing that lets the host see one gesture per drag.
#include "ICanvas.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "IKeyCodes.h"
#include "controls/ICornerResizerControl.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "controls/IValueReadoutControl.h"

#include <algorithm>
#include <cmath>

namespace lumen::canvas {

// ---- Gestures and captures --------------------------------------------------------------------------------

void ICanvas::SendBeginEdits(IControl& control) {
  std::vector<int>& open = mOpenGestures[&control];
  for (int v = 0; v < control.NValues(); ++v) {
    const int p = control.ParamIdx(v);
    if (p < 0 || !ParamOf(control, v)) continue;
    if (mDelegate) mDelegate->BeginParamGestureFromEditor(p);
    open.push_back(p);
  }
  if (open.empty()) mOpenGestures.erase(&control);
}

void ICanvas::SendEndEdits(IControl& control) {
  const auto it = mOpenGestures.find(&control);
  if (it == mOpenGestures.end()) return;
  const std::vector<int> params = std::move(it->second);
  mOpenGestures.erase(it);
  if (!mDelegate) return;
  for (const int p : params) mDelegate->EndParamGestureFromEditor(p);
}

// A control that opened a value prompt keeps its gesture open until the prompt finishes.
bool ICanvas::GestureHeldByPrompt(const IControl& control) const {
  return &control == mInTextEntry || &control == mInPopupMenu;
}

void ICanvas::EndCapture(intptr_t touchId, float x, float y, const IMouseState& mods) {
  const auto it = mCaptured.find(touchId);
  if (it == mCaptured.end()) return;
  IControl* control = it->second;
  mCaptured.erase(it);
  control->OnMouseUp(x, y, mods);
  if (!GestureHeldByPrompt(*control)) SendEndEdits(*control);
}

void ICanvas::ReleaseCapturesAndShowCursor() {
  // Every captured control hears its press end, so none stays in a dragging state, and the host
  // gets end-edit for every begin-edit.
  while (!mCaptured.empty()) EndCapture(mCaptured.begin()->first, mLastMouseX, mLastMouseY, IMouseState());
  ShowCursorIfHidden();
  ReleaseReadout();
}

void ICanvas::DropCaptures() { ReleaseCapturesAndShowCursor(); }

// ---- Value readout ----------------------------------------------------------------------------------------

IControl* ICanvas::ReadoutTarget(IControl* c) { return c && c->ShowsReadout() && c->GetParam(0) ? c : nullptr; }

void ICanvas::EngageReadout(IControl* c) {
  if (mReadout && ReadoutTarget(c)) mReadout->Engage(c, NowMilliseconds());
}

void ICanvas::ReleaseReadout() {
  if (mReadout) mReadout->Release(NowMilliseconds());
}

bool ICanvas::IsCaptured(const IControl* control) const {
  return std::any_of(mCaptured.begin(), mCaptured.end(), [control](const auto& entry) { return entry.second == control; });
}

IControl* ICanvas::CapturedControl(intptr_t touchId) const {
  const auto it = mCaptured.find(touchId);
  return it == mCaptured.end() ? nullptr : it->second;
}

void ICanvas::HideCursor(bool hide, bool lock) {
  if (mCursorHidden == hide) return;
  mCursorHidden = hide;
  mCursorLocked = hide && lock;
  HidePointer(hide, lock);
}

void ICanvas::ShowCursorIfHidden() {
  if (mCursorHidden) HideCursor(false, true);
}

const IParam* ICanvas::ParamOf(const IControl& control, int valueIndex) const { return control.GetParam(valueIndex); }

// ---- Hit testing ------------------------------------------------------------------------------------------

IControl* ICanvas::ControlAt(float x, float y, bool capture, bool mouseOver, intptr_t touchId) {
  if (IControl* captured = CapturedControl(touchId)) return captured;

  IControl* found = nullptr;
  int index = -1;
  if (mPopupMenuControl && !mPopupMenuControl->IsHidden() && mPopupMenuControl->HitTest(x, y)) {
    found = mPopupMenuControl.get();
  } else if (mTextEditor && mTextEditor->IsEditing()) {
    found = mTextEditor.get();
  } else if (mResizeGrip && mResizeGrip->GetRect().Contains(x, y)) {
    found = mResizeGrip.get();
  } else if (mPerfDisplay && mPerfDisplay->GetRect().Contains(x, y)) {
    found = mPerfDisplay.get();
  } else if (!mouseOver || mMouseOverEnabled) {
    const int lowest = mouseOver ? 1 : 0; // the background never becomes the mouse-over control
    for (int i = ControlCount() - 1; i >= lowest; --i) {
      IControl& c = *mControls[static_cast<size_t>(i)];
      if (c.IsHidden() || c.IgnoreMouse()) continue;
      if (c.IsDisabled() && !(mouseOver ? c.MouseOverWhenDisabled() : c.MouseEventsWhenDisabled())) continue;
      if (c.HitTest(x, y)) {
        found = &c;
        index = i;
        break;
      }
    }
  }

  if (capture && found) {
    if (mMultiTouchEnabled && !found->WantsMultiTouch() && IsCaptured(found)) {
      found = nullptr;
      index = -1;
    } else {
      mCaptured[touchId] = found;
    }
  }
  if (mouseOver) mMouseOverIdx = found ? index : -1;
  return found;
}

// ---- Mouse ------------------------------------------------------------------------------------------------

void ICanvas::OnMouseDown(const IMouseEventList& events) {
  if (events.size() == 1) {
    mMouseDownX = events[0].x;
    mMouseDownY = events[0].y;
  }
  for (const IMouseEvent& e : events) {
    // A second button pressed while this pointer holds a control (a right click during a left
    // drag) ends that gesture instead of starting another.
    if (CapturedControl(e.ms.touchId)) {
      EndCapture(e.ms.touchId, e.x, e.y, e.ms);
      ShowCursorIfHidden();
      continue;
    }
    IControl* c = ControlAt(e.x, e.y, true, false, e.ms.touchId);
    if (!c) continue;
    const int v = c->ValueIndexAt(e.x, e.y);
    if (e.ms.right && c->GetParam(std::max(v, 0))) {
      mCaptured.erase(e.ms.touchId); // the press never reached the control: it hears no release
      ReleaseCapturesAndShowCursor();
      mPromptMenu.Clear();
      c->BuildContextMenu(mPromptMenu);
      if (mPromptMenu.NItems() > 0) OpenMenu(*c, mPromptMenu, IRectF(e.x, e.y, e.x, e.y), v, true);
      return;
    }
    if (c->ParamIdx(std::max(v, 0)) >= 0) mLastClickedParam = c->ParamIdx(std::max(v, 0));
    SendBeginEdits(*c);
    c->OnMouseDown(e.x, e.y, e.ms);
    if (IsCaptured(c)) EngageReadout(c);
  }
}

void ICanvas::OnMouseUp(const IMouseEventList& events) {
  for (const IMouseEvent& e : events) EndCapture(e.ms.touchId, e.x, e.y, e.ms);
  if (mCaptured.empty()) ReleaseReadout();

  if (mResizeInProgress) {
    mResizeInProgress = false;
    if (mResizeMode == ResizeMode::Scale) {
      ForEachControl([](IControl& control) { control.OnScaleChanged(); });
      ForEachControl([](IControl& control) { control.MarkDirty(false); });
    }
  }
  if (events.size() == 1 && events[0].ms.touchId == 0) OnMouseHover(events[0].x, events[0].y, events[0].ms);
}

void ICanvas::OnMouseDrag(const IMouseEventList& events) {
  if (mResizeInProgress && events.size() == 1) {
    const IMouseEvent& e = events[0];
    if (mResizeMode == ResizeMode::Size) {
      if (std::isfinite(e.x) && std::isfinite(e.y) && std::fabs(e.x) < 1e9f && std::fabs(e.y) < 1e9f)
        ResizeSurface(static_cast<int>(e.x), static_cast<int>(e.y), mDrawScale);
    } else if (mMouseDownX > 0.0f && mMouseDownY > 0.0f) {
      // Without a positive press position there is nothing to scale against.
      const float factor = std::min(e.x / mMouseDownX, e.y / mMouseDownY);
      if (std::isfinite(factor) && factor > 0.0f) ResizeSurface(mWidth, mHeight, mDrawScale * factor);
    }
    return;
  }
  if (mCaptured.empty()) return;
  for (const IMouseEvent& e : events) {
    IControl* c = CapturedControl(e.ms.touchId);
    if (!c || (e.dX == 0.0f && e.dY == 0.0f)) continue;
    if (mInTextEntry && c != mTextEditor.get()) continue;
    c->OnMouseDrag(e.x, e.y, e.dX, e.dY, e.ms);
  }
}

void ICanvas::DragPointerTo(float x, float y, const IMouseState& mods, bool locked, float anchorX, float anchorY) {
  const float dX = x - LastMouseX();
  const float dY = y - LastMouseY();
  if (dX == 0.0f && dY == 0.0f) return;
  if (CursorHidden() && locked) {
    OnMouseDrag({IMouseEvent{anchorX, anchorY, dX, dY, mods}});
    MovePointer(anchorX, anchorY);
    return;
  }
  SetLastMousePosition(x, y);
  OnMouseDrag({IMouseEvent{x, y, dX, dY, mods}});
}

bool ICanvas::OnMouseHover(float x, float y, const IMouseState& mods) {
  IControl* c = ControlAt(x, y, false, true);
  if (c != mMouseOver) {
    if (mMouseOver) mMouseOver->OnMouseOut();
    mMouseOver = c;
  }
  if (c) c->OnMouseOver(x, y, mods);
  if (mReadout) mReadout->Hover(ReadoutTarget(c), NowMilliseconds());
  return c != nullptr;
}

void ICanvas::OnMouseLeave() {
  SetPointerKind(kCursorArrow);
  ForEachControl([](IControl& control) { control.OnMouseOut(); });
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  if (mReadout) mReadout->Hover(nullptr, NowMilliseconds());
}

void ICanvas::OnMouseDoubleClick(float x, float y, const IMouseState& mods) {
  IControl* c = ControlAt(x, y, false, false, mods.touchId);
  if (!c) return;
  if (c->DoubleClickAsClick()) {
    OnMouseDown({IMouseEvent{x, y, 0.0f, 0.0f, mods}});
    return;
  }
  // A reset by double-click is a gesture of its own for the host.
  SendBeginEdits(*c);
  c->OnMouseDoubleClick(x, y, mods);
  if (!GestureHeldByPrompt(*c)) SendEndEdits(*c);
  EngageReadout(c);
  ReleaseCapturesAndShowCursor();
}

void ICanvas::OnMouseWheel(float x, float y, const IMouseState& mods, float delta) {
  if (!std::isfinite(delta)) return;
  IControl* c = ControlAt(x, y, false, false, mods.touchId);
  if (!c) return;
  c->OnMouseWheel(x, y, mods, delta);
  EngageReadout(c);
  if (!IsCaptured(c)) ReleaseReadout();
}

// ---- Keys -------------------------------------------------------------------------------------------------

namespace {
// The value step a key makes on a value control: +-1 small steps for the arrows, +-1 coarse steps
// for Page Up/Down; 0 for any other key.
int KeyValueStep(const IKeyEvent& key, bool& coarse) {
  coarse = key.keyCode == kKeyPageUp || key.keyCode == kKeyPageDown;
  switch (key.keyCode) {
  case kKeyUp:
  case kKeyRight:
  case kKeyPageUp: return 1;
  case kKeyDown:
  case kKeyLeft:
  case kKeyPageDown: return -1;
  default: return 0;
  }
}
} // namespace

bool ICanvas::OnKeyDown(float x, float y, const IKeyEvent& key) {
  // An open menu takes every key, wherever the pointer is.
  if (MenuIsOpen()) return mPopupMenuControl->OnKeyDown(x, y, key);
  IControl* c = ControlAt(x, y, false, false);
  if (c && c != GetControl(0) && c->OnKeyDown(x, y, key)) return true;
  // The value control under the pointer steps, each key press a gesture of its own (a control held
  // by a press belongs to that press).
  bool coarse = false;
  const int steps = KeyValueStep(key, coarse);
  if (steps != 0 && c && !mInTextEntry && c->IsValueControl() && c->GetParam(0) && !IsCaptured(c)) {
    ChangeAsGesture(*c, [&] { c->StepValue(steps, coarse); });
    return true;
  }
  return mKeyHandler ? mKeyHandler(key, false) : false;
}

bool ICanvas::OnKeyUp(float x, float y, const IKeyEvent& key) {
  if (MenuIsOpen()) return mPopupMenuControl->OnKeyUp(x, y, key);
  IControl* c = ControlAt(x, y, false, false);
  if (c && c != GetControl(0) && c->OnKeyUp(x, y, key)) return true;
  bool coarse = false;
  if (KeyValueStep(key, coarse) != 0 && c && !mInTextEntry && c->IsValueControl() && c->GetParam(0)) return true;
  return mKeyHandler ? mKeyHandler(key, true) : false;
}

} // namespace lumen::canvas
