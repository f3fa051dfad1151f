#pragma once

#include "ClapPosixFdSupport.h"
#include "IEditorPump.h"

#include "ext/timer-support.h"
#include "host.h"

#include <optional>

namespace lumen {

// The editor's pump under CLAP: the host's timer-support for the ticks and, where the host offers
// it, posix-fd-support for the descriptor. The binding hands this pump the host's on_timer and on_fd
// calls; those that answer one of its requests become the editor's tick.
//
// Every call is on the host's main thread, as CLAP has both extensions called.
class ClapEditorPump : public IEditorPump {
public:
  ClapEditorPump() = default;
  // Gives back what is still registered.
  ~ClapEditorPump() override;
  ClapEditorPump(const ClapEditorPump&) = delete;
  ClapEditorPump& operator=(const ClapEditorPump&) = delete;

  // The host and the extensions it offers (null where it offers none, or one with a function
  // missing), found in init, before any request.
  void Connect(const clap_host_t* host, const clap_host_timer_support_t* timers,
               const clap_host_posix_fd_support_t* descriptors);

  bool StartTimer(uint32_t periodMs) override;
  void StopTimer() override;
  bool WatchDescriptor(int fd) override;
  void StopWatching() override;

  // Whether the host's on_timer for this id is the pump's timer.
  bool IsOwnTimer(clap_id timerId) const { return mTimerId && *mTimerId == timerId; }
  // Whether the host's on_fd for this descriptor should tick the editor: the descriptor is the one
  // watched and has not failed. A failed one is given back first: level-triggered, the host would
  // report it again at once and forever, and the timer's ticks go on without it.
  bool TakeDescriptorCall(int fd, clap_posix_fd_flags_t flags);

private:
  const clap_host_t* mHost = nullptr;
  const clap_host_timer_support_t* mTimers = nullptr;
  const clap_host_posix_fd_support_t* mDescriptors = nullptr;
  std::optional<clap_id> mTimerId;
  int mFd = -1;
};

} // namespace lumen
