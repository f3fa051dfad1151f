#include "IEffectVST3.h"

#include "ICanvas.h"
#include "ParamFacts.h"
#include "StateStream.h"
#include "Vst3PlugView.h"
#include "Vst3Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace lumen {

using namespace vst3;

namespace {

constexpr v3_speaker_arrangement kMono = V3_SPEAKER_M;
constexpr v3_speaker_arrangement kStereo = V3_SPEAKER_L | V3_SPEAKER_R;

// A parameter with no change held over to the end of the block. A constant, so the audio thread
// never parses a NaN out of a string as std::nan does.
constexpr double kNoChange = std::numeric_limits<double>::quiet_NaN();

int ChannelCount(v3_speaker_arrangement arrangement) { return arrangement == kMono ? 1 : 2; }

template <typename Sample>
Sample** Buffers(const v3_audio_bus_buffers& bus);
template <>
float** Buffers<float>(const v3_audio_bus_buffers& bus) { return bus.channel_buffers_32; }
template <>
double** Buffers<double>(const v3_audio_bus_buffers& bus) { return bus.channel_buffers_64; }

} // namespace

IEffectVST3::IEffectVST3(const IEffectSettings& settings, const IInstanceInfo&)
    : IEffectAPIBase(settings, PluginApi::VST3), IEffectProcessor(settings), mChanges(*this) {
  mPoints.reserve(kMaxChangePoints);
  mOverflow.assign(static_cast<size_t>(NParams()), kNoChange);
  ApplyArrangement(LegalIO(2, 2) ? kStereo : kMono);
  SetBlockSize(kDefaultBlockSize);
  StartIdleTimer();
}

IEffectVST3::~IEffectVST3() { Terminate(); }

void IEffectVST3::Initialize(v3_funknown** context) {
  if (!context || mContext) return; // a second initialize (the controller half) keeps the first context
  Ref(context);
  mContext = context;
  v3_host_application** app = nullptr;
  if ((*context)->query_interface(context, v3_host_application_iid, reinterpret_cast<void**>(&app)) == V3_OK && app) {
    v3_str_128 name = {};
    if (Methods<v3_host_application_cpp>(app).app.get_name(app, name) == V3_OK && Host() == HostId::Unidentified) {
      SetHost(Utf8FromUtf16(name, 128).c_str(), 0);
    }
    Unref(app);
  }
  NotifyAllParams(ParamSource::Reset);
}

void IEffectVST3::Terminate() {
  SetComponentHandler(nullptr);
  if (mContext) {
    Unref(mContext);
    mContext = nullptr;
  }
}

void IEffectVST3::SetComponentHandler(v3_component_handler** handler) {
  if (handler == mHandler) return;
  if (handler) Ref(handler);
  if (mHandler) Unref(mHandler);
  mHandler = handler;
}

int32_t IEffectVST3::BusCount(int32_t mediaType, int32_t direction) const {
  if (mediaType != V3_AUDIO || (direction != V3_INPUT && direction != V3_OUTPUT)) return 0;
  return 1;
}

v3_result IEffectVST3::BusInfo(int32_t mediaType, int32_t direction, int32_t index, v3_bus_info* info) const {
  if (!info || index < 0 || index >= BusCount(mediaType, direction)) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  info->media_type = V3_AUDIO;
  info->direction = direction;
  info->channel_count = ChannelCount(mArrangement);
  CopyUtf16(info->bus_name, direction == V3_INPUT ? "Input" : "Output");
  info->bus_type = V3_MAIN;
  info->flags = V3_DEFAULT_ACTIVE;
  return V3_OK;
}

v3_result IEffectVST3::ActivateBus(int32_t mediaType, int32_t direction, int32_t index, bool) {
  return index >= 0 && index < BusCount(mediaType, direction) ? V3_OK : V3_INVALID_ARG;
}

