#pragma once

#include <cstdint>

namespace lumen {

// What a host offers an editor that has no thread and no message loop of its own (the Linux one):
// a periodic call and a call when a descriptor becomes readable, both on the host's user-interface
// thread. Each binding answers with its host's own services; the editor asks when its window opens
// and stops what it got when the window closes.
//
// Where the calls go: every tick of the timer and every readiness of the descriptor becomes the
// binding's one call into the editor, ICanvasEditorDelegate::IdleEditor(), on the host's
// user-interface thread. The pump never calls the editor in any other way and never from a request
// itself: a tick comes later, from the host's loop.
//
// Threads: the requests and the stops come from the host's user-interface thread only (the thread
// that opens and closes the editor). Nothing here blocks or waits for the audio thread.
//
// Each request answers false when the host gives no such service, or refuses this one; nothing is
// then registered and nothing needs stopping. One timer and one descriptor at a time: a second
// request replaces the first. A stop without a running request does nothing.
//
// Lifetime: the binding owns its pump. It closes its editor before the pump goes, and the pump
// gives back whatever is still registered when it is destroyed.
class IEditorPump {
public:
  virtual ~IEditorPump() = default;

  // Asks for IdleEditor() every periodMs milliseconds (the host may round the period). False for a
  // period of 0 and where the host has no timer for the plug-in.
  virtual bool StartTimer(uint32_t periodMs) = 0;
  virtual void StopTimer() = 0;

  // Asks for IdleEditor() whenever fd has data to read (or has failed). False for a negative fd and
  // where the host cannot watch descriptors. The caller keeps fd open until StopWatching.
  virtual bool WatchDescriptor(int fd) = 0;
  virtual void StopWatching() = 0;
};

} // namespace lumen
