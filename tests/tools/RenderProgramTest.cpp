// kolmari-render run as a program: real files in, real files out, exit statuses and messages.
#include "RenderApp.h"
#include "VstPluginFinder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Audio {
  SF_INFO info{};
  std::vector<float> samples; // interleaved
};

// A scratch folder per test with helpers to make input files, run the program and read results.
class RenderProgram : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kolmari-render-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  static std::string ThirdParty(const std::string& file) {
    const auto path = kolmari::testhost::VstPluginFinder::Find(file);
    if (!path) ADD_FAILURE() << file << " is in none of the VST folders: run scripts/setup";
    return path ? path->string() : "/missing/" + file;
  }

  Outcome Render(const std::vector<std::string>& args) const {
    const fs::path outPath = dir / "stdout.txt", errPath = dir / "stderr.txt";
    const pid_t pid = fork();
    if (pid == 0) {
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(KOLMARI_RENDER_BINARY)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(KOLMARI_RENDER_BINARY, argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Slurp(outPath), Slurp(errPath)};
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
  }

  // A deterministic test signal: a sine plus a little noise, different on each channel.
  static std::vector<float> Signal(int channels, int frames, double amplitude = 0.6) {
    std::vector<float> s(static_cast<size_t>(channels * frames));
    uint32_t noise = 12345;
    for (int f = 0; f < frames; ++f) {
      for (int c = 0; c < channels; ++c) {
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
        s[static_cast<size_t>(f * channels + c)] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * (110.0 + 55.0 * c) * f / 44100.0) + 0.1 * n);
      }
    }
    return s;
  }

  std::string WriteInput(const std::string& name, int format, int channels, int frames, int rate = 44100) const {
    const std::string path = Path(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto s = Signal(channels, frames);
    EXPECT_EQ(sf_writef_float(file, s.data(), frames), frames);
    sf_close(file);
    return path;
  }

  static Audio Read(const std::string& path) {
    Audio audio;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &audio.info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (!file) return audio;
    audio.samples.resize(static_cast<size_t>(audio.info.frames * audio.info.channels));
    sf_readf_float(file, audio.samples.data(), audio.info.frames);
    sf_close(file);
    return audio;
  }

  // Everything in the folder: a failed run must leave no output and no temporary file behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

TEST_F(RenderProgram, ListAndHelpNeedNoFiles) {
  const Outcome list = Render({"--list"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("Input Gain    0.00   200.00  32.00    %"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("8      Bias"), std::string::npos) << list.out;
  EXPECT_EQ(list.err, "");
  // The default is the Kolmari.so built with the program.
  EXPECT_EQ(Render({"--list", "--plugin", KOLMARI_PLUGIN_BINARY}).out, list.out);

  const Outcome help = Render({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: kolmari-render")) << help.out;
}

TEST_F(RenderProgram, BypassIsBitExactForStereoFloatWithOddBlocks) {
  // Blocks of 7 over several of the tool's file chunks, ending in a short block.
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 40000, 48000);
  const Outcome run = Render({"--set", "bypass=1", "--block", "7", in, Path("out.wav")});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio input = Read(in), output = Read(Path("out.wav"));
  EXPECT_EQ(output.info.samplerate, 48000);
  EXPECT_EQ(output.info.channels, 2);
  EXPECT_EQ(output.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(output.samples, input.samples);
  EXPECT_NE(run.out.find("  Bypass        1\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("realtime:"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("plugin:   Kolmari by Lumenfold (" KOLMARI_PLUGIN_BINARY ")\n"), std::string::npos) << run.out;
}

TEST_F(RenderProgram, DryMixPassesMono16BitAndStereo24BitInputUnchanged) {
  struct Case {
    const char* name;
    int format, channels;
    std::vector<std::string> extra;
  };
  const Case cases[] = {{"mono16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, {}},
                        {"stereo24.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, {"--double"}},
                        {"mono24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, {"--double", "--block", "1000"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = WriteInput(c.name, c.format, c.channels, 3000);
    std::vector<std::string> args{"--set", "Wet=0", "--set", "Input Gain=200"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    args.push_back(in);
    args.push_back(Path("out.wav"));
    const Outcome run = Render(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio input = Read(in), output = Read(Path("out.wav"));
    EXPECT_EQ(output.info.channels, c.channels);
    EXPECT_EQ(output.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(output.samples, input.samples);
    // Kolmari runs a mono file as a mono track.
    if (c.channels == 1) {
      EXPECT_NE(run.out.find("layout:   mono (the plug-in took a mono speaker arrangement)\n"), std::string::npos)
          << run.out;
    }
  }
}

TEST_F(RenderProgram, ProcessingChangesTheSoundAndReportsLevels) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 20000);
  const Outcome run = Render({"--set", "Input Gain=200", "--set", "Wet=100", in, Path("out.wav")});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio input = Read(in), output = Read(Path("out.wav"));
  ASSERT_EQ(output.samples.size(), input.samples.size());
  double difference = 0.0;
  for (size_t i = 0; i < input.samples.size(); ++i) {
    ASSERT_TRUE(std::isfinite(output.samples[i]));
    difference = std::max(difference, static_cast<double>(std::abs(output.samples[i] - input.samples[i])));
  }
  EXPECT_GT(difference, 0.01);
  for (const char* line : {"input peak:", "input rms:", "output peak:", "output rms:", "  Input Gain    200.00 %\n",
                           "  Wet           100.00 %\n", "32-bit processing"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

TEST_F(RenderProgram, MakesTheDemoSignal) {
  const Outcome run = Render({"--make-demo", Path("demo.wav"), "--rate", "48000"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio demo = Read(Path("demo.wav"));
  EXPECT_EQ(demo.info.samplerate, 48000);
  EXPECT_EQ(demo.info.channels, 2);
  EXPECT_EQ(demo.info.frames, 5 * 48000);
  EXPECT_EQ(demo.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

TEST_F(RenderProgram, EveryFailureIsOneLineNonZeroAndLeavesNoFile) {
  const std::string good = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  const std::string surround = WriteInput("surround.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 1000);
  { std::ofstream(Path("text.wav")) << "not audio at all\n"; }
  { std::ofstream(Path("empty.state")); }
  { std::ofstream(Path("short.state")) << "KOL"; }
  const std::string state = Path("out.state");
  const std::string pan = ThirdParty("PingPongPan-vst.so");
  const std::string monoLimiter = ThirdParty("lsp-plugins/limiter-mono.so");
  fs::create_directory(dir / "folder");
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0); // an existing output that is no regular file
  const std::string out = Path("out.wav");
  const auto before = Files();

  struct Case {
    std::vector<std::string> args;
    std::string message; // part of the error line
  };
  const Case cases[] = {
      {{Path("missing.wav"), out}, "cannot read"},
      {{Path("text.wav"), out}, "cannot read"},
      {{surround, out}, "has 3 channels; only mono and stereo"},
      {{"--set", "Loudness=3", good, out}, "unknown parameter 'Loudness'; valid names are: Bypass, React"},
      {{"--set", "Wet:100", good, out}, "--set expects NAME=VALUE"},
      {{"--set", "Wet=lots", good, out}, "is not a number"},
      {{"--set", "Wet=150", good, out}, "Wet=150 is outside 0..100"},
      {{"--set", "Oversampling=4", good, out}, "Oversampling=4 is outside 0..3"},
      {{"--block", "0", good, out}, "--block must be a whole number from 1 to 65536"},
      {{"--block", "100000", good, out}, "--block must be"},
      {{good, Path("no/such/folder/out.wav")}, "cannot write"},
      {{good, Path("folder")}, "it is a directory"},
      {{good, Path("pipe")}, "not a regular file"},
      {{"--state-out", Path("pipe"), good, out}, "not a regular file"},
      {{good}, "expected INPUT and OUTPUT"},
      {{"--nonsense", good, out}, "unknown option"},
      {{"--plugin", Path("missing.so"), good, out}, "cannot load plug-in '" + Path("missing.so") + "': no such file"},
      {{"--plugin", Path("text.wav"), good, out}, "cannot load plug-in '" + Path("text.wav") + "': "},
      {{"--plugin", NOT_A_PLUGIN_BINARY, good, out}, "exports neither VSTPluginMain nor main"},
      {{"--plugin", dir.string(), "--list"}, "it is a directory"},
      {{"--plugin", pan, "--double", good, out}, "--double: the plug-in has no 64-bit processing"},
      {{"--plugin", monoLimiter, good, out}, "the plug-in has 1 input and 1 output; it cannot render a file of 2 channels"},
      {{"--plugin", pan, "--set", "Width=101", good, out}, "Width=101 is outside 0..100"},
      {{"--plugin", pan, "--state-out", state, good, out}, "gives no program chunk"},
      {{"--state-in", Path("missing.state"), good, out}, "cannot read state"},
      {{"--state-in", Path("empty.state"), good, out}, "the file is empty"},
      {{"--state-in", Path("short.state"), "--state-out", state, good, out}, "is not a state Kolmari by Lumenfold accepts"},
      {{"--state-in", Path("folder"), good, out}, "it is a directory"},
      {{"--state-out", Path("no/such/folder/s.state"), good, out}, "cannot write"},
      {{"--state-out", state, surround, out}, "has 3 channels"},
      {{"--state-out", state, "--set", "Wet=150"}, "Wet=150 is outside 0..100"},
  };
  for (const auto& c : cases) {
    const Outcome run = Render(c.args);
    SCOPED_TRACE(c.args.front() + " ...: " + run.err);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.status, 128 + SIGSEGV);
    EXPECT_TRUE(run.err.starts_with("kolmari-render: error: "));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
  }
}

TEST_F(RenderProgram, SavedStateRestoresTheSettings) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 2000);
  const std::vector<std::string> set{"--set", "Input Gain=150", "--set", "Tame=0.125", "--set", "Oversampling=2",
                                     "--set", "Bypass=1"};

  // Saved without rendering, then loaded for a render that saves again: the same bytes.
  std::vector<std::string> save = set;
  save.insert(save.end(), {"--state-out", Path("a.state")});
  const Outcome saved = Render(save);
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"a.state", "in.wav"}));
  const Outcome rendered = Render({"--state-in", Path("a.state"), "--state-out", Path("b.state"), in, Path("out.wav")});
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  EXPECT_EQ(Slurp(dir / "b.state"), Slurp(dir / "a.state"));

  const auto settings = [](const std::string& report) { return report.substr(report.find("settings:\n")); };
  std::vector<std::string> direct = set;
  direct.insert(direct.end(), {in, Path("direct.wav")});
  const Outcome directRun = Render(direct);
  ASSERT_EQ(directRun.status, 0) << directRun.err;
  const std::string expected = settings(directRun.out).substr(0, settings(directRun.out).find("input peak"));
  EXPECT_TRUE(settings(rendered.out).starts_with(expected)) << rendered.out;
  EXPECT_TRUE(settings(saved.out).starts_with(expected)) << saved.out;
  EXPECT_NE(expected.find("  Input Gain    150.00 %\n"), std::string::npos) << expected;
  EXPECT_EQ(Read(Path("out.wav")).samples, Read(in).samples); // Bypass came back too

  // --set after --state-in wins; the rest stays as saved.
  const Outcome changed = Render({"--state-in", Path("a.state"), "--set", "Tame=0.5", "--state-out", Path("c.state")});
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_NE(changed.out.find("  Tame          0.500\n"), std::string::npos) << changed.out;
  EXPECT_NE(changed.out.find("  Input Gain    150.00 %\n"), std::string::npos) << changed.out;
  EXPECT_NE(Slurp(dir / "c.state"), Slurp(dir / "a.state"));
}

TEST_F(RenderProgram, RendersThroughThirdPartyPlugins) {
  // A stereo effect that takes no text for its parameters, and a mono one.
  const std::string stereo = WriteInput("stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 20000);
  const Outcome pan = Render({"--plugin", ThirdParty("PingPongPan-vst.so"), "--set", "Width=100", "--set",
                              "frequency=80", "--block", "100", stereo, Path("pan.wav")});
  ASSERT_EQ(pan.status, 0) << pan.err;
  EXPECT_NE(pan.out.find("plugin:   Ping Pong Pan by DISTRHO ("), std::string::npos) << pan.out;
  EXPECT_NE(pan.out.find("  Frequency  80.0000"), std::string::npos) << pan.out;
  const Audio input = Read(stereo), output = Read(Path("pan.wav"));
  ASSERT_EQ(output.samples.size(), input.samples.size());
  EXPECT_TRUE(std::all_of(output.samples.begin(), output.samples.end(), [](float s) { return std::isfinite(s); }));
  EXPECT_NE(output.samples, input.samples);

  const std::string mono = WriteInput("mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 5000);
  const Outcome limiter = Render({"--plugin", ThirdParty("lsp-plugins/limiter-mono.so"), mono, Path("limited.wav")});
  ASSERT_EQ(limiter.status, 0) << limiter.err;
  EXPECT_NE(limiter.out.find("layout:   mono\n"), std::string::npos) << limiter.out;
  EXPECT_EQ(Read(Path("limited.wav")).info.frames, 5000);

  // A mono file through a stereo plug-in that keeps its stereo layout.
  const Outcome panMono = Render({"--plugin", ThirdParty("PingPongPan-vst.so"), mono, Path("pan-mono.wav")});
  ASSERT_EQ(panMono.status, 0) << panMono.err;
  EXPECT_NE(panMono.out.find("layout:   mono into input 1 of 2, silence into the rest, output 1 of 2 kept\n"),
            std::string::npos)
      << panMono.out;
  EXPECT_EQ(Read(Path("pan-mono.wav")).info.channels, 1);
}

// --seed makes renders repeatable bit for bit on both paths; without it the drift differs per run.
TEST_F(RenderProgram, SeededRendersAreIdentical) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 12000, 48000);
  const auto render = [&](std::vector<std::string> args, const std::string& name) {
    args.insert(args.end(), {"--set", "Wet=100", "--block", "64", in, Path(name)});
    const Outcome run = Render(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return Read(Path(name)).samples;
  };
  for (const std::vector<std::string>& path : {std::vector<std::string>{}, std::vector<std::string>{"--double"}}) {
    SCOPED_TRACE(path.empty() ? "32-bit" : "64-bit");
    std::vector<std::string> seeded = path;
    seeded.insert(seeded.end(), {"--seed", "4242"});
    const auto a = render(seeded, "a.wav");
    EXPECT_EQ(render(seeded, "b.wav"), a);
    seeded.back() = "4243";
    EXPECT_NE(render(seeded, "c.wav"), a);
    EXPECT_NE(render(path, "d.wav"), render(path, "e.wav"));
  }
  const Outcome run = Render({"--seed", "0", in, Path("f.wav")});
  EXPECT_NE(run.out.find("seed:     0 (reproducible)\n"), std::string::npos) << run.out;

  // A plug-in without the call cannot promise that.
  const Outcome pan = Render({"--plugin", ThirdParty("PingPongPan-vst.so"), "--seed", "1", in, Path("g.wav")});
  EXPECT_EQ(pan.status, 1);
  EXPECT_NE(pan.err.find("--seed: Ping Pong Pan by DISTRHO does not take a seed"), std::string::npos) << pan.err;
  EXPECT_FALSE(fs::exists(Path("g.wav")));
}

TEST_F(RenderProgram, FailedRunLeavesAnExistingOutputUntouched) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 1000);
  { std::ofstream(Path("out.wav")) << "previous result"; }
  EXPECT_NE(Render({"--set", "Bias=2", in, Path("out.wav")}).status, 0);
  EXPECT_NE(Render({Path("missing.wav"), Path("out.wav")}).status, 0);
  EXPECT_EQ(Slurp(dir / "out.wav"), "previous result");
  ASSERT_EQ(Render({in, Path("out.wav")}).status, 0);
  EXPECT_EQ(Read(Path("out.wav")).info.frames, 1000);
}

TEST_F(RenderProgram, InterruptedRenderRemovesItsTemporaryFile) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  std::ostringstream out, err;
  kolmari::render::RenderApp app({out, err, false, [] { return true; }});
  const std::string output = Path("out.wav"), state = Path("out.state");
  const std::vector<std::string_view> args{"--state-out", state, in, output};
  EXPECT_EQ(app.Run(args), 130);
  EXPECT_EQ(err.str(), "kolmari-render: error: interrupted\n");
  EXPECT_EQ(Files(), std::vector<std::string>{"in.wav"});
}

} // namespace
