#include "Vst3PlugView.h"

#include "ICanvas.h"
#include "Vst3Component.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumen::vst3 {

namespace {

#if defined(_WIN32)
constexpr const char* kPlatformType = V3_VIEW_PLATFORM_TYPE_HWND;
#else
constexpr const char* kPlatformType = V3_VIEW_PLATFORM_TYPE_X11;
#endif

Vst3PlugView* Owner(void* self) { return Vst3PlugView::FromSelf(self); }
constexpr v3_funknown kUnknown = Vst3PlugView::kUnknown;

v3_result V3_API IsPlatformTypeSupported(void* self, const char* type) { return Owner(self)->IsPlatformTypeSupported(type); }
v3_result V3_API Attached(void* self, void* parent, const char* type) {
  return Guarded([&] { return Owner(self)->Attached(parent, type); });
}
v3_result V3_API Removed(void* self) {
  return Guarded([&] { return Owner(self)->Removed(); });
}
v3_result V3_API OnWheel(void*, float) { return V3_FALSE; }
v3_result V3_API OnKey(void*, int16_t, int16_t, int16_t) { return V3_FALSE; } // the window gets its keys itself
v3_result V3_API GetSize(void* self, v3_view_rect* rect) { return Owner(self)->Size(rect); }
v3_result V3_API OnSize(void* self, v3_view_rect* rect) {
  return Guarded([&] { return Owner(self)->OnSize(rect); });
}
v3_result V3_API OnFocus(void*, v3_bool) { return V3_OK; }
v3_result V3_API SetFrame(void* self, v3_plugin_frame** frame) { return Owner(self)->SetFrame(frame); }
v3_result V3_API CanResize(void*) { return kYes; }
v3_result V3_API CheckSizeConstraint(void* self, v3_view_rect* rect) { return Owner(self)->CheckSizeConstraint(rect); }
constexpr v3_plugin_view_cpp kView{
    kUnknown,
    {&IsPlatformTypeSupported, &Attached, &Removed, &OnWheel, &OnKey, &OnKey, &GetSize, &OnSize, &OnFocus, &SetFrame,
     &CanResize, &CheckSizeConstraint}};

v3_result V3_API SetContentScale(void* self, float factor) {
  return Guarded([&] { return Owner(self)->SetContentScale(factor); });
}
constexpr v3_plugin_view_content_scale_cpp kScale{kUnknown, {&SetContentScale}};

void V3_API OnTimer(void* self) {
  try {
    Owner(self)->Tick();
  } catch (...) {
  }
}
constexpr v3_timer_handler_cpp kTimer{kUnknown, {&OnTimer}};
void V3_API OnFdIsSet(void* self, int) {
  try {
    Owner(self)->Tick();
  } catch (...) {
  }
}
constexpr v3_event_handler_cpp kEvents{kUnknown, {&OnFdIsSet}};

} // namespace

v3_plugin_view** Vst3PlugView::Create(Vst3Component& component, const char* name) {
  if (!name || std::strcmp(name, "editor") != 0) return nullptr;
  IEffectVST3& plugin = component.Plugin();
  if (!plugin.HasEditor() || plugin.View()) return nullptr; // one view at a time
  auto* view = new Vst3PlugView(component);
  return reinterpret_cast<v3_plugin_view**>(&view->mView);
}

Vst3PlugView::Vst3PlugView(Vst3Component& component)
    : mView{&kView, this}, mScale{&kScale, this}, mTimer{&kTimer, this}, mEvents{&kEvents, this}, mComponent(component) {
  mComponent.AddRef();
  mComponent.Plugin().SetView(this);
}

Vst3PlugView::~Vst3PlugView() {
  if (mAttached) Removed();
  StopWatching();
  StopTimer();
  ReleaseRunLoop();
  SetFrame(nullptr);
  mComponent.Plugin().SetView(nullptr);
  mComponent.Release();
}

void* Vst3PlugView::Interface(const v3_tuid iid) {
  void* slot = nullptr;
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_view_iid)) {
    slot = &mView;
  } else if (v3_tuid_match(iid, v3_plugin_view_content_scale_iid)) {
    slot = &mScale;
  } else if (v3_tuid_match(iid, v3_timer_handler_iid)) {
    slot = &mTimer;
  } else if (v3_tuid_match(iid, v3_event_handler_iid)) {
    slot = &mEvents;
  }
  if (slot) AddRef();
  return slot;
}

v3_result Vst3PlugView::IsPlatformTypeSupported(const char* type) const {
  return type && std::strcmp(type, kPlatformType) == 0 ? kYes : kNo;
}

v3_result Vst3PlugView::Attached(void* parent, const char* type) {
  if (mAttached || !parent || IsPlatformTypeSupported(type) != kYes) return V3_FALSE;
  IEffectVST3& plugin = mComponent.Plugin();
  if (!plugin.OpenEditor(parent)) return V3_FALSE;
  mAttached = true;
  return V3_OK;
}

