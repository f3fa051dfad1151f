// The module's exports, its factory and class information, and that every object the plug-in
// hands out is released to zero and lets go of what the host gave it.
#include "Vst3Support.h"

#include "ExportedSymbols.h"
#include "Vst3FixedSeed.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace kolmari::vst3::test {
namespace {

std::string Utf16(const int16_t* text, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && text[i]; ++i) out += static_cast<char>(text[i]);
  return out;
}

// The class id every saved project refers to: it must never change. Written as its four words, which
// Windows lays out in another byte order.
constexpr v3_tuid kExpectedClassId = V3_ID(0x4C4D4644, 0x6F667A6F, 0x8B1D4E2A, 0x9C37A5E1);

TEST(Vst3FactoryTest, ExportsOnlyTheModuleEntryPoints) {
  // Read from the file: exactly the three, nothing of the plug-in or its libraries.
  const auto exported = kolmari::test::ExportedSymbols(Vst3Module::BinaryPath(KOLMARI_VST3_BUNDLE));
  ASSERT_TRUE(exported);
#ifdef _WIN32
  EXPECT_EQ(*exported, (std::vector<std::string>{"ExitDll", "GetPluginFactory", "InitDll"}));
#else
  EXPECT_EQ(*exported, (std::vector<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
#endif
  auto module = LoadModule();
  EXPECT_NE(module->Symbol("GetPluginFactory"), nullptr);
#ifdef _WIN32
  EXPECT_NE(module->Symbol("InitDll"), nullptr);
  EXPECT_NE(module->Symbol("ExitDll"), nullptr);
#else
  EXPECT_NE(module->Symbol("ModuleEntry"), nullptr);
  EXPECT_NE(module->Symbol("ModuleExit"), nullptr);
#endif
  EXPECT_EQ(module->Symbol("VSTPluginMain"), nullptr);
  EXPECT_EQ(module->Symbol("_ZN5lumen11IEffectVST3C2ERKNS_15IEffectSettingsERKNS_13IInstanceInfoE"), nullptr);
}

TEST(Vst3FactoryTest, DescribesOneAudioEffectClass) {
  auto module = LoadModule();
  auto** factory = module->Factory();
  auto& f = Methods<v3_plugin_factory_cpp>(factory);

  v3_factory_info info{};
  ASSERT_EQ(f.v1.get_factory_info(factory, &info), V3_OK);
  EXPECT_STREQ(info.vendor, "Lumenfold");
  EXPECT_EQ(info.flags & 0x10, 0x10); // strings are Unicode

  ASSERT_EQ(f.v1.num_classes(factory), 1);
  v3_class_info c1{};
  ASSERT_EQ(f.v1.get_class_info(factory, 0, &c1), V3_OK);
  EXPECT_EQ(std::memcmp(c1.class_id, kExpectedClassId, 16), 0);
  EXPECT_STREQ(c1.category, "Audio Module Class");
  EXPECT_STREQ(c1.name, "Kolmari");
  // Past the last class, before the first, or without a record: an error, never a class.
  EXPECT_NE(f.v1.get_class_info(factory, 1, &c1), V3_OK);
  EXPECT_NE(f.v1.get_class_info(factory, -1, &c1), V3_OK);
  EXPECT_NE(f.v1.get_class_info(factory, 0, nullptr), V3_OK);

  v3_plugin_factory_2** f2 = nullptr;
  ASSERT_EQ(f.query_interface(factory, v3_plugin_factory_2_iid, reinterpret_cast<void**>(&f2)), V3_OK);
  v3_class_info_2 c2{};
  ASSERT_EQ(Methods<v3_plugin_factory_cpp>(f2).v2.get_class_info_2(f2, 0, &c2), V3_OK);
  EXPECT_STREQ(c2.sub_categories, "Fx|Distortion");
  EXPECT_STREQ(c2.vendor, "Lumenfold");
  EXPECT_STREQ(c2.version, "1.1.5");
  EXPECT_NE(Methods<v3_plugin_factory_cpp>(f2).v2.get_class_info_2(f2, 1, &c2), V3_OK);
  Unref(f2);

  v3_plugin_factory_3** f3 = nullptr;
  ASSERT_EQ(f.query_interface(factory, v3_plugin_factory_3_iid, reinterpret_cast<void**>(&f3)), V3_OK);
  v3_class_info_3 c3{};
  ASSERT_EQ(Methods<v3_plugin_factory_cpp>(f3).v3.get_class_info_utf16(f3, 0, &c3), V3_OK);
  EXPECT_EQ(Utf16(c3.name, 64), "Kolmari");
  EXPECT_EQ(Utf16(c3.vendor, 64), "Lumenfold");
  EXPECT_EQ(Utf16(c3.version, 64), "1.1.5");
  EXPECT_STREQ(c3.sub_categories, "Fx|Distortion");
  EXPECT_NE(Methods<v3_plugin_factory_cpp>(f3).v3.get_class_info_utf16(f3, 1, &c3), V3_OK);

  // The factory keeps the host context while it has one, and lets go of it.
  HostApplication host;
  EXPECT_EQ(Methods<v3_plugin_factory_cpp>(f3).v3.set_host_context(f3, host.As<v3_funknown>()), V3_OK);
  EXPECT_EQ(host.References(), 2);
  Unref(f3);
  EXPECT_EQ(f.query_interface(factory, v3_audio_processor_iid, reinterpret_cast<void**>(&f3)), V3_NO_INTERFACE);
  EXPECT_EQ(f3, nullptr);
  module.reset(); // the last reference to the factory
  EXPECT_EQ(host.References(), 1);
}

TEST(Vst3FactoryTest, RefusesUnknownClassesAndInterfaces) {
  auto module = LoadModule();
  auto** factory = module->Factory();
  auto& f = Methods<v3_plugin_factory_cpp>(factory).v1;
  v3_tuid other = V3_ID(1, 2, 3, 4);
  void* instance = reinterpret_cast<void*>(1);
  EXPECT_NE(f.create_instance(factory, other, v3_component_iid, &instance), V3_OK);
  EXPECT_EQ(instance, nullptr);
  v3_tuid classId{};
  ASSERT_TRUE(module->FirstAudioClass(classId));
  instance = reinterpret_cast<void*>(1);
  EXPECT_NE(f.create_instance(factory, classId, v3_plugin_frame_iid, &instance), V3_OK);
  EXPECT_EQ(instance, nullptr);
}

TEST(Vst3FactoryTest, EveryReferenceIsReleasedToZeroAndHostObjectsAreLetGo) {
  auto module = LoadModule();
  auto** factory = module->Factory();
  // GetPluginFactory hands out a new reference each time; the last release answers 0.
  using FactoryFn = v3_plugin_factory** (*)();
  auto** second = reinterpret_cast<FactoryFn>(module->Symbol("GetPluginFactory"))();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Unref(second), 0u);

  v3_tuid classId{};
  ASSERT_TRUE(module->FirstAudioClass(classId));
  HostApplication host;
  ComponentHandler handler;
  for (int round = 0; round < 3; ++round) {
    void* object = nullptr;
    ASSERT_EQ(Methods<v3_plugin_factory_cpp>(factory).v1.create_instance(factory, classId, v3_component_iid, &object),
              V3_OK);
    auto** component = static_cast<v3_component**>(object);
    auto& c = Methods<v3_component_cpp>(component);
    EXPECT_EQ(c.base.initialize(component, host.As<v3_funknown>()), V3_OK);
    v3_audio_processor** processor = nullptr;
    v3_edit_controller** controller = nullptr;
    FixedSeedVtbl** seed = nullptr;
    ASSERT_EQ(c.query_interface(component, v3_audio_processor_iid, reinterpret_cast<void**>(&processor)), V3_OK);
    ASSERT_EQ(c.query_interface(component, v3_edit_controller_iid, reinterpret_cast<void**>(&controller)), V3_OK);
    ASSERT_EQ(c.query_interface(component, kFixedSeedIid, reinterpret_cast<void**>(&seed)), V3_OK);
    // A host that initialises the controller half as well gives the same context again.
    EXPECT_EQ(Methods<v3_edit_controller_cpp>(controller).base.initialize(controller, host.As<v3_funknown>()), V3_OK);
    EXPECT_EQ(Methods<v3_edit_controller_cpp>(controller).ctrl.set_component_handler(
                  controller, handler.As<v3_component_handler>()),
              V3_OK);
    EXPECT_EQ(handler.References(), 2);
    EXPECT_EQ(host.References(), 2);
    // The controller class id: none, the component is the controller.
    v3_tuid controllerId{};
    EXPECT_NE(c.comp.get_controller_class_id(component, controllerId), V3_OK);

    EXPECT_EQ(Unref(seed), 3u);
    EXPECT_EQ(Unref(controller), 2u);
    EXPECT_EQ(Unref(processor), 1u);
    EXPECT_EQ(c.base.terminate(component), V3_OK);
    EXPECT_EQ(host.References(), 1);
    EXPECT_EQ(handler.References(), 1);
    EXPECT_EQ(Unref(component), 0u);
  }
  // A component released without terminate still lets the host's objects go.
  void* object = nullptr;
  ASSERT_EQ(Methods<v3_plugin_factory_cpp>(factory).v1.create_instance(factory, classId, v3_component_iid, &object), V3_OK);
  auto** component = static_cast<v3_component**>(object);
  Methods<v3_component_cpp>(component).base.initialize(component, host.As<v3_funknown>());
  EXPECT_EQ(host.References(), 2);
  EXPECT_EQ(Unref(component), 0u);
  EXPECT_EQ(host.References(), 1);
}

} // namespace
} // namespace kolmari::vst3::test

