#include "CommandLine.h"

#include "Numbers.h"
#include "ToolError.h"

#include <optional>

namespace kolmari::render {

namespace {

using Mode = RenderOptions::Mode;

// Hands out the arguments one at a time and knows the "--name=value" form.
class ArgumentCursor {
public:
  explicit ArgumentCursor(std::span<const std::string_view> args) : mArgs(args) {}

  bool Done() const { return mNext >= mArgs.size(); }
  std::string_view Next() { return mArgs[mNext++]; }

  // The value of an option given as "--name VALUE" or "--name=VALUE".
  std::string_view ValueFor(std::string_view option, const std::optional<std::string_view>& inlineValue) {
    if (inlineValue) return *inlineValue;
    if (Done()) throw UsageError(std::string(option) + " needs a value (see --help)");
    return Next();
  }

private:
  std::span<const std::string_view> mArgs;
  size_t mNext = 0;
};

ParameterAssignment ParseAssignment(std::string_view text) {
  const std::string shown(text);
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    throw UsageError("--set expects NAME=VALUE, got '" + shown + "'");
  std::string_view name = text.substr(0, equals);
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  if (name.empty()) throw UsageError("--set expects NAME=VALUE, got '" + shown + "': the name is missing");
  const std::string_view valueText = text.substr(equals + 1);
  const auto value = ParseNumber(valueText);
  if (!value)
    throw UsageError("--set " + shown + ": '" + std::string(valueText) + "' is not a number");
  return ParameterAssignment{std::string(name), *value, shown};
}

int ParseBounded(std::string_view option, std::string_view text, int min, int max) {
  const auto value = ParseInteger(text);
  if (!value || *value < min || *value > max)
    throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + std::string(text) + "'");
  return static_cast<int>(*value);
}

} // namespace

