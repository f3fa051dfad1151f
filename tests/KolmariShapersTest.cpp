// The two shapers, their antiderivative tanh, and the soft clip.
#include "KolmariEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kolmari {
namespace {

constexpr double K = KolmariEngine::kClipKnee;
constexpr double kClipCeiling = 0.9731487976746969;

double OriginalClipCurve(double e) { return 0.45 * (std::abs(e + K) - std::abs(e - K)); }

TEST(AntiderivativeTanh, MidpointForCloseInputsQuotientOtherwise) {
  KolmariEngine fresh;
  // The first call compares against a cleared memory of 0: (ln cosh 1 - 0) / 1.
  EXPECT_NEAR(fresh.AntiderivativeTanh(1.0, 0, 5), 0.4337808304830272, 1e-15);
  // 1 and 1.000001 are closer than 1e-5: tanh of the midpoint.
  EXPECT_NEAR(fresh.AntiderivativeTanh(1.000001, 0, 5), std::tanh((1.0 + 1e-39 + 1.000001) * 0.5), 4e-16);
  // Slots and channels keep separate memories.
  EXPECT_NEAR(fresh.AntiderivativeTanh(1.0, 1, 5), 0.4337808304830272, 1e-15);
  EXPECT_NEAR(fresh.AntiderivativeTanh(1.0, 0, 6), 0.4337808304830272, 1e-15);
}

TEST(AntiderivativeTanh, LargeInputsStayFinite) {
  KolmariEngine engine;
  // ln(cosh(x)) overflows near 710; an impulse of 1000 must not leave inf - inf behind.
  const double a = engine.AntiderivativeTanh(1000.0, 0, 5);
  const double b = engine.AntiderivativeTanh(0.0, 0, 5);
  const double c = engine.AntiderivativeTanh(-1e300, 0, 5);
  EXPECT_NEAR(a, (1000.0 - std::log(2.0)) / 1000.0, 1e-12);
  EXPECT_NEAR(b, 1.0, 1e-3);
  EXPECT_TRUE(std::isfinite(c));
  EXPECT_TRUE(std::isfinite(engine.AntiderivativeTanh(5.0, 0, 5)));
}

TEST(LogCosh, MatchesTheDirectFormulaAndItsAsymptote) {
  // Within a few ulp of the C library's composition where that is accurate (cosh's rounding alone
  // moves it by up to two ulp); the accuracy test compares with exact values.
  for (double x : {0.3, -0.75, 1.0, -2.5, 20.0, 350.0, -699.0, 700.0, 700.5}) {
    const double direct = std::log(std::cosh(x));
    EXPECT_NEAR(KolmariEngine::LogCosh(x), direct, 1e-15 * direct) << x;
  }
  // Where cosh rounds to 1 the composition gives 0; the value is x^2 / 2.
  EXPECT_DOUBLE_EQ(KolmariEngine::LogCosh(1e-8), 5e-17);
  EXPECT_EQ(KolmariEngine::LogCosh(0.0), 0.0);
  EXPECT_EQ(KolmariEngine::LogCosh(-800.0), 800.0 - std::log(2.0));
  EXPECT_TRUE(std::isfinite(KolmariEngine::LogCosh(std::numeric_limits<double>::max())));
}

TEST(ClipCurve, NinetyPercentOfTheSmallerOfInputAndKnee) {
  for (double e : {0.0, 0.25, 0.9, K, 1.0, 1.5, 7.0, 1000.0})
    EXPECT_EQ(KolmariEngine::ClipCurve(e), OriginalClipCurve(e)) << e;
  for (double e : {0.1, 0.5, 0.9}) EXPECT_NEAR(KolmariEngine::ClipCurve(e), 0.9 * e, 1e-15);
  // The original form cancels to 0 for huge inputs; the curve must hold 0.9 K.
  for (double e : {1024.0, 1e6, std::ldexp(1.0, 54), 1e300}) EXPECT_EQ(KolmariEngine::ClipCurve(e), 0.9 * K) << e;
  EXPECT_EQ(KolmariEngine::Cubic(0.9 * K), kClipCeiling);
}

TEST(SecondShaper, IdentityBelowKneeAndCeilingAbove) {
  KolmariEngine engine;
  EXPECT_EQ(engine.SecondShaper(0.5, 0), 0.5);
  EXPECT_EQ(engine.SecondShaper(-0.85, 0), -0.85);
  EXPECT_NEAR(engine.SecondShaper(0.9, 0), 0.91178385, 1e-8);
  EXPECT_NEAR(engine.SecondShaper(-0.9, 0), -0.91178385, 1e-8);
  // Steady inputs of 1.5 and more settle on the ceiling once the memory holds the same value.
  for (double x : {1.5, 4.0, 1e6}) {
    KolmariEngine steady;
    steady.SecondShaper(x, 0);
    EXPECT_EQ(steady.SecondShaper(x, 0), kClipCeiling) << x;
    EXPECT_EQ(steady.SecondShaper(-x, 1), -kClipCeiling) << x;
  }
  EXPECT_TRUE(std::isfinite(engine.SecondShaper(-1e300, 0)));
}

TEST(FirstShaper, SmallSignalSlopeAndSign) {
  KolmariEngine engine;
  const double D = 2.0017;
  // Without an envelope (s2 = 0) the result is half antiderivative tanh, half cubic clip: slope
  // 0.5 + 0.5 * 1.45 * 0.9 = 1.1525 for small steady inputs.
  engine.FirstShaper(0.001, 0.0, 0.0, 0, D);
  const double y = engine.FirstShaper(0.001, 0.0, 0.0, 0, D);
  EXPECT_NEAR(y / 0.001, 1.1525, 1e-6);
  EXPECT_EQ(engine.Channel(0).shaperHistory[0], y);

  EXPECT_LT(engine.FirstShaper(-0.3, 0.0, 0.0, 1, D), 0.0);
  KolmariEngine zero;
  const double z = zero.FirstShaper(-0.0, 0.0, 0.0, 0, D);
  EXPECT_EQ(z, 0.0);
  EXPECT_FALSE(std::signbit(z));
}

TEST(FirstShaper, EnvelopeBranchOnlyAboveTheKnee) {
  const double D = 2.0017;
  // Below K the envelope weight is 0: the envelope taps change nothing.
  KolmariEngine a, b;
  EXPECT_EQ(a.FirstShaper(0.7, 0.0, 0.0, 0, D), b.FirstShaper(0.7, 0.4, 0.3, 0, D));
  // Far above K the magnitude is replaced by the envelope-shaped tanh before shaping.
  KolmariEngine c, d;
  const double plain = c.FirstShaper(3.0, 0.0, 0.0, 0, D);
  const double shaped = d.FirstShaper(3.0, 0.9, 0.8, 0, D);
  EXPECT_NE(plain, shaped);
  EXPECT_LE(shaped, 1.0);
}

TEST(SoftClip, LimitsAboveNinetyPercent) {
  EXPECT_EQ(KolmariEngine::SoftClip(0.5), 0.5);
  EXPECT_EQ(KolmariEngine::SoftClip(-0.9), -0.9);
  EXPECT_EQ(KolmariEngine::SoftClip(1.0), kClipCeiling);
  EXPECT_EQ(KolmariEngine::SoftClip(-3.0), -kClipCeiling);
  EXPECT_EQ(KolmariEngine::SoftClip(1e300), kClipCeiling);
  // Continuous at the knee, and the blend region never leaves [0.9, 0.98].
  EXPECT_NEAR(KolmariEngine::SoftClip(0.9000001), 0.9000001, 1e-6);
  for (double a = 0.901; a <= 1.0; a += 0.001) {
    const double v = KolmariEngine::SoftClip(a);
    EXPECT_GE(v, 0.9) << a;
    EXPECT_LE(v, 0.98) << a;
  }
}

} // namespace
} // namespace kolmari
