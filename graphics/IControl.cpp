#include "IControl.h"

#include "ICanvas.h"
#include "ICanvasEditorDelegate.h"
#include "IParam.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace lumen::canvas {

namespace {

// More states than this are a number to type, not a list to pick from.
constexpr int kMaxNamedStates = 16;

// A value fit for a parameter: within 0 ... 1, and never NaN (which becomes 0).
double Sanitized(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

} // namespace

IControl::IControl(const IRectF& bounds, int paramIdx, ActionFunction action)
    : mRect(bounds), mTargetRect(bounds), mAction(std::move(action)), mValues{Value{paramIdx, 0.0}} {}

IControl::IControl(const IRectF& bounds, const std::vector<int>& paramIndices, ActionFunction action)
    : mRect(bounds), mTargetRect(bounds), mAction(std::move(action)) {
  for (const int p : paramIndices) mValues.push_back(Value{p, 0.0});
  if (mValues.empty()) mValues.push_back(Value{});
}

IControl::~IControl() = default;

// ---- Events ------------------------------------------------------------------------------------------------

void IControl::OnMouseDown(float x, float y, const IMouseState& mod) {
  if (!mod.right || mPromptDisabled || !mUI) return;
  const int valueIndex = ValueIndexAt(x, y);
  if (valueIndex < 0) return;
  const IParam* param = GetParam(valueIndex);
  if (!param) return;
  IRectF box = mRect;
  if (param->NDisplayTexts() == 0) box = IRectF(mRect.MW() - 20.0f, mRect.MH() - 8.0f, mRect.MW() + 20.0f, mRect.MH() + 8.0f);
  mUI->PromptForValue(*this, box, valueIndex);
  MarkDirty(false);
}

void IControl::OnMouseUp(float, float, const IMouseState&) {}
void IControl::OnMouseDrag(float, float, float, float, const IMouseState&) {}
void IControl::OnMouseDoubleClick(float x, float y, const IMouseState&) { ResetToDefault(ValueIndexAt(x, y)); }
void IControl::OnMouseWheel(float, float, const IMouseState&, float) {}
bool IControl::OnKeyDown(float, float, const IKeyEvent&) { return false; }
bool IControl::OnKeyUp(float, float, const IKeyEvent&) { return false; }

void IControl::OnMouseOver(float, float, const IMouseState&) {
  const bool was = mMouseIsOver;
  mMouseIsOver = true;
  if (!was) MarkDirty(false);
}

void IControl::OnMouseOut() {
  if (ClearMouseIsOver()) MarkDirty(false);
}

void IControl::OnFileDrop(const char*) {}
void IControl::OnScaleChanged() {}
void IControl::OnBoundsChanged() {}
void IControl::OnSetup() {}
void IControl::OnAdded() {}

bool IControl::HandleGesture(const IGestureInfo& info) {
  const auto it = mGestureFunctions.find(info.type);
  if (it == mGestureFunctions.end()) return false;
  mLastGesture = info.type;
  const GestureFunction fn = it->second; // the handler may replace itself
  fn(this, info);
  return true;
}

void IControl::AttachGestureRecognizer(int type, GestureFunction fn) {
  mGestureFunctions[type] = std::move(fn);
  if (mUI) mUI->RegisterGestureType(type);
}

void IControl::BuildContextMenu(IPopupMenu& menu) {
  mStatesMenu = nullptr;
  const IParam* param = GetParam(0);
  if (!mValueControl || !param || !mUI) return;
  menu.AddItem("Type a value\u2026");
  // Appended piece by piece: GCC 12 at -O3 misreads a literal + temporary string as overlapping.
  std::string reset = "Reset to default (";
  reset += mUI->DisplayText(ParamIdx(0), param->Default());
  reset += ')';
  menu.AddItem(reset);
  // A parameter of a few whole states (a switch, a selector) offers each by name.
  const double range = param->Max() - param->Min();
  const double step = param->Step();
  if (!(step >= 1.0) || !(range > 0.0) || !std::isfinite(range) || range / step > kMaxNamedStates - 1) return;
  const int count = static_cast<int>(std::lround(range / step)) + 1;
  const long current = std::lround((param->DenormalizeValue(GetValue(0)) - param->Min()) / step);
  auto states = std::make_unique<IPopupMenu>(param->Name());
  for (int i = 0; i < count; ++i) {
    states->AddItem(mUI->DisplayText(ParamIdx(0), param->Min() + i * step), i == current ? IPopupMenu::kChecked : 0);
  }
  mStatesMenu = states.get();
  menu.AddSeparator();
  menu.AddItem(param->Name(), 0, std::move(states));
}

void IControl::OnMenuChoice(IPopupMenu* menu, int valueIndex) {
  if (!menu || valueIndex < 0 || mPromptDisabled) return;
  const IParam* param = GetParam(valueIndex);
  if (!param) return;
  ApplyUserValue(param->NormalizeValue(static_cast<double>(menu->ChosenItemIdx())), valueIndex);
}

void IControl::OnTextEdited(const char*, int) {}
void IControl::OnContextChoice(IPopupMenu* menu, int itemIndex) {
  const IParam* param = GetParam(0);
  if (!mValueControl || !mUI || !param || !menu) return;
  if (menu == mStatesMenu) {
    const double real = param->Min() + static_cast<double>(itemIndex) * param->Step();
    if (itemIndex >= 0 && real <= param->Max())
      mUI->ChangeAsGesture(*this, [&] { ApplyUserValue(param->NormalizeValue(real), 0); });
    return;
  }
  if (itemIndex == 0) {
    mUI->PromptForTypedValue(*this, 0);
  } else if (itemIndex == 1) {
    mUI->ChangeAsGesture(*this, [this] { ResetToDefault(0); });
  }
}

bool IControl::StepValue(int steps, bool coarse) {
  const IParam* param = GetParam(0);
  if (!param || steps == 0) return false;
  const double range = param->Max() - param->Min();
  if (!(range > 0.0) || !std::isfinite(range)) return false;
  const double step = std::max(param->Step(), range * (coarse ? 0.1 : 0.01));
  double real = param->DenormalizeValue(GetValue(0)) + static_cast<double>(steps) * step;
  // Whole steps of the parameter: a stepped value never lands between two of them.
  if (param->Step() > 0.0) real = param->Min() + std::round((real - param->Min()) / param->Step()) * param->Step();
  real = std::clamp(real, param->Min(), param->Max());
  SetValue(param->NormalizeValue(real), 0);
  MarkDirty(true, 0);
  return true;
}

void IControl::DrawHighlightMark(ICanvas& g) {
  if (mHighlightOn) g.FillCircle(mHighlightColor, mRect.R - 5.0f, mRect.T + 5.0f, 2.0f);
}

// ---- Values -------------------------------------------------------------------------------------------------

bool IControl::BindParam(int paramIdx, int valueIndex) {
  // Called from the layout on the host's UI thread: a bad index is refused, never thrown.
  if (!HasValue(valueIndex)) return false;
  ValueAt(valueIndex).paramIdx = paramIdx;
  MarkDirty(false);
  return true;
}

int IControl::ValueIndexAt(float, float) const { return NValues() == 1 ? 0 : -1; }

void IControl::ReceiveValue(double value, int valueIndex) {
  if (!HasValue(valueIndex)) return;
  if (mUI && mUI->IsCaptured(this)) return; // the user's drag wins over outside updates
  if (value != GetValue(valueIndex)) {
    SetValue(value, valueIndex);
    MarkDirty(false);
  }
}

void IControl::ApplyUserValue(double value, int valueIndex) {
  if (!HasValue(valueIndex) || std::isnan(value)) return;
  if (value != GetValue(valueIndex)) {
    SetValue(value, valueIndex);
    MarkDirty(true, valueIndex);
  }
}

void IControl::ResetToDefault(int valueIndex) {
  if (NValues() == 1) valueIndex = 0;
  for (int v = 0; v < NValues(); ++v) {
    if (valueIndex >= 0 && v != valueIndex) continue;
    if (const IParam* param = GetParam(v)) SetValue(param->NormalizeValue(param->Default()), v);
  }
  MarkDirty(true, valueIndex);
}

void IControl::SetValue(double value, int valueIndex) {
  if (HasValue(valueIndex)) ValueAt(valueIndex).value = value;
}

void IControl::SetTextStyle(const ITextStyle& style) { mStyle = style; }

void IControl::SetRect(const IRectF& rect) {
  mRect = rect;
  mTargetRect = rect;
  ClearMouseIsOver();
  OnBoundsChanged();
}

void IControl::SetOrigin(float x, float y) {
  ClearMouseIsOver();
  const float dx = std::max(x, 0.0f) - mRect.L;
  const float dy = std::max(y, 0.0f) - mRect.T;
  mRect = mRect.Moved(dx, dy);
  OnBoundsChanged();
  mTargetRect = mTargetRect.Moved(dx, dy);
}

void IControl::SetExtent(float w, float h) {
  ClearMouseIsOver();
  mRect = IRectF(mRect.L, mRect.T, mRect.L + std::max(w, 0.0f), mRect.T + std::max(h, 0.0f));
  mTargetRect = mRect;
  OnBoundsChanged();
}

void IControl::SetHidden(bool hidden) {
  mHidden = hidden;
  MarkDirty(false);
}

void IControl::SetDisabled(bool disabled) {
  mDisabled = disabled;
  mBlend.weight = disabled ? kDisabledBlendWeight : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(float x, float y) const { return !mTargetRect.Empty() && mTargetRect.Contains(x, y); }

void IControl::MarkDirty(bool triggerAction, int valueIndex) {
  if (NValues() == 1) valueIndex = 0;
  for (int v = 0; v < NValues(); ++v) {
    if (valueIndex < 0 || v == valueIndex) SetValue(Sanitized(GetValue(v)), v);
  }
  mDirty = true;
  if (!triggerAction) return;
  for (int v = 0; v < NValues(); ++v) {
    if (valueIndex >= 0 && v != valueIndex) continue;
    const int p = ParamIdx(v);
    if (p < 0 || !GetParam(v)) continue;
    mDelegate->SetParamFromEditor(p, GetValue(v));
    if (mUI) mUI->SyncSiblings(this, p, GetValue(v));
  }
  if (mAction) {
    const ActionFunction action = mAction; // the action may replace itself
    action(this);
  }
}

void IControl::MarkClean() { mDirty = false; }

bool IControl::NeedsRedraw() {
  if (mAnimation) {
    // A copy runs: the callback may end or restart the animation, replacing mAnimation meanwhile.
    const AnimationFunction animation = mAnimation;
    animation(this);
    return true;
  }
  return mDirty;
}

void IControl::SetValueFromPosition(float x, float y, int direction, const IRectF& bounds, int valueIndex,
                                    double minimum, double maximum) {
  const float w = bounds.W();
  const float h = bounds.H();
  if (!(w > 0.0f) || !(h > 0.0f) || !std::isfinite(x) || !std::isfinite(y)) return;
  x = std::clamp(x, bounds.L, bounds.R);
  y = std::clamp(y, bounds.T, bounds.B);
  double v = direction == 1 ? (x - bounds.L) / w : 1.0 - (y - bounds.T) / h;
  v = std::round(v / 0.001) * 0.001;
  v = std::clamp(v, std::min(minimum, maximum), std::max(minimum, maximum));
  for (int i = 0; i < NValues(); ++i) {
    if (valueIndex < 0 || i == valueIndex) SetValue(v, i);
  }
  MarkDirty(true, valueIndex);
}

void IControl::FinishAnimation() {
  mAnimation = nullptr;
  MarkDirty(false);
  if (mAnimationEndAction) {
    const ActionFunction action = mAnimationEndAction;
    action(this);
  }
}

void IControl::SetAnimation(AnimationFunction fn, int duration) {
  mAnimation = std::move(fn);
  mAnimationStart = mUI ? mUI->NowMilliseconds() : 0.0;
  mAnimationDuration = duration;
}

double IControl::GetAnimationProgress() const {
  if (!mAnimation || mAnimationDuration <= 0 || !mUI) return 0.0;
  return (mUI->NowMilliseconds() - mAnimationStart) / static_cast<double>(mAnimationDuration);
}

// ---- Lookup ---------------------------------------------------------------------------------------------------

const IParam* IControl::GetParam(int valueIndex) const {
  const int p = ParamIdx(valueIndex);
  if (p < 0 || !mDelegate) return nullptr;
  return mDelegate->GetParam(p);
}

int IControl::FirstValueBoundTo(int paramIdx) const {
  for (int v = 0; v < NValues(); ++v) {
    if (ParamIdx(v) == paramIdx) return v;
  }
  return -1;
}

bool IControl::ClearMouseIsOver() {
  const bool was = mMouseIsOver;
  mMouseIsOver = false;
  return was;
}

} // namespace lumen::canvas
