#include "RenderPresets.h"

#include "FactoryPreset.h"
#include "IEffectSettings.h"
#include "KolmariParams.h"
#include "ParameterSettings.h"
#include "ProgramFile.h"
#include "ToolError.h"
#include "Vst3PresetFile.h"
#ifdef KOLMARI_TESTHOST_LV2
#include "Lv2PluginInstance.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kolmari::render {

namespace {

namespace fs = std::filesystem;

constexpr const char* kVendor = "Lumenfold";
constexpr const char* kPluginName = "Kolmari";

// Where a preset stands in the factory table; presets the table does not know come after it.
size_t TablePosition(const std::string& name) {
  const auto& table = lumen::PluginFactoryPresets();
  const auto it = std::find_if(table.begin(), table.end(), [&](const lumen::FactoryPreset& p) { return p.name == name; });
  return static_cast<size_t>(it - table.begin());
}

void SortByTable(std::vector<RenderPresets::Entry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const RenderPresets::Entry& a, const RenderPresets::Entry& b) {
    const size_t pa = TablePosition(a.name);
    const size_t pb = TablePosition(b.name);
    if (pa != pb) return pa < pb;
    return a.category != b.category ? a.category < b.category : a.name < b.name;
  });
}

std::vector<uint8_t> ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool LooksLikeProgramFile(const std::string& text) {
  if (text.size() > 4) {
    std::string ending = text.substr(text.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ending == ".fxp") return true;
  }
  return text.find('/') != std::string::npos || text.find('\\') != std::string::npos;
}

std::string Exact(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

} // namespace

RenderPresets::RenderPresets(EffectPlugin& plugin) : mPlugin(plugin) {
  const std::string format = plugin.Instance().FormatName();
  if (format == "LV2") {
    FindLv2();
  } else if (format == "VST3") {
    FindVst3();
  } else if (IsKolmari()) {
    for (const auto& preset : lumen::PluginFactoryPresets()) mEntries.push_back({preset.category, preset.name, ""});
  }
  SortByTable(mEntries);
}

bool RenderPresets::IsKolmari() {
  return mPlugin.Instance().EffectName() == kPluginName && mPlugin.Instance().VendorString() == kVendor;
}

void RenderPresets::FindLv2() {
#ifdef KOLMARI_TESTHOST_LV2
  auto* lv2 = dynamic_cast<testhost::Lv2PluginInstance*>(&mPlugin.Instance());
  if (!lv2) return;
  for (const auto& preset : lv2->Presets())
    if (!preset.label.empty()) mEntries.push_back({preset.comment, preset.label, preset.uri});
#endif
}

void RenderPresets::FindVst3() {
  std::vector<fs::path> folders;
  const fs::path bundle = fs::path(mPlugin.Path()).lexically_normal();
  const fs::path parent = bundle.has_filename() ? bundle.parent_path() : bundle.parent_path().parent_path();
  folders.push_back(parent / "vst3-presets");
  const std::string vendor = mPlugin.Instance().VendorString();
  const std::string name = mPlugin.Instance().EffectName();
  if (const char* home = std::getenv("HOME"); home && *home) folders.push_back(fs::path(home) / ".vst3" / "presets" / vendor / name);
  folders.push_back(fs::path("/usr/share/vst3/presets") / vendor / name);
  folders.push_back(fs::path("/usr/local/share/vst3/presets") / vendor / name);
  for (const fs::path& folder : folders) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) continue;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file(ec) || it->path().extension() != ".vstpreset") continue;
      // The folder names the category, the file the preset.
      const fs::path relative = it->path().lexically_relative(folder);
      const std::string category = relative.has_parent_path() ? relative.parent_path().generic_string() : "";
      mEntries.push_back({category, it->path().stem().string(), it->path().string()});
    }
    // The first folder that holds presets is the set: never a mix of two builds' presets.
    if (!mEntries.empty()) return;
  }
}

std::string RenderPresets::ListText() const {
  if (mEntries.empty()) throw ToolError(mPlugin.Path() + " offers no factory presets kolmari-render can find");
  std::string text;
  for (const Entry& e : mEntries) {
    text += e.category;
    text += ": ";
    text += e.name;
    text += '\n';
  }
  return text;
}

