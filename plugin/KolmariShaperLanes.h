#pragma once

// The two shapers, the antiderivative form of tanh they share and the output soft clip, written
// once for one channel (V = double) and for two channels side by side (V = lanes::Pair). They work
// on the memories they are handed, so the processing chain can keep its state in registers for a
// block, and they are inline so that the chain's loop contains them. Audio thread only; no
// allocation, no state of their own. Their tanh and ln(cosh) are the engine's own (KolmariMath.h),
// computed for all lanes at once and the same in every lane width and on every platform.

#include "KolmariLanes.h"
#include "KolmariMath.h"

#include <algorithm>
#include <cmath>

namespace kolmari {
inline namespace KOLMARI_ISA {
namespace shapers {

using namespace lanes;

// The chain calls these once or twice per substep; inlined, its values stay in registers.
#define KOLMARI_INLINE inline __attribute__((always_inline))

inline constexpr double K = 0.9885530946569389;
inline constexpr double kEps = 1e-39;

// Below this, the clip curve keeps its exact original arithmetic; above, that arithmetic loses its
// precision (it collapses to 0 near 2^54), while the true value is simply 0.9 K.
inline constexpr double kClipCurveDirectLimit = 1024.0;

using math::LogCosh;
using math::Tanh;

// tanh of two independent arguments. Where four lanes are at hand, two pairs go through one call.
template <class V> KOLMARI_INLINE void Tanh2(V a, V b, V& ta, V& tb) {
  ta = Tanh(a);
  tb = Tanh(b);
}
#ifdef KOLMARI_HAVE_PAIR
// One channel's two go through one two-lane call (about 3 % of the heavy setting's mono cost).
template <> KOLMARI_INLINE void Tanh2(double a, double b, double& ta, double& tb) {
  const Pair both = Tanh(Pair::FromLanes(a, b));
  ta = Lane(both, 0);
  tb = Lane(both, 1);
}
#endif
#if defined(KOLMARI_HAVE_QUAD) && defined(KOLMARI_HAVE_PAIR)
template <> KOLMARI_INLINE void Tanh2(Pair a, Pair b, Pair& ta, Pair& tb) {
  const Quad both = Tanh(Quad::FromPairs(a, b));
  ta = both.Low();
  tb = both.High();
}
#endif

// The cubic clip's input stage: 0.9 * min(e, K) for e >= 0.
template <class V> KOLMARI_INLINE V ClipCurve(V e) {
  const V direct = 0.45 * (Abs(e + K) - Abs(e - K));
  return Select(Lt(Abs(e), kClipCurveDirectLimit), direct, Select(Gt(e, 0.0), V(0.9 * K), V(-0.9 * K)));
}

// The cubic 1.45 f - 0.45 f^3.
template <class V> KOLMARI_INLINE V Cubic(V f) { return 1.45 * f - 0.45 * f * f * f; }

// |e| with the sign of x (negative if x < 0).
template <class V> KOLMARI_INLINE V WithSignOf(V x, V e) {
  const V magnitude = Abs(e);
  return Select(Lt(x, 0.0), -magnitude, magnitude);
}

// First-order antiderivative form of tanh with its memory (previous input and integral), in the
// lanes selected by `active`; the other lanes keep their memory and return an unspecified value.
// `integral` is LogCosh(x), computed by the caller (possibly ahead, for several x at once).
template <class V>
KOLMARI_INLINE V AntiderivativeTanhOf(V x, V integral, V& lastInput, V& lastIntegral, double closeness,
                                      Mask<V> active = All<V>()) {
  const V xp = lastInput;
  const V integralPrevious = lastIntegral;
  V result = (integral - integralPrevious) / (x - xp + kEps);
  const auto close = And(active, Lt(Abs(x - xp), closeness));
  if (Any(close)) {
    const V mid = (xp + x) * 0.5;
    result = Select(close, Tanh(mid), result);
  }
  lastIntegral = Select(active, integral + kEps, lastIntegral);
  lastInput = Select(active, x + kEps, lastInput);
  return result;
}

template <class V>
KOLMARI_INLINE V AntiderivativeTanh(V x, V& lastInput, V& lastIntegral, double closeness, Mask<V> active = All<V>()) {
  return AntiderivativeTanhOf(x, LogCosh(x), lastInput, lastIntegral, closeness, active);
}

// out[i] = LogCosh(x[i]) for i < n: values with no dependence on each other, so where four lanes
// are at hand they go four at a time.
template <class V> KOLMARI_INLINE void LogCoshOfMany(const V* x, V* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = LogCosh(x[i]);
}
#ifdef KOLMARI_HAVE_QUAD
template <> KOLMARI_INLINE void LogCoshOfMany(const double* x, double* out, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(out + i, LogCosh(Quad(_mm256_loadu_pd(x + i))).v);
  for (; i < n; ++i) out[i] = LogCosh(x[i]);
}
template <> KOLMARI_INLINE void LogCoshOfMany(const Pair* x, Pair* out, int n) {
  int i = 0;
  for (; i + 2 <= n; i += 2) {
    const Quad both = LogCosh(Quad::FromPairs(x[i], x[i + 1]));
    out[i] = both.Low();
    out[i + 1] = both.High();
  }
  for (; i < n; ++i) out[i] = LogCosh(x[i]);
}
#endif

// out[i] = x[i]^N for i < n (out may be x), four at a time where four lanes are at hand.
template <int N, class V> KOLMARI_INLINE void PowerOfMany(const V* x, V* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = math::PowInt<N>(x[i]);
}
#ifdef KOLMARI_HAVE_QUAD
template <int N> KOLMARI_INLINE void PowerOfMany(const double* x, double* out, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(out + i, math::PowInt<N>(Quad(_mm256_loadu_pd(x + i))).v);
  for (; i < n; ++i) out[i] = math::PowInt<N>(x[i]);
}
template <int N> KOLMARI_INLINE void PowerOfMany(const Pair* x, Pair* out, int n) {
  int i = 0;
  for (; i + 2 <= n; i += 2) {
    const Quad both = math::PowInt<N>(Quad::FromPairs(x[i], x[i + 1]));
    out[i] = both.Low();
    out[i + 1] = both.High();
  }
  for (; i < n; ++i) out[i] = math::PowInt<N>(x[i]);
}
#endif

// The first shaper's envelope reaction, for a magnitude e above the knee with a live envelope
// (s2 > 1e-38, weight l > 0). Of its five tanh, three depend on each other.
template <class V> KOLMARI_INLINE V Envelope(V e, V s1, V s2, V l, double driftDivisor) {
  V f, f1;
  Tanh2(e - s2 + kEps, s1 - s2 + kEps, f, f1);
  // |f| <= 1 and the drift divisor is about 2, so g's argument stays below 0.5: the series alone
  // (Tanh itself for any other divisor a caller may pass; the bits are the same).
  const V gArgument = f / (driftDivisor + kEps) + kEps;
  const V g = Every(Lt(Abs(gArgument), math::detail::kTanhSplit)) ? math::TanhOfSmall(gArgument) : Tanh(gArgument);
  const V hArgument = e - g + kEps;
  const auto reacts = Gt(f, f1);
  V h;
  if (Any(reacts)) {
    // The reaction's tanh does not depend on h's: both in one call.
    V oRaw;
    Tanh2(hArgument, s1 / (s2 + kEps) + kEps, h, oRaw);
    const V o = Clamp(oRaw, 0.0, 1.0);
    const V o2 = Flush((1.0 - o) * e + o * s1);
    e = Select(reacts, Flush((1.0 - l) * e + l * o2), e);
  } else {
    h = Tanh(hArgument);
  }
  return (1.0 - l) * e + l * h;
}

// The first shaper on the driven sample x with the smoothed envelope taps s1 and s2; records its
// output magnitude in `shaperLatest`.
template <class V>
KOLMARI_INLINE V FirstShaper(V x, V s1, V s2, V& adaaInput, V& adaaIntegral, V& shaperLatest, double driftDivisor, double closeness) {
  V e = Abs(x);
  const V l = Clamp(e - K, 0.0, 1.0);
  // Below the knee the weight l is 0, and the envelope branch then gives back e unchanged
  // ((1 - 0) e + 0 h is e for the finite h it computes): skip its five tanh. For the normal or
  // zero magnitudes the chain passes in, this is exact.
  const auto envelope = And(Gt(s2, 1e-38), Gt(l, 0.0));
  if (Any(envelope)) {
    e = Select(envelope, Envelope(e, s1, s2, l, driftDivisor), e);
  }
  const V a = Clamp(AntiderivativeTanh(e, adaaInput, adaaIntegral, closeness), 0.0, 1.0);
  e = 0.5 * a + 0.5 * Cubic(ClipCurve(e));
  shaperLatest = e;
  return WithSignOf(x, e);
}

// Whether the first shaper leaves the magnitude of x as it is before its antiderivative tanh: below
// the knee, whatever the envelope taps. Then ln cosh |x| can be computed ahead.
template <class V> KOLMARI_INLINE Mask<V> BelowKnee(V x) { return Lt(Abs(x) - K, 0.0); }

// The first shaper for an x below the knee in every lane (BelowKnee), with ln cosh |x| given: the
// same bits as FirstShaper.
template <class V>
KOLMARI_INLINE V FirstShaperBelowKnee(V x, V logCosh, V& adaaInput, V& adaaIntegral, V& shaperLatest, double closeness) {
  V e = Abs(x);
  const V a = Clamp(AntiderivativeTanhOf(e, logCosh, adaaInput, adaaIntegral, closeness), 0.0, 1.0);
  e = 0.5 * a + 0.5 * Cubic(ClipCurve(e));
  shaperLatest = e;
  return WithSignOf(x, e);
}

// The second shaper's threshold T: above it, the excess is halved towards its antiderivative tanh.
inline constexpr double kSecondShaperThreshold = 0.9772372209558107;

// Whether the second shaper leaves its memory alone for x: at or below T (or NaN). Then it is
// SecondShaperKnee(x, |x|), a function of x alone.
template <class V> KOLMARI_INLINE Mask<V> OverSecondThreshold(V x) { return Gt(Abs(x), kSecondShaperThreshold); }

// The second shaper's last part, on the magnitude e it has reached for x: the identity up to 0.85,
// above it a blend towards the cubic clip.
template <class V> KOLMARI_INLINE V SecondShaperKnee(V x, V e) {
  constexpr double kBlendSpan = 0.15000000000000002; // 1 - 0.85 as a double
  const auto overKnee = Gt(e, 0.85);
  if (Any(overKnee)) {
    const V w = Clamp((e - 0.85) / kBlendSpan, 0.0, 1.0);
    e = Select(overKnee, w * Cubic(ClipCurve(e)) + (1.0 - w) * e, e);
  }
  return WithSignOf(x, e);
}

// The second shaper: the identity up to 0.85, above it a blend towards the cubic clip, and above
// T a halving of the excess towards its antiderivative tanh.
template <class V> KOLMARI_INLINE V SecondShaper(V x, V& adaaInput, V& adaaIntegral, double closeness) {
  constexpr double T = kSecondShaperThreshold;
  constexpr double kHeadroom = 0.02276277904418933;  // 1 - T as a double
  V e = Abs(x);
  const auto overT = Gt(e, T);
  if (Any(overT)) {
    const V t = e - T;
    const V w = Clamp(t / kHeadroom, 0.0, 1.0);
    const V u = AntiderivativeTanh(t, adaaInput, adaaIntegral, closeness, overT);
    e = Select(overT, w * (0.5 * u + 0.5 * t + T) + (1.0 - w) * e, e);
  }
  return SecondShaperKnee(x, e);
}

// The soft clip after the output lowpass: magnitudes above 0.9 fade into the cubic clip.
template <class V> KOLMARI_INLINE V SoftClip(V y) {
  const V a = Abs(y);
  const auto over = Gt(a, 0.9);
  if (!Any(over)) return y;
  const V t = Clamp((a - 0.9) / 0.09999999999999998, 0.0, 1.0);
  const V f = ClipCurve(a);
  const V clipped = t * Cubic(f) + (1.0 - t) * a;
  return Select(over, Select(Lt(y, 0.0), -clipped, clipped), y);
}

} // namespace shapers
} // namespace KOLMARI_ISA
} // namespace kolmari
