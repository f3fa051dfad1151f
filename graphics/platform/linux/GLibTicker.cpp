#include "GLibTicker.h"

#include <dlfcn.h>

namespace lumen::canvas {

namespace {

// GLib's own signatures, declared here because only the functions already in the process are used.
using ContextDefaultFn = void* (*)();
using ContextIsOwnerFn = int (*)(void*);
using SourceFunc = int (*)(void*);
using TimeoutAddFullFn = unsigned (*)(int priority, unsigned intervalMs, SourceFunc function, void* data,
                                      void (*notify)(void*));
using SourceRemoveFn = int (*)(unsigned);

template <typename Fn>
Fn Lookup(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

bool GLibTicker::Start(unsigned periodMs, std::function<void()> callback) {
  Stop();
  const auto contextDefault = Lookup<ContextDefaultFn>("g_main_context_default");
  const auto contextIsOwner = Lookup<ContextIsOwnerFn>("g_main_context_is_owner");
  const auto timeoutAddFull = Lookup<TimeoutAddFullFn>("g_timeout_add_full");
  if (contextDefault == nullptr || contextIsOwner == nullptr || timeoutAddFull == nullptr) return false;
  // The source fires on whichever thread runs the default context: it must be this one.
  if (contextIsOwner(contextDefault()) == 0) return false;
  mCallback = std::move(callback);
  constexpr int kPriorityDefault = 0;
  mSource = timeoutAddFull(kPriorityDefault, periodMs, &GLibTicker::Fire, this, nullptr);
  return mSource != 0;
}

void GLibTicker::Stop() {
  if (mSource == 0) return;
  if (const auto sourceRemove = Lookup<SourceRemoveFn>("g_source_remove")) sourceRemove(mSource);
  mSource = 0;
  mCallback = nullptr;
}

int GLibTicker::Fire(void* self) {
  auto* ticker = static_cast<GLibTicker*>(self);
  if (ticker->mCallback) ticker->mCallback();
  return 1; // keep the source
}

} // namespace lumen::canvas
