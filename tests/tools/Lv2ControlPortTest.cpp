// An LV2 control port's values as the tools show and read them: the data gives only numbers, a
// unit, scale points and whether the port is a switch or takes whole numbers, and every text the
// tools show or take must be made from those alone.
#include "Lv2ControlPort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using kolmari::testhost::Lv2ControlPort;
using kolmari::testhost::ShortestFloatText;

// Made whole rather than assigned field by field: GCC 12 at -O3 takes a literal assigned to a
// string member for an overlapping copy (-Wrestrict).
Lv2ControlPort Percent() {
  return Lv2ControlPort{.index = 4,
                        .symbol = "input_gain",
                        .name = "Input Gain",
                        .unit = "%",
                        .minimum = 0.0f,
                        .maximum = 200.0f,
                        .defaultValue = 32.0f,
                        .toggled = false,
                        .integer = false,
                        .enumeration = false,
                        .scalePoints = {}};
}

Lv2ControlPort Choice() {
  return Lv2ControlPort{.index = 2,
                        .symbol = "oversampling",
                        .name = "Oversampling",
                        .unit = "",
                        .minimum = 0.0f,
                        .maximum = 3.0f,
                        .defaultValue = 0.0f,
                        .toggled = false,
                        .integer = true,
                        .enumeration = true,
                        .scalePoints = {{0.0f, "1\u00d7"}, {1.0f, "2\u00d7"}, {2.0f, "4\u00d7"}, {3.0f, "8\u00d7"}}};
}

TEST(Lv2ControlPort, NumbersShowInTheirShortestExactForm) {
  EXPECT_EQ(ShortestFloatText(32.0f), "32");
  EXPECT_EQ(ShortestFloatText(200.0f), "200"); // never an exponent
  EXPECT_EQ(ShortestFloatText(0.5f), "0.5");
  EXPECT_EQ(ShortestFloatText(-0.0f), "0");
  EXPECT_EQ(ShortestFloatText(0.1f), "0.1");
  for (float v : {0.001f, 48.5f, 1e-12f, 123456.7f, 3.4e38f}) {
    EXPECT_EQ(std::strtof(ShortestFloatText(v).c_str(), nullptr), v) << ShortestFloatText(v);
  }
}

TEST(Lv2ControlPort, TypedTextIsANumberWithTheUnitOrAScalePointLabel) {
  const Lv2ControlPort gain = Percent();
  EXPECT_EQ(gain.Parse("48.5"), 48.5f);
  EXPECT_EQ(gain.Parse(" 48.5 % "), 48.5f);
  EXPECT_EQ(gain.Parse("48.5%"), 48.5f);
  EXPECT_EQ(gain.Parse("+7"), 7.0f);
  EXPECT_EQ(gain.Parse("250"), 200.0f) << "limited to the range, as the port holds it";
  EXPECT_EQ(gain.Parse("-3"), 0.0f);
  EXPECT_FALSE(gain.Parse("48.5 dB")) << "another unit is another value";
  EXPECT_FALSE(gain.Parse("loud"));
  EXPECT_FALSE(gain.Parse(""));
  EXPECT_FALSE(gain.Parse("nan"));
  EXPECT_FALSE(gain.Parse("inf"));
  EXPECT_FALSE(gain.Parse("1.2.3"));

  const Lv2ControlPort choice = Choice();
  EXPECT_EQ(choice.Parse("4\u00d7"), 2.0f);
  EXPECT_EQ(choice.Parse("2"), 2.0f);
  EXPECT_EQ(choice.Parse("2.4"), 2.0f) << "whole numbers only";
  EXPECT_EQ(choice.Parse("9"), 3.0f);
  EXPECT_EQ(choice.Display(2.0f), "2") << "shown as the number --set takes";
  EXPECT_EQ(choice.ScalePointLabel(2.0f), "4\u00d7");
  EXPECT_EQ(choice.ScalePointLabel(2.5f), "");
}

TEST(Lv2ControlPort, NormalisedValuesSpanTheRangeAndStayOnIt) {
  const Lv2ControlPort gain = Percent();
  EXPECT_EQ(gain.Denormalize(0.0f), 0.0f);
  EXPECT_EQ(gain.Denormalize(1.0f), 200.0f);
  EXPECT_EQ(gain.Denormalize(0.16f), 32.0f);
  EXPECT_EQ(gain.Normalize(32.0f), 0.16f);
  EXPECT_EQ(gain.Denormalize(-1.0f), 0.0f);
  EXPECT_EQ(gain.Denormalize(std::numeric_limits<float>::quiet_NaN()), 0.0f);
  EXPECT_EQ(gain.Constrain(std::numeric_limits<float>::quiet_NaN()), 32.0f) << "NaN reads as the default";

  const Lv2ControlPort choice = Choice();
  EXPECT_EQ(choice.Denormalize(0.5f), 2.0f) << "1.5 rounds to a whole step";
  EXPECT_EQ(choice.Denormalize(0.4f), 1.0f);

  Lv2ControlPort empty;
  empty.minimum = empty.maximum = 5.0f;
  EXPECT_EQ(empty.Normalize(5.0f), 0.0f) << "an empty range divides by nothing";
  EXPECT_EQ(empty.Denormalize(1.0f), 5.0f);
}

} // namespace
