// Kolmari.so's editor in an X11 window, opened, driven and closed the way Linux hosts do it, with
// the pointer moved by xdotool and the window read back with ImageMagick. Runs inside an X server of
// its own (xvfb-run, see CMakeLists.txt).
#include "VstPluginInstance.h"
#include "X11HostWindow.h"

#include "VstEffectOpcodes.h"
#include "VstHostOpcodes.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kolmari::gui::test {
namespace {

using lumen::canvas::X11HostWindow;
using namespace lumen::vst2;
using testhost::VstPluginInstance;

constexpr int kWidth = 815;  // 1630 x 1010 at the editor's first draw scale, 0.5
constexpr int kHeight = 505;
constexpr int kInputGain = 4;
constexpr int kOutputGain = 7;
constexpr int kDelta = 3;
constexpr int kTame = 6;
constexpr int kOversampling = 2;

// Window pixels at draw scale 0.5 of the controls' centres (from the editor's layout).
constexpr int kInputGainX = 130, kInputGainY = 169;
constexpr int kOutputGainX = 508, kOutputGainY = 368;
constexpr int kDeltaX = 784, kDeltaY = 418;
constexpr int kTameX = 130, kTameY = 368;
constexpr int kOversamplingX = 784, kOversamplingY = 468;
constexpr int kBackgroundX = 400, kBackgroundY = 30;
constexpr int kGripX = 810, kGripY = 500;

std::filesystem::path Scratch() {
  const auto dir = std::filesystem::temp_directory_path() / ("kolmari-gui-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::unique_ptr<VstPluginInstance> LoadKolmari() {
  std::string error;
  auto plugin = VstPluginInstance::Load(KOLMARI_BINARY, error);
  EXPECT_TRUE(plugin) << error;
  if (plugin) plugin->StartUp(44100.0, 512);
  return plugin;
}

// Gives the editor the host's idle calls for a while, as a host's UI loop does at 60 Hz.
void Idle(VstPluginInstance& plugin, int milliseconds = 150) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    plugin.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
}

// xdotool on the editor: the positions are relative to the host's window.
void Xdo(const X11HostWindow& host, const std::string& actions) {
  ASSERT_EQ(Shell("xdotool mousemove --window " + std::to_string(host.Id()) + " " + actions), 0) << actions;
}

// xdotool at a point of the editor (host window pixels), then the actions there.
void XdoAt(const X11HostWindow& host, int x, int y, const std::string& actions = {}) {
  std::string where = std::to_string(x);
  where += ' ';
  where += std::to_string(y);
  if (!actions.empty()) {
    where += ' ';
    where += actions;
  }
  Xdo(host, where);
}

// Presses the left button on a knob and drags it 30 pixels up, with the host's idle calls between.
void PressAndDragUp(VstPluginInstance& plugin, const X11HostWindow& host, int x, int y) {
  XdoAt(host, x, y, "mousedown 1");
  Idle(plugin, 60);
  XdoAt(host, x, y - 30);
  Idle(plugin, 60);
}

// Runs xdotool actions a moment from now, in the background: a menu the editor opens holds the idle
// call that opened it until the user acts on it.
void XdoSoon(const std::string& actions) {
  ASSERT_EQ(Shell("(sleep 0.5; xdotool " + actions + ") >/dev/null 2>&1 &"), 0);
}

// Opens a control's right-click menu, then does the actions in it while the editor runs it.
void InMenuOf(VstPluginInstance& plugin, const X11HostWindow& host, int x, int y, const std::string& actions) {
  XdoAt(host, x, y, "sleep 0.5 click 3");
  XdoSoon(actions);
  Idle(plugin, 1000);
}

// The host window's picture.
std::filesystem::path Shot(const X11HostWindow& host, const std::string& name) {
  const auto shot = Scratch() / (name + ".png");
  EXPECT_EQ(Shell("import -window " + std::to_string(host.Id()) + " '" + shot.string() + "'"), 0);
  return shot;
}

// The part of a picture given by an ImageMagick geometry ("WxH+X+Y").
std::filesystem::path Crop(const std::filesystem::path& picture, const std::string& geometry, const std::string& name) {
  const auto part = Scratch() / (name + ".png");
  EXPECT_EQ(Shell("convert '" + picture.string() + "' -crop " + geometry + " +repage '" + part.string() + "'"), 0);
  return part;
}

// Pixels that differ by more than the fuzz in two pictures; -1 when they cannot be compared.
long DifferingPixels(const std::filesystem::path& a, const std::filesystem::path& b) {
  const auto out = Scratch() / "compare.txt";
  Shell("compare -metric AE -fuzz 12% '" + a.string() + "' '" + b.string() + "' null: 2>'" + out.string() + "'");
  std::ifstream in(out);
  double count = -1;
  in >> count;
  return in ? static_cast<long>(count) : -1;
}

// Pixels of a picture within the fuzz of a colour ("rgb(r,g,b)").
long PixelsOfColour(const std::filesystem::path& picture, const std::string& colour, int fuzzPercent) {
  const auto out = Scratch() / "count.txt";
  Shell("convert '" + picture.string() + "' -alpha off -fuzz " + std::to_string(fuzzPercent) + "% -fill white -opaque '" +
        colour + "' -fill black +opaque white -format '%[fx:round(mean*w*h)]' info: >'" + out.string() + "'");
  std::ifstream in(out);
  long count = -1;
  in >> count;
  return in ? count : -1;
}

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

int SizeRequests(VstPluginInstance& plugin) {
  int count = 0;
  for (const auto& call : plugin.Host().Recorder().Calls()) count += call.opcode == audioMasterSizeWindow ? 1 : 0;
  return count;
}

// The window's top-left w x h against the snapshot at scale, both padded to w x h.
long DifferenceFromSnapshot(const X11HostWindow& host, int w, int h, double scale, const std::string& name) {
  const std::string geometry = std::to_string(w) + "x" + std::to_string(h);
  const auto shot = Scratch() / (name + ".png");
  const auto reference = Scratch() / (name + "-reference.png");
  if (Shell(std::string("import -window ") + std::to_string(host.Id()) + " -crop " + geometry + "+0+0 +repage '" + shot.string() +
            "'") != 0)
    return -1;
  if (Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale " + std::to_string(scale) + " '" + reference.string() +
            "' >/dev/null && mogrify -background black -extent " + geometry + " '" + reference.string() + "'") != 0)
    return -1;
  return DifferingPixels(shot, reference);
}

