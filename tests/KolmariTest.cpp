// The plug-in as a whole: its declaration to the framework, its parameters, and the audible
// behaviour of the processing chain.
#include "KolmariTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kolmari::test {
namespace {

using lumen::ERoute;

TEST(KolmariDefinition, DeclaresItselfToTheFramework) {
  Kolmari plugin(lumen::IInstanceInfo{});
  EXPECT_EQ(plugin.NParams(), 9);
  EXPECT_EQ(plugin.PresetCount(), 1);
  EXPECT_EQ(plugin.ConfigCount(), 2);
  EXPECT_TRUE(plugin.LegalIO(1, 1));
  EXPECT_TRUE(plugin.LegalIO(2, 2));
  EXPECT_FALSE(plugin.LegalIO(1, 2));
  EXPECT_EQ(plugin.UniqueId(), 0x6F667A6F);
  EXPECT_EQ(plugin.MakerId(), 0x4C4D4644);
  EXPECT_EQ(plugin.Version(), 0x00010105);
  EXPECT_EQ(plugin.Latency(), 0);
  EXPECT_FALSE(plugin.UsesStateChunks());
  EXPECT_EQ(plugin.PluginName(), "Kolmari");
  EXPECT_EQ(plugin.MakerName(), "Lumenfold");
  EXPECT_TRUE(plugin.HasEditor());
  EXPECT_EQ(plugin.EditorWidth(), 1630);
  EXPECT_EQ(plugin.EditorHeight(), 1010);
  EXPECT_EQ(plugin.MinEditorWidth(), 815);
  EXPECT_EQ(plugin.MaxEditorWidth(), 3260);
  EXPECT_EQ(plugin.MinEditorHeight(), 505);
  EXPECT_EQ(plugin.MaxEditorHeight(), 2020);
  EXPECT_EQ(plugin.ConnectedOutputCount(), 2);
  EXPECT_EQ(plugin.BlockSize(), 512);
  EXPECT_EQ(plugin.PlugType(), 0);
  EXPECT_FALSE(plugin.DoesMidiIn());
}

struct ParamRow {
  int index;
  const char* name;
  double defaultValue, min, max, step;
  const char* label;
  const char* defaultText;
};

TEST(KolmariDefinition, NineParametersWithTheirRangesStepsAndLabels) {
  const ParamRow rows[] = {
      {kBypass, "Bypass", 0, 0, 1, 1, "", "0"},
      {kReact, "React", 0, 0, 1, 1, "", "0"},
      {kOversampling, "Oversampling", 0, 0, 3, 1, "", "0"},
      {kDelta, "Delta", 0, 0, 1, 1, "", "0"},
      {kInputGain, "Input Gain", 32, 0, 200, 0.01, "%", "32.00"},
      {kWet, "Wet", 50, 0, 100, 0.01, "%", "50.00"},
      {kTame, "Tame", 0.5, 0, 1, 0.001, "", "0.500"},
      {kOutputGain, "Output Gain", 100, 0, 120, 0.01, "%", "100.00"},
      {kBias, "Bias", 0.5, 0, 1, 0.001, "", "0.500"},
  };
  Kolmari plugin(lumen::IInstanceInfo{});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const lumen::IParam* p = plugin.GetParam(row.index);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->Name(), row.name);
    EXPECT_EQ(p->Type(), lumen::IParam::ParamType::Double);
    EXPECT_EQ(p->Unit(), 21);
    EXPECT_EQ(p->Flags(), 0);
    EXPECT_STREQ(p->Group(), "");
    EXPECT_EQ(p->Default(), row.defaultValue);
    EXPECT_EQ(p->Value(), row.defaultValue);
    EXPECT_EQ(p->Min(), row.min);
    EXPECT_EQ(p->Max(), row.max);
    EXPECT_EQ(p->Step(), row.step);
    EXPECT_STREQ(p->Label(), row.label);
    std::string text;
    p->FormatDisplay(p->Value(), false, text);
    EXPECT_EQ(text, row.defaultText);
  }
  EXPECT_EQ(plugin.GetParam(9), nullptr);
  EXPECT_EQ(plugin.GetParam(-1), nullptr);
}

