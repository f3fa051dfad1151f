#include "HostId.h"

#include <cstring>

namespace lumen {

namespace {

struct HostKey {
  const char* key;
  HostId id;
};

// Tried in this order; the first key found as a substring wins.
constexpr HostKey kHostKeys[] = {
    {"reaper", HostId::Reaper},
    {"protools", HostId::ProTools},
    {"cubase", HostId::Cubase},
    {"nuendo", HostId::Nuendo},
    {"cakewalk", HostId::Cakewalk},
    {"vegas", HostId::Vegas},
    {"fruity", HostId::Fruity},
    {"samplitude", HostId::Samplitude},
    {"live", HostId::Live},
    {"tracktion", HostId::Tracktion},
    {"ntracks", HostId::NTracks},
    {"melodyne", HostId::Melodyne},
    {"vstmanlib", HostId::VSTManLib},
    {"aulab", HostId::AULab},
    {"forte", HostId::Forte},
    {"chainer", HostId::Chainer},
    {"audition", HostId::Audition},
    {"orion", HostId::Orion},
    {"bias", HostId::Bias},
    {"sawstudio", HostId::SAWStudio},
    {"logic", HostId::Logic},
    {"garageband", HostId::GarageBand},
    {"digital", HostId::DigitalPerformer},
    {"audiomulch", HostId::AudioMulch},
    {"presonus", HostId::StudioOne},
    {"vst3plugintesthost", HostId::VST3TestHost},
    {"ardour", HostId::Ardour},
    {"renoise", HostId::Renoise},
    {"openmpt", HostId::OpenMPT},
    {"wavelab elements", HostId::WaveLabElements},
    {"wavelab", HostId::WaveLab},
    {"twistedwave", HostId::TwistedWave},
    {"bitwig studio", HostId::Bitwig},
    {"reason", HostId::Reason},
    {"gwvst", HostId::GWVST},
    {"waveform", HostId::Waveform},
    {"audacity", HostId::Audacity},
    {"acoustica", HostId::Acoustica},
    {"plugindoctor", HostId::PluginDoctor},
    {"izotope rx", HostId::IZotopeRX},
    {"savihost", HostId::SAVIHost},
    {"blue cat's vst host", HostId::BlueCat},
    {"standalone", HostId::Standalone},
    {"www", HostId::WWW},
};

constexpr size_t kProductBufferSize = 256;

} // namespace

HostId HostFromProduct(const char* productString) {
  if (!productString) return HostId::Unknown;

  // ASCII lower-casing by hand: the process locale must not change which host is recognised.
  char lower[kProductBufferSize] = {};
  for (size_t i = 0; i + 1 < kProductBufferSize && productString[i] != '\0'; ++i) {
    const char c = productString[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }

  for (const HostKey& entry : kHostKeys) {
    if (std::strstr(lower, entry.key)) return entry.id;
  }
  return HostId::Unknown;
}

} // namespace lumen
