// Kolmari.lv2 loaded through lilv as hosts load it: both plug-ins made with no features, ports
// connected late and to NULL, blocks of one frame and of more than the processor's block, and the
// "enabled" port's bypass returning the input bit for bit.
#include "AllocationCounter.h"
#include "Lv2FixedSeed.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kStereo = "https://lumenfold.com/plugins/kolmari";
const char* const kMono = "https://lumenfold.com/plugins/kolmari-mono";

class Lv2Host : public ::testing::Test {
public:
  void SetUp() override {
    world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, KOLMARI_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
  }
  void TearDown() override { lilv_world_free(world); }

  const LilvPlugin* Plugin(const char* uri) {
    LilvNode* node = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
    lilv_node_free(node);
    return plugin;
  }

  uint32_t Port(const LilvPlugin* plugin, const char* symbol) {
    LilvNode* node = lilv_new_string(world, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    EXPECT_NE(port, nullptr) << symbol;
    return port ? lilv_port_get_index(plugin, port) : 0;
  }

  LilvWorld* world = nullptr;
};

// The ports' defaults as the Turtle declares them, keyed by symbol.
std::map<std::string, float> Defaults(const LilvPlugin* plugin) {
  const uint32_t n = lilv_plugin_get_num_ports(plugin);
  std::vector<float> mins(n), maxs(n), defs(n);
  lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
  std::map<std::string, float> out;
  for (uint32_t i = 0; i < n; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
    out[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = defs[i];
  }
  return out;
}

std::vector<float> Signal(size_t frames, float phase) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = 0.8f * std::sin(0.01f * static_cast<float>(i) + phase);
  return s;
}

TEST_F(Lv2Host, BundleDescribesBothPluginsWithTheirPorts) {
  const LilvPlugin* stereo = Plugin(kStereo);
  const LilvPlugin* mono = Plugin(kMono);
  ASSERT_NE(stereo, nullptr);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(lilv_plugin_get_num_ports(stereo), 14u);
  EXPECT_EQ(lilv_plugin_get_num_ports(mono), 12u);
  for (const char* symbol : {"in_l", "in_r", "out_l", "out_r", "enabled", "react", "oversampling", "delta",
                             "input_gain", "wet", "tame", "output_gain", "bias", "latency"})
    Port(stereo, symbol);
  for (const char* symbol : {"in", "out", "enabled", "latency"}) Port(mono, symbol);
  const std::map<std::string, float> d = Defaults(stereo);
  EXPECT_EQ(d.at("enabled"), 1.0f);
  EXPECT_EQ(d.at("input_gain"), 32.0f);
  EXPECT_EQ(d.at("output_gain"), 100.0f);
  EXPECT_EQ(d.at("oversampling"), 0.0f);
  // Bad requests get no instance, not a crash.
  EXPECT_EQ(lilv_plugin_instantiate(stereo, 0.0, nullptr), nullptr);
  EXPECT_EQ(lilv_plugin_instantiate(stereo, NAN, nullptr), nullptr);
}

// Runs one plug-in through the cases every host may present; returns false on a fault.
void RunThrough(Lv2Host& host, const LilvPlugin* plugin, int channels, const std::vector<const char*>& ins,
                const std::vector<const char*>& outs, uint32_t (Lv2Host::*port)(const LilvPlugin*, const char*)) {
  LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000.0, nullptr);
  ASSERT_NE(instance, nullptr);
  std::map<std::string, float> controls = Defaults(plugin);
  float latency = -1.0f;
  // Connected to NULL first and activated before any real buffer: nothing may be read yet.
  for (uint32_t i = 0; i < lilv_plugin_get_num_ports(plugin); ++i) lilv_instance_connect_port(instance, i, nullptr);
  lilv_instance_activate(instance);
  lilv_instance_run(instance, 64); // every port NULL: silence in, nowhere out
  for (auto& [symbol, value] : controls) {
    if (symbol == "latency") continue;
    lilv_instance_connect_port(instance, (host.*port)(plugin, symbol.c_str()), &value);
  }
  lilv_instance_connect_port(instance, (host.*port)(plugin, "latency"), &latency);

