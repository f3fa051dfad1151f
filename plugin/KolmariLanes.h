#pragma once

// The arithmetic the processing chain is written in, for one channel (plain double) or for two
// channels side by side (Pair: the two lanes of an SSE2 register, lane 0 the first channel).
//
// Every operation here gives, lane by lane, exactly the bits its scalar counterpart gives: add,
// subtract, multiply and divide are IEEE operations in either form; min/max/clamp reproduce the
// standard library's comparisons including their choice for NaN and signed zeros; branches of the
// chain become selects where both sides are cheap. The transcendental functions (KolmariMath.h)
// are written over these operations, so they too give the same bits in every width.
//
// Quad (four lanes of an AVX2 register) exists only where the compiler targets AVX2: in the
// translation unit the engine picks at load time on processors that have it. Everything here lives
// in an inline namespace named after the instruction set of its translation unit, so that the
// inline functions that unit compiles for AVX2 can never stand in for the SSE2 ones elsewhere.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KOLMARI_HAVE_PAIR 1
#endif
#ifdef __AVX2__
#include <immintrin.h>
#define KOLMARI_HAVE_QUAD 1
#endif

#ifndef KOLMARI_ISA
#if defined(__AVX512VL__)
#define KOLMARI_ISA avx512
#elif defined(__AVX2__)
#define KOLMARI_ISA avx2
#else
#define KOLMARI_ISA sse2
#endif
#endif

