// The UI binding's reading of a host's features and its pump on the host's idle calls, without a
// display: what a host hands over that is missing, malformed or out of range must not be used.
#include "Lv2UiHost.h"
#include "Lv2UiPump.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace kolmari::lv2::ui_host_test {
namespace {

using lumen::Lv2UiHost;
using lumen::Lv2UiPump;

void Write(LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}
int Resize(LV2UI_Feature_Handle, int, int) { return 0; }
void Touch(LV2UI_Feature_Handle, uint32_t, bool) {}

struct Urids {
  std::map<std::string, LV2_URID> ids;
  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = static_cast<Urids*>(handle)->ids;
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
  }
};

// A host's feature list with a scale factor in its options, as the test arranges it.
struct Features {
  int parentWindow = 0x4200001;
  LV2UI_Resize resize{nullptr, &Resize};
  LV2UI_Touch touch{nullptr, &Touch};
  Urids urids;
  LV2_URID_Map map{&urids, &Urids::Map};
  float scale = 1.5f;
  LV2_Options_Option options[3]{};
  std::vector<LV2_Feature> data;
  std::vector<const LV2_Feature*> list;

  explicit Features(bool withMap = true) {
    const LV2_URID floatType = Urids::Map(&urids, LV2_ATOM__Float);
    // Another option first: the reader must look past it.
    options[0] = {LV2_OPTIONS_INSTANCE, 0, Urids::Map(&urids, "urn:example:other"), sizeof(float), floatType, &scale};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, Urids::Map(&urids, LV2_UI__scaleFactor), sizeof(float), floatType, &scale};
    options[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    data = {{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parentWindow))},
            {LV2_UI__resize, &resize},
            {LV2_UI__touch, &touch},
            {LV2_OPTIONS__options, options}};
    if (withMap) data.push_back({LV2_URID__map, &map});
  }
  const LV2_Feature* const* List() {
    list.clear();
    for (const LV2_Feature& f : data) list.push_back(&f);
    list.push_back(nullptr);
    return list.data();
  }
};

TEST(Lv2UiHost, ReadsEveryFeatureAHostGives) {
  Features f;
  Lv2UiHost host;
  int controller = 0;
  ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, &controller, host));
  EXPECT_EQ(host.write, &Write);
  EXPECT_EQ(host.controller, &controller);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(host.parent), static_cast<uintptr_t>(f.parentWindow));
  EXPECT_EQ(host.resize, &f.resize);
  EXPECT_EQ(host.touch, &f.touch);
  EXPECT_FLOAT_EQ(host.scaleFactor, 1.5f);
}

TEST(Lv2UiHost, RefusesWithoutWriteFunctionOrParent) {
  Lv2UiHost host;
  Features f;
  EXPECT_FALSE(lumen::ReadLv2UiHost(f.List(), nullptr, nullptr, host));
  EXPECT_FALSE(lumen::ReadLv2UiHost(nullptr, &Write, nullptr, host));
  const LV2_Feature* none[] = {nullptr};
  EXPECT_FALSE(lumen::ReadLv2UiHost(none, &Write, nullptr, host));
  f.data[0].data = nullptr; // a parent feature without a window
  EXPECT_FALSE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
}

TEST(Lv2UiHost, FeaturesThatCannotBeUsedAreTakenAsAbsent) {
  Features f;
  f.resize.ui_resize = nullptr;
  f.data[2].data = nullptr;
  Lv2UiHost host;
  ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
  EXPECT_EQ(host.resize, nullptr);
  EXPECT_EQ(host.touch, nullptr);
}

TEST(Lv2UiHost, ScaleFactorOnlyThroughTheMapAndOnlyWhenSensible) {
  Lv2UiHost host;
  {
    Features f(false); // no urid:map: the option keys cannot be known
    ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
    EXPECT_EQ(host.scaleFactor, 0.0f);
  }
  for (float bad : {0.0f, -2.0f, 0.1f, 100.0f, std::nanf(""), HUGE_VALF}) {
    Features f;
    f.scale = bad;
    ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
    EXPECT_EQ(host.scaleFactor, 0.0f) << bad;
  }
  {
    Features f;
    f.options[1].type = Urids::Map(&f.urids, LV2_ATOM__Int); // the right key with another type
    ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
    EXPECT_EQ(host.scaleFactor, 0.0f);
  }
  {
    Features f;
    f.options[1].value = nullptr;
    ASSERT_TRUE(lumen::ReadLv2UiHost(f.List(), &Write, nullptr, host));
    EXPECT_EQ(host.scaleFactor, 0.0f);
  }
}

TEST(Lv2UiPump, TheTimerTicksOnIdleCallsOncePerPeriod) {
  Lv2UiPump pump;
  const auto t0 = Lv2UiPump::Clock::now();
  EXPECT_FALSE(pump.TakeIdleCall(t0)); // nothing asked for
  EXPECT_FALSE(pump.StartTimer(0));
  ASSERT_TRUE(pump.StartTimer(16));
  const auto start = Lv2UiPump::Clock::now();
  using std::chrono::milliseconds;
  EXPECT_FALSE(pump.TakeIdleCall(start + milliseconds(5)));
  EXPECT_TRUE(pump.TakeIdleCall(start + milliseconds(15))); // a little early is on time
  EXPECT_FALSE(pump.TakeIdleCall(start + milliseconds(20)));
  // A slow host: every idle call after a long pause is one tick, not a burst.
  EXPECT_TRUE(pump.TakeIdleCall(start + milliseconds(200)));
  EXPECT_FALSE(pump.TakeIdleCall(start + milliseconds(201)));
  pump.StopTimer();
  EXPECT_FALSE(pump.TakeIdleCall(start + milliseconds(400)));
}

TEST(Lv2UiPump, AWatchedDescriptorTicksWhileItHasDataToRead) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  Lv2UiPump pump;
  EXPECT_FALSE(pump.WatchDescriptor(-1));
  ASSERT_TRUE(pump.WatchDescriptor(fds[0]));
  const auto now = Lv2UiPump::Clock::now();
  EXPECT_FALSE(pump.TakeIdleCall(now));
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_TRUE(pump.TakeIdleCall(now));
  char c = 0;
  ASSERT_EQ(read(fds[0], &c, 1), 1);
  EXPECT_FALSE(pump.TakeIdleCall(now));
  // The writer gone: the descriptor reports it, and the tick finds out.
  close(fds[1]);
  EXPECT_TRUE(pump.TakeIdleCall(now));
  pump.StopWatching();
  EXPECT_FALSE(pump.TakeIdleCall(now));
  EXPECT_EQ(pump.WatchedDescriptor(), -1);
  close(fds[0]);
}

} // namespace
} // namespace kolmari::lv2::ui_host_test
