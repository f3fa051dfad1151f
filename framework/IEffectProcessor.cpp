#include "IEffectProcessor.h"

#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

namespace lumen {

namespace {

// Splits on a separator, skipping empty tokens.
template <typename Fn>
void ForEachToken(std::string_view text, char separator, Fn&& fn) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) fn(text.substr(start, end - start));
    start = end + 1;
  }
}

// A bus list such as "2" or "1.1" or "*". Returns the part's total; buses of 0 channels are not
// stored but still count (as 0).
int ParseBuses(std::string_view part, ERoute direction, std::vector<IBusSpec>& buses) {
  int total = 0;
  ForEachToken(part, '.', [&](std::string_view token) {
    const int count = token == "*" ? IBusSpec::kAnyChannels : NumberText::ParseLeadingInt(token);
    total += count;
    if (count != 0) buses.push_back(IBusSpec{direction, count});
  });
  return total;
}

// A 64-bit sample as a 32-bit one for the host. Values too small for a normal 32-bit float (DSP
// floors of the order of 1e-39 leave such values on silence) would reach the host as subnormals,
// which slow down every later calculation on them: they become zero.
float HostSample32(double sample) {
  const float f = static_cast<float>(sample);
  return std::fabs(f) < std::numeric_limits<float>::min() ? 0.0f : f;
}

} // namespace

int32_t IChannelConfig::TotalChannels(ERoute direction) const {
  const auto& buses = direction == ERoute::Input ? inputBuses : outputBuses;
  int32_t total = 0;
  for (const auto& bus : buses) total += bus.channelCount;
  return total;
}

IEffectProcessor::ParsedIO IEffectProcessor::ParseChannelIO(const char* text) {
  ParsedIO parsed;
  if (!text) return parsed;
  ForEachToken(text, ' ', [&](std::string_view token) {
    IChannelConfig config;
    const size_t dash = token.find('-');
    const std::string_view inputPart = token.substr(0, dash);
    std::string_view outputPart;
    if (dash != std::string_view::npos) {
      outputPart = token.substr(dash + 1);
      outputPart = outputPart.substr(0, outputPart.find('-'));
    }
    const int inputs = ParseBuses(inputPart, ERoute::Input, config.inputBuses);
    const int outputs = ParseBuses(outputPart, ERoute::Output, config.outputBuses);
    parsed.maxInputChannels = std::max(parsed.maxInputChannels, inputs);
    parsed.maxOutputChannels = std::max(parsed.maxOutputChannels, outputs);
    parsed.maxInputBuses = std::max(parsed.maxInputBuses, static_cast<int>(config.inputBuses.size()));
    parsed.maxOutputBuses = std::max(parsed.maxOutputBuses, static_cast<int>(config.outputBuses.size()));
    parsed.configs.push_back(std::move(config));
  });
  return parsed;
}

IEffectProcessor::IEffectProcessor(const IEffectSettings& settings)
    : mPlugType(settings.plugType),
      mDoesMidiIn(settings.doesMidiIn),
      mDoesMidiOut(settings.doesMidiOut),
      mDoesMPE(settings.doesMPE),
      mLatency(settings.latency) {
  ParsedIO parsed = ParseChannelIO(settings.channelIO);
  mConfigs = std::move(parsed.configs);
  mMaxInputBuses = parsed.maxInputBuses;
  mMaxOutputBuses = parsed.maxOutputBuses;

  // The pointer arrays are sized once here and never reallocated: each record keeps the address of
  // its own entry.
  mInputPointers.assign(static_cast<size_t>(parsed.maxInputChannels), nullptr);
  mOutputPointers.assign(static_cast<size_t>(parsed.maxOutputChannels), nullptr);
  mInputs.resize(mInputPointers.size());
  mOutputs.resize(mOutputPointers.size());
  for (size_t i = 0; i < mInputs.size(); ++i) mInputs[i].dataSlot = &mInputPointers[i];
  for (size_t i = 0; i < mOutputs.size(); ++i) mOutputs[i].dataSlot = &mOutputPointers[i];
}

