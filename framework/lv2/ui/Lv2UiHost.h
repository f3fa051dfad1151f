#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>

namespace lumen {

// What an LV2 host hands a UI at instantiation, read from its feature list. Only write and parent
// are required; every other member stays null (or 0) where the host does not give it.
struct Lv2UiHost {
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  // ui:parent: the X11 window to open the editor in.
  void* parent = nullptr;
  // ui:resize: the UI tells the host its size (on open, and when the editor's grip resizes it).
  const LV2UI_Resize* resize = nullptr;
  // ui:touch: the host hears when a gesture on a port begins and ends.
  const LV2UI_Touch* touch = nullptr;
  // ui:scaleFactor from the options (read through urid:map): the host's scale, 0 where not told.
  float scaleFactor = 0.0f;
};

// Reads the features the UI uses from a host's NULL-terminated list (which may itself be NULL).
// False when a required one is missing or unusable (no write function, no parent); a feature with
// NULL data or a function missing is treated as absent. A scale factor that is not a number in
// 0.25..8 is ignored.
bool ReadLv2UiHost(const LV2_Feature* const* features, LV2UI_Write_Function write, LV2UI_Controller controller,
                   Lv2UiHost& host);

} // namespace lumen
