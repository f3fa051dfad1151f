#pragma once

#include <cstdint>

namespace lumen {

// The host's transport as last reported. A value of -1 means "not known".
struct ITransportInfo {
  double tempo = 120.0;
  double samplePosition = -1.0;
  double ppqPosition = -1.0;
  double lastBarStartPpq = -1.0;
  double cycleStartPpq = -1.0;
  double cycleEndPpq = -1.0;
  int32_t timeSigNumerator = 4;
  int32_t timeSigDenominator = 4;
  bool transportIsRunning = false;
  bool loopEnabled = false;
};

} // namespace lumen
