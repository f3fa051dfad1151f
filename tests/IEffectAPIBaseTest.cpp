// The host-API base: identity, host identification, traffic between host, editor and processor
// through the queues, and the idle timer's tick.
#include "FakeCanvas.h"
#include "TestEffect.h"
#include "TimerPump.h"
#include "Trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace lumen::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

TEST(EffectIdentity, TextsAreCutTo128CharactersAndSizeLimitsOrdered) {
  const std::string longName(200, 'n');
  IEffectSettings s = TestSettings(1, 1, true);
  s.pluginName = longName.c_str();
  s.makerName = nullptr;
  s.minEditorWidth = 900;
  s.maxEditorWidth = 100;
  IEffectAPIBase effect(s, PluginApi::AU);
  EXPECT_EQ(effect.PluginName(), std::string(128, 'n'));
  EXPECT_EQ(effect.ProductName(), "Test Product");
  EXPECT_EQ(effect.MakerName(), "");
  EXPECT_EQ(effect.MinEditorWidth(), 100);
  EXPECT_EQ(effect.MaxEditorWidth(), 900);
  EXPECT_EQ(effect.EditorWidth(), 400);
  EXPECT_EQ(effect.Host(), HostId::Unidentified);
  EXPECT_STREQ(effect.ApiName(), "AU");
  EXPECT_TRUE(std::regex_match(effect.TraceStamp(), std::regex("[0-9]{8} [0-9]{2}:[0-9]{2} [-+][0-9]{4}")))
      << effect.TraceStamp();
}

TEST(EffectIdentity, ApiNames) {
  const char* names[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP", "LV2"};
  for (int i = 0; i < 10; ++i) EXPECT_STREQ(ApiName(static_cast<PluginApi>(i)), names[i]);
  EXPECT_STREQ(ApiName(static_cast<PluginApi>(10)), "");
  EXPECT_STREQ(ApiName(static_cast<PluginApi>(-1)), "");
}

TEST(TraceStamp, LocalTimeWithSignedUtcOffset) {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 0;
  t.tm_mday = 31;
  t.tm_hour = 9;
  t.tm_min = 5;
  EXPECT_EQ(FormatTraceTimeStamp(t, 60), "20240131 09:05 +0100");
  EXPECT_EQ(FormatTraceTimeStamp(t, -330), "20240131 09:05 -0530");
  EXPECT_EQ(FormatTraceTimeStamp(t, 0), "20240131 09:05 +0000");
}

struct HostKeyRow {
  const char* key;
  int id;
};

// The binding order of the host table.
const HostKeyRow kHostKeys[] = {
    {"reaper", 1},         {"protools", 2},         {"cubase", 3},
    {"nuendo", 4},         {"cakewalk", 5},         {"vegas", 6},
    {"fruity", 7},         {"samplitude", 8},       {"live", 9},
    {"tracktion", 10},     {"ntracks", 11},         {"melodyne", 12},
    {"vstmanlib", 13},     {"aulab", 14},           {"forte", 15},
    {"chainer", 16},       {"audition", 17},        {"orion", 18},
    {"bias", 19},          {"sawstudio", 20},       {"logic", 21},
    {"garageband", 22},    {"digital", 23},         {"audiomulch", 25},
    {"presonus", 26},      {"vst3plugintesthost", 27}, {"ardour", 28},
    {"renoise", 29},       {"openmpt", 30},         {"wavelab elements", 32},
    {"wavelab", 31},       {"twistedwave", 33},     {"bitwig studio", 34},
    {"reason", 36},        {"gwvst", 37},           {"waveform", 38},
    {"audacity", 39},      {"acoustica", 40},       {"plugindoctor", 41},
    {"izotope rx", 42},    {"savihost", 43},        {"blue cat's vst host", 44},
    {"standalone", 24},    {"www", 35},
};

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

TEST(HostTable, EveryKeyInAnyCaseAndSurroundedByOtherText) {
  ASSERT_EQ(std::size(kHostKeys), 44u);
  for (const HostKeyRow& row : kHostKeys) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(HostFromProduct(row.key), static_cast<HostId>(row.id));
    EXPECT_EQ(HostFromProduct(Upper(row.key).c_str()), static_cast<HostId>(row.id));
    EXPECT_EQ(HostFromProduct(("x " + std::string(row.key) + " 12.1").c_str()), static_cast<HostId>(row.id));
  }
}

