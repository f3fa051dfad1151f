#pragma once

// The log of every call one plug-in instance made to its host, in order. Plug-ins call back from
// their own threads as well as from the host's, so recording and reading may happen concurrently.

#include "HostCall.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kolmari::testhost {

class HostCallbackRecorder {
public:
  void Record(HostCall call);

  std::vector<HostCall> Calls() const;
  std::vector<HostCall> CallsOf(int32_t opcode) const;
  size_t Count(int32_t opcode) const;
  bool Contains(int32_t opcode) const { return Count(opcode) > 0; }
  // The gesture calls (begin-edit, automate, end-edit) about one parameter, in order, with repeats
  // of the same call folded into one: a drag reads {begin, automate, end} however far it went.
  std::vector<int32_t> EditGestureOf(int32_t index) const;
  void Clear();

private:
  mutable std::mutex mMutex;
  std::vector<HostCall> mCalls;
};

} // namespace kolmari::testhost
