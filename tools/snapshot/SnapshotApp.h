#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace kolmari::snapshot {

// What a kolmari-snapshot command line asks for.
struct SnapshotOptions {
  float scale = 0.5f;
  std::vector<std::pair<std::string, std::string>> settings; // "NAME=VALUE", in order
  std::string stateIn;
  std::string preset; // a factory preset's name or an .fxp file, applied after the state, before the settings
  std::string hover; // a parameter whose control shows its value readout, as under a resting pointer
  std::string menu;  // a parameter whose control's right-click menu is open
  std::string output;
  bool help = false;
};

// Reads the arguments (without the program name); throws a usage ToolError for anything it cannot
// use: an unknown option, a missing value, a scale that is no number or outside 0.25 ... 1.0, a
// setting without "=", no output or more than one.
SnapshotOptions ParseSnapshotArguments(const std::vector<std::string>& args);

// Builds a Kolmari in this process, applies the state file, the preset and the settings, opens its
// editor offscreen at the scale, shows the value readout of the hovered parameter's control and the
// right-click menu of the menu parameter's control if asked for, draws one full frame and writes it
// as a PNG of round(1630 x scale) by
// round(1010 x scale) pixels. Throws a ToolError (unknown parameter, value out of range, unreadable
// state, unwritable output, no usable OpenGL).
void RunSnapshot(const SnapshotOptions& options, std::ostream& out);

// The whole program: arguments, run, one-line errors on err; returns the exit status.
int SnapshotMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kolmari::snapshot