IEffectProcessor::~IEffectProcessor() = default;

void IEffectProcessor::ProcessBlock(double** inputs, double** outputs, int frames) {
  if (frames <= 0) return;
  const size_t n = static_cast<size_t>(frames);
  for (size_t i = 0; i < mOutputs.size(); ++i) {
    if (!outputs[i]) continue;
    if (i < mInputs.size() && inputs[i]) {
      if (inputs[i] != outputs[i]) std::memmove(outputs[i], inputs[i], n * sizeof(double));
    } else {
      std::fill_n(outputs[i], n, 0.0);
    }
  }
}

void IEffectProcessor::OnMidiMessage(const IMidiMessage& message) { SendMidiToHost(message); }
void IEffectProcessor::OnSysExMessage(const ISysExMessage&) {}
void IEffectProcessor::OnReset() {}
void IEffectProcessor::OnClearState() {}
void IEffectProcessor::OnActivate(bool) {}

bool IEffectProcessor::SendMidiListToHost(const std::vector<IMidiMessage>& messages) {
  bool all = true;
  for (const auto& message : messages) all = SendMidiToHost(message) && all;
  return all;
}

bool IEffectProcessor::SendSysExToHost(const ISysExMessage&) { return false; }

void IEffectProcessor::BusName(ERoute direction, int busIndex, int busCount, std::string& out) const {
  if (direction == ERoute::Input) {
    if (busCount == 1) out = "Input";
    else if (busCount == 2) out = busIndex == 0 ? "Main" : "Aux";
    else out = "Input " + NumberText::Integer(busIndex);
  } else {
    if (busCount == 1) out = "Output";
    else out = "Output " + NumberText::Integer(busIndex);
  }
}

void IEffectProcessor::SetLatency(int samples) { mLatency = samples; }

bool IEffectProcessor::LegalIO(int inputs, int outputs) const {
  for (const auto& config : mConfigs) {
    const bool inputsMatch = inputs < 0 || config.TotalChannels(ERoute::Input) == inputs;
    const bool outputsMatch = outputs < 0 || config.TotalChannels(ERoute::Output) == outputs;
    if (inputsMatch && outputsMatch) return true;
  }
  return false;
}

int IEffectProcessor::MaxChannels(ERoute direction) const { return static_cast<int>(Records(direction).size()); }

const IChannelConfig* IEffectProcessor::Config(int index) const {
  if (index < 0 || index >= ConfigCount()) return nullptr;
  return &mConfigs[static_cast<size_t>(index)];
}

int IEffectProcessor::MaxBuses(ERoute direction) const {
  return direction == ERoute::Input ? mMaxInputBuses : mMaxOutputBuses;
}

bool IEffectProcessor::ChannelIsConnected(ERoute direction, int index) const {
  const auto& records = Records(direction);
  return index >= 0 && index < static_cast<int>(records.size()) && records[static_cast<size_t>(index)].connected;
}

int IEffectProcessor::ConnectedOutputCount() const {
  return static_cast<int>(std::count_if(mOutputs.begin(), mOutputs.end(), [](const IChannelSlot& r) { return r.connected; }));
}

int IEffectProcessor::ConnectedInputCount() const {
  return static_cast<int>(std::count_if(mInputs.begin(), mInputs.end(), [](const IChannelSlot& r) { return r.connected; }));
}

void IEffectProcessor::ConnectChannels(ERoute direction, int first, int count, bool connected) {
  auto& records = Records(direction);
  // 64-bit sum: first + count must not overflow for out-of-range arguments.
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(records.size()), int64_t{first} + std::max(0, count));
  for (int64_t i = std::max(0, first); i < end; ++i) {
    auto& record = records[static_cast<size_t>(i)];
    record.connected = connected;
    if (!connected) {
      // The scratch may still hold audio converted while the record was connected; a disconnected
      // input must read silence.
      std::fill(record.scratch.begin(), record.scratch.end(), 0.0);
      *record.dataSlot = record.scratch.empty() ? nullptr : record.scratch.data();
    }
  }
}

