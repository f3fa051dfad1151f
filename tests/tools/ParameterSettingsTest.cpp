// Parameters by name through a loaded plug-in binary: lookup, range checks, setting by text or by
// searching the normalised value, and what the report shows.
#include "ParameterSettings.h"
#include "ToolError.h"
#include "VstPluginFinder.h"
#include "VstPluginInstance.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kolmari::render {
namespace {

using testhost::VstPluginInstance;

ParameterAssignment Assign(const std::string& name, double value, const std::string& text) {
  return ParameterAssignment{name, value, text};
}

std::unique_ptr<VstPluginInstance> Open(const std::string& path) {
  std::string error;
  auto instance = VstPluginInstance::Load(path, error);
  if (!instance) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  instance->Open();
  return instance;
}

std::string ThirdParty(const std::string& file) {
  const auto path = testhost::VstPluginFinder::Find(file);
  if (!path) ADD_FAILURE() << file << " is in none of the VST folders: run scripts/setup";
  return path ? path->string() : std::string();
}

// One rendering instance of a plug-in, and a factory for probe instances that counts them.
class Plugin {
public:
  explicit Plugin(const std::string& binary)
      : path(binary), instance(Open(binary)), settings(*instance, [this] {
          ++probes;
          return Open(path);
        }) {}

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

  std::string Display(const std::string& name) { return instance->ParameterDisplay(settings.Find(name)); }

  std::string path;
  std::unique_ptr<VstPluginInstance> instance;
  int probes = 0;
  ParameterSettings settings;
};

class KolmariParameters : public ::testing::Test {
protected:
  Plugin kolmari{KOLMARI_PLUGIN_BINARY};
};

TEST_F(KolmariParameters, FindsNamesInAnyCase) {
  EXPECT_EQ(kolmari.settings.Find("Input Gain"), 4);
  EXPECT_EQ(kolmari.settings.Find("input gain"), 4);
  EXPECT_EQ(kolmari.settings.Find("WET"), 5);
  EXPECT_EQ(kolmari.settings.Find("oversampling"), 2);
}

TEST_F(KolmariParameters, AppliesRealValuesIncludingTheRangeEndsExactly) {
  kolmari.settings.Apply({Assign("input gain", 200.0, "input gain=200"), Assign("Wet", 0.0, "Wet=0"),
                          Assign("Oversampling", 3.0, "Oversampling=3"), Assign("Bias", 0.95, "Bias=0.95"),
                          Assign("Output Gain", 33.33, "Output Gain=33.33")});
  EXPECT_EQ(kolmari.instance->GetParameter(4), 1.0f);
  EXPECT_EQ(kolmari.instance->GetParameter(5), 0.0f);
  EXPECT_EQ(kolmari.Display("Oversampling"), "3");
  EXPECT_EQ(kolmari.Display("Bias"), "0.950");
  EXPECT_EQ(kolmari.Display("Output Gain"), "33.33");
  // The plug-in takes text, so its ranges come from a probe instance made once, never from the
  // rendering instance (which would then hold float-rounded values).
  EXPECT_EQ(kolmari.probes, 1);
}

TEST_F(KolmariParameters, RejectsBadAssignmentsWithoutChangingAnything) {
  EXPECT_EQ(kolmari.ApplyError({Assign("Input Gain", 80.0, "Input Gain=80"), Assign("Wet", 150.0, "Wet=150")}),
            "Wet=150 is outside 0..100");
  EXPECT_EQ(kolmari.Display("Input Gain"), "32.00"); // the good one before it was not applied either
  EXPECT_EQ(kolmari.ApplyError({Assign("Tame", -0.001, "Tame=-0.001")}), "Tame=-0.001 is outside 0..1");
  EXPECT_EQ(kolmari.ApplyError({Assign("Oversampling", 2.5, "Oversampling=2.5")}),
            "Oversampling=2.5: Oversampling takes whole numbers only (0..3)");
  EXPECT_EQ(kolmari.ApplyError({Assign("Drive", 1.0, "Drive=1")}),
            "unknown parameter 'Drive'; valid names are: Bypass, React, Oversampling, Delta, Input Gain, Wet, "
            "Tame, Output Gain, Bias");
}

TEST_F(KolmariParameters, ListAndSettingsShowEveryParameter) {
  const std::string list = kolmari.settings.ListTable();
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 1 + 9);
  EXPECT_TRUE(list.starts_with("index  name          min    max     default  label\n")) << list;
  EXPECT_NE(list.find("4      Input Gain    0.00   200.00  32.00    %\n"), std::string::npos) << list;
  EXPECT_NE(list.find("6      Tame          0.000  1.000   0.500\n"), std::string::npos) << list;