v3_result IEffectVST3::SetBusArrangements(const v3_speaker_arrangement* inputs, int32_t inputCount,
                                          const v3_speaker_arrangement* outputs, int32_t outputCount) {
  if (mActive || !inputs || !outputs || inputCount != 1 || outputCount != 1) return V3_FALSE;
  const v3_speaker_arrangement wanted = inputs[0];
  if (outputs[0] != wanted || (wanted != kMono && wanted != kStereo)) return V3_FALSE;
  const int n = ChannelCount(wanted);
  if (!LegalIO(n, n)) return V3_FALSE;
  ApplyArrangement(wanted);
  return V3_OK;
}

void IEffectVST3::ApplyArrangement(v3_speaker_arrangement arrangement) {
  mArrangement = arrangement;
  const int n = ChannelCount(arrangement);
  for (ERoute direction : {ERoute::Input, ERoute::Output}) {
    const int count = MaxChannels(direction);
    const int connected = std::clamp(n, 0, count);
    ConnectChannels(direction, 0, connected, true);
    ConnectChannels(direction, connected, count - connected, false);
  }
}

v3_result IEffectVST3::BusArrangement(int32_t direction, int32_t index, v3_speaker_arrangement* arrangement) const {
  if (!arrangement || index != 0 || (direction != V3_INPUT && direction != V3_OUTPUT)) return V3_INVALID_ARG;
  *arrangement = mArrangement;
  return V3_OK;
}

v3_result IEffectVST3::SetupProcessing(const v3_process_setup* setup) {
  if (!setup || mActive) return V3_FALSE;
  if (setup->symbolic_sample_size != V3_SAMPLE_32 && setup->symbolic_sample_size != V3_SAMPLE_64) return V3_FALSE;
  if (!(setup->sample_rate > 0.0 && std::isfinite(setup->sample_rate)) || setup->max_block_size <= 0) {
    return V3_INVALID_ARG;
  }
  mSampleSize = setup->symbolic_sample_size;
  SetSampleRate(setup->sample_rate);
  SetBlockSize(std::min(setup->max_block_size, IEffectProcessor::kMaxBlockSize));
  SetRenderingOffline(setup->process_mode == V3_OFFLINE);
  OnReset();
  return V3_OK;
}

v3_result IEffectVST3::SetActive(bool active) {
  if (active == mActive) return V3_OK;
  mActive = active;
  OnActivate(active);
  if (!active) OnReset();
  return V3_OK;
}

v3_result IEffectVST3::SetProcessing(bool) { return V3_OK; }

void IEffectVST3::ReadContext(const v3_process_context* context) {
  ITransportInfo transport;
  if (context) {
    const uint32_t s = context->state;
    transport.samplePosition = static_cast<double>(context->project_time_in_samples);
    if ((s & V3_PROCESS_CTX_PROJECT_TIME_VALID) && context->project_time_quarters >= 0.0) {
      transport.ppqPosition = context->project_time_quarters;
    }
    if ((s & V3_PROCESS_CTX_TEMPO_VALID) && context->bpm > 0.0) transport.tempo = context->bpm;
    if ((s & V3_PROCESS_CTX_BAR_POSITION_VALID) && context->bar_position_quarters >= 0.0) {
      transport.lastBarStartPpq = context->bar_position_quarters;
    }
    if ((s & V3_PROCESS_CTX_CYCLE_VALID) && context->cycle_start_quarters >= 0.0 && context->cycle_end_quarters >= 0.0) {
      transport.cycleStartPpq = context->cycle_start_quarters;
      transport.cycleEndPpq = context->cycle_end_quarters;
    }
    if ((s & V3_PROCESS_CTX_TIME_SIG_VALID) && context->time_sig_numerator > 0 && context->time_sig_denom > 0) {
      transport.timeSigNumerator = context->time_sig_numerator;
      transport.timeSigDenominator = context->time_sig_denom;
    }
    transport.transportIsRunning = (s & V3_PROCESS_CTX_PLAYING) != 0;
    transport.loopEnabled = (s & V3_PROCESS_CTX_CYCLE_ACTIVE) != 0;
  }
  Transport() = transport;
}

