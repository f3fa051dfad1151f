// The editor's drawing offscreen (EGL, llvmpipe on machines without a GPU): a full frame at the
// two usual scales, the redraw after one knob moved, and opening the editor; and, in an X11
// window when there is a display, a drag frame with its present. Each measured draw
// waits for OpenGL to finish, so the figures are what a display tick costs.
//
// Mesa's software renderer shades on worker threads of its own (LP_NUM_THREADS of them, by default
// one per core), so the time of the calling thread says nothing: every case reports wall time and
// the CPU time of the whole process. Run a Release build on a quiet machine: other work on the
// cores stretches the wall time (the header shows the load average and the renderer's threads).

#include "ICanvasOffscreen.h"
#include "ICanvasX11.h"
#include "IControl.h"
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "X11HostWindow.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

using namespace lumen::canvas;
using kolmari::Kolmari;

namespace {

std::unique_ptr<Kolmari> MakePlugin()
{
  auto plugin = std::make_unique<Kolmari>(lumen::IInstanceInfo{});
  kolmari::InstallEditor(*plugin, [](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
    return std::unique_ptr<ICanvas>(std::make_unique<ICanvasOffscreen>(&delegate, w, h, fps, scale));
  });
  return plugin;
}

ICanvasOffscreen* OpenAt(Kolmari& plugin, float scale, benchmark::State& state)
{
  auto* ui = plugin.OpenEditor(nullptr) != nullptr ? dynamic_cast<ICanvasOffscreen*>(plugin.Editor()) : nullptr;
  if (ui == nullptr) {
    state.SkipWithError("no usable OpenGL");
    return nullptr;
  }
  ui->ResizeSurface(kolmari::kEditorWidth, kolmari::kEditorHeight, scale);
  ui->DrawFullFrame();
  ui->DrawDirty();
  state.SetLabel(ui->RendererName());
  return ui;
}

void FullFrame(benchmark::State& state, float scale)
{
  auto plugin = MakePlugin();
  ICanvasOffscreen* ui = OpenAt(*plugin, scale, state);
  if (ui == nullptr) return;
  for (auto _ : state) ui->DrawFullFrame();
  plugin->CloseEditor();
}

// One knob moves (the host changes "Input Gain"): the tick redraws only its three controls.
void OneKnobRedraw(benchmark::State& state)
{
  auto plugin = MakePlugin();
  ICanvasOffscreen* ui = OpenAt(*plugin, 0.5f, state);
  if (ui == nullptr) return;
  double value = 0.2;
  for (auto _ : state) {
    value = value == 0.2 ? 0.8 : 0.2;
    plugin->DeliverParamValue(kolmari::kInputGain, value, true);
    benchmark::DoNotOptimize(ui->DrawDirty());
  }
  plugin->CloseEditor();
}

// Factory, layout (decoding every picture) and the first frame, as a host's editor open costs it.
void OpenEditor(benchmark::State& state)
{
  auto plugin = MakePlugin();
  for (auto _ : state) {
    if (plugin->OpenEditor(nullptr) == nullptr) {
      state.SkipWithError("no usable OpenGL");
      return;
    }
    static_cast<ICanvasOffscreen*>(plugin->Editor())->DrawFullFrame();
    plugin->CloseEditor();
  }
}

// A drag frame as a user turning a knob causes it, in a real X11 editor window (needs DISPLAY, for
// example xvfb-run with +extension GLX): one mouse move on "Input Gain", then the tick that redraws
// its controls and presents them. partial: only the changed pixels go to the window (when the
// server offers GLX_MESA_copy_sub_buffer); whole: every frame is presented whole, as before.
// The CPU time is this process's; the X server's own copy (a shared-memory put) is not in it.
void DragFrame(benchmark::State& state, bool partial)
{
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no X display (run inside xvfb-run)");
    return;
  }
  auto host = X11HostWindow::Create(815, 505);
  Kolmari plugin(lumen::IInstanceInfo{});
  kolmari::InstallEditor(plugin, [](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
    return std::unique_ptr<ICanvas>(std::make_unique<ICanvasX11>(&delegate, w, h, fps, scale));
  });
  auto* ui = host && plugin.OpenEditor(host->Handle()) != nullptr ? dynamic_cast<ICanvasX11*>(plugin.Editor()) : nullptr;
  if (ui == nullptr) {
    state.SkipWithError("no X11 editor (no display or no usable GLX)");
    return;
  }
  ui->SetPartialPresent(partial);
  for (int i = 0; i < 4; ++i) ui->Pump(true); // the whole first frames
  if (partial && !ui->PresentsParts()) {
    state.SkipWithError("the X server copies no parts of the back buffer");
    plugin.CloseEditor();
    return;
  }
  IRectF knob;
  ui->ForEachControl([&](IControl& control) {
    if (knob.Empty() && control.ParamIdx() == kolmari::kInputGain) knob = control.GetRect();
  });
  IMouseState left;
  left.left = true;
  const float x = knob.MW();
  const float y = knob.MH();
  ui->OnMouseDown({IMouseEvent{x, y, 0.0f, 0.0f, left}});
  float dy = -4.0f;
  for (auto _ : state) {
    dy = -dy; // up and down, so the value never reaches an end and stops moving
    ui->OnMouseDrag({IMouseEvent{x, y + dy, 0.0f, dy, left}});
    ui->Pump(true);
  }
  ui->OnMouseUp({IMouseEvent{x, y, 0.0f, 0.0f, left}});
  state.SetLabel(partial ? "changed parts presented" : "whole window presented");
  plugin.CloseEditor();
}

std::string RendererThreads()
{
  const char* threads = std::getenv("LP_NUM_THREADS");
  if (threads != nullptr && *threads != '\0') return std::string(threads) + " (LP_NUM_THREADS)";
  return std::to_string(std::thread::hardware_concurrency()) + " (one per core, LP_NUM_THREADS unset)";
}

} // namespace

BENCHMARK_CAPTURE(FullFrame, scale1.0, 1.0f)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(FullFrame, scale0.5, 0.5f)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(OneKnobRedraw)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(DragFrame, partial, true)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(DragFrame, whole, false)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(OpenEditor)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("llvmpipe_threads", RendererThreads());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
