// State chunks through the binary's dispatcher, as hosts save and restore them: program and bank
// round trips between instances, the byte layout hosts have stored, and chunks no plug-in wrote.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;
using Bytes = std::vector<uint8_t>;

void PutDouble(Bytes& bytes, double value) {
  uint8_t raw[8];
  std::memcpy(raw, &value, sizeof raw);  // little-endian on every supported target
  bytes.insert(bytes.end(), raw, raw + 8);
}

void PutInt32(Bytes& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

constexpr uint32_t kMagic = 0x70666674;
constexpr uint32_t kVersion = 0x00010000;

// Nine real values, none of them a default, each exact in its parameter's steps.
const double kSettings[kParameterCount] = {1.0, 1.0, 2.0, 1.0, 125.5, 12.25, 0.875, 80.0, 0.125};

Bytes ParameterState(const double (&values)[kParameterCount]) {
  Bytes bytes;
  for (double v : values) PutDouble(bytes, v);
  return bytes;
}

Bytes WithHeader(uint32_t version, const Bytes& body) {
  Bytes bytes;
  PutInt32(bytes, kMagic);
  PutInt32(bytes, version);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

void ExpectSettings(VstPluginInstance& plugin, const double (&values)[kParameterCount]) {
  for (int i = 0; i < kParameterCount; ++i) {
    EXPECT_FLOAT_EQ(plugin.GetParameter(i), Normalized(i, values[i])) << kParameters[static_cast<size_t>(i)].name;
  }
}

void RandomiseParameters(VstPluginInstance& plugin, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> any(0.0f, 1.0f);
  for (int i = 0; i < plugin.NumParams(); ++i) plugin.SetParameter(i, any(rng));
}

// Processing still works and gives sane output after whatever a chunk did.
void ExpectSaneAudio(VstPluginInstance& plugin) {
  AudioBuffers<float> in(2, 256, 0.5f), out(2, 256);
  ASSERT_TRUE(plugin.ProcessReplacing(in, out));
  EXPECT_TRUE(FirstUncleanSample(out).empty());
  EXPECT_LT(out.PeakAbs(), 2.0f);
  for (int i = 0; i < plugin.NumParams(); ++i) {
    const float v = plugin.GetParameter(i);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << kParameters[static_cast<size_t>(i)].name << " at " << v;
  }
}

TEST(ProgramChunkTest, HasTheHeaderAndOneDoublePerParameter) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  const Bytes chunk = plugin->GetChunk(true);
  ASSERT_EQ(chunk.size(), 80u);
  EXPECT_EQ(Bytes(chunk.begin(), chunk.begin() + 8), (Bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
  // Real values, not normalised, in index order: the defaults.
  for (int i = 0; i < kParameterCount; ++i) {
    double v = 0.0;
    std::memcpy(&v, chunk.data() + 8 + 8 * i, sizeof v);
    EXPECT_EQ(v, kParameters[static_cast<size_t>(i)].defaultValue) << kParameters[static_cast<size_t>(i)].name;
  }
}

TEST(ProgramChunkTest, RoundTripsIntoASecondInstanceByteForByte) {
  auto first = LoadKolmari();
  auto second = LoadKolmari();
  ASSERT_TRUE(first && second);
  first->Open();
  second->Open();
  RandomiseParameters(*first, 7);
  const Bytes saved = first->GetChunk(true);
  ASSERT_EQ(saved.size(), 80u);

  EXPECT_EQ(second->SetChunk(saved, true), 1);
  EXPECT_EQ(second->GetChunk(true), saved);
  for (int i = 0; i < kParameterCount; ++i) {
    EXPECT_EQ(second->GetParameter(i), first->GetParameter(i)) << kParameters[static_cast<size_t>(i)].name;
    EXPECT_EQ(second->ParameterDisplay(i), first->ParameterDisplay(i)) << kParameters[static_cast<size_t>(i)].name;
  }
}

TEST(BankChunkTest, RoundTripsIntoASecondInstanceByteForByte) {
  auto first = LoadKolmari();
  auto second = LoadKolmari();
  ASSERT_TRUE(first && second);
  first->Open();
  second->Open();
  RandomiseParameters(*first, 11);
  first->SetProgramName("Crunch");
  const Bytes saved = first->GetChunk(false);
  // Header, then the one preset: name length, name, initialised flag and its nine values.
  ASSERT_EQ(saved.size(), 8u + 4u + 6u + 1u + 72u);
  EXPECT_EQ(Bytes(saved.begin() + 8, saved.begin() + 19), (Bytes{6, 0, 0, 0, 'C', 'r', 'u', 'n', 'c', 'h', 1}));

  EXPECT_EQ(second->SetChunk(saved, false), 1);
  EXPECT_EQ(second->GetChunk(false), saved);
  EXPECT_EQ(second->ProgramName(), "Crunch");
  EXPECT_EQ(AllParameters(*second), AllParameters(*first));
  EXPECT_EQ(second->GetChunk(true), first->GetChunk(true));
}

TEST(ProgramChunkTest, BareParameterStateRestoresAllNineParameters) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  const Bytes bare = ParameterState(kSettings);
  ASSERT_EQ(bare.size(), 72u);
  EXPECT_EQ(plugin->SetChunk(bare, true), 1);
  ExpectSettings(*plugin, kSettings);
  EXPECT_EQ(plugin->GetChunk(true), WithHeader(kVersion, bare));
  // A host that calls it a bank gets the same.
  auto other = LoadKolmari();
  ASSERT_TRUE(other);
  EXPECT_EQ(other->SetChunk(bare, false), 1);
  ExpectSettings(*other, kSettings);
}

TEST(BankChunkTest, AnOlderHeaderVersionIsReadAsAProgram) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->SetChunk(WithHeader(0x0000FFFF, ParameterState(kSettings)), false), 1);
  ExpectSettings(*plugin, kSettings);
}

