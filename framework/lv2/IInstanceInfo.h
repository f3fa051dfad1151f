#pragma once

namespace lumen {

// What the entry point knows when it makes an instance: how many audio channels the chosen plug-in
// (stereo or mono) has on each side, and the host's sample rate. LV2 fixes both at instantiation.
struct IInstanceInfo {
  int channels = 2;
  double sampleRate = 44100.0;
};

} // namespace lumen
