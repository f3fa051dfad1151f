#pragma once

// A small lilv host for the tests: the bundle loaded into a world of its own, and an instance with
// every port connected to storage it owns, the control inputs by symbol, so a test says what a
// host would do and reads what the plug-in gave.
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2test {

inline const char* const kStereo = "https://lumenfold.com/plugins/kolmari";
inline const char* const kMono = "https://lumenfold.com/plugins/kolmari-mono";

// One lilv world holding only the bundle under test.
class World {
public:
  World() : mWorld(lilv_world_new()) {
    LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, KOLMARI_LV2_BUNDLE "/");
    lilv_world_load_bundle(mWorld, bundle);
    lilv_node_free(bundle);
  }
  ~World() { lilv_world_free(mWorld); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  LilvWorld* Get() const { return mWorld; }

  const LilvPlugin* Plugin(const char* uri) const {
    LilvNode* node = lilv_new_uri(mWorld, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), node);
    lilv_node_free(node);
    return plugin;
  }

private:
  LilvWorld* mWorld;
};

// A control port as the Turtle describes it.
struct ControlInfo {
  uint32_t index = 0;
  std::string symbol;
  float min = 0.0f, max = 0.0f, def = 0.0f;
  bool toggled = false, integer = false, enumeration = false;
  std::vector<float> scalePoints;
};

// The plug-in's control inputs, in port order.
inline std::vector<ControlInfo> ControlInputs(const World& world, const LilvPlugin* plugin) {
  LilvWorld* w = world.Get();
  LilvNode* control = lilv_new_uri(w, LILV_URI_CONTROL_PORT);
  LilvNode* input = lilv_new_uri(w, LILV_URI_INPUT_PORT);
  LilvNode* toggled = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#toggled");
  LilvNode* integer = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#integer");
  LilvNode* enumeration = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#enumeration");
  const uint32_t n = lilv_plugin_get_num_ports(plugin);
  std::vector<float> mins(n), maxs(n), defs(n);
  lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
  std::vector<ControlInfo> out;
  for (uint32_t i = 0; i < n; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
    if (!lilv_port_is_a(plugin, port, control) || !lilv_port_is_a(plugin, port, input)) continue;
    ControlInfo info;
    info.index = i;
    info.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    info.min = mins[i];
    info.max = maxs[i];
    info.def = defs[i];
    info.toggled = lilv_port_has_property(plugin, port, toggled);
    info.integer = lilv_port_has_property(plugin, port, integer);
    info.enumeration = lilv_port_has_property(plugin, port, enumeration);
    if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
      LILV_FOREACH(scale_points, it, points) {
        info.scalePoints.push_back(lilv_node_as_float(lilv_scale_point_get_value(lilv_scale_points_get(points, it))));
      }
      lilv_scale_points_free(points);
    }
    out.push_back(info);
  }
  lilv_node_free(enumeration);
  lilv_node_free(integer);
  lilv_node_free(toggled);
  lilv_node_free(input);
  lilv_node_free(control);
  return out;
}

// One instance with its ports connected: the control inputs at their defaults, the latency output,
// and audio buffers of up to `capacity` frames per channel, inputs and outputs apart.
class Instance {
public:
  Instance(const World& world, const char* uri, double rate, uint32_t capacity = 4096)
      : mPlugin(world.Plugin(uri)), mCapacity(capacity) {
    if (!mPlugin) return;
    mInstance = lilv_plugin_instantiate(mPlugin, rate, nullptr);
    if (!mInstance) return;
    mChannels = lilv_plugin_get_num_ports(mPlugin) == 14 ? 2 : 1;
    for (const ControlInfo& c : ControlInputs(world, mPlugin)) {
      mControls[c.symbol] = c.def;
      mIndex[c.symbol] = c.index;
    }
    for (int c = 0; c < mChannels; ++c) {
      mIndex[AudioSymbol(true, c)] = PortIndex(world, AudioSymbol(true, c));
      mIndex[AudioSymbol(false, c)] = PortIndex(world, AudioSymbol(false, c));
    }
    mIndex["latency"] = PortIndex(world, "latency");
    in.assign(static_cast<size_t>(mChannels), std::vector<float>(capacity, 0.0f));
    out.assign(static_cast<size_t>(mChannels), std::vector<float>(capacity, 0.0f));
    for (auto& [symbol, value] : mControls) lilv_instance_connect_port(mInstance, mIndex[symbol], &value);
    lilv_instance_connect_port(mInstance, mIndex["latency"], &latency);
    ConnectAudio();
  }
  ~Instance() {
    if (!mInstance) return;
    if (mActive) lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool Valid() const { return mInstance != nullptr; }
  LilvInstance* Get() const { return mInstance; }
  const LilvPlugin* Plugin() const { return mPlugin; }
  int Channels() const { return mChannels; }

  void Activate() {
    lilv_instance_activate(mInstance);
    mActive = true;
  }
  void Run(uint32_t frames) {
    ASSERT_LE(frames, mCapacity);
    lilv_instance_run(mInstance, frames);
  }

  // The storage behind a control input, which the plug-in reads in every run.
  float& Control(const std::string& symbol) { return mControls.at(symbol); }
  const std::map<std::string, float>& Controls() const { return mControls; }
  uint32_t Index(const std::string& symbol) const { return mIndex.at(symbol); }

  // Connects the audio ports to in and out again (after a test pointed them elsewhere).
  void ConnectAudio() {
    for (int c = 0; c < mChannels; ++c) {
      const size_t k = static_cast<size_t>(c);
      lilv_instance_connect_port(mInstance, mIndex[AudioSymbol(true, c)], in[k].data());
      lilv_instance_connect_port(mInstance, mIndex[AudioSymbol(false, c)], out[k].data());
    }
  }

  // "in"/"out" on the mono plug-in, "in_l", "out_r" and so on on the stereo one.
  const char* AudioSymbol(bool input, int channel) const {
    static const char* const kNames[2][2] = {{"out_l", "out_r"}, {"in_l", "in_r"}};
    if (mChannels == 1) return input ? "in" : "out";
    return kNames[input ? 1 : 0][channel];
  }

  std::vector<std::vector<float>> in;
  std::vector<std::vector<float>> out;
  float latency = -1.0f;

private:
  uint32_t PortIndex(const World& world, const char* symbol) const {
    LilvNode* node = lilv_new_string(world.Get(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, node);
    lilv_node_free(node);
    EXPECT_NE(port, nullptr) << symbol;
    return port ? lilv_port_get_index(mPlugin, port) : 0;
  }

  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  uint32_t mCapacity = 0;
  int mChannels = 0;
  bool mActive = false;
  std::map<std::string, float> mControls;
  std::map<std::string, uint32_t> mIndex;
};

} // namespace lv2test
