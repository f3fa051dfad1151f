// Parameters through the binary: names, labels and texts as hosts show them, text typed back in
// through effString2Parameter, the parameter callbacks at and beyond their bounds, the properties
// record, and the host-specific text extensions.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

constexpr intptr_t kVendorAnswer = 0xBEEF;

TEST(ParameterTest, NamesLabelsAndDefaultTextsAreThePlugInsOwn) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  ASSERT_EQ(plugin->NumParams(), kParameterCount);
  for (int i = 0; i < kParameterCount; ++i) {
    const ParameterInfo& p = kParameters[static_cast<size_t>(i)];
    EXPECT_EQ(plugin->ParameterName(i), p.name);
    EXPECT_EQ(plugin->ParameterLabel(i), p.label) << p.name;
    EXPECT_EQ(plugin->ParameterDisplay(i), p.defaultDisplay) << p.name;
    EXPECT_FLOAT_EQ(plugin->GetParameter(i), Normalized(i, p.defaultValue)) << p.name;
    EXPECT_TRUE(plugin->CanBeAutomated(i)) << p.name;
  }
}

// Display text, typed back into effString2Parameter, gives the value the text shows: the same text
// again, and a real value within half of the last shown decimal of the one displayed (a text of two
// decimals stands for every value that rounds to it). Checked at the minimum, the maximum, the
// default and random values of every parameter, each text typed into a second instance.
TEST(ParameterTest, DisplayTextTypedBackGivesTheSameValue) {
  auto source = LoadKolmari();
  auto target = LoadKolmari();
  ASSERT_TRUE(source && target);
  source->Open();
  target->Open();
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> any(0.0f, 1.0f);

  for (int i = 0; i < kParameterCount; ++i) {
    const ParameterInfo& p = kParameters[static_cast<size_t>(i)];
    std::vector<float> values{0.0f, 1.0f, Normalized(i, p.defaultValue)};
    for (int k = 0; k < 5; ++k) values.push_back(any(rng));
    const double halfShownStep = 0.5 * std::pow(10.0, -p.decimals);

    for (const float normalized : values) {
      ASSERT_TRUE(source->SetParameter(i, normalized));
      const std::string text = source->ParameterDisplay(i);
      ASSERT_FALSE(text.empty()) << p.name;
      // A different starting value, so that a refused text cannot pass.
      target->SetParameter(i, normalized < 0.5f ? 1.0f : 0.0f);
      EXPECT_EQ(target->String2Parameter(i, text), 1) << p.name << " \"" << text << '"';
      EXPECT_EQ(target->ParameterDisplay(i), text) << p.name;
      const double shown = RealValue(i, source->GetParameter(i));
      const double typed = RealValue(i, target->GetParameter(i));
      // 1e-4 of the range covers the 32-bit normalised values the host reads back.
      EXPECT_NEAR(typed, shown, halfShownStep + 1e-4 * (p.max - p.min)) << p.name << " \"" << text << '"';
    }
  }
}

TEST(ParameterTest, StringToParameterOutsideItsUseChangesNothing) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  plugin->SetParameter(4, 0.75f);
  const std::vector<float> before = AllParameters(*plugin);
  EXPECT_EQ(plugin->Dispatch(effString2Parameter, 4, 0, nullptr), 1);  // null text: accepted, nothing done
  char text[] = "10";
  EXPECT_EQ(plugin->Dispatch(effString2Parameter, -1, 0, text), 0);
  EXPECT_EQ(plugin->Dispatch(effString2Parameter, kParameterCount, 0, text), 0);
  EXPECT_EQ(AllParameters(*plugin), before);

  // Text that is no number, or out of range, lands inside the range.
  EXPECT_EQ(plugin->String2Parameter(4, "loud"), 1);
  EXPECT_EQ(plugin->ParameterDisplay(4), "0.00");
  EXPECT_EQ(plugin->String2Parameter(4, "1e300"), 1);
  EXPECT_EQ(plugin->ParameterDisplay(4), "200.00");
  EXPECT_EQ(plugin->String2Parameter(4, "nan"), 1);
  EXPECT_TRUE(std::isfinite(plugin->GetParameter(4)));
}

TEST(ParameterCallbackTest, ValuesBeyondTheBoundsStoreTheBounds) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  AEffect* effect = plugin->Effect();
  effect->setParameter(effect, 4, 1.5f);
  EXPECT_EQ(effect->getParameter(effect, 4), 1.0f);
  EXPECT_EQ(plugin->ParameterDisplay(4), "200.00");
  effect->setParameter(effect, 4, -0.5f);
  EXPECT_EQ(effect->getParameter(effect, 4), 0.0f);
  // A value that is not a number is no value: refused, the parameter keeps what it had.
  effect->setParameter(effect, 5, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(effect->getParameter(effect, 5), 0.5f);
  effect->setParameter(effect, 6, std::numeric_limits<float>::infinity());
  EXPECT_EQ(effect->getParameter(effect, 6), 0.5f);
}