RenderOptions CommandLine::Parse(std::span<const std::string_view> args) {
  RenderOptions options;
  // Asking for help or the version is answered whatever else is on the line, mistakes included.
  for (const std::string_view arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      options.mode = Mode::Help;
      return options;
    }
    if (arg == "--version") options.mode = Mode::Version;
  }
  if (options.mode == Mode::Version) return options;

  ArgumentCursor cursor(args);
  std::vector<std::string> positionals;
  bool list = false;
  bool listPresets = false;
  bool makeDemo = false;
  bool rateGiven = false;
  std::string firstRenderOption; // the first option that only makes sense for a render
  std::string firstAudioOption;  // the first one of those that only makes sense with audio files
  const auto renderOption = [&](const char* name, bool audio) {
    if (firstRenderOption.empty()) firstRenderOption = name;
    if (audio && firstAudioOption.empty()) firstAudioOption = name;
  };
  // A file name for an option that names one; empty is never a file.
  const auto fileFor = [&](std::string_view option, const std::optional<std::string_view>& inlineValue) {
    std::string file(cursor.ValueFor(option, inlineValue));
    if (file.empty()) throw UsageError(std::string(option) + " needs a file name");
    return file;
  };

  bool optionsEnded = false;
  while (!cursor.Done()) {
    const std::string_view arg = cursor.Next();
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positionals.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }

    std::string_view name = arg;
    std::optional<std::string_view> inlineValue;
    if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      inlineValue = arg.substr(equals + 1);
    }
    const auto noValue = [&] {
      if (inlineValue) throw UsageError(std::string(name) + " takes no value");
    };

    if (name == "--list") {
      noValue();
      list = true;
    } else if (name == "--list-presets") {
      noValue();
      listPresets = true;
    } else if (name == "--preset") {
      options.preset = std::string(cursor.ValueFor(name, inlineValue));
      if (options.preset.empty()) throw UsageError("--preset needs a preset's name or an .fxp file");
      renderOption("--preset", false);
    } else if (name == "--set") {
      options.assignments.push_back(ParseAssignment(cursor.ValueFor(name, inlineValue)));
      renderOption("--set", false);
    } else if (name == "--block") {
      options.blockSize = ParseBounded(name, cursor.ValueFor(name, inlineValue), RenderOptions::kMinBlockSize,
                                       RenderOptions::kMaxBlockSize);
      renderOption("--block", true);
    } else if (name == "--double") {
      noValue();
      options.doublePrecision = true;
      renderOption("--double", true);
    } else if (name == "--seed") {
      const std::string_view text = cursor.ValueFor(name, inlineValue);
      const auto value = ParseInteger(text);
      if (!value || *value < 0 || *value > 0xFFFFFFFFll)
        throw UsageError("--seed must be a whole number from 0 to 4294967295, not '" + std::string(text) + "'");
      options.seed = static_cast<uint32_t>(*value);
      renderOption("--seed", true);
    } else if (name == "--plugin") {
      options.plugin = fileFor(name, inlineValue);
    } else if (name == "--state-in") {
      options.stateIn = fileFor(name, inlineValue);
      renderOption("--state-in", false);
    } else if (name == "--state-out") {
      options.stateOut = fileFor(name, inlineValue);
      renderOption("--state-out", false);
    } else if (name == "--make-demo") {
      options.output = fileFor(name, inlineValue);
      makeDemo = true;
    } else if (name == "--rate") {
      options.demoRate = ParseBounded(name, cursor.ValueFor(name, inlineValue), RenderOptions::kMinDemoRate,
                                      RenderOptions::kMaxDemoRate);
      rateGiven = true;
    } else {
      throw UsageError("unknown option '" + std::string(arg) + "' (see --help)");
    }
  }

  if (list && makeDemo) throw UsageError("--list and --make-demo cannot be combined");
  if (listPresets && (list || makeDemo))
    throw UsageError(std::string("--list-presets and ") + (list ? "--list" : "--make-demo") + " cannot be combined");
  if (listPresets) {
    if (!firstRenderOption.empty()) throw UsageError(firstRenderOption + " cannot be combined with --list-presets");
    if (!positionals.empty())
      throw UsageError(std::string("--list-presets takes no INPUT or OUTPUT, got '") + positionals.front() + "'");
    options.mode = Mode::ListPresets;
    return options;
  }
  if (rateGiven && !makeDemo) throw UsageError("--rate only applies to --make-demo");

  if (list || makeDemo) {
    const char* what = list ? "--list" : "--make-demo";
    if (!firstRenderOption.empty()) throw UsageError(firstRenderOption + " cannot be combined with " + what);
    if (makeDemo && !options.plugin.empty()) throw UsageError("--plugin cannot be combined with --make-demo");
    if (!positionals.empty())
      throw UsageError(std::string(what) + " takes no INPUT or OUTPUT, got '" + positionals.front() + "'");
    options.mode = list ? Mode::List : Mode::MakeDemo;
    return options;
  }

  // Saving settings alone needs no audio.
  if (positionals.empty() && !options.stateOut.empty()) {
    if (!firstAudioOption.empty()) throw UsageError(firstAudioOption + " needs INPUT and OUTPUT files");
    options.mode = Mode::SaveState;
    return options;
  }

  if (positionals.size() < 2) throw UsageError("expected INPUT and OUTPUT files (see --help)");
  if (positionals.size() > 2) throw UsageError("unexpected argument '" + positionals[2] + "' after INPUT and OUTPUT");
  options.input = positionals[0];
  options.output = positionals[1];
  if (options.stateOut == options.output) throw UsageError("--state-out and OUTPUT name the same file");
  return options;
}

// The help text names this system's plug-in file, folders, audio formats and interruptions.
#ifdef _WIN32
#define KOLMARI_USAGE_PLUGIN "Kolmari.dll"
#define KOLMARI_USAGE_FOLDERS "the VST folders\n                     such as %ProgramFiles%\\VSTPlugins"
// Without libsndfile this build reads WAV files only.
#define KOLMARI_USAGE_FORMATS                                                                          \
  "and a WAV file (also\n"                                                                            \
  "WAVE_FORMAT_EXTENSIBLE): this build reads no other format. Samples may be 8, 16, 24 or 32-bit\n"  \
  "integer or 32 or 64-bit float."
