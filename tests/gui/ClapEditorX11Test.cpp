// Kolmari.clap's editor under the CLAP GUI protocol in an X11 window: created, embedded, shown,
// sized and destroyed as CLAP hosts do it, run only by the host's timer, or only by its watch on the
// editor's X connection; a knob drag reaches the host as gesture and value events. Runs inside an X
// server of its own (xvfb-run).
#include "ClapPluginInstance.h"
#include "ClapPosixFdSupport.h"
#include "X11HostWindow.h"

#include "FactoryPreset.h"

#include "ext/gui.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kolmari::gui::clap_test {
namespace {

using lumen::canvas::X11HostWindow;
using testhost::ClapPluginInstance;

constexpr uint32_t kWidth = 815; // the editor's first size (1630 x 1010 at draw scale 0.5)
constexpr uint32_t kHeight = 505;
constexpr int kInputGainX = 130, kInputGainY = 169;

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::unique_ptr<ClapPluginInstance> LoadClap(const std::function<void(testhost::ClapTestHost&)>& configure = {}) {
  std::string error;
  std::unique_ptr<ClapPluginInstance> plugin;
  if (auto library = testhost::ClapPluginLibrary::Load(KOLMARI_CLAP_BINARY, error))
    plugin = ClapPluginInstance::Create(library, error, "", configure);
  EXPECT_TRUE(plugin) << error;
  return plugin;
}

const clap_plugin_gui_t* Gui(ClapPluginInstance& plugin) {
  return plugin.ExtensionAs<clap_plugin_gui_t>(CLAP_EXT_GUI);
}

// The host's timer ticks, and its loop reports the watched descriptors, for a while, as its UI
// loop does.
void Tick(ClapPluginInstance& plugin, int milliseconds = 150) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    plugin.FireTimers();
    plugin.FireDescriptors();
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
}

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

bool Embed(ClapPluginInstance& plugin, const X11HostWindow& host) {
  const clap_plugin_gui_t* gui = Gui(plugin);
  const clap_plugin_t* p = plugin.Plugin();
  if (!gui->create(p, CLAP_WINDOW_API_X11, false)) return false;
  clap_window_t window{};
  window.api = CLAP_WINDOW_API_X11;
  window.x11 = host.Id();
  return gui->set_parent(p, &window) && gui->show(p);
}

TEST(ClapEditorX11, ApiAndSizeBeforeTheWindowOpens) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  const clap_plugin_gui_t* gui = Gui(*plugin);
  ASSERT_NE(gui, nullptr);
  const clap_plugin_t* p = plugin->Plugin();
  EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, true));
  EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
  EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
  EXPECT_FALSE(floating);
  EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_WIN32, false));
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(gui->get_size(p, &w, &h)); // nothing created yet
  ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->get_size(p, &w, &h));
  EXPECT_EQ(w, kWidth);
  EXPECT_EQ(h, kHeight);
  EXPECT_TRUE(gui->can_resize(p));
  clap_gui_resize_hints_t hints{};
  ASSERT_TRUE(gui->get_resize_hints(p, &hints));
  EXPECT_TRUE(hints.preserve_aspect_ratio);
  EXPECT_EQ(hints.aspect_ratio_width * kHeight, hints.aspect_ratio_height * kWidth);
  // Sizes are brought to the editor's shape and limits.
  for (auto [askW, askH] : {std::pair{1000u, 1000u}, std::pair{100u, 100u}, std::pair{9000u, 9000u}}) {
    uint32_t aw = askW, ah = askH;
    ASSERT_TRUE(gui->adjust_size(p, &aw, &ah));
    EXPECT_LE(aw, std::max(askW, kWidth));
    EXPECT_NEAR(static_cast<double>(aw) / ah, static_cast<double>(kWidth) / kHeight, 0.01);
    EXPECT_GE(aw, kWidth);
    EXPECT_LE(aw, 3260u);
  }
  gui->destroy(p);
}

