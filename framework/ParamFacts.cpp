#include "ParamFacts.h"

#include <algorithm>
#include <cmath>

namespace lumen {

int ParamFacts::StepCount(const IParam& param) {
  const double range = param.Max() - param.Min();
  if (!(range > 0.0)) return 0;
  switch (param.Type()) {
    case IParam::ParamType::Bool:
      return 1;
    case IParam::ParamType::Int:
    case IParam::ParamType::Enum:
      return static_cast<int>(std::lround(range / std::max(param.Step(), 1.0)));
    default: {
      const double step = param.Step();
      const bool whole = step >= 1.0 && step == std::floor(step) && param.Min() == std::floor(param.Min());
      return whole ? static_cast<int>(std::lround(range / step)) : 0;
    }
  }
}

ParamFacts::DeclaredKind ParamFacts::Declared(const IParam& param) {
  switch (param.Type()) {
    case IParam::ParamType::Bool: return DeclaredKind::Switch;
    case IParam::ParamType::Int:
    case IParam::ParamType::Enum: return DeclaredKind::Integer;
    default: return DeclaredKind::Number;
  }
}

bool ParamFacts::DeclaredTwoState(const IParam& param) {
  const DeclaredKind kind = Declared(param);
  return kind == DeclaredKind::Switch || (kind == DeclaredKind::Integer && std::abs(param.Max() - param.Min()) < 1.5);
}

std::optional<double> ParamFacts::PlainFromHost(const IParam& param, double plain) {
  if (!std::isfinite(plain)) return std::nullopt;
  if (IsStepped(param)) plain = std::trunc(plain);
  return param.Constrain(plain);
}

std::optional<double> ParamFacts::NormalizedFromHost(double normalized) {
  if (!std::isfinite(normalized)) return std::nullopt;
  return std::clamp(normalized, 0.0, 1.0);
}

std::string ParamFacts::Unit(const IParam& param, double plain) {
  if (param.FindDisplayText(param.Constrain(plain))) return std::string();
  return param.Label();
}

std::string ParamFacts::DisplayText(const IParam& param, double plain, bool withUnit) {
  const double value = std::isfinite(plain) ? param.Constrain(plain) : param.Min();
  std::string text;
  param.FormatDisplay(value, false, text, true);
  if (withUnit) {
    const std::string unit = Unit(param, value);
    if (!unit.empty()) text += " " + unit;
  }
  return text;
}

std::optional<double> ParamFacts::ParseText(const IParam& param, std::string_view text) {
  if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  const double value = param.ParseDisplay(text);
  if (!std::isfinite(value)) return std::nullopt;
  return param.Constrain(value);
}

} // namespace lumen
