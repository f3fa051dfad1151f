#include "Lv2UiHost.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace lumen {

namespace {

const void* FeatureData(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (const LV2_Feature* const* f = features; *f; ++f) {
    if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
  }
  return nullptr;
}

// The host's scale factor among its options: a float under the key ui:scaleFactor. The keys are
// URIDs, so without the host's map there is nothing to compare them with.
float ScaleFactor(const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!map || !map->map || !options) return 0.0f;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  if (key == 0 || floatType == 0) return 0.0f;
  // A list ends at an option with key 0; the count keeps a list without that end from running away.
  constexpr int kMaxOptions = 256;
  for (int i = 0; i < kMaxOptions && options[i].key != 0; ++i) {
    const LV2_Options_Option& o = options[i];
    if (o.key != key || o.type != floatType || o.size != sizeof(float) || !o.value) continue;
    float scale = 0.0f;
    std::memcpy(&scale, o.value, sizeof scale);
    return scale >= 0.25f && scale <= 8.0f ? scale : 0.0f;
  }
  return 0.0f;
}

} // namespace

bool ReadLv2UiHost(const LV2_Feature* const* features, LV2UI_Write_Function write, LV2UI_Controller controller,
                   Lv2UiHost& host) {
  host = Lv2UiHost{};
  host.write = write;
  host.controller = controller;
  host.parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  const auto* resize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
  if (resize && resize->ui_resize) host.resize = resize;
  const auto* touch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));
  if (touch && touch->touch) host.touch = touch;
  host.scaleFactor = ScaleFactor(features);
  return host.write && host.parent;
}

} // namespace lumen
