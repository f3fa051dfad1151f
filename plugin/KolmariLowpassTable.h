#pragma once

#include "KolmariEngine.h"

#include <array>

namespace kolmari {

// The fixed 20 kHz output lowpass designs, one per supported rate, each with unity gain at DC:
// b0 + b1 + b2 equals 1 + a1 + a2 in the form (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
// At 44.1 and 48 kHz, where 20 kHz lies close to Nyquist, a1 is positive; at 88.2 and 96 kHz it is
// negative. (Those two rows once had the sign of a1 flipped, which made them louder, brighter and
// prone to amplify the drift; with the right sign no rate needs an output trim.)
inline constexpr BiquadCoefficients kInitialLowpass{0.8132425994466649, 1.6264851988933298, 0.8132425994466649,
                                                    1.5912978843171357, 0.661672513469524};

struct LowpassForRate {
  int sampleRate;
  BiquadCoefficients coefficients;
  float outputTrim;
};

inline constexpr std::array<LowpassForRate, 5> kLowpassByRate{{
    {44100,
     {0.8151655733662241, 1.6303311467324482, 0.8151655733662241, 1.5950606290772769, 0.6656016643876196},
     1.0f},
    {48000,
     {0.6917994904412835, 1.383598980882567, 0.6917994904412835, 1.2842610434611013, 0.48293691830403307},
     1.0f},
    {88200,
     {0.25281587515667564, 0.5056317503133513, 0.25281587515667564, -0.1722195203912214, 0.18348302101792383},
     1.0f},
    {96000,
     {0.22143465387145803, 0.44286930774291605, 0.22143465387145803, -0.30929831798252466, 0.19503693346835663},
     1.0f},
    {192000,
     {0.07223066687518032, 0.14446133375036063, 0.07223066687518032, -1.1092255915028943, 0.39814825900361117},
     1.0f},
}};

} // namespace kolmari
