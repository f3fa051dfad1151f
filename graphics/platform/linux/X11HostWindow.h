#pragma once

#include <cstdint>
#include <memory>

typedef struct _XDisplay Display;

namespace lumen::canvas {

// A stand-in for a host's editor window: a top-level X11 window on a connection of its own, for
// tests and tools that open a plug-in's editor the way a Linux host does (its id goes to
// effEditOpen). Everything runs on the thread that made it.
class X11HostWindow {
public:
  // A mapped window of width x height pixels; null without a display.
  static std::unique_ptr<X11HostWindow> Create(int width, int height);
  ~X11HostWindow();
  X11HostWindow(const X11HostWindow&) = delete;
  X11HostWindow& operator=(const X11HostWindow&) = delete;

  unsigned long Id() const { return mWindow; }
  // What effEditOpen takes.
  void* Handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)); }
  void Resize(int width, int height);
  // A mapped child window of width x height that nobody listens to, for effEditOpen in place of
  // Handle(): some hosts hand the plug-in such a bare window inside their own (Ardour does).
  void* AddBareChild(int width, int height);
  // The size of the window's first child (the editor), false when it has none.
  bool ChildSize(int& width, int& height) const;
  int ChildCount() const;
  // Key presses that reached this window since it was made (keys the editor passed on).
  int KeyPresses();
  // Whether the keyboard focus is on the window's first child (the editor).
  bool ChildHasFocus() const;
  // Acts as an XEmbed embedder: sends the client message (message, detail, data1) to the first child.
  void SendXEmbed(long message, long detail = 0, long data1 = 0);
  // XEMBED_REQUEST_FOCUS messages the editor sent this window since it was made.
  int XEmbedFocusRequests();
  // Destroys the window now, as a host that tears down its window before closing the editor.
  void Destroy();
  // Waits for the server to have done everything asked so far.
  void Sync() const;

private:
  X11HostWindow() = default;

  Display* mDisplay = nullptr;
  unsigned long mWindow = 0;
  int mKeyPresses = 0;
  int mFocusRequests = 0;
};

} // namespace lumen::canvas
