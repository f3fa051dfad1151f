// The engine's shaper operations on one channel's memories. The arithmetic itself lives in
// KolmariShaperLanes.h, shared with the two-channel chain.
#include "KolmariEngine.h"
#include "KolmariShaperLanes.h"

namespace kolmari {

double KolmariEngine::LogCosh(double x) { return shapers::LogCosh(x); }

double KolmariEngine::ClipCurve(double e) { return shapers::ClipCurve(e); }

double KolmariEngine::AntiderivativeTanh(double x, int channel, int slot) {
  KolmariChannel& ch = mChannels[static_cast<size_t>(channel)];
  const auto i = static_cast<size_t>(slot);
  return shapers::AntiderivativeTanh(x, ch.adaaLastInput[i], ch.adaaLastIntegral[i], mAdaaCloseness);
}

double KolmariEngine::FirstShaper(double x, double s1, double s2, int channel, double driftDivisor) {
  KolmariChannel& ch = mChannels[static_cast<size_t>(channel)];
  return shapers::FirstShaper(x, s1, s2, ch.adaaLastInput[5], ch.adaaLastIntegral[5], ch.shaperHistory[0], driftDivisor,
                              mAdaaCloseness);
}

double KolmariEngine::SecondShaper(double x, int channel) {
  KolmariChannel& ch = mChannels[static_cast<size_t>(channel)];
  return shapers::SecondShaper(x, ch.adaaLastInput[6], ch.adaaLastIntegral[6], mAdaaCloseness);
}

double KolmariEngine::SoftClip(double y) { return shapers::SoftClip(y); }

} // namespace kolmari
