#include "ITextControl.h"

#include "ICanvas.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace lumen::canvas {

ITextControl::ITextControl(const IRectF& bounds, const char* text, const ITextStyle& style, const IColorARGB& background,
                           bool sizeToText)
    : IControl(bounds), mText(text ? text : ""), mBackground(background), mSizeToText(sizeToText) {
  mStyle = style;
  mIgnoreMouse = true;
}

void ITextControl::OnSetup() {
  if (mSizeToText) SizeToText();
}

void ITextControl::SetLabel(const char* text) {
  const std::string next = text ? text : "";
  if (next == mText) return;
  mText = next;
  if (mSizeToText) SizeToText();
  MarkDirty(false);
}

void ITextControl::FormatLabel(int maxLength, const char* format, ...) {
  if (!format || maxLength < 0) return;
  std::vector<char> buffer(static_cast<size_t>(std::min(maxLength, kMaxFormattedLength)) + 1, '\0');
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer.data(), buffer.size(), format, args); // cut to what fits
  va_end(args);
  mText = buffer.data();
  if (mSizeToText) SizeToText();
  MarkDirty(false);
}

void ITextControl::SizeToText() {
  if (!mUI) return;
  IRectF measured;
  mUI->MeasureTextBox(mStyle, mText.c_str(), measured);
  const float w = measured.W();
  const float h = measured.H();
  if (!std::isfinite(w) || !std::isfinite(h)) return;
  const float cx = mRect.MW();
  const float cy = mRect.MH();
  mRect = IRectF(cx - 0.5f * w, cy - 0.5f * h, cx + 0.5f * w, cy + 0.5f * h);
  mTargetRect = mRect;
  ClearMouseIsOver();
  OnBoundsChanged();
}

void ITextControl::Draw(ICanvas& g) {
  g.FillRect(mBackground, mRect, &mBlend);
  if (!mText.empty() && g.ControlInTextEntry() != this) g.DrawTextRun(mStyle, mText.c_str(), mRect, &mBlend);
}

} // namespace lumen::canvas
