// Kolmari.lv2's settings as hosts keep them: the port values saved with lilv_state from one instance
// and restored into a fresh one, through Turtle text as a host stores it, and the bundle's factory
// preset read and applied the same way.
#include "Lv2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using lv2test::ControlInfo;
using lv2test::Instance;
using lv2test::World;

// The URID map a host hands to lilv_state: URIs numbered in the order they are first seen.
class UridMap {
public:
  UridMap() {
    mMap.handle = this;
    mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->Map(uri); };
    mUnmap.handle = this;
    mUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
      const UridMap* self = static_cast<UridMap*>(handle);
      return urid >= 1 && urid <= self->mUris.size() ? self->mUris[urid - 1].c_str() : nullptr;
    };
  }
  LV2_URID Map(const char* uri) {
    for (size_t i = 0; i < mUris.size(); ++i)
      if (mUris[i] == uri) return static_cast<LV2_URID>(i + 1);
    mUris.emplace_back(uri);
    return static_cast<LV2_URID>(mUris.size());
  }
  LV2_URID_Map* Get() { return &mMap; }
  LV2_URID_Unmap* Unmap() { return &mUnmap; }

private:
  std::vector<std::string> mUris;
  LV2_URID_Map mMap{};
  LV2_URID_Unmap mUnmap{};
};

struct PortAccess {
  Instance* instance;
  LV2_URID floatType;
  int unknown = 0;
};

const void* GetPortValue(const char* symbol, void* data, uint32_t* size, uint32_t* type) {
  auto* access = static_cast<PortAccess*>(data);
  *size = sizeof(float);
  *type = access->floatType;
  return &access->instance->Control(symbol);
}

void SetPortValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
  auto* access = static_cast<PortAccess*>(data);
  const auto& controls = access->instance->Controls();
  if (controls.find(symbol) == controls.end() || size != sizeof(float) || type != access->floatType) {
    ++access->unknown;
    return;
  }
  std::memcpy(&access->instance->Control(symbol), value, sizeof(float));
}

// A short stereo render of a fixed tone.
std::vector<float> RenderTone(Instance& instance) {
  std::vector<float> rendered;
  uint64_t phase = 0;
  for (int block = 0; block < 4; ++block) {
    for (uint32_t i = 0; i < 1024; ++i, ++phase)
      for (auto& channel : instance.in)
        channel[i] = 0.6f * static_cast<float>(std::sin(0.02 * static_cast<double>(phase)));
    instance.Run(1024);
    for (const auto& channel : instance.out) rendered.insert(rendered.end(), channel.begin(), channel.begin() + 1024);
  }
  return rendered;
}

float LargestDifference(const std::vector<float>& a, const std::vector<float>& b) {
  float largest = a.size() == b.size() ? 0.0f : INFINITY;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) largest = std::max(largest, std::fabs(a[i] - b[i]));
  return largest;
}

TEST(Lv2State, PortValuesSurviveASaveAsTurtleAndARestoreIntoAFreshInstance) {
  const World world;
  UridMap urids;
  const LV2_URID floatType = urids.Map(LV2_ATOM__Float);
  const std::map<std::string, float> settings = {{"oversampling", 2.0f}, {"react", 1.0f},  {"input_gain", 77.5f},
                                                 {"wet", 90.0f},         {"tame", 0.125f}, {"output_gain", 80.0f},
                                                 {"bias", 0.7f},         {"delta", 0.0f},  {"enabled", 1.0f}};
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    Instance first(world, uri, 48000.0);
    ASSERT_TRUE(first.Valid());
    for (const auto& [symbol, value] : settings) first.Control(symbol) = value;
    first.Activate();
    const std::vector<float> heard = RenderTone(first);

    PortAccess from{&first, floatType};
    LilvState* saved = lilv_state_new_from_instance(first.Plugin(), first.Get(), urids.Get(), nullptr, nullptr, nullptr,
                                                    nullptr, &GetPortValue, &from, 0, nullptr);
    ASSERT_NE(saved, nullptr);
    char* text =
        lilv_state_to_string(world.Get(), urids.Get(), urids.Unmap(), saved, "urn:kolmari:test-state", nullptr);
    ASSERT_NE(text, nullptr);
    LilvState* loaded = lilv_state_new_from_string(world.Get(), urids.Get(), text);
    lilv_free(text);
    lilv_state_free(saved);
    ASSERT_NE(loaded, nullptr);

    Instance second(world, uri, 48000.0);
    ASSERT_TRUE(second.Valid());
    PortAccess to{&second, floatType};
    lilv_state_restore(loaded, second.Get(), &SetPortValue, &to, 0, nullptr);
    lilv_state_free(loaded);
    EXPECT_EQ(to.unknown, 0) << uri;
    for (const auto& [symbol, value] : settings) EXPECT_EQ(second.Control(symbol), value) << uri << ": " << symbol;
    second.Activate();
    EXPECT_LE(LargestDifference(RenderTone(second), heard), 1e-3f) << uri;
  }
}

TEST(Lv2State, TheDefaultPresetIsAmongTheFactoryPresetsAndLeavesEnabledAlone) {
  const World world;
  UridMap urids;
  const LV2_URID floatType = urids.Map(LV2_ATOM__Float);
  LilvNode* presetClass = lilv_new_uri(world.Get(), LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(world.Get(), LILV_NS_RDFS "label");
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    const LilvPlugin* plugin = world.Plugin(uri);
    ASSERT_NE(plugin, nullptr);
    LilvNodes* presets = lilv_plugin_get_related(plugin, presetClass);
    ASSERT_NE(presets, nullptr);
    // Every factory preset applies to both plug-ins; "Default" is one of them.
    EXPECT_GE(lilv_nodes_size(presets), 16u) << uri;
    const LilvNode* preset = nullptr;
    LILV_FOREACH(nodes, i, presets) {
      const LilvNode* candidate = lilv_nodes_get(presets, i);
      lilv_world_load_resource(world.Get(), candidate);
      LilvNodes* labels = lilv_world_find_nodes(world.Get(), candidate, label, nullptr);
      if (labels && std::string(lilv_node_as_string(lilv_nodes_get_first(labels))) == "Default") preset = candidate;
      lilv_nodes_free(labels);
    }
    ASSERT_NE(preset, nullptr) << uri;

    LilvState* state = lilv_state_new_from_world(world.Get(), urids.Get(), preset);
    lilv_nodes_free(presets);
    ASSERT_NE(state, nullptr) << uri;
    EXPECT_STREQ(lilv_state_get_label(state), "Default");

    // Applied over other values, it brings back every default; a bypassed plug-in stays bypassed.
    Instance instance(world, uri, 44100.0);
    ASSERT_TRUE(instance.Valid());
    const std::vector<ControlInfo> controls = lv2test::ControlInputs(world, plugin);
    for (const ControlInfo& c : controls) instance.Control(c.symbol) = c.symbol == "enabled" ? 0.0f : c.max;
    PortAccess to{&instance, floatType};
    lilv_state_restore(state, instance.Get(), &SetPortValue, &to, 0, nullptr);
    lilv_state_free(state);
    EXPECT_EQ(to.unknown, 0);
    for (const ControlInfo& c : controls)
      EXPECT_EQ(instance.Control(c.symbol), c.symbol == "enabled" ? 0.0f : c.def) << uri << ": " << c.symbol;
  }
  lilv_node_free(label);
  lilv_node_free(presetClass);
}

} // namespace
