#pragma once

#include "CommandLine.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumen {
class IEditorDelegate;
class IParam;
} // namespace lumen

namespace kolmari::render {

// The plug-in's parameters as the command line sees them: found by name regardless of case,
// checked against their ranges before anything is processed, and described for the report.
class ParameterSettings {
public:
  explicit ParameterSettings(lumen::IEditorDelegate& plugin);

  // The index of the parameter called `name` (any case); throws a usage error listing the valid
  // names when there is none.
  int Find(std::string_view name) const;

  // Checks every assignment first and only then sets them, so a bad one changes nothing.
  // Out of range: "Wet=150 is outside 0..100". A switch or choice takes whole numbers only.
  void Apply(const std::vector<ParameterAssignment>& assignments);

  // Table of index, name, range, default and unit, one parameter per line.
  std::string ListTable() const;

  // Every parameter's current value as the plug-in displays it, with its unit; one indented line each.
  std::string CurrentSettings() const;

  // "A, B, C": every parameter name in index order.
  std::string Names() const;

  static std::string Range(const lumen::IParam& param);

private:
  lumen::IEditorDelegate& mPlugin;
};

} // namespace kolmari::render
