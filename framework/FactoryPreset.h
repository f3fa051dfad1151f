#pragma once

#include <string>
#include <vector>

namespace lumen {

// A named starting point the plug-in ships with, the same in every format: the category menus
// group it under, its name, and one plain value (as the parameter shows it, in its own range) per
// parameter, by parameter index.
struct FactoryPreset {
  std::string category;
  std::string name;
  std::vector<double> values;
};

// The plug-in's factory presets, "Default" first; each plug-in defines it. Made on the first call,
// then only read: safe from any thread after the plug-in's first instance exists.
const std::vector<FactoryPreset>& PluginFactoryPresets();

} // namespace lumen
