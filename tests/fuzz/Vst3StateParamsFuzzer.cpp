// Arbitrary bytes through the VST3 binding the way a host hands them over: first as a component
// state read from a stream that gives a few bytes at a time, then as parameter changes (ids, sample
// offsets and values, in any order, known or not) for a block of any length, 0 included. A state is
// taken exactly when it is a whole one (header, then a finite value per parameter) and otherwise
// changes nothing; the parameters stay finite and in range and the audio stays finite.

#include "Kolmari.h"
#include "Vst3HostObjects.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The binding's component makes instances through this; the fuzzer makes its own.
lumen::PluginBase* lumen::MakePlugin(const IInstanceInfo& info) { return new kolmari::Kolmari(info); }

namespace {

using namespace kolmari::vst3host;

void Require(bool condition, const char* what, long long detail = 0) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::abort();
}

std::vector<double> Values(kolmari::Kolmari& k) {
  std::vector<double> v;
  for (int i = 0; i < k.NParams(); ++i) v.push_back(k.GetParam(i)->Value());
  return v;
}

void RequireInRange(kolmari::Kolmari& k) {
  for (int i = 0; i < k.NParams(); ++i) {
    const lumen::IParam* p = k.GetParam(i);
    Require(std::isfinite(p->Value()) && p->Value() >= p->Min() && p->Value() <= p->Max(), "parameter in range", i);
  }
}

// The state the binding must take: the header, then a finite value per parameter.
bool WholeState(const uint8_t* data, size_t size, int params) {
  if (size < 8 + 8 * static_cast<size_t>(params)) return false;
  uint32_t magic = 0;
  uint32_t version = 0;
  std::memcpy(&magic, data, 4);
  std::memcpy(&version, data + 4, 4);
  if (magic != lumen::IEffectBase::kChunkMagic || version != lumen::IEffectBase::kChunkVersion) return false;
  for (int i = 0; i < params; ++i) {
    double v = 0.0;
    std::memcpy(&v, data + 8 + 8 * static_cast<size_t>(i), 8);
    if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t readLimit = data[0];
  const size_t stateSize = std::min<size_t>(size - 4, static_cast<size_t>(data[1]) * 4);
  const int frames = (data[2] | (data[3] << 8)) % 1100;
  data += 4;
  size -= 4;

  kolmari::Kolmari plugin{lumen::IInstanceInfo{}};
  plugin.OnFixedSeed(1u);
  v3_process_setup setup{V3_OFFLINE, V3_SAMPLE_32, 512, 48000.0};
  Require(plugin.SetupProcessing(&setup) == V3_OK, "setup");
  Require(plugin.SetActive(true) == V3_OK, "activate");

  // The state.
  const std::vector<double> before = Values(plugin);
  MemoryStream stream(std::vector<uint8_t>(data, data + stateSize));
  stream.maxRead = readLimit % 16; // 0: no limit
  const bool whole = WholeState(data, stateSize, plugin.NParams());
  const v3_result taken = plugin.SetState(stream.As<v3_bstream>());
  Require((taken == V3_OK) == whole, "a state is taken exactly when it is whole", static_cast<long long>(stateSize));
  if (!whole) Require(Values(plugin) == before, "a refused state changes nothing");
  RequireInRange(plugin);
  if (whole) {
    MemoryStream saved;
    Require(plugin.GetState(saved.As<v3_bstream>()) == V3_OK, "a taken state can be saved");
    Require(saved.bytes.size() == 8 + 8 * static_cast<size_t>(plugin.NParams()), "saved state length");
  }

  // The parameter changes: 11 bytes each (id, offset, value).
  ParameterChanges changes;
  for (size_t pos = stateSize; pos + 11 <= size; pos += 11) {
    uint16_t id = 0;
    int16_t offset = 0;
    uint8_t kind = 0;
    uint32_t raw = 0;
    std::memcpy(&id, data + pos, 2);
    std::memcpy(&offset, data + pos + 2, 2);
    std::memcpy(&kind, data + pos + 4, 1);
    std::memcpy(&raw, data + pos + 5, 4);
    // Mostly values in range, sometimes anything at all (NaN, infinities, huge).
    double value = static_cast<double>(raw) / 4294967295.0;
    if (kind % 8 == 0) {
      float any = 0.0f;
      std::memcpy(&any, &raw, 4);
      value = any;
    }
    changes.Add(id % 12u, offset, value);
  }
  std::vector<float> left(static_cast<size_t>(frames) + 1), right(left.size());
  for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = static_cast<float>(std::sin(0.01 * static_cast<double>(i)));
  float* channels[2] = {left.data(), right.data()};
  v3_audio_bus_buffers in{2, 0, {channels}};
  v3_audio_bus_buffers out{2, 0, {channels}};
  v3_process_data process{};
  process.process_mode = V3_OFFLINE;
  process.symbolic_sample_size = V3_SAMPLE_32;
  process.nframes = frames;
  process.num_input_buses = 1;
  process.num_output_buses = 1;
  process.inputs = &in;
  process.outputs = &out;
  process.input_params = changes.As<v3_param_changes>();
  Require(plugin.Process(&process) == V3_OK, "process");
  RequireInRange(plugin);
  for (int i = 0; i < frames; ++i) Require(std::isfinite(left[static_cast<size_t>(i)]) && std::isfinite(right[static_cast<size_t>(i)]), "finite audio", i);
  plugin.SetActive(false);
  return 0;
}
