// The host-interface definitions proved against plug-ins nobody here wrote: VST 2.4 effects from
// Debian's packages, built with three different toolkits, loaded from the standard folders.
// scripts/setup installs the packages; a missing plug-in is a failure, not a skip.

#include "VstPluginFinder.h"
#include "VstPluginInstance.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <ostream>
#include <numbers>
#include <random>

namespace kolmari::testhost::test {
namespace {

using namespace lumen::vst2;

struct ThirdPartyPlugin {
  const char* package;
  const char* file;  // below one of the standard folders
  const char* effectName;
  const char* vendor;
  const char* entryPoint;
  int32_t uniqueId;
  int32_t version;
  int32_t params;
  int32_t inputs;
  int32_t outputs;
  bool chunks;
  int32_t stateParam;                          // a continuous parameter for the state round trip
  std::vector<int32_t> constructionCalls;      // what it asks the host before its entry point returns
};

// What each plug-in reported when it was first loaded here (Debian 12's versions). Two build on
// the same toolkit and export only "main"; LSP's export VSTPluginMain, ask for the block size with
// their own record before returning it, and keep their state in chunks.
const ThirdPartyPlugin kPlugins[] = {
    {.package = "dpf-plugins-vst", .file = "PingPongPan-vst.so", .effectName = "Ping Pong Pan", .vendor = "DISTRHO",
     .entryPoint = "main", .uniqueId = 0x44505050, .version = 0x10000, .params = 2, .inputs = 2, .outputs = 2,
     .chunks = false, .stateParam = 0, .constructionCalls = {audioMasterVersion}},
    {.package = "dragonfly-reverb-vst", .file = "DragonflyRoomReverb-vst.so", .effectName = "Dragonfly Room Reverb",
     .vendor = "Michael Willis", .entryPoint = "main", .uniqueId = 0x64667232, .version = 0x30208, .params = 17,
     .inputs = 2, .outputs = 2, .chunks = true, .stateParam = 0, .constructionCalls = {audioMasterVersion}},
    {.package = "lsp-plugins-vst", .file = "lsp-plugins/limiter-stereo.so", .effectName = "Limiter Stereo",
     .vendor = "LSP VST", .entryPoint = "VSTPluginMain", .uniqueId = 0x72667563, .version = 1009, .params = 27,
     .inputs = 2, .outputs = 2, .chunks = true, .stateParam = 1,
     .constructionCalls = {audioMasterVersion, audioMasterGetBlockSize}},
    {.package = "lsp-plugins-vst", .file = "lsp-plugins/limiter-mono.so", .effectName = "Limiter Mono",
     .vendor = "LSP VST", .entryPoint = "VSTPluginMain", .uniqueId = 0x6a7a357a, .version = 1009, .params = 22,
     .inputs = 1, .outputs = 1, .chunks = true, .stateParam = 1,
     .constructionCalls = {audioMasterVersion, audioMasterGetBlockSize}},
};

void PrintTo(const ThirdPartyPlugin& plugin, std::ostream* out) { *out << plugin.file; }

class ThirdPartyPluginTest : public testing::TestWithParam<ThirdPartyPlugin> {
protected:
  std::unique_ptr<VstPluginInstance> Load() {
    const auto path = VstPluginFinder::Find(GetParam().file);
    if (!path) {
      ADD_FAILURE() << GetParam().file << " is in none of the VST folders: run scripts/setup (package "
                    << GetParam().package << ")";
      return nullptr;
    }
    std::string error;
    auto instance = VstPluginInstance::Load(path->string(), error);
    EXPECT_TRUE(instance) << error;
    return instance;
  }
};

// A 220 Hz sine at half scale, block after block.
template <typename Sample>
void FillSine(AudioBuffers<Sample>& buffers, int64_t& position, double sampleRate) {
  for (int32_t i = 0; i < buffers.Frames(); ++i, ++position) {
    const auto s = static_cast<Sample>(0.5 * std::sin(2.0 * std::numbers::pi * 220.0 * position / sampleRate));
    for (int32_t c = 0; c < buffers.Channels(); ++c) buffers.Channel(c)[static_cast<size_t>(i)] = s;
  }
}

TEST_P(ThirdPartyPluginTest, IdentifiesItselfThroughTheRecordAndTheDispatcher) {
  const auto& expected = GetParam();
  auto plugin = Load();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->Library().EntryPointName(), expected.entryPoint);

  std::vector<int32_t> construction;
  for (const auto& call : plugin->Host().Recorder().Calls()) {
    EXPECT_TRUE(call.duringConstruction);
    construction.push_back(call.opcode);
  }
  EXPECT_EQ(construction, expected.constructionCalls);

