#include "SoakEditor.h"

#include "VstEffectOpcodes.h"
#include "X11HostWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kolmari::soak {

namespace {

// Steps the editor stays open in each interval: long enough for frames to be drawn as the values
// change, short enough to keep the soak's run time.
constexpr long kOpenSteps = 100;

} // namespace

using lumen::canvas::X11HostWindow;
using namespace lumen::vst2;

std::unique_ptr<SoakEditor> SoakEditor::Create(testhost::VstPluginInstance& plugin, std::string& note) {
  if (std::getenv("DISPLAY") == nullptr) {
    note = "no X display (DISPLAY is not set)";
    return nullptr;
  }
  auto host = X11HostWindow::Create(815, 505);
  if (!host) {
    note = "the X display does not answer";
    return nullptr;
  }
  return std::unique_ptr<SoakEditor>(new SoakEditor(plugin, std::move(host)));
}

SoakEditor::SoakEditor(testhost::VstPluginInstance& plugin, std::unique_ptr<X11HostWindow> host)
    : mPlugin(plugin), mHost(std::move(host)) {}

SoakEditor::~SoakEditor() {
  if (mOpen) mPlugin.Dispatch(effEditClose);
}

std::string SoakEditor::Step(long phase, long every) {
  if (mDisabled) return {};
  const long openAt = every / 4;
  const long closeAt = std::min(openAt + kOpenSteps, every / 2);
  if (phase == openAt && !mOpen) {
    if (mPlugin.Dispatch(effEditOpen, 0, 0, mHost->Handle()) != 1) {
      if (mOpens > 0) {
        std::string failure = "the editor did not open again (it opened ";
        failure += std::to_string(mOpens);
        failure += " times before)";
        return failure;
      }
      std::printf("soak: the editor does not open on this display (no OpenGL 2.1?): its steps are left out\n");
      mDisabled = true;
      return {};
    }
    mOpen = true;
    ++mOpens;
  }
  if (!mOpen) return {};
  mPlugin.Dispatch(effEditIdle);
  if (phase >= closeAt) {
    mPlugin.Dispatch(effEditClose);
    mOpen = false;
    if (mHost->ChildCount() != 0) return "the editor's window stayed after it closed";
  }
  return {};
}

} // namespace kolmari::soak
