// Processing as CLAP hosts drive it: rates, block sizes, in place and out of place, 32 and 64 bit,
// parameter events at their sample offsets, odd event lists, random calls, the thread rules, and
// renders equal to the VST 2.4 binary's bit for bit.
#include "ClapSupport.h"

#include "AllocationCounter.h"
#include "VstPluginInstance.h"

#include <random>

namespace kolmari::clap::test {
namespace {

constexpr uint32_t kSeed = 1234;

std::unique_ptr<ClapPluginInstance> Started(double rate, uint32_t maxFrames) {
  auto plugin = LoadClap();
  if (!plugin) return nullptr;
  EXPECT_TRUE(plugin->SetFixedSeed(kSeed));
  EXPECT_TRUE(plugin->Activate(rate, 1, maxFrames));
  EXPECT_TRUE(plugin->StartProcessing());
  return plugin;
}

template <typename Sample>
bool Finite(const AudioBuffers<Sample>& buffers) {
  return buffers.AllFinite();
}

TEST(ClapProcess, EveryRateAndBlockSizeGivesFiniteOutput) {
  for (double rate : {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0}) {
    auto plugin = Started(rate, 8192);
    ASSERT_TRUE(plugin);
    plugin->QueueParamValue(2, 3.0); // the most work: oversampling 3
    int64_t t = 0;
    for (int32_t frames : {1, 2, 3, 31, 64, 511, 512, 1000, 4096, 8192}) {
      AudioBuffers<float> in(2, frames);
      AudioBuffers<float> out(2, frames, 99.0f);
      FillSignal(in, t);
      t += frames;
      ASSERT_EQ(plugin->Process(in, &out), CLAP_PROCESS_CONTINUE) << rate << " " << frames;
      ASSERT_TRUE(Finite(out)) << rate << " " << frames;
      ASSERT_LT(out.PeakAbs(), 4.0f) << rate << " " << frames;
    }
    EXPECT_TRUE(plugin->Host().Violations().empty());
  }
}

// In place (the host's in-place pair) and out of place give the same samples, 32- and 64-bit.
TEST(ClapProcess, InPlaceEqualsOutOfPlace) {
  auto a = Started(48000.0, 512);
  auto b = Started(48000.0, 512);
  auto c = Started(48000.0, 512);
  auto d = Started(48000.0, 512);
  ASSERT_TRUE(a && b && c && d);
  for (int block = 0; block < 8; ++block) {
    AudioBuffers<float> in(2, 512);
    FillSignal(in, block * 512);
    AudioBuffers<float> out(2, 512);
    AudioBuffers<float> io = in;
    ASSERT_EQ(a->Process(in, &out), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(b->Process(io, nullptr), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(out.Channel(0), io.Channel(0));
    EXPECT_EQ(out.Channel(1), io.Channel(1));

    AudioBuffers<double> in64(2, 512);
    FillSignal(in64, block * 512);
    AudioBuffers<double> out64(2, 512);
    AudioBuffers<double> io64 = in64;
    ASSERT_EQ(c->Process(in64, &out64), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(d->Process(io64, nullptr), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(out64.Channel(0), io64.Channel(0));
    EXPECT_EQ(out64.Channel(1), io64.Channel(1));
  }
  EXPECT_EQ(a->LastConstantMask(), 0u); // a moving signal is never claimed constant
}

// A step at offset 100: the output is the same as without it before sample 100 and changes from
// sample 100 on. Bypass gives the input back exactly from there.
TEST(ClapProcess, ParameterEventsApplyAtTheirSampleOffset) {
  for (bool sixtyFour : {false, true}) {
    auto plain = Started(44100.0, 512);
    auto stepped = Started(44100.0, 512);
    ASSERT_TRUE(plain && stepped);
    for (int warm = 0; warm < 4; ++warm) {
      AudioBuffers<double> in(2, 512);
      FillSignal(in, warm * 512);
      AudioBuffers<double> o1(2, 512), o2(2, 512);
      plain->Process(in, &o1);
      stepped->Process(in, &o2);
    }
    AudioBuffers<double> in(2, 512);
    FillSignal(in, 4 * 512);
    AudioBuffers<double> o1(2, 512), o2(2, 512);
    stepped->QueueParamValue(0, 1.0, 100);
    if (sixtyFour) {
      ASSERT_EQ(plain->Process(in, &o1), CLAP_PROCESS_CONTINUE);
      ASSERT_EQ(stepped->Process(in, &o2), CLAP_PROCESS_CONTINUE);
    } else {
      AudioBuffers<float> in32(2, 512), a(2, 512), b(2, 512);
      FillSignal(in32, 4 * 512);
      ASSERT_EQ(plain->Process(in32, &a), CLAP_PROCESS_CONTINUE);
      ASSERT_EQ(stepped->Process(in32, &b), CLAP_PROCESS_CONTINUE);
      for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 512; ++i) {
          o1.Channel(c)[static_cast<size_t>(i)] = a.Channel(c)[static_cast<size_t>(i)];
          o2.Channel(c)[static_cast<size_t>(i)] = b.Channel(c)[static_cast<size_t>(i)];
          in.Channel(c)[static_cast<size_t>(i)] = in32.Channel(c)[static_cast<size_t>(i)];
        }
    }
    for (int c = 0; c < 2; ++c) {
      for (size_t i = 0; i < 100; ++i) ASSERT_EQ(o1.Channel(c)[i], o2.Channel(c)[i]) << i;
      EXPECT_NE(o1.Channel(c)[100], o2.Channel(c)[100]);
      for (size_t i = 100; i < 512; ++i) ASSERT_EQ(o2.Channel(c)[i], in.Channel(c)[i]) << i;
    }
  }
}

TEST(ClapProcess, EventsOutOfOrderOrPastTheBlockStillApplyInTheBlock) {
  auto plugin = Started(44100.0, 256);
  ASSERT_TRUE(plugin);
  plugin->QueueParamValue(5, 10.0, 10);
  AudioBuffers<float> in(2, 64), out(2, 64);
  // Appended after the sorted ones: times 50 then 5, and one past the end.
  clap_event_param_value_t late{};
  late.header = {sizeof late, 50, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  late.param_id = 5;
  late.value = 20.0;
  plugin->PendingEvents().AddRaw(&late, sizeof late);
  late.header.time = 5;
  late.value = 30.0;
  plugin->PendingEvents().AddRaw(&late, sizeof late);
  late.header.time = 1000;
  late.value = 40.0;
  plugin->PendingEvents().AddRaw(&late, sizeof late);
  ASSERT_EQ(plugin->Process(in, &out), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(plugin->ParamValue(5), 40.0);
  EXPECT_TRUE(Finite(out));
}

TEST(ClapProcess, RefusesBuffersItCannotUse) {
  auto plugin = Started(44100.0, 256);
  ASSERT_TRUE(plugin);
  const clap_plugin_t* p = plugin->Plugin();
  AudioBuffers<float> in(2, 64), out(2, 64);
  clap_audio_buffer_t inPort{in.Pointers(), nullptr, 1, 0, 0}; // one channel of a stereo port
  clap_audio_buffer_t outPort{out.Pointers(), nullptr, 2, 0, 0};
  clap_process_t process{};
  process.frames_count = 64;
  process.audio_inputs = &inPort;
  process.audio_outputs = &outPort;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_ERROR);
  inPort.channel_count = 2;
  process.audio_outputs_count = 0;
  EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_ERROR);
  process.audio_outputs_count = 1;
  inPort.data32 = nullptr; // no samples at all
  EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_ERROR);
  inPort.data32 = in.Pointers();
  EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_CONTINUE); // no event lists: fine
  EXPECT_EQ(p->process(p, nullptr), CLAP_PROCESS_ERROR);
}

TEST(ClapProcess, TwoThousandRandomCallsStayFiniteAndKeepTheRules) {
  auto plugin = Started(48000.0, 2048);
  ASSERT_TRUE(plugin);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> frames(0, 2048);
  std::uniform_int_distribution<int> param(0, 8);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int call = 0; call < 2000; ++call) {
    const int n = frames(random);
    const int events = static_cast<int>(unit(random) * 4);
    for (int e = 0; e < events; ++e) {
      const auto info = plugin->ParamInfo(param(random)).value();
      double value = info.min_value + unit(random) * (info.max_value - info.min_value);
      if (info.flags & CLAP_PARAM_IS_STEPPED) value = std::round(value);
      plugin->QueueParamValue(info.id, value, static_cast<uint32_t>(unit(random) * n));
    }
    if (call % 2 == 0) {
      AudioBuffers<float> in(2, n), out(2, n);
      FillSignal(in, call);
      ASSERT_EQ(plugin->Process(in, &out), CLAP_PROCESS_CONTINUE);
      ASSERT_TRUE(Finite(out)) << call;
    } else {
      AudioBuffers<double> io(2, n);
      FillSignal(io, call);
      ASSERT_EQ(plugin->Process(io, nullptr), CLAP_PROCESS_CONTINUE);
      ASSERT_TRUE(Finite(io)) << call;
    }
    if (call % 500 == 499) {
      plugin->Deactivate(); // and back, as hosts do when settings change
      ASSERT_TRUE(plugin->Activate(48000.0, 1, 2048));
      ASSERT_TRUE(plugin->StartProcessing());
    }
  }
  plugin->FireTimers();
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
}

TEST(ClapProcess, LifecycleRefusesCallsOutOfTurn) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  const clap_plugin_t* p = plugin->Plugin();
  EXPECT_FALSE(p->start_processing(p)); // not active
  EXPECT_FALSE(p->activate(p, 0.0, 1, 512));
  EXPECT_FALSE(p->activate(p, std::nan(""), 1, 512));
  AudioBuffers<float> in(2, 16), out(2, 16);
  clap_audio_buffer_t inPort{in.Pointers(), nullptr, 2, 0, 0};
  clap_audio_buffer_t outPort{out.Pointers(), nullptr, 2, 0, 0};
  clap_process_t process{};
  process.frames_count = 16;
  process.audio_inputs = &inPort;
  process.audio_outputs = &outPort;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_ERROR); // not active
  ASSERT_TRUE(plugin->Activate(44100.0, 1, 512));
  EXPECT_FALSE(p->activate(p, 44100.0, 1, 512)); // twice
  p->reset(p);
  p->deactivate(p);
  p->deactivate(p);
}

