#include "IValueReadoutControl.h"

#include "ICanvas.h"

#include <algorithm>
#include <cmath>

namespace lumen::canvas {

namespace {
// Dark translucent plate, light text: readable over the light and the dark parts of the artwork.
constexpr IColorARGB kPlateColor{225, 18, 18, 22};
constexpr IColorARGB kTextColor{255, 236, 236, 232};
constexpr float kCornerRadius = 8.0f;
} // namespace

IValueReadoutControl::IValueReadoutControl(const ITextStyle& style) : IControl(IRectF()) {
  mStyle = style;
  mIgnoreMouse = true;
  mDirty = false;
}

std::string IValueReadoutControl::CurrentText() const {
  if (!mTarget || !mUI) return {};
  return mUI->ValueText(mTarget->ParamIdx(0));
}

void IValueReadoutControl::Hover(IControl* control, double now) {
  if (!control) {
    // Leaving: a shown plate lingers from now, then fades.
    if (mHovered && mVisible && !mEngaged) mLastActive = now;
    mHovered = false;
    if (!mVisible && !mEngaged && !mPinned) mTarget = nullptr;
    return;
  }
  if (control == mTarget) {
    if (!mHovered) {
      mHovered = true;
      mHoverSince = now;
      mTextAtHover = CurrentText();
    }
    return;
  }
  if (mEngaged) return; // a press keeps its readout until it ends
  if (mVisible) Hide();
  mTarget = control;
  mPinned = false;
  mHovered = true;
  mHoverSince = now;
  mTextAtHover = CurrentText();
}

void IValueReadoutControl::Engage(IControl* control, double now) {
  if (!control) return;
  if (control != mTarget) {
    if (mVisible) Hide();
    mTarget = control;
  }
  mEngaged = true;
  Show(now);
}

void IValueReadoutControl::Release(double now) {
  if (!mEngaged) return;
  mEngaged = false;
  mLastActive = now;
}

void IValueReadoutControl::ShowFor(IControl* control) {
  if (!control) return;
  mTarget = control;
  mPinned = true;
  Show(0.0);
}

void IValueReadoutControl::Forget(const IControl* control) {
  if (control != mTarget || !control) return;
  if (mVisible) Hide();
  mTarget = nullptr;
  mHovered = mEngaged = mPinned = false;
}

void IValueReadoutControl::Show(double now) {
  mLastActive = now;
  const bool wasFull = mVisible && mOpacity == 1.0f;
  mVisible = true;
  mOpacity = 1.0f;
  const std::string text = CurrentText();
  if (!wasFull || text != mText) {
    mText = text;
    Place();
  }
}

void IValueReadoutControl::Tick(double now) {
  if (!mTarget || !mUI) return;
  const std::string text = CurrentText();
  // Showing while pressed; while the pointer rests on the control long enough, or at once when the
  // value moves under a resting pointer (the host automating it).
  bool active = mEngaged || mPinned;
  if (mHovered) {
    if (mVisible && mOpacity == 1.0f) active = true;
    if (now - mHoverSince >= kHoverDelayMs || text != mTextAtHover) active = true;
  }
  if (active) {
    Show(now);
    return;
  }
  if (!mVisible) return;
  if (text != mText) {
    mText = text;
    Place();
  }
  const double idle = now - mLastActive;
  if (idle <= kLingerMs) return;
  const float opacity = static_cast<float>(1.0 - (idle - kLingerMs) / kFadeMs);
  if (opacity <= 0.0f) {
    Hide();
    if (!mHovered) mTarget = nullptr;
    return;
  }
  mOpacity = opacity;
  MarkDirty(false);
}

void IValueReadoutControl::Place() {
  const IRectF old = mRect;
  IRectF measured;
  mUI->MeasureTextBox(mStyle, mText.c_str(), measured);
  float w = measured.W();
  if (!std::isfinite(w) || w < 0.0f) w = 0.0f;
  w += 2.0f * kPaddingX;
  const float h = std::ceil(mStyle.size * 1.5f);
  const float editorW = static_cast<float>(mUI->Width());
  const float editorH = static_cast<float>(mUI->Height());
  const IRectF& c = mTarget->GetRect();
  w = std::min(w, editorW - 2.0f * kMargin);
  const auto fits = [&](float l, float t) {
    return l >= kMargin && t >= kMargin && l + w <= editorW - kMargin && t + h <= editorH - kMargin;
  };
  // Below the control; else beside it (left, then right), where it covers a label rather than
  // another control; else above it. A control as tall as the editor gets it at the bottom.
  float left = std::clamp(c.MW() - 0.5f * w, kMargin, std::max(kMargin, editorW - kMargin - w));
  float top = c.B + kGap;
  if (top + h > editorH - kMargin) {
    const float middle = std::clamp(c.MH() - 0.5f * h, kMargin, std::max(kMargin, editorH - kMargin - h));
    if (fits(c.L - kGap - w, middle)) {
      left = c.L - kGap - w;
      top = middle;
    } else if (fits(c.R + kGap, middle)) {
      left = c.R + kGap;
      top = middle;
    } else {
      top = c.T - kGap - h;
      if (top < kMargin) top = editorH - kMargin - h;
    }
  }
  mPlate = IRectF(left, top, left + w, top + h);
  // For one frame the control covers where the plate was as well, so that area is drawn again.
  mRect = old.HasNoArea() ? mPlate : old.Union(mPlate);
  mTargetRect = IRectF();
  MarkDirty(false);
}

void IValueReadoutControl::Hide() {
  mVisible = false;
  mOpacity = 0.0f;
  if (!mPlate.HasNoArea()) MarkDirty(false); // the area it covered is drawn again, without it
}

void IValueReadoutControl::Draw(ICanvas& g) {
  // The area a moved or hidden plate left has been redrawn with this frame; from now on the
  // control covers the plate alone.
  const IRectF plate = mPlate;
  if (mVisible && !plate.HasNoArea() && mOpacity > 0.0f) {
    const IBlendMode blend{0, mOpacity};
    g.FillRoundRect(kPlateColor, plate, kCornerRadius, &blend);
    ITextStyle style = mStyle;
    style.color = kTextColor;
    style.align = ITextStyle::Centre;
    style.valign = ITextStyle::Middle;
    g.DrawTextRun(style, mText.c_str(), plate, &blend);
  }
}

void IValueReadoutControl::MarkClean() {
  IControl::MarkClean();
  if (!mVisible) mRect = IRectF();
  else mRect = mPlate;
}

} // namespace lumen::canvas
