// What the test host answers to a plug-in's calls, and what it records of them.

#include "ProbeSupport.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kolmari::testhost::test {
namespace {

using namespace lumen::vst2;

intptr_t Ask(TestHost& host, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
  return host.Answer(nullptr, opcode, index, value, ptr, 0.0f, false);
}

TEST(TestHostTest, IdentifiesItselfWithinTheInterfacesBufferSizes) {
  HostSettings settings;
  settings.productString = std::string(100, 'p');
  settings.vendorVersion = 70300;
  TestHost host(settings);

  char product[kVstMaxProductStrLen + 8];
  std::memset(product, '#', sizeof product);
  EXPECT_EQ(Ask(host, audioMasterGetProductString, 0, 0, product), 1);
  EXPECT_EQ(std::strlen(product), size_t(kVstMaxProductStrLen - 1));
  EXPECT_EQ(product[kVstMaxProductStrLen], '#');  // nothing written past the nominal size

  char vendor[kVstMaxVendorStrLen] = {};
  EXPECT_EQ(Ask(host, audioMasterGetVendorString, 0, 0, vendor), 1);
  EXPECT_STREQ(vendor, "Lumenfold");
  EXPECT_EQ(Ask(host, audioMasterGetVendorVersion), 70300);
  EXPECT_EQ(Ask(host, audioMasterVersion), 2400);
  EXPECT_EQ(Ask(host, audioMasterGetProductString), 0);  // no buffer, no crash
}

TEST(TestHostTest, AnswersCapabilityQueriesAndRecordsTheirText) {
  TestHost host;
  char sizeWindow[] = "sizeWindow";
  char offline[] = "offline";
  char unknown[] = "somethingNew";
  EXPECT_EQ(Ask(host, audioMasterCanDo, 0, 0, sizeWindow), 1);
  EXPECT_EQ(Ask(host, audioMasterCanDo, 0, 0, offline), -1);
  EXPECT_EQ(Ask(host, audioMasterCanDo, 0, 0, unknown), 0);
  EXPECT_EQ(Ask(host, audioMasterCanDo), 0);
  host.SetCanDo("somethingNew", 1);
  EXPECT_EQ(Ask(host, audioMasterCanDo, 0, 0, unknown), 1);
  const auto calls = host.Recorder().CallsOf(audioMasterCanDo);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].text, "sizeWindow");
  EXPECT_EQ(calls[3].text, "");
}

TEST(TestHostTest, RecordsEditorCallsWithTheirArguments) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->Host().Recorder().Clear();
  probe->Dispatch(effVendorSpecific, kProbeCallHost, 0, nullptr, 0.625f);

  const auto calls = probe->Host().Recorder().Calls();
  std::vector<int32_t> opcodes;
  for (const auto& call : calls) opcodes.push_back(call.opcode);
  const std::vector<int32_t> expected = {audioMasterBeginEdit, audioMasterAutomate,      audioMasterEndEdit,
                                         audioMasterSizeWindow, audioMasterIOChanged,    audioMasterUpdateDisplay,
                                         audioMasterWantMidi,  audioMasterCanDo,         audioMasterProcessEvents};
  EXPECT_EQ(opcodes, expected);
  EXPECT_EQ(calls[1].opt, 0.625f);
  EXPECT_EQ(calls[3].index, 640);
  EXPECT_EQ(calls[3].value, 480);
  EXPECT_EQ(calls[3].answer, 1);
  EXPECT_EQ(probe->Host().RequestedWindowSize(), (std::pair<int32_t, int32_t>{640, 480}));

  probe->Host().SetAcceptSizeWindow(false);
  probe->Dispatch(effVendorSpecific, kProbeCallHost);
  EXPECT_EQ(probe->Host().Recorder().CallsOf(audioMasterSizeWindow).back().answer, 0);
}

