#include "ParameterSettings.h"

#include "Numbers.h"
#include "ToolError.h"
#include "PluginInstance.h"


#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace kolmari::render {


namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Columns separated by at least two blanks, without trailing blanks.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::ostringstream out;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] + 2 - row[c].size(), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
  return out.str();
}

} // namespace

std::optional<double> DisplayedNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  // A unit may follow ("5ms", "-6 dB"), more of a number may not ("1.2.3").
  if (end != text.data() + text.size() && (*end == '.' || std::isdigit(static_cast<unsigned char>(*end))))
    return std::nullopt;
  return value;
}

ParameterSettings::ParameterSettings(testhost::PluginInstance& plugin, ProbeFactory probe)
    : mPlugin(plugin), mProbeFactory(std::move(probe)) {
  const int count = std::max(0, mPlugin.NumParams());
  mNames.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) mNames.push_back(Trimmed(mPlugin.ParameterName(i)));
  mLimits.resize(mNames.size());
}

ParameterSettings::~ParameterSettings() = default;

int ParameterSettings::Find(std::string_view name) const {
  for (size_t i = 0; i < mNames.size(); ++i) {
    if (EqualIgnoringCase(mNames[i], name)) return static_cast<int>(i);
  }
  if (mNames.empty()) throw UsageError("unknown parameter '" + std::string(name) + "': the plug-in has no parameters");
  throw UsageError("unknown parameter '" + std::string(name) + "'; valid names are: " + Names());
}

std::string ParameterSettings::Names() const {
  std::string names;
  for (size_t i = 0; i < mNames.size(); ++i) {
    if (i > 0) names += ", ";
    names += mNames[i];
  }
  return names;
}

const ParameterSettings::Limits& ParameterSettings::LimitsOf(int index) {
  auto& cached = mLimits.at(static_cast<size_t>(index));
  if (cached) return *cached;
  if (!mProbe) mProbe = mProbeFactory();

  Limits limits;
  mProbe->SetParameter(index, 0.0f);
  limits.minDisplay = Trimmed(mProbe->ParameterDisplay(index));
  mProbe->SetParameter(index, 1.0f);
  limits.maxDisplay = Trimmed(mProbe->ParameterDisplay(index));

  if (const auto stepping = mProbe->ParameterStepping(index)) {
    limits.isSwitch = stepping->isSwitch;
    limits.wholeNumbers = stepping->isSwitch || stepping->wholeNumbers;
  }

  const auto atZero = DisplayedNumber(limits.minDisplay);
  const auto atOne = DisplayedNumber(limits.maxDisplay);
  if (atZero && atOne) {
    limits.rising = *atOne >= *atZero;
    limits.low = std::min(*atZero, *atOne);
    limits.high = std::max(*atZero, *atOne);
  } else if (limits.isSwitch) {
    // "off".."on": a switch is 0 or 1 whatever it shows.
    limits.low = 0.0;
    limits.high = 1.0;
  }
  cached = limits;
  return *cached;
}

std::string ParameterSettings::Range(int index) {
  const Limits& limits = LimitsOf(index);
  if (limits.low && limits.high) return FormatNumber(*limits.low) + ".." + FormatNumber(*limits.high);
  return limits.minDisplay + ".." + limits.maxDisplay;
}

void ParameterSettings::Apply(const std::vector<ParameterAssignment>& assignments) {
  std::vector<std::pair<int, const ParameterAssignment*>> checked;
  for (const auto& a : assignments) {
    const int index = Find(a.name);
    const Limits& limits = LimitsOf(index);
    if (limits.low && limits.high && (a.value < *limits.low || a.value > *limits.high))
      throw UsageError(a.text + " is outside " + Range(index));
    if (limits.wholeNumbers && a.value != std::floor(a.value))
      throw UsageError(a.text + ": " + mNames[static_cast<size_t>(index)] + " takes whole numbers only (" + Range(index) +
                       ")");
    checked.emplace_back(index, &a);
  }
  for (const auto& [index, a] : checked) Set(index, a->value, a->text);
}

