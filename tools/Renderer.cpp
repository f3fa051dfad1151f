#include "Renderer.h"

#include "AudioFile.h"
#include "ToolError.h"

#include "Kolmari.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace kolmari::render {

namespace {

// Frames read from and written to the files at a time: large enough that file I/O stays cheap,
// and always whole blocks so every block but the file's last is full.
int ChunkFrames(int blockSize) { return blockSize * std::max(1, 16384 / blockSize); }

void Process(Kolmari& plugin, float* const* in, float* const* out, int frames) {
  plugin.ProcessReplacing32(in, out, frames);
}

void Process(Kolmari& plugin, double* const* in, double* const* out, int frames) {
  plugin.ProcessReplacing64(in, out, frames);
}

} // namespace

Renderer::Renderer(Kolmari& plugin, int blockSize, bool doublePrecision)
    : mPlugin(plugin), mBlockSize(blockSize), mDoublePrecision(doublePrecision) {}

void Renderer::Prepare(int sampleRate, int channels) {
  // A mono file is a mono track: the plug-in's second channel pair is not connected at all.
  for (const auto route : {lumen::ERoute::Input, lumen::ERoute::Output}) {
    mPlugin.ConnectChannels(route, 0, channels, true);
    mPlugin.ConnectChannels(route, channels, mPlugin.MaxChannels(route) - channels, false);
  }
  mPlugin.SetSampleRate(sampleRate);
  mPlugin.SetBlockSize(mBlockSize);
  mPlugin.SetRenderingOffline(true);
  mPlugin.OnReset();
}

Renderer::Result Renderer::Run(AudioReader& reader, AudioWriter& writer, const Progress& progress) {
  return mDoublePrecision ? RunWith<double>(reader, writer, progress) : RunWith<float>(reader, writer, progress);
}

template <typename Sample>
Renderer::Result Renderer::RunWith(AudioReader& reader, AudioWriter& writer, const Progress& progress) {
  using Clock = std::chrono::steady_clock;
  const int channels = reader.Format().channels;
  Prepare(reader.Format().sampleRate, channels);

  const int chunk = ChunkFrames(mBlockSize);
  const auto chunkSize = static_cast<size_t>(chunk);
  std::vector<Sample> interleaved(chunkSize * static_cast<size_t>(channels));
  std::vector<float> written(interleaved.size());
  std::array<std::vector<Sample>, AudioReader::kMaxChannels> in;
  std::array<std::vector<Sample>, AudioReader::kMaxChannels> out;
  for (int c = 0; c < channels; ++c) {
    in[static_cast<size_t>(c)].resize(chunkSize);
    out[static_cast<size_t>(c)].resize(chunkSize);
  }

  Result result;
  Clock::duration processing{};
  for (;;) {
    const auto frames = static_cast<int>(reader.Read(interleaved.data(), chunk));
    if (frames <= 0) break;
    const size_t n = static_cast<size_t>(frames);
    const size_t samples = n * static_cast<size_t>(channels);
    result.input.Add(interleaved.data(), samples);

    for (size_t f = 0; f < n; ++f) {
      for (size_t c = 0; c < static_cast<size_t>(channels); ++c) in[c][f] = interleaved[f * static_cast<size_t>(channels) + c];
    }

    const auto start = Clock::now();
    for (int offset = 0; offset < frames; offset += mBlockSize) {
      std::array<Sample*, AudioReader::kMaxChannels> inPointers{};
      std::array<Sample*, AudioReader::kMaxChannels> outPointers{};
      for (size_t c = 0; c < static_cast<size_t>(channels); ++c) {
        inPointers[c] = in[c].data() + offset;
        outPointers[c] = out[c].data() + offset;
      }
      Process(mPlugin, inPointers.data(), outPointers.data(), std::min(mBlockSize, frames - offset));
    }
    processing += Clock::now() - start;

    for (size_t f = 0; f < n; ++f) {
      for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        written[f * static_cast<size_t>(channels) + c] = static_cast<float>(out[c][f]);
    }
    result.output.Add(written.data(), samples);
    writer.Write(written.data(), frames);

    result.frames += frames;
    if (progress && !progress(result.frames)) throw ToolError("interrupted", ToolError::Kind::Interrupted);
  }
  result.processingSeconds = std::chrono::duration<double>(processing).count();
  return result;
}

} // namespace kolmari::render
