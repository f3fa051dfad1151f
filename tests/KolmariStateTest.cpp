// Kolmari's state as hosts store it: the nine values in index order, and its single preset slot.
#include "Kolmari.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kolmari::test {
namespace {

std::vector<uint8_t> Bytes(const lumen::IStateBuffer& b) { return {b.Data(), b.Data() + b.Length()}; }

TEST(KolmariState, ParameterStateIsNineLittleEndianDoublesInIndexOrder) {
  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.GetParam(kBypass)->Set(1.0);
  plugin.GetParam(kReact)->Set(0.0);
  plugin.GetParam(kOversampling)->Set(2.0);
  plugin.GetParam(kDelta)->Set(0.0);
  plugin.GetParam(kInputGain)->Set(150.25);
  plugin.GetParam(kWet)->Set(75.5);
  plugin.GetParam(kTame)->Set(0.125);
  plugin.GetParam(kOutputGain)->Set(80.0);
  plugin.GetParam(kBias)->Set(0.75);

  lumen::IStateBuffer state;
  ASSERT_TRUE(plugin.SerializeParams(state));
  const std::vector<uint8_t> golden = {
      0, 0, 0, 0, 0, 0,    0xF0, 0x3F, // Bypass 1
      0, 0, 0, 0, 0, 0,    0,    0,    // React 0
      0, 0, 0, 0, 0, 0,    0,    0x40, // Oversampling 2
      0, 0, 0, 0, 0, 0,    0,    0,    // Delta 0
      0, 0, 0, 0, 0, 0xC8, 0x62, 0x40, // Input Gain 150.25
      0, 0, 0, 0, 0, 0xE0, 0x52, 0x40, // Wet 75.5
      0, 0, 0, 0, 0, 0,    0xC0, 0x3F, // Tame 0.125
      0, 0, 0, 0, 0, 0,    0x54, 0x40, // Output Gain 80
      0, 0, 0, 0, 0, 0,    0xE8, 0x3F, // Bias 0.75
  };
  EXPECT_EQ(Bytes(state), golden);

  Kolmari restored(lumen::IInstanceInfo{});
  EXPECT_EQ(restored.UnserializeParams(state, 0), 72);
  for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(restored.GetParam(i)->Value(), plugin.GetParam(i)->Value()) << i;
}

TEST(KolmariState, TheSinglePresetStartsEmptyWithTheDefaults) {
  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.FillEmptyPresets();
  ASSERT_EQ(plugin.PresetCount(), 1);
  EXPECT_STREQ(plugin.PresetName(0), "Empty");

  lumen::IStateBuffer bank;
  plugin.SerializePresets(bank);
  ASSERT_EQ(bank.Length(), 4 + 5 + 1 + 72);
  double inputGain = 0.0;
  EXPECT_EQ(bank.GetValue(inputGain, 10 + 8 * kInputGain), 10 + 8 * (kInputGain + 1));
  EXPECT_EQ(inputGain, 32.0);
}

} // namespace
} // namespace kolmari::test
