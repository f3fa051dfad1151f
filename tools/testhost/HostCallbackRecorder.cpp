#include "HostCallbackRecorder.h"

#include "VstHostOpcodes.h"

#include <algorithm>
#include <utility>

namespace kolmari::testhost {

void HostCallbackRecorder::Record(HostCall call) {
  std::lock_guard lock(mMutex);
  mCalls.push_back(std::move(call));
}

std::vector<HostCall> HostCallbackRecorder::Calls() const {
  std::lock_guard lock(mMutex);
  return mCalls;
}

std::vector<HostCall> HostCallbackRecorder::CallsOf(int32_t opcode) const {
  std::lock_guard lock(mMutex);
  std::vector<HostCall> result;
  std::copy_if(mCalls.begin(), mCalls.end(), std::back_inserter(result),
               [opcode](const HostCall& call) { return call.opcode == opcode; });
  return result;
}

size_t HostCallbackRecorder::Count(int32_t opcode) const {
  std::lock_guard lock(mMutex);
  return static_cast<size_t>(
      std::count_if(mCalls.begin(), mCalls.end(), [opcode](const HostCall& call) { return call.opcode == opcode; }));
}

std::vector<int32_t> HostCallbackRecorder::EditGestureOf(int32_t index) const {
  using namespace lumen::vst2;
  std::lock_guard lock(mMutex);
  std::vector<int32_t> ops;
  for (const auto& call : mCalls) {
    const bool gesture = call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit ||
                         call.opcode == audioMasterAutomate;
    if (gesture && call.index == index && (ops.empty() || ops.back() != call.opcode)) ops.push_back(call.opcode);
  }
  return ops;
}

void HostCallbackRecorder::Clear() {
  std::lock_guard lock(mMutex);
  mCalls.clear();
}

} // namespace kolmari::testhost