// The XEmbed messages a test sends as an embedder.
constexpr long kXEmbedEmbeddedNotify = 0;
constexpr long kXEmbedWindowActivate = 1;
constexpr long kXEmbedWindowDeactivate = 2;
constexpr long kXEmbedFocusIn = 4;
constexpr long kXEmbedFocusOut = 5;

class EditorX11Test : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    plugin = LoadKolmari();
    ASSERT_TRUE(plugin);
    host = X11HostWindow::Create(kWidth, kHeight);
    ASSERT_TRUE(host);
  }

  void OpenEditor() {
    ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host->Handle()), 1);
    Idle(*plugin, 300);
  }

  std::unique_ptr<VstPluginInstance> plugin;
  std::unique_ptr<X11HostWindow> host;
};

TEST_F(EditorX11Test, OpensAtTheSizeItAnnouncedAndLooksLikeTheSnapshot) {
  // Hosts size their window from the rectangle before they open the editor.
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right - rect->left, kWidth);
  EXPECT_EQ(rect->bottom - rect->top, kHeight);

  OpenEditor();
  int w = 0, h = 0;
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, kWidth);
  EXPECT_EQ(h, kHeight);

  const auto shot = Scratch() / "window.png";
  const auto reference = Scratch() / "reference.png";
  ASSERT_EQ(Shell("import -window " + std::to_string(host->Id()) + " '" + shot.string() + "'"), 0);
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 '" + reference.string() + "' >/dev/null"), 0);
  const long differing = DifferingPixels(shot, reference);
  ASSERT_GE(differing, 0);
  // Anti-aliasing may differ along edges; the picture itself may not.
  EXPECT_LT(differing, kWidth * kHeight / 100) << shot;

  // A second open without a close shows everything again, the version label's font included.
  ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host->Handle()), 1);
  Idle(*plugin, 300);
  EXPECT_EQ(host->ChildCount(), 1);
  const auto again = Scratch() / "again.png";
  ASSERT_EQ(Shell("import -window " + std::to_string(host->Id()) + " '" + again.string() + "'"), 0);
  EXPECT_LT(DifferingPixels(again, reference), kWidth * kHeight / 100);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST_F(EditorX11Test, ValuesTheHostSetsShowInTheOpenEditor) {
  OpenEditor();
  // From the host's audio side, as automation plays: the editor's idle pumping brings it over.
  std::thread([&] { plugin->SetParameter(kInputGain, 1.0f); }).join();
  Idle(*plugin, 300);
  const auto shot = Scratch() / "automated.png";
  const auto turned = Scratch() / "reference-turned.png";
  const auto unturned = Scratch() / "reference-unturned.png";
  ASSERT_EQ(Shell("import -window " + std::to_string(host->Id()) + " '" + shot.string() + "'"), 0);
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 --set 'Input Gain=200' '" + turned.string() +
                  "' >/dev/null"), 0);
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 '" + unturned.string() + "' >/dev/null"), 0);
  const long toTurned = DifferingPixels(shot, turned);
  EXPECT_LT(toTurned, kWidth * kHeight / 100) << shot;
  EXPECT_LT(toTurned * 4, DifferingPixels(shot, unturned)) << "the knob shows the host's value";
}

TEST_F(EditorX11Test, DraggingAKnobIsOneGestureTheHostRecords) {
  OpenEditor();
  const float before = plugin->GetParameter(kInputGain);
  plugin->Host().Recorder().Clear();
  XdoAt(*host, kInputGainX, kInputGainY, "mousedown 1");
  Idle(*plugin, 60);
  for (int step = 1; step <= 4; ++step) {
    XdoAt(*host, kInputGainX, kInputGainY - 15 * step);
    Idle(*plugin, 40);
  }
  Shell("xdotool mouseup 1");
  Idle(*plugin, 100);
  EXPECT_GT(plugin->GetParameter(kInputGain), before);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
}

