#pragma once

// The host's side of VST3 for tests and tools: the objects a host hands a plug-in (application
// context, component handler, streams, parameter changes, plug frame and run loop). Each is owned
// by whoever made it, not by its reference count: a test can see the count return to where it was
// after the plug-in let go.

#include "Vst3Interfaces.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kolmari::vst3host {

using namespace lumen::vst3;

// The common head of every host object: the method record the plug-in calls through, then the
// count. Derived objects add their data after it.
struct HostObject {
  const void* methods;
  std::atomic<int32_t> refs{1};
  const uint8_t* const* iids; // the interfaces this object answers, null-terminated; FUnknown always
  explicit HostObject(const void* m, const uint8_t* const* ids) : methods(m), iids(ids) {}
  int32_t References() const { return refs.load(); }
  template <typename T>
  T** As() { return reinterpret_cast<T**>(this); }
};

v3_result V3_API HostQueryInterface(void* self, const v3_tuid iid, void** obj);
uint32_t V3_API HostRef(void* self);
uint32_t V3_API HostUnref(void* self);

// IHostApplication: a name and nothing to create.
struct HostApplication : HostObject {
  HostApplication();
  std::string name = "Kolmari VST3 test host";
};

// The component handler (v3_component_handler): records what the plug-in tells the host.
struct ComponentHandler : HostObject {
  ComponentHandler();
  struct Edit {
    char kind; // 'b' begin, 'p' perform, 'e' end, 'r' restart
    uint32_t id;
    double value;
  };
  std::vector<Edit> edits;
};

// IBStream over bytes in memory. Reads may be limited to a few bytes at a time (as some hosts'
// streams are) and writes may be refused, to check how the plug-in copes.
struct MemoryStream : HostObject {
  MemoryStream();
  explicit MemoryStream(std::vector<uint8_t> contents);
  std::vector<uint8_t> bytes;
  int64_t position = 0;
  int32_t maxRead = 0; // 0: no limit
  bool refuseWrites = false;
};

// The parameter changes (v3_param_changes) with their value queues, filled by the host before a process call.
struct ParamQueue : HostObject {
  ParamQueue();
  uint32_t id = 0;
  std::vector<std::pair<int32_t, double>> points;
};
struct ParameterChanges : HostObject {
  ParameterChanges();
  ~ParameterChanges();
  // Adds a point to the queue of id (made on first use); queues keep their order of creation.
  void Add(uint32_t id, int32_t offset, double value);
  void Clear();
  std::vector<ParamQueue*> queues;
};

// The run loop (v3_run_loop): the host's timers and descriptor handlers, fired when the host pumps it.
struct RunLoop : HostObject {
  RunLoop();
  struct Timer {
    v3_timer_handler** handler;
    std::chrono::milliseconds period;
    std::chrono::steady_clock::time_point due;
  };
  struct Handler {
    v3_event_handler** handler;
    int fd;
  };
  std::vector<Timer> timers;
  std::vector<Handler> handlers;
  // Fires due timers and the handlers whose descriptor is readable; returns how many fired.
  int Pump();
};

// The plug-in frame (v3_plugin_frame) with the run loop behind it: resize_view records the size
// and tells the view.
struct PlugFrame : HostObject {
  PlugFrame();
  RunLoop loop;
  std::vector<v3_view_rect> resizes;
  bool acceptResize = true;
  bool offersRunLoop = true; // false: a host whose frame has no run loop
};

} // namespace kolmari::vst3host
