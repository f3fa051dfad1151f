// The binary from outside: its one export, the entry's counted init, the factory and the descriptor.
#include "ClapSupport.h"

#include "ClapFixedSeed.h"
#include "ClapPosixFdSupport.h"
#include "ExportedSymbols.h"

#include "ext/audio-ports.h"
#include "ext/gui.h"
#include "ext/latency.h"
#include "ext/state.h"
#include "ext/timer-support.h"

#include <set>

namespace kolmari::clap::test {
namespace {

using testhost::ClapPluginLibrary;

TEST(ClapEntry, ExportsOnlyClapEntry) {
  const auto symbols = kolmari::test::ExportedSymbols(KOLMARI_CLAP_BINARY);
  ASSERT_TRUE(symbols);
  EXPECT_EQ(*symbols, std::vector<std::string>{"clap_entry"});
}

TEST(ClapEntry, DescriptorNamesThePlugIn) {
  std::string error;
  auto library = ClapPluginLibrary::Load(KOLMARI_CLAP_BINARY, error);
  ASSERT_TRUE(library) << error;
  const clap_plugin_factory_t* factory = library->Factory();
  ASSERT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
  EXPECT_STREQ(d->id, "com.lumenfold.kolmari");
  EXPECT_STREQ(d->name, "Kolmari");
  EXPECT_STREQ(d->vendor, "Lumenfold");
  EXPECT_STREQ(d->version, "1.1.5");
  std::vector<std::string> features;
  for (const char* const* f = d->features; f && *f; ++f) features.emplace_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "distortion", "stereo"}));
  EXPECT_EQ(library->Entry()->get_factory("no.such.factory"), nullptr);
}

TEST(ClapEntry, InitAndDeinitAreCounted) {
  std::string error;
  auto library = ClapPluginLibrary::Load(KOLMARI_CLAP_BINARY, error);
  ASSERT_TRUE(library) << error;
  const clap_plugin_entry_t* entry = library->Entry();
  // A second init and its deinit leave the first one's factory working.
  ASSERT_TRUE(entry->init(KOLMARI_CLAP_BINARY));
  entry->deinit();
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->get_plugin_count(factory), 1u);
  auto instance = ClapPluginInstance::Create(library, error);
  EXPECT_TRUE(instance) << error;
}

TEST(ClapEntry, FactoryRefusesWhatItDoesNotMake) {
  std::string error;
  auto library = ClapPluginLibrary::Load(KOLMARI_CLAP_BINARY, error);
  ASSERT_TRUE(library) << error;
  const clap_plugin_factory_t* factory = library->Factory();
  testhost::ClapTestHost host;
  EXPECT_EQ(factory->create_plugin(factory, host.Host(), "com.lumenfold.other"), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, host.Host(), nullptr), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, nullptr, "com.lumenfold.kolmari"), nullptr);
  EXPECT_FALSE(ClapPluginInstance::Create(library, error, "com.lumenfold.other"));
}

TEST(ClapEntry, InstanceOffersItsExtensionsAndCallsNoHostWhileCreated) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  for (const char* id : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_LATENCY,
                         CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_GUI, kClapExtFixedSeed})
    EXPECT_NE(plugin->Extension(id), nullptr) << id;
  EXPECT_EQ(plugin->Extension("clap.no-such-extension"), nullptr);
  EXPECT_EQ(plugin->Extension(nullptr), nullptr);
#if !defined(_WIN32)
  EXPECT_NE(plugin->Extension(CLAP_EXT_POSIX_FD_SUPPORT), nullptr);
#endif
  EXPECT_TRUE(plugin->Host().Violations().empty()) << plugin->Host().Violations().front();
  // The host's timer and descriptor watch serve the open editor: none before it opens.
  EXPECT_TRUE(plugin->Host().Timers().empty());
  EXPECT_TRUE(plugin->Host().Descriptors().empty());
}

TEST(ClapEntry, AudioPortsAreOneStereoInPlacePair) {
  auto plugin = LoadClap();
  ASSERT_TRUE(plugin);
  const auto* ports = plugin->ExtensionAs<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(plugin->Plugin(), input), 1u);
    clap_audio_port_info_t info{};
    ASSERT_TRUE(ports->get(plugin->Plugin(), 0, input, &info));
    EXPECT_EQ(info.id, 0u);
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    EXPECT_EQ(info.in_place_pair, 0u);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);
    EXPECT_FALSE(ports->get(plugin->Plugin(), 1, input, &info));
  }
  const auto* latency = plugin->ExtensionAs<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
  ASSERT_NE(latency, nullptr);
  EXPECT_EQ(latency->get(plugin->Plugin()), 0u);
}

} // namespace
} // namespace kolmari::clap::test