TEST(ParameterCallbackTest, IndicesOutsideTheListAreIgnored) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  AEffect* effect = plugin->Effect();
  const std::vector<float> before = AllParameters(*plugin);
  for (const int32_t index : {-1, kParameterCount, 1000, std::numeric_limits<int32_t>::min()}) {
    effect->setParameter(effect, index, 0.9f);
    EXPECT_EQ(effect->getParameter(effect, index), 0.0f) << index;
  }
  EXPECT_EQ(AllParameters(*plugin), before);
  EXPECT_EQ(plugin->Dispatch(effCanBeAutomated, -1), 0);
  EXPECT_EQ(plugin->Dispatch(effCanBeAutomated, kParameterCount), 0);

  // Text calls with an invalid index write nothing.
  char text[64];
  for (const int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(plugin->Dispatch(opcode, kParameterCount, 0, text), 0);
    EXPECT_EQ(text[0], 'x') << opcode;
  }
}

TEST(ParameterPropertiesTest, EveryParameterStepsInItsFloatStep) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  const float steps[kParameterCount] = {1.0f, 1.0f, 1.0f, 1.0f, 0.01f, 0.01f, 0.001f, 0.01f, 0.001f};
  for (int i = 0; i < kParameterCount; ++i) {
    VstParameterProperties properties;
    std::memset(&properties, 0x5A, sizeof properties);
    ASSERT_EQ(plugin->Dispatch(effGetParameterProperties, i, 0, &properties), 1);
    EXPECT_EQ(properties.flags, kVstParameterUsesFloatStep) << i;
    EXPECT_EQ(properties.stepFloat, steps[i]) << i;
    EXPECT_EQ(properties.smallStepFloat, steps[i]) << i;
    EXPECT_EQ(properties.largeStepFloat, steps[i]) << i;
    EXPECT_EQ(properties.minInteger, 0x5A5A5A5A) << "fields the plug-in does not fill stay as the host gave them";
  }
  VstParameterProperties properties{};
  EXPECT_EQ(plugin->Dispatch(effGetParameterProperties, kParameterCount, 0, &properties), 0);
  EXPECT_EQ(plugin->Dispatch(effGetParameterProperties, -1, 0, &properties), 0);
  EXPECT_EQ(plugin->Dispatch(effGetParameterProperties, 0, 0, nullptr), 0);
}

// The host-specific extensions that answer 0xBEEF: a display text for a normalised value the
// parameter does not hold, and a typed text rewritten in place as a normalised value.
TEST(VendorExtensionTest, DisplayOfAnyNormalisedValue) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  char text[64] = {};
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, 4, text, 0.5f), kVendorAnswer);
  EXPECT_STREQ(text, "100.00");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, 6, text, 0.25f), kVendorAnswer);
  EXPECT_STREQ(text, "0.250");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, 2, text, 1.0f), kVendorAnswer);
  EXPECT_STREQ(text, "3");
  EXPECT_EQ(plugin->ParameterDisplay(4), "32.00");  // the parameter itself did not move

  std::strcpy(text, "untouched");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, kParameterCount, text, 0.5f), kVendorAnswer);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, -1, text, 0.5f), kVendorAnswer);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effGetParamDisplay, 4, nullptr, 0.5f), 0);
}

TEST(VendorExtensionTest, TypedTextIsRewrittenAsItsNormalisedValue) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  char text[64] = "50";
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, 4, text), kVendorAnswer);
  EXPECT_STREQ(text, "0.25000000000000000");  // 50 of 0..200
  std::strcpy(text, "150%");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, 7, text), kVendorAnswer);
  EXPECT_STREQ(text, "1.00000000000000000");  // beyond 0..120: the max
  std::strcpy(text, "0.3");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, 8, text), kVendorAnswer);
  EXPECT_EQ(std::strlen(text), 19u);  // one digit, the point and 17 decimals
  EXPECT_EQ(std::strtod(text, nullptr), 0.3);
  EXPECT_EQ(plugin->ParameterDisplay(4), "32.00");  // only the text changed, not the parameter

  char empty[64] = {};
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, 4, empty), kVendorAnswer);
  EXPECT_STREQ(empty, "");
  std::strcpy(text, "50");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, kParameterCount, text), 0);
  EXPECT_STREQ(text, "50");
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, effString2Parameter, 4, nullptr), 0);
}

TEST(VendorExtensionTest, NoParameterIsReportedAsTakingFewIntegerSteps) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  // All nine are continuous parameters (the switches included), so the query goes to the plug-in,
  // which does not answer it; nor does it answer unknown extensions.
  for (int i = -1; i <= kParameterCount; ++i) EXPECT_EQ(plugin->Dispatch(effVendorSpecific, 8, i), 0) << i;
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, 0x12345, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, 0, 0, nullptr, 0.0f), 0);
}

} // namespace
} // namespace kolmari::binary::test
