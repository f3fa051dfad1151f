// The audio files of builds without libsndfile (the Windows build): WAV files only, read as 8-bit
// unsigned, 16/24/32-bit signed integer or 32/64-bit float samples, also in the extensible layout,
// and written as 32-bit float. Integer samples scale to -1..1 as libsndfile scales them, so both
// builds render a file alike.
#include "AudioFile.h"

#include "ToolError.h"
#include "ToolPlatform.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

// The header declares the open file only by this name; here it is a WAV stream and its layout.
struct sf_private_tag {
  std::ifstream in;
  int encoding = 0;       // 1 integer PCM, 3 IEEE float
  int bytesPerSample = 0; // of one channel
  std::vector<unsigned char> raw;
  // Writing only: the output's layout and the frames written so far.
  int sampleRate = 0;
  int channels = 0;
  int64_t framesWritten = 0;
};

namespace kolmari::render {

namespace {

constexpr int kPcm = 1;
constexpr int kFloat = 3;
constexpr int kExtensible = 0xFFFE;
// Header of the written file: RIFF, fmt (16 bytes), fact, then the data chunk's header.
constexpr int64_t kWrittenHeaderBytes = 12 + 8 + 16 + 12 + 8;

uint32_t Get32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

std::string Description(int encoding, int bits) {
  std::string text = "WAV (Microsoft), ";
  if (encoding == kFloat) return text + std::to_string(bits) + " bit float";
  if (bits == 8) return text + "Unsigned 8 bit PCM";
  return text + "Signed " + std::to_string(bits) + " bit PCM";
}

template <typename Sample>
void Convert(const unsigned char* raw, int encoding, int bytes, Sample* out, int64_t count) {
  for (int64_t i = 0; i < count; ++i, raw += bytes) {
    double value = 0.0;
    if (encoding == kFloat && bytes == 4) {
      float f;
      std::memcpy(&f, raw, 4);
      value = f;
    } else if (encoding == kFloat) {
      std::memcpy(&value, raw, 8);
    } else if (bytes == 1) {
      value = (static_cast<int>(raw[0]) - 128) / 128.0;
    } else if (bytes == 2) {
      value = static_cast<int16_t>(Get16(raw)) / 32768.0;
    } else if (bytes == 3) {
      const int32_t v = static_cast<int32_t>((raw[0] << 8) | (raw[1] << 16) | (static_cast<uint32_t>(raw[2]) << 24)) >> 8;
      value = v / 8388608.0;
    } else {
      value = static_cast<int32_t>(Get32(raw)) / 2147483648.0;
    }
    out[i] = static_cast<Sample>(value);
  }
}

} // namespace

AudioReader::AudioReader(const std::string& path) : mPath(path) {
  const std::string cannot = "cannot read " + Quoted(path) + ": ";
  if (path == "-") throw ToolError(cannot + "reading standard input is not supported");
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw ToolError(cannot + "it is a directory");
  if (!std::filesystem::exists(path, ec)) throw ToolError(cannot + "No such file or directory");

  auto file = std::make_unique<sf_private_tag>();
  file->in.open(path, std::ios::binary);
  if (!file->in) throw ToolError(cannot + std::strerror(errno));
  std::istream& in = file->in;

  std::array<unsigned char, 12> riff{};
  if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
      std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
    throw ToolError(cannot + "not a WAV file (this build reads WAV files only)");

  int format = 0, channels = 0, bits = 0, blockAlign = 0;
  long long rate = 0;
  bool haveFormat = false;
  for (;;) {
    std::array<unsigned char, 8> chunk{};
    if (!in.read(reinterpret_cast<char*>(chunk.data()), chunk.size()))
      throw ToolError(cannot + (haveFormat ? "the file has no audio data" : "the file has no format chunk"));
    const uint32_t size = Get32(chunk.data() + 4);
    if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
      if (size < 16 || size > 1024) throw ToolError(cannot + "its format chunk is damaged");
      std::vector<unsigned char> body(size + (size & 1));
      if (!in.read(reinterpret_cast<char*>(body.data()), static_cast<std::streamsize>(body.size())))
        throw ToolError(cannot + "its format chunk is damaged");
      format = Get16(body.data());
      channels = Get16(body.data() + 2);
      rate = Get32(body.data() + 4);
      blockAlign = Get16(body.data() + 12);
      bits = Get16(body.data() + 14);
      // The extensible layout names the real encoding in the first two bytes of its sub-format.
      if (format == kExtensible && size >= 40) format = Get16(body.data() + 24);
      haveFormat = true;
    } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
      if (!haveFormat) throw ToolError(cannot + "the audio data comes before its format");
      const auto start = in.tellg();
      in.seekg(0, std::ios::end);
      const auto end = in.tellg();
      in.seekg(start);
      if (channels < 1 || channels > kMaxChannels)
        throw ToolError(Quoted(path) + " has " + std::to_string(channels) +
                        " channels; only mono and stereo files are supported");
      if (rate <= 0 || rate > std::numeric_limits<int>::max()) throw ToolError(Quoted(path) + " has no usable sample rate");
      const bool pcm = format == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
      const bool real = format == kFloat && (bits == 32 || bits == 64);
      if ((!pcm && !real) || blockAlign != channels * (bits / 8))
        throw ToolError(cannot + "its sample format is not supported (format " + std::to_string(format) + ", " +
                        std::to_string(bits) + " bits)");
      // A data chunk that claims more than the file holds is read as far as it goes.
      const int64_t available = static_cast<int64_t>(end - start);
      const int64_t bytes = std::min<int64_t>(size, available);
      file->encoding = format;
      file->bytesPerSample = bits / 8;
      mFormat.sampleRate = static_cast<int>(rate);
      mFormat.channels = channels;
      mFormat.frames = bytes / blockAlign;
      // What a cut-short file promised, for the tool's warning; 0xFFFFFFFF is the mark of a stream
      // whose length was never written, which promises nothing.
      if (size != 0xFFFFFFFFu && static_cast<int64_t>(size) > available) mFormat.promisedFrames = size / blockAlign;
      mFormat.description = Description(format, bits);
      break;
    } else {
      in.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
      if (!in) throw ToolError(cannot + "the file has no audio data");
    }
  }
  mFile = file.release();
}

