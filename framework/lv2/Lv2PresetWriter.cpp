#include "Lv2PresetWriter.h"

#include "IEffectLV2.h"
#include "Lv2Ports.h"
#include "Lv2TurtleText.h"

#include <algorithm>

namespace lumen {

namespace {

std::string AppliesTo(const std::vector<std::string>& uris) {
  std::string out;
  for (const std::string& uri : uris) {
    if (!out.empty()) out += " , ";
    out += "<";
    out += uri;
    out += ">";
  }
  return out;
}

} // namespace

Lv2PresetWriter::Lv2PresetWriter(const IEffectLV2& plugin, std::vector<std::string> pluginUris)
    : mPlugin(plugin), mPluginUris(std::move(pluginUris)) {}

std::string Lv2PresetWriter::PresetUri(const FactoryPreset& preset) const {
  std::string slug;
  bool gap = false;
  for (char c : preset.name) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z')) {
      if (gap && !slug.empty()) slug += '-';
      gap = false;
      slug += static_cast<char>(u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u);
    } else {
      gap = true;
    }
  }
  std::string uri = mPluginUris.empty() ? std::string() : mPluginUris.front();
  uri += "/presets/";
  uri += slug;
  return uri;
}

std::string Lv2PresetWriter::PresetsTurtle(const std::vector<FactoryPreset>& presets) const {
  std::string out = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";
  const int bypass = mPlugin.BypassParamIndex();
  for (const FactoryPreset& preset : presets) {
    out += '<';
    out += PresetUri(preset);
    out += ">\n  a pset:Preset ;\n  lv2:appliesTo ";
    out += AppliesTo(mPluginUris);
    out += " ;\n  rdfs:label ";
    out += TurtleQuoted(preset.name);
    out += " ;\n  rdfs:comment ";
    out += TurtleQuoted(preset.category);
    out += " ;\n  lv2:port ";
    const int count = std::min(mPlugin.NParams(), static_cast<int>(preset.values.size()));
    bool first = true;
    for (int i = 0; i < count; ++i) {
      // "enabled" is left out: choosing a preset never switches a bypassed plug-in back on.
      if (i == bypass) continue;
      const double value = preset.values[static_cast<size_t>(i)];
      if (!first) out += " , ";
      first = false;
      out += "[\n    lv2:symbol ";
      out += TurtleQuoted(Lv2ControlSymbol(*mPlugin.GetParam(i), false));
      out += " ;\n    pset:value ";
      out += TurtleDecimal(value);
      out += "\n  ]";
    }
    out += " .\n\n";
  }
  return out;
}

std::string Lv2PresetWriter::ManifestEntries(const std::vector<FactoryPreset>& presets,
                                             const std::string& presetsFile) const {
  std::string out;
  for (const FactoryPreset& preset : presets) {
    out += '<';
    out += PresetUri(preset);
    out += ">\n  a pset:Preset ;\n  lv2:appliesTo ";
    out += AppliesTo(mPluginUris);
    out += " ;\n  rdfs:seeAlso <";
    out += presetsFile;
    out += "> .\n\n";
  }
  return out;
}

} // namespace lumen
