// The engine's output, bit for bit, over a grid of settings and rates with a fixed random draw.
//
// Every output sample's bit pattern goes into a hash; the hashes must never change, and they hold on
// Windows as on Linux: the engine's maths is its own, and the input is made without the C library.
// A faster engine that moves a single bit anywhere in the grid (a reordered sum, a contracted
// multiply-add, a maths routine that rounds differently, a lane mix-up, a skipped history slot that
// was read after all) fails here and names the rate, path and oversampling choice where it happened.
#include "KolmariTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace kolmari::test {
namespace {

constexpr uint32_t kDraw = 0x9E3779B9u;
constexpr int kFrames = 1200;
constexpr int kBlockSize = 512;
// Block lengths the host hands over in turn: full blocks, single frames and odd lengths.
constexpr std::array<int, 6> kBlocks{512, 1, 37, 256, 3, 100};

enum class Path { Stereo64, Mono64, Stereo32 };

const char* PathName(Path p) {
  switch (p) {
    case Path::Stereo64: return "stereo 64-bit";
    case Path::Mono64: return "mono 64-bit";
    case Path::Stereo32: return "stereo 32-bit";
  }
  return "";
}

class Hash {
public:
  void Add(uint64_t bits) {
    mValue = (mValue ^ bits) * 0x9E3779B97F4A7C15ull;
    mValue ^= mValue >> 29;
  }
  void Add(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Add(bits);
  }
  void Add(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Add(uint64_t{bits});
  }
  uint64_t Value() const { return mValue; }

private:
  uint64_t mValue = 0xCBF29CE484222325ull;
};

// A sine made with IEEE arithmetic alone, so that the input is the same bits on every platform (the
// C runtimes' sin differ in their last bits): a phasor turned by a step whose sine and cosine come
// from their Taylor series.
Signal PortableSine(double amplitude, double frequency, double rate, int frames) {
  const double w = 2.0 * 3.141592653589793 * frequency / rate;
  double sinW = 0.0, cosW = 0.0;
  double term = w;
  for (int n = 1; n < 40; n += 2) {
    sinW += term;
    term *= -w * w / ((n + 1.0) * (n + 2.0));
  }
  term = 1.0;
  for (int n = 0; n < 40; n += 2) {
    cosW += term;
    term *= -w * w / ((n + 1.0) * (n + 2.0));
  }
  Signal out(static_cast<size_t>(frames));
  double re = 1.0, im = 0.0;
  for (double& v : out) {
    v = amplitude * im;
    const double nextRe = re * cosW - im * sinW;
    im = re * sinW + im * cosW;
    re = nextRe;
  }
  return out;
}

// Left and right differ in every respect that steers the chain: level (over the clip knee and the
// second shaper's threshold on the left), spectrum, a stretch of exact silence and one of
// subnormal values on the right, and a jump.
struct TestInput {
  Signal left, right;
  explicit TestInput(double rate)
      : left(PortableSine(0.9, 440.0, rate, kFrames)), right(PortableSine(0.6, 97.0, rate, kFrames)) {
    const Signal high = PortableSine(0.3, 3000.0, rate, kFrames);
    uint32_t lcg = 12345u;
    for (size_t i = 0; i < left.size(); ++i) {
      left[i] += high[i];
      lcg = lcg * 1664525u + 1013904223u;
      right[i] += 0.05 * (static_cast<double>(lcg >> 8) / 16777216.0 - 0.5);
    }
    for (size_t i = 300; i < 400; ++i) right[i] = 0.0;
    for (size_t i = 400; i < 420; ++i) right[i] = (i % 2 ? 1.0 : -1.0) * 1e-310 * static_cast<double>(i - 399);
    for (size_t i = 800; i < 900; ++i) right[i] = 1.4;
  }
};

struct Setting {
  int oversampling, react;
  double inputGain, bias;
  int delta;
};

void Configure(Kolmari& plugin, const Setting& s) {
  plugin.GetParam(kOversampling)->Set(s.oversampling);
  plugin.GetParam(kReact)->Set(s.react);
  plugin.GetParam(kInputGain)->Set(s.inputGain);
  plugin.GetParam(kBias)->Set(s.bias);
  plugin.GetParam(kDelta)->Set(s.delta);
  // The Delta rows also take the other branches of the output stage: full wet (no crossfade),
  // attenuating output gain and a looser slew limit.
  plugin.GetParam(kWet)->Set(s.delta ? 100.0 : 50.0);
  plugin.GetParam(kOutputGain)->Set(s.delta ? 90.0 : 100.0);
  plugin.GetParam(kTame)->Set(s.delta ? 0.8 : 0.5);
}

std::unique_ptr<Kolmari> MakeConfigured(double rate, Path path, const Setting& s) {
  auto plugin = std::make_unique<Kolmari>(lumen::IInstanceInfo{});
  plugin->SetSampleRate(rate);
  plugin->SetBlockSize(kBlockSize);
  if (path == Path::Mono64) {
    plugin->ConnectChannels(lumen::ERoute::Input, 1, 1, false);
    plugin->ConnectChannels(lumen::ERoute::Output, 1, 1, false);
  }
  plugin->OnReset();
  plugin->Engine().SetFixedDraw(kDraw);
  Configure(*plugin, s);
  return plugin;
}

// Runs one setting through one path and adds every output bit to the hash.
void RenderInto(Hash& hash, double rate, Path path, const Setting& s, const TestInput& in) {
  auto plugin = MakeConfigured(rate, path, s);
  const int channels = path == Path::Mono64 ? 1 : 2;
  Signal out64[2] = {Signal(kFrames), Signal(kFrames)};
  std::vector<float> in32[2], out32[2];
  for (int c = 0; c < 2; ++c) {
    const Signal& src = c == 0 ? in.left : in.right;
    in32[c].assign(src.begin(), src.end());
    out32[c].assign(kFrames, 0.0f);
  }
  size_t block = 0;
  for (int offset = 0, n = 0; offset < kFrames; offset += n) {
    n = std::min(kBlocks[block++ % kBlocks.size()], kFrames - offset);
    if (path == Path::Stereo32) {
      float* i[2] = {in32[0].data() + offset, in32[1].data() + offset};
      float* o[2] = {out32[0].data() + offset, out32[1].data() + offset};
      plugin->ProcessReplacing32(i, o, n);
    } else {
      double* i[2] = {const_cast<double*>(in.left.data()) + offset, const_cast<double*>(in.right.data()) + offset};
      double* o[2] = {out64[0].data() + offset, out64[1].data() + offset};
      plugin->ProcessReplacing64(i, o, n);
    }
  }
  for (int c = 0; c < channels; ++c) {
    for (int s2 = 0; s2 < kFrames; ++s2) {
      if (path == Path::Stereo32) {
        hash.Add(out32[c][static_cast<size_t>(s2)]);
      } else {
        hash.Add(out64[c][static_cast<size_t>(s2)]);
      }
    }
  }
}

// One hash per oversampling choice over React x Input Gain x Bias x Delta.
std::array<uint64_t, 4> GridHashes(double rate, Path path) {
  const TestInput in(rate);
  std::array<uint64_t, 4> hashes{};
  for (int os = 0; os <= 3; ++os) {
    Hash hash;
    for (int react : {0, 1})
      for (double gain : {32.0, 120.0, 200.0})
        for (double bias : {0.1, 0.5, 0.9})
          for (int delta : {0, 1}) RenderInto(hash, rate, path, {os, react, gain, bias, delta}, in);
    hashes[static_cast<size_t>(os)] = hash.Value();
  }
  return hashes;
}

struct Expected {
  double rate;
  Path path;
  std::array<uint64_t, 4> hashes; // oversampling choice 0, 1, 2, 3
};

// Taken from the engine when it got its own maths; the same on Linux and on Windows.
constexpr Expected kExpected[] = {
#include "KolmariBitIdentityHashes.inc"
};

TEST(KolmariBitIdentity, EveryOutputBitAsBefore) {
  std::string table;
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(std::to_string(e.rate) + " Hz, " + PathName(e.path));
    const auto actual = GridHashes(e.rate, e.path);
    char line[200];
    std::snprintf(line, sizeof line, "    {%.0f, Path::%s, {0x%016llxull, 0x%016llxull, 0x%016llxull, 0x%016llxull}},\n",
                  e.rate, e.path == Path::Stereo64 ? "Stereo64" : e.path == Path::Mono64 ? "Mono64" : "Stereo32",
                  static_cast<unsigned long long>(actual[0]), static_cast<unsigned long long>(actual[1]),
                  static_cast<unsigned long long>(actual[2]), static_cast<unsigned long long>(actual[3]));
    table += line;
    for (int os = 0; os <= 3; ++os) {
      EXPECT_EQ(actual[static_cast<size_t>(os)], e.hashes[static_cast<size_t>(os)]) << "oversampling choice " << os;
    }
  }
  if (HasFailure()) std::printf("Hashes of this engine:\n%s", table.c_str());
}

