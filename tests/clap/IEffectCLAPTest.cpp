// The binding in-process, with a small plug-in of known behaviour: where the editor's gestures go
// (into process while processing, through request_flush and flush otherwise), the fixed-seed
// extension, the editor's own resize requests, and the editor's pump on the host's timer and
// descriptor watch.
#include "ClapEventLists.h"
#include "ClapFixedSeed.h"
#include "ClapPosixFdSupport.h"
#include "ClapTestHost.h"
#include "FakeCanvas.h"
#include "IEffectCLAP.h"
#include "IEditorPump.h"
#include "Timer.h"

#include "ext/gui.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace lumen::clap_test {
namespace {

using kolmari::testhost::ClapInputEvents;
using lumen::test::FakeCanvas;
using kolmari::testhost::ClapOutputEvents;
using kolmari::testhost::ClapTestHost;

IEffectSettings Settings() {
  IEffectSettings s;
  s.nParams = 2;
  s.nPresets = 1;
  s.channelIO = "2-2";
  s.pluginName = "Gain";
  s.makerName = "Test";
  s.version = 0x00010000;
  s.hasEditor = true;
  s.editorWidth = 400;
  s.editorHeight = 300;
  s.minEditorWidth = 200;
  s.maxEditorWidth = 800;
  s.minEditorHeight = 150;
  s.maxEditorHeight = 600;
  return s;
}

// Output = input x parameter 0 (0..2); parameter 1 is a switch.
class GainEffect : public IEffectCLAP {
public:
  explicit GainEffect(const clap_host_t* host) : IEffectCLAP(Settings(), IInstanceInfo{host, nullptr}) {
    GetParam(0)->Init("Gain", 1.0, 0.0, 2.0, 0.01);
    GetParam(1)->Init("Bypass", 0.0, 0.0, 1.0, 1.0);
  }
  void ProcessBlock(double** inputs, double** outputs, int frames) override {
    const double gain = GetParam(0)->Value();
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i] * gain;
  }
  bool OnFixedSeed(std::optional<uint32_t> seed) override {
    lastSeed = seed;
    return true;
  }
  std::optional<uint32_t> lastSeed;
};

class IEffectCLAPTest : public ::testing::Test {
protected:
  void SetUp() override {
    ConfigureHost();
    effect = new GainEffect(host.Host());
    plugin = effect->Plugin();
    ASSERT_TRUE(plugin->init(plugin));
  }
  void TearDown() override {
    if (plugin) plugin->destroy(plugin);
  }
  virtual void ConfigureHost() {}

  clap_process_status Process(ClapInputEvents& events, float value = 1.0f) {
    for (int c = 0; c < 2; ++c)
      for (float& s : buffer[c]) s = value;
    float* channels[2] = {buffer[0], buffer[1]};
    clap_audio_buffer_t port{channels, nullptr, 2, 0, 0};
    clap_process_t process{};
    process.frames_count = 64;
    process.audio_inputs = &port;
    process.audio_outputs = &port;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 1;
    process.in_events = events.List();
    process.out_events = output.List();
    ClapTestHost::AudioScope audio(host);
    return plugin->process(plugin, &process);
  }

  ClapTestHost host;
  GainEffect* effect = nullptr;
  const clap_plugin_t* plugin = nullptr;
  ClapOutputEvents output;
  float buffer[2][64] = {};
};

TEST_F(IEffectCLAPTest, EditorGesturesOutsideProcessingGoThroughRequestFlush) {
  effect->BeginParamGestureFromEditor(0);
  effect->SetParamFromEditor(0, 0.75); // plain 1.5
  effect->EndParamGestureFromEditor(0);
  EXPECT_EQ(host.FlushRequests(), 3);
  EXPECT_EQ(host.DirtyMarks(), 1);
  const auto* params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
  ClapInputEvents none;
  params->flush(plugin, none.List(), output.List());
  ASSERT_EQ(output.Events().size(), 3u);
  EXPECT_EQ(output.Events()[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(output.Events()[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_DOUBLE_EQ(output.Events()[1].value, 1.5);
  EXPECT_EQ(output.Events()[2].type, CLAP_EVENT_PARAM_GESTURE_END);
  for (const auto& e : output.Events()) EXPECT_EQ(e.paramId, 0u);
  EXPECT_TRUE(host.Violations().empty());
}

TEST_F(IEffectCLAPTest, EditorGesturesWhileProcessingLeaveWithTheNextBlock) {
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 64));
  ASSERT_TRUE(plugin->start_processing(plugin));
  effect->BeginParamGestureFromEditor(0);
  effect->SetParamFromEditor(0, 0.25);
  effect->EndParamGestureFromEditor(0);
  EXPECT_EQ(host.FlushRequests(), 0);
  ClapInputEvents events;
  ASSERT_EQ(Process(events), CLAP_PROCESS_CONTINUE);
  ASSERT_EQ(output.Events().size(), 3u);
  EXPECT_DOUBLE_EQ(output.Events()[1].value, 0.5);
  EXPECT_FLOAT_EQ(buffer[0][0], 0.5f); // the editor's value is in force
  output.Clear();
  ASSERT_EQ(Process(events), CLAP_PROCESS_CONTINUE);
  EXPECT_TRUE(output.Events().empty()); // handed over once
}

TEST_F(IEffectCLAPTest, HostEventsSplitTheBlockAndReachTheEditorQueue) {
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 64));
  ASSERT_TRUE(plugin->start_processing(plugin));
  ClapInputEvents events;
  events.AddParamValue(10, 0, 2.0);
  events.AddParamValue(40, 0, 0.0);
  ASSERT_EQ(Process(events), CLAP_PROCESS_CONTINUE);
  EXPECT_FLOAT_EQ(buffer[0][9], 1.0f);
  EXPECT_FLOAT_EQ(buffer[0][10], 2.0f);
  EXPECT_FLOAT_EQ(buffer[1][39], 2.0f);
  EXPECT_FLOAT_EQ(buffer[1][40], 0.0f);
  EXPECT_FLOAT_EQ(buffer[1][63], 0.0f);
  EXPECT_TRUE(output.Events().empty());
}

