#pragma once

// The transport as the host reports it on audioMasterGetTime. The value argument of that call names
// the fields the plug-in wants (the *Valid flags); the host says in flags which of them it filled.
// samplePos and sampleRate are always filled.

#include <cstddef>
#include <cstdint>

namespace lumen::vst2 {

enum VstTimeInfoFlags : int32_t {
  kVstTransportChanged = 1 << 0,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

enum VstSmpteFrameRate : int32_t {
  kVstSmpte24fps = 0,
  kVstSmpte25fps = 1,
  kVstSmpte2997fps = 2,
  kVstSmpte30fps = 3,
  kVstSmpte2997dfps = 4,
  kVstSmpte30dfps = 5,
  kVstSmpteFilm16mm = 6,
  kVstSmpteFilm35mm = 7,
  kVstSmpte239fps = 10,
  kVstSmpte249fps = 11,
  kVstSmpte599fps = 12,
  kVstSmpte60fps = 13,
};

struct VstTimeInfo {
  double samplePos;      // position of the block's first frame, in samples
  double sampleRate;
  double nanoSeconds;    // system time, kVstNanosValid
  double ppqPos;         // musical position in quarter notes, kVstPpqPosValid
  double tempo;          // beats per minute, kVstTempoValid
  double barStartPos;    // quarter-note position of the last bar start, kVstBarsValid
  double cycleStartPos;  // loop start in quarter notes, kVstCyclePosValid
  double cycleEndPos;    // loop end in quarter notes, kVstCyclePosValid
  int32_t timeSigNumerator;    // kVstTimeSigValid
  int32_t timeSigDenominator;  // kVstTimeSigValid
  int32_t smpteOffset;         // kVstSmpteValid
  int32_t smpteFrameRate;      // VstSmpteFrameRate, kVstSmpteValid
  int32_t samplesToNextClock;  // to the next 24-ppq MIDI clock, kVstClockValid
  int32_t flags;               // VstTimeInfoFlags
};

static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, samplePos) == 0);
static_assert(offsetof(VstTimeInfo, sampleRate) == 8);
static_assert(offsetof(VstTimeInfo, nanoSeconds) == 16);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24);
static_assert(offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, barStartPos) == 40);
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76);
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(VstTimeInfo, flags) == 84);

} // namespace lumen::vst2
