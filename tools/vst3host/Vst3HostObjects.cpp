#include "Vst3HostObjects.h"

#include <algorithm>
#include <cstring>

#ifndef _WIN32
#include <poll.h>
#endif

namespace kolmari::vst3host {

namespace {

HostObject* Self(void* self) { return static_cast<HostObject*>(self); }
template <typename T>
T* SelfAs(void* self) { return static_cast<T*>(Self(self)); }

constexpr v3_funknown kUnknown{&HostQueryInterface, &HostRef, &HostUnref};

// ---- IHostApplication
v3_result V3_API GetName(void* self, v3_str_128 name) {
  const std::string& text = SelfAs<HostApplication>(self)->name;
  size_t i = 0;
  for (; i < text.size() && i < 127; ++i) name[i] = static_cast<int16_t>(static_cast<unsigned char>(text[i]));
  name[i] = 0;
  return V3_OK;
}
v3_result V3_API CreateHostInstance(void*, v3_tuid, v3_tuid, void** obj) {
  if (obj) *obj = nullptr;
  return V3_NOT_IMPLEMENTED;
}
constexpr v3_host_application_cpp kApplication{kUnknown, {&GetName, &CreateHostInstance}};
const uint8_t* const kApplicationIids[] = {v3_host_application_iid, nullptr};

// ---- The component handler (v3_component_handler)
v3_result V3_API BeginEdit(void* self, v3_param_id id) {
  SelfAs<ComponentHandler>(self)->edits.push_back({'b', id, 0.0});
  return V3_OK;
}
v3_result V3_API PerformEdit(void* self, v3_param_id id, double value) {
  SelfAs<ComponentHandler>(self)->edits.push_back({'p', id, value});
  return V3_OK;
}
v3_result V3_API EndEdit(void* self, v3_param_id id) {
  SelfAs<ComponentHandler>(self)->edits.push_back({'e', id, 0.0});
  return V3_OK;
}
v3_result V3_API RestartComponent(void* self, int32_t flags) {
  SelfAs<ComponentHandler>(self)->edits.push_back({'r', static_cast<uint32_t>(flags), 0.0});
  return V3_OK;
}
constexpr ComponentHandlerVtbl kHandler{kUnknown, {&BeginEdit, &PerformEdit, &EndEdit, &RestartComponent}};
const uint8_t* const kHandlerIids[] = {v3_component_handler_iid, nullptr};

// ---- IBStream
v3_result V3_API Read(void* self, void* buffer, int32_t n, int32_t* got) {
  auto* s = SelfAs<MemoryStream>(self);
  if (got) *got = 0;
  if (!buffer || n < 0) return V3_INVALID_ARG;
  int64_t count = std::min<int64_t>(n, static_cast<int64_t>(s->bytes.size()) - s->position);
  if (s->maxRead > 0) count = std::min<int64_t>(count, s->maxRead);
  if (count <= 0) return V3_FALSE;
  std::memcpy(buffer, s->bytes.data() + s->position, static_cast<size_t>(count));
  s->position += count;
  if (got) *got = static_cast<int32_t>(count);
  return V3_OK;
}
v3_result V3_API Write(void* self, void* buffer, int32_t n, int32_t* wrote) {
  auto* s = SelfAs<MemoryStream>(self);
  if (wrote) *wrote = 0;
  if (!buffer || n < 0) return V3_INVALID_ARG;
  if (s->refuseWrites) return V3_FALSE;
  const auto end = static_cast<size_t>(s->position) + static_cast<size_t>(n);
  if (s->bytes.size() < end) s->bytes.resize(end);
  std::memcpy(s->bytes.data() + s->position, buffer, static_cast<size_t>(n));
  s->position += n;
  if (wrote) *wrote = n;
  return V3_OK;
}
v3_result V3_API Seek(void* self, int64_t pos, int32_t mode, int64_t* result) {
  auto* s = SelfAs<MemoryStream>(self);
  int64_t base = mode == V3_SEEK_SET ? 0 : mode == V3_SEEK_CUR ? s->position : static_cast<int64_t>(s->bytes.size());
  if (base + pos < 0) return V3_INVALID_ARG;
  s->position = base + pos;
  if (result) *result = s->position;
  return V3_OK;
}
v3_result V3_API Tell(void* self, int64_t* pos) {
  if (!pos) return V3_INVALID_ARG;
  *pos = SelfAs<MemoryStream>(self)->position;
  return V3_OK;
}
constexpr StreamVtbl kStream{kUnknown, {&Read, &Write, &Seek, &Tell}};
const uint8_t* const kStreamIids[] = {v3_bstream_iid, nullptr};

// ---- The parameter changes (v3_param_changes) and their value queues (v3_param_value_queue)
v3_param_id V3_API QueueId(void* self) { return SelfAs<ParamQueue>(self)->id; }
int32_t V3_API PointCount(void* self) { return static_cast<int32_t>(SelfAs<ParamQueue>(self)->points.size()); }
v3_result V3_API GetPoint(void* self, int32_t index, int32_t* offset, double* value) {
  auto* q = SelfAs<ParamQueue>(self);
  if (index < 0 || index >= static_cast<int32_t>(q->points.size()) || !offset || !value) return V3_INVALID_ARG;
  *offset = q->points[static_cast<size_t>(index)].first;
  *value = q->points[static_cast<size_t>(index)].second;
  return V3_OK;
}
v3_result V3_API AddPoint(void* self, int32_t offset, double value, int32_t* index) {
  auto* q = SelfAs<ParamQueue>(self);
  q->points.emplace_back(offset, value);
  if (index) *index = static_cast<int32_t>(q->points.size()) - 1;
  return V3_OK;
}
constexpr v3_param_value_queue_cpp kQueue{kUnknown, {&QueueId, &PointCount, &GetPoint, &AddPoint}};
const uint8_t* const kQueueIids[] = {v3_param_value_queue_iid, nullptr};

int32_t V3_API ParamCount(void* self) { return static_cast<int32_t>(SelfAs<ParameterChanges>(self)->queues.size()); }
v3_param_value_queue** V3_API ParamData(void* self, int32_t index) {
  auto* c = SelfAs<ParameterChanges>(self);
  if (index < 0 || index >= static_cast<int32_t>(c->queues.size())) return nullptr;
  return c->queues[static_cast<size_t>(index)]->As<v3_param_value_queue>();
}
v3_param_value_queue** V3_API AddParamData(void*, v3_param_id*, int32_t* index) {
  if (index) *index = -1;
  return nullptr; // the plug-in has no output changes to give
}
constexpr v3_param_changes_cpp kChanges{kUnknown, {&ParamCount, &ParamData, &AddParamData}};
const uint8_t* const kChangesIids[] = {v3_param_changes_iid, nullptr};

// ---- The run loop (v3_run_loop)
v3_result V3_API RegisterHandler(void* self, v3_event_handler** handler, int fd) {
  if (!handler) return V3_INVALID_ARG;
  Ref(handler);
  SelfAs<RunLoop>(self)->handlers.push_back({handler, fd});
  return V3_OK;
}
v3_result V3_API UnregisterHandler(void* self, v3_event_handler** handler) {
  auto& list = SelfAs<RunLoop>(self)->handlers;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->handler == handler) {
      list.erase(it);
      Unref(handler);
      return V3_OK;
    }
  }
  return V3_INVALID_ARG;
}
v3_result V3_API RegisterTimer(void* self, v3_timer_handler** handler, uint64_t ms) {
  if (!handler) return V3_INVALID_ARG;
  Ref(handler);
  const auto period = std::chrono::milliseconds(std::max<uint64_t>(ms, 1));
  SelfAs<RunLoop>(self)->timers.push_back({handler, period, std::chrono::steady_clock::now() + period});
  return V3_OK;
}
v3_result V3_API UnregisterTimer(void* self, v3_timer_handler** handler) {
  auto& list = SelfAs<RunLoop>(self)->timers;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->handler == handler) {
      list.erase(it);
      Unref(handler);
      return V3_OK;
    }
  }
  return V3_INVALID_ARG;
}
constexpr v3_run_loop_cpp kRunLoop{kUnknown, {&RegisterHandler, &UnregisterHandler, &RegisterTimer, &UnregisterTimer}};
const uint8_t* const kRunLoopIids[] = {v3_run_loop_iid, nullptr};

