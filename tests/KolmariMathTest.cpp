// The engine's own maths gives the same bits in every lane width, and so does the whole chain in
// its SSE2 and AVX2 forms. (Accuracy against exact values: KolmariMathAccuracyTest.cpp.)
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
// No four-lane form in this build; KolmariEngine::Avx2Available() is false and this is never called.
void EvaluateWithQuad(MathFunction, const double*, double*, int) {}
#endif

namespace {

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double Scalar(MathFunction f, double x) {
  switch (f) {
    case MathFunction::Tanh: return math::Tanh(x);
    case MathFunction::LogCosh: return math::LogCosh(x);
    case MathFunction::Expm1: return math::Expm1(x);
    case MathFunction::Exp: return math::Exp(x);
    case MathFunction::Pow8: return math::PowInt<8>(x);
  }
  return 0.0;
}

lanes::Pair Paired(MathFunction f, lanes::Pair x) {
  switch (f) {
    case MathFunction::Tanh: return math::Tanh(x);
    case MathFunction::LogCosh: return math::LogCosh(x);
    case MathFunction::Expm1: return math::Expm1(x);
    case MathFunction::Exp: return math::Exp(x);
    case MathFunction::Pow8: return math::PowInt<8>(x);
  }
  return 0.0;
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
    const bool haveQuad = KolmariEngine::Avx2Available();
    if (haveQuad) EvaluateWithQuad(f, args.data(), quad.data(), n);
    int mismatches = 0;
    for (int i = 0; i + 2 <= n; i += 2) {
      const lanes::Pair pair = Paired(f, lanes::Pair::FromLanes(args[i], args[i + 1]));
      for (int lane = 0; lane < 2; ++lane) {
        const uint64_t scalar = Bits(Scalar(f, args[i + lane]));
        if (Bits(lanes::Lane(pair, lane)) != scalar) ++mismatches;
        if (haveQuad && Bits(quad[i + lane]) != scalar) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// The whole chain on two channels in its AVX2 form and in its SSE2 form, over the rates, the
// oversampling choices and the settings that reach every shaper branch.
TEST(KolmariAvx2, SameBitsAsSse2AtEveryRateAndSetting) {
  if (!KolmariEngine::Avx2Available()) GTEST_SKIP() << "this processor has no AVX2";
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
        SCOPED_TRACE(std::to_string(rate) + " Hz, oversampling " + std::to_string(os) + ", gain " +
                     std::to_string(s.inputGain));
        std::vector<Signal> outputs[2];
        for (int avx2 = 0; avx2 < 2; ++avx2) {
          auto plugin = MakePlugin(rate, 0x9E3779B9u);
          ASSERT_EQ(plugin->Engine().UseAvx2(avx2 == 1), avx2 == 1);
          plugin->GetParam(kOversampling)->Set(os);
          plugin->GetParam(kReact)->Set(s.react);
          plugin->GetParam(kInputGain)->Set(s.inputGain);
          plugin->GetParam(kBias)->Set(s.bias);
          plugin->GetParam(kTame)->Set(s.tame);
          plugin->GetParam(kWet)->Set(s.wet);
          outputs[avx2] = Render(*plugin, left, right, 512);
        }
        for (int c = 0; c < 2; ++c) {
          int differing = 0;
          for (size_t i = 0; i < left.size(); ++i) {
            if (Bits(outputs[0][c][i]) != Bits(outputs[1][c][i])) ++differing;
          }
          EXPECT_EQ(differing, 0) << "channel " << c;
        }
      }
    }
  }
}

} // namespace
} // namespace kolmari::test
