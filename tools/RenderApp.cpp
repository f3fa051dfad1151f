#include "RenderApp.h"

#include "AudioFile.h"
#include "DemoSignal.h"
#include "Numbers.h"
#include "ParameterSettings.h"
#include "ProgressBar.h"
#include "Renderer.h"
#include "ToolError.h"

#include "Kolmari.h"

#include <exception>
#include <new>
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
      case RenderOptions::Mode::List: List(); break;
      case RenderOptions::Mode::MakeDemo: MakeDemo(options); break;
      case RenderOptions::Mode::Render: Render(options); break;
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

void RenderApp::List() {
  Kolmari plugin(lumen::IInstanceInfo{});
  mEnv.out << ParameterSettings(plugin).ListTable();
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
  Kolmari plugin(lumen::IInstanceInfo{});
  ParameterSettings parameters(plugin);
  parameters.Apply(options.assignments); // before any file is touched

  AudioReader reader(options.input);
  const AudioFormat& format = reader.Format();
  AudioWriter writer(options.output, format.sampleRate, format.channels);

  auto& out = mEnv.out;
  out << "input:    " << options.input << " (" << format.description << ", " << format.sampleRate << " Hz, "
      << format.channels << (format.channels == 1 ? " channel, " : " channels, ") << FormatFixed(format.Seconds(), 3)
      << " s)\n"
      << "output:   " << options.output << " (" << AudioWriter::FormatDescription() << ")\n"
      << "block:    " << options.blockSize << " frames, " << (options.doublePrecision ? "64" : "32")
      << "-bit processing\n"
      << "settings:\n"
      << parameters.CurrentSettings() << std::flush;

  ProgressBar bar(mEnv.err, mEnv.progressBar);
  Renderer renderer(plugin, options.blockSize, options.doublePrecision);
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
