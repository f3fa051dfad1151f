#include "ClapPluginInstance.h"

#include "ClapFixedSeed.h"
#include "ClapPosixFdSupport.h"

#include "ext/audio-ports.h"
#include "ext/state.h"
#include "ext/timer-support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <poll.h>
#endif

namespace kolmari::testhost {

namespace {

// A growing byte buffer behind clap_ostream, moving at most maxChunk bytes per write.
struct WriteStream {
  std::vector<uint8_t> bytes;
  size_t maxChunk = SIZE_MAX;
  clap_ostream_t stream{this, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                          auto* self = static_cast<WriteStream*>(s->ctx);
                          const size_t n = static_cast<size_t>(std::min<uint64_t>(size, self->maxChunk));
                          const auto* p = static_cast<const uint8_t*>(data);
                          self->bytes.insert(self->bytes.end(), p, p + n);
                          return static_cast<int64_t>(n);
                        }};
};

// Bytes behind clap_istream, handing over at most maxChunk per read; 0 at the end.
struct ReadStream {
  const std::vector<uint8_t>* bytes = nullptr;
  size_t pos = 0;
  size_t maxChunk = SIZE_MAX;
  clap_istream_t stream{this, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                          auto* self = static_cast<ReadStream*>(s->ctx);
                          const size_t left = self->bytes->size() - self->pos;
                          const size_t n = static_cast<size_t>(std::min<uint64_t>({size, left, self->maxChunk}));
                          if (n > 0) std::memcpy(data, self->bytes->data() + self->pos, n);
                          self->pos += n;
                          return static_cast<int64_t>(n);
                        }};
};

} // namespace

std::unique_ptr<ClapPluginInstance> ClapPluginInstance::Create(std::shared_ptr<ClapPluginLibrary> library,
                                                               std::string& error, const std::string& pluginId,
                                                               const std::function<void(ClapTestHost&)>& configure) {
  error.clear();
  if (!library) {
    error = "no library";
    return nullptr;
  }
  const clap_plugin_factory_t* factory = library->Factory();
  std::string id = pluginId;
  if (id.empty()) {
    const clap_plugin_descriptor_t* descriptor =
        factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    if (!descriptor || !descriptor->id) {
      error = library->Path() + ": the factory describes no plug-in";
      return nullptr;
    }
    id = descriptor->id;
  }
  auto host = std::make_unique<ClapTestHost>();
  if (configure) configure(*host);
  std::unique_ptr<ClapPluginInstance> instance(new ClapPluginInstance(library, std::move(host)));
  instance->mHost->SetCreating(true);
  instance->mPlugin = factory->create_plugin(factory, instance->mHost->Host(), id.c_str());
  instance->mHost->SetCreating(false);
  if (!instance->mPlugin) {
    error = library->Path() + ": create_plugin made no instance of " + id;
    return nullptr;
  }
  if (!instance->mPlugin->init(instance->mPlugin)) {
    error = library->Path() + ": the plug-in's init failed";
    return nullptr; // the destructor destroys it
  }
  instance->mParams = instance->ExtensionAs<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  instance->ReadPorts();
  return instance;
}

std::unique_ptr<ClapPluginInstance> ClapPluginInstance::Load(const std::string& path, std::string& error) {
  auto library = ClapPluginLibrary::Load(path, error);
  if (!library) return nullptr;
  return Create(std::move(library), error);
}

ClapPluginInstance::ClapPluginInstance(std::shared_ptr<ClapPluginLibrary> library, std::unique_ptr<ClapTestHost> host)
    : mLibrary(std::move(library)), mHost(std::move(host)) {}

ClapPluginInstance::~ClapPluginInstance() {
  if (!mPlugin) return;
  StopProcessing();
  Deactivate();
  mPlugin->destroy(mPlugin);
  mPlugin = nullptr;
}

const void* ClapPluginInstance::Extension(const char* id) const {
  return mPlugin && mPlugin->get_extension ? mPlugin->get_extension(mPlugin, id) : nullptr;
}

