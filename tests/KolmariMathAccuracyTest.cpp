// The engine's own transcendental functions against correctly rounded values from MPFR: ten
// million arguments per function, drawn over the ranges the engine feeds them plus their edges
// (signed zeros, subnormals, the overflow thresholds, infinities, NaN). The error is measured in
// units in the last place of the exact value; each function's header states the bound checked here.
// Every argument also goes through the two-lane form, which must give the same bits.
//
// Slow (MPFR takes a few microseconds per value), so it carries the label math and runs once per
// test run, in the main build tree.
#include "KolmariMath.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace kolmari::test {
namespace {

constexpr int kArguments = 10'000'000;
// The exact values to 64 bits (one machine word for MPFR, so quick): 11 bits beyond a double, far
// finer than the errors measured.
constexpr mpfr_prec_t kPrecision = 64;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kMinNormal = std::numeric_limits<double>::min();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The exact value of the function at x, to kPrecision bits.
using Exact = std::function<void(mpfr_t result, const mpfr_t x)>;
using Ours = double (*)(double);
using OursPair = lanes::Pair (*)(lanes::Pair);

struct Worst {
  double ulps = 0.0;
  double at = 0.0;
  double got = 0.0;
};

class Checker {
public:
  Checker(Exact exact, Ours ours, OursPair pair) : mExact(std::move(exact)), mOurs(ours), mPair(pair) {
    mpfr_inits2(kPrecision, mX, mY, mDiff, static_cast<mpfr_ptr>(nullptr));
  }
  ~Checker() { mpfr_clears(mX, mY, mDiff, static_cast<mpfr_ptr>(nullptr)); }
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  // Error of our value at x in ulps of the exact value; infinite for a wrong special value.
  double Error(double x, double got) {
    mpfr_set_d(mX, x, MPFR_RNDN);
    mExact(mY, mX);
    if (mpfr_nan_p(mY)) return std::isnan(got) ? 0.0 : kInf;
    const double rounded = mpfr_get_d(mY, MPFR_RNDN);
    if (std::isinf(rounded) || std::isinf(got) || std::isnan(got)) return Bits(rounded) == Bits(got) ? 0.0 : kInf;
    if (rounded == 0.0 && got == 0.0) return 0.0;
    // ulp of the exact value: 2^(e - 53) for a value in [2^(e-1), 2^e), never below the
    // subnormal spacing.
    long exponent = mpfr_zero_p(mY) ? -1073 : mpfr_get_exp(mY);
    if (exponent - 53 < -1074) exponent = -1074 + 53;
    mpfr_sub_d(mDiff, mY, got, MPFR_RNDN);
    mpfr_mul_2si(mDiff, mDiff, -(exponent - 53), MPFR_RNDN);
    return std::abs(mpfr_get_d(mDiff, MPFR_RNDN));
  }

  void Check(double x) {
    const double got = mOurs(x);
    const double error = Error(x, got);
    if (error > mWorst.ulps || std::isnan(error)) mWorst = {error, x, got};
    ++mCount;
    mPending[mPendingCount++] = x;
    if (mPendingCount == 2) {
      const lanes::Pair both = mPair(lanes::Pair::FromLanes(mPending[0], mPending[1]));
      for (int i = 0; i < 2; ++i) {
        if (Bits(lanes::Lane(both, i)) != Bits(mOurs(mPending[i]))) {
          ++mLaneMismatches;
          mMismatchAt = mPending[i];
        }
      }
      mPendingCount = 0;
    }
  }