// Each channel's output depends on its own input and state only: a stereo run gives, channel by
// channel, what a mono run of that channel gives. This holds whichever way the channels are
// processed (one after the other, or side by side), and a mix-up between the two shows here first.
TEST(KolmariBitIdentity, StereoChannelsEqualMonoRunsOfEachChannel) {
  for (double rate : {44100.0, 192000.0}) {
    const TestInput in(rate);
    for (const Setting& s : {Setting{0, 0, 32.0, 0.5, 0}, Setting{3, 1, 200.0, 0.1, 1}, Setting{2, 1, 120.0, 0.9, 0}}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, oversampling " + std::to_string(s.oversampling));
      auto stereo = MakeConfigured(rate, Path::Stereo64, s);
      const auto both = Render(*stereo, in.left, in.right, 100);
      for (int c = 0; c < 2; ++c) {
        auto mono = MakeConfigured(rate, Path::Mono64, s);
        const Signal& src = c == 0 ? in.left : in.right;
        Signal out(src.size());
        for (int offset = 0; offset < kFrames; offset += 100) {
          double* i[1] = {const_cast<double*>(src.data()) + offset};
          double* o[1] = {out.data() + offset};
          mono->ProcessReplacing64(i, o, std::min(100, kFrames - offset));
        }
        EXPECT_EQ(out, both[static_cast<size_t>(c)]) << "channel " << c;
      }
    }
  }
}

