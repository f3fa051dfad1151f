#pragma once

// The probe effect's test-only vendor opcodes, and loading it.

#include "VstPluginInstance.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kolmari::testhost::test {

inline constexpr int32_t kProbeCallHost = 0x70726f62;
inline constexpr int32_t kProbeCallFromThreads = 0x74687264;
inline constexpr int32_t kProbeLastTime = 0x74696d65;

inline std::unique_ptr<VstPluginInstance> LoadProbe(const char* path = PROBE_EFFECT, HostSettings settings = {}) {
  std::string error;
  auto instance = VstPluginInstance::Load(path, error, std::move(settings));
  EXPECT_TRUE(instance) << error;
  return instance;
}

} // namespace kolmari::testhost::test
