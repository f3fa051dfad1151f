#pragma once

// The one host callback function every loaded plug-in receives, and the map from a plug-in's effect
// record to the TestHost that answers for it.
//
// A plug-in may call back before its entry point has returned the record: with a null effect, or
// with the address of the record it is filling in. Construction therefore runs through Construct,
// which attributes every call made meanwhile to the host being constructed for (and learns the
// record's address from the first call that carries it). Constructions are serialised process-wide.
// Calls from an effect the router does not know are answered by a fallback host.

#include "TestHost.h"
#include "VstPluginLibrary.h"

#include "AEffect.h"

namespace kolmari::testhost {

class HostCallbackRouter {
public:
  // The audioMasterCallback handed to every entry point.
  static intptr_t Callback(lumen::vst2::AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt);

  // Calls entry with Callback, attributing all calls until it returns to host. A non-null result is
  // registered for host; the caller checks its magic.
  static lumen::vst2::AEffect* Construct(VstPluginLibrary::EntryPoint entry, TestHost& host);

  // Forgets effect after its effClose has returned; later calls from it go to the fallback host.
  static void Unregister(const lumen::vst2::AEffect* effect);

  // Answers calls that cannot be attributed to any instance.
  static TestHost& Fallback();
};

} // namespace kolmari::testhost
