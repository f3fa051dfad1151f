#pragma once

#include "CommandLine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolmari::testhost {
class PluginInstance;
}

namespace kolmari::render {

// A loaded plug-in's parameters as the command line sees them: found by name regardless of case,
// checked against their ranges before anything is set, and described for the report.
//
// The interface only knows normalised values 0..1; a value in the parameter's own units goes to
// the plug-in as text (effString2Parameter). The range in those units is what the plug-in displays
// at normalised 0 and 1, read on a separate probe instance so the rendering one is never disturbed:
// when both ends show a number, a value outside them is refused. Whole numbers only are required of
// switches and of parameters with a step of one or more (effGetParameterProperties).
//
// A plug-in that does not take text for a parameter is set through setParameter instead: a
// switch to 0 or 1, anything else with a numeric display by searching the normalised value whose
// display shows the value (assuming the display rises or falls steadily from 0 to 1, as controls do).
class ParameterSettings {
public:
  using ProbeFactory = std::function<std::unique_ptr<testhost::PluginInstance>()>;

  ParameterSettings(testhost::PluginInstance& plugin, ProbeFactory probe);
  ~ParameterSettings();

  // The index of the parameter called `name` (any case); throws a usage error listing the valid
  // names when there is none.
  int Find(std::string_view name) const;

  // Checks every assignment first and only then sets them, so a bad one changes nothing.
  // Out of range: "Wet=150 is outside 0..100". A switch or choice takes whole numbers only.
  void Apply(const std::vector<ParameterAssignment>& assignments);

  // Table of index, name, display at minimum, maximum and the current (default) value, and the
  // unit, one parameter per line.
  std::string ListTable();

  // Every parameter's current value as the plug-in displays it, with its unit; one indented line each.
  std::string CurrentSettings();

  // "A, B, C": every parameter name in index order.
  std::string Names() const;

  // "0..100" when the range is known, else the two end displays, "off..on".
  std::string Range(int index);

private:
  struct Limits {
    std::string minDisplay; // display at normalised 0 and 1
    std::string maxDisplay;
    std::optional<double> low; // the smaller and larger of the two displayed numbers
    std::optional<double> high;
    bool rising = true; // normalised 1 shows the larger number
    bool isSwitch = false;
    bool wholeNumbers = false;
  };

  const Limits& LimitsOf(int index);
  void Set(int index, double value, const std::string& text);
  bool Search(int index, double value);

  testhost::PluginInstance& mPlugin;
  ProbeFactory mProbeFactory;
  std::unique_ptr<testhost::PluginInstance> mProbe;
  std::vector<std::string> mNames;
  std::vector<std::optional<Limits>> mLimits;
};

// The number a display text starts with ("-6.02" of "-6.02 dB"); nothing when it starts with
// anything else or the number is not finite ("-inf", "off").
std::optional<double> DisplayedNumber(std::string_view text);

} // namespace kolmari::render