  const Worst& WorstSeen() const { return mWorst; }
  int Count() const { return mCount; }
  int LaneMismatches() const { return mLaneMismatches; }
  double MismatchAt() const { return mMismatchAt; }

private:
  Exact mExact;
  Ours mOurs;
  OursPair mPair;
  mpfr_t mX, mY, mDiff;
  Worst mWorst;
  int mCount = 0;
  double mPending[2] = {};
  int mPendingCount = 0;
  int mLaneMismatches = 0;
  double mMismatchAt = 0.0;
};

// Arguments: the edges, then `uniformShare` of the rest uniform over [lo, hi], the remainder with
// log-uniform magnitudes between 2^-70 and `logMax` and random signs where `signed`.
struct Range {
  double lo, hi;
  double logMax;
  bool negative = true;
  double uniformShare = 0.6;
};

std::vector<double> Edges() {
  return {0.0,           -0.0,           kMinSubnormal,   -kMinSubnormal,  3 * kMinSubnormal, kMinNormal / 3,
          kMinNormal,    -kMinNormal,    1e-300,          5.551115123125783e-17, 1e-8, -1e-8,
          0.5,           0.55,           0.5499999999999999, 0.75, 0.7499999999999999, 1.0,
          -1.0,          19.0,           19.1,            22.0,            37.4,     -37.4,
          40.0,          700.0,          709.78,          709.782712893384, 709.7827128933841, 710.0,
          -708.4,        -745.13,        -745.14,         -746.0,          1e15,     9e15,
          -9e15,         1e300,          kMax,            -kMax,           kInf,     -kInf,
          kNaN,          -kNaN};
}

void Sweep(Checker& checker, const Range& range, uint64_t seed) {
  for (double x : Edges()) checker.Check(x);
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> uniform(range.lo, range.hi);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double logMax = std::log2(range.logMax);
  std::uniform_real_distribution<double> logMagnitude(-70.0, logMax);
  while (checker.Count() < kArguments) {
    double x;
    if (unit(random) < range.uniformShare) {
      x = uniform(random);
    } else {
      x = std::exp2(logMagnitude(random));
      if (range.negative && (random() & 1)) x = -x;
    }
    checker.Check(x);
  }
}

void Expect(const Checker& checker, double bound, const char* name) {
  const Worst& w = checker.WorstSeen();
  EXPECT_LE(w.ulps, bound) << name << ": " << w.ulps << " ulp at x = " << std::hexfloat << w.at << " ("
                           << std::defaultfloat << w.at << "), got " << w.got;
  EXPECT_EQ(checker.LaneMismatches(), 0) << name << ": the two-lane form differs, e.g. at " << checker.MismatchAt();
  std::printf("%s: worst %.3f ulp at %.17g over %d arguments\n", name, w.ulps, w.at, checker.Count());
}

TEST(MathAccuracy, Tanh) {
  Checker checker([](mpfr_t y, const mpfr_t x) { mpfr_tanh(y, x, MPFR_RNDN); },
                  [](double x) { return math::Tanh(x); }, [](lanes::Pair x) { return math::Tanh(x); });
  Sweep(checker, {-20.0, 20.0, 64.0}, 1);
  Expect(checker, 2.0, "tanh");
  EXPECT_EQ(math::Tanh(kInf), 1.0);
  EXPECT_EQ(math::Tanh(-kInf), -1.0);
  EXPECT_TRUE(std::isnan(math::Tanh(kNaN)));
  EXPECT_TRUE(std::signbit(math::Tanh(-0.0)));
  EXPECT_EQ(math::Tanh(kMinSubnormal), kMinSubnormal);
}

TEST(MathAccuracy, LogCosh) {
  mpfr_t t, u;
  mpfr_inits2(kPrecision, t, u, static_cast<mpfr_ptr>(nullptr));
  Checker checker(
      [&](mpfr_t y, const mpfr_t x) {
        if (mpfr_cmpabs_ui(x, 1) <= 0 || mpfr_nan_p(x)) {
          // ln(1 + (cosh x - 1)) with cosh x - 1 = 2 sinh^2(x/2): no cancellation at any size.
          mpfr_div_2ui(t, x, 1, MPFR_RNDN);
          mpfr_sinh(t, t, MPFR_RNDN);
          mpfr_sqr(t, t, MPFR_RNDN);
          mpfr_mul_2ui(t, t, 1, MPFR_RNDN);
          mpfr_log1p(y, t, MPFR_RNDN);
        } else {
          // |x| - ln 2 + ln(1 + e^(-2|x|)), free of cosh's overflow beyond MPFR's exponent range.
          mpfr_abs(t, x, MPFR_RNDN);
          mpfr_mul_si(u, t, -2, MPFR_RNDN);
          mpfr_exp(u, u, MPFR_RNDN);
          mpfr_log1p(u, u, MPFR_RNDN);
          mpfr_add(t, t, u, MPFR_RNDN);
          mpfr_const_log2(u, MPFR_RNDN);
          mpfr_sub(y, t, u, MPFR_RNDN);
        }
      },
      [](double x) { return math::LogCosh(x); }, [](lanes::Pair x) { return math::LogCosh(x); });
  // The engine feeds magnitudes up to about 1e16 (the limited input times the largest drive).
  Sweep(checker, {-8.0, 8.0, 1e16}, 2);
  Expect(checker, 2.0, "ln(cosh)");
  mpfr_clears(t, u, static_cast<mpfr_ptr>(nullptr));
  EXPECT_TRUE(std::isfinite(math::LogCosh(kMax)));
  EXPECT_EQ(math::LogCosh(kInf), kInf);
  EXPECT_TRUE(std::isnan(math::LogCosh(kNaN)));
  EXPECT_EQ(math::LogCosh(-0.0), 0.0);
}

TEST(MathAccuracy, Expm1) {
  Checker checker([](mpfr_t y, const mpfr_t x) { mpfr_expm1(y, x, MPFR_RNDN); },
                  [](double x) { return math::Expm1(x); }, [](lanes::Pair x) { return math::Expm1(x); });
  Sweep(checker, {-45.0, 709.78, 64.0}, 3);
  Expect(checker, 2.0, "expm1");
  EXPECT_EQ(math::Expm1(kInf), kInf);
  EXPECT_EQ(math::Expm1(-kInf), -1.0);
  EXPECT_EQ(math::Expm1(710.0), kInf);
  EXPECT_TRUE(std::signbit(math::Expm1(-0.0)));
}

TEST(MathAccuracy, Exp) {
  Checker checker([](mpfr_t y, const mpfr_t x) { mpfr_exp(y, x, MPFR_RNDN); },
                  [](double x) { return math::Exp(x); }, [](lanes::Pair x) { return math::Exp(x); });
  // Normal results only: below -708.4 the result is subnormal and rounded twice (stated).
  Sweep(checker, {-708.3, 709.78, 64.0}, 4);
  Expect(checker, 1.0, "exp");
  EXPECT_EQ(math::Exp(kInf), kInf);
  EXPECT_EQ(math::Exp(-kInf), 0.0);
  EXPECT_EQ(math::Exp(0.0), 1.0);
}

double Pow8(double x) { return math::PowInt<8>(x); }
lanes::Pair Pow8Pair(lanes::Pair x) { return math::PowInt<8>(x); }
double Pow11(double x) { return math::PowInt<11>(x); }
lanes::Pair Pow11Pair(lanes::Pair x) { return math::PowInt<11>(x); }

TEST(MathAccuracy, PowersTheEngineUses) {
  // The React threshold raises 1 - (a blend of 0.91 and 0.58) to the 8th power; the Tame limit
  // raises 1.5 Tame (0 ... 1.5) to the 11th; the drive is 3 to the Input Gain / 100 (0 ... 2).
  Checker eighth([](mpfr_t y, const mpfr_t x) { mpfr_pow_ui(y, x, 8, MPFR_RNDN); }, Pow8, Pow8Pair);
  Sweep(eighth, {-4.0, 4.0, 1e30, true, 0.6}, 5);
  Expect(eighth, 1.0, "x^8");
  Checker eleventh([](mpfr_t y, const mpfr_t x) { mpfr_pow_ui(y, x, 11, MPFR_RNDN); }, Pow11, Pow11Pair);
  Sweep(eleventh, {0.0, 1.5, 1e20, true, 0.6}, 6);
  Expect(eleventh, 1.0, "x^11");
  Checker three(
      [](mpfr_t y, const mpfr_t x) {
        mpfr_t base;
        mpfr_init2(base, kPrecision);
        mpfr_set_ui(base, 3, MPFR_RNDN);
        mpfr_pow(y, base, x, MPFR_RNDN);
        mpfr_clear(base);
      },
      [](double x) { return math::PowThree(x); }, [](lanes::Pair x) { return math::PowThree(x); });
  Sweep(three, {0.0, 2.0, 600.0, true, 0.8}, 7);
  Expect(three, 2.0, "3^x");
  EXPECT_EQ(math::PowThree(0.0), 1.0);
  EXPECT_NEAR(math::PowThree(1.0), 3.0, 4.5e-16); // within an ulp
  EXPECT_NEAR(math::PowThree(2.0), 9.0, 1.8e-15);
}

} // namespace
} // namespace kolmari::test
