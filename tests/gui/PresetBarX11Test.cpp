// The preset bar, the A/B buttons and undo in Kolmari.so's editor, clicked and typed at in an X11
// window the way a user does it, with the host's record of every gesture they send. The user's
// preset folder is a scratch folder of this run.
#include "VstPluginInstance.h"
#include "X11HostWindow.h"

#include "FactoryPreset.h"
#include "VstEffectOpcodes.h"
#include "VstHostOpcodes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
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

constexpr int kWidth = 815; // the editor at its first draw scale, 0.5
constexpr int kHeight = 505;
constexpr int kInputGain = 4;
// Window pixels at draw scale 0.5 (the editor's layout halved).
constexpr int kInputGainX = 130, kInputGainY = 169;
constexpr int kPreviousX = 256, kNextX = 558, kNameX = 407, kBarY = 200;
constexpr int kAX = 339, kBX = 372, kCopyX = 443, kABY = 234;
constexpr int kBackgroundX = 400, kBackgroundY = 30;
const std::string kBarGeometry = "340x34+238+183";

std::filesystem::path Scratch() {
  const auto dir = std::filesystem::temp_directory_path() / ("kolmari-presetbar-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

void Idle(VstPluginInstance& plugin, int milliseconds = 150) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    plugin.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
}

void ClickAt(VstPluginInstance& plugin, const X11HostWindow& host, int x, int y) {
  std::string command = "xdotool mousemove --window ";
  command += std::to_string(host.Id());
  command += ' ';
  command += std::to_string(x);
  command += ' ';
  command += std::to_string(y);
  command += " click 1";
  ASSERT_EQ(Shell(command), 0);
  Idle(plugin, 250);
}

void Keys(VstPluginInstance& plugin, const std::string& keys) {
  std::string command = "xdotool key --delay 60 ";
  command += keys;
  ASSERT_EQ(Shell(command), 0);
  Idle(plugin, 250);
}

std::filesystem::path BarShot(const X11HostWindow& host, const std::string& name) {
  const auto shot = Scratch() / (name + ".png");
  std::string command = "import -window ";
  command += std::to_string(host.Id());
  command += " -crop ";
  command += kBarGeometry;
  command += " +repage '";
  command += shot.string();
  command += "'";
  EXPECT_EQ(Shell(command), 0);
  return shot;
}

long DifferingPixels(const std::filesystem::path& a, const std::filesystem::path& b) {
  const auto out = Scratch() / "compare.txt";
  Shell("compare -metric AE -fuzz 12% '" + a.string() + "' '" + b.string() + "' null: 2>'" + out.string() + "'");
  std::ifstream in(out);
  double count = -1;
  in >> count;
  return in ? static_cast<long>(count) : -1;
}

class PresetBarX11Test : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    // The user's presets go to a folder of this test, read when the editor is made.
    userData = Scratch() / ("data-" + std::to_string(++run));
    std::filesystem::remove_all(userData);
    setenv("XDG_DATA_HOME", userData.c_str(), 1);
    std::string error;
    plugin = VstPluginInstance::Load(KOLMARI_BINARY, error);
    ASSERT_TRUE(plugin) << error;
    plugin->StartUp(44100.0, 512);
    host = X11HostWindow::Create(kWidth, kHeight);
    ASSERT_TRUE(host);
    ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host->Handle()), 1);
    Idle(*plugin, 300);
  }
  void TearDown() override {
    if (plugin && plugin->IsOpen()) plugin->Dispatch(effEditClose);
  }

  std::string ProgramName() {
    char name[256] = {};
    plugin->Dispatch(effGetProgramName, 0, 0, name);
    return name;
  }

  static inline int run = 0;
  std::filesystem::path userData;
  std::unique_ptr<VstPluginInstance> plugin;
  std::unique_ptr<X11HostWindow> host;
};