int IEffectVST3::CollectChanges(v3_param_changes** changes, int32_t frames) {
  mPoints.clear();
  if (!changes) return 0;
  auto& list = Methods<v3_param_changes_cpp>(changes).changes;
  const int32_t queues = list.get_param_count(changes);
  int32_t order = 0;
  for (int32_t q = 0; q < queues; ++q) {
    v3_param_value_queue** queue = list.get_param_data(changes, q);
    if (!queue) continue;
    auto& points = Methods<v3_param_value_queue_cpp>(queue).queue;
    const v3_param_id id = points.get_param_id(queue);
    if (!ValidParam(id)) continue; // an unknown id costs only its own queue
    const int32_t count = points.get_point_count(queue);
    for (int32_t p = 0; p < count; ++p) {
      int32_t offset = 0;
      double value = 0.0;
      if (points.get_point(queue, p, &offset, &value) != V3_OK || !std::isfinite(value)) continue;
      if (mPoints.size() < mPoints.capacity()) {
        mPoints.push_back(ChangePoint{std::clamp(offset, 0, frames), order++, static_cast<int32_t>(id), value});
      } else {
        mOverflow[id] = value; // applied after the block
      }
    }
  }
  // Hosts should give each queue's points in order, but not every host does.
  std::sort(mPoints.begin(), mPoints.end(), [](const ChangePoint& a, const ChangePoint& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.order < b.order;
  });
  return static_cast<int>(mPoints.size());
}

void IEffectVST3::ApplyChange(int param, double normalized, int offset) {
  SetParamFromHost(param, normalized, HostValue::Normalized, offset);
}

bool IEffectVST3::BuffersUsable(const v3_process_data& data) const {
  if (data.num_input_buses < 1 || data.num_output_buses < 1 || !data.inputs || !data.outputs) return false;
  const v3_audio_bus_buffers& in = data.inputs[0];
  const v3_audio_bus_buffers& out = data.outputs[0];
  if (in.num_channels < ConnectedInputCount() || out.num_channels < ConnectedOutputCount()) return false;
  if (!in.channel_buffers_32 || !out.channel_buffers_32) return false;
  // The pointers are read as the sample size says; both members of the union are pointers.
  for (int c = 0; c < ConnectedInputCount(); ++c) if (!in.channel_buffers_32[c]) return false;
  for (int c = 0; c < ConnectedOutputCount(); ++c) if (!out.channel_buffers_32[c]) return false;
  return true;
}

template <typename Sample>
void IEffectVST3::MarkSilence(v3_process_data& data) {
  for (int32_t b = 0; b < data.num_output_buses; ++b) {
    v3_audio_bus_buffers& bus = data.outputs[b];
    uint64_t silent = 0;
    Sample** channels = Buffers<Sample>(bus);
    for (int32_t c = 0; c < bus.num_channels && c < 64; ++c) {
      const Sample* samples = channels ? channels[c] : nullptr;
      bool zero = true;
      for (int32_t i = 0; samples && i < data.nframes && zero; ++i) zero = samples[i] == Sample(0);
      if (zero) silent |= uint64_t{1} << c;
    }
    bus.channel_silence_bitset = silent;
  }
}