// A host that pumps the editor rarely (Qtractor's idle call comes every 66 ms, and its toolkit may not
// run the editor's own timer) hands it a whole gesture at once: the approach, the press, the moves and
// the release queued together. Each keeps its place: the knob turns as far as when every step is pumped.
// The moves are relative, as a mouse's are: the knob puts the hidden pointer back after each move.
TEST_F(EditorX11Test, AGestureQueuedWholeBetweenTwoIdleCallsTurnsTheKnobAsFar) {
  OpenEditor();
  const std::string id = std::to_string(host->Id());
  const auto drag = [&](bool pumped) {
    const float before = plugin->GetParameter(kInputGain);
    std::string actions = "mousemove --window " + id + " 400 470 sleep 0.05";
    actions += " mousemove --window " + id + " " + std::to_string(kInputGainX) + " " + std::to_string(kInputGainY);
    actions += " mousedown 1";
    for (int step = 1; step <= 4; ++step) {
      actions += " sleep 0.02 mousemove_relative -- 0 -15";
      if (pumped) {
        EXPECT_EQ(Shell("xdotool " + actions), 0);
        Idle(*plugin, 40);
        actions.clear();
      }
    }
    EXPECT_EQ(Shell("xdotool " + actions + " mouseup 1"), 0);
    Idle(*plugin, 150);
    return plugin->GetParameter(kInputGain) - before;
  };
  const float initial = plugin->GetParameter(kInputGain);
  const float pumped = drag(true);
  ASSERT_GT(pumped, 0.0f);
  plugin->SetParameter(kInputGain, initial);
  Idle(*plugin, 100);
  plugin->Host().Recorder().Clear();
  const float queued = drag(false);
  EXPECT_NEAR(queued, pumped, pumped * 0.05f) << "a queued press or move was skipped";
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
}

// The knob hides the pointer and puts it back after each move. A move the server made before the pointer
// went back, but read only afterwards (the host pumps late; a key came in between), counts from the move
// before it: the knob turns as far as when every move is pumped, neither further nor less.
TEST_F(EditorX11Test, AFineDragCountsEveryMoveOnceHoweverLateTheHostPumps) {
  OpenEditor();
  const std::string at = "mousemove --window " + std::to_string(host->Id()) + " " + std::to_string(kInputGainX) +
                         " " + std::to_string(kInputGainY);
  const auto drag = [&](bool pumped) {
    const float before = plugin->GetParameter(kInputGain);
    EXPECT_EQ(Shell("xdotool " + at + " mousedown 1"), 0);
    Idle(*plugin, 60);
    if (pumped) {
      for (int step = 0; step < 2; ++step) {
        EXPECT_EQ(Shell("xdotool mousemove_relative -- 0 -15"), 0);
        Idle(*plugin, 60);
      }
    } else {
      EXPECT_EQ(Shell("xdotool mousemove_relative -- 0 -15 key shift mousemove_relative -- 0 -15"), 0);
      Idle(*plugin, 150);
    }
    EXPECT_EQ(Shell("xdotool mouseup 1"), 0);
    Idle(*plugin, 100);
    return plugin->GetParameter(kInputGain) - before;
  };
  const float initial = plugin->GetParameter(kInputGain);
  const float pumped = drag(true);
  ASSERT_GT(pumped, 0.0f);
  plugin->SetParameter(kInputGain, initial);
  Idle(*plugin, 100);
  EXPECT_NEAR(drag(false), pumped, pumped * 0.05f) << "a move was counted twice or lost";
}

TEST_F(EditorX11Test, WheelClickAndDoubleClick) {
  OpenEditor();
  // One notch of the wheel turns a knob up.
  const float output = plugin->GetParameter(kOutputGain);
  XdoAt(*host, kOutputGainX, kOutputGainY, "click 4");
  Idle(*plugin);
  EXPECT_GT(plugin->GetParameter(kOutputGain), output);

  // A click flips a switch.
  EXPECT_EQ(plugin->GetParameter(kDelta), 0.0f);
  XdoAt(*host, kDeltaX, kDeltaY, "click 1");
  Idle(*plugin);
  EXPECT_EQ(plugin->GetParameter(kDelta), 1.0f);
  XdoAt(*host, kDeltaX, kDeltaY, "sleep 0.6 click 1");
  Idle(*plugin);
  EXPECT_EQ(plugin->GetParameter(kDelta), 0.0f);

  // A double click resets a knob to its default (32 % of 0 ... 200 %).
  plugin->SetParameter(kInputGain, 0.9f);
  Idle(*plugin, 100);
  XdoAt(*host, kInputGainX, kInputGainY, "sleep 0.6 click --repeat 2 --delay 60 1");
  Idle(*plugin);
  EXPECT_NEAR(plugin->GetParameter(kInputGain), 0.16f, 1e-4f);
}

