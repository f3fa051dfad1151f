#include "ClapTestHost.h"

#include "ext/gui.h"
#include "ext/latency.h"
#include "ext/params.h"
#include "ext/state.h"
#include "ext/thread-check.h"
#include "ext/timer-support.h"

#include "ClapPosixFdSupport.h"

#include <string_view>

namespace kolmari::testhost {

ClapTestHost* ClapTestHost::From(const clap_host_t* host) {
  return host ? static_cast<ClapTestHost*>(host->host_data) : nullptr;
}

ClapTestHost::ClapTestHost() : mMainThread(std::this_thread::get_id()) {
  mHost.clap_version = CLAP_VERSION_INIT;
  mHost.host_data = this;
  mHost.name = "Kolmari test host";
  mHost.vendor = "Lumenfold";
  mHost.url = "";
  mHost.version = "1.0.0";
  mHost.get_extension = [](const clap_host_t* host, const char* id) -> const void* {
    ClapTestHost* self = From(host);
    if (!self) return nullptr;
    self->CheckAnyThread("get_extension");
    return self->Extension(id);
  };
  mHost.request_restart = [](const clap_host_t* host) {
    if (ClapTestHost* self = From(host)) {
      self->CheckAnyThread("request_restart");
      ++self->mRestartRequests;
    }
  };
  mHost.request_process = [](const clap_host_t* host) {
    if (ClapTestHost* self = From(host)) self->CheckAnyThread("request_process");
  };
  mHost.request_callback = [](const clap_host_t* host) {
    if (ClapTestHost* self = From(host)) self->CheckAnyThread("request_callback");
  };
}

const void* ClapTestHost::Extension(const char* id) const {
  if (!id) return nullptr;
  const std::string_view name(id);
  static const clap_host_params_t params{
      [](const clap_host_t* host, clap_param_rescan_flags) {
        if (ClapTestHost* self = From(host)) self->CheckMainThread("params.rescan");
      },
      [](const clap_host_t* host, clap_id, clap_param_clear_flags) {
        if (ClapTestHost* self = From(host)) self->CheckMainThread("params.clear");
      },
      [](const clap_host_t* host) {
        if (ClapTestHost* self = From(host)) {
          self->CheckAnyThread("params.request_flush");
          ++self->mFlushRequests;
        }
      }};
  static const clap_host_state_t state{[](const clap_host_t* host) {
    if (ClapTestHost* self = From(host)) {
      self->CheckMainThread("state.mark_dirty");
      ++self->mDirtyMarks;
    }
  }};
  static const clap_host_latency_t latency{[](const clap_host_t* host) {
    if (ClapTestHost* self = From(host)) self->CheckMainThread("latency.changed");
  }};
  static const clap_host_gui_t gui{
      [](const clap_host_t* host) {
        if (ClapTestHost* self = From(host)) self->CheckMainThread("gui.resize_hints_changed");
      },
      [](const clap_host_t* host, uint32_t width, uint32_t height) {
        ClapTestHost* self = From(host);
        if (!self) return false;
        self->CheckAnyThread("gui.request_resize");
        std::lock_guard<std::mutex> lock(self->mMutex);
        self->mRequestedSize = std::make_pair(width, height);
        return self->mAcceptResize.load();
      },
      [](const clap_host_t* host) {
        if (ClapTestHost* self = From(host)) self->CheckAnyThread("gui.request_show");
        return false;
      },
      [](const clap_host_t* host) {
        if (ClapTestHost* self = From(host)) self->CheckAnyThread("gui.request_hide");
        return false;
      },
      [](const clap_host_t* host, bool) {
        if (ClapTestHost* self = From(host)) self->CheckMainThread("gui.closed");
      }};
  static const clap_host_timer_support_t timers{
      [](const clap_host_t* host, uint32_t period, clap_id* timerId) {
        ClapTestHost* self = From(host);
        if (!self || !timerId) return false;
        self->CheckMainThread("timer_support.register_timer");
        std::lock_guard<std::mutex> lock(self->mMutex);
        *timerId = self->mNextTimer++;
        self->mTimers[*timerId] = period;
        return true;
      },
      [](const clap_host_t* host, clap_id timerId) {
        ClapTestHost* self = From(host);
        if (!self) return false;
        self->CheckMainThread("timer_support.unregister_timer");
        std::lock_guard<std::mutex> lock(self->mMutex);
        return self->mTimers.erase(timerId) == 1;
      }};
  // Like hosts, it refuses a negative descriptor, one watched already and flags that ask for nothing.
  static const clap_host_posix_fd_support_t descriptors{
      [](const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
        ClapTestHost* self = From(host);
        if (!self) return false;
        self->CheckMainThread("posix_fd_support.register_fd");
        std::lock_guard<std::mutex> lock(self->mMutex);
        if (fd < 0 || flags == 0 || self->mDescriptors.count(fd) != 0) return false;
        self->mDescriptors[fd] = flags;
        return true;
      },
      [](const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) {
        ClapTestHost* self = From(host);
        if (!self) return false;
        self->CheckMainThread("posix_fd_support.modify_fd");
        std::lock_guard<std::mutex> lock(self->mMutex);
        const auto it = self->mDescriptors.find(fd);
        if (it == self->mDescriptors.end() || flags == 0) return false;
        it->second = flags;
        return true;
      },
      [](const clap_host_t* host, int fd) {
        ClapTestHost* self = From(host);
        if (!self) return false;
        self->CheckMainThread("posix_fd_support.unregister_fd");
        std::lock_guard<std::mutex> lock(self->mMutex);
        return self->mDescriptors.erase(fd) == 1;
      }};
  static const clap_host_thread_check_t threads{
      [](const clap_host_t* host) {
        ClapTestHost* self = From(host);
        return self && self->OnMainThread();
      },
      [](const clap_host_t* host) {
        ClapTestHost* self = From(host);
        return self && self->OnAudioThread();
      }};
  if (name == CLAP_EXT_PARAMS) return &params;
  if (name == CLAP_EXT_STATE) return &state;
  if (name == CLAP_EXT_LATENCY) return &latency;
  if (name == CLAP_EXT_GUI) return &gui;
  if (name == CLAP_EXT_TIMER_SUPPORT) return mOffersTimers ? &timers : nullptr;
  if (name == CLAP_EXT_POSIX_FD_SUPPORT) return mOffersDescriptors ? &descriptors : nullptr;
  if (name == CLAP_EXT_THREAD_CHECK) return &threads;
  return nullptr;
}

ClapTestHost::AudioScope::AudioScope(ClapTestHost& host) : mHost(host) {
  mHost.mAudioThread.store(std::this_thread::get_id());
}

ClapTestHost::AudioScope::~AudioScope() { mHost.mAudioThread.store(std::thread::id()); }

void ClapTestHost::CheckMainThread(const char* call) {
  CheckAnyThread(call);
  if (!OnMainThread() || OnAudioThread()) Violation(std::string(call) + " off the main thread");
}

void ClapTestHost::CheckAnyThread(const char* call) {
  if (mCreating) Violation(std::string(call) + " during create_plugin");
}

void ClapTestHost::Violation(std::string text) {
  std::lock_guard<std::mutex> lock(mMutex);
  mViolations.push_back(std::move(text));
}

std::optional<std::pair<uint32_t, uint32_t>> ClapTestHost::RequestedSize() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mRequestedSize;
}

std::map<clap_id, uint32_t> ClapTestHost::Timers() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mTimers;
}

std::map<int, uint32_t> ClapTestHost::Descriptors() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mDescriptors;
}

std::vector<std::string> ClapTestHost::Violations() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mViolations;
}

} // namespace kolmari::testhost
