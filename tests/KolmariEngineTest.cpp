// Reset and rate set-up, the settings-change re-initialisation, the random drift, and the engine's
// robustness against what hosts may hand it.
#include "AllocationCounter.h"
#include "KolmariLowpassTable.h"
#include "KolmariTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <random>
#include <set>

namespace kolmari::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectCoefficients(const BiquadCoefficients& actual, const BiquadCoefficients& expected) {
  EXPECT_EQ(actual.b0, expected.b0);
  EXPECT_EQ(actual.b1, expected.b1);
  EXPECT_EQ(actual.b2, expected.b2);
  EXPECT_EQ(actual.a1, expected.a1);
  EXPECT_EQ(actual.a2, expected.a2);
}

TEST(KolmariReset, ChoosesLowpassAndTrimByRate) {
  KolmariEngine engine;
  ExpectCoefficients(engine.Lowpass(), kInitialLowpass);
  EXPECT_EQ(engine.OutputTrim(), 1.0f);

  engine.Reset(88200.0, 2);
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[2].coefficients);
  EXPECT_EQ(engine.Lowpass().a1, -0.1722195203912214);
  EXPECT_EQ(engine.OutputTrim(), 1.0f);
  // 176.4 kHz has no design of its own: the one in force stays.
  engine.Reset(176400.0, 2);
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[2].coefficients);

  engine.Reset(96000.0, 2);
  EXPECT_EQ(engine.OutputTrim(), 1.0f);
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[3].coefficients);
  EXPECT_EQ(engine.Lowpass().a1, -0.30929831798252466);
  engine.Reset(44100.9, 2); // the rate is truncated for the lookup
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[0].coefficients);
  EXPECT_EQ(engine.OutputTrim(), 1.0f);
  engine.Reset(48000.0, 2);
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[1].coefficients);
  engine.Reset(192000.0, 1);
  ExpectCoefficients(engine.Lowpass(), kLowpassByRate[4].coefficients);
  EXPECT_EQ(engine.ChannelCount(), 2); // never fewer than two channels
  EXPECT_TRUE(engine.SettingsChanged());
}

// Every output lowpass passes DC at unity gain: a wrong sign or digit in a row shows up here.
TEST(KolmariReset, EveryLowpassHasUnityGainAtDc) {
  auto dcGain = [](const BiquadCoefficients& c) { return (c.b0 + c.b1 + c.b2) / (1.0 + c.a1 + c.a2); };
  EXPECT_NEAR(dcGain(kInitialLowpass), 1.0, 1e-12);
  for (const auto& row : kLowpassByRate) {
    SCOPED_TRACE(row.sampleRate);
    EXPECT_NEAR(dcGain(row.coefficients), 1.0, 1e-12);
    EXPECT_EQ(row.outputTrim, 1.0f);
  }
}

namespace {
double Rms(const Signal& s, size_t from) {
  double sum = 0.0;
  for (size_t i = from; i < s.size(); ++i) sum += s[i] * s[i];
  return std::sqrt(sum / static_cast<double>(s.size() - from));
}
} // namespace

// The same sine comes out at the same level at every supported rate.
TEST(KolmariReset, OneKilohertzSineHasTheSameLevelAtEveryRate) {
  double reference = 0.0;
  for (double rate : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0}) {
    SCOPED_TRACE(rate);
    auto plugin = MakePlugin(rate);
    plugin->GetParam(kWet)->Set(100);
    const int frames = static_cast<int>(rate); // one second
    const auto out = Render(*plugin, Sine(0.5, 1000.0, rate, frames));
    const double level = 20.0 * std::log10(Rms(out[0], static_cast<size_t>(frames / 4)));
    if (reference == 0.0) reference = level;
    EXPECT_NEAR(level, reference, 0.2);
  }
}

