// Speed of the effect engine, measured through the plug-in exactly as a host calls it
// (ProcessReplacing64 on two channels, or on one for the mono rows), on a realistic programme signal rather than silence: the
// shapers' branches and the slope gate behave differently on silence, and silence would flatter
// the figures.
//
// Every case reports
//   per_sample_ch  CPU time per sample per channel (shown in ns),
//   xRealtime      seconds of stereo audio processed per CPU second at the case's rate, printed as
//                  a factor at the end of each line ("52.1x realtime": 52.1 times faster than real
//                  time),
// and main() prints a summary at the end: the two realtime targets at 48 kHz, the per-block
// seeding overhead at 32-frame blocks, and the size of the processing state.
//
// Typical use:  kolmari_bench                           all cases, about half a second each
//               kolmari_bench --benchmark_repetitions=5  the summary then uses the medians
//               kolmari_bench --benchmark_filter=Seeding

#include "Kolmari.h"
#include "KolmariEngine.h"
#include "KolmariMath.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 2;
// Any value will do; it only replaces the per-block draw from the freshly seeded generator.
constexpr uint32_t kFixedDraw = 0x9E3779B9u;

// ---------------------------------------------------------------------------------------------
// The programme signal: three sines summing to at most 0.5, slightly different per channel, plus
// a little white noise. The sine frequencies are snapped to whole cycles over the loop length so
// the loop point does not click.

class TestSignal {
public:
  static constexpr size_t kLength = size_t{1} << 15; // frames per channel; a multiple of every block size

  explicit TestSignal(double sampleRate) {
    std::mt19937 noise(20240611u);
    std::uniform_real_distribution<double> uniform(-0.01, 0.01);
    const double twoPi = 2.0 * std::numbers::pi;
    auto snapped = [sampleRate](double hz) {
      return std::round(hz * static_cast<double>(kLength) / sampleRate) * sampleRate / static_cast<double>(kLength);
    };
    const double f1 = snapped(110.0), f2 = snapped(331.0), f3 = snapped(2210.0);
    for (int c = 0; c < kChannels; ++c) {
      auto& data = mData[static_cast<size_t>(c)];
      data.resize(kLength);
      const double phase = 0.7 * c;
      for (size_t s = 0; s < kLength; ++s) {
        const double t = static_cast<double>(s) / sampleRate;
        data[s] = 0.24 * std::sin(twoPi * f1 * t + phase) + 0.16 * std::sin(twoPi * f2 * t + 2.0 * phase) +
                  0.09 * std::sin(twoPi * f3 * t + 3.0 * phase) + uniform(noise);
      }
    }
  }

  double* Channel(int c, size_t offset) { return mData[static_cast<size_t>(c)].data() + offset; }

private:
  std::vector<double> mData[kChannels];
};

// Walks a block-sized window through the looping signal.
class BlockCursor {
public:
  BlockCursor(TestSignal& signal, int frames) : mSignal(signal), mFrames(static_cast<size_t>(frames)) {
    for (auto& buffer : mOutput) buffer.assign(mFrames, 0.0);
  }

  // Input pointers of the current window, then advances.
  double* const* NextInputs() {
    for (int c = 0; c < kChannels; ++c) mIn[c] = mSignal.Channel(c, mOffset);
    mOffset += mFrames;
    if (mOffset + mFrames > TestSignal::kLength) mOffset = 0;
    return mIn;
  }
  double* const* Outputs() {
    for (int c = 0; c < kChannels; ++c) mOut[c] = mOutput[c].data();
    return mOut;
  }

private:
  TestSignal& mSignal;
  size_t mFrames;
  size_t mOffset = 0;
  double* mIn[kChannels] = {};
  double* mOut[kChannels] = {};
  std::vector<double> mOutput[kChannels];
};

// A benchmark that silently processed nothing (or produced garbage) would report flattering
// figures; refuse them.
bool OutputLooksProcessed(double* const* out, int frames, int channels = kChannels) {
  double peak = 0.0;
  for (int c = 0; c < channels; ++c) {
    for (int s = 0; s < frames; ++s) {
      if (!std::isfinite(out[c][s])) return false;
      peak = std::max(peak, std::abs(out[c][s]));
    }
  }
  return peak > 1e-3;
}

