#pragma once

// One control input of an LV2 plug-in as its data describes it, and the text a host shows for its
// values and reads from what a user types. LV2 data carries no display text of the plug-in's own
// (nor a number of decimals), so the text is made here from the port's facts: the value itself, in
// the port's units, in the shortest form that reads back as the same float, with the unit's symbol
// apart. A choice shows its value too, the number a user gives to set it, so that the two ends of
// every port read as its range; the scale points' labels ("4×") are read when typed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

struct Lv2ControlPort {
  struct ScalePoint {
    float value = 0.0f;
    std::string label;
  };

  uint32_t index = 0;
  std::string symbol;
  std::string name;
  std::string unit; // the unit's symbol ("%"), empty when the port has none
  float minimum = 0.0f;
  float maximum = 1.0f;
  float defaultValue = 0.0f;
  bool toggled = false;
  bool integer = false;     // lv2:integer, or enumeration, or toggled: whole numbers only
  bool enumeration = false; // only the scale points' values
  std::vector<ScalePoint> scalePoints;

  // A value brought onto the port: clamped to the range, rounded for whole-number ports. NaN gives
  // the default.
  float Constrain(float value) const;
  // 0..1 over the range and back (a port with an empty range is always 0).
  float Normalize(float value) const;
  float Denormalize(float normalized) const;

  // The value as a number, without the unit.
  std::string Display(float value) const;
  // The label of the scale point at the value, or empty.
  std::string ScalePointLabel(float value) const;
  // A scale point's label (any case), or a number optionally followed by the unit ("48.5 %");
  // nothing for other text or a number that is not finite. The result is constrained.
  std::optional<float> Parse(const std::string& text) const;
};

// The shortest decimal text that reads back as the same float ("32", "0.5", "-0.125", "200").
std::string ShortestFloatText(float value);

} // namespace kolmari::testhost
