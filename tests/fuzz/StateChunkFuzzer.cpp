// Arbitrary bytes as a saved state, the way a host restores a project or a preset file: handed to a
// fresh instance as a program chunk and, in another one, as a bank chunk. Whatever the bytes were,
// every parameter stays finite and in range, the chunks the plug-in then hands out load into a
// second instance and come back from it byte for byte, and audio stays finite.

#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>

using kolmari::fuzz::Bytes;
using kolmari::fuzz::Instance;
using kolmari::fuzz::Require;

namespace {

// A chunk the plug-in handed out is one it must take back as it is: loaded into a fresh instance it
// is accepted, and that instance then hands out the same bytes.
void RequireRoundTrip(const Bytes& chunk, bool program) {
  Instance second;
  second.Start();
  Require(second.SetChunk(chunk, program) == 1, "a chunk the plug-in handed out is accepted back", program);
  kolmari::fuzz::RequireParametersInRange(second);
  Require(second.GetChunk(program) == chunk, "a chunk round-trips byte for byte", program);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const bool asProgram : {true, false}) {
    Instance plugin;
    plugin.Start();
    const intptr_t accepted = plugin.SetChunk(data, size, asProgram);
    kolmari::fuzz::RequireParametersInRange(plugin);

    const Bytes program = plugin.GetChunk(true);
    const Bytes bank = plugin.GetChunk(false);
    Require(!program.empty() && !bank.empty(), "the plug-in always hands out both chunks", accepted);
    // The parameter state is the header and one 64-bit value per parameter.
    Require(program.size() == 8 + 8 * static_cast<size_t>(plugin.Plugin().NParams()), "program chunk size",
            static_cast<long long>(program.size()));
    RequireRoundTrip(program, true);
    RequireRoundTrip(bank, false);

    // The bank carries the current settings: loaded elsewhere, it gives the same program chunk.
    {
      Instance third;
      third.Start();
      Require(third.SetChunk(bank, false) == 1, "the bank is accepted");
      Require(third.GetChunk(true) == program, "a bank restores the current settings");
    }

    kolmari::fuzz::RequireFiniteBlock(plugin);
    kolmari::fuzz::RequireParametersInRange(plugin);
  }
  return 0;
}
