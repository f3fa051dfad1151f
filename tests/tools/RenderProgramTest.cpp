// kolmari-render run as a program: real files in, real files out, exit statuses and messages.
#include "RenderApp.h"
#include "VstPluginFinder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
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

  // Runs the program; its standard output goes to a file of the folder unless stdoutTo names
  // another (such as /dev/full). onStart, if given, runs in the parent with the child's id.
  Outcome Render(const std::vector<std::string>& args, const std::string& stdoutTo = "",
                 const std::function<void(pid_t)>& onStart = {}) const {
    const fs::path outPath = dir / "stdout.txt", errPath = dir / "stderr.txt";
    const pid_t pid = fork();
    if (pid == 0) {
      const int out = stdoutTo.empty() ? open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                                       : open(stdoutTo.c_str(), O_WRONLY);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(KOLMARI_RENDER_BINARY)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(KOLMARI_RENDER_BINARY, argv.data());
      _exit(127);
    }
    if (onStart) onStart(pid);
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
    int rate = 44100;
  };
  const Case cases[] = {{"mono16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, {}},
                        {"stereo24.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, {"--double"}},
                        {"mono24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, {"--double", "--block", "1000"}},
                        // Every other kind of input the help names.
                        {"mono8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, {}},
                        {"stereo8.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 2, {}},
                        {"double.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, {"--double"}},
                        {"extensible.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, 2, {}},
                        {"big.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 2, {}},
                        {"vorbis.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, {}},
                        {"opus.ogg", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1, {}, 48000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = WriteInput(c.name, c.format, c.channels, 3000, c.rate);
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
      {{"--state-in", Path("short.state"), "--state-out", state, good, out}, "is no program state saved by --state-out"},
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

// A file named for two parts is refused, by what the names lead to, before anything is written.
TEST_F(RenderProgram, AFileNamedForTwoPartsIsRefusedBeforeAnythingIsWritten) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  const std::string original = Slurp(in);
  fs::create_directory(dir / "o");
  ASSERT_EQ(link(in.c_str(), Path("hard.wav").c_str()), 0);
  fs::create_symlink(in, dir / "soft.wav");
  fs::copy_file(KOLMARI_PLUGIN_BINARY, dir / "k.so");
  const auto before = Files();
  ASSERT_EQ(Render({"--set", "Wet=10", "--state-out", Path("saved.state")}).status, 0);
  const auto withState = Files();
  const std::string relative = "./" + fs::relative(dir / "o" / "s.wav").string();

  const std::vector<std::vector<std::string>> clashes = {
      {"--state-out", relative, in, Path("o/s.wav")},  // the same new file, spelt two ways
      {"--state-out", in, in, Path("out.wav")},
      {in, in},
      {in, Path("hard.wav")},
      {in, Path("soft.wav")},
      {in, dir.string() + "/o/../in.wav"},
      {"--state-in", in, in, Path("out.wav")},
      {"--state-in", Path("saved.state"), in, Path("saved.state")},
      {"--plugin", Path("k.so"), in, Path("k.so")},
      {"--plugin", Path("k.so"), "--state-out", Path("k.so")},
  };
  for (const auto& args : clashes) {
    const Outcome run = Render(args);
    SCOPED_TRACE(::testing::PrintToString(args) + ": " + run.err);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with("kolmari-render: error: ")) << run.err;
    EXPECT_NE(run.err.find("name the same file"), std::string::npos) << run.err;
    EXPECT_EQ(Files(), withState);
    EXPECT_TRUE(fs::is_empty(dir / "o"));
    EXPECT_EQ(Slurp(in), original);
    EXPECT_TRUE(fs::is_symlink(dir / "soft.wav"));
  }
  EXPECT_EQ(Slurp(dir / "k.so"), Slurp(KOLMARI_PLUGIN_BINARY));

  // A settings file may be updated in place.
  const Outcome update = Render({"--state-in", Path("saved.state"), "--set", "Wet=20", "--state-out", Path("saved.state")});
  EXPECT_EQ(update.status, 0) << update.err;
  EXPECT_NE(Render({"--state-in", Path("saved.state"), "--list"}).status, 0); // --list takes no settings
  (void)before;
}

// --state-in takes what --state-out wrote and nothing else, and says why.
TEST_F(RenderProgram, StateInAcceptsOnlyWhatStateOutWrites) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  ASSERT_EQ(Render({"--set", "Input Gain=150", "--state-out", Path("good.state")}).status, 0);
  const std::string good = Slurp(dir / "good.state");
  ASSERT_EQ(good.size(), 80u);
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  };
  const auto withValue = [&](int parameter, double value) {
    std::string bytes = good;
    std::memcpy(bytes.data() + 8 + 8 * parameter, &value, sizeof value);
    return bytes;
  };
  std::string random(80, '\0');
  uint32_t noise = 99;
  for (char& c : random) c = static_cast<char>((noise = noise * 1664525u + 1013904223u) >> 24);
  std::string otherVersion = good;
  otherVersion[4] = 7;

  struct Case {
    std::string file;
    std::string reason;
  };
  const Case cases[] = {
      {write("audio.wav", Slurp(in)), "its first bytes are not the state header"},
      {write("random.state", random), "its first bytes are not the state header"},
      {write("bare.state", good.substr(8)), "its first bytes are not the state header"},
      {write("version.state", otherVersion), "its state header has a version Kolmari by Lumenfold does not write"},
      {write("long.state", good + std::string(8, '\0')), "it has 88 bytes; a program state of Kolmari by Lumenfold has 80"},
      {write("short.state", good.substr(0, 72)), "it has 72 bytes; a program state of Kolmari by Lumenfold has 80"},
      {write("nan.state", withValue(4, std::nan(""))), "holds values Kolmari by Lumenfold cannot have"},
      {write("huge.state", withValue(5, 1e300)), "holds values Kolmari by Lumenfold cannot have"},
      {write("negative.state", withValue(2, -3.0)), "holds values Kolmari by Lumenfold cannot have"},
  };
  for (const auto& c : cases) {
    const Outcome run = Render({"--state-in", c.file, in, Path("out.wav")});
    SCOPED_TRACE(c.file + ": " + run.err);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot use state '" + c.file + "': "), std::string::npos);
    EXPECT_NE(run.err.find(c.reason), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("out.wav")));
  }
  const Outcome ok = Render({"--state-in", Path("good.state"), in, Path("out.wav")});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("  Input Gain    150.00 %\n"), std::string::npos) << ok.out;
}

// A plug-in file that the loader would map past its end, or one for another machine, is refused
// with a reason before it is loaded.
TEST_F(RenderProgram, ATruncatedOrForeignPluginIsRefusedBeforeLoading) {
  const std::string binary = Slurp(KOLMARI_PLUGIN_BINARY);
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  };
  std::string arm = binary;
  arm[18] = static_cast<char>(183); // e_machine: 64-bit ARM
  arm[19] = 0;
  std::string narrow = binary;
  narrow[4] = 1; // ELF class: 32-bit
  struct Case {
    std::string file;
    std::string reason;
  };
  const Case cases[] = {
      {write("cut.so", binary.substr(0, 10000)), "it is truncated: a loadable segment ends at byte"},
      {write("cut-headers.so", binary.substr(0, 100)), "it is truncated"},
      {write("header-only.so", binary.substr(0, 40)), "it is truncated: the file ends inside its ELF header"},
      {write("arm.so", arm), "it is built for 64-bit ARM, not for x86-64"},
      {write("narrow.so", narrow), "it is a 32-bit binary; this program is 64-bit"},
      {write("text.so", "#!/bin/sh\n"), "it is no shared library (no ELF header)"},
  };
  for (const auto& c : cases) {
    const Outcome run = Render({"--plugin", c.file, "--list"});
    SCOPED_TRACE(c.file + ": " + run.err);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot load plug-in '" + c.file + "': " + c.reason), std::string::npos);
  }
}

// A WAV file cut short renders what it holds, with a warning.
TEST_F(RenderProgram, AnInputCutShortIsRenderedWithAWarning) {
  const std::string full = WriteInput("full.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  const std::string bytes = Slurp(full);
  { std::ofstream(Path("cut.wav"), std::ios::binary) << bytes.substr(0, bytes.size() - 4 * 400); }
  const Outcome run = Render({Path("cut.wav"), Path("out.wav")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "kolmari-render: warning: input ends early: the header promises 1000 frames, the file holds 600\n");
  EXPECT_EQ(Read(Path("out.wav")).info.frames, 600);
  const Outcome whole = Render({full, Path("out.wav")});
  EXPECT_EQ(whole.err, "");
}

// Bypass gives back every sample bit for bit, subnormal ones too, on both paths.
TEST_F(RenderProgram, BypassGivesSubnormalSamplesBack) {
  std::vector<float> samples;
  for (int i = 0; i < 3000; ++i) {
    const float tiny = std::numeric_limits<float>::denorm_min() * static_cast<float>(1 + i % 5000);
    samples.push_back(i % 3 == 0 ? tiny : (i % 3 == 1 ? -tiny : 0.25f));
  }
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(Path("tiny.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  sf_writef_float(file, samples.data(), 1500);
  sf_close(file);
  const std::vector<float> input = Read(Path("tiny.wav")).samples;
  ASSERT_EQ(std::memcmp(input.data(), samples.data(), samples.size() * sizeof(float)), 0);
  for (const char* precision : {"--block=512", "--double"}) {
    const Outcome run = Render({"--set", "Bypass=1", precision, Path("tiny.wav"), Path("out.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<float> output = Read(Path("out.wav")).samples;
    ASSERT_EQ(output.size(), samples.size());
    EXPECT_EQ(std::memcmp(output.data(), samples.data(), samples.size() * sizeof(float)), 0) << precision;
  }
}

// An output that is a symbolic link is written to the link's target; the link stays.
TEST_F(RenderProgram, AnOutputLinkIsWrittenThrough) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  fs::create_directory(dir / "target");
  { std::ofstream(dir / "target" / "old.wav") << "previous"; }
  fs::create_symlink("target/old.wav", dir / "link.wav");
  fs::create_symlink("target/new.wav", dir / "dangling.wav");
  for (const char* name : {"link.wav", "dangling.wav"}) {
    const Outcome run = Render({in, Path(name)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
  }
  EXPECT_EQ(Read((dir / "target" / "old.wav").string()).info.frames, 1000);
  EXPECT_EQ(Read((dir / "target" / "new.wav").string()).info.frames, 1000);
  ASSERT_EQ(Render({"--set", "Wet=0", "--state-out", Path("link.wav")}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
  EXPECT_EQ(fs::file_size(dir / "target" / "old.wav"), 80u);
}

// A report that cannot be written is a failure; a signal ends the program with its status and
// leaves no output.
TEST_F(RenderProgram, FailedReportAndSignalsGiveNonZeroStatuses) {
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000);
  for (const std::vector<std::string>& args : {std::vector<std::string>{in, Path("out.wav")},
                                               std::vector<std::string>{"--help"}, std::vector<std::string>{"--list"}}) {
    const Outcome full = Render(args, "/dev/full");
    EXPECT_EQ(full.status, 1) << args.front();
    EXPECT_TRUE(full.err.starts_with("kolmari-render: error: cannot write to standard output")) << full.err;
    EXPECT_EQ(std::count(full.err.begin(), full.err.end(), '\n'), 1) << full.err;
  }

  // A long render at eight times oversampling, terminated once its temporary output exists.
  const std::string longInput = WriteInput("long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100 * 60);
  const auto started = [&] {
    for (const auto& name : Files()) {
      if (name.starts_with(".out.wav.")) return true;
    }
    return false;
  };
  for (const int signal : {SIGTERM, SIGINT}) {
    fs::remove(Path("out.wav"));
    const Outcome run = Render({"--set", "Oversampling=3", longInput, Path("out.wav")}, "", [&](pid_t pid) {
      for (int i = 0; i < 2000 && !started(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      kill(pid, signal);
    });
    EXPECT_EQ(run.status, 128 + signal);
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.wav", "long.wav"}));
  }
}

TEST_F(RenderProgram, HelpAndVersionTellWhatTheProgramDoes) {
  const Outcome help = Render({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"--make-demo FILE [--rate HZ]", "--seed N", "--version", "Ogg Vorbis", "8, 16, 24",
                           "64-bit float", "exit status:", "143"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  const Outcome version = Render({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("kolmari-render 1.")) << version.out;
  EXPECT_NE(version.out.find("libsndfile"), std::string::npos) << version.out;
}

} // namespace

// --plugin with a .clap file renders through the CLAP binary: at the same seed its output equals
// the VST 2.4 binary's bit for bit, and --seed, --state-out and --state-in work the same.
TEST_F(RenderProgram, ClapRendersEqualVst2RendersBitForBit) {
  for (int rate : {44100, 96000}) {
    const std::string in = WriteInput("in" + std::to_string(rate) + ".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2,
                                      rate / 4, rate);
    for (const char* oversampling : {"Oversampling=0", "Oversampling=3"}) {
      for (bool sixtyFour : {false, true}) {
        SCOPED_TRACE(std::to_string(rate) + " " + oversampling + (sixtyFour ? " 64-bit" : " 32-bit"));
        std::vector<std::string> args{"--seed", "77", "--set", oversampling, "--set", "Input Gain=150"};
        if (sixtyFour) args.push_back("--double");
        std::vector<std::string> vst = args, clap = args;
        vst.insert(vst.end(), {"--plugin", KOLMARI_PLUGIN_BINARY, in, Path("vst.wav")});
        clap.insert(clap.end(), {"--plugin", KOLMARI_CLAP_BINARY, in, Path("clap.wav")});
        const Outcome a = Render(vst);
        const Outcome b = Render(clap);
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_NE(b.out.find("Kolmari by Lumenfold (" + std::string(KOLMARI_CLAP_BINARY) + ")"), std::string::npos)
            << b.out;
        const Audio va = Read(Path("vst.wav"));
        const Audio ca = Read(Path("clap.wav"));
        ASSERT_FALSE(va.samples.empty());
        EXPECT_EQ(va.samples, ca.samples);
      }
    }
  }
  // A state saved through one format loads in the other.
  ASSERT_EQ(Render({"--plugin", KOLMARI_CLAP_BINARY, "--set", "Wet=12", "--state-out", Path("s.state")}).status, 0);
  const Outcome list = Render({"--plugin", KOLMARI_PLUGIN_BINARY, "--state-in", Path("s.state"), "--state-out",
                               Path("t.state")});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(Slurp(Path("s.state")), Slurp(Path("t.state")));
}

// The parameter table reads the same through every format, line for line. (LV2's is compared
// cell by cell in Lv2ListShowsTheSameParametersAsPorts: its data carries no display decimals, and
// its bypass is the host's "Enabled" port.)
TEST_F(RenderProgram, ListIsTheSameTableInEveryFormat) {
  const Outcome vst = Render({"--plugin", KOLMARI_PLUGIN_BINARY, "--list"});
  ASSERT_EQ(vst.status, 0) << vst.err;
  EXPECT_NE(vst.out.find("Input Gain    0.00   200.00  32.00    %"), std::string::npos) << vst.out;
  for (const char* other : {KOLMARI_CLAP_BINARY, KOLMARI_VST3_BUNDLE}) {
    const Outcome list = Render({"--plugin", other, "--list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, vst.out) << other;
  }
}

// --plugin with a .vst3 bundle renders through the VST3 module: at the same seed its output equals
// the VST 2.4 binary's bit for bit, also with a parameter changed and at block sizes that split the
// plug-in's own, and states saved through one format load in the other.
TEST_F(RenderProgram, Vst3RendersEqualVst2RendersBitForBit) {
  for (int rate : {48000, 96000}) {
    const std::string in = WriteInput("in" + std::to_string(rate) + ".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2,
                                      rate / 4, rate);
    for (const char* oversampling : {"Oversampling=0", "Oversampling=3"}) {
      for (bool sixtyFour : {false, true}) {
        SCOPED_TRACE(std::to_string(rate) + " " + oversampling + (sixtyFour ? " 64-bit" : " 32-bit"));
        std::vector<std::string> args{"--seed", "77", "--set", oversampling, "--set", "Input Gain=150", "--block", "700"};
        if (sixtyFour) args.push_back("--double");
        std::vector<std::string> vst = args, vst3 = args;
        vst.insert(vst.end(), {"--plugin", KOLMARI_PLUGIN_BINARY, in, Path("vst.wav")});
        vst3.insert(vst3.end(), {"--plugin", KOLMARI_VST3_BUNDLE, in, Path("vst3.wav")});
        const Outcome a = Render(vst);
        const Outcome b = Render(vst3);
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_NE(b.out.find("Kolmari by Lumenfold (" + std::string(KOLMARI_VST3_BUNDLE) + ")"), std::string::npos)
            << b.out;
        const Audio va = Read(Path("vst.wav"));
        const Audio v3 = Read(Path("vst3.wav"));
        ASSERT_FALSE(va.samples.empty());
        EXPECT_EQ(va.samples, v3.samples);
      }
    }
  }
  ASSERT_EQ(Render({"--plugin", KOLMARI_VST3_BUNDLE, "--set", "Wet=12", "--state-out", Path("s.state")}).status, 0);
  const Outcome list = Render({"--plugin", KOLMARI_PLUGIN_BINARY, "--state-in", Path("s.state"), "--state-out",
                               Path("t.state")});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(Slurp(Path("s.state")), Slurp(Path("t.state")));
  // A folder that is no bundle is refused with a message, not loaded.
  const Outcome bad = Render({"--plugin", Path("missing.vst3"), "--list"});
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.err.find("cannot load plug-in"), std::string::npos) << bad.err;
}

// --plugin with a .lv2 bundle renders through lilv: at the same seed and block size its output
// equals the VST 2.4 binary's bit for bit, for stereo and mono files, with parameters set by name,
// at block sizes from 1 to past the binding's own limit (where it splits the host's block), and
// at the rates a session uses. Fed other block sizes the random drift is drawn per other blocks, so
// the block size must be the same.
TEST_F(RenderProgram, Lv2RendersEqualVst2RendersBitForBit) {
  struct Case {
    int rate;
    int channels;
    const char* block;
    const char* oversampling;
  };
  for (const Case& c : {Case{44100, 2, "512", "Oversampling=0"}, Case{96000, 2, "700", "Oversampling=3"},
                        Case{48000, 1, "700", "Oversampling=1"}, Case{48000, 2, "1", "Oversampling=2"},
                        Case{48000, 2, "5000", "Oversampling=0"}}) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels, blocks of " + c.block +
                 ", " + c.oversampling);
    const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.channels, c.rate / 4, c.rate);
    std::vector<std::string> args{"--seed", "77", "--set", c.oversampling, "--set", "Input Gain=150",
                                  "--set", "Tame=0.25", "--block", c.block};
    std::vector<std::string> vst = args, lv2 = args;
    vst.insert(vst.end(), {"--plugin", KOLMARI_PLUGIN_BINARY, in, Path("vst.wav")});
    lv2.insert(lv2.end(), {"--plugin", KOLMARI_LV2_BUNDLE, in, Path("lv2.wav")});
    const Outcome a = Render(vst);
    const Outcome b = Render(lv2);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(b.out.find("Kolmari by Lumenfold (" KOLMARI_LV2_BUNDLE ")"), std::string::npos) << b.out;
    EXPECT_NE(b.out.find(c.channels == 2 ? "layout:   stereo\n" : "layout:   mono into input 1 of 2"),
              std::string::npos)
        << b.out;
    const Audio va = Read(Path("vst.wav"));
    const Audio la = Read(Path("lv2.wav"));
    ASSERT_FALSE(va.samples.empty());
    EXPECT_EQ(la.info.channels, c.channels);
    EXPECT_EQ(va.samples, la.samples);
  }
  // Without a seed two renders differ (the drift is real), and a seed makes them equal again.
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 11025, 44100);
  ASSERT_EQ(Render({"--plugin", KOLMARI_LV2_BUNDLE, in, Path("a.wav")}).status, 0);
  ASSERT_EQ(Render({"--plugin", KOLMARI_LV2_BUNDLE, in, Path("b.wav")}).status, 0);
  EXPECT_NE(Read(Path("a.wav")).samples, Read(Path("b.wav")).samples);
  // LV2 audio ports are float: a 64-bit render is refused, not quietly made in 32 bits.
  const Outcome wide = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--double", in, Path("c.wav")});
  EXPECT_EQ(wide.status, 2);
  EXPECT_NE(wide.err.find("no 64-bit processing"), std::string::npos) << wide.err;
}

// The LV2 table lists the control ports: the same parameters in the same order, with the same
// numbers at both ends and as the default, and the same units. What LV2 data cannot carry differs:
// there is no display text of the plug-in's own, so the numbers show in their shortest form
// ("32", not "32.00"), and the bypass parameter is the host's "Enabled" port, its inverse.
TEST_F(RenderProgram, Lv2ListShowsTheSameParametersAsPorts) {
  const auto rows = [](const std::string& table) {
    std::vector<std::vector<std::string>> out;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> cells;
      // Columns are two or more blanks apart; a name has single blanks.
      for (size_t at = 0; at < line.size();) {
        size_t end = line.find("  ", at);
        if (end == std::string::npos) end = line.size();
        cells.push_back(line.substr(at, end - at));
        at = line.find_first_not_of(' ', end);
        if (at == std::string::npos) break;
      }
      out.push_back(cells);
    }
    return out;
  };
  const Outcome vst = Render({"--plugin", KOLMARI_PLUGIN_BINARY, "--list"});
  const Outcome lv2 = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--list"});
  ASSERT_EQ(vst.status, 0) << vst.err;
  ASSERT_EQ(lv2.status, 0) << lv2.err;
  EXPECT_NE(lv2.out.find("Input Gain    0    200  32       %"), std::string::npos) << lv2.out;
  const auto v = rows(vst.out);
  const auto l = rows(lv2.out);
  ASSERT_EQ(l.size(), v.size()) << lv2.out;
  ASSERT_EQ(l.size(), 10u);
  EXPECT_EQ(l[0], v[0]); // the heading
  EXPECT_EQ(l[1], (std::vector<std::string>{"0", "Enabled", "0", "1", "1"}));
  EXPECT_EQ(v[1], (std::vector<std::string>{"0", "Bypass", "0", "1", "0"}));
  for (size_t r = 2; r < v.size(); ++r) {
    SCOPED_TRACE(vst.out + lv2.out);
    ASSERT_EQ(l[r].size(), v[r].size());
    EXPECT_EQ(l[r][0], v[r][0]);
    EXPECT_EQ(l[r][1], v[r][1]);
    for (size_t cell = 2; cell <= 4; ++cell) EXPECT_EQ(std::stod(l[r][cell]), std::stod(v[r][cell]));
    if (v[r].size() > 5) {
      EXPECT_EQ(l[r][5], v[r][5]);
    }
  }
  // --set takes the same plain values in both; "Enabled" is how LV2 hosts switch the effect off.
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 4000, 48000);
  const Outcome off = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--set", "Enabled=0", "--block", "7", in,
                              Path("off.wav")});
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_EQ(Read(Path("off.wav")).samples, Read(in).samples);
  const Outcome outside = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--set", "Wet=101", "--list"});
  EXPECT_EQ(outside.status, 2);
  const Outcome bad = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--set", "Oversampling=1.5", in, Path("x.wav")});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("whole numbers only"), std::string::npos) << bad.err;
}

// An LV2 plug-in that keeps its settings in its ports has them saved by the host as an LV2 preset:
// --state-out writes one (Turtle, the port values under the plug-in's URI, as lilv writes presets
// for its hosts), --state-in reads it back into the same settings. A program chunk of the other formats is
// no preset and is refused with a message, as a preset is by them; so is a preset that does not fit
// (another plug-in's, a value out of range, a port the plug-in does not have).
TEST_F(RenderProgram, Lv2StateIsAPresetOfThePortValues) {
  const Outcome saved = Render({"--plugin", KOLMARI_LV2_BUNDLE, "--set", "Wet=12", "--set", "Oversampling=3",
                                "--state-out", Path("s.ttl")});
  ASSERT_EQ(saved.status, 0) << saved.err;
  const std::string preset = Slurp(Path("s.ttl"));
  EXPECT_NE(preset.find("a pset:Preset"), std::string::npos) << preset;
  EXPECT_NE(preset.find("lv2:appliesTo <https://lumenfold.com/plugins/kolmari>"), std::string::npos) << preset;
  EXPECT_NE(preset.find("lv2:symbol \"wet\" ;\n\t\tpset:value 12.0"), std::string::npos) << preset;
  EXPECT_NE(preset.find("@prefix pset:"), std::string::npos) << "a Turtle file any tool reads";

  // Reloaded, the settings are the same: saved again byte for byte, rendered again sample for sample.
  ASSERT_EQ(Render({"--plugin", KOLMARI_LV2_BUNDLE, "--state-in", Path("s.ttl"), "--state-out", Path("t.ttl")}).status,
            0);
  EXPECT_EQ(Slurp(Path("t.ttl")), preset);
  const std::string in = WriteInput("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 11025, 44100);
  ASSERT_EQ(Render({"--plugin", KOLMARI_LV2_BUNDLE, "--seed", "3", "--state-in", Path("s.ttl"), in, Path("a.wav")})
                .status,
            0);
  ASSERT_EQ(Render({"--plugin", KOLMARI_LV2_BUNDLE, "--seed", "3", "--set", "Wet=12", "--set", "Oversampling=3", in,
                    Path("b.wav")})
                .status,
            0);
  EXPECT_EQ(Read(Path("a.wav")).samples, Read(Path("b.wav")).samples);

  const auto refused = [&](const std::string& file, const char* plugin) {
    SCOPED_TRACE(file);
    const Outcome run = Render({"--plugin", plugin, "--state-in", Path(file), "--state-out", Path("out.state")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    if (std::string(plugin) == KOLMARI_LV2_BUNDLE) {
      EXPECT_NE(run.err.find("is not an LV2 preset of Kolmari by Lumenfold"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(Path("out.state")));
  };
  ASSERT_EQ(Render({"--plugin", KOLMARI_PLUGIN_BINARY, "--state-out", Path("chunk.state")}).status, 0);
  refused("chunk.state", KOLMARI_LV2_BUNDLE);
  refused("s.ttl", KOLMARI_PLUGIN_BINARY);
  const auto variant = [&](const std::string& name, const std::string& from, const std::string& to) {
    std::string text = preset;
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(Path(name), std::ios::binary) << text;
  };
  variant("mono.ttl", "plugins/kolmari>", "plugins/kolmari-mono>");
  refused("mono.ttl", KOLMARI_LV2_BUNDLE);
  variant("loud.ttl", "pset:value 12.0", "pset:value 150.0");
  refused("loud.ttl", KOLMARI_LV2_BUNDLE);
  variant("half.ttl", "pset:value 3.0", "pset:value 2.5");
  refused("half.ttl", KOLMARI_LV2_BUNDLE);
  variant("other.ttl", "\"wet\"", "\"wetness\"");
  refused("other.ttl", KOLMARI_LV2_BUNDLE);
  std::ofstream(Path("text.ttl")) << "these are not the settings you are looking for\n";
  refused("text.ttl", KOLMARI_LV2_BUNDLE);
}

// A bundle that cannot be hosted is refused with a message that says why, never by a crash: no
// bundle at all, a binary that is missing, and a truncated binary, which the loader would map and
// die on at first touch.
TEST_F(RenderProgram, Lv2BundlesThatCannotLoadAreRefusedWithAMessage) {
  const auto refused = [&](const std::string& bundle, const std::string& why) {
    SCOPED_TRACE(bundle);
    const Outcome run = Render({"--plugin", bundle, "--list"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot load plug-in"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
  };
  fs::create_directory(Path("empty.lv2"));
  refused(Path("empty.lv2"), "no manifest.ttl");
  std::ofstream(Path("file.lv2")) << "not a folder\n";
  refused(Path("file.lv2"), "is none");

  fs::copy(KOLMARI_LV2_BUNDLE, Path("cut.lv2"), fs::copy_options::recursive);
  fs::resize_file(Path("cut.lv2/Kolmari.so"), 20000);
  refused(Path("cut.lv2"), "truncated");
  fs::remove(Path("cut.lv2/Kolmari.so"));
  refused(Path("cut.lv2"), "could not be instantiated");
}