TEST(ChunkValuesTest, NonFiniteAndOutOfRangeValuesAreClampedToTheRanges) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(44100.0, 256);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double hostile[kParameterCount] = {nan, inf, -inf, 1e308, -1e308, nan, 5.0, -3.0, inf};
  EXPECT_EQ(plugin->SetChunk(WithHeader(kVersion, ParameterState(hostile)), true), 1);
  EXPECT_EQ(plugin->GetParameter(1), 1.0f);  // +inf: the max
  EXPECT_EQ(plugin->GetParameter(2), 0.0f);  // -inf: the min
  EXPECT_EQ(plugin->GetParameter(3), 1.0f);
  EXPECT_EQ(plugin->GetParameter(4), 0.0f);
  EXPECT_EQ(plugin->GetParameter(6), 1.0f);
  EXPECT_EQ(plugin->GetParameter(7), 0.0f);
  ExpectSaneAudio(*plugin);
  // What it saves again is real values inside the ranges.
  const Bytes saved = plugin->GetChunk(true);
  ASSERT_EQ(saved.size(), 80u);
  for (int i = 0; i < kParameterCount; ++i) {
    double v = 0.0;
    std::memcpy(&v, saved.data() + 8 + 8 * i, sizeof v);
    EXPECT_TRUE(v >= kParameters[static_cast<size_t>(i)].min && v <= kParameters[static_cast<size_t>(i)].max)
        << kParameters[static_cast<size_t>(i)].name << " saved as " << v;
  }
}

// Chunks no plug-in wrote: the answer may be 0 or 1, but nothing crashes, and the instance goes on
// working. Short chunks cannot hold nine values and are refused.
TEST(ChunkRobustnessTest, EmptyShortHeaderlessAndRandomChunksAreAnsweredSafely) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 256);

  for (const bool program : {true, false}) {
    SCOPED_TRACE(program ? "program" : "bank");
    EXPECT_EQ(plugin->SetChunk({}, program), 0);
    uint8_t nothing = 0;
    EXPECT_EQ(plugin->Dispatch(effSetChunk, program ? 1 : 0, 0, &nothing), 0);

    for (const size_t size : {1u, 3u, 7u, 8u, 12u, 71u}) {
      Bytes header = WithHeader(kVersion, Bytes(72, 0x11));
      header.resize(size);
      EXPECT_EQ(plugin->SetChunk(header, program), 0) << size << " bytes with a header";
      EXPECT_EQ(plugin->SetChunk(Bytes(size, 0x3F), program), 0) << size << " bytes without";
    }
    ExpectSaneAudio(*plugin);

    std::mt19937 rng(program ? 1 : 2);
    Bytes random(1 << 20);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    plugin->SetChunk(random, program);
    ExpectSaneAudio(*plugin);
    // The same after a valid header: for a bank, garbage preset records.
    random[0] = 0x74, random[1] = 0x66, random[2] = 0x66, random[3] = 0x70;
    random[4] = 0x00, random[5] = 0x00, random[6] = 0x01, random[7] = 0x00;
    plugin->SetChunk(random, program);
    ExpectSaneAudio(*plugin);
    EXPECT_EQ(plugin->GetChunk(true).size(), 80u);
  }
}

TEST(ChunkRobustnessTest, BankRecordsWithHostileNameLengthsAreRefused) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  for (const uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1000u}) {
    Bytes bank = WithHeader(kVersion, {});
    PutInt32(bank, length);
    bank.insert(bank.end(), {'a', 'b', 1});
    EXPECT_EQ(plugin->SetChunk(bank, false), 0) << length;
  }
  ExpectSaneAudio(*plugin);
}

TEST(ChunkRobustnessTest, NegativeLengthIsRefusedAndChangesNothing) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  RandomiseParameters(*plugin, 3);
  const std::vector<float> before = AllParameters(*plugin);
  Bytes chunk = WithHeader(kVersion, ParameterState(kSettings));
  for (const intptr_t length : {intptr_t{-1}, intptr_t{-80}, std::numeric_limits<intptr_t>::min()}) {
    EXPECT_EQ(plugin->Dispatch(effSetChunk, 1, length, chunk.data()), 0) << length;
    EXPECT_EQ(plugin->Dispatch(effSetChunk, 0, length, chunk.data()), 0) << length;
  }
  EXPECT_EQ(AllParameters(*plugin), before);
}

TEST(ChunkRobustnessTest, NullPointersAnswerZero) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->Dispatch(effGetChunk, 1, 0, nullptr), 0);
  EXPECT_EQ(plugin->Dispatch(effGetChunk, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->Dispatch(effSetChunk, 1, 80, nullptr), 0);
  EXPECT_EQ(plugin->Dispatch(effSetChunk, 0, 80, nullptr), 0);
}

} // namespace
} // namespace kolmari::binary::test