TEST(ClapEditorX11, TwentyCreateEmbedShowDestroyCyclesLeaveNothingBehind) {
  auto host = X11HostWindow::Create(static_cast<int>(kWidth), static_cast<int>(kHeight));
  ASSERT_TRUE(host);
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  const clap_plugin_gui_t* gui = Gui(*plugin);
  int descriptors = -1;
  for (int cycle = 0; cycle < 20; ++cycle) {
    ASSERT_TRUE(Embed(*plugin, *host)) << cycle;
    // The open editor runs on one host timer at its tick and on its X connection's descriptor.
    const auto timers = plugin->Host().Timers();
    ASSERT_EQ(timers.size(), 1u) << cycle;
    EXPECT_EQ(timers.begin()->second, 16u);
    const auto watched = plugin->Host().Descriptors();
    ASSERT_EQ(watched.size(), 1u) << cycle;
    struct stat info {};
    EXPECT_EQ(fstat(watched.begin()->first, &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_TRUE(watched.begin()->second & CLAP_POSIX_FD_READ);
    Tick(*plugin, 40);
    host->Sync();
    EXPECT_EQ(host->ChildCount(), 1) << cycle;
    int w = 0, h = 0;
    ASSERT_TRUE(host->ChildSize(w, h));
    EXPECT_EQ(w, static_cast<int>(kWidth));
    EXPECT_EQ(h, static_cast<int>(kHeight));
    EXPECT_TRUE(gui->hide(plugin->Plugin()));
    gui->destroy(plugin->Plugin());
    EXPECT_TRUE(plugin->Host().Timers().empty()) << cycle;
    EXPECT_TRUE(plugin->Host().Descriptors().empty()) << cycle;
    host->Sync();
    EXPECT_EQ(host->ChildCount(), 0) << cycle;
    if (cycle == 1) descriptors = OpenDescriptors();
  }
  EXPECT_LE(OpenDescriptors(), descriptors + 1);
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
}

TEST(ClapEditorX11, HostResizeIsFollowedWithinTheShape) {
  auto host = X11HostWindow::Create(1630, 1010);
  ASSERT_TRUE(host);
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  ASSERT_TRUE(Embed(*plugin, *host));
  const clap_plugin_gui_t* gui = Gui(*plugin);
  uint32_t w = 1630, h = 1010;
  ASSERT_TRUE(gui->adjust_size(plugin->Plugin(), &w, &h));
  ASSERT_TRUE(gui->set_size(plugin->Plugin(), w, h));
  Tick(*plugin, 100);
  host->Sync();
  int cw = 0, ch = 0;
  ASSERT_TRUE(host->ChildSize(cw, ch));
  EXPECT_EQ(cw, static_cast<int>(w));
  EXPECT_EQ(ch, static_cast<int>(h));
  uint32_t gw = 0, gh = 0;
  ASSERT_TRUE(gui->get_size(plugin->Plugin(), &gw, &gh));
  EXPECT_EQ(gw, w);
  EXPECT_EQ(gh, h);
  gui->destroy(plugin->Plugin());
}

// A knob dragged while the plug-in is not processing: the host is asked for a flush and gets the
// gesture there; while processing, the next process call hands it over.
TEST(ClapEditorX11, KnobDragReachesTheHostAsGestureEvents) {
  auto host = X11HostWindow::Create(static_cast<int>(kWidth), static_cast<int>(kHeight));
  ASSERT_TRUE(host);
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  ASSERT_TRUE(Embed(*plugin, *host));
  Tick(*plugin, 200);
  const std::string window = std::to_string(host->Id());
  const auto at = [&](int x, int y, const std::string& action) {
    return Shell("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                 action);
  };
  ASSERT_EQ(at(kInputGainX, kInputGainY, "mousedown 1"), 0);
  Tick(*plugin, 60);
  ASSERT_EQ(at(kInputGainX, kInputGainY - 30, ""), 0);
  Tick(*plugin, 60);
  ASSERT_EQ(at(kInputGainX, kInputGainY - 30, "mouseup 1"), 0);
  Tick(*plugin, 100);
  EXPECT_GT(plugin->Host().FlushRequests(), 0);
  plugin->FlushEvents();
  const auto& events = plugin->OutputEvents();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(events.front().paramId, 4u);
  EXPECT_EQ(events.back().type, CLAP_EVENT_PARAM_GESTURE_END);
  bool sawValue = false;
  for (const auto& e : events) {
    if (e.type != CLAP_EVENT_PARAM_VALUE) continue;
    sawValue = true;
    EXPECT_EQ(e.paramId, 4u);
    EXPECT_GT(e.value, 32.0); // dragged up from the default
  }
  EXPECT_TRUE(sawValue);
  EXPECT_GT(plugin->ParamValue(4).value(), 32.0);
  Gui(*plugin)->destroy(plugin->Plugin());
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
}

// The preset bar's next arrow loads the second factory preset: each parameter it changes reaches
// the host as a gesture of its own (begin, value, end), and the plug-in holds the preset's values.
TEST(ClapEditorX11, ThePresetBarLoadsAPresetAsAGesturePerChangedParameter) {
  const auto& presets = lumen::PluginFactoryPresets();
  ASSERT_GT(presets.size(), 1u);
  auto host = X11HostWindow::Create(static_cast<int>(kWidth), static_cast<int>(kHeight));
  ASSERT_TRUE(host);
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  ASSERT_TRUE(Embed(*plugin, *host));
  Tick(*plugin, 200);
  std::vector<double> before;
  for (uint32_t i = 0; i < 9; ++i) before.push_back(plugin->ParamValue(i).value_or(-1.0));
  plugin->FlushEvents();
  plugin->ClearOutputEvents();
  ASSERT_EQ(Shell("xdotool mousemove --window " + std::to_string(host->Id()) + " 558 200 click 1"), 0);
  Tick(*plugin, 200);
  plugin->FlushEvents();
  const auto& events = plugin->OutputEvents();
  size_t changed = 0;
  for (uint32_t i = 0; i < 9; ++i) {
    const double now = plugin->ParamValue(i).value_or(-1.0);
    EXPECT_DOUBLE_EQ(now, presets[1].values[i]) << "parameter " << i;
    if (now != before[i]) ++changed;
  }
  ASSERT_GT(changed, 0u);
  ASSERT_EQ(events.size(), 3 * changed);
  for (size_t k = 0; k + 2 < events.size(); k += 3) {
    EXPECT_EQ(events[k].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(events[k + 1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(events[k + 2].type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(events[k].paramId, events[k + 2].paramId);
  }
  Gui(*plugin)->destroy(plugin->Plugin());
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
}

// A host with a descriptor watch and no timer: the editor's input arrives through the watch alone
// (this process runs no GLib loop, so the editor has no timeout of its own either).
TEST(ClapEditorX11, ASwitchClickedReachesTheHostThroughTheDescriptorWatchAlone) {
  auto host = X11HostWindow::Create(static_cast<int>(kWidth), static_cast<int>(kHeight));
  ASSERT_TRUE(host);
  auto plugin = LoadClap([](testhost::ClapTestHost& h) { h.SetOffersTimers(false); });
  ASSERT_TRUE(plugin);
  ASSERT_TRUE(Embed(*plugin, *host));
  EXPECT_TRUE(plugin->Host().Timers().empty());
  ASSERT_EQ(plugin->Host().Descriptors().size(), 1u);
  Tick(*plugin, 200);
  constexpr clap_id kDelta = 3;
  constexpr int kDeltaX = 784, kDeltaY = 418;
  ASSERT_EQ(plugin->ParamValue(kDelta).value(), 0.0);
  ASSERT_EQ(Shell("xdotool mousemove --window " + std::to_string(host->Id()) + " " + std::to_string(kDeltaX) + " " +
                  std::to_string(kDeltaY) + " click 1"),
            0);
  // Only the descriptor calls the plug-in here; the reports stop once the editor has read them.
  int reports = 0;
  for (int turn = 0; turn < 100 && plugin->ParamValue(kDelta).value() == 0.0; ++turn) {
    reports += plugin->FireDescriptors();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GT(reports, 0);
  EXPECT_EQ(plugin->ParamValue(kDelta).value(), 1.0);
  EXPECT_GT(plugin->Host().FlushRequests(), 0);
  Gui(*plugin)->destroy(plugin->Plugin());
  EXPECT_TRUE(plugin->Host().Descriptors().empty());
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
}

} // namespace
} // namespace kolmari::gui::clap_test
