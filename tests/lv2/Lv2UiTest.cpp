// KolmariUI.so as an LV2 host sees it, inside an X server of its own (xvfb-run): loaded with dlopen,
// instantiated with a parent window, a recording write function, ui:resize, ui:touch and the
// options, and driven only by its idle interface. Gestures in the editor must arrive as port writes
// in the ports' own units; port events must become the editor's values.
#include "X11HostWindow.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kolmari::lv2::ui_test {
namespace {

using lumen::canvas::X11HostWindow;

constexpr const char* kStereo = "https://lumenfold.com/plugins/kolmari";
constexpr const char* kMono = "https://lumenfold.com/plugins/kolmari-mono";
constexpr int kWidth = 815; // the editor's first size (1630 x 1010 at draw scale 0.5)
constexpr int kHeight = 505;
// Input Gain's knob and the bypass flipper, in editor pixels at the first size.
constexpr int kInputGainX = 130, kInputGainY = 169;
constexpr int kFlipperX = 686, kFlipperY = 214;
// Control ports: after 2 x channels audio ports, one per parameter in index order.
constexpr uint32_t kStereoEnabled = 4, kStereoInputGain = 8;
constexpr uint32_t kMonoInputGain = 6;

int Shell(const std::string& command) { return std::system(command.c_str()); }

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

long ResidentBytes() {
  long pages = 0, residentPages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &residentPages) != 2) residentPages = 0;
    std::fclose(f);
  }
  return residentPages * sysconf(_SC_PAGESIZE);
}

// What the host heard from the UI, in order.
struct Recorder {
  struct Write {
    uint32_t port;
    float value;
  };
  struct Touch {
    uint32_t port;
    bool grabbed;
  };
  std::vector<Write> writes;
  std::vector<Touch> touches;
  std::vector<std::pair<int, int>> sizes;
  int badWrites = 0;

  static void OnWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
    auto* r = static_cast<Recorder*>(controller);
    if (size != sizeof(float) || protocol != 0 || !buffer) {
      ++r->badWrites;
      return;
    }
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    r->writes.push_back({port, value});
  }
  static int OnResize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<Recorder*>(handle)->sizes.emplace_back(width, height);
    return 0;
  }
  static void OnTouch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    static_cast<Recorder*>(handle)->touches.push_back({port, grabbed});
  }
  std::vector<float> WritesTo(uint32_t port) const {
    std::vector<float> values;
    for (const Write& w : writes)
      if (w.port == port) values.push_back(w.value);
    return values;
  }
};

// A URID map of the host's: URIs numbered in the order asked.
struct UridMap {
  std::map<std::string, LV2_URID> ids;
  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = static_cast<UridMap*>(handle)->ids;
    auto it = ids.find(uri);
    if (it != ids.end()) return it->second;
    const auto id = static_cast<LV2_URID>(ids.size() + 1);
    ids.emplace(uri, id);
    return id;
  }
};

class UiLibrary {
public:
  UiLibrary() {
    mHandle = dlopen(KOLMARI_LV2_UI_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (!mHandle) return;
    using Entry = const LV2UI_Descriptor* (*)(uint32_t);
    if (auto entry = reinterpret_cast<Entry>(dlsym(mHandle, "lv2ui_descriptor"))) mDescriptor = entry(0);
  }
  ~UiLibrary() {
    if (mHandle) dlclose(mHandle);
  }
  void* Handle() const { return mHandle; }
  const LV2UI_Descriptor* Descriptor() const { return mDescriptor; }

private:
  void* mHandle = nullptr;
  const LV2UI_Descriptor* mDescriptor = nullptr;
};

// One UI instance in a host window, with the features a full host gives (each can be left out).
class UiInstance {
public:
  struct Options {
    const char* plugin = kStereo;
    bool resize = true;
    bool touch = true;
    bool parent = true;
    float scaleFactor = 0.0f; // 0: not told
  };

