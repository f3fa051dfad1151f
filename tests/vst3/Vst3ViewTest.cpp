// The editor's view in X11 windows under an X server of the test's own: platform types, the host's
// run loop carrying every editor task, content scale, size constraints, and attach/remove cycles
// that leave no reference or registration behind.
#include "Vst3Support.h"

#include "X11HostWindow.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kolmari::vst3::test {
namespace {

using lumen::canvas::X11HostWindow;

class Vst3ViewTest : public ::testing::Test {
protected:
  std::shared_ptr<Vst3Module> module = LoadModule();
  Vst3Plugin plugin{module};

  v3_plugin_view** MakeView() {
    return plugin.ControllerMethods().create_view(plugin.Controller(), "editor");
  }
  static auto& View(v3_plugin_view** v) { return Methods<v3_plugin_view_cpp>(v).view; }
  static void PumpFor(RunLoop& loop, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      loop.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
  }
};

TEST_F(Vst3ViewTest, SpeaksX11EmbeddingOnly) {
  EXPECT_EQ(plugin.ControllerMethods().create_view(plugin.Controller(), "other"), nullptr);
  auto** view = MakeView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(View(view).is_platform_type_supported(view, "X11EmbedWindowID"), V3_TRUE);
  EXPECT_NE(View(view).is_platform_type_supported(view, "HWND"), V3_TRUE);
  EXPECT_NE(View(view).is_platform_type_supported(view, nullptr), V3_TRUE);
  EXPECT_NE(View(view).attached(view, reinterpret_cast<void*>(1), "HWND"), V3_OK);
  EXPECT_EQ(View(view).can_resize(view), V3_TRUE);
  EXPECT_EQ(Unref(view), 0u);
}

TEST_F(Vst3ViewTest, SizeConstraintsKeepTheAspectRatioWithinTheLimits) {
  auto** view = MakeView();
  ASSERT_NE(view, nullptr);
  v3_view_rect size{};
  ASSERT_EQ(View(view).get_size(view, &size), V3_OK);
  const double aspect = static_cast<double>(size.bottom) / size.right;
  for (v3_view_rect r : {v3_view_rect{0, 0, 1000, 1000}, v3_view_rect{0, 0, 3000, 200}, v3_view_rect{0, 0, 10, 10},
                         v3_view_rect{0, 0, 100000, 100000}}) {
    ASSERT_EQ(View(view).check_size_constraint(view, &r), V3_OK);
    EXPECT_NEAR(static_cast<double>(r.bottom) / r.right, aspect, 2e-3) << r.right << "x" << r.bottom;
    EXPECT_GE(r.right, 815);
    EXPECT_LE(r.right, 3260);
  }
  EXPECT_EQ(Unref(view), 0u);
}

TEST_F(Vst3ViewTest, TwentyAttachAndRemoveCyclesRunOnTheHostsLoopAndLeaveNothingBehind) {
  auto window = X11HostWindow::Create(1700, 1100);
  ASSERT_TRUE(window) << "no X display";
  PlugFrame frame;
  for (int cycle = 0; cycle < 20; ++cycle) {
    auto** view = MakeView();
    ASSERT_NE(view, nullptr);
    // A second view while one exists: none.
    EXPECT_EQ(MakeView(), nullptr);
    v3_plugin_view_content_scale_cpp** scale = nullptr;
    ASSERT_EQ(Methods<v3_plugin_view_cpp>(view).query_interface(view, v3_plugin_view_content_scale_iid,
                                                                reinterpret_cast<void**>(&scale)),
              V3_OK);
    // Content scale may come before the view is attached.
    EXPECT_EQ((*scale)->scale.set_content_scale_factor(scale, 1.0f), V3_OK);
    EXPECT_NE((*scale)->scale.set_content_scale_factor(scale, 0.0f), V3_OK);
    ASSERT_EQ(View(view).set_frame(view, frame.As<v3_plugin_frame>()), V3_OK);
    ASSERT_EQ(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK);
    EXPECT_NE(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK); // once only
    // The editor lives on the host's loop: one timer at its tick and the X connection's descriptor.
    ASSERT_EQ(frame.loop.timers.size(), 1u);
    EXPECT_EQ(frame.loop.timers[0].period, std::chrono::milliseconds(16));
    ASSERT_EQ(frame.loop.handlers.size(), 1u);
    struct stat info {};
    EXPECT_EQ(fstat(frame.loop.handlers[0].fd, &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    PumpFor(frame.loop, cycle == 0 ? 300 : 40);
    int w = 0;
    int h = 0;
    if (cycle == 0) {
      window->Sync();
      ASSERT_TRUE(window->ChildSize(w, h));
      v3_view_rect size{};
      ASSERT_EQ(View(view).get_size(view, &size), V3_OK);
      EXPECT_EQ(w, size.right);
      EXPECT_EQ(h, size.bottom);
      // The host resizes its window within the constraints; the editor follows.
      v3_view_rect smaller{0, 0, 1000, 1000};
      ASSERT_EQ(View(view).check_size_constraint(view, &smaller), V3_OK);
      ASSERT_EQ(View(view).on_size(view, &smaller), V3_OK);
      PumpFor(frame.loop, 100);
      window->Sync();
      ASSERT_TRUE(window->ChildSize(w, h));
      EXPECT_NEAR(w, smaller.right, 2);
      EXPECT_NEAR(h, smaller.bottom, 2);
    }
    EXPECT_EQ(View(view).removed(view), V3_OK);
    EXPECT_TRUE(frame.loop.timers.empty());
    EXPECT_TRUE(frame.loop.handlers.empty());
    EXPECT_EQ(frame.loop.References(), 1);
    Unref(scale);
    EXPECT_EQ(Unref(view), 0u);
    EXPECT_EQ(frame.References(), 1);
  }
  window->Sync();
  EXPECT_EQ(window->ChildCount(), 0);
}

TEST_F(Vst3ViewTest, WithoutARunLoopOrAFrameTheViewStillAttachesAndRemoves) {
  auto window = X11HostWindow::Create(1700, 1100);
  ASSERT_TRUE(window) << "no X display";
  PlugFrame frame;
  frame.offersRunLoop = false;
  for (bool withFrame : {true, false}) {
    auto** view = MakeView();
    ASSERT_NE(view, nullptr);
    if (withFrame) {
      ASSERT_EQ(View(view).set_frame(view, frame.As<v3_plugin_frame>()), V3_OK);
    }
    ASSERT_EQ(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK) << withFrame;
    window->Sync();
    EXPECT_EQ(window->ChildCount(), 1);
    EXPECT_EQ(View(view).removed(view), V3_OK);
    EXPECT_EQ(Unref(view), 0u);
    window->Sync();
    EXPECT_EQ(window->ChildCount(), 0);
  }
  EXPECT_TRUE(frame.loop.timers.empty());
  EXPECT_TRUE(frame.loop.handlers.empty());
  EXPECT_EQ(frame.loop.References(), 1);
  EXPECT_EQ(frame.References(), 1);
}

TEST_F(Vst3ViewTest, ContentScaleBeforeAndWhileOpenSetsTheEditorsSize) {
  auto window = X11HostWindow::Create(1700, 1100);
  ASSERT_TRUE(window) << "no X display";
  PlugFrame frame;
  auto** view = MakeView();
  ASSERT_NE(view, nullptr);
  v3_plugin_view_content_scale_cpp** scale = nullptr;
  ASSERT_EQ(Methods<v3_plugin_view_cpp>(view).query_interface(view, v3_plugin_view_content_scale_iid,
                                                              reinterpret_cast<void**>(&scale)),
            V3_OK);
  const auto openedWidthAt = [&](float factor) {
    EXPECT_EQ((*scale)->scale.set_content_scale_factor(scale, factor), V3_OK);
    EXPECT_EQ(View(view).set_frame(view, frame.As<v3_plugin_frame>()), V3_OK);
    EXPECT_EQ(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK);
    PumpFor(frame.loop, 100);
    v3_view_rect size{};
    EXPECT_EQ(View(view).get_size(view, &size), V3_OK);
    window->Sync();
    int w = 0;
    int h = 0;
    EXPECT_TRUE(window->ChildSize(w, h));
    EXPECT_EQ(w, size.right);
    EXPECT_EQ(View(view).removed(view), V3_OK);
    return static_cast<double>(size.right);
  };
  // The scale the host gives before attaching is the one the editor opens at.
  const double at1 = openedWidthAt(1.0f);
  const double at2 = openedWidthAt(2.0f);
  EXPECT_NEAR(at2 / at1, 2.0, 0.01) << at1 << " " << at2;

  // While open, a new scale resizes the editor and tells the host through the frame.
  ASSERT_EQ((*scale)->scale.set_content_scale_factor(scale, 1.0f), V3_OK);
  ASSERT_EQ(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK);
  PumpFor(frame.loop, 100);
  frame.resizes.clear();
  ASSERT_EQ((*scale)->scale.set_content_scale_factor(scale, 1.5f), V3_OK);
  PumpFor(frame.loop, 100);
  v3_view_rect after{};
  ASSERT_EQ(View(view).get_size(view, &after), V3_OK);
  EXPECT_NEAR(after.right / at1, 1.5, 0.01);
  ASSERT_FALSE(frame.resizes.empty());
  EXPECT_EQ(frame.resizes.back().right, after.right);
  EXPECT_EQ(View(view).removed(view), V3_OK);
  Unref(scale);
  EXPECT_EQ(Unref(view), 0u);
}

// Window pixels at content scale 1 (draw scale 0.5) of the Input Gain knob's centre and the grip.
constexpr int kInputGainX = 130, kInputGainY = 169;
constexpr int kGripX = 810, kGripY = 500;

int Xdo(const X11HostWindow& host, int x, int y, const std::string& actions = {}) {
  return std::system(("xdotool mousemove --window " + std::to_string(host.Id()) + " " + std::to_string(x) + " " +
                      std::to_string(y) + (actions.empty() ? "" : " " + actions))
                         .c_str());
}

TEST_F(Vst3ViewTest, AKnobDragIsOneGestureAndTheGripResizesThroughTheFrame) {
  auto window = X11HostWindow::Create(1700, 1100);
  ASSERT_TRUE(window) << "no X display";
  PlugFrame frame;
  auto** view = MakeView();
  ASSERT_NE(view, nullptr);
  v3_plugin_view_content_scale_cpp** scale = nullptr;
  ASSERT_EQ(Methods<v3_plugin_view_cpp>(view).query_interface(view, v3_plugin_view_content_scale_iid,
                                                              reinterpret_cast<void**>(&scale)),
            V3_OK);
  ASSERT_EQ((*scale)->scale.set_content_scale_factor(scale, 1.0f), V3_OK);
  ASSERT_EQ(View(view).set_frame(view, frame.As<v3_plugin_frame>()), V3_OK);
  ASSERT_EQ(View(view).attached(view, window->Handle(), "X11EmbedWindowID"), V3_OK);
  PumpFor(frame.loop, 300);
  v3_view_rect size{};
  ASSERT_EQ(View(view).get_size(view, &size), V3_OK);
  ASSERT_EQ(size.right, 815);

  // The drag: begin, the values, end, for the knob's parameter only, and the value is the plug-in's.
  const double before = plugin.ControllerMethods().get_parameter_normalised(plugin.Controller(), kInputGain);
  plugin.Handler().edits.clear();
  ASSERT_EQ(Xdo(*window, kInputGainX, kInputGainY, "mousedown 1"), 0);
  PumpFor(frame.loop, 60);
  for (int step = 1; step <= 4; ++step) {
    ASSERT_EQ(Xdo(*window, kInputGainX, kInputGainY - 15 * step), 0);
    PumpFor(frame.loop, 40);
  }
  ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
  PumpFor(frame.loop, 100);
  const auto& edits = plugin.Handler().edits;
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, 'b');
  EXPECT_EQ(edits.back().kind, 'e');
  for (size_t i = 0; i < edits.size(); ++i) {
    EXPECT_EQ(edits[i].id, kInputGain);
    if (i > 0 && i + 1 < edits.size()) {
      EXPECT_EQ(edits[i].kind, 'p');
    }
  }
  const double after = plugin.ControllerMethods().get_parameter_normalised(plugin.Controller(), kInputGain);
  EXPECT_GT(after, before);
  EXPECT_DOUBLE_EQ(edits[edits.size() - 2].value, after);

  // The grip: the host is asked through resizeView, keeps the aspect, and the editor takes the size.
  frame.resizes.clear();
  ASSERT_EQ(Xdo(*window, kGripX, kGripY, "mousedown 1"), 0);
  PumpFor(frame.loop, 60);
  ASSERT_EQ(Xdo(*window, kGripX + 160, kGripY + 100), 0);
  PumpFor(frame.loop, 100);
  ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
  PumpFor(frame.loop, 150);
  ASSERT_FALSE(frame.resizes.empty());
  const v3_view_rect asked = frame.resizes.back();
  EXPECT_GT(asked.right, 815);
  EXPECT_NEAR(static_cast<double>(asked.bottom) / asked.right, 505.0 / 815.0, 3e-3);
  window->Sync();
  int w = 0;
  int h = 0;
  ASSERT_TRUE(window->ChildSize(w, h));
  EXPECT_EQ(w, asked.right);
  EXPECT_EQ(h, asked.bottom);
  ASSERT_EQ(View(view).get_size(view, &size), V3_OK);
  EXPECT_EQ(size.right, asked.right);

  EXPECT_EQ(View(view).removed(view), V3_OK);
  Unref(scale);
  EXPECT_EQ(Unref(view), 0u);
}

} // namespace
} // namespace kolmari::vst3::test
