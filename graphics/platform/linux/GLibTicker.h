#pragma once

#include <functional>

namespace lumen::canvas {

// A periodic callback on the host's user-interface thread without the host's help: when the host
// runs a GLib main loop on the thread that created the ticker (GTK hosts, and Qt hosts with Qt's
// GLib event dispatcher), a timeout source on that loop's default context. GLib is looked up in
// the process, never loaded by us: a host without it gets no ticker (Start answers false) and
// the editor lives on the host's idle calls alone.
//
// Start and Stop run on that thread; the callback runs there too, never on another.
class GLibTicker {
public:
  GLibTicker() = default;
  ~GLibTicker() { Stop(); }
  GLibTicker(const GLibTicker&) = delete;
  GLibTicker& operator=(const GLibTicker&) = delete;

  // False when GLib is absent or its default context is not run by the calling thread.
  bool Start(unsigned periodMs, std::function<void()> callback);
  void Stop();
  bool Running() const { return mSource != 0; }

private:
  static int Fire(void* self);

  std::function<void()> mCallback;
  unsigned mSource = 0;
};

} // namespace lumen::canvas