  UiInstance(const UiLibrary& library, X11HostWindow& host, const Options& options) : mDescriptor(library.Descriptor()) {
    mResize = {&recorder, &Recorder::OnResize};
    mTouch = {&recorder, &Recorder::OnTouch};
    mMap = {&mUrids, &UridMap::Map};
    mScale = options.scaleFactor;
    mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, UridMap::Map(&mUrids, LV2_UI__scaleFactor), sizeof(float),
                   UridMap::Map(&mUrids, LV2_ATOM__Float), &mScale};
    mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mFeatureData = {{LV2_UI__parent, host.Handle()}, {LV2_UI__resize, &mResize}, {LV2_UI__touch, &mTouch},
                    {LV2_URID__map, &mMap}, {LV2_OPTIONS__options, mOptions}};
    for (size_t i = 0; i < mFeatureData.size(); ++i) {
      const bool wanted = (i != 0 || options.parent) && (i != 1 || options.resize) && (i != 2 || options.touch) &&
                          (i < 3 || options.scaleFactor > 0.0f);
      if (wanted) mFeatures.push_back(&mFeatureData[i]);
    }
    mFeatures.push_back(nullptr);
    mHandle = mDescriptor->instantiate(mDescriptor, options.plugin, KOLMARI_LV2_BUNDLE "/", &Recorder::OnWrite,
                                       &recorder, &mWidget, mFeatures.data());
    if (mHandle) mIdle = static_cast<const LV2UI_Idle_Interface*>(mDescriptor->extension_data(LV2_UI__idleInterface));
  }
  ~UiInstance() {
    if (mHandle) mDescriptor->cleanup(mHandle);
  }

  bool Ok() const { return mHandle && mWidget && mIdle; }
  LV2UI_Widget Widget() const { return mWidget; }

  // The host's UI loop for a while: idle calls at about the display's rate.
  void Idle(int milliseconds = 150) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      EXPECT_EQ(mIdle->idle(mHandle), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(8));
    }
  }
  void PortEvent(uint32_t port, float value) { mDescriptor->port_event(mHandle, port, sizeof value, 0, &value); }

  Recorder recorder;

private:
  const LV2UI_Descriptor* mDescriptor;
  LV2UI_Resize mResize{};
  LV2UI_Touch mTouch{};
  UridMap mUrids;
  LV2_URID_Map mMap{};
  float mScale = 0.0f;
  LV2_Options_Option mOptions[2]{};
  std::vector<LV2_Feature> mFeatureData;
  std::vector<const LV2_Feature*> mFeatures;
  LV2UI_Handle mHandle = nullptr;
  LV2UI_Widget mWidget = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
};

// A vertical drag of dy pixels on the point (x, y) of the host's window, the button held over a few
// host idle calls, as a user drags.
void Drag(UiInstance& ui, const X11HostWindow& host, int x, int y, int dy) {
  const std::string window = std::to_string(host.Id());
  const auto at = [&](int px, int py, const std::string& action) {
    return Shell("xdotool mousemove --window " + window + " " + std::to_string(px) + " " + std::to_string(py) + " " +
                 action);
  };
  ASSERT_EQ(at(x, y, "mousedown 1"), 0);
  ui.Idle(60);
  ASSERT_EQ(at(x, y + dy / 2, ""), 0);
  ui.Idle(60);
  ASSERT_EQ(at(x, y + dy, ""), 0);
  ui.Idle(60);
  ASSERT_EQ(at(x, y + dy, "mouseup 1"), 0);
  ui.Idle(100);
}

void Click(UiInstance& ui, const X11HostWindow& host, int x, int y) {
  ASSERT_EQ(Shell("xdotool mousemove --window " + std::to_string(host.Id()) + " " + std::to_string(x) + " " +
                  std::to_string(y) + " click 1"),
            0);
  ui.Idle(150);
}

