#pragma once

#include <utility>

namespace lumen {

// Every entry point a host calls runs through here: no exception may cross into the host, whose
// code was never built to unwind ours. An operation that throws (out of memory, say) gives the
// host the answer that means failure in its interface (false, 0, an error code).
template <typename Result, typename Operation>
Result GuardHostCall(Result onFailure, Operation&& operation) noexcept {
  try {
    return std::forward<Operation>(operation)();
  } catch (...) {
    return onFailure;
  }
}

// The same for entry points that answer nothing.
template <typename Operation>
void GuardHostCall(Operation&& operation) noexcept {
  try {
    std::forward<Operation>(operation)();
  } catch (...) {
  }
}

} // namespace lumen
