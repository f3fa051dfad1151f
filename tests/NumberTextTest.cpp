#include "NumberText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace NumberText = lumen::NumberText;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Printf(const char* format, double value, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, decimals, value);
  return buffer;
}

} // namespace

// The test process runs in the "C" locale, so printf is the reference for formatting.
TEST(NumberText, FixedMatchesPrintf) {
  const double values[] = {0.0, -0.0, 1.005, 2.5, 3.5, 0.125, -1.5, 123456.789, 1e20, -1e-20, kInf, -kInf, kNaN};
  for (double value : values) {
    for (int decimals : {0, 1, 2, 6}) {
      EXPECT_EQ(NumberText::Fixed(value, decimals), Printf("%.*f", value, decimals)) << value << " " << decimals;
      EXPECT_EQ(NumberText::Fixed(value, decimals, true), Printf("%+.*f", value, decimals)) << value << " " << decimals;
    }
  }
  EXPECT_EQ(NumberText::Fixed(1e308, 2).size(), 312u) << "the largest values fit";
}

TEST(NumberText, IntegerMatchesPrintf) {
  for (long long value : {0LL, 7LL, -42LL, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX), LLONG_MIN}) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", value);
    EXPECT_EQ(NumberText::Integer(value), buffer);
  }
}

struct DoubleCase {
  const char* text;
  double expected;
};

void PrintTo(const DoubleCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseLeadingDouble : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(ParseLeadingDouble, ReadsLikeStrtodInTheCLocale) {
  const auto& [text, expected] = GetParam();
  const double value = NumberText::ParseLeadingDouble(text);
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(value));
  } else {
    EXPECT_EQ(value, expected);
    EXPECT_EQ(std::signbit(value), std::signbit(expected)) << "sign of " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseLeadingDouble,
    ::testing::Values(DoubleCase{"0.5", 0.5}, DoubleCase{".5", 0.5}, DoubleCase{"5.", 5.0},
                      DoubleCase{"12abc", 12.0}, DoubleCase{" \t\n+2.5e1x", 25.0}, DoubleCase{"-0", -0.0},
                      DoubleCase{"1e", 1.0}, DoubleCase{"1.5e+", 1.5}, DoubleCase{"2E-1", 0.2},
                      DoubleCase{"1e400", kInf}, DoubleCase{"-1e400", -kInf}, DoubleCase{"1e-400", 0.0},
                      DoubleCase{"-1e-400", -0.0}, DoubleCase{"1e-320", 1e-320}, DoubleCase{"inf", kInf},
                      DoubleCase{"-Infinity", -kInf}, DoubleCase{"nan", kNaN}, DoubleCase{"abc", 0.0},
                      DoubleCase{"", 0.0}, DoubleCase{"-", 0.0}, DoubleCase{".", 0.0}, DoubleCase{"e5", 0.0},
                      DoubleCase{"--5", 0.0}, DoubleCase{"+-5", 0.0}, DoubleCase{"-+5", 0.0},
                      DoubleCase{"1,5", 1.0}, DoubleCase{"0x10", 16.0}, DoubleCase{"-0X1.8p1", -3.0},
                      DoubleCase{"0x", 0.0}, DoubleCase{"0xg", 0.0}, DoubleCase{"0x1p-2000", 0.0},
                      DoubleCase{"0x1p2000", kInf}, DoubleCase{"0x-5", 0.0}, DoubleCase{"-0x-5", -0.0},
                      DoubleCase{"0xinf", 0.0}, DoubleCase{"-0Xinfe40", -0.0}, DoubleCase{"0xnan", 0.0},
                      DoubleCase{"0x.8", 0.5}, DoubleCase{"0x.p1", 0.0}, DoubleCase{"0x1p+-5", 1.0},
                      DoubleCase{"0x1.8P+-1115", 1.5}, DoubleCase{"0x1p-+5", 1.0}, DoubleCase{"0x1p+5", 32.0}));

TEST(NumberText, ParseLeadingDoubleOutOfRangeWithoutExponent) {
  const std::string huge = "1" + std::string(400, '0');
  const std::string tiny = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(NumberText::ParseLeadingDouble(huge), kInf);
  EXPECT_EQ(NumberText::ParseLeadingDouble("-" + huge), -kInf);
  EXPECT_EQ(NumberText::ParseLeadingDouble(tiny), 0.0);
  EXPECT_EQ(NumberText::ParseLeadingDouble(huge + "e-500"), 1e-100) << "in range once scaled";
}

TEST(NumberText, ParseLeadingDoubleOutOfRangeIsJudgedByTheWholeNumber) {
  // The exponent's sign alone does not tell: many leading zeros make a number tiny despite a
  // positive exponent, many digits make it huge despite a negative one.
  const std::string zeros(400, '0');
  EXPECT_EQ(NumberText::ParseLeadingDouble("0." + zeros + "1e5"), 0.0);
  EXPECT_EQ(NumberText::ParseLeadingDouble("-0." + zeros + "1e+5"), -0.0);
  EXPECT_EQ(NumberText::ParseLeadingDouble("1" + zeros + "e-10"), kInf);
  EXPECT_EQ(NumberText::ParseLeadingDouble("0x0." + std::string(300, '0') + "1p8"), 0.0);
  EXPECT_EQ(NumberText::ParseLeadingDouble("0x1" + std::string(300, '0') + "p-16"), kInf);
  EXPECT_EQ(NumberText::ParseLeadingDouble("1e-99999999999999999999999"), 0.0);
  EXPECT_EQ(NumberText::ParseLeadingDouble("0.1e99999999999999999999999"), kInf);
}

TEST(NumberText, ParseLeadingIntReadsLikeScanf) {
  const std::pair<const char*, int> cases[] = {
      {"42", 42},  {" -7x", -7}, {"+3", 3},  {"3.9", 3}, {"abc", 0}, {"", 0},
      {"-", 0},    {"--5", 0},   {"+-5", 0}, {"-+5", 0}, {"*", 0},   {"-2147483648", INT_MIN},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(NumberText::ParseLeadingInt(text), expected) << text;
}
