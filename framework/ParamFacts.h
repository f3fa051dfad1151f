#pragma once

#include "IParam.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumen {

// What every host format reports about a parameter, decided once so that the formats agree: how it
// moves (continuous, or in whole steps), what it shows, and what typed text means.
//
// Pure functions of the parameter's fixed description (and a value); any thread.
class ParamFacts {
public:
  // The number of steps between min and max for a parameter that takes only whole steps (a switch
  // has 1), or 0 for a continuous one. Two-state and integer types step; so does a number whose
  // step and minimum are whole, such as a choice of 1x/2x/4x/8x held as 0..3.
  static int StepCount(const IParam& param);
  static bool IsStepped(const IParam& param) { return StepCount(param) > 0; }
  // Off/on: exactly one step.
  static bool IsSwitch(const IParam& param) { return StepCount(param) == 1; }

  // The kind the parameter was declared as, which hosts of the oldest format read from its type:
  // a two-state type, an integer type (integer or list), or a number. Unlike StepCount, a number
  // with whole steps stays a number here, as projects stored by those hosts know it.
  enum class DeclaredKind { Switch, Integer, Number };
  static DeclaredKind Declared(const IParam& param);
  // Declared as a switch, or as an integer with only two values.
  static bool DeclaredTwoState(const IParam& param);

  // A plain value as the parameter stores it: a stepped parameter keeps only the whole part (hosts
  // that speak plain values truncate, and they must agree with what the plug-in stores), then the
  // value is limited to the range. Null for a value that is not a number.
  static std::optional<double> PlainFromHost(const IParam& param, double plain);
  // A normalised value limited to 0..1; null for a value that is not a number.
  static std::optional<double> NormalizedFromHost(double normalized);

  // The unit shown after the number ("%"), empty when the value has a display text of its own.
  static std::string Unit(const IParam& param, double plain);
  // The text a host shows for a plain value (limited to the range first): with its unit for hosts
  // that have no place for a unit, without it for hosts that show the unit apart.
  static std::string DisplayText(const IParam& param, double plain, bool withUnit);
  // The plain value typed text stands for, limited to the range; the unit may follow the number.
  // Null for empty text, which hosts send to ask whether typing is supported, and never means a
  // value.
  static std::optional<double> ParseText(const IParam& param, std::string_view text);
};

} // namespace lumen
