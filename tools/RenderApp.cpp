#include "RenderApp.h"

#include "AudioFile.h"
#include "DemoSignal.h"
#include "EffectPlugin.h"
#include "FileIdentity.h"
#include "Numbers.h"
#include "ParameterSettings.h"
#include "ProgressBar.h"
#include "RenderPresets.h"
#include "Renderer.h"
#include "StateFile.h"
#include "ToolError.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace kolmari::render {

RenderApp::RenderApp(Environment environment) : mEnv(std::move(environment)) {}

int RenderApp::Run(std::span<const std::string_view> args) {
  const auto fail = [&](std::string_view message, int code) {
    mEnv.err << kProgramName << ": error: " << message << '\n';
    return code;
  };
  try {
    const RenderOptions options = CommandLine::Parse(args);
    switch (options.mode) {
      case RenderOptions::Mode::Help: mEnv.out << CommandLine::Usage(); break;
      case RenderOptions::Mode::Version: mEnv.out << VersionText(); break;
      case RenderOptions::Mode::List: List(options); break;
      case RenderOptions::Mode::ListPresets: ListPresets(options); break;
      case RenderOptions::Mode::MakeDemo: MakeDemo(options); break;
      case RenderOptions::Mode::Render: Render(options); break;
      case RenderOptions::Mode::SaveState: SaveState(options); break;
    }
    errno = 0;
    mEnv.out.flush();
    // A report that did not arrive (standard output on a full disk, a closed pipe) is a failure
    // even when the files were written.
    if (!mEnv.out) {
      const int error = errno;
      return fail(std::string("cannot write to standard output") + (error != 0 ? ": " + std::string(std::strerror(error)) : ""), 1);
    }
    return 0;
  } catch (const ToolError& e) {
    return fail(e.what(), e.ExitCode());
  } catch (const std::bad_alloc&) {
    return fail("out of memory", 1);
  } catch (const std::exception& e) {
    return fail(e.what(), 1);
  }
}

std::string RenderApp::VersionText() {
  return std::string(kProgramName) + " " + KOLMARI_VERSION + " (Kolmari by Lumenfold; reads audio files with " +
         AudioReader::Library() + ")\n";
}

namespace {

ParameterSettings SettingsOf(EffectPlugin& plugin) {
  return ParameterSettings(plugin.Instance(), [&plugin] { return plugin.NewInstance(); });
}

// No file may play two parts: an output written over the input, the state file or the plug-in
// would destroy it, and a file read as two things is a slip of the typing hand. Paths are compared
// by what they name, so "o/s.wav" and "./o/s.wav", links and hard links all count as one file.
// The one exception is a state file read and then written again: it is read whole first, and
// updating a settings file in place is a use, not a slip.
void CheckFilesAreDistinct(const RenderOptions& options, const std::string& pluginPath) {
  struct Role {
    const char* name;
    const std::string& path;
    bool written;
  };
  const Role roles[] = {{"INPUT", options.input, false},       {"OUTPUT", options.output, true},
                        {"--state-in", options.stateIn, false}, {"--state-out", options.stateOut, true},
                        {"--plugin", pluginPath, false}};
  std::vector<std::pair<const Role*, FileIdentity>> named;
  for (const Role& role : roles) {
    if (!role.path.empty()) named.emplace_back(&role, FileIdentity::Of(role.path));
  }
  for (size_t i = 0; i < named.size(); ++i) {
    for (size_t j = i + 1; j < named.size(); ++j) {
      const Role& a = *named[i].first;
      const Role& b = *named[j].first;
      if (!(named[i].second == named[j].second)) continue;
      if (&a == &roles[2] && &b == &roles[3]) continue; // --state-in updated in place
      if (&b == &roles[4] && !a.written) continue;      // reading the plug-in binary as data harms nothing
      throw UsageError(std::string(a.name) + " " + Quoted(a.path) + " and " + b.name + " " + Quoted(b.path) +
                       " name the same file");
    }
  }
}

// The plug-in's settings as the command line asks for them: a saved state first, then each --set.
void Configure(EffectPlugin& plugin, ParameterSettings& parameters, const RenderOptions& options) {
  if (!options.stateIn.empty()) plugin.LoadState(StateFile::Read(options.stateIn), Quoted(options.stateIn));
  if (!options.preset.empty()) RenderPresets(plugin).Apply(options.preset, parameters);
  parameters.Apply(options.assignments);
}

} // namespace

void RenderApp::List(const RenderOptions& options) {
  EffectPlugin plugin(options.plugin);
  mEnv.out << SettingsOf(plugin).ListTable();
}

void RenderApp::ListPresets(const RenderOptions& options) {
  EffectPlugin plugin(options.plugin);
  mEnv.out << RenderPresets(plugin).ListText();
}