TEST_F(PresetBarX11Test, ArrowsStepThroughThePresetsEachAGestureAndTheProgramTakesTheName) {
  const auto& presets = lumen::PluginFactoryPresets();
  ASSERT_FALSE(presets.empty());
  EXPECT_EQ(presets.front().name, "Default");
  std::vector<float> start;
  for (int i = 0; i < plugin->NumParams(); ++i) start.push_back(plugin->GetParameter(i));

  plugin->Host().Recorder().Clear();
  ClickAt(*plugin, *host, kNextX, kBarY);
  const auto& next = presets[presets.size() > 1 ? 1 : 0];
  EXPECT_EQ(ProgramName(), next.name);
  for (int i = 0; i < plugin->NumParams(); ++i) {
    if (plugin->GetParameter(i) != start[static_cast<size_t>(i)]) {
      EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(i),
                (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}))
          << "parameter " << i;
    }
  }
  ClickAt(*plugin, *host, kPreviousX, kBarY);
  EXPECT_EQ(ProgramName(), "Default");
  for (int i = 0; i < plugin->NumParams(); ++i) EXPECT_EQ(plugin->GetParameter(i), start[static_cast<size_t>(i)]) << i;
}

TEST_F(PresetBarX11Test, AChangeMarksTheBarAndCtrlZTakesItBackAsAGesture) {
  const auto clean = BarShot(*host, "clean");
  const float before = plugin->GetParameter(kInputGain);
  // A drag on Input Gain.
  std::string drag = "xdotool mousemove --window ";
  drag += std::to_string(host->Id());
  // Appended piece by piece: GCC 12 at -O3 takes a literal prepended to a temporary string for an
  // overlapping copy (-Wrestrict), which breaks the Release build.
  drag += ' ';
  drag += std::to_string(kInputGainX);
  drag += ' ';
  drag += std::to_string(kInputGainY);
  ASSERT_EQ(Shell(drag + " mousedown 1"), 0);
  Idle(*plugin, 80);
  ASSERT_EQ(Shell("xdotool mousemove_relative -- 0 -40"), 0);
  Idle(*plugin, 80);
  ASSERT_EQ(Shell("xdotool mouseup 1"), 0);
  Idle(*plugin, 250);
  const float turned = plugin->GetParameter(kInputGain);
  ASSERT_NE(turned, before);
  const auto marked = BarShot(*host, "marked");
  EXPECT_GT(DifferingPixels(clean, marked), 20) << marked << ": the bar shows the change";

  // The keyboard comes with a click on the background; Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo.
  ClickAt(*plugin, *host, kBackgroundX, kBackgroundY);
  plugin->Host().Recorder().Clear();
  Keys(*plugin, "ctrl+z");
  EXPECT_EQ(plugin->GetParameter(kInputGain), before);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
  EXPECT_LT(DifferingPixels(clean, BarShot(*host, "undone")), 20) << "the mark goes with the change";
  Keys(*plugin, "ctrl+shift+z");
  EXPECT_EQ(plugin->GetParameter(kInputGain), turned);
  Keys(*plugin, "ctrl+z");
  Keys(*plugin, "ctrl+y");
  EXPECT_EQ(plugin->GetParameter(kInputGain), turned);
}

TEST_F(PresetBarX11Test, TheMenuLoadsAPresetFromItsCategorySubmenuAndUndoes) {
  const auto& presets = lumen::PluginFactoryPresets();
  // The last factory preset: its category's place among the categories and its place in it.
  const lumen::FactoryPreset& target = presets.back();
  std::vector<std::string> categories;
  int row = 0;
  for (const auto& p : presets) {
    if (std::find(categories.begin(), categories.end(), p.category) == categories.end()) categories.push_back(p.category);
    if (p.category == target.category && &p != &target) ++row;
  }
  const auto category = std::find(categories.begin(), categories.end(), target.category) - categories.begin();
  std::vector<float> start;
  for (int i = 0; i < plugin->NumParams(); ++i) start.push_back(plugin->GetParameter(i));

  ClickAt(*plugin, *host, kNameX, kBarY);
  std::string keys;
  for (long i = 0; i <= category; ++i) keys += "Down ";
  keys += "Right ";
  for (int i = 0; i < row; ++i) keys += "Down ";
  keys += "Return";
  Keys(*plugin, keys);
  EXPECT_EQ(ProgramName(), target.name);

  // "Undo" in the same menu: after the categories, the user presets and "Save preset…".
  ClickAt(*plugin, *host, kNameX, kBarY);
  keys.clear();
  for (size_t i = 0; i < categories.size() + 3; ++i) keys += "Down ";
  keys += "Return";
  Keys(*plugin, keys);
  for (int i = 0; i < plugin->NumParams(); ++i) EXPECT_EQ(plugin->GetParameter(i), start[static_cast<size_t>(i)]) << i;
}