v3_result IEffectVST3::Process(v3_process_data* data) {
  if (!data || data->nframes < 0) return V3_INVALID_ARG;
  const int frames = data->nframes;
  const bool wide = data->symbolic_sample_size == V3_SAMPLE_64;
  ReadContext(data->ctx);
  SetRenderingOffline(data->process_mode == V3_OFFLINE);
  CollectChanges(data->input_params, frames);

  const bool usable = frames > 0 && BuffersUsable(*data);
  if (!usable) {
    for (const ChangePoint& point : mPoints) ApplyChange(point.param, point.value, point.offset);
  } else if (wide) {
    ProcessWithChanges(data->inputs[0].channel_buffers_64, data->outputs[0].channel_buffers_64, frames, mChanges);
  } else {
    ProcessWithChanges(data->inputs[0].channel_buffers_32, data->outputs[0].channel_buffers_32, frames, mChanges);
  }
  for (size_t i = 0; i < mOverflow.size(); ++i) {
    if (std::isnan(mOverflow[i])) continue;
    ApplyChange(static_cast<int>(i), mOverflow[i], frames);
    mOverflow[i] = kNoChange;
  }

  if (frames > 0 && data->outputs) {
    if (!usable) {
      // Buffers the plug-in cannot use (fewer channels than the arrangement): silence, not garbage.
      for (int32_t b = 0; b < data->num_output_buses; ++b) {
        const v3_audio_bus_buffers& bus = data->outputs[b];
        for (int32_t c = 0; bus.channel_buffers_32 && c < bus.num_channels; ++c) {
          if (!bus.channel_buffers_32[c]) continue;
          if (wide) std::fill_n(bus.channel_buffers_64[c], frames, 0.0);
          else std::fill_n(bus.channel_buffers_32[c], frames, 0.0f);
        }
      }
    }
    if (wide) MarkSilence<double>(*data);
    else MarkSilence<float>(*data);
  }
  return V3_OK;
}

v3_result IEffectVST3::GetState(v3_bstream** stream) {
  if (!stream) return V3_INVALID_ARG;
  if (!WriteProgramChunk(mState)) return V3_FALSE;
  auto& methods = Methods<StreamVtbl>(stream).stream;
  const auto write = [&](const uint8_t* data, size_t size) -> int64_t {
    int32_t wrote = 0;
    const auto n = static_cast<int32_t>(std::min<size_t>(size, INT32_MAX));
    return methods.write(stream, const_cast<uint8_t*>(data), n, &wrote) == V3_OK ? wrote : -1;
  };
  return StateStream::WriteAll(write, mState.Data(), static_cast<size_t>(mState.Length())) ? V3_OK : V3_FALSE;
}

v3_result IEffectVST3::SetState(v3_bstream** stream) {
  if (!stream) return V3_INVALID_ARG;
  // Read everything first: nothing changes unless the whole state is there and valid. A stream
  // that gives nothing has ended; one that fails after giving bytes ends after them.
  auto& methods = Methods<StreamVtbl>(stream).stream;
  bool failed = false;
  const auto read = [&](uint8_t* data, size_t size) -> int64_t {
    if (failed) return 0;
    int32_t got = 0;
    failed = methods.read(stream, data, static_cast<int32_t>(std::min<size_t>(size, INT32_MAX)), &got) != V3_OK;
    return got > 0 && static_cast<size_t>(got) <= size ? got : 0;
  };
  std::vector<uint8_t> bytes;
  if (!StateStream::ReadAll(read, bytes)) return V3_FALSE;
  return ReadProgramChunk(bytes.data(), bytes.size(), ChunkLoading::Strict) ? V3_OK : V3_FALSE;
}

v3_result IEffectVST3::ParameterInfo(int32_t index, v3_param_info* info) const {
  if (!info || index < 0 || index >= NParams()) return V3_INVALID_ARG;
  const IParam* p = GetParam(index);
  std::memset(info, 0, sizeof *info);
  info->param_id = static_cast<v3_param_id>(index);
  CopyUtf16(info->title, p->Name());
  CopyUtf16(info->short_title, p->Name());
  CopyUtf16(info->units, p->Label());
  info->step_count = ParamFacts::StepCount(*p);
  info->default_normalised_value = p->NormalizeValue(p->Default());
  info->unit_id = 0; // the root unit
  int32_t flags = 0;
  if (!(p->Flags() & IParam::NotAutomatable)) flags |= V3_PARAM_CAN_AUTOMATE;
  if (p->Type() == IParam::ParamType::Enum) flags |= V3_PARAM_IS_LIST;
  if (index == BypassParamIndex()) flags |= V3_PARAM_IS_BYPASS;
  info->flags = flags;
  return V3_OK;
}