void RenderApp::SaveState(const RenderOptions& options) {
  EffectPlugin plugin(options.plugin);
  CheckFilesAreDistinct(options, plugin.Path());
  ParameterSettings parameters = SettingsOf(plugin);
  Configure(plugin, parameters, options);
  const std::vector<uint8_t> state = plugin.SaveState();
  StateFileWriter(options.stateOut, state).Commit();
  mEnv.out << "plugin:   " << plugin.Description() << " (" << plugin.Path() << ")\n"
           << "state:    " << options.stateOut << " (" << state.size() << " bytes)\n"
           << "settings:\n"
           << parameters.CurrentSettings();
}

void RenderApp::MakeDemo(const RenderOptions& options) {
  const std::vector<float> samples = DemoSignal::Generate(options.demoRate);
  const auto frames = static_cast<int64_t>(samples.size() / DemoSignal::kChannels);
  AudioWriter writer(options.output, options.demoRate, DemoSignal::kChannels);
  writer.Write(samples.data(), frames);
  writer.Commit();

  LevelMeter meter;
  meter.Add(samples.data(), samples.size());
  mEnv.out << "wrote " << options.output << ": " << FormatFixed(static_cast<double>(frames) / options.demoRate, 3)
           << " s, " << options.demoRate << " Hz, " << DemoSignal::kChannels << " channels, "
           << AudioWriter::FormatDescription() << '\n'
           << "peak: " << FormatDecibels(meter.Peak()) << " dBFS\n"
           << "rms:  " << FormatDecibels(meter.Rms()) << " dBFS\n";
}

void RenderApp::Render(const RenderOptions& options) {
  // The plug-in and its settings before any file is touched, so that mistakes there cost nothing.
  EffectPlugin plugin(options.plugin);
  CheckFilesAreDistinct(options, plugin.Path());
  Renderer renderer(plugin.Instance(), options.blockSize, options.doublePrecision);
  if (options.seed && !plugin.Instance().SetFixedSeed(*options.seed))
    throw ToolError("--seed: " + plugin.Description() +
                    " does not take a seed (it does not answer the fixed-seed call), so its renders cannot be "
                    "made reproducible");
  ParameterSettings parameters = SettingsOf(plugin);
  Configure(plugin, parameters, options);
  std::optional<StateFileWriter> stateWriter;
  if (!options.stateOut.empty()) stateWriter.emplace(options.stateOut, plugin.SaveState());

  AudioReader reader(options.input);
  const AudioFormat& format = reader.Format();
  renderer.Check(format.channels);
  if (format.promisedFrames > format.frames) {
    mEnv.err << kProgramName << ": warning: input ends early: the header promises " << format.promisedFrames
             << " frames, the file holds " << format.frames << '\n';
  }
  AudioWriter writer(options.output, format.sampleRate, format.channels);
  renderer.Prepare(format.sampleRate, format.channels);

  auto& out = mEnv.out;
  out << "plugin:   " << plugin.Description() << " (" << plugin.Path() << ")\n"
      << "input:    " << options.input << " (" << format.description << ", " << format.sampleRate << " Hz, "
      << format.channels << (format.channels == 1 ? " channel, " : " channels, ") << FormatFixed(format.Seconds(), 3)
      << " s)\n"
      << "output:   " << options.output << " (" << AudioWriter::FormatDescription() << ")\n"
      << "layout:   " << renderer.Layout() << "\n"
      << "block:    " << options.blockSize << " frames, " << (options.doublePrecision ? "64" : "32")
      << "-bit processing\n";
  if (options.seed) out << "seed:     " << *options.seed << " (reproducible)\n";
  if (!options.stateIn.empty()) out << "state:    loaded from " << options.stateIn << "\n";
  if (!options.preset.empty()) out << "preset:   " << options.preset << "\n";
  if (!options.stateOut.empty()) out << "state:    saved to " << options.stateOut << "\n";
  out << "settings:\n" << parameters.CurrentSettings() << std::flush;

  ProgressBar bar(mEnv.err, mEnv.progressBar);
  Renderer::Result result;
  try {
    result = renderer.Run(reader, writer, [&](int64_t done) {
      bar.Update(done, format.frames);
      return !mEnv.interrupted();
    });
  } catch (...) {
    bar.Finish();
    throw;
  }
  bar.Finish();
  // A signal after the last chunk still means: do not leave a result.
  if (mEnv.interrupted()) throw ToolError("interrupted", ToolError::Kind::Interrupted);
  writer.Commit();
  if (stateWriter) stateWriter->Commit();

  const double audioSeconds = static_cast<double>(result.frames) / format.sampleRate;
  out << "input peak:   " << FormatDecibels(result.input.Peak()) << " dBFS\n"
      << "input rms:    " << FormatDecibels(result.input.Rms()) << " dBFS\n"
      << "output peak:  " << FormatDecibels(result.output.Peak()) << " dBFS\n"
      << "output rms:   " << FormatDecibels(result.output.Rms()) << " dBFS\n"
      << "realtime:     ";
  if (result.processingSeconds > 0.0)
    out << FormatFixed(audioSeconds / result.processingSeconds, 1) << "x";
  else
    out << "n/a";
  out << " (" << FormatFixed(audioSeconds, 3) << " s of audio processed in " << FormatFixed(result.processingSeconds, 3)
      << " s)\n";
}

} // namespace kolmari::render
