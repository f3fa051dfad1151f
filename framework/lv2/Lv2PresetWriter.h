#pragma once

#include "FactoryPreset.h"

#include <string>
#include <vector>

namespace lumen {

class IEffectLV2;

// The factory presets as LV2 preset data, written into the bundle at build time: one pset:Preset
// per preset, applying to every plug-in URI of the bundle, labelled with its name, its category as
// the comment, and one port value per parameter but the bypass parameter: its port "enabled" is
// left alone, so choosing a preset never switches a bypassed plug-in back on. `plugin` gives the
// port symbols.
class Lv2PresetWriter {
public:
  Lv2PresetWriter(const IEffectLV2& plugin, std::vector<std::string> pluginUris);

  // The preset's URI: the plug-in's URI, "/presets/", and the name in lower case with every run of
  // other characters as one '-' ("Lo-Fi Fold" becomes ".../presets/lo-fi-fold").
  std::string PresetUri(const FactoryPreset& preset) const;

  // The whole presets file (prefixes included).
  std::string PresetsTurtle(const std::vector<FactoryPreset>& presets) const;

  // The manifest's statements naming each preset and the file holding it; the manifest declares
  // the prefixes lv2:, rdfs: and pset:.
  std::string ManifestEntries(const std::vector<FactoryPreset>& presets, const std::string& presetsFile) const;

private:
  const IEffectLV2& mPlugin;
  std::vector<std::string> mPluginUris;
};

} // namespace lumen
