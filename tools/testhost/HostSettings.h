#pragma once

// How the test host introduces itself and what it answers before anyone changes it. The defaults
// are those of an ordinary host at 44.1 kHz with 512-frame blocks.

#include <cstdint>
#include <string>

namespace kolmari::testhost {

struct HostSettings {
  std::string productString = "Lumenfold Test Host";
  std::string vendorString = "Lumenfold";
  int32_t vendorVersion = 10000;  // decimal, 1.0.0
  double sampleRate = 44100.0;
  int32_t blockSize = 512;
  bool acceptSizeWindow = true;  // answer audioMasterSizeWindow with 1
};

} // namespace kolmari::testhost