class Lv2Ui : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(library.Handle(), nullptr) << dlerror();
    ASSERT_NE(library.Descriptor(), nullptr);
    host = X11HostWindow::Create(kWidth, kHeight);
    ASSERT_TRUE(host);
  }
  UiLibrary library;
  std::unique_ptr<X11HostWindow> host;
};

TEST_F(Lv2Ui, OneDescriptorWithTheIdleInterfaceOnly) {
  const LV2UI_Descriptor* d = library.Descriptor();
  EXPECT_STREQ(d->URI, "https://lumenfold.com/plugins/kolmari#ui");
  using Entry = const LV2UI_Descriptor* (*)(uint32_t);
  auto entry = reinterpret_cast<Entry>(dlsym(library.Handle(), "lv2ui_descriptor"));
  EXPECT_EQ(entry(1), nullptr);
  EXPECT_NE(d->extension_data(LV2_UI__idleInterface), nullptr);
  // Answered only where declared: no show interface, no resize interface of the UI's own.
  EXPECT_EQ(d->extension_data(LV2_UI__showInterface), nullptr);
  EXPECT_EQ(d->extension_data(LV2_UI__resize), nullptr);
  EXPECT_EQ(d->extension_data(nullptr), nullptr);
}

TEST_F(Lv2Ui, RefusedWithoutItsParentOrForAnotherPlugin) {
  {
    UiInstance::Options options;
    options.parent = false;
    UiInstance ui(library, *host, options);
    EXPECT_FALSE(ui.Ok());
  }
  {
    UiInstance::Options options;
    options.plugin = "https://example.org/another-plugin";
    UiInstance ui(library, *host, options);
    EXPECT_FALSE(ui.Ok());
  }
  host->Sync();
  EXPECT_EQ(host->ChildCount(), 0);
}

TEST_F(Lv2Ui, ReportsItsSizeOnOpenAtTheHostsScale) {
  {
    UiInstance ui(library, *host, {});
    ASSERT_TRUE(ui.Ok());
    ui.Idle(60);
    ASSERT_FALSE(ui.recorder.sizes.empty());
    EXPECT_EQ(ui.recorder.sizes.front(), std::make_pair(kWidth, kHeight));
    host->Sync();
    int w = 0, h = 0;
    ASSERT_TRUE(host->ChildSize(w, h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ui.Widget()) != 0, true);
  }
  {
    UiInstance::Options options;
    options.scaleFactor = 2.0f;
    UiInstance ui(library, *host, options);
    ASSERT_TRUE(ui.Ok());
    ASSERT_FALSE(ui.recorder.sizes.empty());
    EXPECT_EQ(ui.recorder.sizes.back(), std::make_pair(2 * kWidth, 2 * kHeight));
  }
  {
    // Without ui:resize the editor still opens at its size; the host just hears nothing.
    UiInstance::Options options;
    options.resize = false;
    UiInstance ui(library, *host, options);
    ASSERT_TRUE(ui.Ok());
    ui.Idle(60);
    host->Sync();
    int w = 0, h = 0;
    ASSERT_TRUE(host->ChildSize(w, h));
    EXPECT_EQ(w, kWidth);
    EXPECT_TRUE(ui.recorder.sizes.empty());
  }
}

