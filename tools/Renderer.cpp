#include "Renderer.h"

#include "AudioFile.h"
#include "ToolError.h"
#include "VstPluginInstance.h"

#include "VstConstants.h"
#include "VstEffectOpcodes.h"
#include "VstSpeakerArrangement.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace kolmari::render {

using namespace lumen::vst2;
using testhost::AudioBuffers;

namespace {

// Frames read from and written to the files at a time: large enough that file I/O stays cheap,
// and always whole blocks so every block but the file's last is full.
int ChunkFrames(int blockSize) { return blockSize * std::max(1, 16384 / blockSize); }

VstSpeakerArrangement Arrangement(int channels) {
  VstSpeakerArrangement arrangement{};
  arrangement.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  arrangement.numChannels = channels;
  if (channels == 1) {
    arrangement.speakers[0].type = kSpeakerM;
  } else {
    arrangement.speakers[0].type = kSpeakerL;
    arrangement.speakers[1].type = kSpeakerR;
  }
  return arrangement;
}

std::string Plural(int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

bool Process(testhost::VstPluginInstance& plugin, AudioBuffers<float>& in, AudioBuffers<float>& out) {
  if (plugin.HasFlag(effFlagsCanReplacing)) return plugin.ProcessReplacing(in, out);
  // Old plug-ins only add into the outputs.
  out.Fill(0.0f);
  return plugin.Process(in, out);
}

bool Process(testhost::VstPluginInstance& plugin, AudioBuffers<double>& in, AudioBuffers<double>& out) {
  return plugin.ProcessDoubleReplacing(in, out);
}

} // namespace

Renderer::Renderer(testhost::VstPluginInstance& plugin, int blockSize, bool doublePrecision)
    : mPlugin(plugin), mBlockSize(blockSize), mDoublePrecision(doublePrecision) {}

void Renderer::Check(int channels) const {
  const int inputs = mPlugin.NumInputs();
  const int outputs = mPlugin.NumOutputs();
  if (inputs < channels || outputs < channels)
    throw ToolError("the plug-in has " + Plural(inputs, "input") + " and " + Plural(outputs, "output") +
                    "; it cannot render a file of " + Plural(channels, "channel"));
  if (mDoublePrecision && !mPlugin.HasFlag(effFlagsCanDoubleReplacing))
    throw UsageError("--double: the plug-in has no 64-bit processing (processDoubleReplacing)");
}

void Renderer::Prepare(int sampleRate, int channels) {
  Check(channels);
  mPlugin.Suspend();
  // Rendering a file is offline work: the plug-in may take its time (and its best quality).
  mPlugin.Host().SetProcessLevel(kVstProcessLevelOffline);
  mPlugin.SetSampleRate(sampleRate);
  mPlugin.SetBlockSize(mBlockSize);
  mPlugin.Dispatch(effSetProcessPrecision, 0, mDoublePrecision ? kVstProcessPrecision64 : kVstProcessPrecision32);

  // A mono file is a mono track, if the plug-in can be one.
  VstSpeakerArrangement inputArrangement = Arrangement(channels);
  VstSpeakerArrangement outputArrangement = Arrangement(channels);
  const bool arranged = mPlugin.SetSpeakerArrangement(&inputArrangement, &outputArrangement) != 0;
  if (channels == 2) {
    mLayout = "stereo";
  } else if (mPlugin.NumInputs() == 1 && mPlugin.NumOutputs() == 1) {
    mLayout = "mono";
  } else if (arranged) {
    mLayout = "mono (the plug-in took a mono speaker arrangement)";
  } else {
    mLayout = "mono into input 1 of " + std::to_string(mPlugin.NumInputs()) + ", silence into the rest, output 1 of " +
              std::to_string(mPlugin.NumOutputs()) + " kept";
  }

  mPlugin.Resume();
  mPrepared = true;
}

Renderer::Result Renderer::Run(AudioReader& reader, AudioWriter& writer, const Progress& progress) {
  if (!mPrepared) Prepare(reader.Format().sampleRate, reader.Format().channels);
  return mDoublePrecision ? RunWith<double>(reader, writer, progress) : RunWith<float>(reader, writer, progress);
}

template <typename Sample>
Renderer::Result Renderer::RunWith(AudioReader& reader, AudioWriter& writer, const Progress& progress) {
  using Clock = std::chrono::steady_clock;
  const int channels = reader.Format().channels;
  const auto width = static_cast<size_t>(channels);

  const int chunk = ChunkFrames(mBlockSize);
  std::vector<Sample> interleaved(static_cast<size_t>(chunk) * width);
  std::vector<float> written(interleaved.size());
  // Only a file's last block can be short; it gets buffers of its own length.
  AudioBuffers<Sample> in(mPlugin.NumInputs(), mBlockSize);
  AudioBuffers<Sample> out(mPlugin.NumOutputs(), mBlockSize);
  std::optional<AudioBuffers<Sample>> shortIn, shortOut;

  Result result;
  Clock::duration processing{};
  for (;;) {
    const auto frames = static_cast<int>(reader.Read(interleaved.data(), chunk));
    if (frames <= 0) break;
    const size_t samples = static_cast<size_t>(frames) * width;
    result.input.Add(interleaved.data(), samples);

    for (int offset = 0; offset < frames; offset += mBlockSize) {
      const int length = std::min(mBlockSize, frames - offset);
      if (length < mBlockSize && (!shortIn || shortIn->Frames() != length)) {
        shortIn.emplace(mPlugin.NumInputs(), length);
        shortOut.emplace(mPlugin.NumOutputs(), length);
      }
      AudioBuffers<Sample>& blockIn = length < mBlockSize ? *shortIn : in;
      AudioBuffers<Sample>& blockOut = length < mBlockSize ? *shortOut : out;
      const Sample* source = interleaved.data() + static_cast<size_t>(offset) * width;
      for (size_t c = 0; c < width; ++c) {
        Sample* channel = blockIn.Channel(static_cast<int32_t>(c)).data();
        for (size_t f = 0; f < static_cast<size_t>(length); ++f) channel[f] = source[f * width + c];
      }
      // Inputs beyond the file's get silence, every block: a plug-in may have used them as scratch.
      for (int32_t c = channels; c < blockIn.Channels(); ++c) {
        auto& silent = blockIn.Channel(c);
        std::fill(silent.begin(), silent.end(), Sample(0));
      }

      const auto start = Clock::now();
      const bool processed = Process(mPlugin, blockIn, blockOut);
      processing += Clock::now() - start;
      if (!processed) throw ToolError("the plug-in refused to process a block");

      float* target = written.data() + static_cast<size_t>(offset) * width;
      for (size_t c = 0; c < width; ++c) {
        const Sample* channel = blockOut.Channel(static_cast<int32_t>(c)).data();
        for (size_t f = 0; f < static_cast<size_t>(length); ++f) target[f * width + c] = static_cast<float>(channel[f]);
      }
    }

    result.output.Add(written.data(), samples);
    writer.Write(written.data(), frames);

    result.frames += frames;
    if (progress && !progress(result.frames)) throw ToolError("interrupted", ToolError::Kind::Interrupted);
  }
  mPlugin.Suspend();
  result.processingSeconds = std::chrono::duration<double>(processing).count();
  return result;
}

} // namespace kolmari::render
