#pragma once

// One loaded CLAP binary: its clap_entry, initialised once with the binary's path and
// deinitialised when the last user lets go, and its plug-in factory. Instances share ownership, so
// the binary is unloaded only after the last of them is destroyed.

#include "entry.h"
#include "plugin-factory.h"

#include <memory>
#include <string>

namespace kolmari::testhost {

class ClapPluginLibrary {
public:
  // Null with a message in error when the file cannot be loaded, exports no clap_entry, has an
  // incompatible version, refuses init or has no plug-in factory.
  static std::shared_ptr<ClapPluginLibrary> Load(const std::string& path, std::string& error);
  ~ClapPluginLibrary();
  ClapPluginLibrary(const ClapPluginLibrary&) = delete;
  ClapPluginLibrary& operator=(const ClapPluginLibrary&) = delete;

  const std::string& Path() const { return mPath; }
  const clap_plugin_entry_t* Entry() const { return mEntry; }
  const clap_plugin_factory_t* Factory() const { return mFactory; }

private:
  ClapPluginLibrary() = default;

  std::string mPath;
  void* mHandle = nullptr;
  const clap_plugin_entry_t* mEntry = nullptr;
  const clap_plugin_factory_t* mFactory = nullptr;
};

} // namespace kolmari::testhost
