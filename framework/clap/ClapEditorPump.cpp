#include "ClapEditorPump.h"

namespace lumen {

ClapEditorPump::~ClapEditorPump() {
  StopWatching();
  StopTimer();
}

void ClapEditorPump::Connect(const clap_host_t* host, const clap_host_timer_support_t* timers,
                             const clap_host_posix_fd_support_t* descriptors) {
  StopWatching();
  StopTimer();
  mHost = host;
  mTimers = timers && timers->register_timer && timers->unregister_timer ? timers : nullptr;
  mDescriptors =
      descriptors && descriptors->register_fd && descriptors->unregister_fd ? descriptors : nullptr;
}

bool ClapEditorPump::StartTimer(uint32_t periodMs) {
  StopTimer();
  if (!mTimers || periodMs == 0) return false;
  clap_id id = CLAP_INVALID_ID;
  if (!mTimers->register_timer(mHost, periodMs, &id) || id == CLAP_INVALID_ID) return false;
  mTimerId = id;
  return true;
}

void ClapEditorPump::StopTimer() {
  if (!mTimerId) return;
  mTimers->unregister_timer(mHost, *mTimerId);
  mTimerId.reset();
}

bool ClapEditorPump::WatchDescriptor(int fd) {
  if (fd == mFd && fd >= 0) return true;
  StopWatching();
  if (!mDescriptors || fd < 0) return false;
  if (!mDescriptors->register_fd(mHost, fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR)) return false;
  mFd = fd;
  return true;
}

void ClapEditorPump::StopWatching() {
  if (mFd < 0) return;
  mDescriptors->unregister_fd(mHost, mFd);
  mFd = -1;
}

bool ClapEditorPump::TakeDescriptorCall(int fd, clap_posix_fd_flags_t flags) {
  if (fd < 0 || fd != mFd) return false;
  if (flags & CLAP_POSIX_FD_ERROR) {
    StopWatching();
    return false;
  }
  return true; // a tick reads whatever is there; a host that reports no flag costs one empty tick

}

} // namespace lumen
