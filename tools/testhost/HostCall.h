#pragma once

// One call a plug-in made to the host's callback, as the test host records it.

#include <cstdint>
#include <string>
#include <thread>

namespace kolmari::testhost {

struct HostCall {
  int32_t opcode = 0;
  int32_t index = 0;
  intptr_t value = 0;
  float opt = 0.0f;
  std::string text;                 // the query of audioMasterCanDo; empty for other calls
  bool withEffect = false;          // the plug-in passed an effect pointer (not null)
  bool duringConstruction = false;  // made before the entry point returned
  intptr_t answer = 0;              // what the host returned
  std::thread::id thread;
};

} // namespace kolmari::testhost
