#pragma once

#include <cstdint>
#include <string>

namespace lumen {

class IParam;

// The port numbering every LV2 plug-in of this framework has, which the binary and the generated
// Turtle both follow: the audio inputs, the audio outputs, one control input per parameter in
// index order, then the latency output. Kept in one place so the two cannot disagree.
struct Lv2PortLayout {
  int channels = 2;
  int params = 0;

  uint32_t FirstInput() const { return 0; }
  uint32_t FirstOutput() const { return static_cast<uint32_t>(channels); }
  uint32_t FirstControl() const { return static_cast<uint32_t>(2 * channels); }
  uint32_t LatencyPort() const { return FirstControl() + static_cast<uint32_t>(params); }
  uint32_t PortCount() const { return LatencyPort() + 1; }
};

// The audio port symbols: "in"/"out" for one channel, "in_l"/"in_r"/"out_l"/"out_r" for two.
std::string Lv2AudioSymbol(int channels, bool input, int channel);
// A parameter's port symbol, made from its name ("Output Gain" becomes "output_gain"); the bypass
// parameter is the port "enabled", whose value is the inverse of the parameter's.
std::string Lv2ControlSymbol(const IParam& param, bool isBypass);

// What the plug-in adds for LV2 that its parameters do not say; each plug-in built as LV2 defines
// these. The URI of the stereo plug-in (the mono one appends "-mono").
const char* Lv2PluginUri();
// A label for one value of a stepped parameter shown as a choice, or false to show its display
// text.
bool Lv2ScalePointLabel(int paramIndex, double value, std::string& label);
// The URI of the plug-in's licence.
const char* Lv2LicenseUri();
// The URI of the one UI both plug-ins (stereo and mono) share: the stereo plug-in's URI with "#ui".
inline std::string Lv2UiUri() { return std::string(Lv2PluginUri()) + "#ui"; }

} // namespace lumen