// The grip in the editor's corner scales it: the host hears the new size through ui:resize, and the
// editor's window has it. A host that resizes its window (the user drags the frame) is followed.
TEST_F(Lv2Ui, TheGripTellsTheHostItsSizeAndTheHostsResizeIsFollowed) {
  host->Resize(1700, 1100);
  UiInstance ui(library, *host, {});
  ASSERT_TRUE(ui.Ok());
  ui.Idle(200);
  ui.recorder.sizes.clear();
  constexpr int kGripX = 810, kGripY = 500;
  const std::string window = std::to_string(host->Id());
  ASSERT_EQ(Shell("xdotool mousemove --window " + window + " " + std::to_string(kGripX) + " " + std::to_string(kGripY) +
                  " mousedown 1"),
            0);
  ui.Idle(60);
  ASSERT_EQ(Shell("xdotool mousemove --window " + window + " " + std::to_string(kGripX + 160) + " " +
                  std::to_string(kGripY + 100)),
            0);
  ui.Idle(100);
  ASSERT_EQ(Shell("xdotool mouseup 1"), 0);
  ui.Idle(150);
  ASSERT_FALSE(ui.recorder.sizes.empty());
  const auto [w, h] = ui.recorder.sizes.back();
  EXPECT_GT(w, kWidth);
  EXPECT_GT(h, kHeight);
  EXPECT_TRUE(ui.recorder.writes.empty()); // a resize is no parameter change
  host->Sync();
  int cw = 0, ch = 0;
  ASSERT_TRUE(host->ChildSize(cw, ch));
  EXPECT_EQ(cw, w);
  EXPECT_EQ(ch, h);

  // The host makes its window the editor's largest size at the editor's shape: the editor fills it.
  host->Resize(2 * kWidth, 2 * kHeight);
  ui.Idle(300);
  host->Sync();
  ASSERT_TRUE(host->ChildSize(cw, ch));
  EXPECT_EQ(cw, 2 * kWidth);
  EXPECT_EQ(ch, 2 * kHeight);
}

// A knob dragged up writes Input Gain's port only, in percent, rising, between the host's touch
// begin and end for that port.
TEST_F(Lv2Ui, KnobDragWritesThePortInPlainUnitsBetweenTouches) {
  UiInstance ui(library, *host, {});
  ASSERT_TRUE(ui.Ok());
  ui.Idle(200);
  ui.recorder.writes.clear();
  Drag(ui, *host, kInputGainX, kInputGainY, -40);
  const Recorder& r = ui.recorder;
  EXPECT_EQ(r.badWrites, 0);
  ASSERT_FALSE(r.writes.empty());
  for (const auto& w : r.writes) EXPECT_EQ(w.port, kStereoInputGain);
  const std::vector<float> values = r.WritesTo(kStereoInputGain);
  float last = 32.0f; // the default
  for (float v : values) {
    EXPECT_GE(v, last);
    EXPECT_LE(v, 200.0f);
    last = v;
  }
  EXPECT_GT(last, 40.0f);
  ASSERT_EQ(r.touches.size(), 2u);
  EXPECT_EQ(r.touches[0].port, kStereoInputGain);
  EXPECT_TRUE(r.touches[0].grabbed);
  EXPECT_EQ(r.touches[1].port, kStereoInputGain);
  EXPECT_FALSE(r.touches[1].grabbed);
}

// What the host sends is where the next gesture starts: after Input Gain's port was set to its
// maximum, a drag down writes values below the maximum and above the default. The "enabled" port
// holds the inverse of the bypass switch: set to 0 (bypassed), a click on the switch writes 1.
TEST_F(Lv2Ui, PortEventsBecomeTheEditorsValues) {
  UiInstance ui(library, *host, {});
  ASSERT_TRUE(ui.Ok());
  ui.PortEvent(kStereoInputGain, 200.0f);
  ui.PortEvent(kStereoEnabled, 0.0f);
  // Not ours to take: audio ports, the latency output, other formats and sizes, a NaN.
  ui.PortEvent(0, 0.5f);
  ui.PortEvent(13, 12.0f);
  ui.PortEvent(99, 1.0f);
  const float nan = std::nanf("");
  ui.PortEvent(kStereoInputGain, nan);
  const double wrongSize = 5.0;
  library.Descriptor()->port_event(nullptr, kStereoInputGain, sizeof wrongSize, 0, &wrongSize);
  ui.Idle(200);
  EXPECT_TRUE(ui.recorder.writes.empty()); // a value from the host is not written back
  Drag(ui, *host, kInputGainX, kInputGainY, 40);
  const std::vector<float> gains = ui.recorder.WritesTo(kStereoInputGain);
  ASSERT_FALSE(gains.empty());
  EXPECT_LT(gains.back(), 200.0f);
  EXPECT_GT(gains.back(), 100.0f);

  Click(ui, *host, kFlipperX, kFlipperY);
  const std::vector<float> enabled = ui.recorder.WritesTo(kStereoEnabled);
  ASSERT_FALSE(enabled.empty());
  EXPECT_EQ(enabled.back(), 1.0f);
  Click(ui, *host, kFlipperX, kFlipperY);
  EXPECT_EQ(ui.recorder.WritesTo(kStereoEnabled).back(), 0.0f);
}

