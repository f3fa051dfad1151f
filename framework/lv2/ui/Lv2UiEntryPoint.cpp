// The UI library's one exported symbol, lv2ui_descriptor, and the one UI behind it, which serves the
// stereo and the mono plug-in (the host names the plug-in when it instantiates the UI; its port
// numbers differ). Everything else in the library is hidden.
#include "EntryExport.h"
#include "HostCallGuard.h"
#include "IEffectLV2UI.h"
#include "PluginInstanceMaker.h"

#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

lumen::IEffectLV2UI* FromHandle(LV2UI_Handle handle) { return static_cast<lumen::IEffectLV2UI*>(handle); }

// The channels of the plug-in the host names: 2 for the stereo one, 1 for the mono one, 0 for any
// other (this UI does not know its ports).
int ChannelsOf(const char* pluginUri) {
  if (!pluginUri) return 0;
  const std::string stereo = lumen::Lv2PluginUri();
  if (stereo == pluginUri) return 2;
  if (stereo + "-mono" == pluginUri) return 1;
  return 0;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  return lumen::GuardHostCall<LV2UI_Handle>(nullptr, [&]() -> LV2UI_Handle {
    const int channels = ChannelsOf(pluginUri);
    lumen::Lv2UiHost host;
    if (!widget || channels == 0 || !lumen::ReadLv2UiHost(features, write, controller, host)) return nullptr;
    std::unique_ptr<lumen::IEffectLV2UI> ui = lumen::PluginInstanceMaker::Make<lumen::IEffectLV2UI>(
        [channels] { return lumen::MakePlugin(lumen::IInstanceInfo{channels, 48000.0}); });
    if (!ui) return nullptr;
    void* window = ui->Open(host);
    // Without its window (no display, no OpenGL) the UI is nothing: the host is told at once.
    if (!window) return nullptr;
    *widget = window;
    return ui.release();
  });
}

void Cleanup(LV2UI_Handle handle) {
  lumen::GuardHostCall([handle] {
    std::unique_ptr<lumen::IEffectLV2UI> ui(FromHandle(handle));
    if (ui) ui->Close();
  });
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
  if (lumen::IEffectLV2UI* ui = FromHandle(handle))
    lumen::GuardHostCall([=] { ui->PortEvent(port, bufferSize, format, buffer); });
}

int Idle(LV2UI_Handle handle) {
  lumen::IEffectLV2UI* ui = FromHandle(handle);
  return ui ? lumen::GuardHostCall(0, [ui] { return ui->Idle(); }) : 1;
}

const LV2UI_Idle_Interface kIdle{&Idle};

const void* ExtensionData(const char* uri) {
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
  return nullptr;
}

// The URI is made once, on the first call, and kept until the library is unloaded.
struct Descriptor {
  std::string uri = lumen::Lv2UiUri();
  LV2UI_Descriptor ui{uri.c_str(), &Instantiate, &Cleanup, &PortEvent, &ExtensionData};
};

const Descriptor* TheDescriptor() {
  static const Descriptor* descriptor = lumen::GuardHostCall<const Descriptor*>(nullptr, [] {
    static const Descriptor made;
    return &made;
  });
  return descriptor;
}

} // namespace

extern "C" KOLMARI_ENTRY_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  const Descriptor* d = TheDescriptor();
  return d && index == 0 ? &d->ui : nullptr;
}