const std::string& IEffectProcessor::ChannelLabel(ERoute direction, int index) const {
  static const std::string kNone;
  const auto& records = Records(direction);
  if (index < 0 || index >= static_cast<int>(records.size())) return kNone;
  return records[static_cast<size_t>(index)].label;
}

void IEffectProcessor::SetChannelLabel(ERoute direction, int index, const std::string& label) {
  auto& records = Records(direction);
  if (index >= 0 && index < static_cast<int>(records.size())) records[static_cast<size_t>(index)].label = label;
}

void IEffectProcessor::SetBlockSize(int n) {
  n = std::max(0, n); // a negative size would break every clamp to [0, BlockSize()]
  if (n == mBlockSize) return;
  const size_t size = static_cast<size_t>(n);
  for (auto* records : {&mInputs, &mOutputs}) {
    for (auto& record : *records) {
      record.scratch.assign(size, 0.0);
      // The resize may free the old scratch, which connected records still point at after a 32-bit
      // block: repoint every record. A disconnected one reads its zeroed scratch; a connected one
      // is re-attached before its next block anyway.
      *record.dataSlot = record.scratch.empty() ? nullptr : record.scratch.data();
    }
  }
  mBlockSize = n;
}

void IEffectProcessor::AttachInputs32(float* const* hostBuffers, int frames) { AttachInputs32At(hostBuffers, 0, frames); }

void IEffectProcessor::AttachOutputs32(float* const* hostBuffers) { AttachOutputs32At(hostBuffers, 0); }

void IEffectProcessor::AttachInputs32At(float* const* hostBuffers, int offset, int frames) {
  const int n = std::clamp(frames, 0, mBlockSize);
  int next = 0;
  for (auto& record : mInputs) {
    if (!record.connected) continue;
    const float* source = hostBuffers ? hostBuffers[next++] : nullptr;
    if (source) {
      source += offset;
      for (int s = 0; s < n; ++s) record.scratch[static_cast<size_t>(s)] = static_cast<double>(source[s]);
    } else {
      std::fill_n(record.scratch.begin(), n, 0.0);
    }
    *record.dataSlot = record.scratch.empty() ? nullptr : record.scratch.data();
  }
}

void IEffectProcessor::AttachOutputs32At(float* const* hostBuffers, int offset) {
  mHostOutputOffset = offset;
  int next = 0;
  for (auto& record : mOutputs) {
    if (!record.connected) continue;
    *record.dataSlot = record.scratch.empty() ? nullptr : record.scratch.data();
    record.hostBuffer = hostBuffers ? hostBuffers[next++] : nullptr;
  }
}

void IEffectProcessor::AttachInputs64(double* const* hostBuffers) { AttachInputs64At(hostBuffers, 0); }

void IEffectProcessor::AttachOutputs64(double* const* hostBuffers) { AttachOutputs64At(hostBuffers, 0); }

void IEffectProcessor::AttachInputs64At(double* const* hostBuffers, int offset) {
  int next = 0;
  for (auto& record : mInputs) {
    if (!record.connected) continue;
    double* buffer = hostBuffers ? hostBuffers[next++] : nullptr;
    *record.dataSlot = buffer ? buffer + offset : nullptr;
  }
}

void IEffectProcessor::AttachOutputs64At(double* const* hostBuffers, int offset) {
  int next = 0;
  for (auto& record : mOutputs) {
    if (!record.connected) continue;
    double* buffer = hostBuffers ? hostBuffers[next++] : nullptr;
    *record.dataSlot = buffer ? buffer + offset : nullptr;
  }
}

void IEffectProcessor::ReturnOutputs32(int frames) { ReturnOutputs32(frames, false); }

void IEffectProcessor::AccumulateOutputs32(int frames) { ReturnOutputs32(frames, true); }

