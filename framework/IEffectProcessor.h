#pragma once

#include "IChannelConfig.h"
#include "IChannelSlot.h"
#include "IEffectSettings.h"
#include "IMidiMessage.h"
#include "ITransportInfo.h"

#include <memory>
#include <string>
#include <vector>

namespace lumen {

// The audio half of a plug-in: accepted channel layouts, one record per input and output channel,
// conversion between the host's buffers and the 64-bit buffers the DSP works on, and the call into
// the plug-in's block processing. It does not know the host API; the binding calls into it.
//
// Threads: ProcessBlock, the buffer plumbing, the MIDI entry points and OnClearState run on the
// audio thread.
// Rate, block size, connections and OnReset are changed from the host's main thread while
// processing is stopped.
class IEffectProcessor {
public:
  // The longest block the scratch buffers are ever made for: a host that announces more gets its
  // blocks processed in slices of this size.
  static constexpr int kMaxBlockSize = 65536;

  // The changes a host delivers inside one block (parameter values at sample offsets), in the order
  // they apply. The binding adapts its host's event list to this; the processor cuts the block at
  // each change so that every span runs with the values in force from its first sample.
  class IBlockChanges {
  public:
    virtual int Count() const = 0;
    // Frames from the block's start at which change i applies.
    virtual int Offset(int index) const = 0;
    // Applies change i at the offset where the block was cut for it.
    virtual void Apply(int index, int offset) = 0;

  protected:
    ~IBlockChanges() = default;
  };

  explicit IEffectProcessor(const IEffectSettings& settings);
  virtual ~IEffectProcessor();
  IEffectProcessor(const IEffectProcessor&) = delete;
  IEffectProcessor& operator=(const IEffectProcessor&) = delete;

  // The plug-in's DSP. One pointer per channel record in each direction, connected or not; a
  // disconnected input reads as zeros. The default copies inputs to outputs of the same index and
  // zeroes outputs that have no input record.
  virtual void ProcessBlock(double** inputs, double** outputs, int frames);
  virtual void OnMidiMessage(const IMidiMessage& message);
  virtual void OnSysExMessage(const ISysExMessage& message);
  // After a sample-rate or block-size change and when processing is switched off.
  virtual void OnReset();
  // Clears what the processing remembers of past audio while keeping the sample rate and channel
  // layout. Called on the audio thread between blocks, so it must neither allocate nor lock. The
  // default does nothing.
  virtual void OnClearState();
  virtual void OnActivate(bool active);
  virtual bool SendMidiToHost(const IMidiMessage& message) = 0;
  virtual bool SendMidiListToHost(const std::vector<IMidiMessage>& messages);
  virtual bool SendSysExToHost(const ISysExMessage& message);
  virtual void BusName(ERoute direction, int busIndex, int busCount, std::string& out) const;
  virtual void SetLatency(int samples);

  // Channel layouts.
  bool LegalIO(int inputs, int outputs) const;
  int MaxChannels(ERoute direction) const;
  int ConfigCount() const { return static_cast<int>(mConfigs.size()); }
  const IChannelConfig* Config(int index) const;
  int MaxBuses(ERoute direction) const;

  // Connections.
  bool ChannelIsConnected(ERoute direction, int index) const;
  int ConnectedOutputCount() const;
  int ConnectedInputCount() const;
  void ConnectChannels(ERoute direction, int first, int count, bool connected);
  // A channel's optional name; empty unless the plug-in sets one (and for an index out of range).
  const std::string& ChannelLabel(ERoute direction, int index) const;
  void SetChannelLabel(ERoute direction, int index, const std::string& label);

  void SetSampleRate(double hz) { mSampleRate = hz; }
  double SampleRate() const { return mSampleRate; }
  void SetBlockSize(int n);
  int BlockSize() const { return mBlockSize; }
  int Latency() const { return mLatency; }
  int TailSize() const { return mTailSize; }
  bool IsRenderingOffline() const { return mRenderingOffline; }
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }
  const ITransportInfo& Transport() const { return mTransport; }
  ITransportInfo& Transport() { return mTransport; }
  int PlugType() const { return mPlugType; }
  bool DoesMidiIn() const { return mDoesMidiIn; }
  bool DoesMidiOut() const { return mDoesMidiOut; }
  bool DoesMPE() const { return mDoesMPE; }

