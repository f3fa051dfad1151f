// The one instance the VST 2.4 entry point makes per call, with the editor of the platform the
// binary is built for.
#include "Kolmari.h"

#if defined(__linux__)
#include "ICanvasX11.h"
#include "KolmariEditor.h"
#endif

lumen::IEffectVST2* lumen::MakePlugin(const IInstanceInfo& info) {
  auto* plugin = new kolmari::Kolmari(info);
#if defined(__linux__)
  kolmari::InstallEditor(*plugin, [](ICanvasEditorDelegate& delegate, int width, int height, int fps, float drawScale) {
    return std::make_unique<canvas::ICanvasX11>(&delegate, width, height, fps, drawScale);
  });
#endif
  return plugin;
}