void SetPerSampleCounters(benchmark::State& state, double sampleRate, int frames, int channels = kChannels) {
  const double perIteration = static_cast<double>(frames) * channels;
  // Rate counters divide by the CPU time of the run; inverted, they give the time per unit.
  state.counters["per_sample_ch"] =
      benchmark::Counter(perIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["xRealtime"] =
      benchmark::Counter(static_cast<double>(frames) / sampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

// ---------------------------------------------------------------------------------------------
// Cases

struct PluginCase {
  double sampleRate;
  int oversampling; // parameter choice 0..3: factor 1, 2, 4, 8
  bool react;
  int frames;
  bool fixedDraw;          // false: production seeding every block
  double inputGain = 32.0; // the default; 200 is the heaviest drive
  bool mono = false;       // one connected input and output, as a mono track connects it
  // The chain's form; none: the widest the processor has, as a host gets it.
  std::optional<kolmari::KolmariEngine::ChainIsa> isa = std::nullopt;
};

const char* IsaName(kolmari::KolmariEngine::ChainIsa isa) {
  using Isa = kolmari::KolmariEngine::ChainIsa;
  return isa == Isa::Avx512 ? "AVX-512" : isa == Isa::Avx2 ? "AVX2" : "SSE2";
}

std::string Name(const PluginCase& c) {
  std::string name = "Plugin/" + std::to_string(static_cast<int>(c.sampleRate)) + "Hz/os" +
                     std::to_string(c.oversampling) + "/react" + std::to_string(c.react ? 1 : 0) + "/";
  if (c.inputGain != 32.0) name += "gain" + std::to_string(static_cast<int>(c.inputGain)) + "/";
  if (c.mono) name += "mono/";
  if (c.isa) name += std::string(IsaName(*c.isa)) + "/";
  return name + std::to_string(c.frames) + "f/" + (c.fixedDraw ? "fixedDraw" : "production");
}

void BM_Plugin(benchmark::State& state, PluginCase cfg) {
  auto plugin = std::make_unique<kolmari::Kolmari>(lumen::IInstanceInfo{});
  plugin->SetSampleRate(cfg.sampleRate);
  plugin->SetBlockSize(cfg.frames);
  plugin->GetParam(kolmari::kOversampling)->Set(cfg.oversampling);
  plugin->GetParam(kolmari::kReact)->Set(cfg.react ? 1.0 : 0.0);
  plugin->GetParam(kolmari::kInputGain)->Set(cfg.inputGain);
  const int channels = cfg.mono ? 1 : kChannels;
  if (cfg.mono) {
    plugin->ConnectChannels(lumen::ERoute::Input, 1, 1, false);
    plugin->ConnectChannels(lumen::ERoute::Output, 1, 1, false);
  }
  plugin->OnReset();
  if (cfg.isa && !plugin->Engine().UseIsa(*cfg.isa)) {
    state.SkipWithError("this processor lacks the chain form");
    return;
  }
  plugin->Engine().SetFixedDraw(cfg.fixedDraw ? std::optional<uint32_t>(kFixedDraw) : std::nullopt);

  TestSignal signal(cfg.sampleRate);
  BlockCursor cursor(signal, cfg.frames);
  double* const* out = cursor.Outputs();

  // Settle the filters and pass the first block's re-initialisation before timing: a tenth of a
  // second of audio.
  for (int done = 0; done < static_cast<int>(cfg.sampleRate / 10.0); done += cfg.frames) {
    plugin->ProcessReplacing64(cursor.NextInputs(), out, cfg.frames);
  }

  for (auto _ : state) {
    plugin->ProcessReplacing64(cursor.NextInputs(), out, cfg.frames);
    benchmark::DoNotOptimize(out[0][0]);
    benchmark::DoNotOptimize(out[channels - 1][cfg.frames - 1]);
    benchmark::ClobberMemory();
  }
  if (!OutputLooksProcessed(out, cfg.frames, channels)) state.SkipWithError("output is silent or not finite");
  SetPerSampleCounters(state, cfg.sampleRate, cfg.frames, channels);
}

// The engine without the plug-in's parameter reads and buffer plumbing, to show what the frame
// around it costs.
void BM_Engine(benchmark::State& state, double sampleRate, int oversampling, int frames) {
  auto engine = std::make_unique<kolmari::KolmariEngine>();
  engine->Reset(sampleRate, kChannels);
  kolmari::BlockParameters params;
  params.oversampling = oversampling;

  TestSignal signal(sampleRate);
  BlockCursor cursor(signal, frames);
  double* const* out = cursor.Outputs();
  for (int done = 0; done < static_cast<int>(sampleRate / 10.0); done += frames) {
    engine->ProcessBlock(params, sampleRate, kChannels, cursor.NextInputs(), kChannels, out, kChannels, frames);
  }
  for (auto _ : state) {
    engine->ProcessBlock(params, sampleRate, kChannels, cursor.NextInputs(), kChannels, out, kChannels, frames);
    benchmark::DoNotOptimize(out[0][0]);
    benchmark::DoNotOptimize(out[1][frames - 1]);
    benchmark::ClobberMemory();
  }
  if (!OutputLooksProcessed(out, frames)) state.SkipWithError("output is silent or not finite");
  SetPerSampleCounters(state, sampleRate, frames);
}

// The floor: only the transcendental functions one substep of the chain evaluates, for two channels
// side by side, as independent calls (so at the processor's throughput, without the chain's
// dependences), on arguments of the ranges the chain feeds them. `heavy` is the heavy setting's
// substep (the first shaper's envelope: five tanh; both shapers' ln cosh; React's 8th power);
// otherwise the default setting's (the first shaper's ln cosh). One iteration is one substep.
void BM_MathFloor(benchmark::State& state, bool heavy) {
  using kolmari::lanes::Pair;
  namespace math = kolmari::math;
  constexpr int kSets = 256;
  std::mt19937 random(7u);
  std::uniform_real_distribution<double> loud(0.9, 4.5), quiet(0.0, 0.7), small(-0.5, 0.5), wide(-0.6, 4.0),
      base(0.09, 0.42);
  std::vector<Pair> args(static_cast<size_t>(kSets) * 8);
  for (size_t i = 0; i < args.size(); ++i) {
    const int which = static_cast<int>(i % 8);
    auto draw = [&]() {
      switch (which) {
        case 0: case 1: case 4: return wide(random);
        case 2: return small(random);
        case 3: return loud(random) - small(random);
        case 5: case 6: return heavy ? quiet(random) + 0.3 : quiet(random);
        default: return base(random);
      }
    };
    const double first = draw();
    args[i] = Pair::FromLanes(first, draw());
  }
  size_t at = 0;
  for (auto _ : state) {
    const Pair* a = &args[at];
    Pair sum = math::LogCosh(a[5]);
    if (heavy) {
      sum = sum + math::Tanh(a[0]) + math::Tanh(a[1]) + math::Tanh(a[2]) + math::Tanh(a[3]) + math::Tanh(a[4]) +
            math::LogCosh(a[6]) + math::PowInt<8>(a[7]);
    }
    benchmark::DoNotOptimize(sum);
    at = (at + 8) % args.size();
  }
}

// A block of zero frames does everything a block does except the per-sample work: the block's
// settings and the drift draw. With and without the fixed draw, the difference is the price of
// seeding one generator.
void BM_EmptyBlock(benchmark::State& state, bool fixedDraw) {
  auto engine = std::make_unique<kolmari::KolmariEngine>();
  engine->Reset(48000.0, kChannels);
  engine->SetFixedDraw(fixedDraw ? std::optional<uint32_t>(kFixedDraw) : std::nullopt);
  kolmari::BlockParameters params;
  double sample[kChannels] = {};
  double* buffers[kChannels] = {&sample[0], &sample[1]};
  for (auto _ : state) {
    engine->ProcessBlock(params, 48000.0, kChannels, buffers, kChannels, buffers, kChannels, 0);
    benchmark::DoNotOptimize(engine->DriftDivisor());
  }
}

// The two halves of the production draw, as the standard library performs them, to show which one
// dominates.
void BM_RandomDeviceCall(benchmark::State& state) {
  std::random_device device;
  for (auto _ : state) benchmark::DoNotOptimize(device());
}

void BM_Mt19937SeedAndFirstDraw(benchmark::State& state) {
  uint32_t seed = 1;
  for (auto _ : state) {
    std::mt19937 generator(seed++);
    benchmark::DoNotOptimize(generator());
  }
}

void BM_Mt19937FirstOutputOnly(benchmark::State& state) {
  uint32_t seed = 1;
  for (auto _ : state) benchmark::DoNotOptimize(kolmari::DriftSource::FirstDrawOfFreshGenerator(seed++));
}

// ---------------------------------------------------------------------------------------------
// Summary

struct Figures {
  double nsPerSampleChannel = 0.0;
  double realtime = 0.0;
  double nsPerIteration = 0.0;
};

// Prints the usual console output and keeps each case's figures for the summary: the median when
// repetitions were asked for, otherwise the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
  using benchmark::ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(AsFactor(runs));
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      const std::string name = run.run_name.str();
      if (!median && mFromMedian.count(name)) continue;
      Figures f;
      if (auto it = run.counters.find("per_sample_ch"); it != run.counters.end()) f.nsPerSampleChannel = it->second.value * 1e9;
      if (auto it = run.counters.find("xRealtime"); it != run.counters.end()) f.realtime = it->second.value;
      f.nsPerIteration = run.GetAdjustedCPUTime() * ToNanoseconds(run.time_unit);
      if (!mFigures.count(name)) mOrder.push_back(name);
      mFigures[name] = f;
      if (median) mFromMedian[name] = true;
    }
  }

  const Figures* Find(const std::string& name) const {
    auto it = mFigures.find(name);
    return it == mFigures.end() ? nullptr : &it->second;
  }
  // Case names in the order they ran.
  const std::vector<std::string>& Names() const { return mOrder; }

private:
  // The library prints every rate counter per second ("52.88/s"), which misreads as a speed; the
  // realtime figure is a factor, so it leaves the counter columns and ends the line as one.
  static std::vector<Run> AsFactor(const std::vector<Run>& runs) {
    std::vector<Run> shown = runs;
    for (Run& run : shown) {
      auto it = run.counters.find("xRealtime");
      if (it == run.counters.end()) continue;
      char factor[48];
      std::snprintf(factor, sizeof factor, "%.1fx realtime", it->second.value);
      run.report_label = run.report_label.empty() ? factor : run.report_label + " " + factor;
      run.counters.erase(it);
    }
    return shown;
  }

  static double ToNanoseconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      case benchmark::kNanosecond: return 1.0;
    }
    return 1.0;
  }

  std::map<std::string, Figures> mFigures;
  std::map<std::string, bool> mFromMedian;
  std::vector<std::string> mOrder;
};

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintStateSizes() {
  auto plugin = std::make_unique<kolmari::Kolmari>(lumen::IInstanceInfo{});
  const kolmari::KolmariEngine& engine = plugin->Engine();
  const size_t engineState =
      sizeof(kolmari::KolmariEngine) + static_cast<size_t>(engine.ChannelCount()) * sizeof(kolmari::KolmariChannel);
  std::printf("State: sizeof(Kolmari) = %zu B, sizeof(KolmariEngine) = %zu B, sizeof(KolmariChannel) = %zu B x %d "
              "channels\n",
              sizeof(kolmari::Kolmari), sizeof(kolmari::KolmariEngine), sizeof(kolmari::KolmariChannel),
              engine.ChannelCount());
  std::printf("       engine state = %zu B = %.1f KB (target < 64 KB) %s\n", engineState,
              static_cast<double>(engineState) / 1024.0, Verdict(engineState < 64 * 1024));
}