TEST(HostTable, EarlierKeysWinAndUnknownProductsAreZero) {
  EXPECT_EQ(HostFromProduct("REAPER"), HostId::Reaper);
  EXPECT_EQ(HostFromProduct("Cubase 12"), HostId::Cubase);
  EXPECT_EQ(HostFromProduct("WaveLab Elements 11"), HostId::WaveLabElements);
  EXPECT_EQ(HostFromProduct("WaveLab Pro 11"), HostId::WaveLab);
  EXPECT_EQ(HostFromProduct("Ableton Live 11"), HostId::Live);
  EXPECT_EQ(HostFromProduct("Deliverance Studio"), HostId::Live);
  EXPECT_EQ(HostFromProduct("Reaper Live"), HostId::Reaper);
  EXPECT_EQ(HostFromProduct("Tracktion Waveform"), HostId::Tracktion); // "waveform" comes later
  EXPECT_EQ(HostFromProduct(""), HostId::Unknown);
  EXPECT_EQ(HostFromProduct(nullptr), HostId::Unknown);
  EXPECT_EQ(HostFromProduct("Some Other Host"), HostId::Unknown);
  // Only the first 255 characters are looked at.
  EXPECT_EQ(HostFromProduct((std::string(255, ' ') + "reaper").c_str()), HostId::Unknown);
  EXPECT_EQ(HostFromProduct((std::string(249, ' ') + "reaper").c_str()), HostId::Reaper);
}

TEST(HostTable, SetHostIdentifiesThenAdaptsThenAnnounces) {
  TestEffect effect;
  effect.SetHost("Cubase 12", 0x00020A03);
  EXPECT_EQ(effect.Host(), HostId::Cubase);
  EXPECT_EQ(effect.HostVersion(), 0x00020A03);
  EXPECT_THAT(effect.TakeLog(), ElementsAre("adapt", "host known"));
  effect.SetHost(nullptr, 0);
  EXPECT_EQ(effect.Host(), HostId::Unknown);

  EXPECT_EQ(IEffectAPIBase::VersionText(0x00020A03), "v2.10.3");
  EXPECT_EQ(IEffectAPIBase::VersionText(0x00010105), "v1.1.5");
  EXPECT_EQ(IEffectAPIBase::VersionText(0), "v0.0.0");
  EXPECT_EQ(IEffectAPIBase::VersionText(-1), "v65535.255.255");
}

TEST(EditorTraffic, ValueFromTheEditorSetsTheParameterAutomatesAndReportsItOnce) {
  TestEffect effect;
  effect.SetParamFromEditor(2, 0.75);
  EXPECT_EQ(effect.GetParam(2)->Value(), 25.0);
  EXPECT_THAT(effect.TakeLog(), ElementsAre("automate 2 0.750", "change 2 UI -1", "editor 2 UI"));
  effect.SetParamFromEditor(9, 0.75);
  effect.SetParamFromEditor(-1, 0.75);
  EXPECT_THAT(effect.TakeLog(), IsEmpty());
}

