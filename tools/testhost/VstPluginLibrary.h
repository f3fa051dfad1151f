#pragma once

// One loaded VST 2.4 plug-in binary and its entry point. The binary stays loaded as long as the
// object lives; instances made from it share ownership of it, so it is unloaded only after the last
// of them is closed.

#include "AEffect.h"

#include <memory>
#include <string>

namespace kolmari::testhost {

class VstPluginLibrary {
public:
  using EntryPoint = lumen::vst2::AEffect* (*)(lumen::vst2::audioMasterCallback);

  // Loads the binary at path and looks up "VSTPluginMain", or else "main" (the name older hosts use).
  // A binary that cannot be loaded or exports neither gives null and a message in error.
  static std::shared_ptr<VstPluginLibrary> Load(const std::string& path, std::string& error);

  ~VstPluginLibrary();
  VstPluginLibrary(const VstPluginLibrary&) = delete;
  VstPluginLibrary& operator=(const VstPluginLibrary&) = delete;

  const std::string& Path() const { return mPath; }
  // "VSTPluginMain" or "main": the name the entry point was found under.
  const std::string& EntryPointName() const { return mEntryPointName; }
  EntryPoint Entry() const { return mEntry; }

private:
  VstPluginLibrary(std::string path, void* handle, EntryPoint entry, std::string entryPointName);

  std::string mPath;
  void* mHandle = nullptr;
  EntryPoint mEntry = nullptr;
  std::string mEntryPointName;
};

} // namespace kolmari::testhost
