// The soak test: one Kolmari instance, loaded from the binary through the test host, lives through
// a long random scenario (see SoakScenario). It fails on the first output that is not finite or is
// subnormal (or, bypassed, is not the input), on a crash, and when memory grows across the run: at
// regular checkpoints the instance is brought to the same situation and the process's resident size
// and allocated heap are read; after a warm-up that has done everything at least once, neither may
// grow beyond a small allowance.
//
// usage: kolmari_soak [--seed N] [--steps N] [--plugin PATH]
// A failure prints the seed, the step and the steps before it; the same seed and steps repeat it.
//
// With an X display (ctest runs it inside an X server of its own), the editor is opened, idled and
// closed once between every two checkpoints while the audio steps go on (see SoakEditor), so that
// the memory checks cover the editor's life too; without one it says so and leaves those steps out.

#include "MemoryUse.h"
#include "SoakScenario.h"
#ifdef KOLMARI_SOAK_EDITOR
#include "SoakEditor.h"
#endif

#include "VstPluginInstance.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using kolmari::soak::MemoryUse;
using kolmari::soak::SoakScenario;

constexpr uint32_t kDefaultSeed = 20261207;
constexpr long kDefaultSteps = 40000;
constexpr int kCheckpoints = 20;
constexpr int kWarmUpCheckpoints = 4;  // the first of these sets the baseline after them
// Heap: the scenario itself allocates a little differently from checkpoint to checkpoint (texts of
// the history, the channel vectors); a leak of a few bytes per block adds up to far more than this.
constexpr size_t kHeapAllowance = 32 * 1024;
// The OpenGL driver (Mesa) keeps about 2 KiB of every X connection it made a context on after the
// connection closes (measured with nothing but glXCreateNewContext, glXDestroyContext and
// XCloseDisplay), and each editor opens its own connection: that much more is allowed per editor
// opened since the baseline.
constexpr size_t kDriverBytesPerEditorOpen = 4 * 1024;
// Resident size moves in pages and with the allocator's arenas.
constexpr size_t kResidentAllowance = 2 * 1024 * 1024;

// The allocator's per-thread cache keeps freed blocks counted as in use, up to a few hundred KiB
// that fill slowly as blocks of new sizes come and go: it would look like a leak. The run switches
// it off by starting itself again with the allocator's setting for that.
void RestartWithoutThreadCache(char** argv) {
  constexpr const char* kSetting = "glibc.malloc.tcache_count=0";
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (tunables && std::strstr(tunables, kSetting)) return;
  std::string value = tunables && *tunables ? std::string(tunables) + ":" + kSetting : kSetting;
  setenv("GLIBC_TUNABLES", value.c_str(), 1);
  execv("/proc/self/exe", argv);
  std::fprintf(stderr, "soak: cannot restart itself (%s); the heap figures may be noisy\n", std::strerror(errno));
}

bool ParseNumber(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= 0;
}

void PrintHistory(const SoakScenario& scenario, long step) {
  long index = step - static_cast<long>(scenario.History().size()) + 1;
  for (const std::string& what : scenario.History()) std::fprintf(stderr, "  step %ld: %s\n", index++, what.c_str());
}

double KiB(size_t bytes) { return static_cast<double>(bytes) / 1024.0; }

} // namespace

