// Writes an LV2 bundle's manifest.ttl and plug-in description from the plug-in's own parameter
// definitions, at build time, so the data a host reads cannot disagree with the binary's ports.
// The factory presets go into presets.ttl beside TTL_FILE.
//
//   lv2-turtle BUNDLE_DIR BINARY_FILE TTL_FILE [UI_BINARY_FILE]
#include "IEffectLV2.h"
#include "Lv2FixedSeed.h"
#include "Lv2TurtleText.h"
#include "Lv2PresetWriter.h"
#include "ParamFacts.h"
#include "PluginInstanceMaker.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using lumen::IEffectLV2;
using lumen::IParam;
using lumen::ParamFacts;
using lumen::TurtleDecimal;
using lumen::TurtleQuoted;

std::string VersionText(int32_t packed) {
  return std::to_string((packed >> 16) & 0xFFFF) + "." + std::to_string((packed >> 8) & 0xFF) + "." +
         std::to_string(packed & 0xFF);
}

void WritePorts(std::ostream& out, const IEffectLV2& plugin) {
  const lumen::Lv2PortLayout& layout = plugin.Layout();
  const int channels = layout.channels;
  bool first = true;
  const auto open = [&](uint32_t index, const char* classes) {
    out << (first ? "  lv2:port [\n" : " , [\n");
    first = false;
    out << "    a " << classes << " ;\n    lv2:index " << index << " ;\n";
  };
  for (int side = 0; side < 2; ++side) {
    const bool input = side == 0;
    for (int c = 0; c < channels; ++c) {
      open((input ? layout.FirstInput() : layout.FirstOutput()) + static_cast<uint32_t>(c),
           input ? "lv2:AudioPort , lv2:InputPort" : "lv2:AudioPort , lv2:OutputPort");
      const std::string symbol = lumen::Lv2AudioSymbol(channels, input, c);
      std::string name = input ? "Input" : "Output";
      if (channels == 2) name += c == 0 ? " L" : " R";
      out << "    lv2:symbol " << TurtleQuoted(symbol) << " ;\n    lv2:name " << TurtleQuoted(name) << " ;\n  ]";
    }
  }
  const int bypass = plugin.BypassParamIndex();
  for (int i = 0; i < layout.params; ++i) {
    const IParam& param = *plugin.GetParam(i);
    open(layout.FirstControl() + static_cast<uint32_t>(i), "lv2:InputPort , lv2:ControlPort");
    const bool isBypass = i == bypass;
    out << "    lv2:symbol " << TurtleQuoted(lumen::Lv2ControlSymbol(param, isBypass)) << " ;\n";
    if (isBypass) {
      // The host's "enabled" switch: 1 processes, 0 passes the input through.
      out << "    lv2:name \"Enabled\" ;\n    lv2:designation lv2:enabled ;\n"
          << "    lv2:portProperty lv2:toggled ;\n"
          << "    lv2:default " << (param.Default() != 0.0 ? "0" : "1") << " ;\n"
          << "    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n  ]";
      continue;
    }
    out << "    lv2:name " << TurtleQuoted(param.Name()) << " ;\n";
    const int steps = ParamFacts::StepCount(param);
    if (steps == 1) {
      out << "    lv2:portProperty lv2:toggled ;\n";
    } else if (steps > 1) {
      out << "    lv2:portProperty lv2:integer , lv2:enumeration ;\n";
      for (int s = 0; s <= steps; ++s) {
        const double value = param.Min() + s * (param.Max() - param.Min()) / steps;
        std::string label;
        if (!lumen::Lv2ScalePointLabel(i, value, label)) label = ParamFacts::DisplayText(param, value, true);
        out << "    lv2:scalePoint [ rdfs:label " << TurtleQuoted(label) << " ; rdf:value " << std::lround(value)
            << " ] ;\n";
      }
    }
    if (steps > 0) {
      out << "    lv2:default " << std::lround(param.Default()) << " ;\n    lv2:minimum " << std::lround(param.Min())
          << " ;\n    lv2:maximum " << std::lround(param.Max()) << " ;\n  ]";
    } else {
      const std::string unit = param.Label();
      if (unit == "%") out << "    units:unit units:pc ;\n";
      out << "    lv2:default " << TurtleDecimal(param.Default()) << " ;\n    lv2:minimum " << TurtleDecimal(param.Min())
          << " ;\n    lv2:maximum " << TurtleDecimal(param.Max()) << " ;\n  ]";
    }
  }
  open(layout.LatencyPort(), "lv2:OutputPort , lv2:ControlPort");
  out << "    lv2:symbol \"latency\" ;\n    lv2:name \"Latency\" ;\n    lv2:designation lv2:latency ;\n"
      << "    lv2:portProperty lv2:reportsLatency , lv2:integer ;\n    units:unit units:frame ;\n"
      << "    lv2:minimum 0 ;\n    lv2:maximum " << lumen::IEffectProcessor::kMaxBlockSize << " ;\n  ] .\n";
}