TEST(KolmariDefinition, DefaultDriveAndFactors) {
  auto plugin = MakePlugin(44100.0);
  const Signal silence(64, 0.0);
  Render(*plugin, silence);
  EXPECT_NEAR(plugin->Engine().Drive(), 1.4212, 1e-4);
  EXPECT_EQ(plugin->Engine().OversamplingFactor(), 1);
  EXPECT_EQ(plugin->Engine().RateFactor(), 1.0);
  EXPECT_EQ(plugin->Engine().RateFactorHigh(), 2.0);
}

TEST(KolmariDefinition, KeepsTwoChannelsWhenTheHostConnectsOne) {
  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.ConnectChannels(ERoute::Input, 1, 1, false);
  plugin.ConnectChannels(ERoute::Output, 1, 1, false);
  plugin.OnReset();
  EXPECT_EQ(plugin.ConnectedOutputCount(), 1);
  EXPECT_EQ(plugin.Engine().ChannelCount(), 2);

  // The mono host hands over one buffer each way; the second record runs on its own scratch.
  plugin.Engine().SetFixedDraw(1u);
  Signal in = Sine(0.5, 440.0, 48000.0, 2000), out(in.size());
  double* inputs[1] = {in.data()};
  double* outputs[1] = {out.data()};
  plugin.ProcessReplacing64(inputs, outputs, static_cast<int>(in.size()));
  EXPECT_TRUE(AllFinite(out));
  EXPECT_GT(Peak(out), 0.3);
}

// Levels of a 1 kHz sine at 44.1 kHz, measured after the filters have settled.
struct SineLevel {
  double amplitude, wet, expectedPeak;
};

class KolmariSineLevels : public testing::TestWithParam<SineLevel> {};

TEST_P(KolmariSineLevels, PeakMatches) {
  const auto [amplitude, wet, expected] = GetParam();
  auto plugin = MakePlugin(44100.0);
  plugin->GetParam(kWet)->Set(wet);
  const Signal in = Sine(amplitude, 1000.0, 44100.0, 44100);
  const auto out = Render(*plugin, in);
  EXPECT_NEAR(Peak(out[0], 22050), expected, 0.01);
  EXPECT_EQ(out[0], out[1]);
}

INSTANTIATE_TEST_SUITE_P(Chain, KolmariSineLevels,
                         testing::Values(SineLevel{0.1, 50, 0.11}, SineLevel{0.1, 100, 0.14},
                                         SineLevel{1.0, 50, 0.91}, SineLevel{1.0, 100, 0.79}));

TEST(KolmariChain, BypassReturnsTheInputExactly) {
  auto plugin = MakePlugin(48000.0);
  plugin->GetParam(kBypass)->Set(1);
  plugin->GetParam(kInputGain)->Set(200);
  plugin->GetParam(kOversampling)->Set(3);
  plugin->GetParam(kDelta)->Set(1);
  Signal in = Sine(1.3, 123.0, 48000.0, 3000);
  in[10] = 1e-310; // subnormals pass untouched too
  const auto out = Render(*plugin, in, in, 100);
  EXPECT_EQ(out[0], in);
  EXPECT_EQ(out[1], in);
}

TEST(KolmariChain, WetZeroReturnsTheInputAndDeltaThenGivesSilence) {
  for (int os = 0; os <= 3; ++os) {
    SCOPED_TRACE(os);
    auto plugin = MakePlugin(96000.0);
    plugin->GetParam(kWet)->Set(0);
    plugin->GetParam(kOversampling)->Set(os);
    plugin->GetParam(kInputGain)->Set(150);
    const Signal in = Sine(0.9, 3000.0, 96000.0, 4096);
    EXPECT_EQ(Render(*plugin, in)[0], in);

    plugin->GetParam(kDelta)->Set(1);
    const auto delta = Render(*plugin, in);
    EXPECT_TRUE(std::all_of(delta[0].begin(), delta[0].end(), [](double v) { return v == 0.0; }));
  }
}

