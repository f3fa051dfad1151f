#pragma once

namespace lumen {

// What the UI's entry point knows when it makes an instance: how many audio channels the plug-in it
// controls (stereo or mono) has, which fixes the numbers of its control ports. A UI processes no
// audio: the rate is only there because the plug-in's constructor may read it.
struct IInstanceInfo {
  int channels = 2;
  double sampleRate = 48000.0;
};

} // namespace lumen