// ---- The plug-in frame (v3_plugin_frame)
v3_result V3_API ResizeView(void* self, v3_plugin_view** view, v3_view_rect* rect) {
  auto* f = SelfAs<PlugFrame>(self);
  if (!view || !rect) return V3_INVALID_ARG;
  f->resizes.push_back(*rect);
  if (!f->acceptResize) return V3_FALSE;
  // A host resizes its window, then tells the view its new size.
  return Methods<v3_plugin_view_cpp>(view).view.on_size(view, rect);
}
constexpr v3_plugin_frame_cpp kFrame{kUnknown, {&ResizeView}};
const uint8_t* const kFrameIids[] = {v3_plugin_frame_iid, v3_run_loop_iid, nullptr};

} // namespace

v3_result V3_API HostQueryInterface(void* self, const v3_tuid iid, void** obj) {
  if (!obj) return V3_INVALID_ARG;
  *obj = nullptr;
  HostObject* o = Self(self);
  if (o->iids == kFrameIids && v3_tuid_match(iid, v3_run_loop_iid)) {
    // The frame hands out its run loop, where it has one.
    if (!static_cast<PlugFrame*>(o)->offersRunLoop) return V3_NO_INTERFACE;
    auto* loop = &static_cast<PlugFrame*>(o)->loop;
    ++loop->refs;
    *obj = loop;
    return V3_OK;
  }
  bool known = v3_tuid_match(iid, v3_funknown_iid);
  for (const uint8_t* const* id = o->iids; !known && *id; ++id) known = v3_tuid_match(iid, *id);
  if (!known) return V3_NO_INTERFACE;
  ++o->refs;
  *obj = o;
  return V3_OK;
}
uint32_t V3_API HostRef(void* self) { return self ? static_cast<uint32_t>(++Self(self)->refs) : 0; }
uint32_t V3_API HostUnref(void* self) { return static_cast<uint32_t>(--Self(self)->refs); }

