#pragma once

#include <memory>
#include <mutex>

namespace lumen {

// How every format's entry point makes an instance. Construction touches process-wide state (the
// timer list, one-time initialised globals), so instances are made one at a time under one lock
// for the whole module; every preset slot then holds the fresh settings. Null when the plug-in
// could not be made; no exception leaves.
class PluginInstanceMaker {
public:
  template <typename Plugin, typename Factory>
  static std::unique_ptr<Plugin> Make(Factory&& make) noexcept {
    try {
      std::lock_guard<std::mutex> lock(ConstructionMutex());
      std::unique_ptr<Plugin> plugin(make());
      if (plugin) plugin->FillEmptyPresets();
      return plugin;
    } catch (...) {
      return nullptr;
    }
  }

  // The module's construction lock, for the rare caller that must hold it for longer.
  static std::mutex& ConstructionMutex();
};

} // namespace lumen
