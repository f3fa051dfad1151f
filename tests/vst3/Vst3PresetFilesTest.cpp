// The factory presets' VST3 files as the build writes them, loaded through the VST3 test host the
// way a host applies a .vstpreset: its component state handed to the component.
#include "FactoryPreset.h"
#include "Vst3PluginInstance.h"
#include "Vst3PresetFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace kolmari::vst3::test {
namespace {

namespace fs = std::filesystem;
using lumen::vst3::Vst3PresetContents;
using lumen::vst3::Vst3PresetFile;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path FileOf(const lumen::FactoryPreset& preset) {
  return fs::path(KOLMARI_VST3_PRESETS) / preset.category / (preset.name + ".vstpreset");
}

// The values a state holds after its 8-byte header: one double per parameter.
std::vector<double> StateValues(const std::vector<uint8_t>& state) {
  std::vector<double> values((state.size() - 8) / sizeof(double));
  std::memcpy(values.data(), state.data() + 8, values.size() * sizeof(double));
  return values;
}

TEST(Vst3PresetFilesTest, OneFilePerFactoryPresetAndNoOther) {
  std::set<fs::path> expected;
  for (const auto& preset : lumen::PluginFactoryPresets()) expected.insert(FileOf(preset));
  std::set<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(KOLMARI_VST3_PRESETS))
    if (entry.is_regular_file() && entry.path().extension() == ".vstpreset") found.insert(entry.path());
  EXPECT_EQ(found, expected);
}

TEST(Vst3PresetFilesTest, EveryFileLoadsIntoThePluginWithTheTablesValues) {
  std::string error;
  auto plugin = testhost::Vst3PluginInstance::Load(KOLMARI_VST3_BUNDLE, error);
  ASSERT_TRUE(plugin) << error;
  const auto defaults = plugin->SaveState();
  ASSERT_GT(defaults.size(), 8u);
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    const auto bytes = ReadFile(FileOf(preset));
    Vst3PresetContents contents;
    ASSERT_TRUE(Vst3PresetFile::Read(bytes.data(), bytes.size(), contents, error)) << preset.name << ": " << error;
    EXPECT_EQ(contents.classId, KOLMARI_VST3_CID) << preset.name;
    EXPECT_NE(contents.metaInfo.find("value=\"" + preset.name + "\""), std::string::npos) << contents.metaInfo;
    // Start from other settings each time, so a load that changed nothing would show.
    ASSERT_TRUE(plugin->LoadState(defaults));
    ASSERT_TRUE(plugin->LoadState(contents.componentState)) << preset.name;
    EXPECT_EQ(StateValues(plugin->SaveState()), preset.values) << preset.name;
  }
}

TEST(Vst3PresetFilesTest, FilesThatPointOutsideThemselvesAreRefused) {
  const std::vector<uint8_t> state{1, 2, 3, 4};
  const std::string classId = KOLMARI_VST3_CID;
  const auto good = Vst3PresetFile::Write(classId, state, Vst3PresetFile::MetaInfo("K", "Fx", "A & <B>", "C"));
  Vst3PresetContents out;
  std::string error;
  ASSERT_TRUE(Vst3PresetFile::Read(good.data(), good.size(), out, error)) << error;
  EXPECT_EQ(out.componentState, state);
  EXPECT_NE(out.metaInfo.find("A &amp; &lt;B&gt;"), std::string::npos);
  EXPECT_TRUE(Vst3PresetFile::Write("4C4D", state, "").empty());
  EXPECT_TRUE(Vst3PresetFile::Write(classId, {}, "").empty());

  const auto refused = [&](std::vector<uint8_t> bytes) {
    Vst3PresetContents untouched;
    std::string why;
    EXPECT_FALSE(Vst3PresetFile::Read(bytes.data(), bytes.size(), untouched, why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(untouched.componentState.empty());
  };
  for (size_t size = 0; size < good.size(); ++size) refused({good.begin(), good.begin() + static_cast<long>(size)});
  auto bytes = good;
  bytes[0] = 'X';
  refused(bytes);
  bytes = good;
  bytes[8] = 'g'; // not a hex digit
  refused(bytes);
  // The list offset, then the first entry's offset and size, each pointing past the end.
  const size_t listOffset = good.size() - 8 - 2 * 20;
  for (size_t at : {size_t{40}, listOffset + 8 + 4, listOffset + 8 + 12}) {
    bytes = good;
    for (int i = 0; i < 8; ++i) bytes[at + static_cast<size_t>(i)] = 0xFF;
    refused(bytes);
  }
  bytes = good;
  bytes[listOffset + 4] = 0xFF; // more entries than fit
  refused(bytes);
  bytes = good;
  std::memcpy(bytes.data() + listOffset + 8, "Cont", 4); // no component state
  refused(bytes);
}

} // namespace
} // namespace kolmari::vst3::test