TEST(EditorTraffic, GesturesAnnounceAllResizeAndMessages) {
  TestEffect effect(3);
  effect.BeginParamGestureFromEditor(1);
  effect.EndParamGestureFromEditor(1);
  effect.BeginParamGestureFromEditor(3); // no such parameter
  effect.AnnounceAllParamsToHost();
  EXPECT_TRUE(effect.EditorResizeRequest(100, 50, false));
  // Resized by the host already: only remembered, for the host's next question for the rectangle.
  EXPECT_EQ(effect.EditorWidth(), 100);
  EXPECT_EQ(effect.EditorHeight(), 50);
  EXPECT_FALSE(effect.EditorResizeRequest(100, 50, true));
  effect.resizeResult = true;
  EXPECT_TRUE(effect.EditorResizeRequest(120, 60, true));
  effect.SendMessageFromEditor(1, 2, 3, nullptr);
  EXPECT_THAT(effect.TakeLog(), ElementsAre("begin 1", "end 1", "automate 0 0.500", "automate 1 0.510",
                                            "automate 2 0.520", "resize 100x50", "resize 120x60", "message 1 2 3"));
}

TEST(EditorTraffic, TimerTickDrainsParametersThenMidiThenSysExThenIdles) {
  TestEffect effect;
  const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
  effect.QueueSysExForEditor(ISysExMessage{0, 3, sysex});
  effect.QueueMidiForEditor(IMidiMessage{0, 0x90, 60, 100});
  effect.SendParamValueToEditor(1, 0.5, true);
  effect.SendParamValueToEditor(4, 10.0, false);
  effect.SendParamValueToEditor(12, 10.0, false); // no such parameter: not queued
  effect.OnTimer();
  EXPECT_THAT(effect.TakeLog(), ElementsAre("editor 1 Editor Delegate", "editor 4 Editor Delegate", "midi 144",
                                            "sysex 3 240", "idle"));
  effect.OnTimer();
  EXPECT_THAT(effect.TakeLog(), ElementsAre("idle"));
}

TEST(EditorTraffic, WithoutAnEditorTheTimerOnlyIdles) {
  TestEffect effect(9, 1, false);
  effect.SendParamValueToEditor(1, 0.5, true);
  effect.QueueMidiForEditor(IMidiMessage{0, 0x90, 60, 100});
  effect.OnTimer();
  EXPECT_THAT(effect.TakeLog(), ElementsAre("idle"));
}

TEST(EditorTraffic, The513thQueuedValueIsDroppedAndTheFirst512ArriveInOrder) {
  TestEffect effect;
  effect.SetEditorFactory([] { return std::make_unique<FakeCanvas>(400, 300, 1.0f); });
  effect.OpenEditor(nullptr);
  auto& surface = static_cast<FakeCanvas&>(*effect.Editor());
  FakeControl& control = surface.Add({0});

  std::vector<double> sent;
  for (int i = 0; i < 513; ++i) {
    sent.push_back(-50.0 + i * (100.0 / 512.0));
    effect.SendParamValueToEditor(0, sent.back(), false);
  }
  effect.OnTimer();
  ASSERT_EQ(control.received.size(), 512u);
  for (size_t i = 0; i < 512; ++i) {
    ASSERT_EQ(control.received[i].second, effect.GetParam(0)->NormalizeValue(sent[i])) << i;
  }
  control.received.clear();
  effect.OnTimer();
  EXPECT_THAT(control.received, IsEmpty());
}

TEST(EditorTraffic, OpeningTheEditorDropsWhatWaitedForItWhileClosed) {
  // A host that automates while no editor is open fills the queue (nothing drains it then), which
  // keeps its oldest values; the editor learns the current ones as it opens, and the old ones must
  // not follow and undo that.
  TestEffect effect;
  effect.SetEditorFactory([] { return std::make_unique<FakeCanvas>(400, 300, 1.0f); });
  for (int i = 0; i < 600; ++i) effect.SendParamValueToEditor(0, -50.0 + i * 0.1, false);
  effect.QueueMidiForEditor(IMidiMessage{0, 0x90, 60, 100});
  const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
  effect.QueueSysExForEditor(ISysExMessage{0, 3, sysex});
  int parent = 0;
  effect.OpenEditor(&parent);
  FakeControl& control = static_cast<FakeCanvas&>(*effect.Editor()).Add({0});
  effect.TakeLog();
  effect.OnTimer();
  EXPECT_THAT(control.received, IsEmpty());
  EXPECT_THAT(effect.TakeLog(), ElementsAre("idle"));
  // What comes while it is open arrives as before.
  effect.SendParamValueToEditor(0, 10.0, false);
  effect.OnTimer();
  ASSERT_EQ(control.received.size(), 1u);
  EXPECT_EQ(control.received[0].second, effect.GetParam(0)->NormalizeValue(10.0));
  effect.CloseEditor();
}