void ClapPluginInstance::ReadPorts() {
  const auto* ports = ExtensionAs<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  if (!ports) return;
  clap_audio_port_info_t info{};
  if (ports->count(mPlugin, true) > 0 && ports->get(mPlugin, 0, true, &info)) {
    mInputChannels = static_cast<int32_t>(info.channel_count);
    mSupports64 = (info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS) != 0;
  }
  if (ports->count(mPlugin, false) > 0 && ports->get(mPlugin, 0, false, &info)) {
    mOutputChannels = static_cast<int32_t>(info.channel_count);
    mSupports64 = mSupports64 && (info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS) != 0;
  }
}

bool ClapPluginInstance::Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
  if (!mPlugin || mActive) return false;
  mActive = mPlugin->activate(mPlugin, sampleRate, minFrames, maxFrames);
  return mActive;
}

void ClapPluginInstance::Deactivate() {
  if (!mPlugin || !mActive) return;
  StopProcessing();
  mPlugin->deactivate(mPlugin);
  mActive = false;
}

bool ClapPluginInstance::StartProcessing() {
  if (!mPlugin || !mActive || mProcessing) return false;
  ClapTestHost::AudioScope audio(*mHost);
  mProcessing = mPlugin->start_processing(mPlugin);
  return mProcessing;
}

void ClapPluginInstance::StopProcessing() {
  if (!mPlugin || !mProcessing) return;
  ClapTestHost::AudioScope audio(*mHost);
  mPlugin->stop_processing(mPlugin);
  mProcessing = false;
}

void ClapPluginInstance::Reset() {
  if (!mPlugin || !mActive) return;
  ClapTestHost::AudioScope audio(*mHost);
  mPlugin->reset(mPlugin);
}

// ---- Parameters -----------------------------------------------------------------------------------

std::optional<clap_param_info_t> ClapPluginInstance::ParamInfo(int32_t index) const {
  if (!mParams || index < 0 || index >= NumParams()) return std::nullopt;
  clap_param_info_t info{};
  if (!mParams->get_info(mPlugin, static_cast<uint32_t>(index), &info)) return std::nullopt;
  return info;
}

std::optional<double> ClapPluginInstance::ParamValue(clap_id id) const {
  double value = 0.0;
  if (!mParams || !mParams->get_value(mPlugin, id, &value)) return std::nullopt;
  return value;
}

void ClapPluginInstance::QueueParamValue(clap_id id, double value, uint32_t offset) {
  mPending.AddParamValue(offset, id, value);
}

void ClapPluginInstance::FlushEvents() {
  if (!mParams) return;
  // Flush runs on the audio thread while the plug-in is active, else on the main thread.
  std::optional<ClapTestHost::AudioScope> audio;
  if (mActive) audio.emplace(*mHost);
  mParams->flush(mPlugin, mPending.List(), mOutput.List());
  mPending.Clear();
}

std::optional<std::string> ClapPluginInstance::ValueToText(clap_id id, double value) const {
  char text[256] = {};
  if (!mParams || !mParams->value_to_text(mPlugin, id, value, text, sizeof text)) return std::nullopt;
  return std::string(text);
}

std::optional<double> ClapPluginInstance::TextToValue(clap_id id, const std::string& text) const {
  double value = 0.0;
  if (!mParams || !mParams->text_to_value(mPlugin, id, text.c_str(), &value)) return std::nullopt;
  return value;
}

int32_t ClapPluginInstance::NumParams() const {
  return mParams ? static_cast<int32_t>(mParams->count(mPlugin)) : 0;
}

std::string ClapPluginInstance::EffectName() {
  return mPlugin && mPlugin->desc && mPlugin->desc->name ? mPlugin->desc->name : "";
}

std::string ClapPluginInstance::VendorString() {
  return mPlugin && mPlugin->desc && mPlugin->desc->vendor ? mPlugin->desc->vendor : "";
}

// Normalised values map linearly onto the plain range.
float ClapPluginInstance::GetParameter(int32_t index) const {
  const auto info = ParamInfo(index);
  const auto value = info ? ParamValue(info->id) : std::nullopt;
  if (!value || !(info->max_value > info->min_value)) return 0.0f;
  return static_cast<float>((*value - info->min_value) / (info->max_value - info->min_value));
}

