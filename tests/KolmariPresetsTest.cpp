// The factory presets against the plug-in they are for: a table that compiles can still hold a
// value outside a parameter's range, a value a stepped parameter would round, or two presets
// that sound the same.
#include "FactoryPreset.h"
#include "KolmariTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kolmari::test {
namespace {

TEST(KolmariPresetsTest, DefaultComesFirstAndHoldsTheParameterDefaults) {
  const auto& presets = lumen::PluginFactoryPresets();
  ASSERT_GE(presets.size(), 16u);
  auto plugin = MakePlugin();
  EXPECT_EQ(presets.front().name, "Default");
  ASSERT_EQ(presets.front().values.size(), static_cast<size_t>(kNumParams));
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(presets.front().values[static_cast<size_t>(i)], plugin->GetParam(i)->Default()) << plugin->GetParam(i)->Name();
}

TEST(KolmariPresetsTest, EveryValueIsOneTheParameterKeepsAsItIsInEveryFormat) {
  auto plugin = MakePlugin();
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    ASSERT_EQ(preset.values.size(), static_cast<size_t>(kNumParams)) << preset.name;
    for (int i = 0; i < kNumParams; ++i) {
      const lumen::IParam& param = *plugin->GetParam(i);
      const double value = preset.values[static_cast<size_t>(i)];
      // In range and unchanged by the step rounding, so setting it stores exactly this value.
      EXPECT_EQ(param.Constrain(value), value) << preset.name << ": " << param.Name();
      // LV2's control ports carry 32-bit floats.
      EXPECT_EQ(static_cast<double>(static_cast<float>(value)), value) << preset.name << ": " << param.Name();
    }
    EXPECT_EQ(preset.values[kBypass], 0.0) << preset.name << " would be silent colour-wise";
  }
}

TEST(KolmariPresetsTest, NamesAreUniqueAndEveryPresetSoundsDifferent) {
  std::set<std::string> names;
  std::set<std::string> folded;
  std::set<std::vector<double>> settings;
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    EXPECT_FALSE(preset.category.empty()) << preset.name;
    EXPECT_FALSE(preset.name.empty());
    EXPECT_TRUE(names.insert(preset.name).second) << preset.name;
    std::string lower;
    for (char c : preset.name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Names become file names, which some systems compare without case.
    EXPECT_TRUE(folded.insert(lower).second) << preset.name;
    EXPECT_TRUE(settings.insert(preset.values).second) << preset.name << " repeats another preset's settings";
  }
  // Grouped: a category's presets follow one another, so the menus list them in the table's order.
  std::set<std::string> finished;
  std::string current;
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    if (preset.category == current) continue;
    EXPECT_TRUE(finished.insert(current).second);
    EXPECT_EQ(finished.count(preset.category), 0u) << preset.category << " appears in two runs";
    current = preset.category;
  }
}

TEST(KolmariPresetsTest, EveryPresetRendersFiniteAudibleAndNotMuchLouder) {
  const Signal sine = Sine(0.5, 1000.0, 48000.0, 9600);
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    auto plugin = MakePlugin(48000.0);
    for (int i = 0; i < kNumParams; ++i) plugin->GetParam(i)->Set(preset.values[static_cast<size_t>(i)]);
    const auto out = Render(*plugin, sine);
    EXPECT_TRUE(AllFinite(out[0]) && AllFinite(out[1])) << preset.name;
    EXPECT_GT(Peak(out[0], 4800), 0.01) << preset.name;
    // None more than about 3 dB above a half-scale input: no surprise at the host's meter.
    EXPECT_LT(Peak(out[0], 4800), 0.5 * 1.5) << preset.name;
  }
}

} // namespace
} // namespace kolmari::test
