#pragma once

#include "IEditorPump.h"
#include "Vst3Interfaces.h"
#include "Vst3Object.h"

namespace lumen::vst3 {

class Vst3Component;

// The editor's view, made by the edit controller's createView. It holds a reference on the
// component (so the plug-in outlives it) and tells the plug-in where it is, so that the editor's
// grip can ask the host for a new size through the host frame's resize_view.
//
// Linux: the view is the editor's pump. The editor runs entirely on the host's run loop (queried
// from the frame when the editor first asks): a timer for its ticks and a handler for the X
// connection's descriptor, each a tick. The editor asks for both while attached opens it and stops
// them while removed closes it; no thread of ours touches X. Windows: the editor's window has its
// own message loop and never asks, so only attached and removed matter.
//
// Every call comes on the host's main thread.
class Vst3PlugView : public Vst3Object<Vst3PlugView>, public IEditorPump {
public:
  // A view with one reference, or null for a name other than "editor" or a plug-in without one.
  static v3_plugin_view** Create(Vst3Component& component, const char* name);

  // The editor asks for a new size (window pixels); true when the host agreed.
  bool ResizeFromEditor(int width, int height);

  void* Interface(const v3_tuid iid);

  v3_result IsPlatformTypeSupported(const char* type) const;
  v3_result Attached(void* parent, const char* type);
  v3_result Removed();
  v3_result Size(v3_view_rect* rect);
  v3_result OnSize(const v3_view_rect* rect);
  v3_result SetFrame(v3_plugin_frame** frame);
  v3_result CheckSizeConstraint(v3_view_rect* rect) const;
  v3_result SetContentScale(float factor);
  void Tick();

  // The editor's pump: the host's run loop. False without a frame or where the frame has no loop.
  bool StartTimer(uint32_t periodMs) override;
  void StopTimer() override;
  bool WatchDescriptor(int fd) override;
  void StopWatching() override;

private:
  friend class Vst3Object<Vst3PlugView>;
  explicit Vst3PlugView(Vst3Component& component);
  ~Vst3PlugView() override;
  // The frame's run loop, queried on first use; null without one.
  v3_run_loop** RunLoop();
  // Lets the run loop go once nothing is registered on it.
  void ReleaseRunLoop();

  Slot mView;
  Slot mScale;
  Slot mTimer;
  Slot mEvents;
  Vst3Component& mComponent;
  v3_plugin_frame** mFrame = nullptr;
  v3_run_loop** mRunLoop = nullptr;
  bool mAttached = false;
  bool mTimerRegistered = false;
  bool mEventsRegistered = false;
  bool mInHostResize = false;
};

} // namespace lumen::vst3
