#pragma once

#include "KolmariEngine.h"

#include <array>

namespace kolmari {

// The fixed 20 kHz output lowpass designs. The 88.2 and 96 kHz designs lose level at DC (about
// 0.746 and 0.589), which their larger output trims make up for.
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
     {0.25281587515667564, 0.5056317503133513, 0.25281587515667564, 0.1722195203912214, 0.18348302101792383},
     1.5848932f}, // +4 dB
    {96000,
     {0.22143465387145803, 0.44286930774291605, 0.22143465387145803, 0.30929831798252466, 0.19503693346835663},
     1.9952623f}, // +6 dB
    {192000,
     {0.07223066687518032, 0.14446133375036063, 0.07223066687518032, -1.1092255915028943, 0.39814825900361117},
     1.0f},
}};

} // namespace kolmari