TEST(KolmariChain, DeltaIsTheDifferenceBetweenOutputAndInput) {
  const Signal in = Sine(0.7, 220.0, 44100.0, 4000);
  auto plain = MakePlugin(44100.0);
  auto delta = MakePlugin(44100.0);
  delta->GetParam(kDelta)->Set(1);
  const auto a = Render(*plain, in);
  const auto b = Render(*delta, in);
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(b[0][i], a[0][i] - in[i]) << i;
}

TEST(KolmariChain, SilenceStaysFarBelowAudibility) {
  for (double rate : {44100.0, 96000.0}) {
    auto plugin = MakePlugin(rate);
    plugin->GetParam(kReact)->Set(1);
    plugin->GetParam(kOversampling)->Set(2);
    const auto out = Render(*plugin, Signal(20000, 0.0));
    // -300 dBFS is 1e-15.
    EXPECT_LT(Peak(out[0]), 1e-15) << rate;
  }
}

TEST(KolmariChain, SwitchingBypassOffRestartsFromSilence) {
  auto plugin = MakePlugin(44100.0);
  const Signal in = Sine(0.5, 500.0, 44100.0, 2048);
  Render(*plugin, in);
  plugin->GetParam(kBypass)->Set(1);
  Render(*plugin, in);
  EXPECT_EQ(plugin->Engine().Channel(0).previousInput, 0.0);
  EXPECT_EQ(plugin->Engine().Channel(0).biquadState1, 0.0);
  plugin->GetParam(kBypass)->Set(0);
  EXPECT_TRUE(AllFinite(Render(*plugin, in)[0]));
}

TEST(KolmariChain, EveryParameterCombinationStaysFiniteAndBounded) {
  // Corners of the parameter space on a loud, noisy signal.
  Signal in(6000);
  uint32_t seed = 12345;
  for (size_t i = 0; i < in.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    in[i] = 1.5 * std::sin(0.05 * static_cast<double>(i)) + (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
  }
  for (int react = 0; react <= 1; ++react)
    for (double bias : {0.0, 0.5, 1.0})
      for (double tame : {0.0, 1.0})
        for (double gain : {0.0, 200.0}) {
          auto plugin = MakePlugin(192000.0);
          plugin->GetParam(kReact)->Set(react);
          plugin->GetParam(kBias)->Set(bias);
          plugin->GetParam(kTame)->Set(tame);
          plugin->GetParam(kInputGain)->Set(gain);
          plugin->GetParam(kOutputGain)->Set(120);
          plugin->GetParam(kWet)->Set(100);
          plugin->GetParam(kOversampling)->Set(1);
          const auto out = Render(*plugin, in);
          ASSERT_TRUE(AllFinite(out[0]));
          // Fully wet output is soft-clipped to below 1.
          EXPECT_LT(Peak(out[0]), 1.0) << react << " " << bias << " " << tame << " " << gain;
        }
}

TEST(KolmariChain, ThirtyTwoBitPathMatchesTheSixtyFourBitPath) {
  auto a = MakePlugin(48000.0);
  auto b = MakePlugin(48000.0);
  const Signal in = Sine(0.8, 777.0, 48000.0, 1500);
  std::vector<float> in32(in.begin(), in.end()), out32L(in.size()), out32R(in.size());
  Signal in64(in32.begin(), in32.end());
  const auto out64 = Render(*a, in64, in64, 1500); // one call: longer than the block size
  float* inputs[2] = {in32.data(), in32.data()};
  float* outputs[2] = {out32L.data(), out32R.data()};
  b->ProcessReplacing32(inputs, outputs, static_cast<int>(in.size()));
  for (size_t i = 0; i < in.size(); ++i) {
    // A value too small for a normal float reaches the host as zero, never as a subnormal.
    float expected = static_cast<float>(out64[0][i]);
    if (std::fabs(expected) < std::numeric_limits<float>::min()) expected = 0.0f;
    ASSERT_EQ(out32L[i], expected) << i;
  }
}

} // namespace
} // namespace kolmari::test
