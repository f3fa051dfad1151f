#pragma once

// The host side of one plug-in instance: answers every audioMaster call the way an ordinary host
// does and records it. Its transport, sample rate, block size, process level and capability answers
// can be changed between calls, so tests can present the plug-in with any host situation.
//
// Calls may arrive on any thread; all members are safe to use concurrently. The VstTimeInfo that
// audioMasterGetTime hands out stays valid until the next audioMasterGetTime of this host.

#include "HostCallbackRecorder.h"
#include "HostSettings.h"
#include "ReceivedEvent.h"

#include "AEffect.h"
#include "VstTimeInfo.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kolmari::testhost {

class TestHost {
public:
  explicit TestHost(HostSettings settings = {});
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // The body of the host callback for this instance.
  intptr_t Answer(lumen::vst2::AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                  bool duringConstruction);

  HostCallbackRecorder& Recorder() { return mRecorder; }
  const HostSettings& Settings() const { return mSettings; }

  void SetSampleRate(double sampleRate);
  double SampleRate() const;
  void SetBlockSize(int32_t blockSize);
  int32_t BlockSize() const;

  // What audioMasterGetTime answers; sampleRate is always the host's. Starts playing at 120 bpm in
  // 4/4 from position 0, with musical position, tempo, bars and time signature valid.
  void SetTransport(const lumen::vst2::VstTimeInfo& transport);
  lumen::vst2::VstTimeInfo Transport() const;
  // false: audioMasterGetTime answers null, as hosts without a transport do.
  void SetTransportAvailable(bool available);
  // Moves a playing transport on by frames, as a host does after every block.
  void AdvanceTransport(int32_t frames);

  // A fixed answer for audioMasterGetCurrentProcessLevel. Without one the host answers as real hosts
  // do: realtime inside a process call (see ProcessScope), user everywhere else.
  void SetProcessLevel(std::optional<int32_t> level);

  // The answer to audioMasterCanDo for query (1 yes, -1 no, 0 don't know).
  void SetCanDo(const std::string& query, intptr_t answer);
  void SetAcceptSizeWindow(bool accept);
  // The last size the plug-in asked for with audioMasterSizeWindow (width, height), if any.
  std::optional<std::pair<int32_t, int32_t>> RequestedWindowSize() const;

  std::vector<ReceivedEvent> ReceivedEvents() const;
  void ClearReceivedEvents();

  // Marks the current thread as this host's audio thread while a process call runs.
  class ProcessScope {
  public:
    explicit ProcessScope(const TestHost& host);
    ~ProcessScope();
    ProcessScope(const ProcessScope&) = delete;
    ProcessScope& operator=(const ProcessScope&) = delete;

  private:
    const TestHost* mPrevious;
  };

private:
  intptr_t AnswerLocked(int32_t opcode, int32_t index, intptr_t value, void* ptr, std::string& text);
  intptr_t CurrentProcessLevel() const;
  void KeepEvents(const void* ptr);

  HostSettings mSettings;
  HostCallbackRecorder mRecorder;

  mutable std::mutex mMutex;
  lumen::vst2::VstTimeInfo mTransport{};
  lumen::vst2::VstTimeInfo mTimeAnswer{};
  bool mTransportAvailable = true;
  std::optional<int32_t> mProcessLevel;
  std::map<std::string, intptr_t> mCanDo;
  std::optional<std::pair<int32_t, int32_t>> mRequestedWindowSize;
  std::vector<ReceivedEvent> mReceivedEvents;
};

} // namespace kolmari::testhost
