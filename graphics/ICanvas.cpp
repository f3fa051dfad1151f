// The surface's control list, frame cycle and scaling.
#include "ICanvas.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "ISharedCaches.h"
#include "controls/IBitmapControl.h"
#include "controls/ICornerResizerControl.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "controls/IValueReadoutControl.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace lumen::canvas {

namespace {

bool UsableScale(float s) { return std::isfinite(s) && s > 0.0f; }

} // namespace

ICanvas::ICanvas(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale)
    : mDelegate(delegate),
      mResources(&IResourceTable::Default()),
      mWidth(width),
      mHeight(height),
      mFPS(fps),
      mDrawScale(UsableScale(drawScale) ? drawScale : 1.0f),
      mMinDrawScale(0.5f * mDrawScale),
      mMaxDrawScale(2.0f * mDrawScale),
      mFrameTimes(kFrameTimeRing, 0.0) {
  ISharedCaches::Instance().AddUser();
}

ICanvas::~ICanvas() {
  // The platform part is gone by now: nothing here may call a platform operation. A platform layer
  // that forgot ReleaseBeforeDestruction still gets its controls deleted.
  DeleteControls();
  ISharedCaches::Instance().RemoveUser();
}

void ICanvas::ReleaseBeforeDestruction() {
  if (mReleased) return;
  RemoveAllControls();
  mReleased = true;
}

void ICanvas::Attach(IControl& control) {
  control.SetDelegate(mDelegate);
  control.SetUI(this);
  control.OnSetup();
  control.OnBoundsChanged();
  control.OnScaleChanged();
}

IControl* ICanvas::AddControl(IControl* control, int tag) {
  if (!control) return nullptr;
  Attach(*control);
  control->SetGroup("");
  mControls.emplace_back(control);
  if (tag >= 0) mTags[tag] = control;
  control->OnAdded();
  return control;
}

void ICanvas::SetBackground(const IBitmapHandle& bitmap) {
  auto background = std::make_unique<IBitmapControl>(
      IRectF(0.0f, 0.0f, static_cast<float>(bitmap.FrameWidth()), static_cast<float>(bitmap.FrameHeight())), bitmap);
  background->SetBlend({IBlendMode::SourceOver, 1.0f});
  Attach(*background);
  mControls.insert(mControls.begin(), std::move(background));
  // Indices shift by one; a stored mouse-over index would now name another control.
  if (mMouseOverIdx >= 0) ++mMouseOverIdx;
}

void ICanvas::AttachResizeGrip(ICornerResizerControl* grip, ResizeMode mode, bool layoutOnResize) {
  std::unique_ptr<ICornerResizerControl> owned(grip);
  if (!owned || mResizeGrip) return; // a second grip is deleted
  mResizeGrip = std::move(owned);
  mResizeMode = mode;
  mLayoutOnResize = layoutOnResize;
  Attach(*mResizeGrip);
}

void ICanvas::CreateTextEditor() {
  if (mTextEditor) return;
  mTextEditor = std::make_unique<ITextEntryControl>();
  mTextEditor->SetActionFunction([](IControl* c) { static_cast<ITextEntryControl*>(c)->StartBlink(); });
  Attach(*mTextEditor);
}

void ICanvas::SetPopupMenuControl(std::unique_ptr<IPopupMenuControl> control) {
  mPopupMenuControl = std::move(control);
  if (mPopupMenuControl) Attach(*mPopupMenuControl);
}

void ICanvas::SetPerformanceDisplay(std::unique_ptr<IControl> control) {
  mPerfDisplay = std::move(control);
  if (mPerfDisplay) Attach(*mPerfDisplay);
}

void ICanvas::AddBubbleControl(std::unique_ptr<IControl> control) {
  if (!control) return;
  Attach(*control);
  mBubbleControls.push_back(std::move(control));
}