// The same settings and seed through Kolmari.so and Kolmari.clap give the same samples.
template <typename Sample>
void ExpectSameRender(double rate, double oversampling) {
  SCOPED_TRACE(std::to_string(rate) + " Hz, oversampling " + std::to_string(oversampling) + ", " +
               std::to_string(sizeof(Sample) * 8) + "-bit");
  std::string error;
  auto vst = testhost::VstPluginInstance::Load(KOLMARI_BINARY, error);
  ASSERT_TRUE(vst) << error;
  vst->Open();
  auto clap = LoadClap();
  ASSERT_TRUE(clap);
  for (testhost::PluginInstance* plugin : {static_cast<testhost::PluginInstance*>(vst.get()),
                                           static_cast<testhost::PluginInstance*>(clap.get())}) {
    ASSERT_TRUE(plugin->SetFixedSeed(kSeed));
    ASSERT_TRUE(plugin->SetParameterText(2, std::to_string(static_cast<int>(oversampling))));
    ASSERT_TRUE(plugin->SetParameterText(4, "120"));
    ASSERT_TRUE(plugin->SetParameterText(5, "80"));
    ASSERT_FALSE(plugin->StartAudio(rate, 512, sizeof(Sample) == 8, 2).empty());
  }
  for (int block = 0; block < 40; ++block) {
    AudioBuffers<Sample> in(2, 512), a(2, 512), b(2, 512);
    FillSignal(in, block * 512);
    AudioBuffers<Sample> in2 = in;
    ASSERT_TRUE(vst->RenderBlock(in, a));
    ASSERT_TRUE(clap->RenderBlock(in2, b));
    ASSERT_EQ(a.Channel(0), b.Channel(0)) << block;
    ASSERT_EQ(a.Channel(1), b.Channel(1)) << block;
  }
}

