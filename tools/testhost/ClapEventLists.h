#pragma once

// The event lists a CLAP host hands to process and flush: an input list of parameter changes in
// time order, and an output list that keeps what the plug-in pushes.

#include "events.h"

#include <cstdint>
#include <vector>

namespace kolmari::testhost {

class ClapInputEvents {
public:
  ClapInputEvents();
  // Adds a PARAM_VALUE event; events are kept in time order (stable for equal times).
  void AddParamValue(uint32_t time, clap_id id, double value);
  // Adds any event record as it is, bytes and all, at the end (for malformed events).
  void AddRaw(const void* event, size_t size);
  size_t Size() const { return mEvents.size(); }
  void Clear() { mEvents.clear(); }
  const clap_input_events_t* List() const { return &mList; }

private:
  // Each event in 64-bit words, so every record is aligned for any field it has.
  std::vector<std::vector<uint64_t>> mEvents;
  clap_input_events_t mList{};
};

// What the plug-in pushed into an output list.
struct ClapOutputEvent {
  uint16_t type = 0;
  uint32_t time = 0;
  clap_id paramId = CLAP_INVALID_ID;
  double value = 0.0;
};

class ClapOutputEvents {
public:
  ClapOutputEvents();
  const clap_output_events_t* List() const { return &mList; }
  const std::vector<ClapOutputEvent>& Events() const { return mEvents; }
  void Clear() { mEvents.clear(); }

private:
  std::vector<ClapOutputEvent> mEvents;
  clap_output_events_t mList{};
};

} // namespace kolmari::testhost
