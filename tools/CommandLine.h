#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kolmari::render {

// One "--set NAME=VALUE" as typed; the name is checked against the plug-in later.
struct ParameterAssignment {
  std::string name;
  double value = 0.0;
  std::string text; // NAME=VALUE as given, for messages
};

struct RenderOptions {
  // SaveState: --state-out without INPUT and OUTPUT writes the settings and renders nothing.
  enum class Mode { Render, List, ListPresets, Help, Version, MakeDemo, SaveState };

  static constexpr int kDefaultBlockSize = 512;
  static constexpr int kMinBlockSize = 1;
  static constexpr int kMaxBlockSize = 65536;
  static constexpr int kDefaultDemoRate = 44100;
  static constexpr int kMinDemoRate = 8000;
  static constexpr int kMaxDemoRate = 384000;

  Mode mode = Mode::Render;
  std::string input;
  std::string output; // the render's output, or the demo signal's file
  std::vector<ParameterAssignment> assignments;
  std::string plugin;   // --plugin; empty: the Kolmari binary found by EffectPlugin::DefaultPath
  std::string stateIn;  // program state loaded before the preset and the assignments
  std::string preset;   // --preset: a factory preset's name or an .fxp file, applied before the assignments
  std::string stateOut; // program state written after them
  int blockSize = kDefaultBlockSize;
  bool doublePrecision = false;
  std::optional<uint32_t> seed; // --seed: the plug-in's random draws seeded from it, reproducibly
  int demoRate = kDefaultDemoRate;
};

// Turns the arguments after the program name into options. Throws a usage ToolError for anything
// it cannot use; it never looks at the files themselves.
class CommandLine {
public:
  static RenderOptions Parse(std::span<const std::string_view> args);
  static std::string Usage();
};

} // namespace kolmari::render
