// Writes one VST3 preset file per factory preset at build time:
//   vst3-presets OUTPUT_DIR CLASS_ID
// into OUTPUT_DIR/<category>/<name>.vstpreset, which cmake --install copies to where VST3 hosts
// look for a plug-in's presets. The component state is the program chunk the plug-in itself writes
// with the preset's values, so a host that loads the file hands the plug-in exactly what it would
// have saved. Exits 1 with a reason on any fault, which fails the build.
#include "FactoryPreset.h"
#include "IStateBuffer.h"
#include "Kolmari.h"
#include "Vst3ClassInfo.h"
#include "Vst3PresetFile.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool Fail(const std::string& message) {
  std::cerr << "vst3-presets: " << message << "\n";
  return false;
}

bool WritePreset(const fs::path& folder, const std::string& classId, const lumen::FactoryPreset& preset) {
  kolmari::Kolmari plugin{lumen::IInstanceInfo{}};
  if (preset.values.size() != static_cast<size_t>(kolmari::kNumParams)) return Fail(preset.name + ": wrong value count");
  for (int i = 0; i < kolmari::kNumParams; ++i) {
    const double value = preset.values[static_cast<size_t>(i)];
    plugin.GetParam(i)->Set(value);
    if (plugin.GetParam(i)->Value() != value) {
      std::string message = preset.name;
      message += ": ";
      message += plugin.GetParam(i)->Name();
      message += " does not take the value ";
      message += std::to_string(value);
      return Fail(message);
    }
  }
  lumen::IStateBuffer chunk;
  if (!plugin.WriteProgramChunk(chunk)) return Fail(preset.name + ": no program chunk");
  const std::vector<uint8_t> state(chunk.Data(), chunk.Data() + chunk.Length());
  const std::string info = lumen::vst3::Vst3PresetFile::MetaInfo(lumen::vst3::kClassName, lumen::vst3::kSubCategories,
                                                                 preset.name, preset.category);
  const auto bytes = lumen::vst3::Vst3PresetFile::Write(classId, state, info);
  if (bytes.empty()) return Fail(classId + ": not a class id of 32 hex digits");

  std::error_code ec;
  const fs::path dir = folder / fs::path(std::u8string(preset.category.begin(), preset.category.end()));
  fs::create_directories(dir, ec);
  std::string fileName = preset.name;
  fileName += ".vstpreset";
  std::ofstream out(dir / fs::path(std::u8string(fileName.begin(), fileName.end())), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return Fail((dir / fileName).string() + ": cannot write");
  return true;
}

} // namespace

// The binding's factory makes instances through this; the generator makes its own, without editor.
lumen::PluginBase* lumen::MakePlugin(const IInstanceInfo& info) { return new kolmari::Kolmari(info); }

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: vst3-presets OUTPUT_DIR CLASS_ID\n";
    return 2;
  }
  const fs::path folder = argv[1];
  // Start empty, so a renamed or removed preset leaves no file behind to be installed.
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder, ec);
  if (ec) {
    Fail(folder.string() + ": cannot create");
    return 1;
  }
  for (const auto& preset : lumen::PluginFactoryPresets())
    if (!WritePreset(folder, argv[2], preset)) return 1;
  return 0;
}
