// The edit controller's parameters and the component's state: the same bytes as the VST 2.4
// program chunk, bad streams refused with nothing changed, streams that give a few bytes at a time.
#include "Vst3Support.h"

#include "VstPluginInstance.h"

#include <cstring>
#include <random>
#include <string>

namespace kolmari::vst3::test {
namespace {

std::string Ascii(const int16_t* t) {
  std::string s;
  for (int i = 0; i < 128 && t[i]; ++i) s += static_cast<char>(t[i]);
  return s;
}

class Vst3ControllerTest : public ::testing::Test {
protected:
  std::shared_ptr<Vst3Module> module = LoadModule();
  Vst3Plugin plugin{module};
  v3_edit_controller** ctrl = plugin.Controller();
  decltype(plugin.ControllerMethods()) c = plugin.ControllerMethods();

  std::vector<double> Values() {
    std::vector<double> v;
    for (int i = 0; i < kParameterCount; ++i) v.push_back(c.get_parameter_normalised(ctrl, static_cast<uint32_t>(i)));
    return v;
  }
};

TEST_F(Vst3ControllerTest, DescribesEachParameterByItsIndex) {
  ASSERT_EQ(c.get_parameter_count(ctrl), kParameterCount);
  const char* names[] = {"Bypass", "React", "Oversampling", "Delta", "Input Gain", "Wet", "Tame", "Output Gain", "Bias"};
  const int32_t steps[] = {1, 1, 3, 1, 0, 0, 0, 0, 0};
  for (int32_t i = 0; i < kParameterCount; ++i) {
    v3_param_info info{};
    ASSERT_EQ(c.get_parameter_info(ctrl, i, &info), V3_OK);
    EXPECT_EQ(info.param_id, static_cast<uint32_t>(i));
    EXPECT_EQ(Ascii(info.title), names[i]);
    EXPECT_EQ(info.step_count, steps[i]) << names[i];
    EXPECT_TRUE(info.flags & V3_PARAM_CAN_AUTOMATE);
    EXPECT_EQ((info.flags & V3_PARAM_IS_BYPASS) != 0, i == 0) << names[i];
    EXPECT_NEAR(info.default_normalised_value, c.get_parameter_normalised(ctrl, static_cast<uint32_t>(i)), 1e-12);
  }
  v3_param_info info{};
  EXPECT_EQ(Ascii(info.units), "");
  ASSERT_EQ(c.get_parameter_info(ctrl, static_cast<int32_t>(kOutputGain), &info), V3_OK);
  EXPECT_EQ(Ascii(info.units), "%");
  EXPECT_NE(c.get_parameter_info(ctrl, kParameterCount, &info), V3_OK);
  EXPECT_NE(c.get_parameter_info(ctrl, -1, &info), V3_OK);
}

TEST_F(Vst3ControllerTest, ConvertsBetweenTextsAndValuesThroughTheFramework) {
  v3_str_128 text{};
  ASSERT_EQ(c.get_parameter_string_for_value(ctrl, kOutputGain, 0.5, text), V3_OK);
  EXPECT_EQ(Ascii(text), "60.00");
  double v = -1.0;
  int16_t typed[] = {'9', '0', 0};
  ASSERT_EQ(c.get_parameter_value_for_string(ctrl, kOutputGain, typed, &v), V3_OK);
  EXPECT_NEAR(v, 0.75, 1e-9);
  EXPECT_NEAR(c.normalised_parameter_to_plain(ctrl, kOutputGain, 0.5), 60.0, 1e-9);
  EXPECT_NEAR(c.plain_parameter_to_normalised(ctrl, kOutputGain, 30.0), 0.25, 1e-9);
  EXPECT_NEAR(c.normalised_parameter_to_plain(ctrl, kOversampling, 1.0), 3.0, 1e-9);
  // Unknown ids and empty texts are errors, not values.
  EXPECT_NE(c.get_parameter_string_for_value(ctrl, 99, 0.5, text), V3_OK);
  EXPECT_NE(c.get_parameter_value_for_string(ctrl, 99, typed, &v), V3_OK);
  int16_t empty[] = {0};
  EXPECT_NE(c.get_parameter_value_for_string(ctrl, kOutputGain, empty, &v), V3_OK);
  EXPECT_NE(c.set_parameter_normalised(ctrl, 99, 0.5), V3_OK);
  EXPECT_NE(c.set_parameter_normalised(ctrl, kOutputGain, std::nan("")), V3_OK);
  EXPECT_EQ(c.get_parameter_normalised(ctrl, 99), 0.0);
}

TEST_F(Vst3ControllerTest, StateIsTheVst2ProgramChunkAndCrossesFormats) {
  ASSERT_EQ(c.set_parameter_normalised(ctrl, kOutputGain, 0.25), V3_OK);
  ASSERT_EQ(c.set_parameter_normalised(ctrl, kOversampling, 2.0 / 3.0), V3_OK);
  const std::vector<uint8_t> state = plugin.SaveState();
  ASSERT_EQ(state.size(), 8u + 8u * kParameterCount);
  const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(state.data(), header, 8), 0);

