#pragma once

// Timed events between host and plug-in: effProcessEvents (host to plug-in, before a block) and
// audioMasterProcessEvents (plug-in to host). Every event starts with the common VstEvent header;
// byteSize tells how large the concrete record is. The events themselves belong to the sender and
// live only for the duration of the call.

#include <cstddef>
#include <cstdint>

namespace lumen::vst2 {

enum VstEventTypes : int32_t {
  kVstMidiType = 1,
  kVstAudioType = 2,      // no longer used
  kVstVideoType = 3,      // no longer used
  kVstParameterType = 4,  // no longer used
  kVstTriggerType = 5,    // no longer used
  kVstSysExType = 6,
};

enum VstMidiEventFlags : int32_t {
  kVstMidiEventIsRealtime = 1 << 0,  // played live rather than from a sequencer track
};

struct VstEvent {
  int32_t type;         // VstEventTypes
  int32_t byteSize;     // size of the concrete record
  int32_t deltaFrames;  // offset into the coming block
  int32_t flags;
  char data[16];
};

struct VstMidiEvent {
  int32_t type;  // kVstMidiType
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;  // VstMidiEventFlags
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];  // status, data 1, data 2, zero
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  int32_t type;  // kVstSysExType
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;  // length of sysexDump
  intptr_t resvd1;
  char* sysexDump;  // not owned; valid during the call
  intptr_t resvd2;
};

// A list of event pointers. The two-element array is the declared minimum; senders allocate the
// record with room for numEvents pointers.
struct VstEvents {
  int32_t numEvents;
  intptr_t reserved;
  VstEvent* events[2];
};

static_assert(sizeof(VstEvent) == 32);
static_assert(offsetof(VstEvent, type) == 0);
static_assert(offsetof(VstEvent, byteSize) == 4);
static_assert(offsetof(VstEvent, deltaFrames) == 8);
static_assert(offsetof(VstEvent, flags) == 12);
static_assert(offsetof(VstEvent, data) == 16);

static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, noteLength) == 16);
static_assert(offsetof(VstMidiEvent, noteOffset) == 20);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, detune) == 28);
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29);
static_assert(offsetof(VstMidiEvent, reserved1) == 30);
static_assert(offsetof(VstMidiEvent, reserved2) == 31);

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(VstMidiSysexEvent) == 48);
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16);
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24);
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32);
static_assert(offsetof(VstMidiSysexEvent, resvd2) == 40);

static_assert(sizeof(VstEvents) == 32);
static_assert(offsetof(VstEvents, numEvents) == 0);
static_assert(offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16);
#endif

} // namespace lumen::vst2
