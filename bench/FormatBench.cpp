// The cost of each binding around the same processing: Kolmari.so through the VST 2.4 calls,
// Kolmari.clap through CLAP's process, Kolmari.vst3 through the VST3 processor and Kolmari.lv2
// through lilv's run, all loaded as hosts load them, same settings and seed, one 512-frame stereo
// block per iteration. The cases with events show what cutting a block at parameter changes costs;
// LV2 has no events inside a block, so its case with events changes a control port before every
// block instead.
#include "ClapPluginInstance.h"
#ifdef KOLMARI_TESTHOST_LV2
#include "Lv2PluginInstance.h"
#endif
#include "Vst3PluginInstance.h"
#include "VstPluginInstance.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

using kolmari::testhost::AudioBuffers;
using kolmari::testhost::ClapPluginInstance;
using kolmari::testhost::PluginInstance;
using kolmari::testhost::Vst3PluginInstance;
using kolmari::testhost::VstPluginInstance;

constexpr int kFrames = 512;

// format: 0 VST 2.4, 1 CLAP, 2 VST3, 3 LV2.
std::unique_ptr<PluginInstance> Open(int format, int oversampling) {
  std::string error;
  std::unique_ptr<PluginInstance> plugin;
  if (format == 3) {
#ifdef KOLMARI_TESTHOST_LV2
    plugin = kolmari::testhost::Lv2PluginInstance::Load(KOLMARI_LV2_BUNDLE, error);
#endif
  } else if (format == 2) {
    plugin = Vst3PluginInstance::Load(KOLMARI_VST3_BUNDLE, error);
  } else if (format == 1) {
    plugin = ClapPluginInstance::Load(KOLMARI_CLAP_BINARY, error);
  } else {
    auto vst = VstPluginInstance::Load(KOLMARI_BINARY, error);
    if (vst) vst->Open();
    plugin = std::move(vst);
  }
  if (!plugin) return nullptr;
  plugin->SetFixedSeed(1);
  plugin->SetParameterText(2, std::to_string(oversampling));
  plugin->SetParameterText(5, "100");
  if (plugin->StartAudio(48000.0, kFrames, false, 2).empty()) return nullptr;
  return plugin;
}

void Signal(AudioBuffers<float>& in) {
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i)
      in.Channel(c)[static_cast<size_t>(i)] = static_cast<float>(0.5 * std::sin(0.03 * i + c));
}

// state.range(0): 0 VST 2.4, 1 CLAP, 2 VST3, 3 LV2; range(1): oversampling; range(2): parameter events per block.
void Process(benchmark::State& state) {
  const auto format = static_cast<int>(state.range(0));
  const bool clap = format == 1;
  const auto events = static_cast<int>(state.range(2));
  auto plugin = Open(format, static_cast<int>(state.range(1)));
  if (!plugin) {
    state.SkipWithError("cannot load the plug-in");
    return;
  }
  auto* clapPlugin = clap ? static_cast<ClapPluginInstance*>(plugin.get()) : nullptr;
  auto* vst3Plugin = format == 2 ? static_cast<Vst3PluginInstance*>(plugin.get()) : nullptr;
  AudioBuffers<float> in(2, kFrames), out(2, kFrames);
  Signal(in);
  double wet = 50.0;
  for (auto _ : state) {
    for (int e = 0; e < events; ++e) {
      wet = wet > 90.0 ? 50.0 : wet + 1.0;
      const int offset = (e + 1) * kFrames / (events + 1);
      if (clapPlugin) clapPlugin->QueueParamValue(5, wet, static_cast<uint32_t>(offset));
      if (vst3Plugin) vst3Plugin->QueueParamValue(5, wet / 100.0, offset);
      if (format == 3) plugin->SetParameter(5, static_cast<float>(wet / 100.0));
    }
    plugin->RenderBlock(in, out);
    benchmark::DoNotOptimize(out.Channel(0).data());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

BENCHMARK(Process)
    ->ArgNames({"format", "os", "events"})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({1, 0, 4})
    ->Args({2, 0, 0})
    ->Args({2, 0, 4})
    ->Args({0, 3, 0})
    ->Args({1, 3, 0})
    ->Args({1, 3, 4})
    ->Args({2, 3, 0})
    ->Args({2, 3, 4})
    ->Args({3, 0, 0})
    ->Args({3, 0, 1})
    ->Args({3, 3, 0})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