// The per-block drift moves the output by as little at 96 kHz as at 48 kHz.
TEST(KolmariReset, DriftMovesTheOutputNoMoreAt96kHzThanAt48kHz) {
  auto spread = [](double rate) {
    auto a = MakePlugin(rate, 0x00000001u);
    auto b = MakePlugin(rate, 0xFFFFFFF0u);
    const Signal in = Sine(0.5, 1000.0, rate, static_cast<int>(rate / 2));
    const auto x = Render(*a, in);
    const auto y = Render(*b, in);
    double worst = 0.0;
    for (size_t i = 0; i < in.size(); ++i) worst = std::max(worst, std::abs(x[0][i] - y[0][i]));
    return worst;
  };
  const double at48 = spread(48000.0);
  EXPECT_GT(at48, 0.0);
  EXPECT_LE(spread(96000.0), at48 * 1.5);
  EXPECT_LE(spread(88200.0), at48 * 1.5);
}

TEST(KolmariReset, ClearsEveryChannelCompletely) {
  auto plugin = MakePlugin(48000.0);
  Render(*plugin, Sine(0.9, 300.0, 48000.0, 3000));
  plugin->OnReset();
  const KolmariChannel& ch = plugin->Engine().Channel(1);
  for (double v : ch.stageHistory) EXPECT_EQ(v, 0.0);
  for (double v : ch.smoothGain) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(ch.biquadState1, 0.0);
  EXPECT_EQ(ch.dcGain, 0.0);
  EXPECT_EQ(ch.previousInput, 0.0);
}

namespace {
// The engine's output for `blocks` blocks of a two-sine signal starting at sample `start`, one
// signal per channel in use (the engine keeps at least two channel records either way).
std::vector<Signal> RunBlocks(KolmariEngine& engine, const BlockParameters& params, double rate, int channels,
                              int start, int blocks) {
  constexpr int kFrames = 173; // not a power of two: blocks end mid-way through the filters' cycles
  std::vector<Signal> out(static_cast<size_t>(channels));
  for (int b = 0; b < blocks; ++b) {
    std::vector<Signal> in(static_cast<size_t>(channels), Signal(kFrames));
    std::vector<Signal> block(static_cast<size_t>(channels), Signal(kFrames));
    std::vector<double*> inputs, outputs;
    for (int c = 0; c < channels; ++c) {
      auto& samples = in[static_cast<size_t>(c)];
      for (int i = 0; i < kFrames; ++i) {
        const double t = start + b * kFrames + i;
        samples[static_cast<size_t>(i)] = (0.9 - 0.3 * c) * std::sin(t * (0.037 + 0.011 * c));
      }
      inputs.push_back(samples.data());
      outputs.push_back(block[static_cast<size_t>(c)].data());
    }
    engine.ProcessBlock(params, rate, channels, inputs.data(), channels, outputs.data(), channels, kFrames);
    for (int c = 0; c < channels; ++c) {
      auto& o = out[static_cast<size_t>(c)];
      o.insert(o.end(), block[static_cast<size_t>(c)].begin(), block[static_cast<size_t>(c)].end());
    }
  }
  return out;
}

// The samples as bit patterns, so that equality means the same bits (-0 against +0 included).
std::vector<uint64_t> Bits(const Signal& s) {
  std::vector<uint64_t> bits;
  for (double v : s) bits.push_back(std::bit_cast<uint64_t>(v));
  return bits;
}
} // namespace

