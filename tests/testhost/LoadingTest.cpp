// Loading binaries, finding their entry point, and attributing the calls a plug-in makes while it
// is being constructed.

#include "HostCallbackRouter.h"
#include "ProbeSupport.h"
#include "VstPluginFinder.h"
#include "VstPluginLibrary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <set>

namespace kolmari::testhost::test {
namespace {

using namespace lumen::vst2;

TEST(VstPluginLibraryTest, PrefersVSTPluginMainAndFallsBackToMain) {
  std::string error;
  auto modern = VstPluginLibrary::Load(PROBE_EFFECT, error);
  ASSERT_TRUE(modern) << error;
  EXPECT_EQ(modern->EntryPointName(), "VSTPluginMain");

  auto older = VstPluginLibrary::Load(PROBE_EFFECT_MAIN, error);
  ASSERT_TRUE(older) << error;
  EXPECT_EQ(older->EntryPointName(), "main");
  EXPECT_NE(older->Entry(), nullptr);
}

TEST(VstPluginLibraryTest, RefusesWhatIsNoPlugIn) {
  std::string error;
  EXPECT_FALSE(VstPluginLibrary::Load(PROBE_EFFECT_NO_ENTRY, error));
  EXPECT_NE(error.find("neither VSTPluginMain nor main"), std::string::npos) << error;

  EXPECT_FALSE(VstPluginLibrary::Load("/nonexistent/Nothing.so", error));
  EXPECT_FALSE(error.empty());

  const auto text = std::filesystem::temp_directory_path() / "kolmari-testhost-not-a-library.so";
  std::ofstream(text) << "not a shared object";
  EXPECT_FALSE(VstPluginLibrary::Load(text.string(), error));
  EXPECT_FALSE(error.empty());
  std::filesystem::remove(text);
}

// The loader maps a binary's segments from the file as its headers describe them; a truncated
// copy would be mapped past its end and kill the process with SIGBUS on first touch. It is turned
// away before loading, with the reason. (Windows checks an image against its file itself and
// refuses a truncated DLL with an error of its own.)
TEST(VstPluginLibraryTest, RefusesATruncatedBinaryBeforeLoadingIt) {
  std::ifstream source(PROBE_EFFECT, std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
  ASSERT_GT(whole.size(), 4096u);
  const auto cut = std::filesystem::temp_directory_path() / "kolmari-testhost-truncated.so";
  for (const size_t length : {size_t{20}, size_t{64}, size_t{1000}, size_t{5000}}) {
    std::ofstream(cut, std::ios::binary | std::ios::trunc) << whole.substr(0, length);
    std::string error;
    EXPECT_FALSE(VstPluginLibrary::Load(cut.string(), error)) << length;
#ifdef _WIN32
    EXPECT_FALSE(error.empty()) << length;
#else
    EXPECT_NE(error.find(cut.string() + ": it is truncated"), std::string::npos) << length << ": " << error;
#endif
  }
  std::filesystem::remove(cut);
}

TEST(VstPluginInstanceTest, RefusesEntryPointsThatGiveNoEffect) {
  std::string error;
  EXPECT_FALSE(VstPluginInstance::Load(PROBE_EFFECT_NULL, error));
  EXPECT_NE(error.find("no effect"), std::string::npos) << error;
  EXPECT_FALSE(VstPluginInstance::Load(PROBE_EFFECT_BAD_MAGIC, error));
  EXPECT_NE(error.find("magic"), std::string::npos) << error;
  EXPECT_FALSE(VstPluginInstance::Create(nullptr, error));
}

TEST(HostCallbackRouterTest, CallsDuringConstructionReachTheHostBeingConstructedFor) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  const auto calls = probe->Host().Recorder().Calls();
  ASSERT_EQ(calls.size(), 2u);
  // First with a null effect, then with the record the entry point is about to return.
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_FALSE(calls[0].withEffect);
  EXPECT_TRUE(calls[0].duringConstruction);
  EXPECT_EQ(calls[0].answer, 2400);
  EXPECT_EQ(calls[1].opcode, audioMasterGetSampleRate);
  EXPECT_TRUE(calls[1].withEffect);
  EXPECT_TRUE(calls[1].duringConstruction);
  EXPECT_EQ(calls[1].answer, 44100);

  probe->Dispatch(effVendorSpecific, kProbeCallHost);
  const auto later = probe->Host().Recorder().Calls();
  ASSERT_GT(later.size(), 2u);
  for (size_t i = 2; i < later.size(); ++i) EXPECT_FALSE(later[i].duringConstruction);
}

TEST(HostCallbackRouterTest, EachInstanceTalksToItsOwnHost) {
  HostSettings slow;
  slow.sampleRate = 22050.0;
  auto a = LoadProbe();
  auto b = LoadProbe(PROBE_EFFECT, slow);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(b->Host().Recorder().CallsOf(audioMasterGetSampleRate).at(0).answer, 22050);

  a->Host().Recorder().Clear();
  b->Dispatch(effVendorSpecific, kProbeCallHost);
  EXPECT_TRUE(a->Host().Recorder().Calls().empty());
  EXPECT_TRUE(b->Host().Recorder().Contains(audioMasterSizeWindow));
}

TEST(HostCallbackRouterTest, RecordsCallsFromThePlugInsOwnThreads) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->Dispatch(effVendorSpecific, kProbeCallFromThreads, 8);
  const auto automations = probe->Host().Recorder().CallsOf(audioMasterAutomate);
  ASSERT_EQ(automations.size(), 800u);
  std::set<std::thread::id> threads;
  for (const auto& call : automations) threads.insert(call.thread);
  EXPECT_EQ(threads.size(), 8u);
}

TEST(HostCallbackRouterTest, CallsFromUnknownEffectsGoToTheFallback) {
  AEffect stranger{};
  const size_t before = HostCallbackRouter::Fallback().Recorder().Count(audioMasterVersion);
  EXPECT_EQ(HostCallbackRouter::Callback(&stranger, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
  EXPECT_EQ(HostCallbackRouter::Fallback().Recorder().Count(audioMasterVersion), before + 1);
}

TEST(VstPluginInstanceTest, ClosedInstancesAnswerNothingAndCallNothing) {
  auto probe = LoadProbe();
  ASSERT_TRUE(probe);
  probe->StartUp(48000.0, 256);
  EXPECT_TRUE(probe->IsResumed());
  probe->Close();
  probe->Close();
  EXPECT_FALSE(probe->IsOpen());
  EXPECT_EQ(probe->Effect(), nullptr);
  EXPECT_EQ(probe->Dispatch(effGetVendorVersion), 0);
  EXPECT_EQ(probe->EffectName(), "");
  EXPECT_EQ(probe->NumParams(), 0);
  EXPECT_FALSE(probe->SetParameter(0, 1.0f));
  EXPECT_TRUE(probe->GetChunk(true).empty());
  AudioBuffers<float> in(2, 16), out(2, 16);
  EXPECT_FALSE(probe->ProcessReplacing(in, out));
}

#ifdef _WIN32
TEST(VstPluginFinderTest, SearchesTheEnvironmentFirstThenTheStandardFolders) {
  const auto folder = std::filesystem::temp_directory_path() / "kolmari-testhost-finder";
  std::filesystem::create_directories(folder / "sub");
  std::ofstream(folder / "sub" / "Plug.dll") << "x";
  _putenv_s("VST_PATH", ("C:\\nonexistent;" + folder.string()).c_str());
  _putenv_s("ProgramFiles", "C:\\Program Files");

  const auto folders = VstPluginFinder::SearchFolders();
  ASSERT_GE(folders.size(), 4u);
  EXPECT_EQ(folders[0], "C:\\nonexistent");
  EXPECT_EQ(folders[1], folder);
  EXPECT_EQ(folders[2], std::filesystem::path("C:\\Program Files") / "VSTPlugins");
  EXPECT_EQ(VstPluginFinder::Find("sub/Plug.dll"), folder / "sub" / "Plug.dll");
  EXPECT_FALSE(VstPluginFinder::Find("sub"));  // a folder is no plug-in
  EXPECT_FALSE(VstPluginFinder::Find(""));

  _putenv_s("VST_PATH", "");
  std::filesystem::remove_all(folder);
}
#else
TEST(VstPluginFinderTest, SearchesTheEnvironmentFirstThenTheStandardFolders) {
  const auto folder = std::filesystem::temp_directory_path() / "kolmari-testhost-finder";
  std::filesystem::create_directories(folder / "sub");
  std::ofstream(folder / "sub" / "Plug.so") << "x";
  setenv("LXVST_PATH", ("/nonexistent:" + folder.string()).c_str(), 1);

  const auto folders = VstPluginFinder::SearchFolders();
  ASSERT_GE(folders.size(), 3u);
  EXPECT_EQ(folders[0], "/nonexistent");
  EXPECT_EQ(folders[1], folder);
  EXPECT_EQ(folders.back(), "/usr/lib/vst");
  EXPECT_EQ(VstPluginFinder::Find("sub/Plug.so"), folder / "sub" / "Plug.so");
  EXPECT_FALSE(VstPluginFinder::Find("sub"));  // a folder is no plug-in
  EXPECT_FALSE(VstPluginFinder::Find(""));

  unsetenv("LXVST_PATH");
  std::filesystem::remove_all(folder);
}
#endif

} // namespace
} // namespace kolmari::testhost::test
