#pragma once

// CLAP's standard extension for watching file descriptors on the host's main thread, declared here
// from CLAP's published ABI: the copy of the CLAP headers we build with leaves it out. The layout and
// the id are the standard's, so hosts that offer it find it under this id.
//
// The host watches a descriptor the plug-in registered and calls on_fd while it is ready
// (level-triggered: again and again until the plug-in has read what is there). Every call on
// either side is [main-thread].

#include "plugin.h"

#include <cstdint>

extern "C" {

static constexpr const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum {
  CLAP_POSIX_FD_READ = 1 << 0,
  CLAP_POSIX_FD_WRITE = 1 << 1,
  CLAP_POSIX_FD_ERROR = 1 << 2,
};
typedef uint32_t clap_posix_fd_flags_t;

typedef struct clap_plugin_posix_fd_support {
  // flags says which of the registered conditions hold now.
  void(CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support {
  bool(CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
  bool(CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
  bool(CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

}