namespace kolmari::vst3::test {
namespace {

// The bundle's moduleinfo.json says what the factory says: a host may read it instead.
TEST(Vst3FactoryTest, ModuleInfoMatchesTheFactory) {
  std::FILE* file = std::fopen(KOLMARI_VST3_BUNDLE "/Contents/Resources/moduleinfo.json", "rb");
  ASSERT_NE(file, nullptr);
  std::string json;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) json.append(buffer, n);
  std::fclose(file);
  auto module = LoadModule();
  v3_tuid id{};
  ASSERT_TRUE(module->FirstAudioClass(id));
  char cid[33] = {};
  // The id's text is its four words in order, which is its byte order on Linux.
  const v3_tuid words = V3_ID(0x4C4D4644, 0x6F667A6F, 0x8B1D4E2A, 0x9C37A5E1);
  EXPECT_EQ(std::memcmp(words, id, 16), 0);
  std::snprintf(cid, sizeof cid, "%08X%08X%08X%08X", 0x4C4D4644u, 0x6F667A6Fu, 0x8B1D4E2Au, 0x9C37A5E1u);
  EXPECT_NE(json.find(std::string("\"CID\": \"") + cid + "\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"Version\": \"1.1.5\""), std::string::npos);
  EXPECT_NE(json.find("\"Sub Categories\": [\"Fx\", \"Distortion\"]"), std::string::npos);
  EXPECT_NE(json.find("\"Vendor\": \"Lumenfold\""), std::string::npos);
}

} // namespace
} // namespace kolmari::vst3::test
