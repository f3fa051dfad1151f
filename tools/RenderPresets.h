#pragma once

#include "EffectPlugin.h"

#include <string>
#include <vector>

namespace kolmari::render {

class ParameterSettings;

// Kolmari's factory presets as kolmari-render finds and applies them, through each format's own
// convention where it has one:
//  - LV2: the bundle's pset:Preset data, read and applied through lilv as an LV2 host does;
//  - VST3: the .vstpreset files (their component state), from the folder "vst3-presets" beside the
//    bundle (the build's own), else the user's and the system's VST3 preset folders
//    (~/.vst3/presets/VENDOR/NAME, /usr/share/vst3/presets/..., /usr/local/share/vst3/presets/...);
//  - VST 2.4 and CLAP, which carry no preset files: the plug-in's program chunk, made from the
//    factory table this program is built with (Kolmari only).
// Every format lists the same presets in the same order: the factory table's.
// An .fxp file (either form hosts write) applies to Kolmari in every format.
class RenderPresets {
public:
  struct Entry {
    std::string category;
    std::string name;
    std::string locator; // LV2: the preset's URI; VST3: the file; otherwise empty
  };

  explicit RenderPresets(EffectPlugin& plugin);

  // The presets, "Category: Name" a line. Throws a ToolError when the plug-in has none.
  std::string ListText() const;

  // Applies the factory preset of that exact name, or the .fxp file at that path. Throws a usage
  // ToolError for an unknown name and a ToolError for a file or preset the plug-in cannot take;
  // nothing changes then.
  void Apply(const std::string& nameOrPath, ParameterSettings& parameters);

  const std::vector<Entry>& Entries() const { return mEntries; }

private:
  bool IsKolmari();
  void FindLv2();
  void FindVst3();
  void ApplyProgramFile(const std::string& path, ParameterSettings& parameters);
  // The plug-in's settings as plain values (by parameter index), through the format's convention.
  void ApplyValues(const std::vector<double>& values, const std::string& source, ParameterSettings& parameters);

  EffectPlugin& mPlugin;
  std::vector<Entry> mEntries;
};

} // namespace kolmari::render
