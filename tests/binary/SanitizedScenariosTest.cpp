// Scenarios for a build with ThreadSanitizer or AddressSanitizer (the plug-in binary built with the
// same sanitizer): automation from another thread while blocks are processed, many instances living
// and dying, and host blocks longer than the block size set. In an ordinary build they are plain
// functional tests; under a sanitizer any report fails the run.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

// The host's automation thread moves every parameter while its audio thread processes, and its
// user-interface thread reads values and texts, as hosts do during playback with automation.
TEST(SanitizedScenarioTest, ParametersSetFromAnotherThreadWhileBlocksAreProcessed) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 128);
  AEffect* effect = plugin->Effect();

  std::atomic<bool> done{false};
  std::atomic<int> sets{0};
  std::thread automation([&] {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> any(0.0f, 1.0f);
    while (!done.load()) {
      for (int i = 0; i < kParameterCount; ++i) effect->setParameter(effect, i, any(rng));
      sets.fetch_add(1);
    }
  });
  std::thread reader([&] {
    char text[VstPluginInstance::kTextBufferSize];
    while (!done.load()) {
      for (int i = 0; i < kParameterCount; ++i) {
        const float v = effect->getParameter(effect, i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
        effect->dispatcher(effect, effGetParamDisplay, i, 0, text, 0.0f);
      }
    }
  });

  AudioBuffers<float> in(2, 128), out(2, 128);
  AudioBuffers<double> in64(2, 256), out64(2, 256);
  for (int32_t f = 0; f < 128; ++f) in.Channel(0)[static_cast<size_t>(f)] = in.Channel(1)[static_cast<size_t>(f)] = 0.4f * static_cast<float>(f % 16) / 16.0f;
  for (int block = 0; block < 300 || sets.load() < 20; ++block) {
    bool processed = false;
    if (block % 3 == 2) {
      processed = plugin->ProcessDoubleReplacing(in64, out64);  // twice the block size
    } else {
      processed = block % 3 == 0 ? plugin->ProcessReplacing(in, out) : plugin->Process(in, out);
    }
    ASSERT_TRUE(processed);
    out.Fill(0.0f);
    if (block > 100000) break;  // the automation thread never got to run; the checks below say so
  }
  done.store(true);
  automation.join();
  reader.join();
  EXPECT_GE(sets.load(), 20);
  EXPECT_TRUE(FirstUncleanSample(out64).empty());
}

// A host's main thread switches the fixed seed on and off while its audio thread processes: the
// hand-over needs no lock and leaves no race.
TEST(SanitizedScenarioTest, FixedSeedSwitchedFromAnotherThreadWhileBlocksAreProcessed) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 64);
  std::atomic<bool> done{false};
  std::atomic<int> calls{0};
  std::thread main([&] {
    for (uint32_t seed = 0; !done.load(); ++seed) {
      EXPECT_TRUE(plugin->SetFixedSeed(seed % 3 == 0 ? std::nullopt : std::optional<uint32_t>(seed)));
      calls.fetch_add(1);
    }
  });
  AudioBuffers<float> in(2, 64, 0.3f), out(2, 64);
  for (int block = 0; block < 300 || calls.load() < 20; ++block) {
    ASSERT_TRUE(plugin->ProcessReplacing(in, out));
    if (block > 100000) break;
  }
  done.store(true);
  main.join();
  EXPECT_GE(calls.load(), 20);
  EXPECT_TRUE(FirstUncleanSample(out).empty());
}

// A hundred instances at once, each opened, set up, processed (some in mono), saved and restored,
// then closed; afterwards nothing may be left allocated.
TEST(SanitizedScenarioTest, AHundredInstancesCreatedOpenedProcessedAndClosed) {
  constexpr int kInstances = 100;
  std::vector<std::unique_ptr<VstPluginInstance>> plugins;
  for (int i = 0; i < kInstances; ++i) {
    plugins.push_back(LoadKolmari());
    ASSERT_TRUE(plugins.back());
  }
  for (int i = 0; i < kInstances; ++i) {
    VstPluginInstance& plugin = *plugins[static_cast<size_t>(i)];
    plugin.StartUp(i % 2 ? 44100.0 : 96000.0, 64 + i);
    if (i % 4 == 3) {
      VstSpeakerArrangement mono{};
      mono.type = kSpeakerArrMono;
      mono.numChannels = 1;
      plugin.Suspend();
      ASSERT_EQ(plugin.SetSpeakerArrangement(&mono, &mono), 1);
      plugin.Resume();
    }
    plugin.SetParameter(2, static_cast<float>(i % 4) / 3.0f);  // every oversampling factor
  }
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < kInstances; ++i) {
      VstPluginInstance& plugin = *plugins[static_cast<size_t>(i)];
      const int32_t frames = 64 + i;
      if (i % 4 == 3) {
        // A mono host passes exactly one buffer each way.
        std::vector<float> in(static_cast<size_t>(frames), 0.3f), out(static_cast<size_t>(frames));
        auto inputs = std::make_unique<float*[]>(1);
        auto outputs = std::make_unique<float*[]>(1);
        inputs[0] = in.data();
        outputs[0] = out.data();
        plugin.Effect()->processReplacing(plugin.Effect(), inputs.get(), outputs.get(), frames);
        ASSERT_TRUE(std::all_of(out.begin(), out.end(), IsCleanSample<float>)) << "instance " << i;
      } else {
        AudioBuffers<float> in(2, frames, 0.3f), out(2, frames);
        ASSERT_TRUE(plugin.ProcessReplacing(in, out));
        ASSERT_TRUE(FirstUncleanSample(out).empty()) << "instance " << i;
      }
    }
  }
  for (int i = 0; i < kInstances; ++i) {
    VstPluginInstance& plugin = *plugins[static_cast<size_t>(i)];
    const auto program = plugin.GetChunk(true);
    const auto bank = plugin.GetChunk(false);
    EXPECT_EQ(plugin.SetChunk(program, true), 1);
    EXPECT_EQ(plugin.SetChunk(bank, false), 1);
  }
  // Closed in an order other than that of creation.
  for (int i = 0; i < kInstances; i += 2) plugins[static_cast<size_t>(i)]->Close();
  for (int i = kInstances - 1; i >= 0; --i) plugins[static_cast<size_t>(i)].reset();
}

// Hosts that deliver more frames than the block size they set: the plug-in must not write past any
// buffer of its own, at any block size and oversampling factor, on any of the three calls.
TEST(SanitizedScenarioTest, HostBlocksLongerThanTheBlockSizeStayInBounds) {
  for (const int32_t blockSize : {1, 7, 64, 511, 512, 4096}) {
    auto plugin = LoadKolmari();
    ASSERT_TRUE(plugin);
    plugin->StartUp(44100.0, blockSize);
    for (int factor = 0; factor < 4; ++factor) {
      plugin->SetParameter(2, static_cast<float>(factor) / 3.0f);
      const int32_t frames = 2 * blockSize + 1;
      AudioBuffers<float> in(2, frames, 0.5f), out(2, frames);
      ASSERT_TRUE(plugin->ProcessReplacing(in, out));
      ASSERT_TRUE(plugin->Process(in, out));
      AudioBuffers<double> in64(2, frames, 0.5), out64(2, frames);
      ASSERT_TRUE(plugin->ProcessDoubleReplacing(in64, out64));
      EXPECT_TRUE(FirstUncleanSample(out64).empty()) << blockSize << ' ' << factor;
    }
  }
}

} // namespace
} // namespace kolmari::binary::test
