#include "ParameterSettings.h"

#include "Numbers.h"
#include "ToolError.h"

#include "IEditorDelegate.h"
#include "IParam.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace kolmari::render {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Switches and choices (a step of one or more) mean nothing between their steps: the plug-in
// would silently truncate 0.5 to "off".
bool TakesWholeNumbersOnly(const lumen::IParam& param) { return param.Step() >= 1.0; }

} // namespace

ParameterSettings::ParameterSettings(lumen::IEditorDelegate& plugin) : mPlugin(plugin) {}

int ParameterSettings::Find(std::string_view name) const {
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    if (EqualIgnoringCase(mPlugin.GetParam(i)->Name(), name)) return i;
  }
  throw UsageError("unknown parameter '" + std::string(name) + "'; valid names are: " + Names());
}

std::string ParameterSettings::Range(const lumen::IParam& param) {
  return FormatNumber(param.Min()) + ".." + FormatNumber(param.Max());
}

void ParameterSettings::Apply(const std::vector<ParameterAssignment>& assignments) {
  std::vector<std::pair<int, double>> checked;
  for (const auto& a : assignments) {
    const int index = Find(a.name);
    const lumen::IParam& param = *mPlugin.GetParam(index);
    if (a.value < param.Min() || a.value > param.Max())
      throw UsageError(a.text + " is outside " + Range(param));
    if (TakesWholeNumbersOnly(param) && a.value != std::floor(a.value))
      throw UsageError(a.text + ": " + param.Name() + " takes whole numbers only (" + Range(param) + ")");
    checked.emplace_back(index, a.value);
  }
  for (const auto& [index, value] : checked) mPlugin.GetParam(index)->Set(value);
}

std::string ParameterSettings::Names() const {
  std::string names;
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    if (i > 0) names += ", ";
    names += mPlugin.GetParam(i)->Name();
  }
  return names;
}

std::string ParameterSettings::ListTable() const {
  size_t nameWidth = 4;
  for (int i = 0; i < mPlugin.NParams(); ++i) nameWidth = std::max(nameWidth, std::string_view(mPlugin.GetParam(i)->Name()).size());

  std::ostringstream out;
  out << std::left << std::setw(7) << "index" << std::setw(static_cast<int>(nameWidth) + 2) << "name" << std::setw(10)
      << "range" << std::setw(9) << "default" << "label\n";
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    const lumen::IParam& p = *mPlugin.GetParam(i);
    std::ostringstream line;
    line << std::left << std::setw(7) << i << std::setw(static_cast<int>(nameWidth) + 2) << p.Name() << std::setw(10)
         << Range(p) << std::setw(9) << FormatNumber(p.Default()) << p.Label();
    std::string text = line.str();
    text.erase(text.find_last_not_of(' ') + 1);
    out << text << '\n';
  }
  return out.str();
}

std::string ParameterSettings::CurrentSettings() const {
  size_t nameWidth = 0;
  for (int i = 0; i < mPlugin.NParams(); ++i) nameWidth = std::max(nameWidth, std::string_view(mPlugin.GetParam(i)->Name()).size());

  std::ostringstream out;
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    const lumen::IParam& p = *mPlugin.GetParam(i);
    std::string display;
    p.FormatDisplay(p.Value(), false, display);
    const std::string label = p.DisplayLabel();
    out << "  " << std::left << std::setw(static_cast<int>(nameWidth) + 2) << p.Name() << display;
    if (!label.empty()) out << ' ' << label;
    out << '\n';
  }
  return out.str();
}

} // namespace kolmari::render