  kolmari.settings.Apply({Assign("Input Gain", 80.0, "Input Gain=80")});
  const std::string current = kolmari.settings.CurrentSettings();
  EXPECT_NE(current.find("  Input Gain    80.00 %\n"), std::string::npos) << current;
  EXPECT_NE(current.find("  Oversampling  0\n"), std::string::npos) << current;
  EXPECT_NE(current.find("  Bias          0.500\n"), std::string::npos) << current;
}

// These take no text for their parameters: values are found through setParameter.
TEST(ThirdPartyParameters, SearchesTheValueWhoseDisplayShowsIt) {
  Plugin pan(ThirdParty("PingPongPan-vst.so"));
  EXPECT_EQ(pan.settings.Range(1), "0..100");
  pan.settings.Apply({Assign("width", 30.0, "width=30"), Assign("Frequency", 100.0, "Frequency=100")});
  EXPECT_TRUE(pan.Display("Width").starts_with("30.00000")) << pan.Display("Width");
  EXPECT_EQ(pan.instance->GetParameter(0), 1.0f); // the end of the range is the end, not close to it
  EXPECT_EQ(pan.ApplyError({Assign("Width", 101.0, "Width=101")}), "Width=101 is outside 0..100");

  // Logarithmic displays and ones that fall from 0 to 1 alike.
  Plugin room(ThirdParty("DragonflyRoomReverb-vst.so"));
  room.settings.Apply({Assign("Decay", 2.5, "Decay=2.5"), Assign("High Cut", 5000.0, "High Cut=5000")});
  EXPECT_EQ(room.Display("Decay"), "2.500000");
  EXPECT_EQ(room.Display("High Cut"), "5000.000000");
}

TEST(ThirdPartyParameters, SwitchesAndDisplaysWithoutNumbers) {
  Plugin limiter(ThirdParty("lsp-plugins/limiter-stereo.so"));
  // "off".."on": a switch takes 0 and 1.
  EXPECT_EQ(limiter.settings.Range(0), "0..1");
  limiter.settings.Apply({Assign("bypass", 1.0, "bypass=1"), Assign("th", -6.0, "th=-6")});
  EXPECT_EQ(limiter.Display("bypass"), "on");
  EXPECT_EQ(limiter.Display("th"), "-6.00");
  EXPECT_EQ(limiter.ApplyError({Assign("bypass", 0.5, "bypass=0.5")}), "bypass=0.5: bypass takes whole numbers only (0..1)");
  // "-inf".."60.00": no range to check against and nothing to search by.
  EXPECT_EQ(limiter.ApplyError({Assign("g_in", 3.0, "g_in=3")}),
            "cannot set g_in=3: the plug-in takes no text for g_in and does not display it as a number at both "
            "ends (-inf..60.00)");
}

TEST(DisplayedNumber, ReadsTheLeadingNumberOfADisplay) {
  EXPECT_EQ(DisplayedNumber("-6.02"), -6.02);
  EXPECT_EQ(DisplayedNumber(" 5ms"), 5.0);
  EXPECT_EQ(DisplayedNumber("+12 dB"), 12.0);
  for (const char* none : {"", "off", "-inf", "nan", "1.2.3", "Herm Th"}) EXPECT_FALSE(DisplayedNumber(none)) << none;
}

} // namespace
} // namespace kolmari::render
