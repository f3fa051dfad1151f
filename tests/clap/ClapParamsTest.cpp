// Parameters as a CLAP host sees them: ids, names, ranges, flags, texts, and changes by flush.
#include "ClapSupport.h"

#include "events.h"

#include <cmath>

namespace kolmari::clap::test {
namespace {

struct Expected {
  const char* name;
  double min;
  double max;
  double defaultValue;
  bool stepped;
};

constexpr Expected kExpected[] = {
    {"Bypass", 0, 1, 0, true},        {"React", 0, 1, 0, true},    {"Oversampling", 0, 3, 0, true},
    {"Delta", 0, 1, 0, true},         {"Input Gain", 0, 200, 32, false}, {"Wet", 0, 100, 50, false},
    {"Tame", 0, 1, 0.5, false},       {"Output Gain", 0, 120, 100, false}, {"Bias", 0, 1, 0.5, false},
};

TEST(ClapParams, InfoGivesIndicesAsIdsRealRangesAndFlags) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  ASSERT_EQ(plugin->NumParams(), 9);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    const auto info = plugin->ParamInfo(i);
    ASSERT_TRUE(info);
    const Expected& e = kExpected[i];
    EXPECT_EQ(info->id, static_cast<clap_id>(i));
    EXPECT_STREQ(info->name, e.name);
    EXPECT_EQ(info->min_value, e.min);
    EXPECT_EQ(info->max_value, e.max);
    EXPECT_EQ(info->default_value, e.defaultValue);
    EXPECT_TRUE(info->flags & CLAP_PARAM_IS_AUTOMATABLE);
    EXPECT_EQ((info->flags & CLAP_PARAM_IS_STEPPED) != 0, e.stepped);
    EXPECT_EQ((info->flags & CLAP_PARAM_IS_BYPASS) != 0, i == 0);
    EXPECT_EQ(plugin->ParamValue(info->id), e.defaultValue);
  }
  EXPECT_FALSE(plugin->ParamInfo(9));
  EXPECT_FALSE(plugin->ParamValue(9));
  EXPECT_FALSE(plugin->ParamValue(CLAP_INVALID_ID));
}

// Every parameter, at its ends, default and points between: the text of a value reads back as the
// value (to the precision shown), and the text of that reads back the same.
TEST(ClapParams, TextRoundTripsForEveryParameter) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  for (int i = 0; i < plugin->NumParams(); ++i) {
    const auto info = plugin->ParamInfo(i);
    ASSERT_TRUE(info);
    const double span = info->max_value - info->min_value;
    for (double f : {0.0, 0.1, 0.25, 1.0 / 3.0, 0.5, 0.9, 1.0}) {
      double value = info->min_value + f * span;
      if (info->flags & CLAP_PARAM_IS_STEPPED) value = std::round(value);
      SCOPED_TRACE(std::string(info->name) + " at " + std::to_string(value));
      const auto text = plugin->ValueToText(info->id, value);
      ASSERT_TRUE(text);
      EXPECT_FALSE(text->empty());
      const auto back = plugin->TextToValue(info->id, *text);
      ASSERT_TRUE(back);
      EXPECT_NEAR(*back, value, span * 1e-3);
      EXPECT_EQ(plugin->ValueToText(info->id, *back), text);
    }
  }
}

TEST(ClapParams, TextsCarryUnitsAndRefuseWhatIsNoValue) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->ValueToText(5, 50.0), "50.00 %");
  EXPECT_EQ(plugin->TextToValue(5, "75 %"), 75.0);
  EXPECT_EQ(plugin->TextToValue(5, "250"), 100.0); // kept within the range
  EXPECT_FALSE(plugin->ValueToText(9, 0.0));
  EXPECT_FALSE(plugin->ValueToText(5, std::nan("")));
  EXPECT_FALSE(plugin->TextToValue(9, "1"));
  // A buffer of one byte gets an empty, terminated text; none at all is refused.
  const auto* params = plugin->ExtensionAs<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  char one[1] = {'x'};
  EXPECT_TRUE(params->value_to_text(plugin->Plugin(), 5, 50.0, one, 1));
  EXPECT_EQ(one[0], '\0');
  EXPECT_FALSE(params->value_to_text(plugin->Plugin(), 5, 50.0, nullptr, 16));
  double value = 0.0;
  EXPECT_FALSE(params->text_to_value(plugin->Plugin(), 5, nullptr, &value));
}

TEST(ClapParams, FlushOutsideProcessingAppliesValuesAndSkipsBadEvents) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  plugin->QueueParamValue(5, 80.0);
  plugin->QueueParamValue(2, 3.0);
  plugin->QueueParamValue(77, 1.0);             // no such parameter
  plugin->QueueParamValue(4, std::nan(""));     // not a value
  // Another event space, and a record shorter than its type: skipped.
  clap_event_param_value_t foreign{};
  foreign.header = {sizeof foreign, 0, 7, CLAP_EVENT_PARAM_VALUE, 0};
  foreign.param_id = 6;
  foreign.value = 1.0;
  plugin->PendingEvents().AddRaw(&foreign, sizeof foreign);
  clap_event_param_value_t shortEvent = foreign;
  shortEvent.header = {sizeof(clap_event_header_t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  plugin->PendingEvents().AddRaw(&shortEvent, sizeof shortEvent);
  plugin->FlushEvents();
  EXPECT_EQ(plugin->ParamValue(5), 80.0);
  EXPECT_EQ(plugin->ParamValue(2), 3.0);
  EXPECT_EQ(plugin->ParamValue(4), 32.0);
  EXPECT_EQ(plugin->ParamValue(6), 0.5);
  // Out of range is kept within it.
  plugin->QueueParamValue(7, 1000.0);
  plugin->FlushEvents();
  EXPECT_EQ(plugin->ParamValue(7), 120.0);
  // Nothing came back: the host's own changes are not echoed.
  EXPECT_TRUE(plugin->OutputEvents().empty());
}

// A stepped parameter holds whole numbers: the host's value is truncated, as CLAP defines it, so
// the plug-in stores and reports what the host believes it set.
TEST(ClapParams, SteppedParametersTakeTheWholePartOfTheHostsValue) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  for (clap_id id : {0u, 1u, 3u}) plugin->QueueParamValue(id, 0.6);
  plugin->QueueParamValue(2, 2.9);
  plugin->FlushEvents();
  for (clap_id id : {0u, 1u, 3u}) EXPECT_EQ(plugin->ParamValue(id), 0.0) << id;
  EXPECT_EQ(plugin->ParamValue(2), 2.0);
  plugin->QueueParamValue(0, 1.0);
  plugin->QueueParamValue(4, 48.6); // continuous values stay as they are
  plugin->FlushEvents();
  EXPECT_EQ(plugin->ParamValue(0), 1.0);
  EXPECT_EQ(plugin->ParamValue(4), 48.6);
}

} // namespace
} // namespace kolmari::clap::test