std::unique_ptr<IEffectLV2> Make(int channels) {
  return lumen::PluginInstanceMaker::Make<IEffectLV2>(
      [channels] { return lumen::MakePlugin(lumen::IInstanceInfo{channels, 48000.0}); });
}

// The UI in its own binary, declared exactly as it behaves: it needs the host's window and its idle
// calls (which drive the editor), and uses the size report, the gestures and the scale factor
// (read through the URID map) where the host gives them.
void WriteUi(std::ostream& out, const std::string& binary) {
  out << "<" << lumen::Lv2UiUri() << ">\n  a ui:X11UI ;\n  ui:binary <" << binary << "> ;\n"
      << "  lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
      << "  lv2:optionalFeature ui:resize , ui:touch , urid:map , opts:options ;\n"
      << "  lv2:extensionData ui:idleInterface ;\n"
      << "  opts:supportedOption ui:scaleFactor .\n\n";
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s BUNDLE_DIR BINARY_FILE TTL_FILE [UI_BINARY_FILE]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string binary = argv[2];
  const std::string ttl = argv[3];
  const std::string uiBinary = argc == 5 ? argv[4] : "";
  const std::string stereoUri = lumen::Lv2PluginUri();
  const std::string uris[2] = {stereoUri, stereoUri + "-mono"};

  std::ostringstream manifest;
  manifest << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
           << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
  if (!uiBinary.empty()) {
    manifest << "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
             << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
             << "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n";
  }
  manifest << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n";
  manifest << "\n";
  if (!uiBinary.empty()) WriteUi(manifest, uiBinary);
  for (const std::string& uri : uris) {
    manifest << "<" << uri << ">\n  a lv2:Plugin ;\n  lv2:binary <" << binary << "> ;\n  rdfs:seeAlso <" << ttl
             << "> .\n\n";
  }

  std::ostringstream plugins;
  plugins << "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
          << "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
          << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
          << "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
          << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
          << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
          << "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";
  // The validator checks that what lv2:extensionData names is extension data.
  plugins << "<" LUMEN_LV2_FIXED_SEED_URI ">\n  a lv2:ExtensionData .\n\n";
  for (int k = 0; k < 2; ++k) {
    const int channels = k == 0 ? 2 : 1;
    std::unique_ptr<IEffectLV2> plugin = Make(channels);
    if (!plugin) {
      std::fprintf(stderr, "lv2-turtle: the plug-in could not be made\n");
      return 1;
    }
    const std::string name = plugin->PluginName() + (channels == 1 ? " Mono" : "");
    plugins << "<" << uris[k] << ">\n  a lv2:Plugin , lv2:DistortionPlugin , doap:Project ;\n"
            << "  doap:name " << TurtleQuoted(name) << " ;\n"
            << "  doap:license <" << lumen::Lv2LicenseUri() << "> ;\n"
            << "  doap:developer [ foaf:name " << TurtleQuoted(plugin->MakerName()) << " ] ;\n"
            // lilv hosts name the maker from doap:maintainer.
            << "  doap:maintainer [ foaf:name " << TurtleQuoted(plugin->MakerName()) << " ] ;\n"
            << "  doap:release [ doap:revision " << TurtleQuoted(VersionText(plugin->Version())) << " ] ;\n"
            // Hosts compare these to tell a newer build of the same plug-in.
            << "  lv2:minorVersion " << ((plugin->Version() >> 8) & 0xFF) << " ;\n"
            << "  lv2:microVersion " << (plugin->Version() & 0xFF) << " ;\n"
            << "  lv2:optionalFeature lv2:hardRTCapable ;\n"
            // Our fixed-seed extension (Lv2FixedSeed.h), answered by the descriptor.
            << "  lv2:extensionData <" LUMEN_LV2_FIXED_SEED_URI "> ;\n";
    if (!uiBinary.empty()) plugins << "  ui:ui <" << lumen::Lv2UiUri() << "> ;\n";
    WritePorts(plugins, *plugin);
    plugins << "\n";
  }

  // The factory presets, for both plug-ins, in a file of their own the manifest points to.
  const std::unique_ptr<IEffectLV2> presetPlugin = Make(2);
  if (!presetPlugin) {
    std::fprintf(stderr, "lv2-turtle: the plug-in could not be made\n");
    return 1;
  }
  const lumen::Lv2PresetWriter presetWriter(*presetPlugin, {uris[0], uris[1]});
  const std::string presetsFile = "presets.ttl";
  manifest << presetWriter.ManifestEntries(lumen::PluginFactoryPresets(), presetsFile);

  const auto write = [](const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
  };
  if (!write(dir + "/manifest.ttl", manifest.str()) || !write(dir + "/" + ttl, plugins.str()) ||
      !write(dir + "/" + presetsFile, presetWriter.PresetsTurtle(lumen::PluginFactoryPresets()))) {
    std::fprintf(stderr, "lv2-turtle: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