// Clear, which runs on the audio thread, forgets the past as Reset does: after the same audio,
// the blocks that follow a Clear carry the same bits as those after a Reset at the same rate and
// channel count, every channel record is byte for byte the same, and Clear allocates nothing.
TEST(KolmariReset, ClearForgetsThePastBitForBitAsResetDoesWithoutAllocating) {
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    for (int oversampling : {0, 1, 3}) {
      for (int channels : {1, 2}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, oversampling " << oversampling << ", " << channels
                                        << " channel(s)");
        BlockParameters params;
        params.oversampling = oversampling;
        params.react = oversampling == 1 ? 1.0 : 0.0;
        params.inputGain = 120.0;
        params.wet = 80.0;
        params.tame = 0.3;
        params.bias = 0.7;
        KolmariEngine cleared, reset, kept;
        for (KolmariEngine* e : {&cleared, &reset, &kept}) {
          e->SetFixedDraw(0x9E3779B9u);
          e->Reset(rate, channels);
          RunBlocks(*e, params, rate, channels, 0, 4);
        }
        {
          AllocationCounter allocations;
          cleared.Clear();
          EXPECT_EQ(allocations.Count(), 0u);
        }
        reset.Reset(rate, channels);

        EXPECT_TRUE(cleared.SettingsChanged());
        ASSERT_EQ(cleared.ChannelCount(), reset.ChannelCount());
        EXPECT_EQ(cleared.SampleRate(), reset.SampleRate());
        ExpectCoefficients(cleared.Lowpass(), reset.Lowpass());
        EXPECT_EQ(cleared.OutputTrim(), reset.OutputTrim());
        // Plain doubles without padding: equal bytes are equal state, the history depths the
        // chain never reads included.
        for (int c = 0; c < cleared.ChannelCount(); ++c) {
          EXPECT_EQ(std::memcmp(&cleared.Channel(c), &reset.Channel(c), sizeof(KolmariChannel)), 0) << c;
        }

        const auto afterClear = RunBlocks(cleared, params, rate, channels, 4 * 173, 4);
        const auto afterReset = RunBlocks(reset, params, rate, channels, 4 * 173, 4);
        const auto remembering = RunBlocks(kept, params, rate, channels, 4 * 173, 4);
        for (int c = 0; c < channels; ++c) {
          EXPECT_EQ(Bits(afterClear[static_cast<size_t>(c)]), Bits(afterReset[static_cast<size_t>(c)])) << c;
          // The past does shape these blocks, so the comparison above is not between two
          // renders that could not have differed.
          EXPECT_NE(Bits(afterClear[static_cast<size_t>(c)]), Bits(remembering[static_cast<size_t>(c)])) << c;
        }
      }
    }
  }
}

TEST(KolmariReset, UnitCoefficientsAt44100WithoutOversampling) {
  auto plugin = MakePlugin(44100.0);
  Render(*plugin, Signal(16, 0.1));
  const KolmariChannel& ch = plugin->Engine().Channel(0);
  for (int slot = 0; slot <= 12; ++slot) {
    EXPECT_EQ(ch.smoothGain[static_cast<size_t>(slot)], 1.0) << slot;
    EXPECT_EQ(ch.smoothFeedback[static_cast<size_t>(slot)], 0.0) << slot;
  }
  EXPECT_EQ(ch.dcGain, 2.0 / (44100.0 + 1e-39));
}

TEST(KolmariReset, OversamplingChangeReinitialisesAtTheNextBlock) {
  auto plugin = MakePlugin(48000.0);
  const Signal in = Sine(0.5, 440.0, 48000.0, 512);
  Render(*plugin, in);
  EXPECT_EQ(plugin->Engine().OversamplingFactor(), 1);

  plugin->GetParam(kOversampling)->Set(3);
  Render(*plugin, Signal(1, 0.0));
  const KolmariEngine& engine = plugin->Engine();
  EXPECT_EQ(engine.OversamplingFactor(), 8);
  const double rateFactor = 48000.0 * 2.2675736961451248e-05;
  const KolmariChannel& ch = engine.Channel(0);
  EXPECT_EQ(ch.smoothGain[1], 1.0 / (8.0 * rateFactor + 1e-39));
  EXPECT_NEAR(ch.smoothGain[11], 0.1148, 1e-4);
  EXPECT_EQ(ch.smoothGain[0], 1.0 / (rateFactor + 1e-39));
  EXPECT_EQ(ch.smoothGain[12], ch.smoothGain[0]);
  EXPECT_EQ(ch.smoothFeedback[5], 1.0 - ch.smoothGain[5]);
  // The histories were cleared: only the one sample just processed is in them.
  EXPECT_EQ(ch.outputHistory[2], 0.0);
  EXPECT_FALSE(engine.SettingsChanged());
  EXPECT_EQ(plugin->Latency(), 0);
}

TEST(KolmariReset, EightSubstepsAverageIntoTheOutput) {
  // With a constant input the interpolating upsampler feeds the shapers eight different values per
  // sample, and the decimated output is their mean: outputHistory[0] = trim * sum(w1) / 8 + eps.
  auto plugin = MakePlugin(44100.0);
  plugin->GetParam(kOversampling)->Set(3);
  plugin->GetParam(kWet)->Set(100);
  Render(*plugin, Signal(1, 0.0));
  Render(*plugin, Signal(1, 0.4));
  const KolmariChannel& ch = plugin->Engine().Channel(0);
  EXPECT_EQ(plugin->Engine().OversamplingFactor(), 8);
  EXPECT_GT(ch.outputHistory[0], 0.0);
  EXPECT_LT(ch.outputHistory[0], ch.stageHistory[0]); // the mean lags the last substep on a rising edge
}