TEST_F(EditorX11Test, TheGripScalesTheWindowAndTheHostHearsTheSize) {
  host->Resize(1700, 1100);
  OpenEditor();
  plugin->Host().Recorder().Clear();
  XdoAt(*host, kGripX, kGripY, "mousedown 1");
  Idle(*plugin, 60);
  XdoAt(*host, kGripX + 160, kGripY + 100);
  Idle(*plugin, 100);
  Shell("xdotool mouseup 1");
  Idle(*plugin, 150);
  const auto size = plugin->Host().RequestedWindowSize();
  ASSERT_TRUE(size);
  EXPECT_GT(size->first, kWidth);
  EXPECT_GT(size->second, kHeight);
  int w = 0, h = 0;
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, size->first);
  EXPECT_EQ(h, size->second);
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right, size->first);

  // Drawn whole at the new scale: the window's top-left w x h against the snapshot at w / 1630.
  Idle(*plugin, 200);
  const std::string geometry = std::to_string(w) + "x" + std::to_string(h);
  const auto shot = Scratch() / "scaled.png";
  const auto reference = Scratch() / "reference-scaled.png";
  ASSERT_EQ(Shell("import -window " + std::to_string(host->Id()) + " -crop " + geometry + "+0+0 +repage '" +
                  shot.string() + "'"), 0);
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale " + std::to_string(w / 1630.0) + " '" +
                  reference.string() + "' >/dev/null && mogrify -background black -extent " + geometry + " '" +
                  reference.string() + "'"), 0);
  EXPECT_LT(DifferingPixels(shot, reference), w * h / 50) << shot;
}

TEST_F(EditorX11Test, FollowsTheHostResizingItsWindowAndNeverAsksBack) {
  OpenEditor();
  plugin->Host().Recorder().Clear();
  // Larger: the editor takes the largest scale that fits, here its largest, and the host's next
  // question for the rectangle gets that size.
  host->Resize(1700, 1200);
  Idle(*plugin, 300);
  int w = 0, h = 0;
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, 1630);
  EXPECT_EQ(h, 1010);
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right, 1630);
  EXPECT_EQ(rect->bottom, 1010);
  Idle(*plugin, 400); // four times the pixels: the software renderer on a busy machine takes its time
  EXPECT_LT(DifferenceFromSnapshot(*host, w, h, 1.0, "followed"), w * h / 50) << "drawn whole at the new scale";

  // Narrow: the width decides. Too small for the smallest scale: that one, clipped by the host.
  host->Resize(600, 700);
  Idle(*plugin, 150);
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_GE(w, 599);
  EXPECT_LE(w, 600);
  EXPECT_NEAR(h, 371, 1);
  host->Resize(200, 150);
  Idle(*plugin, 150);
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, 407); // 1630 x 0.25
  EXPECT_EQ(h, 252);
  EXPECT_EQ(SizeRequests(*plugin), 0) << "a size the host chose is not answered with another";

  // The grip asks for a size; a host that gives its window exactly that size is not followed into
  // another round.
  host->Resize(815, 505);
  Idle(*plugin, 150);
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, kWidth);
  plugin->Host().Recorder().Clear();
  XdoAt(*host, kGripX, kGripY, "mousedown 1");
  Idle(*plugin, 60);
  XdoAt(*host, kGripX + 160, kGripY + 100);
  Idle(*plugin, 100);
  Shell("xdotool mouseup 1");
  Idle(*plugin, 100);
  const auto size = plugin->Host().RequestedWindowSize();
  ASSERT_TRUE(size);
  const int requests = SizeRequests(*plugin);
  host->Resize(size->first, size->second);
  Idle(*plugin, 200);
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, size->first);
  EXPECT_EQ(h, size->second);
  EXPECT_EQ(SizeRequests(*plugin), requests);
}

// Puts the desktop's resources back whatever the test did to them.
struct DesktopResources {
  ~DesktopResources() { Shell("xrdb -remove"); }
};

TEST_F(EditorX11Test, TakesANewDesktopScaleWhileOpenAndTellsTheHost) {
  DesktopResources restore;
  host->Resize(1700, 1100);
  OpenEditor();
  plugin->Host().Recorder().Clear();
  ASSERT_EQ(Shell("echo 'Xft.dpi: 144' | xrdb -merge"), 0);
  Idle(*plugin, 300);
  const auto size = plugin->Host().RequestedWindowSize();
  ASSERT_TRUE(size);
  EXPECT_EQ(size->first, 1222); // int(1.5 x int(1630 x 0.5))
  EXPECT_EQ(size->second, 757);
  int w = 0, h = 0;
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, 1222);
  EXPECT_EQ(h, 757);
  Idle(*plugin, 200);
  EXPECT_LT(DifferenceFromSnapshot(*host, w, h, 0.75, "dpi144"), w * h / 50) << "redrawn at the new scale";

  // Other resources changing leave the scale alone; back at 96 it is the first size again.
  const int requests = SizeRequests(*plugin);
  ASSERT_EQ(Shell("echo 'Xft.antialias: 1' | xrdb -merge"), 0);
  Idle(*plugin, 150);
  EXPECT_EQ(SizeRequests(*plugin), requests);
  ASSERT_EQ(Shell("echo 'Xft.dpi: 96' | xrdb -merge"), 0);
  Idle(*plugin, 300);
  ASSERT_TRUE(host->ChildSize(w, h));
  EXPECT_EQ(w, kWidth);
  EXPECT_EQ(h, kHeight);
  EXPECT_EQ(plugin->Host().RequestedWindowSize()->first, kWidth);
}

