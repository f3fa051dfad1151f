#include "OsSeedSource.h"

#if defined(__linux__)
#include <sys/random.h>
#elif defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs for its types.
#include <bcrypt.h>
#endif

namespace kolmari {

bool OsSeedSource::Fetch(uint32_t* values, int count) {
#if defined(__linux__)
  if (count <= 0) return count == 0;
  const size_t bytes = static_cast<size_t>(count) * sizeof(uint32_t);
  // Requests of up to 256 bytes are never cut short by a signal; GRND_NONBLOCK makes the call fail
  // rather than wait while the kernel's pool is not yet initialised.
  const ssize_t got = getrandom(values, bytes, GRND_NONBLOCK);
  return got == static_cast<ssize_t>(bytes);
#elif defined(_WIN32)
  if (count <= 0) return count == 0;
  // The system-preferred generator needs no algorithm handle, so nothing is opened or allocated.
  return BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(values), static_cast<ULONG>(count) * sizeof(uint32_t),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
#else
  (void)values;
  (void)count;
  return false;
#endif
}

uint32_t OsSeedSource::Next() {
  static_assert(kBatch * sizeof(uint32_t) <= 256, "one getrandom call per batch, never interrupted");
  if (mCount == 0 && Fetch(mValues.data(), kBatch)) mCount = kBatch;
  if (mCount > 0) return mValues[static_cast<size_t>(--mCount)];
  // The random device may report a failure by throwing; that must not reach the host's audio
  // thread.
  try {
    return static_cast<uint32_t>(mFallback());
  } catch (...) {
    return ++mFallbackCounter * 2654435761u;
  }
}

} // namespace kolmari
