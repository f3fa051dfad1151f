#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lumen {
class EditorSession;
class UserPresetStore;
class ICanvasEditorDelegate;
class IEffectAPIBase;
namespace canvas {
class ICanvas;
class IResourceTable;
} // namespace canvas
} // namespace lumen

namespace kolmari {

// The editor's design: 1630 x 1010 logical units, redrawn up to 60 times a second, first shown at
// draw scale 0.5 (and scalable between 0.25 and 1.0 with the corner grip).
inline constexpr int kEditorWidth = 1630;
inline constexpr int kEditorHeight = 1010;
inline constexpr int kEditorFPS = 60;
inline constexpr float kEditorInitialScale = 0.5f;

// Makes the drawing surface of the platform the program runs on (the offscreen surface in tools and
// tests) for a delegate, a logical size, a frame rate and a draw scale.
using SurfaceMaker = std::function<std::unique_ptr<lumen::canvas::ICanvas>(lumen::ICanvasEditorDelegate& delegate,
                                                                           int width, int height, int fps,
                                                                           float drawScale)>;

// The graphics factory: a surface of the design size at the initial scale, looking its pictures and
// font up in the resources compiled into this binary.
std::unique_ptr<lumen::canvas::ICanvas> MakeEditorSurface(lumen::ICanvasEditorDelegate& delegate,
                                                          const SurfaceMaker& makeSurface);

// The layout function: fills a fresh surface with the editor's controls; a surface that already
// has controls is left as it is (the layout runs again after every resize). With a session, the
// preset bar, the A/B buttons and the undo keys work on it; with a store, user presets too.
void LayoutEditor(lumen::canvas::ICanvas& ui, const std::string& versionLabel, lumen::EditorSession* session = nullptr,
                  lumen::UserPresetStore* store = nullptr);

// "v1.1.5 x86-64 VST2": the packed version, the architecture and the plug-in interface's name.
std::string VersionLabel(int32_t packedVersion, const char* apiName);

// Gives the plug-in its editor, in whichever format it is built: the factory (through makeSurface)
// and the layout.
void InstallEditor(lumen::IEffectAPIBase& plugin, SurfaceMaker makeSurface);

// The pictures and font compiled into this binary, as the surface searches them.
const lumen::canvas::IResourceTable& EditorResources();

} // namespace kolmari
