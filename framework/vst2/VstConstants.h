#pragma once

// Values that calls of the interface exchange as plain numbers: the interface version, plug-in
// categories, process levels, automation states and process precision.

#include <cstdint>

namespace lumen::vst2 {

// What effGetVstVersion and audioMasterVersion answer for this version of the interface.
inline constexpr int32_t kVstVersion = 2400;

enum VstPlugCategory : int32_t {
  kPlugCategUnknown = 0,
  kPlugCategEffect,
  kPlugCategSynth,
  kPlugCategAnalysis,
  kPlugCategMastering,
  kPlugCategSpacializer,
  kPlugCategRoomFx,
  kPlugSurroundFx,
  kPlugCategRestoration,
  kPlugCategOfflineProcess,
  kPlugCategShell,
  kPlugCategGenerator,
  kPlugCategMaxCount,
};

// audioMasterGetCurrentProcessLevel: which kind of thread the host calls from.
enum VstProcessLevels : int32_t {
  kVstProcessLevelUnknown = 0,
  kVstProcessLevelUser,      // the user-interface thread
  kVstProcessLevelRealtime,  // the audio thread
  kVstProcessLevelPrefetch,  // a sequencer thread ahead of time
  kVstProcessLevelOffline,   // rendering faster or slower than real time
};

enum VstAutomationStates : int32_t {
  kVstAutomationUnsupported = 0,
  kVstAutomationOff,
  kVstAutomationRead,
  kVstAutomationWrite,
  kVstAutomationReadWrite,
};

// effSetProcessPrecision: which of the replacing calls the host will use.
enum VstProcessPrecision : int32_t {
  kVstProcessPrecision32 = 0,
  kVstProcessPrecision64,
};

} // namespace lumen::vst2
