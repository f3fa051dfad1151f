#pragma once

// An LV2 bundle loaded through lilv, as the tools host it: a world of its own holding this bundle
// only (never the user's LV2 folders, where another build of the same plug-in may sit under the same
// URI), the plug-in chosen from it, what its control ports say, and the URI map that instances and
// saved states share. Instances of the plug-in keep the bundle alive through a shared pointer.
//
// Every call comes from the host's main thread.

#include "Lv2ControlPort.h"

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kolmari::testhost {

class Lv2Bundle {
public:
  // Loads the bundle folder at path and picks its stereo plug-in (two audio inputs, two outputs),
  // else its first. Null with a message in error when the folder holds no bundle or no plug-in.
  static std::shared_ptr<Lv2Bundle> Load(const std::string& path, std::string& error);
  ~Lv2Bundle();
  Lv2Bundle(const Lv2Bundle&) = delete;
  Lv2Bundle& operator=(const Lv2Bundle&) = delete;

  LilvWorld* World() const { return mWorld; }
  const LilvPlugin* Plugin() const { return mPlugin; }
  const std::string& PluginUri() const { return mPluginUri; }
  std::string Name() const;
  std::string Author() const;

  // The ports by kind, each list in port index order. The control inputs are the parameters.
  const std::vector<uint32_t>& AudioInputs() const { return mAudioInputs; }
  const std::vector<uint32_t>& AudioOutputs() const { return mAudioOutputs; }
  const std::vector<Lv2ControlPort>& Controls() const { return mControls; }
  const std::vector<uint32_t>& ControlOutputs() const { return mControlOutputs; }
  uint32_t PortCount() const { return mPortCount; }

  // The URI map of this host: the same URI gives the same number for the bundle's lifetime.
  LV2_URID_Map* Map() { return &mMap; }
  LV2_URID_Unmap* Unmap() { return &mUnmap; }
  LV2_URID MapUri(const char* uri);
  const char* UnmapUrid(LV2_URID urid) const;

private:
  Lv2Bundle();
  bool Describe(std::string& error);
  Lv2ControlPort DescribeControl(uint32_t index) const;

  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  std::string mPluginUri;
  uint32_t mPortCount = 0;
  std::vector<uint32_t> mAudioInputs;
  std::vector<uint32_t> mAudioOutputs;
  std::vector<Lv2ControlPort> mControls;
  std::vector<uint32_t> mControlOutputs;
  std::unordered_map<std::string, LV2_URID> mUrids;
  std::vector<std::string> mUris; // mUris[urid - 1]
  LV2_URID_Map mMap{};
  LV2_URID_Unmap mUnmap{};
};

// True for a path the LV2 side opens: a folder named "*.lv2" (with or without a trailing slash).
bool IsLv2Path(const std::string& path);

} // namespace kolmari::testhost
