#include "IParam.h"

#include "NumberText.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

namespace lumen {

namespace {

void CopyText(char (&dst)[IParam::kTextSize], std::string_view src) {
  const size_t n = std::min(src.size(), sizeof(dst) - 1);
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

void LimitText(std::string& s) {
  if (s.size() > static_cast<size_t>(IParam::kTextSize)) s.resize(IParam::kTextSize);
}

// Round half away from zero, into the 32-bit range "%d" can show.
int32_t RoundToInt32(double d) {
  const double r = std::round(d);
  if (!(r >= static_cast<double>(INT32_MIN))) return INT32_MIN;
  if (r > static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(r);
}

} // namespace

void IParam::Shape::Attach(const IParam&) {}

std::unique_ptr<IParam::Shape> IParam::ShapeLinear::Clone() const { return std::make_unique<ShapeLinear>(*this); }

int IParam::ShapeLinear::DisplayKind() const { return 0; }

double IParam::ShapeLinear::MapToValue(double normalized, const IParam& param) const {
  return param.Min() + normalized * (param.Max() - param.Min());
}

double IParam::ShapeLinear::MapToNormalized(double real, const IParam& param) const {
  return (real - param.Min()) / (param.Max() - param.Min());
}

IParam::IParam() : mShape(std::make_unique<ShapeLinear>()) {}

void IParam::Init(std::string_view name, double defaultValue, double min, double max, double step,
                  std::string_view label, std::string_view group, const Shape& shape,
                  DisplayFunction displayFunction) {
  if (mType == ParamType::None) mType = ParamType::Double;
  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);
  mMin = min;
  mMax = std::max(max, min + step); // never narrower than one step
  mStep = step;
  mDefault = defaultValue;
  mUnit = kDefaultUnit;
  mFlags = NoFlags;
  mDisplayFunction = std::move(displayFunction);
  Set(defaultValue);

  int precision = 0;
  for (double s = step; precision < kMaxDisplayPrecision && s != std::floor(s); s *= 10.0) ++precision;
  mDisplayPrecision = precision;

  mShape = shape.Clone();
  mShape->Attach(*this);
}

double IParam::Constrain(double v) const {
  if (mFlags & Stepped) {
    // v / step carries binary rounding error, so a decimal midpoint such as 0.35 / 0.1 can land a hair
    // below .5 and would round down. A quotient within a few rounding errors of a midpoint counts as
    // the midpoint and rounds away from zero like it (std::round); the nudge stays below a quarter
    // step so whole multiples never move.
    const double q = v / mStep;
    const double tolerance = std::min(0.25, std::max(1e-9, 8.0 * DBL_EPSILON * std::fabs(q)));
    v = std::round(q + std::copysign(tolerance, q)) * mStep;
  }
  return std::min(mMax, std::max(mMin, v));
}

double IParam::NormalizeValue(double real) const {
  const double n = mShape->MapToNormalized(Constrain(real), *this);
  return std::clamp(n, 0.0, 1.0);
}

double IParam::DenormalizeValue(double normalized) const {
  return Constrain(mShape->MapToValue(normalized, *this));
}

void IParam::FormatDisplay(double value, bool isNormalized, std::string& out, bool useDisplayTexts) const {
  if (isNormalized) value = DenormalizeValue(value);

  if (mDisplayFunction) {
    mDisplayFunction(value, out);
    return;
  }

  if (useDisplayTexts) {
    for (const auto& entry : mDisplayTexts) {
      // The first equal entry decides; one with an empty text falls through to the number.
      if (entry.value == value) {
        if (entry.text[0] != '\0') {
          out = entry.text;
          return;
        }
        break;
      }
    }
  }

  double d = (mFlags & NegatedDisplay) ? -value : value;
  if (d == 0.0) d = 0.0; // never show "-0"

  if (mDisplayPrecision == 0) {
    out = NumberText::Integer(RoundToInt32(d));
  } else {
    out = NumberText::Fixed(d, mDisplayPrecision, (mFlags & SignedDisplay) && d != 0.0);
  }
  LimitText(out);
}

std::string IParam::DisplayLabel() const {
  const double v = Value();
  const double whole = std::trunc(v);
  for (const auto& entry : mDisplayTexts) {
    if (entry.value == whole && entry.text[0] != '\0') return std::string();
  }
  return mLabel;
}

std::optional<std::string> IParam::FindDisplayText(double value) const {
  for (const auto& entry : mDisplayTexts) {
    if (entry.value == value) return std::string(entry.text);
  }
  return std::nullopt;
}

double IParam::ParseDisplay(std::string_view text) const {
  if (!mDisplayTexts.empty()) {
    for (const auto& entry : mDisplayTexts) {
      if (text == entry.text) return entry.value;
    }
  }
  if (mType == ParamType::Bool || mType == ParamType::Enum) return 0.0;

  double v = NumberText::ParseLeadingDouble(text);
  if (std::isnan(v)) v = 0.0;
  if (mFlags & NegatedDisplay) v = -v;
  return Constrain(v);
}

void IParam::AddDisplayText(double value, std::string_view text) {
  DisplayTextEntry entry;
  entry.value = value;
  CopyText(entry.text, text);
  mDisplayTexts.push_back(entry);
}

} // namespace lumen