void PrintSummary(const SummaryReporter& r) {
  std::printf("\n=== Summary (CPU time on one thread) ===\n");
  using Isa = kolmari::KolmariEngine::ChainIsa;
  const Isa isa = kolmari::KolmariEngine::BestIsa();
  std::printf("Chain form: %s (the widest this processor has; rows naming a form use that one)\n", IsaName(isa));
  PrintStateSizes();
  std::printf("\n");
  std::printf("%-48s %12s %12s\n", "case", "ns/smp/ch", "realtime");
  for (const std::string& name : r.Names()) {
    if (name.rfind("Plugin/", 0) != 0 && name.rfind("Engine/", 0) != 0) continue;
    const Figures& f = *r.Find(name);
    std::printf("%-48s %12.2f %11.1fx\n", name.c_str(), f.nsPerSampleChannel, f.realtime);
  }

  bool heading = false;
  auto printHeading = [&heading](const char* text) {
    if (!heading) std::printf("\n%s\n", text);
    heading = true;
  };
  const char* targetsHeading = "Targets, 48 kHz, 512-frame blocks, production seeding:";
  for (int react = 0; react <= 1; ++react) {
    for (const auto& [choice, target] : {std::pair{0, 300.0}, std::pair{3, 55.0}}) {
      const std::string name = "Plugin/48000Hz/os" + std::to_string(choice) + "/react" + std::to_string(react) +
                               "/512f/production";
      if (const Figures* f = r.Find(name)) {
        printHeading(targetsHeading);
        std::printf("  choice %d, React %s: %8.1fx real time", choice, react ? "on " : "off", f->realtime);
        if (react == 0) std::printf(" (target >= %.0fx) %s", target, Verdict(f->realtime >= target));
        std::printf("\n");
      }
    }
  }
  if (const Figures* f = r.Find("Plugin/48000Hz/os3/react1/gain200/512f/production")) {
    printHeading(targetsHeading);
    std::printf("  heavy: choice 3, React on, Input Gain 200: %8.1fx real time (target >= 18x) %s\n", f->realtime,
                Verdict(f->realtime >= 18.0));
  }
  for (const char* variant : {"os0/react0/", "os3/react0/", "os3/react1/gain200/"}) {
    const Figures* stereo = r.Find(std::string("Plugin/48000Hz/") + variant + "512f/production");
    const Figures* mono = r.Find(std::string("Plugin/48000Hz/") + variant + "mono/512f/production");
    if (!stereo || !mono) continue;
    printHeading(targetsHeading);
    const double share = 100.0 * mono->nsPerIteration / stereo->nsPerIteration;
    std::printf("  mono against stereo, %-20s %6.1f %% of the stereo cost (target <= 55 %%) %s\n", variant, share,
                Verdict(share <= 55.0));
  }

  heading = false;
  const char* floorHeading = "Floor: the maths alone per substep (both channels), against the chain at 48 kHz:";
  for (const auto& [floorName, chainName] :
       {std::pair{"Floor/heavy", "Plugin/48000Hz/os3/react1/gain200/512f/production"},
        std::pair{"Floor/defaults", "Plugin/48000Hz/os3/react0/512f/production"}}) {
    const Figures* floor = r.Find(floorName);
    const Figures* chain = r.Find(chainName);
    if (!floor || !chain) continue;
    printHeading(floorHeading);
    // Eight substeps per sample at choice 3.
    const double floorRealtime = 1e9 / (floor->nsPerIteration * 8.0 * 48000.0);
    std::printf("  %-16s %6.1f ns per substep: at most %7.1fx real time; the chain runs at %6.1fx, %4.1f times "
                "the floor's cost\n",
                floorName, floor->nsPerIteration, floorRealtime, chain->realtime, floorRealtime / chain->realtime);
  }

  heading = false;
  const char* seedingHeading = "Per-block seeding overhead (production vs fixed draw, same block size):";
  for (int choice : {0, 3}) {
    for (int frames : {32, 512}) {
      const std::string base = "Plugin/48000Hz/os" + std::to_string(choice) + "/react0/" + std::to_string(frames) + "f/";
      const Figures* production = r.Find(base + "production");
      const Figures* fixed = r.Find(base + "fixedDraw");
      if (!production || !fixed) continue;
      printHeading(seedingHeading);
      const double overhead = 100.0 * (production->nsPerSampleChannel / fixed->nsPerSampleChannel - 1.0);
      std::printf("  choice %d, %3d frames: %8.2f vs %8.2f ns/smp/ch -> %+7.1f %%", choice, frames,
                  production->nsPerSampleChannel, fixed->nsPerSampleChannel, overhead);
      if (frames == 32) std::printf(" (target < 2 %%) %s", Verdict(overhead < 2.0));
      std::printf("\n");
    }
  }
  const Figures* emptyProduction = r.Find("Seeding/emptyBlock/production");
  const Figures* emptyFixed = r.Find("Seeding/emptyBlock/fixedDraw");
  if (emptyProduction && emptyFixed) {
    printHeading(seedingHeading);
    std::printf("  empty block: %.0f ns production, %.0f ns fixed draw -> seeding costs %.0f ns per block\n",
                emptyProduction->nsPerIteration, emptyFixed->nsPerIteration,
                emptyProduction->nsPerIteration - emptyFixed->nsPerIteration);
  }
  for (const char* name : {"Seeding/random_device_call", "Seeding/mt19937_seed_and_first_draw",
                           "Seeding/mt19937_first_output_only"}) {
    if (const Figures* f = r.Find(name)) {
      printHeading(seedingHeading);
      std::printf("  %-36s %8.1f ns\n", name, f->nsPerIteration);
    }
  }
}