TEST_F(IEffectCLAPTest, StepsAndBypassFollowTheParameters) {
  const auto* params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
  clap_param_info_t info{};
  ASSERT_TRUE(params->get_info(plugin, 0, &info));
  EXPECT_EQ(info.flags, static_cast<uint32_t>(CLAP_PARAM_IS_AUTOMATABLE));
  ASSERT_TRUE(params->get_info(plugin, 1, &info));
  EXPECT_EQ(info.flags, static_cast<uint32_t>(CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_BYPASS));
}

TEST_F(IEffectCLAPTest, FixedSeedExtensionReachesThePlugIn) {
  const auto* seed = static_cast<const clap_plugin_fixed_seed_t*>(plugin->get_extension(plugin, kClapExtFixedSeed));
  ASSERT_NE(seed, nullptr);
  EXPECT_TRUE(seed->set(plugin, true, 42));
  EXPECT_EQ(effect->lastSeed, 42u);
  EXPECT_TRUE(seed->set(plugin, false, 42));
  EXPECT_FALSE(effect->lastSeed);
}

TEST_F(IEffectCLAPTest, EditorResizeAsksTheHost) {
  EXPECT_TRUE(effect->EditorResizeRequest(600, 450, true));
  ASSERT_TRUE(host.RequestedSize());
  EXPECT_EQ(*host.RequestedSize(), std::make_pair(600u, 450u));
  host.SetAcceptResize(false);
  EXPECT_FALSE(effect->EditorResizeRequest(400, 300, true));
  EXPECT_EQ(effect->EditorWidth(), 400); // remembered either way: the host may still resize
}

// ---- The editor's pump ---------------------------------------------------------------------------