void ICanvas::EnableValueReadout(const ITextStyle& style) {
  if (mReadout) return;
  auto readout = std::make_unique<IValueReadoutControl>(style);
  mReadout = readout.get();
  AddBubbleControl(std::move(readout));
}

void ICanvas::ShowValueReadout(IControl& control) {
  if (mReadout && ReadoutTarget(&control)) mReadout->ShowFor(&control);
}

IControl* ICanvas::GetControl(int index) const {
  return index >= 0 && index < ControlCount() ? mControls[static_cast<size_t>(index)].get() : nullptr;
}

int ICanvas::IndexOf(const IControl* control) const {
  for (size_t i = 0; i < mControls.size(); ++i) {
    if (mControls[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

IControl* ICanvas::ControlWithTag(int tag) {
  const auto it = mTags.find(tag);
  return it == mTags.end() ? nullptr : it->second;
}

void ICanvas::ForEachListedControl(const ControlFunction& fn) {
  // By index: a callback may add controls (the layout on resize), which may move the storage.
  for (size_t i = 0; i < mControls.size(); ++i) fn(*mControls[i]);
}

void ICanvas::ForEachControl(const ControlFunction& fn) {
  ForEachListedControl(fn);
  if (mPerfDisplay) fn(*mPerfDisplay);
  if (mResizeGrip) fn(*mResizeGrip);
  if (mTextEditor) fn(*mTextEditor);
  for (size_t i = 0; i < mBubbleControls.size(); ++i) fn(*mBubbleControls[i]);
  // Last, so an open menu is drawn over everything, a fading value readout included.
  if (mPopupMenuControl) fn(*mPopupMenuControl);
}

void ICanvas::SyncSiblings(const IControl* caller, int paramIdx, double value) {
  if (paramIdx < 0) return;
  ForEachListedControl([&](IControl& control) {
    if (&control == caller) return;
    const int valueIndex = control.FirstValueBoundTo(paramIdx);
    if (valueIndex >= 0) control.ReceiveValue(value, valueIndex);
  });
}

void ICanvas::RemoveAllControls() {
  ReleaseCapturesAndShowCursor();
  // Gestures still open for prompts that never finished are closed too.
  for (auto& [control, params] : mOpenGestures) {
    if (mDelegate) {
      for (const int p : params) mDelegate->EndParamGestureFromEditor(p);
    }
  }
  mOpenGestures.clear();
  DeleteControls();
}

void ICanvas::DeleteControls() {
  mCaptured.clear();
  mOpenGestures.clear();
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mInTextEntry = nullptr;
  mInTextEntryIdx = -1;
  mInPopupMenu = nullptr;
  mMenuChoice = nullptr;
  mPopupMenuControl.reset();
  mTextEditor.reset();
  mResizeGrip.reset();
  mPerfDisplay.reset();
  mReadout = nullptr;
  while (!mBubbleControls.empty()) mBubbleControls.pop_back();
  mTags.clear();
  while (!mControls.empty()) mControls.pop_back(); // last first
}

// ---- Frame cycle -------------------------------------------------------------------------------------

void ICanvas::StartFrame() {
  if (!mPerfDisplay) return;
  const double now = NowMilliseconds() / 1000.0;
  mFrameTimeIndex = (mFrameTimeIndex + 1) % kFrameTimeRing;
  mFrameTimes[static_cast<size_t>(mFrameTimeIndex)] = now - mPrevFrameTime;
  mPrevFrameTime = now;
}

double ICanvas::NowMilliseconds() const {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool ICanvas::CollectDirtyRegions(IRectFList& regions) {
  bool dirty = false;
  ForEachControl([&](IControl& control) {
    if (control.NeedsRedraw()) {
      regions.push_back(control.GetRect().Grown(kDirtyPadding));
      dirty = true;
    }
  });
  return dirty;
}

bool ICanvas::Tick(IRectFList& regions) {
  // The readout's timing (hover delay, fade) runs on the display ticks, alike on every platform.
  if (mReadout) mReadout->Tick(NowMilliseconds());
  // The animations first, in a pass of their own: one may mark any control dirty, also one the
  // collection below has already passed, which would then be cleaned without being redrawn.
  ForEachControl([](IControl& control) {
    if (!control.GetAnimationFunction()) return;
    // A copy runs: the callback may end or restart the animation, replacing it meanwhile.
    const IControl::AnimationFunction animation = control.GetAnimationFunction();
    animation(&control);
  });
  const bool dirty = CollectDirtyRegions(regions);
  if (dirty) ForEachControl([](IControl& control) { control.MarkClean(); });
  return dirty;
}

IRectFList ICanvas::ReduceRegions(IRectFList regions) {
  // Every step removes only area that another rectangle of the list still covers, so the union of
  // the list never changes.
  // Each step removes a rectangle or strictly shrinks one to edges taken from the list, so it ends.
  bool changed = true;
  while (changed) {
    changed = false;
    for (size_t i = 0; i < regions.size() && !changed; ++i) {
      for (size_t j = 0; j < regions.size() && !changed; ++j) {
        if (i == j) continue;
        const IRectF a = regions[i];
        IRectF& b = regions[j];
        if (a.Contains(b)) {
          regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(j));
          changed = true;
          continue;
        }
        if (!a.Intersects(b)) continue;
        // a spans b's whole width: cut the strip of b that a covers at b's top or bottom.
        if (a.L <= b.L && a.R >= b.R) {
          if (a.T <= b.T && a.B < b.B) {
            b.T = a.B;
            changed = true;
          } else if (a.B >= b.B && a.T > b.T) {
            b.B = a.T;
            changed = true;
          }
        } else if (a.T <= b.T && a.B >= b.B) { // a spans b's whole height
          if (a.L <= b.L && a.R < b.R) {
            b.L = a.R;
            changed = true;
          } else if (a.R >= b.R && a.L > b.L) {
            b.R = a.L;
            changed = true;
          }
        }
      }
    }
  }
  return regions;
}

void ICanvas::DrawRegions(const IRectFList& regions) {
  if (regions.empty()) return;
  const float s = TotalScale();
  StartFrame();
  auto drawInto = [&](const IRectF& region) {
    ForEachControl([&](IControl& control) { DrawOneControl(control, region, s); });
  };
  if (mSingleRegion) {
    IRectF all;
    for (const IRectF& r : regions) all = all.Union(r);
    drawInto(all.PixelAligned(s));
  } else {
    IRectFList aligned;
    aligned.reserve(regions.size());
    for (const IRectF& r : regions) {
      const IRectF a = r.PixelAligned(s);
      if (!a.HasNoArea()) aligned.push_back(a);
    }
    for (const IRectF& region : ReduceRegions(std::move(aligned))) drawInto(region);
  }
  FinishFrame();
}

void ICanvas::DrawOneControl(IControl& control, const IRectF& region, float scale) {
  if (control.IsHidden() && GetControl(0) != &control) return;
  const IRectF clip = control.GetRect().Grown(kDirtyPadding).PixelAligned(scale).Intersect(region);
  if (clip.HasNoArea()) return;
  PathTransformReset(true);
  ClearPath();
  SetClip(clip);
  mClipRect = clip;
  control.Draw(*this);
  EndRegion(clip);
}

void ICanvas::EndRegion(const IRectF&) {}

// ---- Scaling -----------------------------------------------------------------------------------------

void ICanvas::RequestWindowResize() {
  const float platformScale = PlatformWindowScale();
  const int w = static_cast<int>(platformScale * static_cast<float>(static_cast<int>(static_cast<float>(mWidth) * mDrawScale)));
  const int h = static_cast<int>(platformScale * static_cast<float>(static_cast<int>(static_cast<float>(mHeight) * mDrawScale)));
  const bool resized = mDelegate ? mDelegate->EditorResizeRequest(w, h, !mFollowingParent) : false;
  ResizePlatformWindow(resized || mFollowingParent);
}

void ICanvas::FollowParentSize(int pixelWidth, int pixelHeight) {
  const float platformScale = PlatformWindowScale();
  if (pixelWidth <= 0 || pixelHeight <= 0 || mWidth <= 0 || mHeight <= 0 || !UsableScale(platformScale)) return;
  const auto pixels = [platformScale](int logical, float drawScale) {
    return static_cast<int>(platformScale * static_cast<float>(static_cast<int>(static_cast<float>(logical) * drawScale)));
  };
  int width = mWidth;
  int height = mHeight;
  float scale = mDrawScale;
  if (mResizeMode == ResizeMode::Scale) {
    scale = std::min(static_cast<float>(pixelWidth) / (static_cast<float>(mWidth) * platformScale),
                     static_cast<float>(pixelHeight) / (static_cast<float>(mHeight) * platformScale));
  } else {
    width = static_cast<int>(static_cast<float>(pixelWidth) / (platformScale * mDrawScale));
    height = static_cast<int>(static_cast<float>(pixelHeight) / (platformScale * mDrawScale));
  }
  const int nowW = pixels(mWidth, mDrawScale);
  const int nowH = pixels(mHeight, mDrawScale);
  // Rounding makes the fitted size of a window the editor fills already a pixel smaller: an editor
  // that fits and would not grow stays as it is.
  if (nowW <= pixelWidth && nowH <= pixelHeight && pixels(width, scale) <= nowW && pixels(height, scale) <= nowH) return;
  mFollowingParent = true;
  ResizeSurface(width, height, scale);
  mFollowingParent = false;
}

void ICanvas::ApplyScreenScale(float scale) {
  if (!UsableScale(scale)) return;
  mScreenScale = scale;
  RequestWindowResize();
  ForEachControl([](IControl& control) { control.OnScaleChanged(); });
  ForEachControl([](IControl& control) { control.MarkDirty(false); });
  ResizeDrawTarget();
}

void ICanvas::ResizeSurface(int width, int height, float scale) {
  if (mDelegate) {
    width = std::clamp(width, mDelegate->MinEditorWidth(), std::max(mDelegate->MinEditorWidth(), mDelegate->MaxEditorWidth()));
    height = std::clamp(height, mDelegate->MinEditorHeight(), std::max(mDelegate->MinEditorHeight(), mDelegate->MaxEditorHeight()));
  }
  // A scale that is no positive finite number keeps the current one.
  if (!UsableScale(scale)) scale = mDrawScale;
  scale = std::clamp(scale, mMinDrawScale, mMaxDrawScale);
  if (width == mWidth && height == mHeight && scale == mDrawScale) return;

  ReleaseCapturesAndShowCursor();
  mDrawScale = scale;
  mWidth = width;
  mHeight = height;
  if (mResizeGrip) mResizeGrip->OnScaleChanged();
  RequestWindowResize();
  ForEachControl([](IControl& control) { control.OnBoundsChanged(); });
  ForEachControl([](IControl& control) { control.MarkDirty(false); });
  ResizeDrawTarget();
  if (mLayoutOnResize && mDelegate) mDelegate->LayoutEditor(*this);
}

// ---- Core defaults of platform operations -------------------------------------------------------------

int ICanvas::SetPointerKind(int kind) {
  const int previous = mCursorKind;
  mCursorKind = kind;
  return previous;
}

bool ICanvas::EditorWindowIsOpen() const { return WindowHandle() != nullptr; }
const char* ICanvas::PlatformName() const { return ""; }
bool ICanvas::RevealPathInExplorer(const char*, bool) { return false; }
void ICanvas::SetModuleHandle(void*) {}
void* ICanvas::ModuleHandle() const { return nullptr; }
const char* ICanvas::ResourceSubfolder() const { return ""; }
void ICanvas::RegisterGestureType(int type) { mGestureTypes.push_back(type); }

} // namespace lumen::canvas
