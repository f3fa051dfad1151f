#pragma once

// The transcendental functions of the audio path, written once over the lane types of
// KolmariLanes.h (double, Pair, Quad) and inlined into the chain. They use nothing but IEEE
// addition, subtraction, multiplication, division, comparisons and exponent-field arithmetic, and
// must be compiled without multiply-add contraction (-ffp-contract=off): then every lane width,
// every compiler and every C runtime give the same bits, which the C library's functions do not.
//
// Accuracy is measured against correctly rounded values from MPFR over at least ten million
// arguments per function (tests/KolmariMathAccuracyTest.cpp); the worst errors stated below are
// those measurements, in units in the last place of the result.
//
// No function here allocates, locks, calls the C library or depends on the floating-point
// environment beyond the default round-to-nearest.

#include "KolmariLanes.h"

namespace kolmari {
inline namespace KOLMARI_ISA {
namespace math {

using namespace lanes;

#define KOLMARI_MATH_INLINE inline __attribute__((always_inline))

namespace detail {

// ln 2 in two parts: k * kLn2Hi is exact for |k| < 2^11 (the high part ends in eleven zero bits).
inline constexpr double kLn2Hi = 6.93147180369123816490e-01;
inline constexpr double kLn2Lo = 1.90821492927058770002e-10;
inline constexpr double kInvLn2 = 1.44269504088896338700e+00;
// Adding and subtracting 1.5 * 2^52 rounds a double of magnitude below 2^51 to a whole number.
inline constexpr double kRoundMagic = 6755399441055744.0;
// Splits a double into two halves whose products are exact (Dekker), without fused multiply-add.
inline constexpr double kSplitter = 134217729.0; // 2^27 + 1

constexpr double InverseFactorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; ++i) f *= i; // exact up to 18!
  return 1.0 / f;
}

// x rounded to a whole number, halves to even: one instruction where SSE4.1 has it, else by adding
// and subtracting kRoundMagic. The two agree except that -0.0 may come out as +0.0, which the
// reduction below treats alike.
template <class V> KOLMARI_MATH_INLINE V RoundToWhole(V x) {
#ifdef __SSE4_1__
  return RoundToNearest(x);
#else
  return (x + kRoundMagic) - kRoundMagic;
#endif
}

// The polynomial c[0] + c[1] x + ... + c[N-1] x^(N-1) by Estrin's scheme: pairs of terms combined
// with x^2, pairs of pairs with x^4, and so on. The chain of dependent operations grows with the
// logarithm of N rather than with N as in Horner's rule; the chain runs in the audio path's
// critical loop, so its length is what sets the speed. `powers` holds x, x^2, x^4, x^8, x^16.
template <size_t N, class V> KOLMARI_MATH_INLINE V Estrin(const V* powers, const double* c) {
  if constexpr (N == 1) {
    return V(c[0]);
  } else if constexpr (N == 2) {
    return c[0] + powers[0] * c[1];
  } else {
    // The largest power of two below N splits the coefficients.
    constexpr size_t kHalf = N > 16 ? 16 : N > 8 ? 8 : N > 4 ? 4 : 2;
    constexpr size_t kLevel = kHalf == 16 ? 4 : kHalf == 8 ? 3 : kHalf == 4 ? 2 : 1;
    return Estrin<kHalf>(powers, c) + powers[kLevel] * Estrin<N - kHalf>(powers, c + kHalf);
  }
}

template <size_t N, class V> KOLMARI_MATH_INLINE V Polynomial(V x, const double (&c)[N]) {
  static_assert(N <= 32);
  V powers[5];
  powers[0] = x;
  if constexpr (N > 2) powers[1] = x * x;
  if constexpr (N > 4) powers[2] = powers[1] * powers[1];
  if constexpr (N > 8) powers[3] = powers[2] * powers[2];
  if constexpr (N > 16) powers[4] = powers[3] * powers[3];
  return Estrin<N>(powers, c);
}

// 1/2!, 1/3!, ..., 1/14!: e^r - 1 = r + r^2 (1/2! + r/3! + ...).
inline constexpr double kExpSeries[13] = {
    InverseFactorial(2),  InverseFactorial(3),  InverseFactorial(4),  InverseFactorial(5),  InverseFactorial(6),
    InverseFactorial(7),  InverseFactorial(8),  InverseFactorial(9),  InverseFactorial(10), InverseFactorial(11),
    InverseFactorial(12), InverseFactorial(13), InverseFactorial(14),
};

// x = k ln 2 + r + c with |r| <= ln 2 / 2 (plus a rounding) and c the rounding error of r; q is
// such that e^r - 1 = r + r^2 q.
template <class V> struct ExpParts {
  V k;
  V r;
  V c;
  V q;
};

// For |x| below 1400 or so (k must stay a whole number the exponent field can hold), given x / ln 2
// as the rounded product x * kInvLn2 (or anything with the same bits).
template <class V> KOLMARI_MATH_INLINE ExpParts<V> ReduceExp(V x, V xOverLn2) {
  const V k = RoundToWhole(xOverLn2);
  const V hi = x - k * kLn2Hi; // exact
  const V lo = k * kLn2Lo;
  const V r = hi - lo;
  const V c = (hi - r) - lo; // what the rounding of r lost
  // e^r - 1 by its Taylor series up to r^14 / 14!: for |r| <= 0.347 the first term left out is
  // below 2^-60 of the result.
  const V q = Polynomial(r, kExpSeries);
  return {k, r, c, q};
}

// The same for x alone.
template <class V> KOLMARI_MATH_INLINE ExpParts<V> ReduceExp(V x) { return ReduceExp(x, x * kInvLn2); }

// A value held as the unevaluated sum hi + lo, |lo| at most half an ulp of hi.
template <class V> struct Double2 {
  V hi;
  V lo;
};

template <class V> KOLMARI_MATH_INLINE void Split(V a, V& high, V& low) {
  const V t = a * kSplitter;
  high = t - (t - a);
  low = a - high;
}

// a * b exactly, as the rounded product and its error. For |a|, |b| below 2^995.
template <class V> KOLMARI_MATH_INLINE Double2<V> TwoProduct(V a, V b) {
  V ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  const V p = a * b;
  const V e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
  return {p, e};
}

template <class V> KOLMARI_MATH_INLINE Double2<V> Multiply(Double2<V> x, Double2<V> y) {
  const Double2<V> p = TwoProduct(x.hi, y.hi);
  const V e = p.lo + (x.hi * y.lo + x.lo * y.hi);
  const V hi = p.hi + e;
  return {hi, e - (hi - p.hi)};
}

template <int N, class V> KOLMARI_MATH_INLINE Double2<V> PowerOf(V x) {
  static_assert(N >= 1);
  if constexpr (N == 1) {
    return {x, V(0.0)};
  } else {
    const Double2<V> half = PowerOf<N / 2>(x);
    const Double2<V> square = Multiply(half, half);
    if constexpr (N % 2 == 1) {
      return Multiply(square, Double2<V>{x, V(0.0)});
    } else {
      return square;
    }
  }
}

// Coefficients of ln(cosh a) = a^2/2 (1 + d1 a^2 + d2 a^4 + ...), from the series
// ln cosh a = sum 2^(2n-1) (2^(2n) - 1) |B_2n| a^(2n) / (n (2n)!). For a < 0.75 the terms from
// d26 on are below 2^-60 of the sum.
inline constexpr double kLogCoshSeries[25] = {
    -0.16666666666666666,   0.044444444444444446,   -0.013492063492063493,  0.004373897707231041,
    -0.0014772059216503661, 0.000513161148081783,   -0.0001819792983814148, 6.555860454950956e-05,
    -2.391291142435525e-05, 8.810489051754046e-06,  -3.2731936569430697e-06, 1.2245311591791512e-06,
    -4.608349439753879e-07, 1.7431807675271696e-07, -6.623292700065409e-08, 2.5264182813375328e-08,
    -9.670343868650916e-09, 3.7129668138952463e-09, -1.429568331152627e-09, 5.517925920380405e-10,
    -2.1346797264685917e-10, 8.275377538831635e-11, -3.214139014732943e-11, 1.2505358183568348e-11,
    -4.8732988193482315e-12,
};
// Below this, ln cosh by its series; above, as |x| - ln 2 + ln(1 + e^(-2|x|)).
inline constexpr double kLogCoshSplit = 0.75;
// Below this (where tanh is under 1/2), tanh by its series; above, as 1 - 2 / (e^(2|x|) + 1).
inline constexpr double kTanhSplit = 0.55;
// Coefficients of tanh a = a + a^3 (t0 + t1 a^2 + ...), from the series
// tanh a = sum 2^(2n) (2^(2n) - 1) B_2n a^(2n-1) / (2n)!. For a < 0.55 the terms from t19 on are
// below 2^-60 of the sum.
inline constexpr double kTanhSeries[19] = {
    -0.3333333333333333,     0.13333333333333333,    -0.05396825396825397,    0.021869488536155203,
    -0.008863235529902197,   0.003592128036572481,   -0.0014558343870513183,  0.000590027440945586,
    -0.00023912911424355248, 9.691537956929451e-05,  -3.927832388331683e-05,  1.5918905069328964e-05,
    -6.451689215655431e-06,  2.6147711512907546e-06, -1.0597268320104654e-06, 4.294911078273806e-07,
    -1.7406618963571648e-07, 7.054636946400968e-08,  -2.859136662305254e-08,
};

} // namespace detail

// e^x - 1. Domain: every double; +inf above 709.78, -1 below -37.4, exact (x itself) for
// |x| < 2^-54 including ±0 and subnormals, NaN for NaN. Worst error 2 ulp (measured 1.10).
template <class V> KOLMARI_MATH_INLINE V Expm1(V x) {
  const V clamped = Clamp(x, -45.0, 710.0);
  const detail::ExpParts<V> e = detail::ReduceExp(clamped);
  // 2^k (1 + r + r^2 q + c e^r) - 1 = 2 ((t - 1/2) + t r + t (r^2 q + c e^r)) with t = 2^(k-1),
  // which keeps k = 1024 (just below the overflow) finite. t - 1/2 and t r are exact (for k up to
  // 53, beyond which t - 1/2 is t to within far less than an ulp of the result), and their sum is
  // kept with its rounding error, so that only the small last term and the final sum round.
  const V t = Pow2(e.k - 1.0);
  const V head = t - 0.5;
  const V tr = t * e.r;
  const V sum = head + tr;
  const V back = sum - head;
  const V sumError = (head - (sum - back)) + (tr - back);
  const V r2q = (e.r * e.r) * e.q;
  const V tail = t * (r2q + (e.c + e.c * (e.r + r2q)));
  const V y = 2.0 * (sum + (sumError + tail));
  return Select(Lt(Abs(x), 5.551115123125783e-17), x, y);
}

// e^x. Domain: every double; +inf above 709.78, 0 below -745.13, subnormal results in between
// (there rounded twice), NaN for NaN. Worst error 1 ulp for normal results (measured 0.86).
template <class V> KOLMARI_MATH_INLINE V Exp(V x) {
  const V clamped = Clamp(x, -746.0, 710.0);
  const detail::ExpParts<V> e = detail::ReduceExp(clamped);
  const V p = e.r + ((e.r * e.r) * e.q + (e.c + e.c * e.r));
  // 2^k itself is a normal double only for k in [-1022, 1023]; outside, scale in two steps.
  const V shift = Select(Lt(e.k, -1000.0), V(-60.0), Select(Gt(e.k, 1000.0), V(1.0), V(0.0)));
  return (Pow2(e.k - shift) * (1.0 + p)) * Pow2(shift);
}

// e^x for |x| <= 690 or NaN, with the bits of Exp: there 2^k is a normal double, so Exp's
// clamping and its two-step scaling change nothing and are left out. Given x * kInvLn2 (or
// anything with the same bits), which a caller may have at hand sooner.
template <class V> KOLMARI_MATH_INLINE V ExpModerate(V x, V xOverLn2) {
  const detail::ExpParts<V> e = detail::ReduceExp(x, xOverLn2);
  const V p = e.r + ((e.r * e.r) * e.q + (e.c + e.c * e.r));
  return Pow2(e.k) * (1.0 + p);
}

// The same for x alone.
template <class V> KOLMARI_MATH_INLINE V ExpModerate(V x) { return ExpModerate(x, x * detail::kInvLn2); }

// tanh x. Domain: every double; ±1 for ±inf and from |x| = 19.1 on, x itself for tiny |x|
// (signed zeros and subnormals kept), NaN for NaN. Worst error 2 ulp (measured 1.44).
// tanh x for |x| < 0.55 only (the series form Tanh uses there, with the same bits): for callers
// whose argument is known to be small, without Tanh's tests.
template <class V> KOLMARI_MATH_INLINE V TanhOfSmall(V x) {
  const V a = Abs(x);
  const V a2 = a * a;
  const V p = detail::Polynomial(a2, detail::kTanhSeries);
  return CopySign(a + a * (a2 * p), x); // a + a^3 P(a^2)
}

template <class V> KOLMARI_MATH_INLINE V Tanh(V x) {
  using namespace detail;
  const V a = Abs(x);
  const auto small = Lt(a, kTanhSplit);
  V y(0.0);
  // Each form only where a lane needs it (NaN takes the second).
  if (Any(small)) y = Abs(TanhOfSmall(a));
  if (!Every(small)) {
    // 1 - 2 / (e^(2a) + 1), which is 1 for +inf.
    // From 2a = 80 on, 2 / (e^(2a) + 1) is far below half an ulp of 1: the result is 1 whether
    // e^(2a) is e^80 or infinite, so the argument is limited (to 2h, h = min(a, 40)) to where
    // ExpModerate holds.
    // 2h / ln 2 is rounded as h * (2 / ln 2): doubling is exact, so the bits are those of
    // (2h) * kInvLn2, one multiplication sooner.
    const V h = AtMost(a, 40.0);
    y = Select(small, y, 1.0 - 2.0 / (ExpModerate(2.0 * h, h * (2.0 * kInvLn2)) + 1.0));
  }
  return CopySign(y, x);
}

// ln(cosh x). Domain: every double; finite for every finite x (|x| - ln 2 for large |x|, where
// cosh itself would overflow), +inf for ±inf, NaN for NaN, +0 for ±0. Worst error 2 ulp
// (measured 1.65).
template <class V> KOLMARI_MATH_INLINE V LogCosh(V x) {
  using namespace detail;
  const V a = Abs(x);

  const auto small = Lt(a, kLogCoshSplit);
  V y(0.0);
  // Each form only where a lane needs it (NaN takes the second).
  if (Any(small)) {
    // Series: a^2/2 (1 + a^2 Q(a^2)), with a^2 held exactly as hi + lo.
    const Double2<V> square = TwoProduct(a, a);
    const V a2 = square.hi;
    const V q = Polynomial(a2, kLogCoshSeries);
    const V half = 0.5 * a2;
    const V series = half + (0.5 * square.lo + half * (a2 * q));
    // For tiny a the split would lose its low half to underflow; there a^2/2 rounded once is
    // exact enough (the correction is far below an ulp).
    y = Select(Lt(a, 1.4901161193847656e-08), (0.5 * a) * a, series);
  }
  if (!Every(small)) {
    // |x| - ln 2 + ln(1 + w) with w = e^(-2a) and ln(1 + w) = 2 atanh(s), s = w / (2 + w) <= 0.1.
    // Beyond a = 40, w is far below an ulp of the result; stopping there keeps Exp away from
    // subnormal values, which processors handle slowly.
    const V w = ExpModerate(Clamp(-2.0 * a, -80.0, 0.0));
    const V s = w / (2.0 + w);
    const V s2 = s * s;
    constexpr double kAtanhSeries[9] = {1.0 / 3.0,  1.0 / 5.0,  1.0 / 7.0,  1.0 / 9.0, 1.0 / 11.0,
                                        1.0 / 13.0, 1.0 / 15.0, 1.0 / 17.0, 1.0 / 19.0};
    const V r = Polynomial(s2, kAtanhSeries);
    const V twoS = 2.0 * s;
    const V log1p = twoS + twoS * (s2 * r);
    y = Select(small, y, (a - kLn2Hi) + (log1p - kLn2Lo));
  }
  return y;
}

// x^N for a whole N >= 1, through products held to twice the precision of a double, so that the
// result is rounded almost only once. Domain: |x| < 2^995 with x^N a normal double (smaller
// results lose precision, larger ones overflow to inf). Worst error 1 ulp (measured 0.50).
template <int N, class V> KOLMARI_MATH_INLINE V PowInt(V x) {
  const detail::Double2<V> p = detail::PowerOf<N>(x);
  const V result = p.hi + p.lo;
  // Where a product overflowed, the error terms turn NaN (inf - inf); the plain product then gives
  // the infinity (or the NaN of a NaN argument).
  if (Every(IsFinite(result))) return result;
  V plain = x;
  for (int i = 1; i < N; ++i) plain = plain * x;
  return Select(IsFinite(result), result, plain);
}

// 3^f. Domain: every double (inf beyond 646, 0 below -678). Worst error 2 ulp (measured 1.32).
template <class V> KOLMARI_MATH_INLINE V PowThree(V f) {
  constexpr double kLn3 = 1.0986122886681098;
  constexpr double kLn3Lo = -9.07129723500153e-17; // ln 3 - kLn3
  const detail::Double2<V> y = detail::TwoProduct(f, V(kLn3));
  const V yLo = y.lo + f * kLn3Lo;
  const V e = Exp(y.hi);
  // e^(hi + lo) = e^hi (1 + lo) to first order. Where e overflowed, or f is infinite or NaN (the
  // error term is then NaN), e alone is the answer.
  return Select(And(IsFinite(e), IsFinite(yLo)), e + e * yLo, e);
}

} // namespace math
} // namespace KOLMARI_ISA
} // namespace kolmari