TEST_F(EditorX11Test, UnderXEmbedTheEmbedderGivesTheKeyboardAndTakingItEndsADrag) {
  OpenEditor();
  host->SendXEmbed(kXEmbedEmbeddedNotify, 0, static_cast<long>(host->Id()));
  host->SendXEmbed(kXEmbedWindowActivate);
  XdoAt(*host, kOutputGainX, kOutputGainY);
  Idle(*plugin, 100);
  EXPECT_EQ(host->XEmbedFocusRequests(), 0) << "neither opening nor hovering asks for the keyboard";
  Xdo(*host, "400 30 click 1");
  Idle(*plugin, 100);
  EXPECT_EQ(host->XEmbedFocusRequests(), 1) << "a click asks the embedder";
  EXPECT_FALSE(host->ChildHasFocus()) << "the embedder keeps the X focus and hands the keys on";
  host->SendXEmbed(kXEmbedFocusIn, 1);
  Idle(*plugin, 60);

  // The embedder takes the keyboard away in the middle of a drag: the gesture ends there, once.
  plugin->Host().Recorder().Clear();
  PressAndDragUp(*plugin, *host, kInputGainX, kInputGainY);
  host->SendXEmbed(kXEmbedFocusOut);
  Idle(*plugin, 100);
  const std::vector<int32_t> gesture{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), gesture);
  const float value = plugin->GetParameter(kInputGain);
  XdoAt(*host, kInputGainX, kInputGainY - 60);
  Idle(*plugin, 60);
  Shell("xdotool mouseup 1");
  Idle(*plugin, 100);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), gesture) << "the late release adds nothing";
  EXPECT_EQ(plugin->GetParameter(kInputGain), value) << "moving on after the end drags nothing";

  // Without the keyboard, the next click asks again.
  Xdo(*host, "400 30 sleep 0.6 click 1");
  Idle(*plugin, 100);
  EXPECT_EQ(host->XEmbedFocusRequests(), 2);

  // The host's window stops being the active one in the middle of a drag: the drag ends too, and
  // coming back with the focus still given needs no new request.
  host->SendXEmbed(kXEmbedFocusIn, 1);
  Idle(*plugin, 60);
  plugin->Host().Recorder().Clear();
  PressAndDragUp(*plugin, *host, kOutputGainX, kOutputGainY);
  host->SendXEmbed(kXEmbedWindowDeactivate);
  Idle(*plugin, 100);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kOutputGain), gesture);
  Shell("xdotool mouseup 1");
  host->SendXEmbed(kXEmbedWindowActivate);
  Xdo(*host, "400 30 sleep 0.6 click 1");
  Idle(*plugin, 100);
  EXPECT_EQ(host->XEmbedFocusRequests(), 2);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST_F(EditorX11Test, TheKeyboardComesOnlyWithAClickAndUnusedKeysGoBackToTheHost) {
  OpenEditor();
  XdoAt(*host, kOutputGainX, kOutputGainY);
  Idle(*plugin, 100);
  EXPECT_FALSE(host->ChildHasFocus()) << "neither opening nor hovering takes the keyboard";
  Xdo(*host, "400 30 click 1"); // the background
  Idle(*plugin, 100);
  EXPECT_TRUE(host->ChildHasFocus());
  const int before = host->KeyPresses();
  ASSERT_EQ(Shell("xdotool key space"), 0);
  Idle(*plugin, 100);
  host->Sync();
  EXPECT_EQ(host->KeyPresses(), before + 1) << "the editor uses no keys: the host gets the space bar";
}

TEST_F(EditorX11Test, KeysReachTheHostThroughABareWindowItHandsOver) {
  // The window the editor opens into listens to nothing; the host's own window around it does.
  void* bare = host->AddBareChild(kWidth, kHeight);
  ASSERT_NE(bare, nullptr);
  ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, bare), 1);
  Idle(*plugin, 300);
  Xdo(*host, "400 30 click 1"); // the background
  Idle(*plugin, 100);
  const int before = host->KeyPresses();
  ASSERT_EQ(Shell("xdotool key space"), 0);
  Idle(*plugin, 100);
  host->Sync();
  EXPECT_EQ(host->KeyPresses(), before + 1) << "the space bar is addressed to the host's window, not the bare one";
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST_F(EditorX11Test, OpenAndClose100TimesLeavesNothingBehind) {
  OpenEditor();
  ASSERT_EQ(plugin->Dispatch(effEditClose), 1);
  const int descriptors = OpenDescriptors();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host->Handle()), 1) << i;
    plugin->Dispatch(effEditIdle);
    ASSERT_EQ(plugin->Dispatch(effEditClose), 1) << i;
  }
  EXPECT_EQ(OpenDescriptors(), descriptors) << "a display connection stayed open";
  EXPECT_EQ(host->ChildCount(), 0);
}

TEST_F(EditorX11Test, SurvivesTheHostDestroyingItsWindowFirstAndAClosedDragInProgress) {
  OpenEditor();
  // A drag in progress when the host closes the editor ends with its end-edit.
  plugin->Host().Recorder().Clear();
  PressAndDragUp(*plugin, *host, kInputGainX, kInputGainY);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  Shell("xdotool mouseup 1");
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain).back(), audioMasterEndEdit);

  OpenEditor();
  host->Destroy();
  Idle(*plugin, 100); // X errors of the editor's connection must not end the process
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x7fffff})), 0) << "no such window";
}

