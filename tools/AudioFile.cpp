#include "AudioFile.h"

#include "ToolError.h"
#include "WavHeader.h"

#include <sndfile.h>

#include <filesystem>
#include <string_view>

namespace kolmari::render {

namespace {

// libsndfile's messages read "System error : No such file or directory." or "Format not
// recognised."; shown after "cannot read 'x': " they read better without the prefix and the stop.
std::string LibraryMessage(const char* text) {
  std::string message = text ? text : "unknown error";
  constexpr std::string_view kPrefix = "System error : ";
  if (message.starts_with(kPrefix)) message.erase(0, kPrefix.size());
  while (!message.empty() && (message.back() == '.' || message.back() == '\n')) message.pop_back();
  return message;
}

std::string FormatName(int format) {
  SF_FORMAT_INFO major{};
  major.format = format & SF_FORMAT_TYPEMASK;
  SF_FORMAT_INFO minor{};
  minor.format = format & SF_FORMAT_SUBMASK;
  std::string text;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name) text = major.name;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &minor, sizeof minor) == 0 && minor.name) {
    if (!text.empty()) text += ", ";
    text += minor.name;
  }
  return text;
}

} // namespace

AudioReader::AudioReader(const std::string& path) : mPath(path) {
  // libsndfile reads standard input for "-"; a file argument always means a file here.
  if (path == "-") throw ToolError("cannot read " + Quoted(path) + ": reading standard input is not supported");
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw ToolError("cannot read " + Quoted(path) + ": it is a directory");

  SF_INFO info{};
  mFile = sf_open(path.c_str(), SFM_READ, &info);
  if (!mFile) throw ToolError("cannot read " + Quoted(path) + ": " + LibraryMessage(sf_strerror(nullptr)));

  if (info.channels < 1 || info.channels > kMaxChannels) {
    sf_close(mFile);
    mFile = nullptr;
    throw ToolError(Quoted(path) + " has " + std::to_string(info.channels) +
                    " channels; only mono and stereo files are supported");
  }
  if (info.samplerate <= 0) {
    sf_close(mFile);
    mFile = nullptr;
    throw ToolError(Quoted(path) + " has no usable sample rate");
  }
  mFormat.sampleRate = info.samplerate;
  mFormat.channels = info.channels;
  mFormat.frames = info.frames;
  mFormat.description = FormatName(info.format);
  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) {
    if (const auto promised = WavHeader::PromisedFrames(path); promised && *promised > info.frames)
      mFormat.promisedFrames = *promised;
  }
}

std::string AudioReader::Library() { return sf_version_string(); }

AudioReader::~AudioReader() {
  if (mFile) sf_close(mFile);
}

int64_t AudioReader::CheckRead(int64_t requested, int64_t got) {
  mFramesRead += got;
  if (got < requested && mFramesRead < mFormat.frames) {
    const int error = sf_error(mFile);
    throw ToolError("cannot read " + Quoted(mPath) + ": it ends after " + std::to_string(mFramesRead) + " of " +
                    std::to_string(mFormat.frames) + " frames" +
                    (error != SF_ERR_NO_ERROR ? std::string(" (") + LibraryMessage(sf_error_number(error)) + ")" : std::string()));
  }
  return got;
}

int64_t AudioReader::Read(float* interleaved, int64_t frames) {
  return CheckRead(frames, sf_readf_float(mFile, interleaved, frames));
}

int64_t AudioReader::Read(double* interleaved, int64_t frames) {
  return CheckRead(frames, sf_readf_double(mFile, interleaved, frames));
}

AudioWriter::AudioWriter(const std::string& path, int sampleRate, int channels) : mTemp(path) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  mFile = sf_open_fd(mTemp.Descriptor(), SFM_WRITE, &info, SF_FALSE);
  if (!mFile) Fail(LibraryMessage(sf_strerror(nullptr)));
}

AudioWriter::~AudioWriter() { Discard(); }

// sf_close may still write to the descriptor, so it comes before the temporary file goes.
void AudioWriter::Discard() {
  if (mFile) sf_close(mFile);
  mFile = nullptr;
  mTemp.Discard();
}

void AudioWriter::Fail(const std::string& reason) {
  Discard();
  mTemp.Fail(reason);
}

void AudioWriter::Write(const float* interleaved, int64_t frames) {
  if (!mFile) Fail("the file is already closed");
  if (sf_writef_float(mFile, interleaved, frames) != frames) Fail(LibraryMessage(sf_strerror(mFile)));
}

void AudioWriter::Commit() {
  if (!mFile) Fail("the file is already closed");
  // sf_close writes the final header sizes; its error says the file is incomplete.
  const int closeError = sf_close(mFile);
  mFile = nullptr;
  if (closeError != SF_ERR_NO_ERROR) Fail(LibraryMessage(sf_error_number(closeError)));
  mTemp.Commit();
}

} // namespace kolmari::render
