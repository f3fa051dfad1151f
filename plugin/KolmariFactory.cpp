// The one instance a binding's entry point makes per call, with the editor of the platform the
// binary is built for. The binding declares MakePlugin; its PluginBase.h names the type it returns.
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "PluginModule.h"

#if defined(__linux__)
#include "ICanvasX11.h"
#elif defined(_WIN32)
#include "ICanvasWin.h"
#endif

lumen::IEffectSettings lumen::PluginSettings() { return kolmari::Kolmari::Settings(); }

lumen::PluginBase* lumen::MakePlugin(const IInstanceInfo& info) {
  auto* plugin = new kolmari::Kolmari(info);
#if defined(__linux__)
  kolmari::InstallEditor(*plugin, [](ICanvasEditorDelegate& delegate, int width, int height, int fps, float drawScale) {
    return std::make_unique<canvas::ICanvasX11>(&delegate, width, height, fps, drawScale);
  });
#elif defined(_WIN32)
  kolmari::InstallEditor(*plugin, [](ICanvasEditorDelegate& delegate, int width, int height, int fps, float drawScale) {
    auto surface = std::make_unique<canvas::ICanvasWin>(&delegate, width, height, fps, drawScale);
    // The window class and the resources belong to the plug-in's DLL, not to the host.
    surface->SetModuleHandle(PluginModuleHandle());
    return surface;
  });
#endif
  return plugin;
}