TEST_F(EditorX11Test, SeveralEditorsAtOnceWhileAnotherInstanceProcesses) {
  auto second = LoadKolmari();
  ASSERT_TRUE(second);
  auto secondHost = X11HostWindow::Create(kWidth, kHeight);
  ASSERT_TRUE(secondHost);
  OpenEditor();
  ASSERT_EQ(second->Dispatch(effEditOpen, 0, 0, secondHost->Handle()), 1);

  auto third = LoadKolmari();
  ASSERT_TRUE(third);
  std::thread audio([&] {
    testhost::AudioBuffers<float> in(2, 512, 0.25f), out(2, 512);
    for (int i = 0; i < 200; ++i) third->ProcessReplacing(in, out);
  });
  for (int i = 0; i < 20; ++i) {
    plugin->Dispatch(effEditIdle);
    second->Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  audio.join();
  XdoAt(*secondHost, kDeltaX, kDeltaY, "click 1");
  Idle(*second);
  EXPECT_EQ(second->GetParameter(kDelta), 1.0f);
  EXPECT_EQ(plugin->GetParameter(kDelta), 0.0f);
  EXPECT_EQ(second->Dispatch(effEditClose), 1);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST_F(EditorX11Test, TicksWithoutIdleCallsWhereTheHostRunsAGLibLoop) {
  // A host whose UI thread runs a GLib main loop and never calls effEditIdle.
  void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
  if (glib == nullptr) GTEST_SKIP() << "no GLib";
  using ContextDefault = void* (*)();
  using Acquire = int (*)(void*);
  using Iterate = int (*)(void*, int);
  const auto contextDefault = reinterpret_cast<ContextDefault>(dlsym(glib, "g_main_context_default"));
  const auto acquire = reinterpret_cast<Acquire>(dlsym(glib, "g_main_context_acquire"));
  const auto release = reinterpret_cast<void (*)(void*)>(dlsym(glib, "g_main_context_release"));
  const auto iterate = reinterpret_cast<Iterate>(dlsym(glib, "g_main_context_iteration"));
  ASSERT_TRUE(contextDefault && acquire && release && iterate);
  void* context = contextDefault();
  ASSERT_TRUE(acquire(context));
  ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host->Handle()), 1);
  const auto loop = [&](int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) iterate(context, 0), std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  loop(300);
  XdoAt(*host, kDeltaX, kDeltaY, "click 1");
  loop(200);
  EXPECT_EQ(plugin->GetParameter(kDelta), 1.0f) << "input answered without effEditIdle";
  const auto shot = Scratch() / "glib.png";
  const auto reference = Scratch() / "reference-delta.png";
  ASSERT_EQ(Shell("import -window " + std::to_string(host->Id()) + " '" + shot.string() + "'"), 0);
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 --set Delta=1 '" + reference.string() + "' >/dev/null"), 0);
  EXPECT_LT(DifferingPixels(shot, reference), kWidth * kHeight / 100) << "drawn without effEditIdle";
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  release(context);
}

// The value readout: after the pointer rests on a knob, a plate appears near it (below it), and
// nowhere else; a while after the pointer leaves, the editor looks as before.
TEST_F(EditorX11Test, TheValueReadoutAppearsNearTheHoveredKnobAndGoesAfterLeaving) {
  OpenEditor();
  // A menu shown and dismissed first: the press that opened it must not leave the pointer dragging.
  InMenuOf(*plugin, *host, kInputGainX, kInputGainY, "key Escape");
  XdoAt(*host, kBackgroundX, kBackgroundY);
  Idle(*plugin, 1600); // until the readout the menu's knob showed has gone
  const auto before = Shot(*host, "readout-before");
  XdoAt(*host, kOutputGainX, kOutputGainY);
  Idle(*plugin, 800);
  const auto hovered = Shot(*host, "readout-hovered");
  XdoAt(*host, kBackgroundX, kBackgroundY);
  Idle(*plugin, 1800);
  const auto after = Shot(*host, "readout-after");

  // Below the Output Gain knob: 200 x 60 window pixels under its lower edge (y 442 at scale 0.5).
  const std::string near = "200x60+408+440";
  const long inside = DifferingPixels(Crop(before, near, "before-near"), Crop(hovered, near, "hovered-near"));
  const long everywhere = DifferingPixels(before, hovered);
  EXPECT_GT(inside, 150) << hovered;
  EXPECT_LT(everywhere - inside, 50) << "only the pixels near the knob change";
  EXPECT_LT(DifferingPixels(before, after), 50) << after;
}