void IEffectProcessor::ReturnOutputs32(int frames, bool accumulate) {
  const int n = std::clamp(frames, 0, mBlockSize);
  for (auto& record : mOutputs) {
    if (!record.connected || !record.hostBuffer) continue;
    float* destination = record.hostBuffer + mHostOutputOffset;
    const double* source = record.scratch.data();
    if (mPassThrough) {
      // The host's own samples, which the 64-bit scratch holds exactly: no flush.
      if (accumulate) {
        for (int s = 0; s < n; ++s) destination[s] += static_cast<float>(source[s]);
      } else {
        for (int s = 0; s < n; ++s) destination[s] = static_cast<float>(source[s]);
      }
    } else if (accumulate) {
      for (int s = 0; s < n; ++s) destination[s] += HostSample32(source[s]);
    } else {
      for (int s = 0; s < n; ++s) destination[s] = HostSample32(source[s]);
    }
  }
}

void IEffectProcessor::ProcessAttached(int frames) {
  mPassThrough = false;
  if (frames <= 0) return;
  ProcessBlock(mInputPointers.data(), mOutputPointers.data(), frames);
}

void IEffectProcessor::Process32(float* const* inputs, float* const* outputs, int start, int frames, bool accumulate) {
  if (frames <= 0) return;
  if (mBlockSize <= 0) {
    // Without scratch buffers nothing can be processed; a replacing call still owes the host
    // defined output rather than whatever its buffers held.
    if (!accumulate) {
      AttachOutputs32At(outputs, start);
      for (const auto& record : mOutputs) {
        if (record.connected && record.hostBuffer) std::fill_n(record.hostBuffer + start, frames, 0.0f);
      }
    }
    mHostOutputOffset = 0;
    return;
  }
  for (int offset = 0; offset < frames; offset += mBlockSize) {
    const int slice = std::min(mBlockSize, frames - offset);
    AttachInputs32At(inputs, start + offset, slice);
    AttachOutputs32At(outputs, start + offset);
    ProcessAttached(slice);
    ReturnOutputs32(slice, accumulate);
  }
  mHostOutputOffset = 0;
}

void IEffectProcessor::Process64(double* const* inputs, double* const* outputs, int start, int frames) {
  if (frames <= 0) return;
  // Host buffers go straight to the DSP, but disconnected records still read and write their
  // scratch, which holds only BlockSize() samples: slice as the 32-bit paths do.
  const int sliceLength = mBlockSize > 0 ? mBlockSize : frames;
  for (int offset = 0; offset < frames; offset += sliceLength) {
    AttachInputs64At(inputs, start + offset);
    AttachOutputs64At(outputs, start + offset);
    ProcessAttached(std::min(sliceLength, frames - offset));
  }
}

void IEffectProcessor::ProcessReplacing32(float* const* inputs, float* const* outputs, int frames) {
  Process32(inputs, outputs, 0, frames, false);
}

void IEffectProcessor::ProcessAccumulating32(float* const* inputs, float* const* outputs, int frames) {
  Process32(inputs, outputs, 0, frames, true);
}

void IEffectProcessor::ProcessReplacing64(double* const* inputs, double* const* outputs, int frames) {
  Process64(inputs, outputs, 0, frames);
}

template <typename Sample>
void IEffectProcessor::ProcessSplit(Sample* const* inputs, Sample* const* outputs, int frames, IBlockChanges& changes) {
  const auto span = [&](int start, int length) {
    if constexpr (std::is_same_v<Sample, float>) {
      Process32(inputs, outputs, start, length, false);
    } else {
      Process64(inputs, outputs, start, length);
    }
  };
  frames = std::max(0, frames);
  int done = 0;
  const int count = changes.Count();
  for (int i = 0; i < count; ++i) {
    const int at = std::clamp(changes.Offset(i), done, frames);
    if (at > done) {
      span(done, at - done);
      done = at;
    }
    changes.Apply(i, at);
  }
  if (frames > done) span(done, frames - done);
}

void IEffectProcessor::ProcessWithChanges(float* const* inputs, float* const* outputs, int frames,
                                          IBlockChanges& changes) {
  ProcessSplit(inputs, outputs, frames, changes);
}

void IEffectProcessor::ProcessWithChanges(double* const* inputs, double* const* outputs, int frames,
                                          IBlockChanges& changes) {
  ProcessSplit(inputs, outputs, frames, changes);
}

} // namespace lumen