  for (const uint32_t frames : {1u, 70000u}) {
    std::vector<std::vector<float>> input, output;
    for (int c = 0; c < channels; ++c) {
      input.push_back(Signal(frames, 0.3f * static_cast<float>(c)));
      output.emplace_back(frames, 0.0f);
      lilv_instance_connect_port(instance, (host.*port)(plugin, ins[static_cast<size_t>(c)]), input.back().data());
      lilv_instance_connect_port(instance, (host.*port)(plugin, outs[static_cast<size_t>(c)]), output.back().data());
    }
    controls["enabled"] = 1.0f;
    {
      // The audio thread allocates nothing, however long the block and whatever changed.
      const AllocationCounter allocations;
      lilv_instance_run(instance, frames);
      EXPECT_EQ(allocations.Count(), 0u) << frames << " frames";
    }
    EXPECT_EQ(latency, 0.0f);
    for (const auto& o : output)
      for (float v : o) ASSERT_TRUE(std::isfinite(v));
    if (frames > 1) {
      // The effect changes the sound when enabled.
      EXPECT_NE(std::memcmp(output[0].data(), input[0].data(), frames * sizeof(float)), 0);
      // Bypassed, the input comes back bit for bit, here in place.
      controls["enabled"] = 0.0f;
      std::vector<std::vector<float>> copy = input;
      for (int c = 0; c < channels; ++c) {
        lilv_instance_connect_port(instance, (host.*port)(plugin, outs[static_cast<size_t>(c)]),
                                   copy[static_cast<size_t>(c)].data());
        lilv_instance_connect_port(instance, (host.*port)(plugin, ins[static_cast<size_t>(c)]),
                                   copy[static_cast<size_t>(c)].data());
      }
      // The change of state is a block boundary: the first bypassed block may still ramp, so the
      // second is the one compared.
      lilv_instance_run(instance, frames);
      copy = input;
      lilv_instance_run(instance, frames);
      for (int c = 0; c < channels; ++c)
        EXPECT_EQ(std::memcmp(copy[static_cast<size_t>(c)].data(), input[static_cast<size_t>(c)].data(),
                              frames * sizeof(float)),
                  0)
            << "channel " << c;
    }
  }
  // Out-of-range values and a NaN on a control port: clear results, no crash.
  controls["input_gain"] = 1e9f;
  controls["oversampling"] = -7.0f;
  controls["wet"] = NAN;
  controls["enabled"] = 1.0f;
  std::vector<float> in(256, 0.25f), out(256);
  // The first channel apart, the second in place on it: the earlier buffers are gone.
  for (int c = 0; c < channels; ++c) {
    lilv_instance_connect_port(instance, (host.*port)(plugin, ins[static_cast<size_t>(c)]), in.data());
    lilv_instance_connect_port(instance, (host.*port)(plugin, outs[static_cast<size_t>(c)]),
                               c == 0 ? out.data() : in.data());
  }
  lilv_instance_run(instance, 256);
  for (float v : out) ASSERT_TRUE(std::isfinite(v));
  for (float v : in) ASSERT_TRUE(std::isfinite(v));
  lilv_instance_deactivate(instance);
  lilv_instance_free(instance);
}

TEST_F(Lv2Host, StereoAndMonoRunWithNoFeaturesLateAndNullPortsAnyBlockLength) {
  const LilvPlugin* stereo = Plugin(kStereo);
  const LilvPlugin* mono = Plugin(kMono);
  ASSERT_NE(stereo, nullptr);
  ASSERT_NE(mono, nullptr);
  RunThrough(*this, stereo, 2, {"in_l", "in_r"}, {"out_l", "out_r"}, &Lv2Host::Port);
  RunThrough(*this, mono, 1, {"in"}, {"out"}, &Lv2Host::Port);
}

