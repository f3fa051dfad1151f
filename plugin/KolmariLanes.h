#pragma once

// The arithmetic the processing chain is written in, for one channel (plain double) or for two
// channels side by side (Pair: the two lanes of an SSE2 register, lane 0 the first channel).
//
// Every operation here gives, lane by lane, exactly the bits its scalar counterpart gives: add,
// subtract, multiply and divide are IEEE operations in either form; min/max/clamp reproduce the
// standard library's comparisons including their choice for NaN and signed zeros; branches of the
// chain become selects where both sides are cheap. Transcendental functions are never vectorised:
// PerLane calls the same scalar library routine for each lane, so they give the bits the scalar
// chain gives.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KOLMARI_HAVE_PAIR 1
#endif

namespace kolmari::lanes {

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
inline double Select(bool m, double a, double b) { return m ? a : b; }
inline bool Any(bool m) { return m; }
inline bool Gt(double a, double b) { return a > b; }
inline bool Lt(double a, double b) { return a < b; }
inline bool NotZero(double a) { return a != 0.0; }
inline bool IsFinite(double a) { return std::isfinite(a); }
inline bool And(bool a, bool b) { return a && b; }
inline bool Or(bool a, bool b) { return a || b; }
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
inline PairMask And(PairMask a, PairMask b) { return {_mm_and_pd(a.m, b.m)}; }
inline PairMask Or(PairMask a, PairMask b) { return {_mm_or_pd(a.m, b.m)}; }
inline bool Any(PairMask m) { return _mm_movemask_pd(m.m) != 0; }

inline double Lane(Pair v, int i) {
  return i == 0 ? _mm_cvtsd_f64(v.v) : _mm_cvtsd_f64(_mm_unpackhi_pd(v.v, v.v));
}
template <class F> Pair PerLane(PairMask m, Pair keep, F f) {
  const int bits = _mm_movemask_pd(m.m);
  const double first = (bits & 1) ? f(0) : Lane(keep, 0);
  const double second = (bits & 2) ? f(1) : Lane(keep, 1);
  return Pair::FromLanes(first, second);
}

#endif // KOLMARI_HAVE_PAIR

// The mask type that goes with a value type.
template <class V> struct MaskOf {
  using Type = bool;
};
#ifdef KOLMARI_HAVE_PAIR
template <> struct MaskOf<Pair> {
  using Type = PairMask;
};
#endif
template <class V> using Mask = typename MaskOf<V>::Type;

// Every lane selected.
template <class V> Mask<V> All();
template <> inline bool All<double>() { return true; }
#ifdef KOLMARI_HAVE_PAIR
template <> inline PairMask All<Pair>() { return {_mm_castsi128_pd(_mm_set1_epi32(-1))}; }
#endif

} // namespace kolmari::lanes
