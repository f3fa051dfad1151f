// Processing: the audio ports, the process call with its events, and the parameter flush.
#include "IEffectCLAP.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
  return p->ProcessAudio(*process);
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

bool IEffectCLAP::ApplyEvent(const clap_event_header_t* event, int sampleOffset) {
  // A header from another event space, or one too short for the record it names, is skipped.
  if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) return false;
  if (event->type == CLAP_EVENT_PARAM_VALUE) {
    if (event->size < sizeof(clap_event_param_value_t)) return false;
    const auto* change = reinterpret_cast<const clap_event_param_value_t*>(event);
    if (!ValidParam(change->param_id) || !std::isfinite(change->value)) return false;
    const int index = static_cast<int>(change->param_id);
    IParam* param = GetParam(index);
    param->Set(change->value);
    SendParamValueToEditor(index, param->Value(), false);
    OnParamChange(index, ParamSource::Host, sampleOffset);
    return true;
  }
  if (event->type == CLAP_EVENT_TRANSPORT && event->size >= sizeof(clap_event_transport_t)) {
    ReadTransport(reinterpret_cast<const clap_event_transport_t*>(event));
    return true;
  }
  return false;
}

template <typename Sample>
void IEffectCLAP::ProcessSpan(Sample* const* inputs, Sample* const* outputs, uint32_t offset, uint32_t frames) {
  if (frames == 0) return;
  const size_t nIn = std::min<size_t>(static_cast<size_t>(MaxChannels(ERoute::Input)), kMaxChannels);
  const size_t nOut = std::min<size_t>(static_cast<size_t>(MaxChannels(ERoute::Output)), kMaxChannels);
  if constexpr (sizeof(Sample) == sizeof(float)) {
    for (size_t c = 0; c < nIn; ++c) mSpan32In[c] = inputs[c] + offset;
    for (size_t c = 0; c < nOut; ++c) mSpan32Out[c] = outputs[c] + offset;
    ProcessReplacing32(mSpan32In.data(), mSpan32Out.data(), static_cast<int>(frames));
  } else {
    for (size_t c = 0; c < nIn; ++c) mSpan64In[c] = inputs[c] + offset;
    for (size_t c = 0; c < nOut; ++c) mSpan64Out[c] = outputs[c] + offset;
    ProcessReplacing64(mSpan64In.data(), mSpan64Out.data(), static_cast<int>(frames));
  }
}

clap_process_status IEffectCLAP::ProcessAudio(const clap_process_t& process) {
  const clap_audio_buffer_t* in = MainPort(process.audio_inputs, process.audio_inputs_count);
  const clap_audio_buffer_t* out = MainPort(process.audio_outputs, process.audio_outputs_count);
  const uint32_t frames = process.frames_count;
  const auto fits = [](const clap_audio_buffer_t* port, int channels) {
    return port && port->channel_count >= static_cast<uint32_t>(channels) && channels <= static_cast<int>(kMaxChannels);
  };
  if (!fits(in, MaxChannels(ERoute::Input)) || !fits(out, MaxChannels(ERoute::Output))) return CLAP_PROCESS_ERROR;
  // Both sides come at one sample size (the ports require it): 64-bit when the host gives it.
  const bool double64 = in->data64 && out->data64;
  if (!double64 && (!in->data32 || !out->data32)) return CLAP_PROCESS_ERROR;

  ReadTransport(process.transport);
  IMidiMessage message;
  while (PopMidiFromEditor(message)) OnMidiMessage(message);

  // Parameter changes land where the host put them: the block is cut at every event time, so each
  // span runs with the values in force from its first sample.
  const clap_input_events_t* events = process.in_events;
  const uint32_t count = events && events->size && events->get ? events->size(events) : 0;
  uint32_t done = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const clap_event_header_t* event = events->get(events, i);
    if (!event) continue;
    const uint32_t at = std::clamp(event->time, done, frames); // out of order or past the end: no earlier
    if (at > done) {
      if (double64) {
        ProcessSpan(in->data64, out->data64, done, at - done);
      } else {
        ProcessSpan(in->data32, out->data32, done, at - done);
      }
      done = at;
    }
    ApplyEvent(event, static_cast<int>(at));
  }
  if (frames > done) {
    if (double64) {
      ProcessSpan(in->data64, out->data64, done, frames - done);
    } else {
      ProcessSpan(in->data32, out->data32, done, frames - done);
    }
  }
  // The outputs are never claimed constant: the drift moves even a silent input's output.
  for (uint32_t k = 0; k < process.audio_outputs_count; ++k) process.audio_outputs[k].constant_mask = 0;

  SendOutgoingEvents(process.out_events);
  return CLAP_PROCESS_CONTINUE;
}

// ---- Flush -------------------------------------------------------------------------------------------

void IEffectCLAP::Flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; ++i) ApplyEvent(in->get(in, i), -1);
  SendOutgoingEvents(out);
}

} // namespace lumen