#define KOLMARI_USAGE_INTERRUPTED "  130  interrupted (Ctrl-C); no output is left behind\n"
#else
#define KOLMARI_USAGE_PLUGIN "Kolmari.so"
#define KOLMARI_USAGE_FOLDERS "the VST folders such as ~/.vst"
#define KOLMARI_USAGE_FORMATS                                                                          \
  "in any format the audio library reads: WAV (also\n"                                               \
  "WAVE_FORMAT_EXTENSIBLE and RF64), AIFF, FLAC, Ogg Vorbis, Ogg Opus and others, with 8, 16, 24 or\n" \
  "32-bit integer or 32 or 64-bit float samples."
#define KOLMARI_USAGE_INTERRUPTED \
  "  130  interrupted (SIGINT, Ctrl-C); 143: terminated (SIGTERM); no output is left behind\n"
#endif

std::string CommandLine::Usage() {
  return R"(usage: kolmari-render [options] INPUT OUTPUT
       kolmari-render [--plugin PATH] [--state-in FILE] [--set NAME=VALUE]... --state-out FILE
       kolmari-render [--plugin PATH] --list
       kolmari-render [--plugin PATH] --list-presets
       kolmari-render --make-demo FILE [--rate HZ]
       kolmari-render --help | --version

Runs an audio file through the Kolmari plug-in ()" KOLMARI_USAGE_PLUGIN R"(, loaded as a host loads it) or another
VST 2.4, CLAP, VST3 or LV2 effect, and writes the result as a 32-bit float WAV file with the input's
sample rate and channel count. INPUT may be mono or stereo, )" KOLMARI_USAGE_FORMATS R"(

options:
  --plugin PATH      the plug-in to render through: VST 2.4, CLAP for a file ending in .clap,
                     VST3 for a bundle ending in .vst3, or LV2 for a bundle folder ending in .lv2
                     (Linux; 32-bit only) (default: the )" KOLMARI_USAGE_PLUGIN R"(
                     built with this program, else one beside it or in )" KOLMARI_USAGE_FOLDERS R"()
  --set NAME=VALUE   set a parameter by name (any case) to a value in its own units, as the
                     plug-in displays it, e.g. --set "Input Gain=80" --set Wet=100; may be repeated
  --state-in FILE    load settings saved by --state-out (the plug-in's program chunk; for LV2 a
                     preset in Turtle, the port values) before any --set; any other file is
                     refused
  --preset NAME      apply Kolmari's factory preset NAME (exact, case included) or the program
                     file (.fxp) at that path, after --state-in and before any --set; each format
                     loads it its own way (LV2: the bundle's preset data, VST3: the .vstpreset)
  --list-presets     print the factory presets, "Category: Name" a line
  --state-out FILE   save the settings after --state-in and --set; without INPUT and OUTPUT
                     nothing is rendered
  --block N          frames per processing block, 1 to 65536 (default 512)
  --double           process through the 64-bit path instead of the 32-bit one
  --seed N           make the render reproducible: the plug-in seeds its random drift from N
                     (0 to 4294967295) instead of the system's random source, so two renders
                     with the same seed and settings are identical bit for bit; refused for a
                     plug-in that does not take a seed
  --list             print the parameters with their values at minimum, maximum and default
  --make-demo FILE   write the demonstration input signal (5 seconds of stereo) to FILE
  --rate HZ          sample rate of the demonstration signal, 8000 to 384000 (default 44100)
  -h, --help         print this help and exit
  --version          print the program's version and exit

A mono file is played into the plug-in's first input; if the plug-in takes a mono speaker
arrangement it runs as mono, otherwise its second input gets silence and its second output is
dropped. Output files are written beside their final name and moved into place only when
everything has succeeded, so a failed run never leaves a partial file behind; an output that is a
symbolic link is written to the link's target. INPUT, OUTPUT, --state-in, --state-out and the
plug-in must be different files (a state file may be read and written again).

exit status:
  0    success
  1    the run failed (a file that cannot be read or written, a plug-in that cannot be loaded or
       refuses the settings, a report that cannot be written to standard output)
  2    the command line cannot be used (an unknown option, a value out of range, a file named
       for two parts)
)" KOLMARI_USAGE_INTERRUPTED;
}

} // namespace kolmari::render