void RegisterAll() {
  std::vector<PluginCase> cases;
  // Every oversampling choice at the two common rates, React off and on.
  for (double rate : {44100.0, 96000.0})
    for (int choice = 0; choice <= 3; ++choice)
      for (bool react : {false, true}) cases.push_back({rate, choice, react, 512, false});
  // The realtime targets at 48 kHz.
  for (int choice : {0, 3})
    for (bool react : {false, true}) cases.push_back({48000.0, choice, react, 512, false});
  // The heaviest setting: eight substeps, React on, full drive.
  cases.push_back({48000.0, 3, true, 512, false, 200.0});
  cases.push_back({48000.0, 3, true, 512, true, 200.0});
  // Mono: one connected channel against the stereo rows above.
  cases.push_back({48000.0, 0, false, 512, false, 32.0, true});
  cases.push_back({48000.0, 3, false, 512, false, 32.0, true});
  cases.push_back({48000.0, 3, true, 512, false, 200.0, true});
  // The narrower forms of the chain, as processors without AVX-512 (or without AVX2) run it.
  using Isa = kolmari::KolmariEngine::ChainIsa;
  for (Isa isa : {Isa::Avx2, Isa::Sse2}) {
    if (!kolmari::KolmariEngine::IsaAvailable(isa)) continue;
    cases.push_back({48000.0, 0, false, 512, false, 32.0, false, isa});
    cases.push_back({48000.0, 3, false, 512, false, 32.0, false, isa});
    cases.push_back({48000.0, 3, true, 512, false, 200.0, false, isa});
  }
  // Small blocks against large ones, with and without the per-block seeding.
  for (int choice : {0, 3}) {
    cases.push_back({48000.0, choice, false, 512, true});
    cases.push_back({48000.0, choice, false, 32, false});
    cases.push_back({48000.0, choice, false, 32, true});
  }
  for (const PluginCase& c : cases) benchmark::RegisterBenchmark(Name(c).c_str(), BM_Plugin, c);

  for (int choice : {0, 3}) {
    const std::string name = "Engine/48000Hz/os" + std::to_string(choice) + "/react0/512f/production";
    benchmark::RegisterBenchmark(name.c_str(), BM_Engine, 48000.0, choice, 512);
  }

  benchmark::RegisterBenchmark("Floor/heavy", BM_MathFloor, true);
  benchmark::RegisterBenchmark("Floor/defaults", BM_MathFloor, false);

  benchmark::RegisterBenchmark("Seeding/emptyBlock/production", BM_EmptyBlock, false);
  benchmark::RegisterBenchmark("Seeding/emptyBlock/fixedDraw", BM_EmptyBlock, true);
  benchmark::RegisterBenchmark("Seeding/random_device_call", BM_RandomDeviceCall);
  benchmark::RegisterBenchmark("Seeding/mt19937_seed_and_first_draw", BM_Mt19937SeedAndFirstDraw);
  benchmark::RegisterBenchmark("Seeding/mt19937_first_output_only", BM_Mt19937FirstOutputOnly);
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();

  const bool colour = isatty(STDOUT_FILENO) != 0;
  SummaryReporter reporter(colour ? benchmark::ConsoleReporter::OO_ColorTabular
                                  : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