AudioReader::~AudioReader() { delete mFile; }

std::string AudioReader::Library() { return "its own WAV reader"; }

int64_t AudioReader::CheckRead(int64_t requested, int64_t got) {
  mFramesRead += got;
  if (got < requested && mFramesRead < mFormat.frames) {
    throw ToolError("cannot read " + Quoted(mPath) + ": it ends after " + std::to_string(mFramesRead) + " of " +
                    std::to_string(mFormat.frames) + " frames");
  }
  return got;
}

namespace {

template <typename Sample>
int64_t ReadFrames(sf_private_tag& file, const AudioFormat& format, int64_t framesRead, Sample* out, int64_t frames) {
  frames = std::max<int64_t>(0, std::min(frames, format.frames - framesRead));
  const int64_t samples = frames * format.channels;
  file.raw.resize(static_cast<size_t>(samples * file.bytesPerSample));
  file.in.read(reinterpret_cast<char*>(file.raw.data()), static_cast<std::streamsize>(file.raw.size()));
  const int64_t got = static_cast<int64_t>(file.in.gcount()) / (file.bytesPerSample * format.channels);
  Convert(file.raw.data(), file.encoding, file.bytesPerSample, out, got * format.channels);
  return got;
}

} // namespace

int64_t AudioReader::Read(float* interleaved, int64_t frames) {
  return CheckRead(frames, ReadFrames(*mFile, mFormat, mFramesRead, interleaved, frames));
}

int64_t AudioReader::Read(double* interleaved, int64_t frames) {
  return CheckRead(frames, ReadFrames(*mFile, mFormat, mFramesRead, interleaved, frames));
}

namespace {

// The header of a 32-bit float WAV file with this many frames.
std::array<unsigned char, kWrittenHeaderBytes> FloatWavHeader(int sampleRate, int channels, int64_t frames) {
  std::array<unsigned char, kWrittenHeaderBytes> h{};
  const uint32_t dataBytes = static_cast<uint32_t>(frames * channels * 4);
  unsigned char* p = h.data();
  std::memcpy(p, "RIFF", 4);
  Put32(p + 4, static_cast<uint32_t>(kWrittenHeaderBytes - 8 + dataBytes));
  std::memcpy(p + 8, "WAVE", 4);
  std::memcpy(p + 12, "fmt ", 4);
  Put32(p + 16, 16);
  Put16(p + 20, kFloat);
  Put16(p + 22, static_cast<uint16_t>(channels));
  Put32(p + 24, static_cast<uint32_t>(sampleRate));
  Put32(p + 28, static_cast<uint32_t>(sampleRate * channels * 4));
  Put16(p + 32, static_cast<uint16_t>(channels * 4));
  Put16(p + 34, 32);
  // Every format but integer PCM carries the frame count in a fact chunk.
  std::memcpy(p + 36, "fact", 4);
  Put32(p + 40, 4);
  Put32(p + 44, static_cast<uint32_t>(frames));
  std::memcpy(p + 48, "data", 4);
  Put32(p + 52, dataBytes);
  return h;
}

} // namespace

AudioWriter::AudioWriter(const std::string& path, int sampleRate, int channels) : mTemp(path) {
  if (sampleRate <= 0 || channels < 1 || channels > AudioReader::kMaxChannels) Fail("unsupported sample rate or channel count");
  mFile = new sf_private_tag;
  mFile->sampleRate = sampleRate;
  mFile->channels = channels;
  const auto header = FloatWavHeader(sampleRate, channels, 0);
  if (!platform::WriteAll(mTemp.Descriptor(), header.data(), header.size())) Fail(std::strerror(errno));
}

AudioWriter::~AudioWriter() { Discard(); }

void AudioWriter::Discard() {
  delete mFile;
  mFile = nullptr;
  mTemp.Discard();
}

void AudioWriter::Fail(const std::string& reason) {
  Discard();
  mTemp.Fail(reason);
}

void AudioWriter::Write(const float* interleaved, int64_t frames) {
  if (!mFile) Fail("the file is already closed");
  if (frames <= 0) return;
  const int channels = mFile->channels;
  // The sizes in a WAV header are 32-bit.
  if ((mFile->framesWritten + frames) * channels * 4 > std::numeric_limits<uint32_t>::max() - kWrittenHeaderBytes)
    Fail("the output would be larger than a WAV file can be (4 GiB)");
  static_assert(sizeof(float) == 4);
  // Little-endian float samples are the bytes of the floats themselves on this machine.
  if (!platform::WriteAll(mTemp.Descriptor(), interleaved, static_cast<size_t>(frames * channels) * sizeof(float)))
    Fail(std::strerror(errno));
  mFile->framesWritten += frames;
}

void AudioWriter::Commit() {
  if (!mFile) Fail("the file is already closed");
  const auto header = FloatWavHeader(mFile->sampleRate, mFile->channels, mFile->framesWritten);
  if (!platform::SeekTo(mTemp.Descriptor(), 0) || !platform::WriteAll(mTemp.Descriptor(), header.data(), header.size()))
    Fail(std::strerror(errno));
  delete mFile;
  mFile = nullptr;
  mTemp.Commit();
}

} // namespace kolmari::render