v3_result IEffectVST3::StringForValue(v3_param_id id, double normalized, int16_t* text128) {
  if (!text128 || !ValidParam(id) || !std::isfinite(normalized)) return V3_INVALID_ARG;
  // The host shows the unit from the parameter's info after this text.
  const IParam* p = GetParam(static_cast<int>(id));
  CopyUtf16(text128, 128, ParamFacts::DisplayText(*p, p->DenormalizeValue(std::clamp(normalized, 0.0, 1.0)), false));
  return V3_OK;
}

v3_result IEffectVST3::ValueForString(v3_param_id id, const int16_t* text, double* normalized) const {
  if (!text || !normalized || !ValidParam(id)) return V3_INVALID_ARG;
  const IParam* p = GetParam(static_cast<int>(id));
  const auto plain = ParamFacts::ParseText(*p, Utf8FromUtf16(text, 128));
  if (!plain) return V3_FALSE;
  *normalized = std::clamp(p->NormalizeValue(*plain), 0.0, 1.0);
  return V3_OK;
}

double IEffectVST3::NormalizedToPlain(v3_param_id id, double normalized) const {
  if (!ValidParam(id) || !std::isfinite(normalized)) return 0.0;
  return GetParam(static_cast<int>(id))->DenormalizeValue(std::clamp(normalized, 0.0, 1.0));
}

double IEffectVST3::PlainToNormalized(v3_param_id id, double plain) const {
  if (!ValidParam(id) || !std::isfinite(plain)) return 0.0;
  const IParam* p = GetParam(static_cast<int>(id));
  return std::clamp(p->NormalizeValue(std::clamp(plain, std::min(p->Min(), p->Max()), std::max(p->Min(), p->Max()))), 0.0, 1.0);
}

double IEffectVST3::ParameterNormalized(v3_param_id id) const {
  if (!ValidParam(id)) return 0.0;
  return GetParam(static_cast<int>(id))->GetNormalized();
}

v3_result IEffectVST3::SetParameterNormalized(v3_param_id id, double normalized) {
  if (!ValidParam(id) || !std::isfinite(normalized)) return V3_INVALID_ARG;
  ApplyChange(static_cast<int>(id), normalized, -1);
  return V3_OK;
}

void IEffectVST3::InformHostOfPresetChange() {
  if (mHandler) Methods<ComponentHandlerVtbl>(mHandler).handler.restart_component(mHandler, V3_RESTART_PARAM_VALUES_CHANGED);
}

bool IEffectVST3::ResizeEditorWindow(int width, int height) {
  if (!HasEditor() || (width == EditorWidth() && height == EditorHeight())) return false;
  return mView && mView->ResizeFromEditor(width, height);
}

void IEffectVST3::BeginParamGesture(int paramIndex) {
  if (mHandler && paramIndex >= 0 && paramIndex < NParams()) {
    Methods<ComponentHandlerVtbl>(mHandler).handler.begin_edit(mHandler, static_cast<v3_param_id>(paramIndex));
  }
}

void IEffectVST3::EndParamGesture(int paramIndex) {
  if (mHandler && paramIndex >= 0 && paramIndex < NParams()) {
    Methods<ComponentHandlerVtbl>(mHandler).handler.end_edit(mHandler, static_cast<v3_param_id>(paramIndex));
  }
}

void IEffectVST3::AutomateParam(int paramIndex, double normalized) {
  if (mHandler && paramIndex >= 0 && paramIndex < NParams()) {
    Methods<ComponentHandlerVtbl>(mHandler).handler.perform_edit(mHandler, static_cast<v3_param_id>(paramIndex), normalized);
  }
}

void IEffectVST3::ViewSize(int& width, int& height) { EditorSizeForHost(width, height); }

bool IEffectVST3::SendMidiToHost(const IMidiMessage&) { return false; } // no event bus

void IEffectVST3::SetLatency(int samples) {
  IEffectProcessor::SetLatency(samples);
  if (mHandler) Methods<ComponentHandlerVtbl>(mHandler).handler.restart_component(mHandler, V3_RESTART_LATENCY_CHANGED);
}

IEditorPump* IEffectVST3::EditorPump() { return mView; }

} // namespace lumen
