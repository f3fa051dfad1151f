#pragma once

#include "IStateBuffer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace lumen {

// One preset: its name, whether it holds a stored state, and that state (the parameter values in
// the layout SerializeParams writes, without header).
class IPresetSlot {
public:
  static constexpr int kNameSize = 256;

  IPresetSlot() { SetName("empty"); }

  // Keeps at most kNameSize - 1 bytes.
  void SetName(std::string_view name) {
    const size_t n = std::min(name.size(), static_cast<size_t>(kNameSize - 1));
    std::memcpy(mName, name.data(), n);
    mName[n] = '\0';
  }
  const char* Name() const { return mName; }

  bool IsInitialized() const { return mInitialized; }
  void SetInitialized(bool initialized) { mInitialized = initialized; }

  IStateBuffer& State() { return mState; }
  const IStateBuffer& State() const { return mState; }

private:
  bool mInitialized = false;
  char mName[kNameSize] = {};
  IStateBuffer mState;
};

} // namespace lumen
