// Processing: the audio ports, the process call with its events, and the parameter flush.
#include "IEffectCLAP.h"

#include "HostCallGuard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>

namespace lumen {

namespace {

const clap_audio_buffer_t* MainPort(const clap_audio_buffer_t* ports, uint32_t count) {
  return ports && count > 0 ? &ports[0] : nullptr;
}

} // namespace

// ---- Audio ports --------------------------------------------------------------------------------------

const clap_plugin_audio_ports_t IEffectCLAP::kAudioPorts{
    [](const clap_plugin_t* plugin, bool isInput) -> uint32_t {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->MaxChannels(isInput ? ERoute::Input : ERoute::Output) > 0 ? 1 : 0;
    },
    [](const clap_plugin_t* plugin, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
      IEffectCLAP* p = FromPlugin(plugin);
      if (!p || !info || index != 0) return false;
      const int channels = p->MaxChannels(isInput ? ERoute::Input : ERoute::Output);
      if (channels <= 0) return false;
      *info = clap_audio_port_info_t{};
      // The pair shares an id, which is what makes it an in-place pair.
      info->id = 0;
      std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
      info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
      info->channel_count = static_cast<uint32_t>(channels);
      info->port_type = channels == 2 ? CLAP_PORT_STEREO : (channels == 1 ? CLAP_PORT_MONO : nullptr);
      info->in_place_pair = 0;
      return true;
    }};

const clap_plugin_latency_t IEffectCLAP::kLatency{[](const clap_plugin_t* plugin) -> uint32_t {
  IEffectCLAP* p = FromPlugin(plugin);
  return p ? static_cast<uint32_t>(std::max(0, p->Latency())) : 0;
}};

// ---- Process -------------------------------------------------------------------------------------------

clap_process_status IEffectCLAP::Process(const clap_plugin_t* plugin, const clap_process_t* process) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p || !process || !p->mActive) return CLAP_PROCESS_ERROR;
  return GuardHostCall<clap_process_status>(CLAP_PROCESS_ERROR, [&] { return p->ProcessAudio(*process); });
}

void IEffectCLAP::ReadTransport(const clap_event_transport_t* info) {
  ITransportInfo transport;
  if (info) {
    constexpr double kBeat = static_cast<double>(CLAP_BEATTIME_FACTOR);
    if (info->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) {
      transport.ppqPosition = std::max(0.0, static_cast<double>(info->song_pos_beats) / kBeat);
      transport.lastBarStartPpq = std::max(0.0, static_cast<double>(info->bar_start) / kBeat);
      if (info->flags & CLAP_TRANSPORT_IS_LOOP_ACTIVE) {
        transport.cycleStartPpq = static_cast<double>(info->loop_start_beats) / kBeat;
        transport.cycleEndPpq = static_cast<double>(info->loop_end_beats) / kBeat;
      }
    }
    if ((info->flags & CLAP_TRANSPORT_HAS_TEMPO) && info->tempo > 0.0) transport.tempo = info->tempo;
    if ((info->flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) && info->tsig_num > 0 && info->tsig_denom > 0) {
      transport.timeSigNumerator = info->tsig_num;
      transport.timeSigDenominator = info->tsig_denom;
    }
    if (info->flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) {
      transport.samplePosition =
          static_cast<double>(info->song_pos_seconds) / static_cast<double>(CLAP_SECTIME_FACTOR) * SampleRate();
    }
    transport.transportIsRunning = (info->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    transport.loopEnabled = (info->flags & CLAP_TRANSPORT_IS_LOOP_ACTIVE) != 0;
  }
  Transport() = transport;
}

namespace {

// The host's event list as the changes inside a block: each event at its time.
template <typename Handler>
class ClapEventChanges final : public IEffectProcessor::IBlockChanges {
public:
  ClapEventChanges(const clap_input_events_t* events, Handler handler) : mEvents(events), mHandler(handler) {}
  int Count() const override {
    const uint32_t n = mEvents && mEvents->size && mEvents->get ? mEvents->size(mEvents) : 0;
    return static_cast<int>(std::min<uint32_t>(n, INT32_MAX));
  }
  int Offset(int index) const override {
    const clap_event_header_t* event = mEvents->get(mEvents, static_cast<uint32_t>(index));
    return event ? static_cast<int>(std::min<uint32_t>(event->time, INT32_MAX)) : 0;
  }
  void Apply(int index, int offset) override { mHandler(mEvents->get(mEvents, static_cast<uint32_t>(index)), offset); }

private:
  const clap_input_events_t* mEvents;
  Handler mHandler;
};

} // namespace

bool IEffectCLAP::ApplyEvent(const clap_event_header_t* event, int sampleOffset) {
  // A header from another event space, or one too short for the record it names, is skipped.
  if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) return false;
  if (event->type == CLAP_EVENT_PARAM_VALUE) {
    if (event->size < sizeof(clap_event_param_value_t)) return false;
    const auto* change = reinterpret_cast<const clap_event_param_value_t*>(event);
    if (change->param_id >= static_cast<clap_id>(NParams())) return false;
    return SetParamFromHost(static_cast<int>(change->param_id), change->value, HostValue::Plain, sampleOffset);
  }
  if (event->type == CLAP_EVENT_TRANSPORT && event->size >= sizeof(clap_event_transport_t)) {
    ReadTransport(reinterpret_cast<const clap_event_transport_t*>(event));
    return true;
  }
  return false;
}

clap_process_status IEffectCLAP::ProcessAudio(const clap_process_t& process) {
  const clap_audio_buffer_t* in = MainPort(process.audio_inputs, process.audio_inputs_count);
  const clap_audio_buffer_t* out = MainPort(process.audio_outputs, process.audio_outputs_count);
  const auto fits = [](const clap_audio_buffer_t* port, int channels) {
    return port && port->channel_count >= static_cast<uint32_t>(channels);
  };
  if (!fits(in, MaxChannels(ERoute::Input)) || !fits(out, MaxChannels(ERoute::Output))) return CLAP_PROCESS_ERROR;
  // Both sides come at one sample size (the ports require it): 64-bit when the host gives it.
  const bool double64 = in->data64 && out->data64;
  if (!double64 && (!in->data32 || !out->data32)) return CLAP_PROCESS_ERROR;
  if (process.frames_count > static_cast<uint32_t>(INT32_MAX)) return CLAP_PROCESS_ERROR;

  ReadTransport(process.transport);
  IMidiMessage message;
  while (PopMidiFromEditor(message)) OnMidiMessage(message);

  const auto frames = static_cast<int>(process.frames_count);
  ClapEventChanges changes(process.in_events, [this](const clap_event_header_t* event, int at) { ApplyEvent(event, at); });
  if (double64) {
    ProcessWithChanges(in->data64, out->data64, frames, changes);
  } else {
    ProcessWithChanges(in->data32, out->data32, frames, changes);
  }
  // The outputs are never claimed constant: the drift moves even a silent input's output.
  for (uint32_t k = 0; k < process.audio_outputs_count; ++k) process.audio_outputs[k].constant_mask = 0;

  SendOutgoingEvents(process.out_events);
  return CLAP_PROCESS_CONTINUE;
}

// ---- Flush -------------------------------------------------------------------------------------------

void IEffectCLAP::Flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  GuardHostCall([&] {
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i) ApplyEvent(in->get(in, i), -1);
    SendOutgoingEvents(out);
  });
}

} // namespace lumen
