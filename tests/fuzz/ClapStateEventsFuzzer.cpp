// Arbitrary bytes as what a CLAP host hands the plug-in: a state stream (read in pieces of a size
// the input chooses) or an event list for process and flush, with records of any size, space,
// type, time, id and value. Whatever they were, a refused state changes nothing, an accepted one
// round-trips, every parameter stays finite and in range, and the audio stays finite.

#include "Kolmari.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Require(bool condition, const char* what, long long detail = 0) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::abort();
}

// An instance as the factory makes it, used only through its clap_plugin record.
struct Instance {
  Instance() : plugin(new kolmari::Kolmari(lumen::IInstanceInfo{})), p(plugin->Plugin()) {
    Require(p->init(p), "init");
    params = static_cast<const clap_plugin_params_t*>(p->get_extension(p, CLAP_EXT_PARAMS));
    state = static_cast<const clap_plugin_state_t*>(p->get_extension(p, CLAP_EXT_STATE));
  }
  ~Instance() { p->destroy(p); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  std::vector<double> Values() const {
    std::vector<double> values;
    for (uint32_t i = 0; i < params->count(p); ++i) {
      double v = 0.0;
      Require(params->get_value(p, i, &v), "get_value", i);
      values.push_back(v);
    }
    return values;
  }

  void RequireInRange() const {
    for (uint32_t i = 0; i < params->count(p); ++i) {
      clap_param_info_t info{};
      Require(params->get_info(p, i, &info), "get_info", i);
      double v = 0.0;
      params->get_value(p, i, &v);
      Require(std::isfinite(v) && v >= info.min_value && v <= info.max_value, "value in range", i);
    }
  }

  kolmari::Kolmari* plugin;
  const clap_plugin_t* p;
  const clap_plugin_params_t* params = nullptr;
  const clap_plugin_state_t* state = nullptr;
};

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  size_t chunk;
};

int64_t Read(const clap_istream_t* stream, void* buffer, uint64_t size) {
  auto* r = static_cast<Reader*>(stream->ctx);
  const size_t n = std::min<size_t>({static_cast<size_t>(size), r->size - r->pos, r->chunk});
  if (n) std::memcpy(buffer, r->data + r->pos, n);
  r->pos += n;
  return static_cast<int64_t>(n);
}

int64_t Write(const clap_ostream_t* stream, const void* data, uint64_t size) {
  auto* out = static_cast<Bytes*>(stream->ctx);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
  return static_cast<int64_t>(size);
}

Bytes Save(const Instance& instance) {
  Bytes bytes;
  clap_ostream_t out{&bytes, &Write};
  Require(instance.state->save(instance.p, &out), "save");
  return bytes;
}

bool Load(const Instance& instance, const uint8_t* data, size_t size, size_t chunk) {
  Reader reader{data, size, 0, std::max<size_t>(chunk, 1)};
  clap_istream_t in{&reader, &Read};
  return instance.state->load(instance.p, &in);
}

void FuzzState(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const size_t chunk = data[0] == 0 ? SIZE_MAX : data[0];
  Instance plugin;
  const std::vector<double> before = plugin.Values();
  const bool accepted = Load(plugin, data + 1, size - 1, chunk);
  plugin.RequireInRange();
  if (!accepted) {
    Require(plugin.Values() == before, "a refused state changes nothing");
    return;
  }
  const Bytes saved = Save(plugin);
  Instance second;
  Require(Load(second, saved.data(), saved.size(), 1), "a saved state loads back");
  Require(Save(second) == saved, "a state round-trips byte for byte");
}

// The event list of the input: records of 16 bytes each, decoded into an event of any shape.
struct Events {
  std::vector<std::vector<uint64_t>> records;
  clap_input_events_t list{this,
                           [](const clap_input_events_t* l) {
                             return static_cast<uint32_t>(static_cast<const Events*>(l->ctx)->records.size());
                           },
                           [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
                             const auto* e = static_cast<const Events*>(l->ctx);
                             if (i >= e->records.size()) return nullptr;
                             return reinterpret_cast<const clap_event_header_t*>(e->records[i].data());
                           }};
};

void FuzzEvents(const uint8_t* data, size_t size) {
  Events events;
  for (size_t pos = 0; pos + 16 <= size && events.records.size() < 64; pos += 16) {
    const uint8_t* r = data + pos;
    clap_event_param_value_t event{};
    event.header.size = r[0] % 2 ? sizeof(clap_event_param_value_t) : r[0];
    event.header.time = static_cast<uint32_t>(r[1] | (r[2] << 8));
    event.header.space_id = r[3] % 4 == 0 ? CLAP_CORE_EVENT_SPACE_ID : r[3];
    event.header.type = static_cast<uint16_t>(r[4] % 16);
    event.param_id = r[5] % 12;
    std::memcpy(&event.value, r + 8, 8);
    std::vector<uint64_t> words((sizeof event + 7) / 8 + 8);
    std::memcpy(words.data(), &event, sizeof event);
    events.records.push_back(std::move(words));
  }
  Instance plugin;
  Require(plugin.p->activate(plugin.p, 44100.0, 1, 256), "activate");
  Require(plugin.p->start_processing(plugin.p), "start_processing");
  std::vector<float> left(256), right(256);
  for (size_t i = 0; i < 256; ++i) left[i] = right[i] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(i)));
  float* channels[2] = {left.data(), right.data()};
  clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
  clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
  clap_output_events_t sink{nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
  clap_process_t process{};
  process.frames_count = 256;
  process.audio_inputs = &in;
  process.audio_outputs = &out;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  process.in_events = &events.list;
  process.out_events = &sink;
  Require(plugin.p->process(plugin.p, &process) == CLAP_PROCESS_CONTINUE, "process");
  for (size_t i = 0; i < 256; ++i) Require(std::isfinite(left[i]) && std::isfinite(right[i]), "finite audio", i);
  plugin.RequireInRange();
  plugin.p->stop_processing(plugin.p);
  plugin.p->deactivate(plugin.p);
  plugin.params->flush(plugin.p, &events.list, &sink); // the same list outside processing
  plugin.RequireInRange();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (data[0] % 2 == 0) {
    FuzzState(data + 1, size - 1);
  } else {
    FuzzEvents(data + 1, size - 1);
  }
  return 0;
}
