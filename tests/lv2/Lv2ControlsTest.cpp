// Kolmari.lv2's control inputs as hosts see and set them: each port's range, default and kind as the
// Turtle states them, and values a host should not send (below or above the range, infinite, NaN)
// taken without a crash, clamped to the range, or, for a NaN or an infinity, ignored.
#include "Lv2TestHost.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

using lv2test::ControlInfo;
using lv2test::Instance;
using lv2test::World;

// Two renders through separate instances differ by the per-block random drift only: well below this.
constexpr float kDriftTolerance = 1e-3f;

// What one fresh stereo instance makes of a fixed tone with these control values.
std::vector<float> Render(const World& world, const std::map<std::string, float>& settings) {
  Instance instance(world, lv2test::kStereo, 48000.0);
  EXPECT_TRUE(instance.Valid());
  if (!instance.Valid()) return {};
  for (const auto& [symbol, value] : settings) instance.Control(symbol) = value;
  instance.Activate();
  std::vector<float> rendered;
  uint64_t phase = 0;
  for (int block = 0; block < 6; ++block) {
    for (uint32_t i = 0; i < 1024; ++i, ++phase) {
      instance.in[0][i] = 0.6f * static_cast<float>(std::sin(0.021 * static_cast<double>(phase)));
      instance.in[1][i] = 0.5f * static_cast<float>(std::sin(0.017 * static_cast<double>(phase)));
    }
    instance.Run(1024);
    for (const auto& channel : instance.out) rendered.insert(rendered.end(), channel.begin(), channel.begin() + 1024);
  }
  return rendered;
}

float LargestDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return std::numeric_limits<float>::infinity();
  float largest = 0.0f;
  for (size_t i = 0; i < a.size(); ++i) {
    const float d = std::fabs(a[i] - b[i]);
    if (!(d <= largest)) largest = d; // a NaN becomes the answer
  }
  return largest;
}

TEST(Lv2Controls, EveryPortHasItsRangeDefaultAndKindInBothPlugins) {
  const World world;
  struct Expected {
    float min, max, def;
    bool toggled, enumeration;
  };
  const std::map<std::string, Expected> expected = {
      {"enabled", {0, 1, 1, true, false}},        {"react", {0, 1, 0, true, false}},
      {"oversampling", {0, 3, 0, false, true}},   {"delta", {0, 1, 0, true, false}},
      {"input_gain", {0, 200, 32, false, false}}, {"wet", {0, 100, 50, false, false}},
      {"tame", {0, 1, 0.5f, false, false}},       {"output_gain", {0, 120, 100, false, false}},
      {"bias", {0, 1, 0.5f, false, false}},
  };
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    const LilvPlugin* plugin = world.Plugin(uri);
    ASSERT_NE(plugin, nullptr) << uri;
    const std::vector<ControlInfo> controls = lv2test::ControlInputs(world, plugin);
    ASSERT_EQ(controls.size(), expected.size()) << uri;
    for (const ControlInfo& c : controls) {
      ASSERT_EQ(expected.count(c.symbol), 1u) << uri << ": unexpected port " << c.symbol;
      const Expected& e = expected.at(c.symbol);
      EXPECT_EQ(c.min, e.min) << c.symbol;
      EXPECT_EQ(c.max, e.max) << c.symbol;
      EXPECT_EQ(c.def, e.def) << c.symbol;
      EXPECT_EQ(c.toggled, e.toggled) << c.symbol;
      EXPECT_EQ(c.enumeration, e.enumeration) << c.symbol;
      // An enumeration is a whole number with a labelled point for each value of its range.
      if (c.enumeration) {
        EXPECT_TRUE(c.integer) << c.symbol;
        std::vector<float> points = c.scalePoints;
        std::sort(points.begin(), points.end());
        EXPECT_EQ(points, (std::vector<float>{0, 1, 2, 3})) << c.symbol;
      }
    }
  }
}

TEST(Lv2Controls, ValuesOutsideTheRangeAreClampedToIt) {
  const World world;
  const LilvPlugin* plugin = world.Plugin(lv2test::kStereo);
  ASSERT_NE(plugin, nullptr);
  const std::vector<float> defaults = Render(world, {});
  for (const ControlInfo& c : lv2test::ControlInputs(world, plugin)) {
    if (c.symbol == "enabled") continue; // any non-zero value processes: checked below
    const float span = c.max - c.min;
    for (const auto& [outside, edge] :
         {std::pair{c.min - span, c.min}, std::pair{c.max + 10 * span, c.max},
          std::pair{-std::numeric_limits<float>::max(), c.min}, std::pair{std::numeric_limits<float>::max(), c.max}}) {
      const std::vector<float> clamped = Render(world, {{c.symbol, outside}});
      const std::vector<float> atEdge = Render(world, {{c.symbol, edge}});
      EXPECT_LE(LargestDifference(clamped, atEdge), kDriftTolerance) << c.symbol << " = " << outside;
    }
    // An infinity is no value, as a NaN is not: the one before it stays.
    for (const float infinity : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
      EXPECT_LE(LargestDifference(Render(world, {{c.symbol, infinity}}), defaults), kDriftTolerance)
          << c.symbol << " = " << infinity;
  }
  // The comparison can tell settings apart: the drive's edge is far from its default.
  EXPECT_GT(LargestDifference(Render(world, {{"input_gain", 200.0f}}), defaults), 100 * kDriftTolerance);
  // "enabled": zero bypasses, any other value processes.
  EXPECT_LE(LargestDifference(Render(world, {{"enabled", 7.0f}}), defaults), kDriftTolerance);
  EXPECT_LE(LargestDifference(Render(world, {{"enabled", -1.0f}}), defaults), kDriftTolerance);
}

TEST(Lv2Controls, NanOnAControlPortKeepsTheValueBeforeIt) {
  const World world;
  const LilvPlugin* plugin = world.Plugin(lv2test::kStereo);
  ASSERT_NE(plugin, nullptr);
  const std::vector<float> defaults = Render(world, {});
  // NaN from the first run on: the defaults stay.
  std::map<std::string, float> allNan;
  for (const ControlInfo& c : lv2test::ControlInputs(world, plugin))
    allNan[c.symbol] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_LE(LargestDifference(Render(world, allNan), defaults), kDriftTolerance);

  // NaN after a value was set: that value stays, and a real value afterwards is taken again.
  Instance instance(world, lv2test::kStereo, 48000.0);
  ASSERT_TRUE(instance.Valid());
  instance.Activate();
  // Sixteen whole periods per block: the same block again and again is one steady tone.
  for (uint32_t i = 0; i < 1024; ++i)
    for (auto& channel : instance.in) channel[i] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 16 * i / 1024.0));
  const auto levelAt = [&](float outputGain) {
    instance.Control("output_gain") = outputGain;
    for (int block = 0; block < 8; ++block) instance.Run(1024); // past any smoothing
    float peak = 0.0f;
    for (uint32_t i = 0; i < 1024; ++i) peak = std::max(peak, std::fabs(instance.out[0][i]));
    return peak;
  };
  const float loud = levelAt(120.0f);
  EXPECT_GT(loud, 0.0f);
  EXPECT_NEAR(levelAt(std::numeric_limits<float>::quiet_NaN()), loud, 1e-3f * loud);
  EXPECT_LT(levelAt(10.0f), 0.5f * loud);
}

} // namespace
