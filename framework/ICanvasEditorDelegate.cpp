#include "ICanvasEditorDelegate.h"

#include "ICanvas.h"
#include "IControl.h"

#include <algorithm>
#include <cmath>

namespace lumen {

ICanvasEditorDelegate::ICanvasEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

ICanvasEditorDelegate::~ICanvasEditorDelegate() { mEditor.reset(); }

void* ICanvasEditorDelegate::OpenEditor(void* parent) {
  if (!mEditor) {
    mEditor = MakeEditorSurface();
    if (mEditor && mRememberedWidth != 0 && mRememberedHeight != 0 && mRememberedScale != 0.0f)
      mEditor->ResizeSurface(mRememberedWidth, mRememberedHeight, mRememberedScale);
  }
  if (!mEditor) return nullptr;
  void* window = mEditor->OpenEditorWindow(parent);
  // The window opened at the scale its platform reads from the screen; the host's word wins.
  if (window && mHostScale > 0.0f && mHostScale != mEditor->ScreenScale()) mEditor->ApplyScreenScale(mHostScale);
  return window;
}

void ICanvasEditorDelegate::IdleEditor() {
  if (mEditor) mEditor->OnHostIdle();
}

bool ICanvasEditorDelegate::PlannedEditorSize(int& width, int& height) {
  float screenScale = 1.0f;
  int logicalWidth = 0;
  int logicalHeight = 0;
  float drawScale = 0.0f;
  if (mEditor && mEditor->EditorWindowIsOpen()) {
    screenScale = mEditor->ScreenScale();
    logicalWidth = mEditor->Width();
    logicalHeight = mEditor->Height();
    drawScale = mEditor->DrawScale();
  } else {
    // A surface that is only asked, never resized: a resize would already tell the host a size.
    std::unique_ptr<canvas::ICanvas> planned = MakeEditorSurface();
    if (!planned) return false;
    screenScale = mHostScale > 0.0f ? mHostScale : planned->ExpectedScreenScale();
    const bool remembered = mRememberedWidth != 0 && mRememberedHeight != 0 && mRememberedScale != 0.0f;
    logicalWidth = remembered ? mRememberedWidth : planned->Width();
    logicalHeight = remembered ? mRememberedHeight : planned->Height();
    drawScale = remembered ? mRememberedScale : planned->DrawScale();
  }
  // The surface's own rounding: whole pixels at the draw scale, then the screen scale.
  width = static_cast<int>(screenScale * static_cast<float>(static_cast<int>(static_cast<float>(logicalWidth) * drawScale)));
  height = static_cast<int>(screenScale * static_cast<float>(static_cast<int>(static_cast<float>(logicalHeight) * drawScale)));
  return width > 0 && height > 0;
}

bool ICanvasEditorDelegate::EditorSizeForHost(int& width, int& height) {
  int planned = 0;
  int plannedHeight = 0;
  if (PlannedEditorSize(planned, plannedHeight)) SetEditorSize(planned, plannedHeight);
  width = EditorWidth();
  height = EditorHeight();
  return width > 0 && height > 0;
}

bool ICanvasEditorDelegate::FitEditorSize(int& width, int& height) const {
  if (MaxEditorWidth() <= 0 || MaxEditorHeight() <= 0) return false;
  const double aspect = static_cast<double>(MaxEditorHeight()) / MaxEditorWidth();
  const double scale = mEditor ? std::max(0.25f, mEditor->ScreenScale()) : 1.0;
  const int minWidth = static_cast<int>(std::lround(MinEditorWidth() * scale));
  const int maxWidth = std::max(minWidth, static_cast<int>(std::lround(MaxEditorWidth() * scale)));
  const int fromHeight = static_cast<int>(std::lround(height / aspect));
  const int fitted = std::clamp(std::min(width, fromHeight), minWidth, maxWidth);
  width = fitted;
  height = static_cast<int>(std::lround(fitted * aspect));
  return true;
}

void ICanvasEditorDelegate::CloseEditor() {
  if (mClosing) return;
  mClosing = true;
  OnEditorClosed();
  if (mEditor) {
    mRememberedWidth = mEditor->Width();
    mRememberedHeight = mEditor->Height();
    mRememberedScale = mEditor->DrawScale();
    mEditor->CloseEditorWindow();
    mEditor.reset();
  }
  mClosing = false;
}

bool ICanvasEditorDelegate::OnHostKeyDown(const IKeyEvent& key) {
  if (!mEditor) return false;
  float x = 0.0f;
  float y = 0.0f;
  mEditor->GetMousePosition(x, y);
  return mEditor->OnKeyDown(x, y, key);
}

bool ICanvasEditorDelegate::OnHostKeyUp(const IKeyEvent& key) {
  if (!mEditor) return false;
  float x = 0.0f;
  float y = 0.0f;
  mEditor->GetMousePosition(x, y);
  return mEditor->OnKeyUp(x, y, key);
}

void ICanvasEditorDelegate::DeliverControlValue(int controlTag, double normalized) {
  if (!mEditor) return;
  if (canvas::IControl* control = mEditor->ControlWithTag(controlTag)) control->ReceiveValue(normalized, 0);
}

void ICanvasEditorDelegate::DeliverControlMessage(int controlTag, int messageTag, int dataSize, const void* data) {
  if (!mEditor) return;
  if (canvas::IControl* control = mEditor->ControlWithTag(controlTag))
    control->OnMessageFromDelegate(messageTag, dataSize, data);
}

void ICanvasEditorDelegate::DeliverMidi(const IMidiMessage& message) {
  if (mEditor) {
    mEditor->ForEachControl([&message](canvas::IControl& control) {
      if (control.WantsMidi()) control.OnMidi(message);
    });
  }
  OnMidiInEditor(message);
}

void ICanvasEditorDelegate::DeliverParamValue(int paramIndex, double value, bool isNormalized) {
  const IParam* param = GetParam(paramIndex);
  if (!param) return;
  if (mEditor) {
    const double normalized = isNormalized ? value : param->NormalizeValue(value);
    mEditor->ForEachControl([paramIndex, normalized](canvas::IControl& control) {
      for (int link = 0; link < control.NValues(); ++link) {
        if (control.ParamIdx(link) == paramIndex) control.ReceiveValue(normalized, link);
      }
    });
  }
  OnParamChangeInEditor(paramIndex, ParamSource::EditorDelegate);
}

bool ICanvasEditorDelegate::SerializeEditorState(IStateBuffer& buffer) const {
  const int32_t width = mEditor ? mEditor->Width() : mRememberedWidth;
  const int32_t height = mEditor ? mEditor->Height() : mRememberedHeight;
  const float scale = mEditor ? mEditor->DrawScale() : mRememberedScale;
  buffer.PutValue(width);
  buffer.PutValue(height);
  return buffer.PutValue(scale) > 0;
}

int ICanvasEditorDelegate::UnserializeEditorState(const IStateBuffer& buffer, int pos) {
  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.0f;
  pos = buffer.GetValue(width, pos);
  pos = buffer.GetValue(height, pos);
  pos = buffer.GetValue(scale, pos);

  if (!mEditor) {
    mRememberedWidth = width;
    mRememberedHeight = height;
    mRememberedScale = scale;
  } else if (width != 0 && height != 0 && scale != 0.0f) {
    mEditor->ResizeSurface(width, height, scale);
  }
  return pos;
}

void ICanvasEditorDelegate::ApplyScreenScale(float scale) {
  if (!(scale > 0.0f) || !std::isfinite(scale)) return;
  mHostScale = scale;
  if (mEditor && mEditor->EditorWindowIsOpen()) mEditor->ApplyScreenScale(scale);
}

std::unique_ptr<canvas::ICanvas> ICanvasEditorDelegate::MakeEditorSurface() {
  return mEditorFactory ? mEditorFactory() : nullptr;
}

void ICanvasEditorDelegate::LayoutEditor(canvas::ICanvas& surface) {
  if (mLayoutFunction) mLayoutFunction(surface);
}

} // namespace lumen