  // Buffer plumbing. Host buffers are consumed in order by connected records only: the k-th host
  // buffer goes to the k-th connected record. The 32-bit calls convert through the scratch buffers
  // and so handle at most BlockSize() frames; the Process calls below slice longer host blocks.
  // Outputs go back as 32-bit floats with values below the smallest normal float given as zero,
  // so the host never receives subnormal samples.
  void AttachInputs32(float* const* hostBuffers, int frames);
  void AttachOutputs32(float* const* hostBuffers);
  void AttachInputs64(double* const* hostBuffers);
  void AttachOutputs64(double* const* hostBuffers);
  void ReturnOutputs32(int frames);
  void AccumulateOutputs32(int frames);
  // Calls ProcessBlock on whatever the channel records point at.
  void ProcessAttached(int frames);

  // Called by ProcessBlock (audio thread) when this block's outputs are the inputs unchanged, as in
  // a hard bypass: the 32-bit hand-back then gives the host its own samples back bit for bit,
  // subnormals included, instead of turning values below the smallest normal float into zero.
  void MarkBlockAsPassThrough() { mPassThrough = true; }

  // The three ways a host delivers audio. A host block longer than the block size is processed in
  // slices of at most the block size, so the scratch buffers never overflow.
  void ProcessReplacing32(float* const* inputs, float* const* outputs, int frames);
  void ProcessAccumulating32(float* const* inputs, float* const* outputs, int frames);
  void ProcessReplacing64(double* const* inputs, double* const* outputs, int frames);

  // A host block of frames (replacing), cut at every change: each span is processed with the values
  // in force from its first sample. A change whose offset lies before the previous one's applies
  // where the previous one did, one past the end applies after the last span; changes are applied
  // even when frames is 0. Host buffers go to the connected channel records in order, as above.
  void ProcessWithChanges(float* const* inputs, float* const* outputs, int frames, IBlockChanges& changes);
  void ProcessWithChanges(double* const* inputs, double* const* outputs, int frames, IBlockChanges& changes);

  // Parses a channel I/O string ("1-1 2-2") into configurations and the four maxima.
  struct ParsedIO {
    std::vector<IChannelConfig> configs;
    int maxInputChannels = 0;
    int maxOutputChannels = 0;
    int maxInputBuses = 0;
    int maxOutputBuses = 0;
  };
  static ParsedIO ParseChannelIO(const char* text);

private:
  std::vector<IChannelSlot>& Records(ERoute direction) { return direction == ERoute::Input ? mInputs : mOutputs; }
  const std::vector<IChannelSlot>& Records(ERoute direction) const { return direction == ERoute::Input ? mInputs : mOutputs; }
  void AttachInputs32At(float* const* hostBuffers, int offset, int frames);
  void AttachOutputs32At(float* const* hostBuffers, int offset);
  void AttachInputs64At(double* const* hostBuffers, int offset);
  void AttachOutputs64At(double* const* hostBuffers, int offset);
  void ReturnOutputs32(int frames, bool accumulate);
  void Process32(float* const* inputs, float* const* outputs, int start, int frames, bool accumulate);
  void Process64(double* const* inputs, double* const* outputs, int start, int frames);
  template <typename Sample>
  void ProcessSplit(Sample* const* inputs, Sample* const* outputs, int frames, IBlockChanges& changes);

  int mPlugType = 0;
  bool mDoesMidiIn = false;
  bool mDoesMidiOut = false;
  bool mDoesMPE = false;
  int mLatency = 0;
  double mSampleRate = 48000.0;
  int mBlockSize = 0;
  int mTailSize = 0;
  bool mRenderingOffline = false;
  std::vector<IChannelConfig> mConfigs;
  int mMaxInputBuses = 0;
  int mMaxOutputBuses = 0;
  std::vector<double*> mInputPointers;
  std::vector<double*> mOutputPointers;
  std::vector<IChannelSlot> mInputs;
  std::vector<IChannelSlot> mOutputs;
  // Where the current 32-bit slice begins in the host's output buffers.
  int mHostOutputOffset = 0;
  // Set by MarkBlockAsPassThrough for the block being processed.
  bool mPassThrough = false;
  ITransportInfo mTransport;
};

} // namespace lumen
