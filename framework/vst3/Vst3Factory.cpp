#include "Vst3Factory.h"

#include "Vst3ClassInfo.h"
#include "Vst3Component.h"
#include "Vst3Strings.h"

#include <cstring>

#ifndef LUMEN_VST3_CLASS_VERSION
#error "the build names the class version"
#endif

namespace lumen::vst3 {

namespace {

constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr int32_t kUnicodeFactory = 0x10;


v3_result V3_API GetFactoryInfo(void*, v3_factory_info* info) {
  if (!info) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  CopyAscii(info->vendor, kVendor);
  CopyAscii(info->url, kUrl);
  CopyAscii(info->email, kEmail);
  info->flags = kUnicodeFactory;
  return V3_OK;
}

int32_t V3_API NumClasses(void*) { return 1; }

v3_result V3_API GetClassInfo(void*, int32_t index, v3_class_info* info) {
  if (!info || index != 0) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->class_id, kComponentClassId, sizeof(v3_tuid));
  info->cardinality = kManyInstances;
  CopyAscii(info->category, kCategory);
  CopyAscii(info->name, kClassName);
  return V3_OK;
}

v3_result V3_API GetClassInfo2(void*, int32_t index, v3_class_info_2* info) {
  if (!info || index != 0) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->class_id, kComponentClassId, sizeof(v3_tuid));
  info->cardinality = kManyInstances;
  CopyAscii(info->category, kCategory);
  CopyAscii(info->name, kClassName);
  info->class_flags = 0; // processor and controller cannot run apart
  CopyAscii(info->sub_categories, kSubCategories);
  CopyAscii(info->vendor, kVendor);
  CopyAscii(info->version, LUMEN_VST3_CLASS_VERSION);
  CopyAscii(info->sdk_version, kSdkVersion);
  return V3_OK;
}

v3_result V3_API GetClassInfoUtf16(void*, int32_t index, v3_class_info_3* info) {
  if (!info || index != 0) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->class_id, kComponentClassId, sizeof(v3_tuid));
  info->cardinality = kManyInstances;
  CopyAscii(info->category, kCategory);
  CopyUtf16(info->name, kClassName);
  info->class_flags = 0;
  CopyAscii(info->sub_categories, kSubCategories);
  CopyUtf16(info->vendor, kVendor);
  CopyUtf16(info->version, LUMEN_VST3_CLASS_VERSION);
  CopyUtf16(info->sdk_version, kSdkVersion);
  return V3_OK;
}

v3_result V3_API CreateInstance(void*, const v3_tuid classId, const v3_tuid iid, void** instance) {
  if (!instance) return V3_INVALID_ARG;
  *instance = nullptr;
  if (!classId || !iid || !v3_tuid_match(classId, kComponentClassId)) return V3_NO_INTERFACE;
  Vst3Component* component = Vst3Component::Create();
  if (!component) return V3_NOMEM;
  *instance = component->Interface(iid);
  component->Release(); // the reference the answer holds, if any, is the only one left
  return *instance ? V3_OK : V3_NO_INTERFACE;
}

v3_result V3_API SetHostContext(void* self, v3_funknown** context) {
  Vst3Factory::FromSelf(self)->SetHostContext(context);
  return V3_OK;
}

constexpr v3_plugin_factory_cpp kFactory{
    Vst3Factory::kUnknown,
    {&GetFactoryInfo, &NumClasses, &GetClassInfo, &CreateInstance},
    {&GetClassInfo2},
    {&GetClassInfoUtf16, &SetHostContext}};

} // namespace

Vst3Factory::Vst3Factory() : mFactory{&kFactory, this} {}

Vst3Factory::~Vst3Factory() { SetHostContext(nullptr); }

v3_plugin_factory** Vst3Factory::Create() {
  auto* factory = new Vst3Factory();
  return reinterpret_cast<v3_plugin_factory**>(&factory->mFactory);
}

void* Vst3Factory::Interface(const v3_tuid iid) {
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_factory_iid) ||
      v3_tuid_match(iid, v3_plugin_factory_2_iid) || v3_tuid_match(iid, v3_plugin_factory_3_iid)) {
    AddRef();
    return &mFactory;
  }
  return nullptr;
}

void Vst3Factory::SetHostContext(v3_funknown** context) {
  if (context == mHostContext) return;
  if (context) Ref(context);
  if (mHostContext) Unref(mHostContext);
  mHostContext = context;
}

} // namespace lumen::vst3