bool ClapPluginInstance::SetParameter(int32_t index, float value) {
  const auto info = ParamInfo(index);
  if (!info || !std::isfinite(value)) return false;
  const double n = std::clamp(static_cast<double>(value), 0.0, 1.0);
  QueueParamValue(info->id, info->min_value + n * (info->max_value - info->min_value));
  if (!mProcessing) FlushEvents();
  return true;
}

std::string ClapPluginInstance::ParameterName(int32_t index) {
  const auto info = ParamInfo(index);
  return info ? std::string(info->name) : std::string();
}

std::string ClapPluginInstance::ParameterLabel(int32_t index) { return SplitUnit(CurrentValueText(index)).unit; }

std::string ClapPluginInstance::ParameterDisplay(int32_t index) { return SplitUnit(CurrentValueText(index)).number; }

std::string ClapPluginInstance::CurrentValueText(int32_t index) const {
  const auto info = ParamInfo(index);
  const auto value = info ? ParamValue(info->id) : std::nullopt;
  if (!value) return "";
  return ValueToText(info->id, *value).value_or("");
}

ClapPluginInstance::ValueText ClapPluginInstance::SplitUnit(const std::string& text) {
  // CLAP has no place for a unit, so plug-ins write it after the number ("32.00 %"); the other
  // formats hand the two over apart. Split it off, so that every format reads alike.
  const size_t space = text.find(' ');
  if (space == std::string::npos || space == 0 || space + 1 >= text.size()) return {text, ""};
  const std::string number = text.substr(0, space);
  char* end = nullptr;
  std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size()) return {text, ""};
  return {number, text.substr(space + 1)};
}

bool ClapPluginInstance::SetParameterText(int32_t index, const std::string& text) {
  const auto info = ParamInfo(index);
  const auto value = info ? TextToValue(info->id, text) : std::nullopt;
  if (!value) return false;
  QueueParamValue(info->id, *value);
  if (!mProcessing) FlushEvents();
  return true;
}

std::optional<PluginInstance::Stepping> ClapPluginInstance::ParameterStepping(int32_t index) {
  const auto info = ParamInfo(index);
  if (!info) return std::nullopt;
  Stepping stepping;
  stepping.wholeNumbers = (info->flags & CLAP_PARAM_IS_STEPPED) != 0;
  stepping.isSwitch = stepping.wholeNumbers && info->min_value == 0.0 && info->max_value == 1.0;
  return stepping;
}

bool ClapPluginInstance::SetFixedSeed(std::optional<uint32_t> seed) {
  const auto* extension = ExtensionAs<clap_plugin_fixed_seed_t>(kClapExtFixedSeed);
  return extension && extension->set && extension->set(mPlugin, seed.has_value(), seed.value_or(0));
}

// ---- State ------------------------------------------------------------------------------------------

std::optional<std::vector<uint8_t>> ClapPluginInstance::SaveStateBytes(size_t maxChunk) {
  const auto* state = ExtensionAs<clap_plugin_state_t>(CLAP_EXT_STATE);
  if (!state) return std::nullopt;
  WriteStream out;
  out.maxChunk = std::max<size_t>(maxChunk, 1);
  if (!state->save(mPlugin, &out.stream)) return std::nullopt;
  return out.bytes;
}

bool ClapPluginInstance::LoadStateBytes(const std::vector<uint8_t>& bytes, size_t maxChunk) {
  const auto* state = ExtensionAs<clap_plugin_state_t>(CLAP_EXT_STATE);
  if (!state) return false;
  ReadStream in;
  in.bytes = &bytes;
  in.maxChunk = std::max<size_t>(maxChunk, 1);
  return state->load(mPlugin, &in.stream);
}

std::vector<uint8_t> ClapPluginInstance::SaveState() { return SaveStateBytes().value_or(std::vector<uint8_t>{}); }

bool ClapPluginInstance::LoadState(const std::vector<uint8_t>& bytes) { return LoadStateBytes(bytes); }

// ---- Audio ------------------------------------------------------------------------------------------