HostApplication::HostApplication() : HostObject(&kApplication, kApplicationIids) {}
ComponentHandler::ComponentHandler() : HostObject(&kHandler, kHandlerIids) {}
MemoryStream::MemoryStream() : HostObject(&kStream, kStreamIids) {}
MemoryStream::MemoryStream(std::vector<uint8_t> contents) : HostObject(&kStream, kStreamIids), bytes(std::move(contents)) {}
ParamQueue::ParamQueue() : HostObject(&kQueue, kQueueIids) {}
ParameterChanges::ParameterChanges() : HostObject(&kChanges, kChangesIids) {}
ParameterChanges::~ParameterChanges() { Clear(); }
RunLoop::RunLoop() : HostObject(&kRunLoop, kRunLoopIids) {}
PlugFrame::PlugFrame() : HostObject(&kFrame, kFrameIids) {}

void ParameterChanges::Add(uint32_t id, int32_t offset, double value) {
  ParamQueue* queue = nullptr;
  for (ParamQueue* q : queues) if (q->id == id) queue = q;
  if (!queue) {
    queue = new ParamQueue();
    queue->id = id;
    queues.push_back(queue);
  }
  queue->points.emplace_back(offset, value);
}

void ParameterChanges::Clear() {
  for (ParamQueue* q : queues) delete q;
  queues.clear();
}

int RunLoop::Pump() {
  int fired = 0;
  const auto now = std::chrono::steady_clock::now();
  // Copies: a handler may unregister itself (or others) while it runs.
  const std::vector<Timer> due = timers;
  for (const Timer& t : due) {
    if (t.due > now) continue;
    for (Timer& live : timers) if (live.handler == t.handler) live.due = now + live.period;
    Methods<v3_timer_handler_cpp>(t.handler).timer.on_timer(t.handler);
    ++fired;
  }
#ifndef _WIN32
  const std::vector<Handler> ready = handlers;
  for (const Handler& h : ready) {
    pollfd p{h.fd, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
      Methods<v3_event_handler_cpp>(h.handler).handler.on_fd_is_set(h.handler, h.fd);
      ++fired;
    }
  }
#endif
  return fired;
}

} // namespace kolmari::vst3host