TEST(TestHostTest, CopiesTheEventsAPlugInSends) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->Dispatch(effVendorSpecific, kProbeCallHost);
  const auto events = probe->Host().ReceivedEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kVstMidiType);
  EXPECT_EQ(events[0].deltaFrames, 3);
  EXPECT_EQ(events[0].bytes, (std::vector<uint8_t>{0x90, 60, 100}));
  EXPECT_EQ(events[1].type, kVstSysExType);
  EXPECT_EQ(events[1].deltaFrames, 5);
  EXPECT_EQ(events[1].bytes, (std::vector<uint8_t>{0xF0, 0x7D, 0x01, 0xF7}));
  probe->Host().ClearReceivedEvents();
  EXPECT_TRUE(probe->Host().ReceivedEvents().empty());
  TestHost host;
  EXPECT_EQ(Ask(host, audioMasterProcessEvents), 0);
}

// Runs one block through the probe and returns what it saw of the transport (flags 0 if null).
VstTimeInfo SeenTransport(VstPluginInstance& probe, intptr_t* level = nullptr, int32_t frames = 441) {
  AudioBuffers<float> in(2, frames), out(2, frames);
  EXPECT_TRUE(probe.ProcessReplacing(in, out));
  VstTimeInfo seen{};
  const intptr_t answer = probe.Dispatch(effVendorSpecific, kProbeLastTime, 0, &seen);
  if (level) *level = answer;
  return seen;
}

TEST(TestHostTest, HandsOutTheTransportItWasGivenAndMovesItOn) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(44100.0, 512);

  VstTimeInfo transport{};
  transport.samplePos = 1000.0;
  transport.ppqPos = 8.0;
  transport.tempo = 150.0;
  transport.timeSigNumerator = 3;
  transport.timeSigDenominator = 4;
  transport.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid;
  probe->Host().SetTransport(transport);

  const VstTimeInfo first = SeenTransport(*probe, nullptr, 4410);
  EXPECT_EQ(first.samplePos, 1000.0);
  EXPECT_EQ(first.sampleRate, 44100.0);
  EXPECT_EQ(first.tempo, 150.0);
  EXPECT_EQ(first.timeSigNumerator, 3);
  EXPECT_EQ(first.flags, transport.flags);

  // 4410 frames at 44.1 kHz and 150 bpm are a quarter of a beat.
  const VstTimeInfo second = SeenTransport(*probe);
  EXPECT_EQ(second.samplePos, 5410.0);
  EXPECT_DOUBLE_EQ(second.ppqPos, 8.25);
  EXPECT_DOUBLE_EQ(second.barStartPos, 6.0);

  transport.flags &= ~kVstTransportPlaying;
  probe->Host().SetTransport(transport);
  SeenTransport(*probe);
  EXPECT_EQ(probe->Host().Transport().samplePos, 1000.0);  // a stopped transport stays put

  probe->Host().SetTransportAvailable(false);
  EXPECT_EQ(SeenTransport(*probe).flags, 0);
  EXPECT_EQ(probe->Host().Recorder().CallsOf(audioMasterGetTime).back().answer, 0);
}

TEST(TestHostTest, ReportsTheProcessLevelOfTheCallingThread) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(48000.0, 512);
  intptr_t level = 0;
  SeenTransport(*probe, &level);
  EXPECT_EQ(level, kVstProcessLevelRealtime);
  EXPECT_EQ(probe->Host().Answer(probe->Effect(), audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, false),
            kVstProcessLevelUser);

  probe->Host().SetProcessLevel(kVstProcessLevelOffline);
  SeenTransport(*probe, &level);
  EXPECT_EQ(level, kVstProcessLevelOffline);
}

TEST(TestHostTest, ReportsTheRateAndBlockSizeItSet) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(96000.0, 64);
  EXPECT_EQ(Ask(probe->Host(), audioMasterGetSampleRate), 96000);
  EXPECT_EQ(Ask(probe->Host(), audioMasterGetBlockSize), 64);
  EXPECT_EQ(SeenTransport(*probe).sampleRate, 96000.0);
}

} // namespace
} // namespace kolmari::testhost::test