int main(int argc, char** argv) {
  RestartWithoutThreadCache(argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress and failure in the order they happened
  long seed = kDefaultSeed;
  long steps = kDefaultSteps;
  std::string plugin = KOLMARI_BINARY;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--seed") && hasValue && ParseNumber(argv[i + 1], seed) && seed <= 0xFFFFFFFFL) ++i;
    else if (!std::strcmp(argv[i], "--steps") && hasValue && ParseNumber(argv[i + 1], steps) && steps > 0) ++i;
    else if (!std::strcmp(argv[i], "--plugin") && hasValue) plugin = argv[++i];
    else {
      std::fprintf(stderr, "usage: kolmari_soak [--seed N] [--steps N] [--plugin PATH]\n");
      return 2;
    }
  }

  std::string error;
  auto instance = kolmari::testhost::VstPluginInstance::Load(plugin, error);
  if (!instance) {
    std::fprintf(stderr, "soak: cannot load %s: %s\n", plugin.c_str(), error.c_str());
    return 1;
  }
  instance->StartUp(48000.0, 512);
  SoakScenario scenario(*instance, static_cast<uint32_t>(seed));
  std::printf("soak: %ld steps from seed %ld through %s\n", steps, seed, plugin.c_str());

  auto fail = [&](long step, const std::string& what) {
    std::fprintf(stderr, "soak: FAILED at step %ld (seed %ld): %s\n", step, seed, what.c_str());
    PrintHistory(scenario, step);
    std::fprintf(stderr, "soak: to repeat it: kolmari_soak --seed %ld --steps %ld\n", seed, step + 1);
    return 1;
  };

  const long every = std::max(1L, steps / kCheckpoints);
#ifdef KOLMARI_SOAK_EDITOR
  std::string editorNote;
  auto editor = kolmari::soak::SoakEditor::Create(*instance, editorNote);
  if (!editor) std::printf("soak: %s: the editor steps are left out\n", editorNote.c_str());
#endif
  MemoryUse baseline;
  size_t heapGrowth = 0, residentGrowth = 0;
  int editorOpens = 0, editorOpensAtBaseline = 0; // those after the baseline raise the heap allowance
  for (long step = 0; step < steps; ++step) {
#ifdef KOLMARI_SOAK_EDITOR
    if (editor) {
      if (std::string failure = editor->Step(step % every, every); !failure.empty()) return fail(step, failure);
    }
#endif
    if (std::string failure = scenario.Step(); !failure.empty()) return fail(step, failure);
    if ((step + 1) % every != 0) continue;
    const long checkpoint = (step + 1) / every;
    if (std::string failure = scenario.Settle(); !failure.empty()) return fail(step, "while settling: " + failure);
    const MemoryUse now = MemoryUse::Now();
#ifdef KOLMARI_SOAK_EDITOR
    if (editor) editorOpens = editor->Opens();
#endif
    if (checkpoint == kWarmUpCheckpoints) baseline = now, editorOpensAtBaseline = editorOpens;
    if (checkpoint <= kWarmUpCheckpoints) continue;
    const size_t heapAllowance =
        kHeapAllowance + static_cast<size_t>(editorOpens - editorOpensAtBaseline) * kDriverBytesPerEditorOpen;
    heapGrowth = std::max(heapGrowth, now.heapBytes > baseline.heapBytes ? now.heapBytes - baseline.heapBytes : 0);
    residentGrowth =
        std::max(residentGrowth, now.residentBytes > baseline.residentBytes ? now.residentBytes - baseline.residentBytes : 0);
    std::printf("soak: step %7ld: resident %8.0f KiB, heap %8.1f KiB\n", step + 1, KiB(now.residentBytes), KiB(now.heapBytes));
    if (heapGrowth > heapAllowance)
      return fail(step, "the heap grew by " + std::to_string(heapGrowth) + " bytes since step " +
                            std::to_string(every * kWarmUpCheckpoints) + " (allowed: " + std::to_string(heapAllowance) + ")");
    if (residentGrowth > kResidentAllowance)
      return fail(step, "the resident size grew by " + std::to_string(residentGrowth) + " bytes since step " +
                            std::to_string(every * kWarmUpCheckpoints) + " (allowed: " +
                            std::to_string(kResidentAllowance) + ")");
  }
#ifdef KOLMARI_SOAK_EDITOR
  if (editor) std::printf("soak: the editor opened and closed %d times\n", editor->Opens());
  editor.reset();
#endif
  instance->Close();
  std::printf("soak: passed: %lld blocks, %lld resets, %lld chunk loads; largest growth after the warm-up: heap %.1f KiB, "
              "resident %.0f KiB\n",
              static_cast<long long>(scenario.Blocks()), static_cast<long long>(scenario.Resets()),
              static_cast<long long>(scenario.ChunkLoads()), KiB(heapGrowth), KiB(residentGrowth));
  return 0;
}
