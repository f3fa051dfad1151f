#pragma once

// The host side of one CLAP instance: the clap_host record and the host extensions an ordinary
// host offers (params, state, latency, gui, timer-support, posix-fd-support, thread-check),
// answering as such a host does and recording what the plug-in asked. Timers and descriptor watches
// can be withheld, as hosts without them do. It also notes every call that broke CLAP's thread
// rules: a host call during create_plugin, a main-thread call from the audio thread.
//
// The thread this object was made on is the main thread; the audio thread is whichever thread is
// inside an AudioScope.

#include "host.h"
#include "id.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kolmari::testhost {

class ClapTestHost {
public:
  ClapTestHost();
  ClapTestHost(const ClapTestHost&) = delete;
  ClapTestHost& operator=(const ClapTestHost&) = delete;

  const clap_host_t* Host() const { return &mHost; }

  // Around create_plugin: any host call inside counts as a violation.
  void SetCreating(bool creating) { mCreating = creating; }

  // Marks the current thread as the audio thread while it lives.
  class AudioScope {
  public:
    explicit AudioScope(ClapTestHost& host);
    ~AudioScope();
    AudioScope(const AudioScope&) = delete;
    AudioScope& operator=(const AudioScope&) = delete;

  private:
    ClapTestHost& mHost;
  };

  // What the plug-in asked for.
  int FlushRequests() const { return mFlushRequests; }
  int RestartRequests() const { return mRestartRequests; }
  int DirtyMarks() const { return mDirtyMarks; }
  std::optional<std::pair<uint32_t, uint32_t>> RequestedSize() const;
  void SetAcceptResize(bool accept) { mAcceptResize = accept; }
  // The plug-in's timers (id -> period in ms).
  std::map<clap_id, uint32_t> Timers() const;
  // The descriptors the plug-in has watched (fd -> flags).
  std::map<int, uint32_t> Descriptors() const;
  // Before create: whether get_extension offers timer-support and posix-fd-support.
  void SetOffersTimers(bool offers) { mOffersTimers = offers; }
  void SetOffersDescriptors(bool offers) { mOffersDescriptors = offers; }
  // Each call against the rules, in words.
  std::vector<std::string> Violations() const;

private:
  const void* Extension(const char* id) const;
  bool OnMainThread() const { return std::this_thread::get_id() == mMainThread; }
  bool OnAudioThread() const { return mAudioThread.load() == std::this_thread::get_id(); }
  // Notes a violation when a main-thread call comes from elsewhere or during creation.
  void CheckMainThread(const char* call);
  void CheckAnyThread(const char* call);
  void Violation(std::string text);
  static ClapTestHost* From(const clap_host_t* host);

  clap_host_t mHost{};
  std::thread::id mMainThread;
  std::atomic<std::thread::id> mAudioThread{};
  std::atomic<bool> mCreating{false};
  std::atomic<int> mFlushRequests{0};
  std::atomic<int> mRestartRequests{0};
  std::atomic<int> mDirtyMarks{0};
  std::atomic<bool> mAcceptResize{true};
  mutable std::mutex mMutex;
  std::optional<std::pair<uint32_t, uint32_t>> mRequestedSize;
  std::map<clap_id, uint32_t> mTimers;
  clap_id mNextTimer = 1;
  std::map<int, uint32_t> mDescriptors;
  std::atomic<bool> mOffersTimers{true};
  std::atomic<bool> mOffersDescriptors{true};
  std::vector<std::string> mViolations;
};

} // namespace kolmari::testhost
