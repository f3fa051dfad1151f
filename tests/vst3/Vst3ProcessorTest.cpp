// The audio processor through the bundle: bus arrangements, sample sizes, rates and block sizes,
// parameter changes at their sample offsets, silence flags and the fixed seed.
#include "Vst3Support.h"

#include "AllocationCounter.h"

#include <algorithm>
#include <cstring>

namespace kolmari::vst3::test {
namespace {

class Vst3ProcessorTest : public ::testing::Test {
protected:
  std::shared_ptr<Vst3Module> module = LoadModule();
  std::unique_ptr<Vst3Plugin> Make(uint32_t seed = 777) {
    auto p = std::make_unique<Vst3Plugin>(module);
    EXPECT_TRUE(p->UseFixedSeed(seed));
    return p;
  }
};

TEST_F(Vst3ProcessorTest, OffersOneAudioBusEachWayInMonoOrStereoOnly) {
  auto p = Make();
  auto& c = p->ComponentMethods();
  auto& a = p->ProcessorMethods();
  EXPECT_EQ(c.get_bus_count(p->Component(), V3_AUDIO, V3_INPUT), 1);
  EXPECT_EQ(c.get_bus_count(p->Component(), V3_AUDIO, V3_OUTPUT), 1);
  EXPECT_EQ(c.get_bus_count(p->Component(), V3_EVENT, V3_INPUT), 0);
  v3_bus_info info{};
  ASSERT_EQ(c.get_bus_info(p->Component(), V3_AUDIO, V3_OUTPUT, 0, &info), V3_OK);
  EXPECT_EQ(info.channel_count, 2);
  EXPECT_EQ(info.bus_type, V3_MAIN);
  // Past the last bus, and on the bus type that has none: an error.
  EXPECT_NE(c.get_bus_info(p->Component(), V3_AUDIO, V3_OUTPUT, 1, &info), V3_OK);
  EXPECT_NE(c.get_bus_info(p->Component(), V3_EVENT, V3_INPUT, 0, &info), V3_OK);

  v3_speaker_arrangement mono = V3_SPEAKER_M;
  v3_speaker_arrangement stereo = V3_SPEAKER_L | V3_SPEAKER_R;
  v3_speaker_arrangement surround = stereo | V3_SPEAKER_C | V3_SPEAKER_LFE | V3_SPEAKER_LS | V3_SPEAKER_RS;
  v3_speaker_arrangement two[2] = {stereo, stereo};
  EXPECT_NE(a.set_bus_arrangements(p->Processor(), &mono, 1, &stereo, 1), V3_OK);
  EXPECT_NE(a.set_bus_arrangements(p->Processor(), &surround, 1, &surround, 1), V3_OK);
  EXPECT_NE(a.set_bus_arrangements(p->Processor(), two, 2, two, 2), V3_OK);
  v3_speaker_arrangement now = 0;
  ASSERT_EQ(a.get_bus_arrangement(p->Processor(), V3_OUTPUT, 0, &now), V3_OK);
  EXPECT_EQ(now, stereo); // refusals changed nothing
  ASSERT_EQ(a.set_bus_arrangements(p->Processor(), &mono, 1, &mono, 1), V3_OK);
  ASSERT_EQ(a.get_bus_arrangement(p->Processor(), V3_INPUT, 0, &now), V3_OK);
  EXPECT_EQ(now, mono);
  ASSERT_EQ(c.get_bus_info(p->Component(), V3_AUDIO, V3_INPUT, 0, &info), V3_OK);
  EXPECT_EQ(info.channel_count, 1);
  EXPECT_NE(a.get_bus_arrangement(p->Processor(), V3_OUTPUT, 1, &now), V3_OK);

  // "Yes" is 0 on Linux (and S_OK on Windows), whatever the names suggest.
  EXPECT_EQ(a.can_process_sample_size(p->Processor(), V3_SAMPLE_32), V3_TRUE);
  EXPECT_EQ(a.can_process_sample_size(p->Processor(), V3_SAMPLE_64), V3_TRUE);
  EXPECT_NE(a.can_process_sample_size(p->Processor(), 7), V3_TRUE);
  EXPECT_EQ(a.get_latency_samples(p->Processor()), 0u);
}

template <typename Sample>
void RenderEverywhere(Vst3Module& module, int channels) {
  auto shared = std::shared_ptr<Vst3Module>(&module, [](Vst3Module*) {});
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    for (int block : {1, 3, 64, 512, 4096, 8192}) {
      Vst3Plugin p(shared);
      ASSERT_TRUE(p.Start(channels, rate, block, std::is_same_v<Sample, double>)) << rate << " " << block;
      Buffers<Sample> in(channels, block), out(channels, block);
      int64_t at = 0;
      for (int b = 0; b < std::max(1, 16384 / block) && at < 16384; ++b, at += block) {
        in.FillSignal(at, rate);
        ASSERT_EQ(p.Process(in.Pointers(), out.Pointers(), channels, block), V3_OK);
      }
      for (auto& ch : out.data) {
        for (Sample s : ch) ASSERT_TRUE(std::isfinite(static_cast<double>(s)) && std::abs(static_cast<double>(s)) < 4.0)
            << rate << " Hz, block " << block;
      }
    }
  }
}

TEST_F(Vst3ProcessorTest, RendersAtEveryRateAndBlockSizeInBothPrecisions) {
  RenderEverywhere<float>(*module, 2);
  RenderEverywhere<double>(*module, 2);
  RenderEverywhere<float>(*module, 1);
}

// Output of blocks of 256 with the given changes in the first block, on a fresh instance.
std::vector<float> RenderWith(std::shared_ptr<Vst3Module> module, const std::function<void(ParameterChanges&)>& fill,
                              int blocks = 3) {
  Vst3Plugin p(module);
  EXPECT_TRUE(p.UseFixedSeed(99));
  EXPECT_TRUE(p.Start(2, 48000.0, 256, false));
  Buffers<float> in(2, 256), out(2, 256);
  std::vector<float> all;
  for (int b = 0; b < blocks; ++b) {
    ParameterChanges changes;
    if (b == 0) fill(changes);
    in.FillSignal(b * 256);
    EXPECT_EQ(p.Process(in.Pointers(), out.Pointers(), 2, 256, &changes), V3_OK);
    for (auto& ch : out.data) all.insert(all.end(), ch.begin(), ch.end());
  }
  return all;
}

// The same changes made by splitting the host's block there: what an offset must mean.
std::vector<float> RenderSplit(std::shared_ptr<Vst3Module> module, int at, uint32_t id, double value, int blocks = 3) {
  Vst3Plugin p(module);
  EXPECT_TRUE(p.UseFixedSeed(99));
  EXPECT_TRUE(p.Start(2, 48000.0, 256, false));
  Buffers<float> in(2, 256), out(2, 256);
  std::vector<float> all;
  for (int b = 0; b < blocks; ++b) {
    in.FillSignal(b * 256);
    if (b == 0) {
      float* inHead[2] = {in.data[0].data(), in.data[1].data()};
      float* outHead[2] = {out.data[0].data(), out.data[1].data()};
      EXPECT_EQ(p.Process(inHead, outHead, 2, at), V3_OK);
      ParameterChanges changes;
      changes.Add(id, 0, value);
      float* inTail[2] = {inHead[0] + at, inHead[1] + at};
      float* outTail[2] = {outHead[0] + at, outHead[1] + at};
      EXPECT_EQ(p.Process(inTail, outTail, 2, 256 - at, &changes), V3_OK);
    } else {
      EXPECT_EQ(p.Process(in.Pointers(), out.Pointers(), 2, 256), V3_OK);
    }
    for (auto& ch : out.data) all.insert(all.end(), ch.begin(), ch.end());
  }
  return all;
}

TEST_F(Vst3ProcessorTest, ChangesTakeEffectAtTheirSampleOffsets) {
  const auto none = RenderWith(module, [](ParameterChanges&) {});
  const auto atOffset = RenderWith(module, [](ParameterChanges& c) { c.Add(kOutputGain, 100, 0.25); });
  const auto split = RenderSplit(module, 100, kOutputGain, 0.25);
  ASSERT_EQ(atOffset.size(), split.size());
  EXPECT_EQ(std::memcmp(atOffset.data(), split.data(), split.size() * sizeof(float)), 0);
  // Before the offset nothing changed.
  EXPECT_EQ(std::memcmp(atOffset.data(), none.data(), 100 * sizeof(float)), 0);
  EXPECT_NE(std::memcmp(atOffset.data(), none.data(), 256 * sizeof(float)), 0);

  // Points a host gives out of order are applied in order of their offsets.
  const auto twoInOrder = RenderWith(module, [](ParameterChanges& c) {
    c.Add(kOutputGain, 60, 0.25);
    c.Add(kOutputGain, 180, 0.5);
  });
  const auto twoReversed = RenderWith(module, [](ParameterChanges& c) {
    c.Add(kOutputGain, 180, 0.5);
    c.Add(kOutputGain, 60, 0.25);
  });
  EXPECT_EQ(twoInOrder, twoReversed);

  // An unknown id costs only its own queue: the change after it is applied all the same.
  const auto afterUnknown = RenderWith(module, [](ParameterChanges& c) {
    c.Add(9999, 10, 0.5);
    c.Add(0xFFFFFFFFu, 20, 0.5);
    c.Add(kOutputGain, 100, 0.25);
  });
  EXPECT_EQ(afterUnknown, atOffset);
}

TEST_F(Vst3ProcessorTest, ChangesPastTheBlockAndInEmptyCallsAreKept) {
  auto p = Make();
  ASSERT_TRUE(p->Start(2, 48000.0, 256, false));
  auto& ctrl = p->ControllerMethods();
  Buffers<float> in(2, 256), out(2, 256);
  // A point beyond the block is applied after it: the block sounds unchanged, the value is there.
  ParameterChanges late;
  late.Add(kOutputGain, 5000, 0.125);
  ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 256, &late), V3_OK);
  EXPECT_NEAR(ctrl.get_parameter_normalised(p->Controller(), kOutputGain), 0.125, 1e-9);
  // Negative offsets count as the block's start; values outside 0..1 are held to it.
  ParameterChanges early;
  early.Add(kInputGain, -40, 1.5);
  ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 256, &early), V3_OK);
  EXPECT_DOUBLE_EQ(ctrl.get_parameter_normalised(p->Controller(), kInputGain), 1.0);
  // A call of 0 samples (hosts flush parameters so) applies its changes.
  ParameterChanges flush;
  flush.Add(kOversampling, 0, 1.0);
  ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 0, &flush), V3_OK);
  EXPECT_DOUBLE_EQ(ctrl.get_parameter_normalised(p->Controller(), kOversampling), 1.0);
  // No buffers at all with a flush: still fine.
  ASSERT_EQ(p->Process(static_cast<float* const*>(nullptr), nullptr, 0, 0, &flush), V3_OK);
}

