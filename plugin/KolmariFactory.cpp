// The one instance the VST 2.4 entry point makes per call, with the editor of the platform the
// binary is built for.
#include "Kolmari.h"

#if defined(__linux__)
#include "ICanvasX11.h"
#include "KolmariEditor.h"
#elif defined(_WIN32)
#include "ICanvasWin.h"
#include "KolmariEditor.h"
#include "PluginModule.h"
#endif

lumen::IEffectVST2* lumen::MakePlugin(const IInstanceInfo& info) {
  auto* plugin = new kolmari::Kolmari(info);
#if defined(__linux__)
  kolmari::InstallEditor(*plugin, [](ICanvasEditorDelegate& delegate, int width, int height, int fps, float drawScale) {
    return std::make_unique<canvas::ICanvasX11>(&delegate, width, height, fps, drawScale);
  });
#elif defined(_WIN32)
  kolmari::InstallEditor(*plugin, [](ICanvasEditorDelegate& delegate, int width, int height, int fps, float drawScale) {
    auto surface = std::make_unique<canvas::ICanvasWin>(&delegate, width, height, fps, drawScale);
    // The window class and the resources belong to the plug-in's DLL, not to the host.
    surface->SetModuleHandle(vst2::PluginModuleHandle());
    return surface;
  });
#endif
  return plugin;
}