void ParameterSettings::Set(int index, double value, const std::string& text) {
  if (mPlugin.SetParameterText(index, FormatNumber(value))) return;
  const Limits& limits = LimitsOf(index);
  if (limits.isSwitch) {
    mPlugin.SetParameter(index, value >= 0.5 ? 1.0f : 0.0f);
    return;
  }
  if (limits.low && limits.high && Search(index, value)) return;
  throw UsageError("cannot set " + text + ": the plug-in takes no text for " + mNames[static_cast<size_t>(index)] +
                   " and does not display it as a number at both ends (" + limits.minDisplay + ".." +
                   limits.maxDisplay + ")");
}

// Bisection over the normalised value for the point where the display reaches the value. Float
// steps, because that is all setParameter takes; a display that stops being a number fails.
bool ParameterSettings::Search(int index, double value) {
  const Limits& limits = LimitsOf(index);
  if (value == *limits.low || value == *limits.high) {
    const bool atOne = (value == *limits.high) == limits.rising;
    mPlugin.SetParameter(index, atOne ? 1.0f : 0.0f);
    return true;
  }
  bool numeric = true;
  const auto shown = [&](float x) {
    mPlugin.SetParameter(index, x);
    const auto number = DisplayedNumber(mPlugin.ParameterDisplay(index));
    if (!number) numeric = false;
    return number.value_or(value);
  };
  // The first normalised value whose display is past the value (strictly or not).
  const auto firstPast = [&](bool strictly) {
    float below = 0.0f, above = 1.0f;
    for (int i = 0; i < 64 && numeric; ++i) {
      const float middle = below + (above - below) / 2.0f;
      if (middle <= below || middle >= above) break;
      const double d = shown(middle);
      const bool past = limits.rising ? (strictly ? d > value : d >= value) : (strictly ? d < value : d <= value);
      (past ? above : below) = middle;
    }
    return std::pair{below, above};
  };
  const auto [beforeReach, reach] = firstPast(false);
  const float lastShowing = firstPast(true).first;
  if (!numeric) return false;
  float chosen;
  if (shown(reach) == value) {
    // The display shows exactly the value from reach up to lastShowing: take the middle.
    chosen = reach + (lastShowing - reach) / 2.0f;
  } else {
    // It jumps over the value: take the closer side.
    chosen = std::abs(shown(beforeReach) - value) < std::abs(shown(reach) - value) ? beforeReach : reach;
  }
  mPlugin.SetParameter(index, chosen);
  return numeric;
}

std::string ParameterSettings::ListTable() {
  std::vector<std::vector<std::string>> rows{{"index", "name", "min", "max", "default", "label"}};
  for (size_t i = 0; i < mNames.size(); ++i) {
    const int index = static_cast<int>(i);
    const Limits& limits = LimitsOf(index);
    rows.push_back({std::to_string(i), mNames[i], limits.minDisplay, limits.maxDisplay,
                    Trimmed(mPlugin.ParameterDisplay(index)), Trimmed(mPlugin.ParameterLabel(index))});
  }
  return Table(rows);
}

std::string ParameterSettings::CurrentSettings() {
  size_t nameWidth = 0;
  for (const auto& name : mNames) nameWidth = std::max(nameWidth, name.size());

  std::ostringstream out;
  for (size_t i = 0; i < mNames.size(); ++i) {
    const int index = static_cast<int>(i);
    const std::string label = Trimmed(mPlugin.ParameterLabel(index));
    out << "  " << std::left << std::setw(static_cast<int>(nameWidth) + 2) << mNames[i]
        << Trimmed(mPlugin.ParameterDisplay(index));
    if (!label.empty()) out << ' ' << label;
    out << '\n';
  }
  return out.str();
}

} // namespace kolmari::render