TEST_F(Vst3ProcessorTest, SilenceFlagsSayOnlyWhatIsTrue) {
  auto p = Make();
  ASSERT_TRUE(p->Start(2, 48000.0, 512, false));
  Buffers<float> in(2, 512), out(2, 512);
  // Sound in: no output channel is flagged silent.
  in.FillSignal(0);
  ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 512), V3_OK);
  EXPECT_EQ(p->LastSilenceFlags(), 0u);
  // Digital silence in, for long enough that nothing rings: flagged exactly when the output is zero.
  for (auto& ch : in.data) std::fill(ch.begin(), ch.end(), 0.0f);
  for (int b = 0; b < 200; ++b) ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 512), V3_OK);
  uint64_t expected = 0;
  for (size_t c = 0; c < 2; ++c) {
    if (std::all_of(out.data[c].begin(), out.data[c].end(), [](float s) { return s == 0.0f; })) expected |= 1u << c;
  }
  EXPECT_EQ(p->LastSilenceFlags(), expected);
}

TEST_F(Vst3ProcessorTest, BypassIsTheHostsBypassAndGivesTheInputBack) {
  auto p = Make();
  v3_param_info info{};
  ASSERT_EQ(p->ControllerMethods().get_parameter_info(p->Controller(), kBypass, &info), V3_OK);
  EXPECT_TRUE(info.flags & V3_PARAM_IS_BYPASS);
  ASSERT_TRUE(p->Start(2, 48000.0, 256, false));
  Buffers<float> in(2, 256), out(2, 256);
  ParameterChanges bypass;
  bypass.Add(kBypass, 0, 1.0);
  for (int b = 0; b < 40; ++b) {
    in.FillSignal(b * 256);
    ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 256, b == 0 ? &bypass : nullptr), V3_OK);
  }
  EXPECT_EQ(out.data, in.data);
}