TEST(KolmariDrift, FreshDrawEveryBlockWithinItsRange) {
  EXPECT_EQ(KolmariEngine::DriftDivisorFor(0), 2.0023318412286644);
  EXPECT_EQ(KolmariEngine::DriftDivisorFor(0xFFFFFFFFu), 2.0011596521816433); // r rounds to 1 in single precision
  std::mt19937 reference(42u);
  const uint32_t u = static_cast<uint32_t>(reference());
  const double r = static_cast<double>(static_cast<float>(u) / 4294967296.0f);
  EXPECT_EQ(KolmariEngine::DriftDivisorFor(u), (1.0 - r) * 2.0023318412286644 + r * 2.0011596521816433);

  // The shortcut for a fresh generator's first number matches the standard generator, one at a
  // time and eight side by side.
  std::mt19937 seeds(2024u);
  for (uint32_t seed : {0u, 1u, 5489u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(DriftSource::FirstDrawOfFreshGenerator(seed), std::mt19937(seed)()) << seed;
  }
  for (int i = 0; i < 250; ++i) {
    std::array<uint32_t, DriftSource::kBatch> batch{};
    for (uint32_t& seed : batch) seed = static_cast<uint32_t>(seeds());
    const auto draws = DriftSource::FirstDrawsOfFreshGenerators(batch);
    for (int lane = 0; lane < DriftSource::kBatch; ++lane) {
      ASSERT_EQ(draws[lane], std::mt19937(batch[lane])()) << batch[lane];
      ASSERT_EQ(DriftSource::FirstDrawOfFreshGenerator(batch[lane]), draws[lane]);
    }
  }

  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.SetSampleRate(44100.0);
  plugin.OnReset();
  std::set<double> seen;
  for (int block = 0; block < 3 * DriftSource::kBatch; ++block) {
    Render(plugin, Signal(4, 0.0));
    const double d = plugin.Engine().DriftDivisor();
    EXPECT_GE(d, 2.0011596521816433);
    EXPECT_LE(d, 2.0023318412286644);
    seen.insert(d);
  }
  EXPECT_GT(seen.size(), static_cast<size_t>(DriftSource::kBatch)) << "every batch brings new numbers";
}

// The seeds come from the operating system in batches; across several batches they keep changing
// (a refill that failed silently, or one handing out the same batch again, would repeat them).
TEST(KolmariDrift, SeedsKeepComingAcrossBatches) {
#if defined(__linux__) || defined(_WIN32)
  std::array<uint32_t, 4> fetched{};
  EXPECT_TRUE(OsSeedSource::Fetch(fetched.data(), static_cast<int>(fetched.size())));
#endif
  OsSeedSource source;
  std::set<uint32_t> seen;
  constexpr int kCount = 3 * OsSeedSource::kBatch + 5;
  for (int i = 0; i < kCount; ++i) seen.insert(source.Next());
  EXPECT_GT(seen.size(), static_cast<size_t>(kCount - 2)); // 32-bit values: a repeat is very unlikely
}

// A fixed seed gives every block the first number of a generator seeded with it; clearing it brings
// the operating system's numbers back.
TEST(KolmariDrift, FixedSeedGivesEveryBlockTheSeedsFirstDraw) {
  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.SetSampleRate(44100.0);
  plugin.OnReset();
  plugin.Engine().SetFixedSeed(2026u);
  const double expected = KolmariEngine::DriftDivisorFor(static_cast<uint32_t>(std::mt19937(2026u)()));
  for (int block = 0; block < 2 * DriftSource::kBatch + 1; ++block) {
    Render(plugin, Signal(4, 0.0));
    ASSERT_EQ(plugin.Engine().DriftDivisor(), expected) << block;
  }
  plugin.Engine().SetFixedSeed(std::nullopt);
  std::set<double> seen;
  for (int block = 0; block < 2 * DriftSource::kBatch; ++block) {
    Render(plugin, Signal(4, 0.0));
    seen.insert(plugin.Engine().DriftDivisor());
  }
  EXPECT_GT(seen.size(), 2u);
}

TEST(KolmariRobustness, NonFiniteInputPoisonsNothing) {
  for (double glitch : {kNaN, kInf, -kInf}) {
    SCOPED_TRACE(glitch);
    Signal clean = Sine(0.6, 330.0, 44100.0, 8000);
    Signal hit = clean;
    hit[1000] = glitch;
    clean[1000] = 0.0;
    auto a = MakePlugin();
    auto b = MakePlugin();
    const auto expected = Render(*a, clean);
    const auto actual = Render(*b, hit);
    // The bad sample counts as silence: every output sample equals that of a clean run.
    EXPECT_EQ(actual[0], expected[0]);
  }
}

TEST(KolmariRobustness, HugeFiniteInputGivesFiniteOutputAndRecovers) {
  for (double huge : {3e38, -3e38, 1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
    for (int os : {0, 3}) {
      SCOPED_TRACE(huge);
      SCOPED_TRACE(os);
      const Signal clean = Sine(0.6, 330.0, 44100.0, 44100);
      Signal hit = clean;
      hit[1000] = huge;
      hit[1001] = -huge;
      auto a = MakePlugin();
      auto b = MakePlugin();
      a->GetParam(kOversampling)->Set(os);
      b->GetParam(kOversampling)->Set(os);
      b->GetParam(kDelta)->Set(1);
      a->GetParam(kDelta)->Set(1);
      const auto expected = Render(*a, clean);
      const auto actual = Render(*b, hit);
      ASSERT_TRUE(AllFinite(actual[0]));
      // Half a second later the glitch has left no audible trace.
      for (size_t i = 22050; i < clean.size(); ++i) ASSERT_NEAR(actual[0][i], expected[0][i], 1e-3) << i;
    }
  }
}

TEST(KolmariRobustness, ImpulseAtWetZeroStaysFinite) {
  auto plugin = MakePlugin();
  plugin->GetParam(kWet)->Set(0);
  plugin->GetParam(kInputGain)->Set(200);
  Signal in(2000, 0.0);
  in[10] = 1000.0;
  const auto out = Render(*plugin, in);
  EXPECT_EQ(out[0], in);
  // The wet path took the impulse too: its states are finite.
  const KolmariChannel& ch = plugin->Engine().Channel(0);
  EXPECT_TRUE(std::isfinite(ch.adaaLastIntegral[5]));
  EXPECT_TRUE(std::isfinite(ch.outputFeedback));
  plugin->GetParam(kWet)->Set(60);
  EXPECT_TRUE(AllFinite(Render(*plugin, Sine(0.5, 100.0, 44100.0, 2000))[0]));
}

TEST(KolmariRobustness, AnySampleRateAHostCanSetKeepsTheOutputFinite) {
  for (double rate : {0.0, -44100.0, 1.0, 1.9, 2.0, 100.0, kNaN, kInf, -kInf, 1e12, 5e-324}) {
    SCOPED_TRACE(rate);
    auto plugin = MakePlugin(rate);
    plugin->GetParam(kWet)->Set(100);
    const auto out = Render(*plugin, Sine(0.8, 50.0, 44100.0, 20000));
    ASSERT_TRUE(AllFinite(out[0]));
    EXPECT_LT(Peak(out[0]), 1.0);
    // A rate changed without a reset is picked up block by block.
    plugin->SetSampleRate(rate);
    ASSERT_TRUE(AllFinite(Render(*plugin, Signal(600, 0.7))[0]));
  }
}

// Reference samples of three settings with a fixed random draw, computed with the C library's
// tanh, exp, log and pow before the engine had its own. The engine's functions differ from those
// by an ulp or two, which moves the output by about 1e-13; anything beyond 1e-9 is a change to the
// chain. (The exact bits are held by the bit-identity hashes.)
TEST(KolmariProcessing, StaysWithTheCLibraryMathsReference) {
  struct Setting {
    double rate;
    int oversampling, react;
    double bias, tame, inputGain, wet;
    int delta;
    std::array<double, 4> expected; // left at 100, 777 and 2047, right at 2047
  };
  const Setting settings[] = {
      {44100, 0, 0, 0.5, 0.5, 32, 50, 0,
       {-0.35216134926622289, -1.0144853130084401, 0.69557254749116004, 0.17089464515411376}},
      {48000, 3, 1, 0.9, 0.2, 150, 100, 0,
       {-0.42474924304532813, 0.42405757420828877, -0.4284464935453105, -0.39980306257115084}},
      {96000, 1, 0, 0.1, 0.7, 80, 70, 1,
       {0.0070946383196372476, -0.066749112373807457, 0.034710381598502038, -0.24488047534613605}},
  };
  for (const Setting& s : settings) {
    SCOPED_TRACE(s.rate);
    auto plugin = MakePlugin(s.rate, 0x9E3779B9u);
    plugin->GetParam(kOversampling)->Set(s.oversampling);
    plugin->GetParam(kReact)->Set(s.react);
    plugin->GetParam(kBias)->Set(s.bias);
    plugin->GetParam(kTame)->Set(s.tame);
    plugin->GetParam(kInputGain)->Set(s.inputGain);
    plugin->GetParam(kWet)->Set(s.wet);
    plugin->GetParam(kDelta)->Set(s.delta);
    Signal left = Sine(0.9, 440.0, s.rate, 2048);
    const Signal right = Sine(0.3, 3000.0, s.rate, 2048);
    for (size_t i = 0; i < left.size(); ++i) left[i] += right[i];
    const auto out = Render(*plugin, left, right, 256);
    constexpr double kTolerance = 1e-9;
    EXPECT_NEAR(out[0][100], s.expected[0], kTolerance);
    EXPECT_NEAR(out[0][777], s.expected[1], kTolerance);
    EXPECT_NEAR(out[0][2047], s.expected[2], kTolerance);
    EXPECT_NEAR(out[1][2047], s.expected[3], kTolerance);
  }
}

TEST(KolmariProcessing, InPlaceEqualsOutOfPlace) {
  for (int os : {0, 2}) {
    const Signal in = Sine(0.9, 1234.0, 48000.0, 3000);
    auto a = MakePlugin(48000.0);
    auto b = MakePlugin(48000.0);
    for (auto* p : {a.get(), b.get()}) {
      p->GetParam(kOversampling)->Set(os);
      p->GetParam(kWet)->Set(40); // the dry crossfade and Delta read the input after the output is written
      p->GetParam(kDelta)->Set(1);
    }
    const auto expected = Render(*a, in);
    Signal left = in, right = in;
    double* buffers[2] = {left.data(), right.data()};
    for (int offset = 0; offset < 3000; offset += 512) {
      double* chunk[2] = {buffers[0] + offset, buffers[1] + offset};
      b->ProcessReplacing64(chunk, chunk, std::min(512, 3000 - offset));
    }
    EXPECT_EQ(left, expected[0]);
    EXPECT_EQ(right, expected[1]);
  }
}

TEST(KolmariProcessing, NoHeapAllocationWhileProcessing) {
  Kolmari plugin(lumen::IInstanceInfo{});
  plugin.SetSampleRate(96000.0);
  plugin.OnReset();
  const Signal in = Sine(0.7, 200.0, 96000.0, 512);
  Signal outL(512), outR(512);
  double* inputs[2] = {const_cast<double*>(in.data()), const_cast<double*>(in.data())};
  double* outputs[2] = {outL.data(), outR.data()};
  std::vector<float> in32(512, 0.25f), out32(512);
  float* inputs32[2] = {in32.data(), in32.data()};
  float* outputs32[2] = {out32.data(), out32.data()};

  AllocationCounter counter;
  for (int os = 0; os <= 3; ++os) {
    plugin.GetParam(kOversampling)->Set(os); // includes the settings-change re-initialisation
    plugin.GetParam(kReact)->Set(os % 2);
    plugin.ProcessReplacing64(inputs, outputs, 512);
    plugin.ProcessReplacing32(inputs32, outputs32, 512);
    plugin.ProcessAccumulating32(inputs32, outputs32, 512);
  }
  EXPECT_EQ(counter.Count(), 0u);
}

} // namespace
} // namespace kolmari::test
