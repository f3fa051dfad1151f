#pragma once

#include "CommandLine.h"

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace kolmari::render {

// The program as a whole: parses the arguments, runs the chosen mode and turns every failure into
// one "kolmari-render: error: ..." line and a non-zero exit status. The report goes to `out`,
// errors and the progress bar to `err`.
class RenderApp {
public:
  struct Environment {
    std::ostream& out;
    std::ostream& err;
    bool progressBar = false;                 // typically: standard error is a terminal
    std::function<bool()> interrupted = [] { return false; };
  };

  static constexpr std::string_view kProgramName = "kolmari-render";

  explicit RenderApp(Environment environment);

  int Run(std::span<const std::string_view> args);

  // "kolmari-render 1.1.5 (...)" with the project's version and the audio library's.
  static std::string VersionText();

private:
  void List(const RenderOptions& options);
  void ListPresets(const RenderOptions& options);
  void MakeDemo(const RenderOptions& options);
  void Render(const RenderOptions& options);
  void SaveState(const RenderOptions& options);

  Environment mEnv;
};

} // namespace kolmari::render
