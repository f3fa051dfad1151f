#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace lumen::canvas {

// The editor window's display tick: either a timer of the window (id kTimerId) or a thread that
// waits for the display's vertical blank and posts kTickMessage with a running count to the window.
//
// Threads: Start, Stop and the tick checks run on the user-interface thread that owns the window.
// The vertical-blank thread touches nothing but a small shared record (shutdown flag, window
// handle, count) that it co-owns, so the record outlives the editor when the thread is slow to end.
// It posts only under the record's lock and only while the flag is clear: once Stop has set the
// flag, no tick of it can reach the window, whether or not the thread has ended yet.
//
// Failure: when the thread cannot be started the timer runs instead; the display-driver functions
// missing or failing make the thread tick every 16 ms.
class WinDisplayTicker {
public:
  static constexpr UINT kTickMessage = WM_USER + 1;
  static constexpr UINT_PTR kTimerId = 2;

  // Starts the thread of a ticker (the system's CreateThread); null when it cannot. Tests replace it.
  using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine, void* argument);

  // verticalBlank: use the thread where the system supports it.
  explicit WinDisplayTicker(bool verticalBlank, ThreadStarter startThread = nullptr);
  ~WinDisplayTicker();
  WinDisplayTicker(const WinDisplayTicker&) = delete;
  WinDisplayTicker& operator=(const WinDisplayTicker&) = delete;

  // Windows 8 (6.2) or later: the display driver interface offers the vertical-blank wait.
  static bool SystemHasVerticalBlank();
  // The timer's period for a frame rate: 1000 / fps truncated, 15 when that is below 20.
  static UINT TimerPeriod(int fps);

  // Replaces how the thread is started (tests: one that fails); while stopped, and the thread is
  // wanted from then on.
  void SetThreadStarter(ThreadStarter startThread);

  void Start(HWND window, int fps);
  // Stops ticking: the flag set, the thread waited for (at most waitMs), its handle closed; or the
  // timer killed. Safe to call twice.
  void Stop(DWORD waitMs = 10000);

  bool ThreadRunning() const { return mThread != nullptr; }
  bool TimerRunning() const { return mTimer; }
  // Whether the ticks come from the thread (counts) rather than the timer (count 0).
  bool UsesVerticalBlank() const { return mVerticalBlankActive; }

  // A tick message arrived with count: false when it is stale or skipped.
  bool AcceptTick(uint32_t count);
  // After a redraw: when ticks went on meanwhile, the queued ones up to the next are skipped so the
  // window never lags behind the display.
  void AfterRedraw();
  uint32_t CurrentCount() const;

  // Shared with the thread.
  struct Shared {
    std::atomic<bool> shutdown{false};
    std::atomic<uint32_t> count{0};
    HWND window = nullptr;
    CRITICAL_SECTION lock;
    Shared() { InitializeCriticalSection(&lock); }
    ~Shared() { DeleteCriticalSection(&lock); }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
  };

private:
  static DWORD WINAPI ThreadMain(void* argument);

  bool mVerticalBlank;
  ThreadStarter mStartThread;
  std::shared_ptr<Shared> mShared;
  HANDLE mThread = nullptr;
  HWND mWindow = nullptr;
  bool mTimer = false;
  bool mVerticalBlankActive = false;
  uint32_t mSkipUntil = 0;
  uint32_t mAcceptedCount = 0;
};

} // namespace lumen::canvas
