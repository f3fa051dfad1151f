#include "Kolmari.h"

#include <algorithm>

namespace kolmari {

using lumen::ERoute;
using lumen::FourCharCode;
using lumen::IEffectSettings;

IEffectSettings Kolmari::Settings() {
  IEffectSettings s;
  s.nParams = kNumParams;
  s.nPresets = 1;
  s.channelIO = "1-1 2-2";
  s.pluginName = "Kolmari";
  s.productName = "Kolmari";
  s.makerName = "Lumenfold";
  s.version = kVersion;
  s.uniqueId = FourCharCode("ofzo");
  s.makerId = FourCharCode("LMFD");
  s.latency = 0;
  s.doesMidiIn = false;
  s.doesMidiOut = false;
  s.doesMPE = false;
  s.usesStateChunks = false;
  s.plugType = 0;
  s.hasEditor = true;
  s.editorWidth = 1630;
  s.editorHeight = 1010;
  s.minEditorWidth = 815;
  s.maxEditorWidth = 3260;
  s.minEditorHeight = 505;
  s.maxEditorHeight = 2020;
  s.editorFlag = true;
  s.identifier = "com.lumenfold.kolmari";
  s.features = "distortion";
  return s;
}

Kolmari::Kolmari(const lumen::IInstanceInfo& info) : lumen::PluginBase(Settings(), info) {
  // Creation order differs from index order; the index is what everything outside sees.
  GetParam(kOutputGain)->Init("Output Gain", 100.0, 0.0, 120.0, 0.01, "%");
  GetParam(kInputGain)->Init("Input Gain", 32.0, 0.0, 200.0, 0.01, "%");
  GetParam(kWet)->Init("Wet", 50.0, 0.0, 100.0, 0.01, "%");
  GetParam(kTame)->Init("Tame", 0.5, 0.0, 1.0, 0.001, "");
  GetParam(kBias)->Init("Bias", 0.5, 0.0, 1.0, 0.001, "");
  GetParam(kBypass)->Init("Bypass", 0.0, 0.0, 1.0, 1.0, "");
  GetParam(kReact)->Init("React", 0.0, 0.0, 1.0, 1.0, "");
  GetParam(kOversampling)->Init("Oversampling", 0.0, 0.0, 3.0, 1.0, "");
  GetParam(kDelta)->Init("Delta", 0.0, 0.0, 1.0, 1.0, "");

  // The engine starts with its settings-change flag raised, so the first block re-initialises.
  mEngine.Resize(std::max(KolmariEngine::kMinChannels, ConnectedOutputCount()));
}

Kolmari::~Kolmari() = default;

void Kolmari::ProcessBlock(double** inputs, double** outputs, int frames) {
  BlockParameters p;
  p.bypass = GetParam(kBypass)->Value();
  p.react = GetParam(kReact)->Value();
  p.oversampling = GetParam(kOversampling)->Value();
  p.delta = GetParam(kDelta)->Value();
  p.inputGain = GetParam(kInputGain)->Value();
  p.wet = GetParam(kWet)->Value();
  p.tame = GetParam(kTame)->Value();
  p.outputGain = GetParam(kOutputGain)->Value();
  p.bias = GetParam(kBias)->Value();
  // A disconnected output (the second one of a mono track) goes to a scratch buffer nobody reads:
  // hand the engine no buffer for it, so that it skips that channel's work. Each channel's state
  // depends on its own input only, so the others' output is the same either way.
  const int outputCount = std::min(MaxChannels(ERoute::Output), kMaxOutputs);
  double* connected[kMaxOutputs] = {};
  for (int c = 0; c < outputCount; ++c) connected[c] = outputs && ChannelIsConnected(ERoute::Output, c) ? outputs[c] : nullptr;
  mEngine.ProcessBlock(p, SampleRate(), ConnectedOutputCount(), inputs, MaxChannels(ERoute::Input), connected,
                       outputCount, frames);
  // Bypass promises the input back bit for bit, also to 32-bit hosts and for subnormal samples.
  if (mEngine.Bypassed()) MarkBlockAsPassThrough();
}

void Kolmari::OnReset() { mEngine.Reset(SampleRate(), ConnectedOutputCount()); }

// The audio thread's reset: the channels are forgotten in place, at the rate and count in force.
void Kolmari::OnClearState() { mEngine.Clear(); }

bool Kolmari::OnFixedSeed(std::optional<uint32_t> seed) {
  mEngine.SetFixedSeed(seed);
  return true;
}

// Nothing that processing depends on changes on idle.
void Kolmari::OnIdle() {}

} // namespace kolmari
