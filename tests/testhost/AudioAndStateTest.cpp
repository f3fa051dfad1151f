// Driving a plug-in through the test host: the three audio calls, parameters and their texts, and
// state chunks, against the probe effect whose answers are known.

#include "ProbeSupport.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

namespace kolmari::testhost::test {
namespace {

using namespace lumen::vst2;

TEST(VstPluginInstanceAudioTest, ReplacingCallsOverwriteAndTheOldCallAdds) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(48000.0, 64);
  ASSERT_TRUE(probe->SetParameter(0, 0.5f));  // unity gain

  AudioBuffers<float> in(2, 64, 0.5f), out(2, 64, 0.25f);
  ASSERT_TRUE(probe->ProcessReplacing(in, out));
  EXPECT_EQ(out.Channel(0)[0], 0.5f);
  EXPECT_EQ(out.Channel(1)[63], 0.5f);

  out.Fill(0.25f);
  ASSERT_TRUE(probe->Process(in, out));
  EXPECT_EQ(out.Channel(0)[10], 0.75f);

  AudioBuffers<double> in64(2, 64, 0.125), out64(2, 64, 9.0);
  ASSERT_TRUE(probe->ProcessDoubleReplacing(in64, out64));
  EXPECT_EQ(out64.Channel(1)[5], 0.125);
}

TEST(VstPluginInstanceAudioTest, TheDoubleCallNeedsTheFlagNotJustTheFunction) {
  auto probe = LoadProbe(PROBE_EFFECT_MAIN);
  ASSERT_TRUE(probe);
  ASSERT_NE(probe->Effect()->processDoubleReplacing, nullptr);
  EXPECT_FALSE(probe->HasFlag(effFlagsCanDoubleReplacing));
  AudioBuffers<double> in(2, 8, 1.0), out(2, 8, 7.0);
  EXPECT_FALSE(probe->ProcessDoubleReplacing(in, out));
  EXPECT_EQ(out.Channel(0)[0], 7.0);
}

TEST(VstPluginInstanceAudioTest, RefusesBuffersThatDoNotFit) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(44100.0, 32);
  AudioBuffers<float> mono(1, 32, 1.0f), stereo(2, 32, 3.0f), shorter(2, 16);
  EXPECT_FALSE(probe->ProcessReplacing(mono, stereo));
  EXPECT_FALSE(probe->ProcessReplacing(stereo, mono));
  EXPECT_FALSE(probe->Process(stereo, shorter));
  EXPECT_EQ(stereo.Channel(0)[0], 3.0f);
  EXPECT_EQ(probe->Host().Recorder().Count(audioMasterGetTime), 0u);  // the plug-in was not called

  AudioBuffers<float> more(4, 32, 0.5f), out(3, 32);
  EXPECT_TRUE(probe->ProcessReplacing(more, out));  // extra channels are merely unused
}

TEST(AudioBuffersTest, CopiesPointAtTheirOwnSamples) {
  AudioBuffers<float> original(2, 4, 1.0f);
  AudioBuffers<float> copy = original;
  copy.Pointers()[1][2] = -1.0f;
  EXPECT_EQ(original.Channel(1)[2], 1.0f);
  EXPECT_EQ(copy.Channel(1)[2], -1.0f);
  AudioBuffers<float> none(0, 4);
  EXPECT_NE(none.Pointers(), nullptr);
  copy.Channel(0)[0] = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(copy.AllFinite());
  EXPECT_TRUE(original.AllFinite());
}

TEST(VstPluginInstanceDispatchTest, ReadsIdentificationAndParameterTexts) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->Open();
  EXPECT_EQ(probe->EffectName(), "Probe Effect");
  EXPECT_EQ(probe->VendorString(), "Lumenfold Tests");
  EXPECT_EQ(probe->ProductString(), "Probe");
  EXPECT_EQ(probe->VendorVersion(), 10203);
  EXPECT_EQ(probe->VstVersion(), 2400);
  EXPECT_EQ(probe->PlugCategory(), kPlugCategEffect);
  EXPECT_EQ(probe->CanDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(probe->CanDo("bypass"), 0);
  EXPECT_EQ(probe->UniqueId(), 0x50726f62);

  EXPECT_EQ(probe->ParameterName(1), "Mode");
  EXPECT_EQ(probe->ParameterLabel(0), "x");
  EXPECT_TRUE(probe->CanBeAutomated(0));
  EXPECT_FALSE(probe->CanBeAutomated(1));
  EXPECT_EQ(probe->String2Parameter(0, "0.25"), 1);
  EXPECT_EQ(probe->GetParameter(0), 0.25f);
  EXPECT_EQ(probe->ParameterDisplay(0), "0.250");

  const auto pin = probe->OutputProperties(0);
  ASSERT_TRUE(pin);
  EXPECT_STREQ(pin->label, "Probe 1");
  EXPECT_EQ(pin->flags, kVstPinIsActive | kVstPinIsStereo);
}

TEST(VstPluginInstanceDispatchTest, InvalidIndicesNeverReachThePlugIn) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  for (int32_t index : {-1, 2, 1000}) {
    EXPECT_EQ(probe->ParameterName(index), "");
    EXPECT_EQ(probe->ParameterDisplay(index), "");
    EXPECT_EQ(probe->GetParameter(index), 0.0f);
    EXPECT_FALSE(probe->SetParameter(index, 1.0f));
    EXPECT_EQ(probe->String2Parameter(index, "1"), 0);
    EXPECT_FALSE(probe->InputProperties(index));
    EXPECT_EQ(probe->ProgramNameIndexed(index), "");
  }
  EXPECT_EQ(probe->GetParameter(0), 0.5f);
}

TEST(VstPluginInstanceStateTest, ChunksCarryStateBetweenInstances) {
  auto a = LoadProbe();
  auto b = LoadProbe();
  ASSERT_TRUE(a && b);
  a->SetParameter(0, 0.75f);
  a->SetParameter(1, 0.125f);

  const auto program = a->GetChunk(true);
  ASSERT_EQ(program.size(), 8u);
  EXPECT_EQ(b->SetChunk(program, true), 1);
  EXPECT_EQ(b->GetParameter(0), 0.75f);
  EXPECT_EQ(b->GetParameter(1), 0.125f);

  a->SetParameter(0, 0.0625f);
  const auto bank = a->GetChunk(false);
  ASSERT_EQ(bank.size(), 12u);
  EXPECT_EQ(b->SetChunk(bank, false), 1);
  EXPECT_EQ(b->GetParameter(0), 0.0625f);

  EXPECT_EQ(b->SetChunk({}, true), 0);
  EXPECT_EQ(b->SetChunk(bank, true), 0);  // a bank is no program
}

} // namespace
} // namespace kolmari::testhost::test
