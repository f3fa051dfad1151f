// The engine's own maths gives the same bits in every lane width, and so does the whole chain in
// each of its forms (SSE2, AVX2, AVX-512). (Accuracy against exact values: KolmariMathAccuracyTest.cpp.)
#include "KolmariMath.h"
#include "KolmariMathAvx2Probe.h"
#include "KolmariTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace kolmari::test {

#ifdef KOLMARI_NO_AVX2_PROBE
// No four-lane form in this build; AVX2 is never available and this is never called.
void EvaluateWithQuad(MathFunction, const double*, double*, int) {}
#endif

namespace {

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Arguments that mix the functions' branches within one register: small and large magnitudes,
// both signs, and the special values.
std::vector<double> MixedArguments() {
  std::vector<double> args = {0.0, -0.0, 1e-310, -1e-310, 0.55, 0.75, 19.1, 709.8, -745.5,
                              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(18);
  std::uniform_real_distribution<double> exponent(-40.0, 10.0);
  while (args.size() < 40000) {
    double x = std::exp2(exponent(random));
    if (random() & 1) x = -x;
    args.push_back(x);
  }
  return args;
}

TEST(MathLanes, EveryWidthGivesTheSameBits) {
  const std::vector<double> args = MixedArguments();
  const int n = static_cast<int>(args.size()) / 4 * 4;
  for (MathFunction f : {MathFunction::Tanh, MathFunction::LogCosh, MathFunction::Expm1, MathFunction::Exp,
                         MathFunction::Pow8}) {
    SCOPED_TRACE(static_cast<int>(f));
    std::vector<double> quad(args.size());
    const bool haveQuad = KolmariEngine::IsaAvailable(KolmariEngine::ChainIsa::Avx2);
    if (haveQuad) EvaluateWithQuad(f, args.data(), quad.data(), n);
    int mismatches = 0;
    for (int i = 0; i + 2 <= n; i += 2) {
      const lanes::Pair pair = Evaluate(f, lanes::Pair::FromLanes(args[i], args[i + 1]));
      for (int lane = 0; lane < 2; ++lane) {
        const uint64_t scalar = Bits(Evaluate(f, args[i + lane]));
        if (Bits(lanes::Lane(pair, lane)) != scalar) ++mismatches;
        if (haveQuad && Bits(quad[i + lane]) != scalar) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// Tanh and ln cosh take e^x through ExpModerate, which leaves out Exp's clamp and scaling: in its
// domain, and for NaN, it must give Exp's bits exactly (then so do they).
TEST(MathLanes, ExpModerateIsExpWhereItHolds) {
  std::mt19937_64 random(77);
  std::uniform_real_distribution<double> within(-690.0, 690.0);
  std::vector<double> args = {0.0, -0.0, 1e-300, -1e-300, 80.0, -80.0, 690.0, -690.0,
                              std::numeric_limits<double>::quiet_NaN()};
  for (int i = 0; i < 200000; ++i) args.push_back(within(random));
  for (int i = 0; i < 200000; ++i) args.push_back(within(random) * 1e-3);
  int mismatches = 0;
  for (double x : args) {
    if (Bits(math::ExpModerate(x)) != Bits(math::Exp(x))) ++mismatches;
    const lanes::Pair pair = math::ExpModerate(lanes::Pair::FromLanes(x, -x));
    if (Bits(lanes::Lane(pair, 0)) != Bits(math::Exp(x)) || Bits(lanes::Lane(pair, 1)) != Bits(math::Exp(-x))) {
      ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// The whole chain in each wider form against its SSE2 form, on two channels and on one, over the
// rates, the oversampling choices and the settings that reach every shaper branch.
TEST(ChainForms, SameBitsAsSse2AtEveryRateAndSetting) {
  using Isa = KolmariEngine::ChainIsa;
  std::vector<Isa> wider;
  for (Isa isa : {Isa::Avx2, Isa::Avx512}) {
    if (KolmariEngine::IsaAvailable(isa)) wider.push_back(isa);
  }
  if (wider.empty()) GTEST_SKIP() << "this processor has neither AVX2 nor AVX-512";
  struct Setting {
    int react;
    double inputGain, bias, tame, wet;
  };
  const Setting settings[] = {{0, 32, 0.5, 0.5, 50}, {1, 200, 0.5, 0.5, 100}, {1, 150, 0.9, 0.1, 100},
                              {0, 80, 0.1, 0.9, 70}};
  for (double rate : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0}) {
    Signal left = Sine(0.9, 440.0, rate, 3000);
    const Signal right = Sine(0.45, 3000.0, rate, 3000);
    for (size_t i = 0; i < left.size(); ++i) left[i] += right[i];
    for (int os = 0; os <= 3; ++os) {
      for (const Setting& s : settings) {
        for (int channels : {2, 1}) {
          SCOPED_TRACE(std::to_string(rate) + " Hz, oversampling " + std::to_string(os) + ", gain " +
                       std::to_string(s.inputGain) + ", channels " + std::to_string(channels));
          const auto render = [&](Isa isa) {
            auto plugin = MakePlugin(rate, 0x9E3779B9u);
            EXPECT_TRUE(plugin->Engine().UseIsa(isa));
            EXPECT_EQ(plugin->Engine().Isa(), isa);
            if (channels == 1) {
              plugin->ConnectChannels(lumen::ERoute::Input, 1, 1, false);
              plugin->ConnectChannels(lumen::ERoute::Output, 1, 1, false);
            }
            plugin->GetParam(kOversampling)->Set(os);
            plugin->GetParam(kReact)->Set(s.react);
            plugin->GetParam(kInputGain)->Set(s.inputGain);
            plugin->GetParam(kBias)->Set(s.bias);
            plugin->GetParam(kTame)->Set(s.tame);
            plugin->GetParam(kWet)->Set(s.wet);
            return Render(*plugin, left, right, 512);
          };
          const std::vector<Signal> reference = render(Isa::Sse2);
          for (Isa isa : wider) {
            const std::vector<Signal> output = render(isa);
            for (int c = 0; c < channels; ++c) {
              int differing = 0;
              for (size_t i = 0; i < left.size(); ++i) {
                if (Bits(reference[c][i]) != Bits(output[c][i])) ++differing;
              }
              EXPECT_EQ(differing, 0) << "form " << static_cast<int>(isa) << ", channel " << c;
            }
          }
        }
      }
    }
  }
}

// A form the processor lacks is refused and leaves the engine as it was.
TEST(ChainForms, UnavailableFormIsRefused) {
  using Isa = KolmariEngine::ChainIsa;
  auto plugin = MakePlugin();
  EXPECT_EQ(plugin->Engine().Isa(), KolmariEngine::BestIsa());
  EXPECT_TRUE(plugin->Engine().UseIsa(Isa::Sse2));
  for (Isa isa : {Isa::Avx2, Isa::Avx512}) {
    EXPECT_EQ(plugin->Engine().UseIsa(isa), KolmariEngine::IsaAvailable(isa));
    if (!KolmariEngine::IsaAvailable(isa)) {
      EXPECT_NE(plugin->Engine().Isa(), isa);
    }
  }
  // AVX-512 includes AVX2: the wider form is never offered without the narrower one.
  if (KolmariEngine::IsaAvailable(Isa::Avx512)) {
    EXPECT_TRUE(KolmariEngine::IsaAvailable(Isa::Avx2));
  }
}

} // namespace
} // namespace kolmari::test
