#include "HostCallbackRouter.h"

#include <map>
#include <mutex>

namespace kolmari::testhost {

using lumen::vst2::AEffect;

namespace {

struct Routes {
  std::mutex mutex;
  std::map<const AEffect*, TestHost*> hosts;
  TestHost* constructing = nullptr;
  std::mutex constructionMutex;  // one entry-point call at a time
};

Routes& TheRoutes() {
  static Routes routes;
  return routes;
}

} // namespace

intptr_t HostCallbackRouter::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                      float opt) {
  Routes& routes = TheRoutes();
  TestHost* host = nullptr;
  bool duringConstruction = false;
  {
    std::lock_guard lock(routes.mutex);
    if (auto found = routes.hosts.find(effect); effect && found != routes.hosts.end()) {
      host = found->second;
      duringConstruction = host == routes.constructing;
    } else if (routes.constructing) {
      host = routes.constructing;
      duringConstruction = true;
      if (effect) routes.hosts[effect] = host;
    }
  }
  if (!host) host = &Fallback();
  return host->Answer(effect, opcode, index, value, ptr, opt, duringConstruction);
}

AEffect* HostCallbackRouter::Construct(VstPluginLibrary::EntryPoint entry, TestHost& host) {
  if (!entry) return nullptr;
  Routes& routes = TheRoutes();
  std::lock_guard construction(routes.constructionMutex);
  {
    std::lock_guard lock(routes.mutex);
    routes.constructing = &host;
  }
  AEffect* effect = nullptr;
  try {
    effect = entry(&Callback);
  } catch (...) {
    effect = nullptr;  // a plug-in that throws out of its entry point has made no instance
  }
  std::lock_guard lock(routes.mutex);
  routes.constructing = nullptr;
  // Addresses learnt from calls during construction that are not the returned record belong to
  // nothing the host will talk to again.
  std::erase_if(routes.hosts, [&](const auto& route) { return route.second == &host && route.first != effect; });
  if (effect) routes.hosts[effect] = &host;
  return effect;
}

void HostCallbackRouter::Unregister(const AEffect* effect) {
  Routes& routes = TheRoutes();
  std::lock_guard lock(routes.mutex);
  routes.hosts.erase(effect);
}

TestHost& HostCallbackRouter::Fallback() {
  static TestHost fallback;
  return fallback;
}

} // namespace kolmari::testhost