// Hosts echo the UI's writes back a little later: an old value arriving during the drag must not
// disturb it, and once the gesture ended the host's values count again.
TEST_F(Lv2Ui, EchoesDuringADragDoNotDisturbItAndTheHostsValuesCountAfter) {
  UiInstance ui(library, *host, {});
  ASSERT_TRUE(ui.Ok());
  ui.Idle(200);
  const std::string window = std::to_string(host->Id());
  const auto at = [&](int y, const std::string& action) {
    return Shell("xdotool mousemove --window " + window + " " + std::to_string(kInputGainX) + " " + std::to_string(y) +
                 " " + action);
  };
  ASSERT_EQ(at(kInputGainY, "mousedown 1"), 0);
  ui.Idle(60);
  ASSERT_EQ(at(kInputGainY - 20, ""), 0);
  ui.Idle(60);
  ui.PortEvent(kStereoInputGain, 0.0f);
  ui.Idle(60);
  ASSERT_EQ(at(kInputGainY - 40, "mouseup 1"), 0);
  ui.Idle(100);
  const std::vector<float> values = ui.recorder.WritesTo(kStereoInputGain);
  ASSERT_GE(values.size(), 2u);
  for (float v : values) EXPECT_GT(v, 32.0f);
  // After the gesture the host's word counts again.
  ui.PortEvent(kStereoInputGain, 0.0f);
  ui.Idle(60);
  ui.recorder.writes.clear();
  Drag(ui, *host, kInputGainX, kInputGainY, -10);
  ASSERT_FALSE(ui.recorder.writes.empty());
  EXPECT_LT(ui.recorder.writes.back().value, values.back());
}

// The mono plug-in's control ports start two earlier; the same UI serves it.
TEST_F(Lv2Ui, TheMonoPluginsPortsAreItsOwn) {
  UiInstance::Options options;
  options.plugin = kMono;
  UiInstance ui(library, *host, options);
  ASSERT_TRUE(ui.Ok());
  ui.Idle(200);
  Drag(ui, *host, kInputGainX, kInputGainY, -40);
  ASSERT_FALSE(ui.recorder.writes.empty());
  for (const auto& w : ui.recorder.writes) EXPECT_EQ(w.port, kMonoInputGain);
}

TEST_F(Lv2Ui, TwentyOpenCloseCyclesLeaveNothingBehind) {
  int descriptors = -1;
  long resident = 0;
  for (int cycle = 0; cycle < 20; ++cycle) {
    {
      UiInstance ui(library, *host, {});
      ASSERT_TRUE(ui.Ok()) << cycle;
      ui.PortEvent(kStereoInputGain, static_cast<float>(cycle));
      ui.Idle(30);
      host->Sync();
      EXPECT_EQ(host->ChildCount(), 1) << cycle;
    }
    host->Sync();
    EXPECT_EQ(host->ChildCount(), 0) << cycle;
    // Measured from the fifth cycle on: the first ones fill the shared caches and the drivers'.
    if (cycle == 4) {
      descriptors = OpenDescriptors();
      resident = ResidentBytes();
    }
  }
  EXPECT_LE(OpenDescriptors(), descriptors + 1);
  // An editor left behind would keep its pictures, megabytes each; the window system's connections
  // leave a few kilobytes per cycle.
  EXPECT_LT(ResidentBytes() - resident, 2L << 20);
}

} // namespace
} // namespace kolmari::lv2::ui_test
