// The library's one exported symbol, lv2_descriptor, and the two plug-ins behind it: the stereo one
// and the mono one, the same plug-in with one channel. Everything else in the library is hidden.
#include "EntryExport.h"
#include "HostCallGuard.h"
#include "IEffectLV2.h"
#include "Lv2FixedSeed.h"
#include "PluginInstanceMaker.h"

#include <lv2/core/lv2.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

lumen::IEffectLV2* FromHandle(LV2_Handle handle) { return static_cast<lumen::IEffectLV2*>(handle); }

LV2_Handle Instantiate(int channels, double sampleRate) {
  // A rate that is not a positive number gives no instance: the host hears of it at once.
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return nullptr;
  std::unique_ptr<lumen::IEffectLV2> plugin = lumen::PluginInstanceMaker::Make<lumen::IEffectLV2>(
      [channels, sampleRate] { return lumen::MakePlugin(lumen::IInstanceInfo{channels, sampleRate}); });
  return plugin.release();
}

LV2_Handle InstantiateStereo(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
  return Instantiate(2, rate);
}

LV2_Handle InstantiateMono(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
  return Instantiate(1, rate);
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
  if (lumen::IEffectLV2* p = FromHandle(handle)) p->ConnectPort(port, data);
}

void Activate(LV2_Handle handle) {
  if (lumen::IEffectLV2* p = FromHandle(handle)) lumen::GuardHostCall([p] { p->Activate(); });
}

void Run(LV2_Handle handle, uint32_t frames) {
  if (lumen::IEffectLV2* p = FromHandle(handle)) lumen::GuardHostCall([p, frames] { p->Run(frames); });
}

void Deactivate(LV2_Handle handle) {
  if (lumen::IEffectLV2* p = FromHandle(handle)) lumen::GuardHostCall([p] { p->Deactivate(); });
}

void Cleanup(LV2_Handle handle) {
  lumen::GuardHostCall([handle] { delete FromHandle(handle); });
}

bool SetFixedSeed(LV2_Handle handle, bool useFixedSeed, uint32_t seed) {
  lumen::IEffectLV2* p = FromHandle(handle);
  return p && lumen::GuardHostCall(false, [&] {
           return p->OnFixedSeed(useFixedSeed ? std::optional<uint32_t>(seed) : std::nullopt);
         });
}

// The one extension the library answers; the Turtle declares it as lv2:extensionData.
const void* ExtensionData(const char* uri) {
  static const LumenLv2FixedSeed fixedSeed{&SetFixedSeed};
  if (uri && std::strcmp(uri, LUMEN_LV2_FIXED_SEED_URI) == 0) return &fixedSeed;
  return nullptr;
}

// The URIs are made once, on the first call, and kept until the library is unloaded.
struct Descriptors {
  std::string stereoUri = lumen::Lv2PluginUri();
  std::string monoUri = stereoUri + "-mono";
  LV2_Descriptor stereo{stereoUri.c_str(), &InstantiateStereo, &ConnectPort, &Activate, &Run,
                        &Deactivate,       &Cleanup,           &ExtensionData};
  LV2_Descriptor mono{monoUri.c_str(), &InstantiateMono, &ConnectPort, &Activate, &Run,
                      &Deactivate,     &Cleanup,         &ExtensionData};
};

const Descriptors* TheDescriptors() {
  static const Descriptors* descriptors = lumen::GuardHostCall<const Descriptors*>(nullptr, [] {
    static const Descriptors made;
    return &made;
  });
  return descriptors;
}

} // namespace

extern "C" KOLMARI_ENTRY_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  const Descriptors* d = TheDescriptors();
  if (!d) return nullptr;
  if (index == 0) return &d->stereo;
  if (index == 1) return &d->mono;
  return nullptr;
}
