// Parameters by name: lookup, range checks, and what the report shows.
#include "ParameterSettings.h"
#include "ToolError.h"

#include "Kolmari.h"

#include <gtest/gtest.h>

namespace kolmari::render {
namespace {

ParameterAssignment Assign(const std::string& name, double value, const std::string& text) {
  return ParameterAssignment{name, value, text};
}

class ParameterSettingsTest : public ::testing::Test {
protected:
  std::string ApplyError(const std::vector<ParameterAssignment>& assignments) {
    try {
      settings.Apply(assignments);
    } catch (const ToolError& e) {
      EXPECT_EQ(e.ExitCode(), 2);
      return e.what();
    }
    ADD_FAILURE() << "no error";
    return {};
  }

  Kolmari plugin{lumen::IInstanceInfo{}};
  ParameterSettings settings{plugin};
};

TEST_F(ParameterSettingsTest, FindsNamesInAnyCase) {
  EXPECT_EQ(settings.Find("Input Gain"), kInputGain);
  EXPECT_EQ(settings.Find("input gain"), kInputGain);
  EXPECT_EQ(settings.Find("WET"), kWet);
  EXPECT_EQ(settings.Find("oversampling"), kOversampling);
}

TEST_F(ParameterSettingsTest, AppliesRealValuesIncludingTheRangeEnds) {
  settings.Apply({Assign("input gain", 200.0, "input gain=200"), Assign("Wet", 0.0, "Wet=0"),
                  Assign("Oversampling", 3.0, "Oversampling=3"), Assign("Bias", 0.95, "Bias=0.95")});
  EXPECT_EQ(plugin.GetParam(kInputGain)->Value(), 200.0);
  EXPECT_EQ(plugin.GetParam(kWet)->Value(), 0.0);
  EXPECT_EQ(plugin.GetParam(kOversampling)->Value(), 3.0);
  EXPECT_EQ(plugin.GetParam(kBias)->Value(), 0.95);
}

TEST_F(ParameterSettingsTest, RejectsBadAssignmentsWithoutChangingAnything) {
  EXPECT_EQ(ApplyError({Assign("Input Gain", 80.0, "Input Gain=80"), Assign("Wet", 150.0, "Wet=150")}),
            "Wet=150 is outside 0..100");
  EXPECT_EQ(plugin.GetParam(kInputGain)->Value(), 32.0); // the good one before it was not applied either
  EXPECT_EQ(ApplyError({Assign("Tame", -0.001, "Tame=-0.001")}), "Tame=-0.001 is outside 0..1");
  EXPECT_EQ(ApplyError({Assign("Oversampling", 2.5, "Oversampling=2.5")}),
            "Oversampling=2.5: Oversampling takes whole numbers only (0..3)");
  EXPECT_EQ(ApplyError({Assign("Drive", 1.0, "Drive=1")}),
            "unknown parameter 'Drive'; valid names are: Bypass, React, Oversampling, Delta, Input Gain, Wet, "
            "Tame, Output Gain, Bias");
}

TEST_F(ParameterSettingsTest, ListAndSettingsShowEveryParameter) {
  const std::string list = settings.ListTable();
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 1 + kNumParams);
  EXPECT_NE(list.find("4      Input Gain    0..200    32       %\n"), std::string::npos) << list;
  EXPECT_NE(list.find("6      Tame          0..1      0.5\n"), std::string::npos) << list;

  plugin.GetParam(kInputGain)->Set(80.0);
  const std::string current = settings.CurrentSettings();
  EXPECT_NE(current.find("  Input Gain    80.00 %\n"), std::string::npos) << current;
  EXPECT_NE(current.find("  Oversampling  0\n"), std::string::npos) << current;
  EXPECT_NE(current.find("  Bias          0.500\n"), std::string::npos) << current;
}

} // namespace
} // namespace kolmari::render