// Right-click -> "Type a value..." -> 80 -> Return: one gesture, and the host shows the same value.
// Letters cannot be typed; Escape on the menu and a dismissed entry change nothing.
TEST_F(EditorX11Test, AValueTypedThroughTheRightClickMenuIsOneGestureAndTheHostShowsIt) {
  OpenEditor();
  plugin->Host().Recorder().Clear();
  InMenuOf(*plugin, *host, kOutputGainX, kOutputGainY, "mousemove_relative 20 12 click 1");
  ASSERT_EQ(Shell("xdotool type 80 && xdotool key Return"), 0);
  Idle(*plugin, 300);
  EXPECT_NEAR(plugin->GetParameter(kOutputGain), 80.0f / 120.0f, 1e-6f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kOutputGain),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
  EXPECT_EQ(plugin->ParameterDisplay(kOutputGain), "80.00");
  EXPECT_EQ(plugin->ParameterLabel(kOutputGain), "%");
  // The readout under the resting pointer says what the host says: it looks like the picture of
  // the editor hovered at Output Gain 80.
  const auto shot = Shot(*host, "typed-80");
  const auto reference = Scratch() / "reference-typed-80.png";
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 --set 'Output Gain=80' --hover 'Output Gain' '" +
                  reference.string() + "' >/dev/null"), 0);
  const std::string near = "200x60+408+440";
  EXPECT_LT(DifferingPixels(Crop(shot, near, "typed-near"), Crop(reference, near, "reference-near")), 120) << shot;

  plugin->Host().Recorder().Clear();
  InMenuOf(*plugin, *host, kOutputGainX, kOutputGainY, "mousemove_relative 20 12 click 1");
  ASSERT_EQ(Shell("xdotool type abc && xdotool key Return"), 0);
  Idle(*plugin, 200);
  InMenuOf(*plugin, *host, kOutputGainX, kOutputGainY, "key Escape");
  ASSERT_EQ(Shell("xdotool type 5 && xdotool key Return"), 0); // no entry is open: nothing takes it
  Idle(*plugin, 200);
  InMenuOf(*plugin, *host, kOutputGainX, kOutputGainY, "mousemove_relative 20 12 click 1");
  ASSERT_EQ(Shell("xdotool type 30 && xdotool key Escape"), 0);
  Idle(*plugin, 200);
  EXPECT_NEAR(plugin->GetParameter(kOutputGain), 80.0f / 120.0f, 1e-6f);
  EXPECT_TRUE(plugin->Host().Recorder().EditGestureOf(kOutputGain).empty());
}

// Control+click resets a knob to its default as one gesture; arrow keys then step it.
TEST_F(EditorX11Test, ControlClickResetsAKnobAndTheArrowKeysStepIt) {
  OpenEditor();
  plugin->SetParameter(kTame, 0.9f);
  Idle(*plugin, 100);
  plugin->Host().Recorder().Clear();
  XdoAt(*host, kTameX, kTameY, "keydown ctrl click 1 keyup ctrl");
  Idle(*plugin, 200);
  EXPECT_NEAR(plugin->GetParameter(kTame), 0.5f, 1e-6f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kTame),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
  ASSERT_EQ(Shell("xdotool key Up Up Page_Down"), 0);
  Idle(*plugin, 200);
  EXPECT_NEAR(plugin->GetParameter(kTame), 0.5f + 0.02f - 0.1f, 1e-6f);
}

// Each of the editor's 18 controls, pressed at its centre and dragged up a little, moves the
// parameter it shows and no other. The centres are the design's rectangles (logical units) halved
// for the window at scale 0.5, written here apart from the editor's layout code: a picture of the
// editor cannot show that the layout binds the right parameter.
TEST_F(EditorX11Test, EachControlsCentreMovesItsOwnParameter) {
  struct Centre {
    const char* what;
    int x, y;
    int param;
  };
  constexpr int kBypass = 0, kReact = 1, kWet = 5, kBias = 8;
  // Ordered so that no two presses in a row are close enough to make a double-click.
  const std::vector<Centre> centres{
      {"lamp (824, 0, 1630, 935)", 613, 233, kBypass},
      {"input gain shadow (137, 286, 389, 533)", 131, 204, kInputGain},
      {"wet body (1246, 603, 1492, 849)", 684, 363, kWet},
      {"bias (558, 630, 616, 688)", 293, 329, kBias},
      {"flipper (1339, 354, 1405, 505)", 686, 214, kBypass},
      {"tame shadow (137, 683, 389, 930)", 131, 403, kTame},
      {"delta (1525, 790, 1613, 882)", 784, 418, kDelta},
      {"react (516, 752, 770, 906)", 321, 414, kReact},
      {"output gain shadow (891, 683, 1143, 930)", 508, 403, kOutputGain},
      {"input gain body (137, 206, 383, 452)", 130, 164, kInputGain},
      {"oversampling (1525, 890, 1613, 982)", 784, 468, kOversampling},
      {"tame body (137, 603, 383, 849)", 130, 363, kTame},
      {"wet shadow (1246, 683, 1498, 930)", 686, 403, kWet},
      {"output gain body (891, 603, 1137, 849)", 507, 363, kOutputGain},
      {"input gain overlay (126, 192, 394, 486)", 130, 169, kInputGain},
      {"wet overlay (1237, 590, 1505, 884)", 685, 368, kWet},
      {"tame overlay (126, 590, 394, 884)", 130, 368, kTame},
      {"output gain overlay (882, 590, 1150, 884)", 508, 368, kOutputGain},
  };
  OpenEditor();
  std::vector<float> defaults;
  for (int i = 0; i < 9; ++i) defaults.push_back(plugin->GetParameter(i));
  for (const Centre& c : centres) {
    PressAndDragUp(*plugin, *host, c.x, c.y);
    Shell("xdotool mouseup 1");
    Idle(*plugin, 60);
    std::vector<int> moved;
    for (int i = 0; i < 9; ++i) {
      if (plugin->GetParameter(i) != defaults[static_cast<size_t>(i)]) moved.push_back(i);
    }
    EXPECT_EQ(moved, std::vector<int>{c.param}) << c.what << " at " << c.x << ", " << c.y;
    for (int i = 0; i < 9; ++i) plugin->SetParameter(i, defaults[static_cast<size_t>(i)]);
    Idle(*plugin, 60);
  }
}