  const AEffect& effect = *plugin->Effect();
  EXPECT_EQ(effect.magic, kEffectMagic);
  EXPECT_EQ(effect.uniqueID, expected.uniqueId);
  EXPECT_EQ(effect.version, expected.version);
  EXPECT_EQ(effect.numParams, expected.params);
  EXPECT_EQ(effect.numInputs, expected.inputs);
  EXPECT_EQ(effect.numOutputs, expected.outputs);
  EXPECT_EQ(effect.resvd1, 0);  // the host's fields: a misplaced offset would read code pointers here
  EXPECT_EQ(effect.resvd2, 0);
  EXPECT_TRUE(effect.flags & effFlagsCanReplacing);
  EXPECT_EQ((effect.flags & effFlagsProgramChunks) != 0, expected.chunks);
  EXPECT_NE(effect.processReplacing, nullptr);
  EXPECT_NE(effect.getParameter, nullptr);

  plugin->Open();
  EXPECT_EQ(plugin->EffectName(), expected.effectName);
  EXPECT_EQ(plugin->VendorString(), expected.vendor);
  EXPECT_FALSE(plugin->ProductString().empty());
  EXPECT_EQ(plugin->VstVersion(), kVstVersion);
  EXPECT_GT(plugin->VendorVersion(), 0);
}

TEST_P(ThirdPartyPluginTest, DescribesEveryParameterAtAnyValue) {
  auto plugin = Load();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 512);
  for (int32_t i = 0; i < plugin->NumParams(); ++i) {
    SCOPED_TRACE("parameter " + std::to_string(i));
    EXPECT_FALSE(plugin->ParameterName(i).empty());
    plugin->ParameterLabel(i);
    for (float value : {0.0f, 1.0f, 0.37f}) {
      plugin->SetParameter(i, value);
      const float back = plugin->GetParameter(i);
      EXPECT_GE(back, 0.0f);
      EXPECT_LE(back, 1.0f);
      EXPECT_FALSE(plugin->ParameterDisplay(i).empty());
    }
  }
}

TEST_P(ThirdPartyPluginTest, CarriesItsStateInChunksWhenItSaysSo) {
  const auto& expected = GetParam();
  auto a = Load();
  auto b = Load();
  ASSERT_TRUE(a && b);
  a->StartUp(44100.0, 512);
  b->StartUp(44100.0, 512);
  a->SetParameter(expected.stateParam, 0.3f);
  const float value = a->GetParameter(expected.stateParam);
  ASSERT_NE(value, b->GetParameter(expected.stateParam));

  const auto program = a->GetChunk(true);
  if (!expected.chunks) {
    EXPECT_TRUE(program.empty());
    return;
  }
  ASSERT_FALSE(program.empty());
  EXPECT_FALSE(a->GetChunk(false).empty());
  b->SetChunk(program, true);
  EXPECT_NEAR(b->GetParameter(expected.stateParam), value, 1e-4);
}

TEST_P(ThirdPartyPluginTest, ProcessesAudioIntoFiniteOutputOnEveryChannel) {
  auto plugin = Load();
  ASSERT_TRUE(plugin);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> anyValue(0.0f, 1.0f);

  for (const auto& [rate, block] : {std::pair{48000.0, 512}, std::pair{96000.0, 64}}) {
    SCOPED_TRACE("rate " + std::to_string(rate) + ", block " + std::to_string(block));
    plugin->Suspend();
    plugin->StartUp(rate, block);
    AudioBuffers<float> in(plugin->NumInputs(), block), out(plugin->NumOutputs(), block);
    ASSERT_EQ(out.Channels(), GetParam().outputs);
    int64_t position = 0;
    std::vector<float> peak(static_cast<size_t>(out.Channels()), 0.0f);
    for (int n = 0; n < 40; ++n) {
      FillSine(in, position, rate);
      ASSERT_TRUE(plugin->ProcessReplacing(in, out));
      ASSERT_TRUE(out.AllFinite()) << "block " << n;
      for (int32_t c = 0; c < out.Channels(); ++c)
        for (float s : out.Channel(c)) peak[static_cast<size_t>(c)] = std::max(peak[static_cast<size_t>(c)], std::fabs(s));
    }
    for (float p : peak) EXPECT_GT(p, 1e-3f);  // every channel carries signal at default settings

    // The older accumulating call, with the parameters moving every block as under automation.
    for (int n = 0; n < 20; ++n) {
      for (int32_t i = 0; i < plugin->NumParams(); ++i) plugin->SetParameter(i, anyValue(random));
      FillSine(in, position, rate);
      out.Fill(0.0f);
      ASSERT_TRUE(plugin->Process(in, out));
      ASSERT_TRUE(out.AllFinite()) << "block " << n;
    }
  }
}

std::string NameOf(const testing::TestParamInfo<ThirdPartyPlugin>& info) {
  std::string name;
  for (const char* c = info.param.effectName; *c; ++c)
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  return name;
}

INSTANTIATE_TEST_SUITE_P(DebianPackages, ThirdPartyPluginTest, testing::ValuesIn(kPlugins), NameOf);

} // namespace
} // namespace kolmari::testhost::test