  // The VST 2.4 plug-in set to the same values gives the same bytes, and takes these.
  std::string error;
  auto vst2 = testhost::VstPluginInstance::Load(KOLMARI_BINARY, error);
  ASSERT_TRUE(vst2) << error;
  vst2->Open();
  ASSERT_EQ(vst2->SetChunk(state, true), 1);
  EXPECT_EQ(vst2->GetChunk(true), state);

  // Into a fresh VST3 instance: the same values.
  Vst3Plugin other(module);
  ASSERT_TRUE(other.LoadState(state));
  for (uint32_t i = 0; i < kParameterCount; ++i) {
    EXPECT_DOUBLE_EQ(other.ControllerMethods().get_parameter_normalised(other.Controller(), i),
                     c.get_parameter_normalised(ctrl, i));
  }
}

TEST_F(Vst3ControllerTest, BadStatesChangeNothingAndShortReadsAreFine) {
  ASSERT_EQ(c.set_parameter_normalised(ctrl, kOutputGain, 0.25), V3_OK);
  const std::vector<uint8_t> good = plugin.SaveState();
  ASSERT_EQ(c.set_parameter_normalised(ctrl, kOutputGain, 0.75), V3_OK);
  const std::vector<double> before = Values();

  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({});                                               // empty
  bad.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1)); // cut short
  bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 8));
  auto wrongMagic = good;
  wrongMagic[0] ^= 0xFF;
  bad.push_back(wrongMagic);
  auto wrongVersion = good;
  wrongVersion[6] = 9;
  bad.push_back(wrongVersion);
  auto notANumber = good;
  const double nan = std::nan("");
  std::memcpy(notANumber.data() + 8 + 8 * kOutputGain, &nan, 8);
  bad.push_back(notANumber);
  std::mt19937 random(17);
  for (int i = 0; i < 20; ++i) {
    std::vector<uint8_t> noise(random() % 200);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    bad.push_back(noise);
  }
  for (const auto& bytes : bad) {
    MemoryStream stream(bytes);
    EXPECT_NE(plugin.ComponentMethods().set_state(plugin.Component(), stream.As<v3_bstream>()), V3_OK) << bytes.size();
    stream.position = 0;
    EXPECT_NE(c.set_component_state(ctrl, stream.As<v3_bstream>()), V3_OK);
    EXPECT_EQ(Values(), before);
  }
  EXPECT_NE(plugin.ComponentMethods().set_state(plugin.Component(), nullptr), V3_OK);

  // A stream that hands out three bytes per read still delivers the whole state.
  MemoryStream trickle(good);
  trickle.maxRead = 3;
  ASSERT_EQ(plugin.ComponentMethods().set_state(plugin.Component(), trickle.As<v3_bstream>()), V3_OK);
  EXPECT_DOUBLE_EQ(c.get_parameter_normalised(ctrl, kOutputGain), 0.25);
  EXPECT_EQ(trickle.References(), 1);

  // A stream that takes no bytes: the plug-in says it could not save.
  MemoryStream full;
  full.refuseWrites = true;
  EXPECT_NE(plugin.ComponentMethods().get_state(plugin.Component(), full.As<v3_bstream>()), V3_OK);
}

} // namespace
} // namespace kolmari::vst3::test
