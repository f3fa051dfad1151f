// The LV2 plug-ins driven through their descriptor as a host drives them, every choice from the
// fuzz bytes: which plug-in and rate, raw 32-bit values on the control ports (a restored session's
// or preset's values reach the plug-in only this way: it keeps no state of its own), run() with
// block lengths from 0 to past the processor's block, ports connected late, to NULL or in place,
// and activate/deactivate in any order. Nothing may crash, and with finite input every output
// sample is finite whatever the controls hold.
#include <lv2/core/lv2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

[[noreturn]] void Fail(const char* what, long long detail) {
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::abort();
}

// The bytes read front to back; zeros once they run out.
class Reader {
public:
  Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool Done() const { return mPos >= mSize; }
  uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  uint32_t Word(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return v;
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

// The processor's own block, which longer runs are split into.
constexpr uint32_t kProcessorBlock = 4096;
constexpr uint32_t kCapacity = kProcessorBlock + 256;
constexpr double kRates[] = {44100.0, 48000.0, 96000.0, 22050.0, 192000.0, 8000.0, 11025.0, 384000.0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t setup = in.Byte();
  const bool stereo = (setup & 1) == 0;
  const LV2_Descriptor* descriptor = lv2_descriptor(stereo ? 0 : 1);
  if (!descriptor) Fail("the descriptor exists", stereo);
  const double rate = kRates[(setup >> 1) % (sizeof kRates / sizeof kRates[0])];
  LV2_Handle handle = descriptor->instantiate(descriptor, rate, "/nonexistent/", nullptr);
  if (!handle) Fail("the plug-in instantiates", static_cast<long long>(rate));

  const uint32_t channels = stereo ? 2 : 1;
  const uint32_t params = 9; // Kolmari's parameters, one control input each
  const uint32_t firstControl = 2 * channels;
  const uint32_t ports = firstControl + params + 1;
  std::vector<std::vector<float>> inputs(channels, std::vector<float>(kCapacity));
  std::vector<std::vector<float>> outputs(channels, std::vector<float>(kCapacity));
  std::vector<float> controls(params, 0.0f);
  float latency = 0.0f;
  // Which buffer each audio output writes: its own (0), its input's (1, in place) or none (2).
  std::vector<int> outputMode(channels, 0);

  // lilv's order: every port to NULL first, then the buffers.
  for (uint32_t p = 0; p < ports + 3; ++p) descriptor->connect_port(handle, p, nullptr);
  const auto connectAudio = [&] {
    for (uint32_t c = 0; c < channels; ++c) {
      descriptor->connect_port(handle, c, inputs[c].data());
      float* out = outputMode[c] == 0 ? outputs[c].data() : outputMode[c] == 1 ? inputs[c].data() : nullptr;
      descriptor->connect_port(handle, channels + c, out);
    }
  };
  if (setup & 0x80) {
    connectAudio();
    for (uint32_t i = 0; i < params; ++i) descriptor->connect_port(handle, firstControl + i, &controls[i]);
    descriptor->connect_port(handle, firstControl + params, &latency);
  }
  bool active = false;
  uint64_t phase = 0;

  for (int step = 0; step < 24 && !in.Done(); ++step) {
    const uint8_t op = in.Byte();
    // The low three bits choose the step; the others say which port or how (see each case).
    switch (op & 7) {
      case 0: { // a raw value on a control port: any bit pattern, NaN and infinities included
        const uint32_t bits = in.Word(4);
        std::memcpy(&controls[(op >> 3) % params], &bits, sizeof bits);
        break;
      }
      case 1: { // a value inside or near a port's range (-20..235), as most hosts send
        const uint32_t i = (op >> 3) % params;
        controls[i] = static_cast<float>(in.Byte()) - 20.0f;
        break;
      }
      case 2: { // connect the ports (again), or one of them to NULL
        const uint32_t port = in.Byte() % (ports + 2);
        if (op & 0x80) {
          descriptor->connect_port(handle, port, nullptr);
          if (port >= channels && port < 2 * channels) outputMode[port - channels] = 2;
        } else {
          for (uint32_t c = 0; c < channels; ++c) outputMode[c] = (op >> (4 + c)) & 1;
          connectAudio();
          for (uint32_t i = 0; i < params; ++i) descriptor->connect_port(handle, firstControl + i, &controls[i]);
          descriptor->connect_port(handle, firstControl + params, &latency);
        }
        break;
      }
      case 3: // activate / deactivate, in any order
        if (op & 0x80) {
          descriptor->deactivate(handle);
          active = false;
        } else {
          descriptor->activate(handle);
          active = true;
        }
        break;
      default: { // a block of any length up to past the processor's own
        // Mostly short blocks, where splitting and ramps go wrong; now and then one past the
        // processor's own block (long ones are slow under the sanitizers).
        const uint32_t word = in.Word(2);
        const uint32_t frames =
            (op & 0xC0) == 0xC0 && (word & 0x8000) ? kProcessorBlock + 1 + (word & 0xFF) : word % 256;
        const float amplitude = static_cast<float>(in.Byte()) / 64.0f;
        for (uint32_t c = 0; c < channels; ++c) {
          for (uint32_t f = 0; f < frames; ++f)
            inputs[c][f] = amplitude * static_cast<float>(std::sin(0.05 * static_cast<double>(phase + f) + c));
          std::fill(outputs[c].begin(), outputs[c].begin() + frames, 0.0f);
        }
        phase += frames;
        descriptor->run(handle, frames);
        if (!std::isfinite(latency) || latency < 0.0f) Fail("the latency is a frame count", 0);
        if (!active) break;
        for (uint32_t c = 0; c < channels; ++c) {
          const std::vector<float>& written = outputMode[c] == 1 ? inputs[c] : outputs[c];
          for (uint32_t f = 0; f < frames; ++f)
            if (!std::isfinite(written[f])) Fail("finite input gives finite output", static_cast<long long>(f));
        }
        break;
      }
    }
  }
  if (active && (setup & 0x40)) descriptor->deactivate(handle);
  descriptor->cleanup(handle);
  return 0;
}
