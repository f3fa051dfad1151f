#pragma once

#include "ClapPluginLibrary.h"
#ifdef KOLMARI_TESTHOST_LV2
#include "Lv2Bundle.h"
#endif
#include "PluginInstance.h"
#include "Vst3Module.h"
#include "VstPluginLibrary.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kolmari::render {

// The effect the tool renders through: a plug-in binary, loaded and driven as a host does, opened
// once and kept for the whole run. The file decides the format: a ".clap" file is a CLAP plug-in,
// a ".vst3" bundle a VST3 one, a ".lv2" bundle folder an LV2 one (hosted through lilv), anything
// else a VST 2.4 plug-in.
class EffectPlugin {
public:
  // The Kolmari.so this program was built with, if it is still there; else a Kolmari.so beside the
  // program; else the first one in the VST folders (LXVST_PATH, VST_PATH, ~/.lxvst, ~/.vst, then
  // the system's). Throws a ToolError when there is none anywhere.
  static std::string DefaultPath();

  // Loads path (DefaultPath() when empty) and opens one instance. Throws a ToolError for a path
  // that is missing, not a loadable binary, or not a VST 2.4 plug-in.
  explicit EffectPlugin(const std::string& path);

  const std::string& Path() const { return mPath; }
  testhost::PluginInstance& Instance() { return *mInstance; }

  // A further instance of the same binary, opened, independent of Instance().
  std::unique_ptr<testhost::PluginInstance> NewInstance() const;

  // "Kolmari by Lumenfold" from the plug-in's own names, falling back to the file name.
  std::string Description();

  // The current settings as a program chunk. Throws when the plug-in gives none.
  std::vector<uint8_t> SaveState();
  // Loads a program chunk; throws when the plug-in refuses it. source names the bytes in messages.
  // A plug-in whose own program chunks carry the framework's state header gets only what
  // SaveState writes for it: that header, that length, and values it reads back unchanged. (The
  // plug-in itself is more lenient with what hosts hand it; the tool is not a host restoring a
  // project but a user naming a file, and a wrong file must not quietly load as settings.)
  void LoadState(const std::vector<uint8_t>& bytes, const std::string& source);

  // The framework's program chunk header: the magic 0x70666674 (little-endian), then a 32-bit
  // version.
  static constexpr std::array<uint8_t, 4> kStateMagic{0x74, 0x66, 0x66, 0x70};
  static constexpr size_t kStateHeaderBytes = 8;

private:
  void CheckSavedState(const std::vector<uint8_t>& bytes, const std::string& source);

  // One instance of the loaded binary, or null with a message in error.
  std::unique_ptr<testhost::PluginInstance> MakeInstance(std::string& error) const;

  std::string mPath;
  std::shared_ptr<testhost::VstPluginLibrary> mVstLibrary;   // one of the two is loaded
  std::shared_ptr<testhost::ClapPluginLibrary> mClapLibrary;
  std::shared_ptr<vst3host::Vst3Module> mVst3Module;             // a VST3 bundle instead
#ifdef KOLMARI_TESTHOST_LV2
  std::shared_ptr<testhost::Lv2Bundle> mLv2Bundle; // or an LV2 bundle
#endif
  std::unique_ptr<testhost::PluginInstance> mInstance;
};

} // namespace kolmari::render