std::string ClapPluginInstance::StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision,
                                           int32_t channels) {
  StopAudio();
  if ((doublePrecision && !mSupports64) || blockSize <= 0) return "";
  if (!Activate(sampleRate, 1, static_cast<uint32_t>(blockSize)) || !StartProcessing()) return "";
  if (channels == mInputChannels) return channels == 2 ? "stereo" : "mono";
  return "mono into input 1 of " + std::to_string(mInputChannels) + ", silence into the rest, output 1 of " +
         std::to_string(mOutputChannels) + " kept";
}

void ClapPluginInstance::StopAudio() { Deactivate(); }

template <typename Sample>
clap_process_status ClapPluginInstance::ProcessWith(AudioBuffers<Sample>& inputs, AudioBuffers<Sample>* outputs) {
  if (!mPlugin || !mProcessing || inputs.Channels() < mInputChannels) return CLAP_PROCESS_ERROR;
  if (outputs && (outputs->Channels() < mOutputChannels || outputs->Frames() != inputs.Frames()))
    return CLAP_PROCESS_ERROR;
  AudioBuffers<Sample>& out = outputs ? *outputs : inputs;
  clap_audio_buffer_t in{};
  clap_audio_buffer_t outPort{};
  in.channel_count = static_cast<uint32_t>(mInputChannels);
  outPort.channel_count = static_cast<uint32_t>(mOutputChannels);
  if constexpr (sizeof(Sample) == sizeof(float)) {
    in.data32 = inputs.Pointers();
    outPort.data32 = out.Pointers();
  } else {
    in.data64 = inputs.Pointers();
    outPort.data64 = out.Pointers();
  }
  clap_process_t process{};
  process.steady_time = mSteadyTime;
  process.frames_count = static_cast<uint32_t>(inputs.Frames());
  process.transport = nullptr;
  process.audio_inputs = &in;
  process.audio_outputs = &outPort;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  process.in_events = mPending.List();
  process.out_events = mOutput.List();
  clap_process_status status;
  {
    ClapTestHost::AudioScope audio(*mHost);
    status = mPlugin->process(mPlugin, &process);
  }
  mPending.Clear();
  mLastConstantMask = outPort.constant_mask;
  mSteadyTime += inputs.Frames();
  return status;
}

clap_process_status ClapPluginInstance::Process(AudioBuffers<float>& inputs, AudioBuffers<float>* outputs) {
  return ProcessWith(inputs, outputs);
}

clap_process_status ClapPluginInstance::Process(AudioBuffers<double>& inputs, AudioBuffers<double>* outputs) {
  return ProcessWith(inputs, outputs);
}

bool ClapPluginInstance::RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  return Process(inputs, &outputs) != CLAP_PROCESS_ERROR;
}

bool ClapPluginInstance::RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) {
  return Process(inputs, &outputs) != CLAP_PROCESS_ERROR;
}

void ClapPluginInstance::FireTimers() {
  const auto* timers = ExtensionAs<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
  if (!timers) return;
  for (const auto& [id, period] : mHost->Timers()) timers->on_timer(mPlugin, id);
}

int ClapPluginInstance::FireDescriptors() {
  int calls = 0;
#ifndef _WIN32
  const auto* descriptors = ExtensionAs<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
  if (!descriptors) return 0;
  for (const auto& [fd, watched] : mHost->Descriptors()) {
    pollfd p{fd, 0, 0};
    if (watched & CLAP_POSIX_FD_READ) p.events |= POLLIN;
    if (watched & CLAP_POSIX_FD_WRITE) p.events |= POLLOUT;
    if (poll(&p, 1, 0) <= 0) continue;
    clap_posix_fd_flags_t flags = 0;
    if (p.revents & (POLLIN | POLLHUP)) flags |= watched & CLAP_POSIX_FD_READ;
    if (p.revents & POLLOUT) flags |= watched & CLAP_POSIX_FD_WRITE;
    if (p.revents & (POLLERR | POLLNVAL)) flags |= watched & CLAP_POSIX_FD_ERROR;
    if (flags == 0) continue;
    descriptors->on_fd(mPlugin, fd, flags);
    ++calls;
  }
#endif
  return calls;
}

} // namespace kolmari::testhost
