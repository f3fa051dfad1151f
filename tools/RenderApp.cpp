#include "RenderApp.h"

#include "AudioFile.h"
#include "DemoSignal.h"
#include "EffectPlugin.h"
#include "Numbers.h"
#include "ParameterSettings.h"
#include "ProgressBar.h"
#include "Renderer.h"
#include "StateFile.h"
#include "ToolError.h"

#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <ostream>

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
      case RenderOptions::Mode::List: List(options); break;
      case RenderOptions::Mode::MakeDemo: MakeDemo(options); break;
      case RenderOptions::Mode::Render: Render(options); break;
      case RenderOptions::Mode::SaveState: SaveState(options); break;
    }
    mEnv.out.flush();
    return 0;
  } catch (const ToolError& e) {
    return fail(e.what(), e.ExitCode());
  } catch (const std::bad_alloc&) {
    return fail("out of memory", 1);
  } catch (const std::exception& e) {
    return fail(e.what(), 1);
  }
}

namespace {

ParameterSettings SettingsOf(EffectPlugin& plugin) {
  return ParameterSettings(plugin.Instance(), [&plugin] { return plugin.NewInstance(); });
}

// The plug-in's settings as the command line asks for them: a saved state first, then each --set.
void Configure(EffectPlugin& plugin, ParameterSettings& parameters, const RenderOptions& options) {
  if (!options.stateIn.empty()) plugin.LoadState(StateFile::Read(options.stateIn), Quoted(options.stateIn));
  parameters.Apply(options.assignments);
}

} // namespace

void RenderApp::List(const RenderOptions& options) {
  EffectPlugin plugin(options.plugin);
  mEnv.out << SettingsOf(plugin).ListTable();
}

void RenderApp::SaveState(const RenderOptions& options) {
  EffectPlugin plugin(options.plugin);
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