TEST_F(Vst3ProcessorTest, TheSameSeedRendersTheSameBitsAndTheSystemSourceDoesNot) {
  const auto render = [&](std::optional<uint32_t> seed) {
    Vst3Plugin p(module);
    if (seed) {
      EXPECT_TRUE(p.UseFixedSeed(*seed));
    }
    EXPECT_TRUE(p.Start(2, 48000.0, 256, true));
    Buffers<double> in(2, 256), out(2, 256);
    std::vector<double> all;
    for (int b = 0; b < 24; ++b) {
      in.FillSignal(b * 256);
      EXPECT_EQ(p.Process(in.Pointers(), out.Pointers(), 2, 256), V3_OK);
      for (auto& ch : out.data) all.insert(all.end(), ch.begin(), ch.end());
    }
    return all;
  };
  EXPECT_EQ(render(5u), render(5u));
  EXPECT_NE(render(5u), render(6u));
  EXPECT_NE(render(std::nullopt), render(std::nullopt));
}

// The audio thread allocates nothing, whatever the changes in the block (the host's change lists
// are made before the counting starts). Reading a state is counted the same way to show that the
// counter sees the module's allocations.
TEST_F(Vst3ProcessorTest, ProcessingWithChangesAtOffsetsAllocatesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL carries its own C++ runtime, whose allocations the counter cannot see";
#endif
  for (bool wide : {false, true}) {
    auto p = Make();
    ASSERT_TRUE(p->Start(2, 48000.0, 512, wide));
    Buffers<float> in(2, 512), out(2, 512);
    Buffers<double> in64(2, 512), out64(2, 512);
    in.FillSignal(0);
    in64.FillSignal(0);
    std::vector<ParameterChanges> changes(50);
    for (int block = 0; block < 50; ++block) {
      changes[static_cast<size_t>(block)].Add(kOutputGain, 300, 0.01 * block);
      changes[static_cast<size_t>(block)].Add(kOversampling, 100, (block % 4) / 3.0);
      changes[static_cast<size_t>(block)].Add(kOutputGain, 20, 0.5);
      changes[static_cast<size_t>(block)].Add(4242, 10, 0.5);
    }
    if (wide) {
      p->Process(in64.Pointers(), out64.Pointers(), 2, 512); // warm up
    } else {
      p->Process(in.Pointers(), out.Pointers(), 2, 512);
    }
    size_t during = 0;
    for (int block = 0; block < 50; ++block) {
      AllocationCounter allocations;
      if (wide) {
        p->Process(in64.Pointers(), out64.Pointers(), 2, 512, &changes[static_cast<size_t>(block)]);
      } else {
        p->Process(in.Pointers(), out.Pointers(), 2, 512, &changes[static_cast<size_t>(block)]);
      }
      during += allocations.Count();
    }
    EXPECT_EQ(during, 0u) << (wide ? "64-bit" : "32-bit");
    // Reading a state allocates inside the module only (the stream is the host's, made before).
    MemoryStream stream(p->SaveState());
    AllocationCounter allocations;
    EXPECT_EQ(p->ComponentMethods().set_state(p->Component(), stream.As<v3_bstream>()), V3_OK);
    EXPECT_GT(allocations.Count(), 0u);
  }
}

