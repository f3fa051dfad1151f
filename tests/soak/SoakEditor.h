#pragma once

// The editor's part of the soak: now and then the plug-in's editor is opened into a window as a
// Linux host opens it, given the host's idle calls while the audio steps go on, and closed again.
// Everything runs on the soak's one thread, between its steps.

#include "VstPluginInstance.h"

#include <memory>
#include <string>

namespace lumen::canvas {
class X11HostWindow;
}

namespace kolmari::soak {

class SoakEditor {
public:
  // Null, with the reason in note, when there is no X display to open the editor on.
  static std::unique_ptr<SoakEditor> Create(testhost::VstPluginInstance& plugin, std::string& note);
  ~SoakEditor();

  // Called before each step with the step's place in the interval between memory checkpoints
  // (0 ... every - 1): opens the editor a quarter into the interval, idles it every step for a
  // stretch and closes it well before the checkpoint, so that memory is always compared with the
  // editor closed. Returns what went wrong, or empty. An editor that cannot open the first time
  // (no OpenGL on this display) is noted and left out; one that opened once and then does not is
  // a failure.
  std::string Step(long phase, long every);

  int Opens() const { return mOpens; }
  bool Disabled() const { return mDisabled; }

private:
  SoakEditor(testhost::VstPluginInstance& plugin, std::unique_ptr<lumen::canvas::X11HostWindow> host);

  testhost::VstPluginInstance& mPlugin;
  std::unique_ptr<lumen::canvas::X11HostWindow> mHost;
  bool mOpen = false;
  bool mDisabled = false;
  int mOpens = 0;
};

} // namespace kolmari::soak