TEST(EditorTraffic, MidiFromTheEditorQueuesForTheAudioThreadUpTo32) {
  TestEffect effect;
  for (int i = 0; i < 33; ++i) effect.SendMidiFromEditor(IMidiMessage{i, 0xB0, 1, 0});
  IMidiMessage m;
  std::vector<int> offsets;
  while (effect.PopMidiFromEditor(m)) offsets.push_back(m.offset);
  ASSERT_EQ(offsets.size(), 32u);
  EXPECT_EQ(offsets.front(), 0);
  EXPECT_EQ(offsets.back(), 31);
}

TEST(EditorTraffic, SysExFromTheEditorKeepsAtMost512BytesAndASizeThatMatches) {
  TestEffect effect;
  std::vector<uint8_t> big(600);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  effect.SendSysExFromEditor(ISysExMessage{5, 600, big.data()});
  effect.SendSysExFromEditor(ISysExMessage{6, 10, nullptr});
  effect.SendSysExFromEditor(ISysExMessage{7, -3, big.data()});
  effect.SendSysExFromEditor(ISysExMessage{8, 2, big.data()});
  effect.SendSysExFromEditor(ISysExMessage{9, 2, big.data()}); // the fifth: dropped

  SysExRecord r;
  ASSERT_TRUE(effect.PopSysExFromEditor(r));
  EXPECT_EQ(r.offset, 5);
  EXPECT_EQ(r.size, 512);
  EXPECT_TRUE(std::equal(r.data, r.data + 512, big.begin()));
  ASSERT_TRUE(effect.PopSysExFromEditor(r));
  EXPECT_EQ(r.size, 10);
  EXPECT_TRUE(std::all_of(r.data, r.data + 512, [](uint8_t b) { return b == 0; }));
  ASSERT_TRUE(effect.PopSysExFromEditor(r));
  EXPECT_EQ(r.size, 0);
  ASSERT_TRUE(effect.PopSysExFromEditor(r));
  EXPECT_EQ(r.offset, 8);
  EXPECT_FALSE(effect.PopSysExFromEditor(r));
}

TEST(IdleTimer, TheRunningTimerTicksOnTimer) {
  TestEffect effect;
  effect.StartIdleTimer();
  LetTimersRun(std::chrono::milliseconds(100));
  EXPECT_THAT(effect.TakeLog(), Contains("idle"));
}

TEST(IdleTimer, MovesToTheThreadThatOpensTheEditor) {
  // Hosts may make the plug-in on one thread and run its editor on another; the timer that feeds
  // the editor fires only on the thread that made it, so it follows the editor.
  TestEffect effect;
  effect.SetEditorFactory([] { return std::make_unique<FakeCanvas>(400, 300, 1.0f); });
  std::thread([&] { effect.StartIdleTimer(); }).join();
  LetTimersRun(std::chrono::milliseconds(100));
  EXPECT_THAT(effect.TakeLog(), Not(Contains("idle")));
  int parent = 0;
  effect.OpenEditor(&parent);
  LetTimersRun(std::chrono::milliseconds(100));
  EXPECT_THAT(effect.TakeLog(), Contains("idle"));
  effect.CloseEditor();
}

} // namespace
} // namespace lumen::test