// setProcessing, which hosts may call on the audio thread, allocates nothing either way, also
// between blocks. Reading a state shows again that the counter sees the module's allocations.
TEST_F(Vst3ProcessorTest, SwitchingProcessingOnAndOffAllocatesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL carries its own C++ runtime, whose allocations the counter cannot see";
#endif
  auto p = Make();
  ASSERT_TRUE(p->Start(2, 48000.0, 512, false));
  Buffers<float> in(2, 512), out(2, 512);
  in.FillSignal(0);
  ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 512), V3_OK);
  const auto allocationsIn = [](auto&& call) {
    AllocationCounter allocations;
    call();
    return allocations.Count();
  };
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(allocationsIn([&] { EXPECT_EQ(p->ProcessorMethods().set_processing(p->Processor(), 0), V3_OK); }), 0u)
        << "setProcessing(false)";
    EXPECT_EQ(allocationsIn([&] { EXPECT_EQ(p->ProcessorMethods().set_processing(p->Processor(), 1), V3_OK); }), 0u)
        << "setProcessing(true)";
    ASSERT_EQ(p->Process(in.Pointers(), out.Pointers(), 2, 512), V3_OK);
  }
  MemoryStream stream(p->SaveState());
  EXPECT_GT(allocationsIn([&] { p->ComponentMethods().set_state(p->Component(), stream.As<v3_bstream>()); }), 0u);
}

} // namespace
} // namespace kolmari::vst3::test