void RenderPresets::Apply(const std::string& nameOrPath, ParameterSettings& parameters) {
  const auto it = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.name == nameOrPath; });
  if (it == mEntries.end()) {
    if (LooksLikeProgramFile(nameOrPath)) return ApplyProgramFile(nameOrPath, parameters);
    std::string message = "--preset: no factory preset is called '";
    message += nameOrPath;
    message += "' (names are exact, case included; --list-presets shows them)";
    throw UsageError(message);
  }
  std::string source = "factory preset '";
  source += it->name;
  source += '\'';
  const std::string format = mPlugin.Instance().FormatName();
  if (format == "LV2") {
#ifdef KOLMARI_TESTHOST_LV2
    auto* lv2 = dynamic_cast<testhost::Lv2PluginInstance*>(&mPlugin.Instance());
    if (lv2 && lv2->LoadPreset(it->locator)) return;
#endif
    throw ToolError(source + " does not fit the plug-in's ports (the plug-in was not changed)");
  }
  if (format == "VST3") {
    const auto bytes = ReadWhole(it->locator);
    lumen::vst3::Vst3PresetContents contents;
    std::string error;
    if (!lumen::vst3::Vst3PresetFile::Read(bytes.data(), bytes.size(), contents, error))
      throw ToolError(it->locator + ": " + error);
    mPlugin.LoadState(contents.componentState, it->locator);
    return;
  }
  const auto& table = lumen::PluginFactoryPresets();
  ApplyValues(table[TablePosition(it->name)].values, source, parameters);
}

void RenderPresets::ApplyProgramFile(const std::string& path, ParameterSettings& parameters) {
  if (!IsKolmari()) throw ToolError(path + ": program files apply to Kolmari only");
  const int numParams = mPlugin.Instance().NumParams();
  const lumen::ProgramFileOwner owner{lumen::FourCharCode("ofzo"), kolmari::kPackedVersion, numParams};
  lumen::ProgramFileContents contents;
  std::string error;
  if (!lumen::ProgramFile::Load(path, owner, contents, error)) throw ToolError(path + ": " + error);
  if (!contents.hasChunk) {
    const bool lv2 = mPlugin.Instance().FormatName() == "LV2";
    for (int i = 0; i < numParams; ++i) {
      double value = contents.values[static_cast<size_t>(i)];
      // LV2 shows the bypass parameter as the host's "Enabled" port, its inverse.
      if (lv2 && i == kolmari::kBypass && mPlugin.Instance().ParameterName(i) == "Enabled") value = 1.0 - value;
      if (!mPlugin.Instance().SetParameter(i, static_cast<float>(value)))
        throw ToolError(path + ": the plug-in refused a value");
    }
    return;
  }
  if (mPlugin.Instance().FormatName() != "LV2") {
    mPlugin.LoadState(contents.chunk, path);
    return;
  }
  // LV2 keeps its settings in its ports: the chunk's values go there, checked as a state file is.
  const std::vector<uint8_t>& chunk = contents.chunk;
  const size_t header = EffectPlugin::kStateHeaderBytes;
  if (chunk.size() != header + sizeof(double) * static_cast<size_t>(numParams) ||
      !std::equal(EffectPlugin::kStateMagic.begin(), EffectPlugin::kStateMagic.end(), chunk.begin()))
    throw ToolError(path + ": the preset's settings are not Kolmari's");
  std::vector<double> values(static_cast<size_t>(numParams));
  std::memcpy(values.data(), chunk.data() + header, values.size() * sizeof(double));
  ApplyValues(values, path, parameters);
}

void RenderPresets::ApplyValues(const std::vector<double>& values, const std::string& source, ParameterSettings& parameters) {
  const int numParams = mPlugin.Instance().NumParams();
  if (values.size() != static_cast<size_t>(numParams)) throw ToolError(source + " does not fit the plug-in's parameters");
  if (mPlugin.Instance().FormatName() == "LV2") {
    std::vector<ParameterAssignment> assignments;
    for (int i = 0; i < numParams; ++i) {
      const std::string name = mPlugin.Instance().ParameterName(i);
      double value = values[static_cast<size_t>(i)];
      // LV2 shows the bypass parameter as the host's "Enabled" port, its inverse.
      if (i == kolmari::kBypass && name == "Enabled") value = value != 0.0 ? 0.0 : 1.0;
      assignments.push_back({name, value, name + "=" + Exact(value)});
    }
    parameters.Apply(assignments);
    return;
  }
  // The program chunk the plug-in writes: its own header, then one double per parameter.
  std::vector<uint8_t> chunk = mPlugin.SaveState();
  chunk.resize(EffectPlugin::kStateHeaderBytes);
  for (double value : values) {
    uint8_t bytes[sizeof(double)];
    std::memcpy(bytes, &value, sizeof value);
    chunk.insert(chunk.end(), bytes, bytes + sizeof value);
  }
  mPlugin.LoadState(chunk, source);
}

} // namespace kolmari::render