// A host that writes the first output into the buffer the second input came in gets what processing
// the channels one after the other gives: the second channel sees the first one's output. (Side by
// side, it would see its original input; such buffers must not take that path.)
TEST(KolmariBitIdentity, FirstOutputOverTheSecondInputProcessesChannelsInTurn) {
  const TestInput in(48000.0);
  BlockParameters params;
  params.oversampling = 1;
  params.inputGain = 150.0;
  auto engineFor = [] {
    auto engine = std::make_unique<KolmariEngine>();
    engine->Reset(48000.0, 2);
    engine->SetFixedDraw(kDraw);
    return engine;
  };

  Signal shared = in.right, secondOut(kFrames);
  {
    auto engine = engineFor();
    double* inputs[2] = {const_cast<double*>(in.left.data()), shared.data()};
    double* outputs[2] = {shared.data(), secondOut.data()};
    engine->ProcessBlock(params, 48000.0, 2, inputs, 2, outputs, 2, kFrames);
  }

  // The same, one channel per call: the first channel alone, then the second on its output.
  Signal firstOut(kFrames), expectedSecond(kFrames);
  {
    auto engine = engineFor();
    double* inputs[2] = {const_cast<double*>(in.left.data()), nullptr};
    double* outputs[2] = {firstOut.data(), nullptr};
    engine->ProcessBlock(params, 48000.0, 2, inputs, 2, outputs, 2, kFrames);
  }
  {
    auto engine = engineFor();
    double* inputs[2] = {nullptr, firstOut.data()};
    double* outputs[2] = {nullptr, expectedSecond.data()};
    engine->ProcessBlock(params, 48000.0, 2, inputs, 2, outputs, 2, kFrames);
  }
  EXPECT_EQ(shared, firstOut);
  EXPECT_EQ(secondOut, expectedSecond);
}

} // namespace
} // namespace kolmari::test
