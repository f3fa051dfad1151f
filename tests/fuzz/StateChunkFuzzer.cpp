// Arbitrary bytes as a saved state, the way a host restores a project or a preset file: handed to a
// fresh instance as a program chunk and, in another one, as a bank chunk. Whatever the bytes were,
// every parameter stays finite and in range, the chunks the plug-in then hands out load into a
// second instance and come back from it byte for byte, and audio stays finite.

#include "FuzzSupport.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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

// What a program chunk does to a fresh instance, worked out independently: an optional header
// (the magic, then a version), then one 64-bit value per parameter in index order, each clamped to
// its range (NaN to the minimum). A chunk cut inside the values sets the parameters before the cut,
// the first missing one to 0 (clamped), and is refused; a cut header sets nothing.
void RequireProgramChunkApplied(Instance& plugin, const uint8_t* data, size_t size, intptr_t accepted) {
  constexpr uint32_t kMagic = 0x70666674;
  kolmari::Kolmari& k = plugin.Plugin();
  std::vector<double> expected;
  for (int i = 0; i < k.NParams(); ++i) expected.push_back(k.GetParam(i)->Default());

  uint32_t magic = 0;
  if (size >= 4) std::memcpy(&magic, data, 4);
  size_t pos = magic == kMagic ? 8 : 0;
  bool complete = pos <= size;
  for (int i = 0; complete && i < k.NParams(); ++i) {
    double v = 0.0;
    if (pos + 8 <= size) {
      std::memcpy(&v, data + pos, 8);
      pos += 8;
    } else {
      complete = false;
    }
    const lumen::IParam* param = k.GetParam(i);
    expected[static_cast<size_t>(i)] =
        std::isnan(v) ? param->Min() : (v < param->Min() ? param->Min() : (v > param->Max() ? param->Max() : v));
  }
  Require(accepted == (complete ? 1 : 0), "a program chunk is accepted exactly when it is complete", accepted);
  for (int i = 0; i < k.NParams(); ++i) {
    Require(k.GetParam(i)->Value() == expected[static_cast<size_t>(i)], "a program chunk sets the values it holds", i);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const bool asProgram : {true, false}) {
    Instance plugin;
    plugin.Start();
    const intptr_t accepted = plugin.SetChunk(data, size, asProgram);
    kolmari::fuzz::RequireParametersInRange(plugin);
    if (asProgram) RequireProgramChunkApplied(plugin, data, size, accepted);

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