TEST(ClapProcess, RendersEqualTheVst2BinaryBitForBit) {
  for (double rate : {44100.0, 96000.0}) {
    for (double oversampling : {0.0, 3.0}) {
      ExpectSameRender<float>(rate, oversampling);
      ExpectSameRender<double>(rate, oversampling);
    }
  }
}

} // namespace
} // namespace kolmari::clap::test

namespace kolmari::clap::test {
namespace {

// The audio thread allocates nothing: process with parameter events at offsets, 32- and 64-bit.
// (The counter sees the plug-in's allocations: saving the state, which builds a buffer, counts.)
TEST(ClapProcess, ProcessAllocatesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL carries its own C++ runtime, whose allocations the counter cannot see";
#endif
  auto plugin = Started(48000.0, 512);
  ASSERT_TRUE(plugin);
  AudioBuffers<float> in(2, 512), out(2, 512);
  AudioBuffers<double> in64(2, 512), out64(2, 512);
  FillSignal(in, 0);
  FillSignal(in64, 0);
  plugin->Process(in, &out); // warm up
  plugin->Process(in64, &out64);
  size_t during = 0;
  for (int block = 0; block < 50; ++block) {
    plugin->QueueParamValue(5, 10.0 + block, 100);
    plugin->QueueParamValue(2, block % 4, 300);
    AllocationCounter allocations;
    if (block % 2) {
      plugin->Process(in, &out);
    } else {
      plugin->Process(in64, &out64);
    }
    during += allocations.Count();
  }
  EXPECT_EQ(during, 0u);
  AllocationCounter allocations;
  plugin->SaveStateBytes();
  EXPECT_GT(allocations.Count(), 0u);
}

} // namespace
} // namespace kolmari::clap::test