TEST_F(PresetBarX11Test, SavePresetWritesAProgramFileTheMenuListsAndAsksBeforeOverwriting) {
  const auto file = userData / "Lumenfold" / "Kolmari" / "Presets" / "My Warm.fxp";
  auto savePreset = [&] {
    ClickAt(*plugin, *host, kNameX, kBarY);
    std::string keys;
    // The categories, "User presets", then "Save preset…".
    std::vector<std::string> categories;
    for (const auto& p : lumen::PluginFactoryPresets()) {
      if (std::find(categories.begin(), categories.end(), p.category) == categories.end()) categories.push_back(p.category);
    }
    for (size_t i = 0; i < categories.size() + 2; ++i) keys += "Down ";
    keys += "Return";
    Keys(*plugin, keys);
    ASSERT_EQ(Shell("xdotool type --delay 40 'My Warm' && xdotool key Return"), 0);
    Idle(*plugin, 300);
  };
  savePreset();
  ASSERT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_EQ(ProgramName(), "My Warm");
  const auto written = std::filesystem::last_write_time(file);

  // Saving under the same name asks; "No" keeps the file as it was.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  savePreset();
  Keys(*plugin, "Down Down Return"); // Yes, No: No
  EXPECT_EQ(std::filesystem::last_write_time(file), written);
  savePreset();
  Keys(*plugin, "Down Return"); // Yes
  EXPECT_NE(std::filesystem::last_write_time(file), written);

  // A foreign file in the folder loads nothing and says why.
  {
    std::ofstream junk(file.parent_path() / "Junk.fxp", std::ios::binary);
    junk << "not a program file at all, only words";
  }
  std::vector<float> start;
  for (int i = 0; i < plugin->NumParams(); ++i) start.push_back(plugin->GetParameter(i));
  const auto clean = BarShot(*host, "before-junk");
  std::vector<std::string> categories;
  for (const auto& p : lumen::PluginFactoryPresets()) {
    if (std::find(categories.begin(), categories.end(), p.category) == categories.end()) categories.push_back(p.category);
  }
  ClickAt(*plugin, *host, kNameX, kBarY);
  std::string keys;
  for (size_t i = 0; i < categories.size() + 1; ++i) keys += "Down ";
  keys += "Right Return"; // "Junk" sorts before "My Warm"
  Keys(*plugin, keys);
  for (int i = 0; i < plugin->NumParams(); ++i) EXPECT_EQ(plugin->GetParameter(i), start[static_cast<size_t>(i)]) << i;
  EXPECT_GT(DifferingPixels(clean, BarShot(*host, "junk-message")), 50) << "the bar shows a message";
}

TEST_F(PresetBarX11Test, ABSwitchesAndCopiesAsGesturesTheHostHears) {
  const float a = plugin->GetParameter(kInputGain);
  ClickAt(*plugin, *host, kBX, kABY); // B starts as a copy of A
  EXPECT_EQ(plugin->GetParameter(kInputGain), a);
  plugin->SetParameter(kInputGain, 0.9f); // the host's automation: it moves B too
  // Only editor changes are steps, but B keeps whatever it holds when left.
  ClickAt(*plugin, *host, kAX, kABY);
  EXPECT_EQ(plugin->GetParameter(kInputGain), a);
  plugin->Host().Recorder().Clear();
  ClickAt(*plugin, *host, kBX, kABY);
  EXPECT_FLOAT_EQ(plugin->GetParameter(kInputGain), 0.9f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain),
            (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
  ClickAt(*plugin, *host, kCopyX, kABY);
  EXPECT_EQ(plugin->GetParameter(kInputGain), a);
}

} // namespace
} // namespace kolmari::gui::test