// Renders 20 blocks of 300 frames through a fresh instance at the ports' defaults with Wet at 100 %,
// the fixed seed set (or not) through our extension first; the left output, or empty when the
// extension is missing or refuses.
std::vector<float> RenderWithSeed(Lv2Host& host, const LilvPlugin* plugin, int channels, std::optional<uint32_t> seed) {
  const uint32_t n = lilv_plugin_get_num_ports(plugin);
  std::vector<float> mins(n), maxs(n), controls(n);
  lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), controls.data());
  controls[host.Port(plugin, "wet")] = 100.0f;
  LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000.0, nullptr);
  EXPECT_NE(instance, nullptr);
  if (!instance) return {};
  const auto* extension =
      static_cast<const LumenLv2FixedSeed*>(lilv_instance_get_extension_data(instance, LUMEN_LV2_FIXED_SEED_URI));
  std::vector<float> result;
  if (extension && extension->set &&
      extension->set(lilv_instance_get_handle(instance), seed.has_value(), seed.value_or(0))) {
    constexpr uint32_t kFrames = 300;
    std::vector<std::vector<float>> in(static_cast<size_t>(channels)), out(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
      in[static_cast<size_t>(c)] = Signal(kFrames, 0.5f * static_cast<float>(c));
      out[static_cast<size_t>(c)].assign(kFrames, 0.0f);
    }
    for (uint32_t p = 0; p < n; ++p) lilv_instance_connect_port(instance, p, &controls[p]);
    for (int c = 0; c < channels; ++c) {
      lilv_instance_connect_port(instance, static_cast<uint32_t>(c), in[static_cast<size_t>(c)].data());
      lilv_instance_connect_port(instance, static_cast<uint32_t>(channels + c), out[static_cast<size_t>(c)].data());
    }
    lilv_instance_activate(instance);
    for (int block = 0; block < 20; ++block) {
      lilv_instance_run(instance, kFrames);
      result.insert(result.end(), out[0].begin(), out[0].end());
    }
    lilv_instance_deactivate(instance);
  }
  lilv_instance_free(instance);
  return result;
}

// Our fixed-seed extension: declared in the data as extension data, answered by the descriptor of
// both plug-ins (and nothing else is), and it makes renders repeat exactly where the random drift
// otherwise makes every render differ.
TEST_F(Lv2Host, FixedSeedExtensionMakesRendersRepeatable) {
  LilvNode* uri = lilv_new_uri(world, LUMEN_LV2_FIXED_SEED_URI);
  for (const auto& [pluginUri, channels] : {std::pair{kStereo, 2}, std::pair{kMono, 1}}) {
    SCOPED_TRACE(pluginUri);
    const LilvPlugin* plugin = Plugin(pluginUri);
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(lilv_plugin_has_extension_data(plugin, uri));
    const std::vector<float> a = RenderWithSeed(*this, plugin, channels, 77u);
    const std::vector<float> b = RenderWithSeed(*this, plugin, channels, 77u);
    const std::vector<float> c = RenderWithSeed(*this, plugin, channels, 78u);
    const std::vector<float> free1 = RenderWithSeed(*this, plugin, channels, std::nullopt);
    const std::vector<float> free2 = RenderWithSeed(*this, plugin, channels, std::nullopt);
    ASSERT_EQ(a.size(), 6000u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    ASSERT_EQ(free1.size(), 6000u);
    EXPECT_NE(free1, free2);
    // Nothing else is answered, and no question crashes it.
    LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000.0, nullptr);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(lilv_instance_get_extension_data(instance, "http://lv2plug.in/ns/ext/state#interface"), nullptr);
    EXPECT_EQ(lilv_instance_get_descriptor(instance)->extension_data(nullptr), nullptr);
    lilv_instance_free(instance);
  }
  lilv_node_free(uri);
}

} // namespace