namespace kolmari::clap::test {
namespace {

// reset forgets the audio so far and nothing else: afterwards the plug-in renders what one that
// never heard that audio renders, with the same parameters and seed.
TEST(ClapProcess, ResetForgetsThePastAudio) {
  auto cleared = Started(48000.0, 512);
  auto fresh = Started(48000.0, 512);
  auto remembering = Started(48000.0, 512);
  ASSERT_TRUE(cleared && fresh && remembering);
  for (ClapPluginInstance* plugin : {cleared.get(), fresh.get(), remembering.get()}) {
    plugin->QueueParamValue(2, 2.0); // oversampling
    plugin->QueueParamValue(4, 150.0);
  }
  for (int block = 0; block < 4; ++block) {
    AudioBuffers<float> in(2, 512), out(2, 512);
    FillSignal(in, 5000 + block * 512);
    for (ClapPluginInstance* plugin : {cleared.get(), remembering.get()}) {
      AudioBuffers<float> input = in;
      ASSERT_EQ(plugin->Process(input, &out), CLAP_PROCESS_CONTINUE);
    }
  }
  cleared->StopProcessing();
  cleared->Reset();
  ASSERT_TRUE(cleared->StartProcessing());

  bool pastHeard = false;
  for (int block = 0; block < 4; ++block) {
    AudioBuffers<float> in(2, 512), a(2, 512), b(2, 512), c(2, 512);
    FillSignal(in, block * 512);
    AudioBuffers<float> in2 = in, in3 = in;
    ASSERT_EQ(cleared->Process(in, &a), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(fresh->Process(in2, &b), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(remembering->Process(in3, &c), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(a.Channel(0), b.Channel(0)) << block;
    ASSERT_EQ(a.Channel(1), b.Channel(1)) << block;
    pastHeard = pastHeard || c.Channel(0) != b.Channel(0);
  }
  EXPECT_TRUE(pastHeard) << "without the reset the earlier audio changes the output";
  EXPECT_TRUE(cleared->Host().Violations().empty());
}

// The other calls a host makes on its audio thread allocate nothing either: stop_processing,
// reset (active, not processing) and start_processing. Activating again for a longer block, which
// makes new scratch buffers inside the plug-in, shows that the counter sees its allocations.
TEST(ClapProcess, AudioThreadLifecycleCallsAllocateNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL carries its own C++ runtime, whose allocations the counter cannot see";
#endif
  auto plugin = Started(48000.0, 512);
  ASSERT_TRUE(plugin);
  AudioBuffers<float> in(2, 512), out(2, 512);
  FillSignal(in, 0);
  plugin->QueueParamValue(2, 3.0);
  ASSERT_EQ(plugin->Process(in, &out), CLAP_PROCESS_CONTINUE); // state to forget
  const auto allocationsIn = [](auto&& call) {
    AllocationCounter allocations;
    call();
    return allocations.Count();
  };
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(allocationsIn([&] { plugin->StopProcessing(); }), 0u) << "stop_processing";
    EXPECT_EQ(allocationsIn([&] { plugin->Reset(); }), 0u) << "reset";
    EXPECT_EQ(allocationsIn([&] { EXPECT_TRUE(plugin->StartProcessing()); }), 0u) << "start_processing";
    ASSERT_EQ(plugin->Process(in, &out), CLAP_PROCESS_CONTINUE);
  }
  plugin->Deactivate();
  EXPECT_GT(allocationsIn([&] { EXPECT_TRUE(plugin->Activate(48000.0, 1, 4096)); }), 0u);
}

} // namespace
} // namespace kolmari::clap::test
