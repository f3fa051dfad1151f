#pragma once

// A MIDI or SysEx event a plug-in sent to the host with audioMasterProcessEvents, copied out of the
// plug-in's memory (which is only valid during the call).

#include <cstdint>
#include <vector>

namespace kolmari::testhost {

struct ReceivedEvent {
  int32_t type = 0;  // kVstMidiType or kVstSysExType; other types are kept with no bytes
  int32_t deltaFrames = 0;
  std::vector<uint8_t> bytes;  // the three MIDI bytes, or the whole SysEx dump
};

} // namespace kolmari::testhost