TEST(EditorWithoutDisplayTest, OpenAnswersZeroAndThePluginWorksOn) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right, kWidth); // screen scale 1 when no display says otherwise
  EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x200001})), 0);
  plugin->Dispatch(effEditIdle);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  testhost::AudioBuffers<float> in(2, 256, 0.25f), out(2, 256);
  EXPECT_TRUE(plugin->ProcessReplacing(in, out));
  EXPECT_TRUE(out.AllFinite());
  EXPECT_GT(out.PeakAbs(), 0.0f);
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

// The editor draws its menus itself and never holds the host: with a menu open and nothing acting
// on it, the host's idle calls come back, a value the host sets is drawn, and the menu shows in the
// editor's colours. Keys walk into the oversampling switch's submenu of states; the state chosen
// reaches the host as one gesture, and the editor looks as it does with that value.
TEST_F(EditorX11Test, AMenuNeverHoldsTheHostAndAStateChosenInASubmenuReachesIt) {
  OpenEditor();
  const auto before = Shot(*host, "menu-before");
  plugin->Host().Recorder().Clear();
  XdoAt(*host, kOversamplingX, kOversamplingY, "click 3");
  // Nothing will act on the menu for now: a menu with a loop of its own would keep the first of
  // these idle calls forever.
  int idles = 0;
  for (int i = 0; i < 40; ++i, ++idles) {
    plugin->Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
  EXPECT_EQ(idles, 40);
  const auto open = Shot(*host, "menu-open");
  // The offscreen surface draws the same menu: the snapshot tool's picture of it matches.
  const auto pictured = Scratch() / "reference-menu-open.png";
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 --menu Oversampling '" + pictured.string() +
                  "' >/dev/null"), 0);
  EXPECT_LT(DifferingPixels(open, pictured), kWidth * kHeight / 100) << open;
  // The host moves a knob meanwhile: the editor draws it with the menu still open.
  plugin->SetParameter(kTame, 0.9f);
  Idle(*plugin, 300);
  const auto moved = Shot(*host, "menu-open-tame");
  const std::string tame = "90x90+85+323";
  EXPECT_GT(DifferingPixels(Crop(open, tame, "menu-tame-a"), Crop(moved, tame, "menu-tame-b")), 100) << moved;

  ASSERT_EQ(Shell("xdotool key Down Down Down Right"), 0); // the states of Oversampling, 1x lit
  Idle(*plugin, 300);
  const auto submenu = Shot(*host, "menu-submenu");
  // Figures of the picture: the panels' dark grey (its plate over the dark artwork, close to the
  // artwork itself, hence the narrow fuzz) and the amber rows are new, each over a menu's area:
  // two panels are about 8000 pixels, two lit rows about 4000 less their text.
  const long panelBefore = PixelsOfColour(before, "rgb(21,21,25)", 1);
  const long panelOpen = PixelsOfColour(submenu, "rgb(21,21,25)", 1);
  const long amberBefore = PixelsOfColour(before, "rgb(222,142,48)", 6);
  const long amberOpen = PixelsOfColour(submenu, "rgb(222,142,48)", 6);
  EXPECT_GT(panelOpen - panelBefore, 5000) << submenu;
  EXPECT_GT(amberOpen - amberBefore, 2500) << submenu;
  EXPECT_GT(DifferingPixels(open, submenu), 1000) << "the submenu opened beside the first";
  EXPECT_TRUE(plugin->Host().Recorder().EditGestureOf(kOversampling).empty());

  ASSERT_EQ(Shell("xdotool key Down Down Return"), 0); // 4x
  Idle(*plugin, 300);
  EXPECT_NEAR(plugin->GetParameter(kOversampling), 2.0f / 3.0f, 1e-6f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kOversampling),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
  // Closed, what it covered is drawn again: the editor looks like its picture with these values.
  XdoAt(*host, kBackgroundX, kBackgroundY);
  Idle(*plugin, 1800);
  const auto closed = Shot(*host, "menu-closed");
  const auto reference = Scratch() / "reference-menu-closed.png";
  ASSERT_EQ(Shell(std::string("'") + KOLMARI_SNAPSHOT + "' --scale 0.5 --set Oversampling=2 --set Tame=0.9 '" +
                  reference.string() + "' >/dev/null"), 0);
  EXPECT_LT(DifferingPixels(closed, reference), kWidth * kHeight / 100) << closed;
  EXPECT_LT(PixelsOfColour(closed, "rgb(222,142,48)", 6) - amberBefore, 200) << closed;
}

} // namespace
} // namespace kolmari::gui::test
