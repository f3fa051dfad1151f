// State: the VST 2.4 program chunk's bytes, through streams that move any amount at a time, and
// refusal of anything else with every parameter left as it was.
#include "ClapSupport.h"

#include "VstPluginInstance.h"

namespace kolmari::clap::test {
namespace {

std::vector<double> Values(ClapPluginInstance& plugin) {
  std::vector<double> values;
  for (int i = 0; i < plugin.NumParams(); ++i) values.push_back(plugin.ParamValue(static_cast<clap_id>(i)).value());
  return values;
}

void SetSome(ClapPluginInstance& plugin) {
  plugin.QueueParamValue(2, 2.0);
  plugin.QueueParamValue(4, 123.45);
  plugin.QueueParamValue(6, 0.25);
  plugin.FlushEvents();
}

TEST(ClapState, RoundTripsThroughStreamsOfAnyChunkSize) {
  auto a = LoadClap();
  auto b = LoadClap();
  ASSERT_TRUE(a && b);
  SetSome(*a);
  const auto whole = a->SaveStateBytes();
  ASSERT_TRUE(whole);
  // A stream that takes one byte per write gets the same bytes.
  EXPECT_EQ(a->SaveStateBytes(1), whole);
  ASSERT_TRUE(b->LoadStateBytes(*whole, 1)); // and one that hands over one byte per read
  EXPECT_EQ(Values(*b), Values(*a));
  EXPECT_EQ(b->SaveStateBytes(), whole);
}

TEST(ClapState, BytesAreTheVst2ProgramChunkBothWays) {
  std::string error;
  auto vst = testhost::VstPluginInstance::Load(KOLMARI_BINARY, error);
  ASSERT_TRUE(vst) << error;
  vst->Open();
  auto clap = LoadClap();
  ASSERT_TRUE(clap);
  SetSome(*clap);
  const std::vector<uint8_t> fromClap = clap->SaveState();
  ASSERT_NE(vst->SetChunk(fromClap, true), 0);
  EXPECT_EQ(vst->GetChunk(true), fromClap);

  ASSERT_TRUE(vst->SetParameter(5, 0.2f));
  const std::vector<uint8_t> fromVst = vst->GetChunk(true);
  ASSERT_TRUE(clap->LoadState(fromVst));
  EXPECT_EQ(clap->SaveState(), fromVst);
  EXPECT_NEAR(clap->ParamValue(5).value(), 20.0, 1e-4);
}

TEST(ClapState, RefusesGarbageTruncatedAndHugeStreamsAndChangesNothing) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  SetSome(*plugin);
  const std::vector<uint8_t> good = plugin->SaveState();
  const std::vector<double> before = Values(*plugin);

  std::vector<uint8_t> other = good; // a valid state with other values, cut at every length
  for (size_t i = 8; i < other.size(); ++i) other[i] ^= 0x01;
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(other.begin(), other.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(plugin->LoadState(cut)) << n;
  }
  std::vector<uint8_t> garbage(good.size());
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  EXPECT_FALSE(plugin->LoadState(garbage));
  std::vector<uint8_t> notNumbers = good; // the header, then NaNs
  for (size_t i = 8; i < notNumbers.size(); ++i) notNumbers[i] = 0xFF;
  EXPECT_FALSE(plugin->LoadState(notNumbers));
  std::vector<uint8_t> huge = good;
  huge.resize(65u * 1024u * 1024u);
  EXPECT_FALSE(plugin->LoadState(huge));
  EXPECT_EQ(Values(*plugin), before);
  EXPECT_EQ(plugin->SaveState(), good);
}

} // namespace
} // namespace kolmari::clap::test
