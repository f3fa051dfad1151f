// Writes the fuzz targets' starting inputs into a folder, one subfolder per target: chunks as a
// real instance hands them out (so they follow the layout as it is) and a few display texts.
//
//   kolmari_fuzz_seeds FOLDER

#include "FuzzSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using kolmari::fuzz::Bytes;
using kolmari::fuzz::Instance;

bool Write(const fs::path& file, const void* data, size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

bool Write(const fs::path& file, const Bytes& bytes) { return Write(file, bytes.data(), bytes.size()); }

bool Write(const fs::path& file, const std::string& text) { return Write(file, text.data(), text.size()); }

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kolmari_fuzz_seeds FOLDER\n");
    return 2;
  }
  const fs::path root(argv[1]);
  for (const char* target : {"state_chunk", "dispatcher", "display_text", "clap_state_events", "vst3_state_params",
                             "lv2_ports"})
    fs::create_directories(root / target);

  // Settings away from the defaults, and a named preset.
  Instance plugin;
  plugin.Start();
  lumen::vst2::AEffect* effect = plugin.Effect();
  const float settings[kolmari::kNumParams] = {0.0f, 1.0f, 0.6667f, 0.0f, 0.4f, 0.9f, 0.25f, 0.8f, 0.7f};
  for (int i = 0; i < kolmari::kNumParams; ++i) effect->setParameter(effect, i, settings[i]);
  char name[] = "Seed";
  plugin.Dispatch(lumen::vst2::effSetProgramName, 0, 0, name);
  const Bytes program = plugin.GetChunk(true);
  const Bytes bank = plugin.GetChunk(false);

  bool ok = true;
  for (const char* target : {"state_chunk", "dispatcher"}) {
    ok = Write(root / target / "program", program) && ok;
    ok = Write(root / target / "bank", bank) && ok;
  }
  // The CLAP target: the program chunk as a state read whole (0) and a byte at a time (1), after
  // the byte that picks a state input (even); and one event list of parameter changes (odd).
  for (uint8_t piece : {0, 1}) {
    Bytes state{0, piece};
    state.insert(state.end(), program.begin(), program.end());
    ok = Write(root / "clap_state_events" / ("state" + std::to_string(piece)), state) && ok;
  }
  Bytes events{1};
  for (uint8_t i = 0; i < 9; ++i) {
    const double value = 0.5 * i;
    uint8_t record[16] = {1, static_cast<uint8_t>(i * 20), 0, 0, 5 /* PARAM_VALUE */, i, 0, 0};
    std::memcpy(record + 8, &value, 8);
    events.insert(events.end(), record, record + 16);
  }
  ok = Write(root / "clap_state_events" / "events", events) && ok;
  // The VST3 target: the program chunk as the state (read whole, then 3 bytes at a time), a block of
  // 300 frames, and changes of every parameter at offsets in and past the block, out of order.
  for (uint8_t limit : {0, 3}) {
    Bytes vst3{limit, static_cast<uint8_t>(program.size() / 4), 44, 1};
    vst3.insert(vst3.end(), program.begin(), program.end());
    for (uint8_t i = 0; i < 9; ++i) {
      const uint16_t id = i;
      const int16_t offset = static_cast<int16_t>(400 - 45 * i);
      const uint32_t value = 0x40000000u * (i % 4);
      uint8_t record[11] = {};
      std::memcpy(record, &id, 2);
      std::memcpy(record + 2, &offset, 2);
      record[4] = 1;
      std::memcpy(record + 5, &value, 4);
      vst3.insert(vst3.end(), record, record + 11);
    }
    ok = Write(root / "vst3_state_params" / ("state" + std::to_string(limit)), vst3) && ok;
  }
  // Numbers in every form the reader takes, one near each end of the range, and a choice's text.
  const std::string texts[] = {"32.5", " -12.25 %", "+0.125", "1e3", "inf", "nan", "1e-400", "Soft", "0x1.8p3",
                               "1" + std::string(320, '0') + "e-5"};
  int n = 0;
  for (const std::string& text : texts) ok = Write(root / "display_text" / ("text" + std::to_string(n++)), text) && ok;
  // The LV2 plug-ins, stereo and mono, at 44.1 and 48 kHz: connected and activated, two ports set
  // (a NaN on the first), blocks of 1 and 200 frames and one past the processor's 4096, an output
  // in place, a port to NULL, then deactivated. A step is one byte: its low three bits say which
  // (0 raw value, 1 value near the range, 2 connect, 3 activate, 4 to 7 run), the rest which port.
  for (const uint8_t setup : {0x80, 0x81, 0xC2}) {
    const auto op = [](int kind, int index) { return static_cast<uint8_t>(kind | (index << 3)); };
    const Bytes lv2 = {setup,
                       3, // activate
                       op(0, 4), 0x00, 0x00, 0xC0, 0x7F, // NaN on the fifth control input
                       op(1, 5), 120, // 100 on the sixth
                       4, 1, 0, 64, // 1 frame
                       5, 200, 0, 64, // 200 frames
                       0xC4, 0x10, 0x80, 64, // 4096 + 17 frames
                       0x12, 0, // connect again, first output in place
                       4, 100, 0, 64, // 100 frames
                       0x82, 1, // port 1 to NULL
                       4, 50, 0, 64, // 50 frames
                       0x83}; // deactivate
    ok = Write(root / "lv2_ports" / ("ports" + std::to_string(setup)), lv2) && ok;
  }
  if (!ok) {
    std::fprintf(stderr, "kolmari_fuzz_seeds: could not write into %s\n", root.c_str());
    return 1;
  }
  return 0;
}
