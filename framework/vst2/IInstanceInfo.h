#pragma once

#include <cstdint>

namespace lumen {

// The host callback as the entry point receives it: (effect, opcode, index, value, ptr, opt).
using HostCallback = intptr_t (*)(void* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// What the entry point knows about the host when it creates an instance.
struct IInstanceInfo {
  HostCallback hostCallback = nullptr;
};

} // namespace lumen
