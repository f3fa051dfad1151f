// The format-neutral side of a VST 2.4 instance, as the tools drive it.
#include "VstPluginInstance.h"

#include "VstConstants.h"
#include "VstEffectOpcodes.h"
#include "VstParameterProperties.h"
#include "VstSpeakerArrangement.h"

#include <cmath>

namespace kolmari::testhost {

using namespace lumen::vst2;

namespace {

VstSpeakerArrangement Arrangement(int channels) {
  VstSpeakerArrangement arrangement{};
  arrangement.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  arrangement.numChannels = channels;
  if (channels == 1) {
    arrangement.speakers[0].type = kSpeakerM;
  } else {
    arrangement.speakers[0].type = kSpeakerL;
    arrangement.speakers[1].type = kSpeakerR;
  }
  return arrangement;
}

} // namespace

bool VstPluginInstance::SetParameterText(int32_t index, const std::string& text) {
  return String2Parameter(index, text) != 0;
}

std::optional<PluginInstance::Stepping> VstPluginInstance::ParameterStepping(int32_t index) {
  const auto properties = ParameterProperties(index);
  if (!properties) return std::nullopt;
  const int32_t flags = properties->flags;
  const double step = properties->stepFloat;
  Stepping stepping;
  stepping.isSwitch = (flags & kVstParameterIsSwitch) != 0;
  stepping.wholeNumbers = stepping.isSwitch || (flags & kVstParameterUsesIntStep) != 0 ||
                          ((flags & kVstParameterUsesFloatStep) != 0 && step >= 1.0 && step == std::floor(step));
  return stepping;
}

bool VstPluginInstance::Supports64Bit() const { return (Flags() & effFlagsCanDoubleReplacing) != 0; }

std::string VstPluginInstance::StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) {
  Suspend();
  // Rendering a file is offline work: the plug-in may take its time (and its best quality).
  Host().SetProcessLevel(kVstProcessLevelOffline);
  SetSampleRate(sampleRate);
  SetBlockSize(blockSize);
  Dispatch(effSetProcessPrecision, 0, doublePrecision ? kVstProcessPrecision64 : kVstProcessPrecision32);

  // A mono file is a mono track, if the plug-in can be one.
  VstSpeakerArrangement inputArrangement = Arrangement(channels);
  VstSpeakerArrangement outputArrangement = Arrangement(channels);
  const bool arranged = SetSpeakerArrangement(&inputArrangement, &outputArrangement) != 0;
  std::string layout;
  if (channels == 2) {
    layout = "stereo";
  } else if (NumInputs() == 1 && NumOutputs() == 1) {
    layout = "mono";
  } else if (arranged) {
    layout = "mono (the plug-in took a mono speaker arrangement)";
  } else {
    layout = "mono into input 1 of " + std::to_string(NumInputs()) + ", silence into the rest, output 1 of " +
             std::to_string(NumOutputs()) + " kept";
  }
  Resume();
  return layout;
}

bool VstPluginInstance::RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  if (HasFlag(effFlagsCanReplacing)) return ProcessReplacing(inputs, outputs);
  // Old plug-ins only add into the outputs.
  outputs.Fill(0.0f);
  return Process(inputs, outputs);
}

bool VstPluginInstance::RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) {
  return ProcessDoubleReplacing(inputs, outputs);
}

} // namespace kolmari::testhost
