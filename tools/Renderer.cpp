#include "Renderer.h"

#include "AudioFile.h"
#include "ToolError.h"
#include "PluginInstance.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace kolmari::render {

using testhost::AudioBuffers;

namespace {

// Frames read from and written to the files at a time: large enough that file I/O stays cheap,
// and always whole blocks so every block but the file's last is full.
int ChunkFrames(int blockSize) { return blockSize * std::max(1, 16384 / blockSize); }

std::string Plural(int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

} // namespace

Renderer::Renderer(testhost::PluginInstance& plugin, int blockSize, bool doublePrecision)
    : mPlugin(plugin), mBlockSize(blockSize), mDoublePrecision(doublePrecision) {}

void Renderer::Check(int channels) const {
  const int inputs = mPlugin.NumInputs();
  const int outputs = mPlugin.NumOutputs();
  if (inputs < channels || outputs < channels)
    throw ToolError("the plug-in has " + Plural(inputs, "input") + " and " + Plural(outputs, "output") +
                    "; it cannot render a file of " + Plural(channels, "channel"));
  if (mDoublePrecision && !mPlugin.Supports64Bit())
    throw UsageError("--double: the plug-in has no 64-bit processing");
}

void Renderer::Prepare(int sampleRate, int channels) {
  Check(channels);
  mLayout = mPlugin.StartAudio(sampleRate, mBlockSize, mDoublePrecision, channels);
  if (mLayout.empty()) throw ToolError("the plug-in refused to start processing");
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
      const bool processed = mPlugin.RenderBlock(blockIn, blockOut);
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
  mPlugin.StopAudio();
  result.processingSeconds = std::chrono::duration<double>(processing).count();
  return result;
}

} // namespace kolmari::render
