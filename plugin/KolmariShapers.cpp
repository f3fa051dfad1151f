// The two shapers and the first-order antiderivative form of tanh they share.
#include "KolmariEngine.h"

#include <algorithm>
#include <cmath>

namespace kolmari {

namespace {

constexpr double K = KolmariEngine::kClipKnee;
constexpr double kEps = KolmariEngine::kEpsilon;

double Flush(double v) { return std::fpclassify(v) == FP_ZERO || std::fpclassify(v) == FP_SUBNORMAL ? 0.0 : v; }

// Beyond this magnitude cosh overflows a double (it does so near 710.5).
constexpr double kLogCoshDirectLimit = 700.0;
// Below this, the clip curve keeps its exact original arithmetic; above, that arithmetic loses its
// precision (it collapses to 0 near 2^54), while the true value is simply 0.9 K.
constexpr double kClipCurveDirectLimit = 1024.0;
constexpr double kLn2 = 0.6931471805599453;

} // namespace

double KolmariEngine::LogCosh(double x) {
  const double a = std::abs(x);
  if (a <= kLogCoshDirectLimit) return std::log(std::cosh(x));
  // ln(cosh x) = |x| - ln 2 + ln(1 + e^(-2|x|)); the last term is far below one ulp here.
  return a - kLn2;
}

double KolmariEngine::ClipCurve(double e) {
  if (std::abs(e) < kClipCurveDirectLimit) return 0.45 * (std::abs(e + K) - std::abs(e - K));
  return e > 0.0 ? 0.9 * K : -0.9 * K;
}

double KolmariEngine::AntiderivativeTanh(double x, int channel, int slot) {
  KolmariChannel& ch = mChannels[static_cast<size_t>(channel)];
  const auto i = static_cast<size_t>(slot);
  const double integral = LogCosh(x);
  const double xp = ch.adaaLastInput[i];
  const double integralPrevious = ch.adaaLastIntegral[i];
  double result;
  if (std::abs(x - xp) < mAdaaCloseness) {
    result = std::tanh((xp + x) * 0.5);
  } else {
    result = (integral - integralPrevious) / (x - xp + kEps);
  }
  ch.adaaLastIntegral[i] = integral + kEps;
  ch.adaaLastInput[i] = x + kEps;
  return result;
}

double KolmariEngine::FirstShaper(double x, double s1, double s2, int channel, double driftDivisor) {
  double e = std::abs(x);
  const double e0 = e;
  const double l = std::clamp(e0 - K, 0.0, 1.0);
  // Below the knee the weight l is 0, and the envelope branch then gives back e unchanged
  // ((1 - 0) e + 0 h is e for the finite h it computes): skip its four tanh calls. For the normal
  // or zero magnitudes the chain passes in, this is exact.
  if (s2 > 1e-38 && l > 0.0) {
    const double f = std::tanh(e - s2 + kEps);
    const double g = std::tanh(f / (driftDivisor + kEps) + kEps);
    const double h = std::tanh(e - g + kEps);
    if (f > std::tanh(s1 - s2 + kEps)) {
      const double o = std::clamp(std::tanh(s1 / (s2 + kEps) + kEps), 0.0, 1.0);
      const double o2 = Flush((1.0 - o) * e + o * s1);
      e = Flush((1.0 - l) * e + l * o2);
    }
    e = (1.0 - l) * e + l * h;
  }
  const double a = std::clamp(AntiderivativeTanh(e, channel, 5), 0.0, 1.0);
  e = 0.5 * a + 0.5 * Cubic(ClipCurve(e));
  mChannels[static_cast<size_t>(channel)].shaperHistory[0] = e;
  const double magnitude = std::abs(e);
  return x < 0.0 ? -magnitude : magnitude;
}

double KolmariEngine::SecondShaper(double x, int channel) {
  constexpr double T = 0.9772372209558107;
  constexpr double kHeadroom = 0.02276277904418933;    // 1 - T as a double
  constexpr double kBlendSpan = 0.15000000000000002;   // 1 - 0.85 as a double
  double e = std::abs(x);
  if (e > T) {
    const double t = e - T;
    const double w = std::clamp(t / kHeadroom, 0.0, 1.0);
    const double u = AntiderivativeTanh(t, channel, 6);
    e = w * (0.5 * u + 0.5 * t + T) + (1.0 - w) * e;
  }
  if (e > 0.85) {
    const double w = std::clamp((e - 0.85) / kBlendSpan, 0.0, 1.0);
    e = w * Cubic(ClipCurve(e)) + (1.0 - w) * e;
  }
  const double magnitude = std::abs(e);
  return x < 0.0 ? -magnitude : magnitude;
}

double KolmariEngine::SoftClip(double y) {
  double a = std::abs(y);
  if (a > 0.9) {
    const double t = std::clamp((a - 0.9) / 0.09999999999999998, 0.0, 1.0);
    const double f = ClipCurve(a);
    a = t * Cubic(f) + (1.0 - t) * a;
    return y < 0.0 ? -a : a;
  }
  return y;
}

} // namespace kolmari
