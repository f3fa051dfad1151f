#pragma once

#include <cstdint>

namespace lumen {

// The host application, as identified from its product string.
enum class HostId : int32_t {
  Unidentified = -1, // not asked yet
  Unknown = 0,       // asked, but the product string matched no key
  Reaper = 1,
  ProTools = 2,
  Cubase = 3,
  Nuendo = 4,
  Cakewalk = 5,
  Vegas = 6,
  Fruity = 7,
  Samplitude = 8,
  Live = 9,
  Tracktion = 10,
  NTracks = 11,
  Melodyne = 12,
  VSTManLib = 13,
  AULab = 14,
  Forte = 15,
  Chainer = 16,
  Audition = 17,
  Orion = 18,
  Bias = 19,
  SAWStudio = 20,
  Logic = 21,
  GarageBand = 22,
  DigitalPerformer = 23,
  Standalone = 24,
  AudioMulch = 25,
  StudioOne = 26,
  VST3TestHost = 27,
  Ardour = 28,
  Renoise = 29,
  OpenMPT = 30,
  WaveLab = 31,
  WaveLabElements = 32,
  TwistedWave = 33,
  Bitwig = 34,
  WWW = 35,
  Reason = 36,
  GWVST = 37,
  Waveform = 38,
  Audacity = 39,
  Acoustica = 40,
  PluginDoctor = 41,
  IZotopeRX = 42,
  SAVIHost = 43,
  BlueCat = 44,
};

// Identifies a host from its product string: the string is lower-cased (ASCII only, at most 255
// characters are looked at) and the first key of a fixed, ordered table that occurs anywhere in it
// decides. The order matters: "wavelab elements" is tried before "wavelab", and a name containing
// "live" is Live unless an earlier key matched. No match, an empty string or null give Unknown.
HostId HostFromProduct(const char* productString);

} // namespace lumen