class ClapEditorPumpTest : public IEffectCLAPTest {
protected:
  // An editor that only counts its ticks, opened as a host opens it.
  FakeCanvas& OpenEditor() {
    effect->SetEditorFactory([] { return std::make_unique<FakeCanvas>(400, 300, 1.0f); });
    const auto* gui = static_cast<const clap_plugin_gui_t*>(plugin->get_extension(plugin, CLAP_EXT_GUI));
#if defined(_WIN32)
    const char* api = CLAP_WINDOW_API_WIN32;
#else
    const char* api = CLAP_WINDOW_API_X11;
#endif
    EXPECT_TRUE(gui->create(plugin, api, false));
    clap_window_t window{};
    window.api = api;
#if defined(_WIN32)
    window.win32 = this;
#else
    window.x11 = 1;
#endif
    EXPECT_TRUE(gui->set_parent(plugin, &window));
    return static_cast<FakeCanvas&>(*effect->Editor());
  }
  void FireTimer(clap_id id) {
    const auto* timers =
        static_cast<const clap_plugin_timer_support_t*>(plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
    timers->on_timer(plugin, id);
  }
  IEditorPump& Pump() { return *effect->EditorPump(); }
};

TEST_F(ClapEditorPumpTest, ItsTimerExistsBetweenRequestAndStopAndEachTickReachesTheEditorOnce) {
  EXPECT_TRUE(host.Timers().empty()) << "nothing registered before the editor asks";
  FakeCanvas& editor = OpenEditor();
  EXPECT_FALSE(Pump().StartTimer(0));
  ASSERT_TRUE(Pump().StartTimer(30));
  ASSERT_TRUE(Pump().StartTimer(16)); // a second request replaces the first
  ASSERT_EQ(host.Timers().size(), 1u);
  EXPECT_EQ(host.Timers().begin()->second, 16u);
  const clap_id id = host.Timers().begin()->first;
  // The surface fires the framework's timers in its tick; the binding must not fire them besides:
  // a timer due at every pump counts the pumps, and this surface makes none.
  int fired = 0;
  auto everyPump = Timer::Make([&](Timer&) { ++fired; }, 0);
  FireTimer(id);
  EXPECT_EQ(editor.idles, 1);
  EXPECT_EQ(fired, 0);
  FireTimer(id + 100); // not ours
  EXPECT_EQ(editor.idles, 1);
  Pump().StopTimer();
  EXPECT_TRUE(host.Timers().empty());
  FireTimer(id); // a host that fires once more after unregistering
  EXPECT_EQ(editor.idles, 1);
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}

TEST_F(ClapEditorPumpTest, DestroyGivesBackWhatIsStillRegistered) {
  OpenEditor();
  ASSERT_TRUE(Pump().StartTimer(16));
#if !defined(_WIN32)
  int fds[2] = {-1, -1};
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_TRUE(Pump().WatchDescriptor(fds[0]));
#endif
  plugin->destroy(plugin);
  plugin = nullptr;
  EXPECT_TRUE(host.Timers().empty());
#if !defined(_WIN32)
  EXPECT_TRUE(host.Descriptors().empty());
  close(fds[0]);
  close(fds[1]);
#endif
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}

class ClapEditorPumpWithoutServicesTest : public ClapEditorPumpTest {
protected:
  void ConfigureHost() override {
    host.SetOffersTimers(false);
    host.SetOffersDescriptors(false);
  }
};

TEST_F(ClapEditorPumpWithoutServicesTest, RequestsAnswerFalseAndRegisterNothing) {
  EXPECT_FALSE(Pump().StartTimer(16));
  EXPECT_FALSE(Pump().WatchDescriptor(0));
  Pump().StopTimer();
  Pump().StopWatching();
  EXPECT_TRUE(host.Timers().empty());
  EXPECT_TRUE(host.Descriptors().empty());
}

#if !defined(_WIN32)
// A pipe stands in for the X connection.
class ClapEditorPumpDescriptorTest : public ClapEditorPumpTest {
protected:
  void SetUp() override {
    ClapEditorPumpTest::SetUp();
    ASSERT_EQ(pipe(fds), 0);
    descriptors = static_cast<const clap_plugin_posix_fd_support_t*>(
        plugin->get_extension(plugin, CLAP_EXT_POSIX_FD_SUPPORT));
    ASSERT_NE(descriptors, nullptr);
  }
  void TearDown() override {
    ClapEditorPumpTest::TearDown();
    close(fds[0]);
    close(fds[1]);
  }

  int fds[2] = {-1, -1};
  const clap_plugin_posix_fd_support_t* descriptors = nullptr;
};

TEST_F(ClapEditorPumpDescriptorTest, AWatchedDescriptorTicksTheEditorUntilStopped) {
  FakeCanvas& editor = OpenEditor();
  EXPECT_FALSE(Pump().WatchDescriptor(-1));
  ASSERT_TRUE(Pump().WatchDescriptor(fds[0]));
  EXPECT_EQ(host.Descriptors(),
            (std::map<int, uint32_t>{{fds[0], CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR}}));
  descriptors->on_fd(plugin, fds[0], CLAP_POSIX_FD_READ);
  EXPECT_EQ(editor.idles, 1);
  descriptors->on_fd(plugin, fds[1], CLAP_POSIX_FD_READ); // not ours
  descriptors->on_fd(plugin, -1, CLAP_POSIX_FD_READ);
  EXPECT_EQ(editor.idles, 1);
  // Another descriptor replaces the first.
  ASSERT_TRUE(Pump().WatchDescriptor(fds[1]));
  EXPECT_EQ(host.Descriptors().count(fds[0]), 0u);
  EXPECT_EQ(host.Descriptors().count(fds[1]), 1u);
  Pump().StopWatching();
  EXPECT_TRUE(host.Descriptors().empty());
  descriptors->on_fd(plugin, fds[1], CLAP_POSIX_FD_READ);
  EXPECT_EQ(editor.idles, 1);
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}

TEST_F(ClapEditorPumpDescriptorTest, AFailedDescriptorIsGivenBackAndTheTimerGoesOn) {
  FakeCanvas& editor = OpenEditor();
  ASSERT_TRUE(Pump().StartTimer(16));
  ASSERT_TRUE(Pump().WatchDescriptor(fds[0]));
  // Level-triggered: a host would report a failed descriptor again at once, forever.
  descriptors->on_fd(plugin, fds[0], CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR);
  EXPECT_TRUE(host.Descriptors().empty());
  EXPECT_EQ(editor.idles, 0);
  FireTimer(host.Timers().begin()->first);
  EXPECT_EQ(editor.idles, 1);
  Pump().StopWatching(); // given back already: nothing to do
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}
#endif

} // namespace
} // namespace lumen::clap_test