v3_result Vst3PlugView::Removed() {
  if (!mAttached) return V3_FALSE;
  mComponent.Plugin().CloseEditor(); // stops what the editor asked of the run loop
  mAttached = false;
  ReleaseRunLoop();
  return V3_OK;
}

v3_run_loop** Vst3PlugView::RunLoop() {
#if defined(_WIN32)
  return nullptr;
#else
  if (mRunLoop || !mFrame) return mRunLoop;
  v3_run_loop** loop = nullptr;
  if (Methods<v3_plugin_frame_cpp>(mFrame).query_interface(mFrame, v3_run_loop_iid, reinterpret_cast<void**>(&loop)) !=
          V3_OK ||
      !loop) {
    return nullptr; // a host without a run loop gives the editor its idle time some other way, or not at all
  }
  mRunLoop = loop;
  return mRunLoop;
#endif
}

void Vst3PlugView::ReleaseRunLoop() {
  if (!mRunLoop || mTimerRegistered || mEventsRegistered) return;
  Unref(mRunLoop);
  mRunLoop = nullptr;
}

bool Vst3PlugView::StartTimer(uint32_t periodMs) {
  StopTimer();
  v3_run_loop** loop = periodMs > 0 ? RunLoop() : nullptr;
  if (!loop) return false;
  mTimerRegistered = Methods<v3_run_loop_cpp>(loop).loop.register_timer(
                         loop, reinterpret_cast<v3_timer_handler**>(&mTimer), periodMs) == V3_OK;
  return mTimerRegistered;
}

void Vst3PlugView::StopTimer() {
  if (!mTimerRegistered) return;
  Methods<v3_run_loop_cpp>(mRunLoop).loop.unregister_timer(mRunLoop, reinterpret_cast<v3_timer_handler**>(&mTimer));
  mTimerRegistered = false;
}

bool Vst3PlugView::WatchDescriptor(int fd) {
  StopWatching();
  v3_run_loop** loop = fd >= 0 ? RunLoop() : nullptr;
  if (!loop) return false;
  mEventsRegistered = Methods<v3_run_loop_cpp>(loop).loop.register_event_handler(
                          loop, reinterpret_cast<v3_event_handler**>(&mEvents), fd) == V3_OK;
  return mEventsRegistered;
}

void Vst3PlugView::StopWatching() {
  if (!mEventsRegistered) return;
  Methods<v3_run_loop_cpp>(mRunLoop).loop.unregister_event_handler(mRunLoop,
                                                                  reinterpret_cast<v3_event_handler**>(&mEvents));
  mEventsRegistered = false;
}

void Vst3PlugView::Tick() {
  if (mAttached) mComponent.Plugin().IdleEditor();
}

v3_result Vst3PlugView::Size(v3_view_rect* rect) {
  if (!rect) return V3_INVALID_ARG;
  int width = 0;
  int height = 0;
  mComponent.Plugin().ViewSize(width, height);
  rect->left = 0;
  rect->top = 0;
  rect->right = width;
  rect->bottom = height;
  return V3_OK;
}

v3_result Vst3PlugView::OnSize(const v3_view_rect* rect) {
  if (!rect) return V3_INVALID_ARG;
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  if (width <= 0 || height <= 0) return V3_INVALID_ARG;
  IEffectVST3& plugin = mComponent.Plugin();
  canvas::ICanvas* editor = plugin.Editor();
  if (editor && editor->EditorWindowIsOpen()) {
    if (!mInHostResize) editor->FollowParentSize(width, height);
  } else {
    plugin.SetViewSize(width, height);
  }
  return V3_OK;
}

v3_result Vst3PlugView::SetFrame(v3_plugin_frame** frame) {
  if (frame == mFrame) return V3_OK;
  if (frame) Ref(frame);
  if (mFrame) Unref(mFrame);
  mFrame = frame;
  return V3_OK;
}

v3_result Vst3PlugView::CheckSizeConstraint(v3_view_rect* rect) const {
  if (!rect) return V3_INVALID_ARG;
  int width = rect->right - rect->left;
  int height = rect->bottom - rect->top;
  if (!mComponent.Plugin().FitEditorSize(width, height)) return V3_INVALID_ARG;
  rect->right = rect->left + width;
  rect->bottom = rect->top + height;
  return V3_OK;
}

v3_result Vst3PlugView::SetContentScale(float factor) {
  if (!(factor > 0.0f) || !std::isfinite(factor)) return V3_INVALID_ARG;
  // Before the editor exists the plug-in keeps it for the editor it opens.
  mComponent.Plugin().ApplyScreenScale(factor);
  return V3_OK;
}

bool Vst3PlugView::ResizeFromEditor(int width, int height) {
  if (!mFrame || !mAttached) return false;
  v3_view_rect rect{0, 0, width, height};
  mInHostResize = true;
  const bool ok =
      Methods<v3_plugin_frame_cpp>(mFrame).frame.resize_view(mFrame, reinterpret_cast<v3_plugin_view**>(&mView), &rect) ==
      V3_OK;
  mInHostResize = false;
  if (ok) mComponent.Plugin().SetViewSize(width, height);
  return ok;
}

} // namespace lumen::vst3