namespace kolmari {
inline namespace KOLMARI_ISA {
namespace lanes {

// A type of its own in each instruction set's namespace: templates instantiated with it are
// distinct between the SSE2, AVX2 and AVX-512 translation units even where their value type
// (double) is the same.
struct Isa {};

// ---------------------------------------------------------------------------------------------
// One channel: plain doubles and bools.

inline double Abs(double v) { return std::abs(v); }
// Replaces zero and subnormal values by +0.0.
inline double Flush(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & 0x7FF0000000000000ull) == 0 ? 0.0 : v;
}
inline double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }
inline double Clamp(double v, double lo, double hi) { return std::clamp(v, lo, hi); }
// min(v, hi) that keeps a NaN v.
inline double AtMost(double v, double hi) { return hi < v ? hi : v; }
#ifdef __SSE4_1__
// v rounded to a whole number, halves to even (as the default rounding mode rounds).
inline double RoundToNearest(double v) {
  return _mm_cvtsd_f64(_mm_round_sd(_mm_setzero_pd(), _mm_set_sd(v), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
}
#endif
inline double Select(bool m, double a, double b) { return m ? a : b; }
inline bool Any(bool m) { return m; }
inline bool Every(bool m) { return m; }
inline bool Gt(double a, double b) { return a > b; }
inline bool Lt(double a, double b) { return a < b; }
inline bool NotZero(double a) { return a != 0.0; }
inline bool IsFinite(double a) { return std::isfinite(a); }
inline bool IsNan(double a) { return a != a; }
inline bool And(bool a, bool b) { return a && b; }
inline bool Or(bool a, bool b) { return a || b; }
// 2^k for a whole number k in [-1022, 1023], built from its exponent field.
inline double Pow2(double k) {
  // k + 2^52 + 1023 holds k + 1023 in its low mantissa bits; shifted into the exponent field,
  // the rest of the word falls off the top.
  const double biased = k + 4503599627371519.0; // 2^52 + 1023
  uint64_t bits;
  std::memcpy(&bits, &biased, sizeof bits);
  bits <<= 52;
  double result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}
// |magnitude| with the sign bit of `sign`.
inline double CopySign(double magnitude, double sign) { return std::copysign(magnitude, sign); }
// f(lane) for the selected lanes, `keep` elsewhere.
template <class F> double PerLane(bool m, double keep, F f) { return m ? f(0) : keep; }
// Lane i of v.
inline double Lane(double v, int) { return v; }

// ---------------------------------------------------------------------------------------------
// Two channels.

#ifdef KOLMARI_HAVE_PAIR

struct Pair {
  __m128d v;
  Pair() = default;
  Pair(__m128d x) : v(x) {}
  // The same value in both lanes.
  Pair(double x) : v(_mm_set1_pd(x)) {}
  static Pair FromLanes(double first, double second) { return _mm_set_pd(second, first); }
};

struct PairMask {
  __m128d m;
};

inline Pair operator+(Pair a, Pair b) { return _mm_add_pd(a.v, b.v); }
inline Pair operator-(Pair a, Pair b) { return _mm_sub_pd(a.v, b.v); }
inline Pair operator*(Pair a, Pair b) { return _mm_mul_pd(a.v, b.v); }
inline Pair operator/(Pair a, Pair b) { return _mm_div_pd(a.v, b.v); }
inline Pair operator+(Pair a, double b) { return a + Pair(b); }
inline Pair operator-(Pair a, double b) { return a - Pair(b); }
inline Pair operator*(Pair a, double b) { return a * Pair(b); }
inline Pair operator/(Pair a, double b) { return a / Pair(b); }
inline Pair operator+(double a, Pair b) { return Pair(a) + b; }
inline Pair operator-(double a, Pair b) { return Pair(a) - b; }
inline Pair operator*(double a, Pair b) { return Pair(a) * b; }
inline Pair operator/(double a, Pair b) { return Pair(a) / b; }
// Flips the sign bit, as scalar negation does.
inline Pair operator-(Pair a) { return _mm_xor_pd(a.v, _mm_set1_pd(-0.0)); }

inline Pair Abs(Pair a) { return _mm_andnot_pd(_mm_set1_pd(-0.0), a.v); }
// A double is zero or subnormal exactly when its magnitude is below the smallest normal value
// (NaN compares false and is kept, as the scalar test keeps it).
inline Pair Flush(Pair a) {
  const __m128d tiny = _mm_cmplt_pd(Abs(a).v, _mm_set1_pd(std::numeric_limits<double>::min()));
  return _mm_andnot_pd(tiny, a.v);
}
inline Pair Select(PairMask m, Pair a, Pair b) { return _mm_or_pd(_mm_and_pd(m.m, a.v), _mm_andnot_pd(m.m, b.v)); }
// min(1, max(0, v)) as std::min/std::max evaluate it: maxpd(v, 0) is (v > 0 ? v : 0) and
// minpd(x, 1) is (x < 1 ? x : 1).
inline Pair Clamp01(Pair a) { return _mm_min_pd(_mm_max_pd(a.v, _mm_setzero_pd()), _mm_set1_pd(1.0)); }
// std::clamp: v < lo ? lo : (hi < v ? hi : v).
// min(v, hi) that keeps a NaN v (minpd answers its second operand when either is NaN).
inline Pair AtMost(Pair v, double hi) { return _mm_min_pd(_mm_set1_pd(hi), v.v); }
#ifdef __SSE4_1__
inline Pair RoundToNearest(Pair v) { return _mm_round_pd(v.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC); }
#endif
inline Pair Clamp(Pair v, double lo, double hi) {
  const __m128d upper = _mm_min_pd(_mm_set1_pd(hi), v.v); // hi < v ? hi : v
  return Select(PairMask{_mm_cmplt_pd(v.v, _mm_set1_pd(lo))}, Pair(lo), Pair(upper));
}
inline PairMask Gt(Pair a, Pair b) { return {_mm_cmpgt_pd(a.v, b.v)}; }
inline PairMask Lt(Pair a, Pair b) { return {_mm_cmplt_pd(a.v, b.v)}; }
inline PairMask Gt(Pair a, double b) { return Gt(a, Pair(b)); }
inline PairMask Lt(Pair a, double b) { return Lt(a, Pair(b)); }
// a != 0, true for NaN as the scalar comparison is.
inline PairMask NotZero(Pair a) { return {_mm_cmpneq_pd(a.v, _mm_setzero_pd())}; }
// Neither infinite nor NaN: |a| <= largest double.
inline PairMask IsFinite(Pair a) { return {_mm_cmple_pd(Abs(a).v, _mm_set1_pd(std::numeric_limits<double>::max()))}; }
inline PairMask IsNan(Pair a) { return {_mm_cmpunord_pd(a.v, a.v)}; }
inline PairMask And(PairMask a, PairMask b) { return {_mm_and_pd(a.m, b.m)}; }
inline PairMask Or(PairMask a, PairMask b) { return {_mm_or_pd(a.m, b.m)}; }
inline bool Any(PairMask m) { return _mm_movemask_pd(m.m) != 0; }
inline bool Every(PairMask m) { return _mm_movemask_pd(m.m) == 3; }

inline double Lane(Pair v, int i) {
  return i == 0 ? _mm_cvtsd_f64(v.v) : _mm_cvtsd_f64(_mm_unpackhi_pd(v.v, v.v));
}
template <class F> Pair PerLane(PairMask m, Pair keep, F f) {
  const int bits = _mm_movemask_pd(m.m);
  const double first = (bits & 1) ? f(0) : Lane(keep, 0);
  const double second = (bits & 2) ? f(1) : Lane(keep, 1);
  return Pair::FromLanes(first, second);
}

inline Pair Pow2(Pair k) {
  const __m128i bits = _mm_castpd_si128(_mm_add_pd(k.v, _mm_set1_pd(4503599627371519.0)));
  return _mm_castsi128_pd(_mm_slli_epi64(bits, 52));
}
inline Pair CopySign(Pair magnitude, Pair sign) {
  const __m128d signBit = _mm_set1_pd(-0.0);
  return _mm_or_pd(_mm_andnot_pd(signBit, magnitude.v), _mm_and_pd(signBit, sign.v));
}

#endif // KOLMARI_HAVE_PAIR

// ---------------------------------------------------------------------------------------------
// Four lanes (AVX2 translation units only): the same operations, lane by lane the same bits.

#ifdef KOLMARI_HAVE_QUAD

struct Quad {
  __m256d v;
  Quad() = default;
  Quad(__m256d x) : v(x) {}
  Quad(double x) : v(_mm256_set1_pd(x)) {}
#ifdef KOLMARI_HAVE_PAIR
  // Two pairs side by side: `low` in lanes 0 and 1.
  static Quad FromPairs(Pair low, Pair high) { return _mm256_set_m128d(high.v, low.v); }
  Pair Low() const { return _mm256_castpd256_pd128(v); }
  Pair High() const { return _mm256_extractf128_pd(v, 1); }
#endif
};

struct QuadMask {
  __m256d m;
};

inline Quad operator+(Quad a, Quad b) { return _mm256_add_pd(a.v, b.v); }
inline Quad operator-(Quad a, Quad b) { return _mm256_sub_pd(a.v, b.v); }
inline Quad operator*(Quad a, Quad b) { return _mm256_mul_pd(a.v, b.v); }
inline Quad operator/(Quad a, Quad b) { return _mm256_div_pd(a.v, b.v); }
inline Quad operator+(Quad a, double b) { return a + Quad(b); }
inline Quad operator-(Quad a, double b) { return a - Quad(b); }
inline Quad operator*(Quad a, double b) { return a * Quad(b); }
inline Quad operator/(Quad a, double b) { return a / Quad(b); }
inline Quad operator+(double a, Quad b) { return Quad(a) + b; }
inline Quad operator-(double a, Quad b) { return Quad(a) - b; }
inline Quad operator*(double a, Quad b) { return Quad(a) * b; }
inline Quad operator/(double a, Quad b) { return Quad(a) / b; }
inline Quad operator-(Quad a) { return _mm256_xor_pd(a.v, _mm256_set1_pd(-0.0)); }

inline Quad Abs(Quad a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a.v); }
inline Quad Flush(Quad a) {
  const __m256d tiny = _mm256_cmp_pd(Abs(a).v, _mm256_set1_pd(std::numeric_limits<double>::min()), _CMP_LT_OQ);
  return _mm256_andnot_pd(tiny, a.v);
}
inline Quad Select(QuadMask m, Quad a, Quad b) { return _mm256_blendv_pd(b.v, a.v, m.m); }
inline Quad Clamp01(Quad a) { return _mm256_min_pd(_mm256_max_pd(a.v, _mm256_setzero_pd()), _mm256_set1_pd(1.0)); }
inline Quad AtMost(Quad v, double hi) { return _mm256_min_pd(_mm256_set1_pd(hi), v.v); }
inline Quad RoundToNearest(Quad v) { return _mm256_round_pd(v.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC); }
inline Quad Clamp(Quad v, double lo, double hi) {
  const __m256d upper = _mm256_min_pd(_mm256_set1_pd(hi), v.v);
  return Select(QuadMask{_mm256_cmp_pd(v.v, _mm256_set1_pd(lo), _CMP_LT_OQ)}, Quad(lo), Quad(upper));
}
inline QuadMask Gt(Quad a, Quad b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_GT_OQ)}; }
inline QuadMask Lt(Quad a, Quad b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ)}; }
inline QuadMask Gt(Quad a, double b) { return Gt(a, Quad(b)); }
inline QuadMask Lt(Quad a, double b) { return Lt(a, Quad(b)); }
inline QuadMask NotZero(Quad a) { return {_mm256_cmp_pd(a.v, _mm256_setzero_pd(), _CMP_NEQ_UQ)}; }
inline QuadMask IsFinite(Quad a) {
  return {_mm256_cmp_pd(Abs(a).v, _mm256_set1_pd(std::numeric_limits<double>::max()), _CMP_LE_OQ)};
}
inline QuadMask IsNan(Quad a) { return {_mm256_cmp_pd(a.v, a.v, _CMP_UNORD_Q)}; }
inline QuadMask And(QuadMask a, QuadMask b) { return {_mm256_and_pd(a.m, b.m)}; }
inline QuadMask Or(QuadMask a, QuadMask b) { return {_mm256_or_pd(a.m, b.m)}; }
inline bool Any(QuadMask m) { return _mm256_movemask_pd(m.m) != 0; }
inline bool Every(QuadMask m) { return _mm256_movemask_pd(m.m) == 15; }
inline double Lane(Quad v, int i) {
  double lanes[4]; // unaligned: MinGW does not align 32-byte stack slots
  _mm256_storeu_pd(lanes, v.v);
  return lanes[i & 3];
}
template <class F> Quad PerLane(QuadMask m, Quad keep, F f) {
  const int bits = _mm256_movemask_pd(m.m);
  double lanes[4];
  _mm256_storeu_pd(lanes, keep.v);
  for (int i = 0; i < 4; ++i) {
    if (bits & (1 << i)) lanes[i] = f(i);
  }
  return _mm256_loadu_pd(lanes);
}
inline Quad Pow2(Quad k) {
  const __m256i bits = _mm256_castpd_si256(_mm256_add_pd(k.v, _mm256_set1_pd(4503599627371519.0)));
  return _mm256_castsi256_pd(_mm256_slli_epi64(bits, 52));
}
inline Quad CopySign(Quad magnitude, Quad sign) {
  const __m256d signBit = _mm256_set1_pd(-0.0);
  return _mm256_or_pd(_mm256_andnot_pd(signBit, magnitude.v), _mm256_and_pd(signBit, sign.v));
}

#endif // KOLMARI_HAVE_QUAD

// The mask type that goes with a value type.
template <class V> struct MaskOf {
  using Type = bool;
};
#ifdef KOLMARI_HAVE_PAIR
template <> struct MaskOf<Pair> {
  using Type = PairMask;
};
#endif
#ifdef KOLMARI_HAVE_QUAD
template <> struct MaskOf<Quad> {
  using Type = QuadMask;
};
#endif
template <class V> using Mask = typename MaskOf<V>::Type;

// Every lane selected.
template <class V> Mask<V> All();
template <> inline bool All<double>() { return true; }
#ifdef KOLMARI_HAVE_PAIR
template <> inline PairMask All<Pair>() { return {_mm_castsi128_pd(_mm_set1_epi32(-1))}; }
#endif
#ifdef KOLMARI_HAVE_QUAD
template <> inline QuadMask All<Quad>() { return {_mm256_castsi256_pd(_mm256_set1_epi32(-1))}; }
#endif

} // namespace lanes
} // namespace KOLMARI_ISA
} // namespace kolmari
