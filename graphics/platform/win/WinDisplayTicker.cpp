#include "WinDisplayTicker.h"

namespace lumen::canvas {

namespace {

// The display driver interface records for opening an adapter from a device context, closing it
// and waiting for its vertical blank (only the fields used are named).
struct OpenAdapterFromHdc {
  HDC hDc;
  UINT hAdapter;
  LUID adapterLuid;
  UINT vidPnSourceId;
};
struct CloseAdapter {
  UINT hAdapter;
};
struct WaitForVerticalBlankEvent {
  UINT hAdapter;
  UINT hDevice;
  UINT vidPnSourceId;
};
using OpenAdapterFn = LONG(APIENTRY*)(OpenAdapterFromHdc*);
using CloseAdapterFn = LONG(APIENTRY*)(const CloseAdapter*);
using WaitFn = LONG(APIENTRY*)(const WaitForVerticalBlankEvent*);

constexpr DWORD kFallbackSleepMs = 16;
constexpr DWORD kAdapterRetryMs = 1000;

HANDLE StartWithCreateThread(LPTHREAD_START_ROUTINE routine, void* argument) {
  return CreateThread(nullptr, 0, routine, argument, 0, nullptr);
}

// One tick: counted and posted, unless the editor has stopped the ticker.
void PostTick(WinDisplayTicker::Shared& shared) {
  EnterCriticalSection(&shared.lock);
  if (!shared.shutdown.load()) {
    const uint32_t count = shared.count.load() + 1;
    shared.count.store(count);
    PostMessageA(shared.window, WinDisplayTicker::kTickMessage, count, 0);
  }
  LeaveCriticalSection(&shared.lock);
}

} // namespace

WinDisplayTicker::WinDisplayTicker(bool verticalBlank, ThreadStarter startThread)
    : mVerticalBlank(verticalBlank), mStartThread(startThread != nullptr ? startThread : StartWithCreateThread) {}

WinDisplayTicker::~WinDisplayTicker() { Stop(); }

void WinDisplayTicker::SetThreadStarter(ThreadStarter startThread) {
  if (mThread != nullptr || mTimer) return;
  mVerticalBlank = true;
  mStartThread = startThread != nullptr ? startThread : StartWithCreateThread;
}

bool WinDisplayTicker::SystemHasVerticalBlank() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  version.dwMajorVersion = 6;
  version.dwMinorVersion = 2;
  version.wServicePackMajor = 0;
  DWORDLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

UINT WinDisplayTicker::TimerPeriod(int fps) {
  const int period = fps > 0 ? 1000 / fps : 0;
  return period < 20 ? 15u : static_cast<UINT>(period);
}

void WinDisplayTicker::Start(HWND window, int fps) {
  Stop();
  mWindow = window;
  mSkipUntil = 0;
  if (mVerticalBlank) {
    mShared = std::make_shared<Shared>();
    mShared->window = window;
    // The thread owns one reference of its own, given back when it ends.
    auto* reference = new std::shared_ptr<Shared>(mShared);
    mThread = mStartThread(&ThreadMain, reference);
    if (mThread != nullptr) {
      mVerticalBlankActive = true;
      return;
    }
    delete reference;
    mShared.reset();
  }
  // No thread (not wanted, or it could not start): the window's timer ticks.
  mTimer = SetTimer(window, kTimerId, TimerPeriod(fps), nullptr) != 0;
}

void WinDisplayTicker::Stop(DWORD waitMs) {
  if (mThread != nullptr) {
    EnterCriticalSection(&mShared->lock);
    mShared->shutdown.store(true);
    LeaveCriticalSection(&mShared->lock);
    // A thread still waiting on the display after this cannot post any more; it ends on its own
    // and frees the shared record with its reference.
    WaitForSingleObject(mThread, waitMs);
    CloseHandle(mThread);
    mThread = nullptr;
  }
  mShared.reset();
  if (mTimer && mWindow != nullptr) KillTimer(mWindow, kTimerId);
  mTimer = false;
  mVerticalBlankActive = false;
  mWindow = nullptr;
}

uint32_t WinDisplayTicker::CurrentCount() const { return mShared ? mShared->count.load() : 0; }

bool WinDisplayTicker::AcceptTick(uint32_t count) {
  if (!mVerticalBlankActive) return true;
  const uint32_t current = CurrentCount();
  if (mSkipUntil != 0) {
    if (current < mSkipUntil) return false;
    mSkipUntil = 0;
  }
  if (count != current) return false;
  mAcceptedCount = count;
  return true;
}

void WinDisplayTicker::AfterRedraw() {
  if (!mVerticalBlankActive) return;
  // The count the tick was accepted with was current then; any later one means ticks queued up.
  const uint32_t current = CurrentCount();
  if (current != mAcceptedCount) mSkipUntil = current + 1;
}

DWORD WINAPI WinDisplayTicker::ThreadMain(void* argument) {
  std::unique_ptr<std::shared_ptr<Shared>> reference(static_cast<std::shared_ptr<Shared>*>(argument));
  Shared& shared = **reference;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

  HMODULE gdi = LoadLibraryA("gdi32.dll");
  const auto open = gdi ? reinterpret_cast<OpenAdapterFn>(reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTOpenAdapterFromHdc"))) : nullptr;
  const auto close = gdi ? reinterpret_cast<CloseAdapterFn>(reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTCloseAdapter"))) : nullptr;
  const auto wait = gdi ? reinterpret_cast<WaitFn>(reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTWaitForVerticalBlankEvent"))) : nullptr;

  if (open == nullptr || close == nullptr || wait == nullptr) {
    while (!shared.shutdown.load()) {
      Sleep(kFallbackSleepMs);
      PostTick(shared);
    }
  } else {
    bool adapterOpen = false;
    WaitForVerticalBlankEvent waitFor{};
    DWORD lastFailure = 0;
    bool failedBefore = false;
    while (!shared.shutdown.load()) {
      if (!adapterOpen) {
        if (!failedBefore || GetTickCount() - lastFailure > kAdapterRetryMs) {
          // Under the lock and only before shutdown: the window is then sure to exist.
          EnterCriticalSection(&shared.lock);
          HDC dc = shared.shutdown.load() ? nullptr : GetDC(shared.window);
          OpenAdapterFromHdc request{};
          request.hDc = dc;
          const bool opened = dc != nullptr && open(&request) == 0;
          if (dc != nullptr) ReleaseDC(shared.window, dc);
          LeaveCriticalSection(&shared.lock);
          if (opened) {
            adapterOpen = true;
            waitFor.hAdapter = request.hAdapter;
            waitFor.hDevice = 0;
            waitFor.vidPnSourceId = request.vidPnSourceId;
          } else {
            failedBefore = true;
            lastFailure = GetTickCount();
          }
          if (!adapterOpen) Sleep(kFallbackSleepMs);
        } else {
          Sleep(kFallbackSleepMs);
        }
      }
      if (adapterOpen && wait(&waitFor) != 0) {
        CloseAdapter closing{waitFor.hAdapter};
        close(&closing);
        adapterOpen = false;
        Sleep(kFallbackSleepMs);
      }
      PostTick(shared);
    }
    if (adapterOpen) {
      CloseAdapter closing{waitFor.hAdapter};
      close(&closing);
    }
  }
  if (gdi != nullptr) FreeLibrary(gdi);
  return 0;
}

} // namespace lumen::canvas
