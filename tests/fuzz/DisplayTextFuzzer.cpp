// Arbitrary text where a host or a user types a parameter value. The number reader agrees with the
// C library's conversion in the "C" locale on every text; every parameter reads any text as a
// finite value in its range; and the text it shows for that value reads back to it, within the
// precision shown.

#include "FuzzSupport.h"
#include "NumberText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using kolmari::fuzz::Fail;
using kolmari::fuzz::Require;

namespace {

void CheckNumberReader(const std::string& text) {
  const double ours = lumen::NumberText::ParseLeadingDouble(text);
  // The C conversion sees the text up to its first NUL; so does the reader, whose digits, signs and
  // white space never include one.
  const char* c = text.c_str();
  const double theirs = std::strtod(c, nullptr);
  if (std::isnan(theirs)) {
    Require(std::isnan(ours), "NaN text reads as NaN");
    return;
  }
  if (ours != theirs) {
    std::fprintf(stderr, "text \"%s\": read %a, the C conversion %a\n", c, ours, theirs);
    Fail("the number reader agrees with the C conversion");
  }
}

// The parameters whose display the plug-in uses, plus the display options the framework offers.
struct Parameters {
  Parameters() {
    for (int i = 0; i < plugin->NParams(); ++i) checked.push_back(plugin->GetParam(i));

    negated.Init("Negated", 0.0, -50.0, 50.0, 0.1, "dB");
    negated.SetFlags(lumen::IParam::NegatedDisplay | lumen::IParam::SignedDisplay);
    checked.push_back(&negated);

    stepped.Init("Stepped", 1.0, -2.0, 10.0, 0.25);
    stepped.SetFlags(lumen::IParam::Stepped);
    checked.push_back(&stepped);

    choice.SetType(lumen::IParam::ParamType::Enum);
    choice.Init("Choice", 0.0, 0.0, 3.0, 1.0);
    choice.AddDisplayText(0.0, "Off");
    choice.AddDisplayText(1.0, "Soft");
    choice.AddDisplayText(2.0, "");
    choice.AddDisplayText(3.0, "Hard");

    toggle.SetType(lumen::IParam::ParamType::Bool);
    toggle.Init("Toggle", 0.0, 0.0, 1.0, 1.0);
  }

  std::unique_ptr<kolmari::Kolmari> plugin = std::make_unique<kolmari::Kolmari>(lumen::IInstanceInfo{});
  lumen::IParam negated, stepped, choice, toggle;
  // Those whose shown text reads back to the value (a choice shows numbers it does not read).
  std::vector<const lumen::IParam*> checked;
};

void CheckParameter(const lumen::IParam& param, std::string_view text, bool roundTrip) {
  const double v = param.ParseDisplay(text);
  Require(std::isfinite(v), "any text reads as a finite value");
  Require(v >= param.Min() && v <= param.Max(), "any text reads as a value in range");

  std::string shown;
  param.FormatDisplay(v, false, shown);
  Require(shown.size() <= static_cast<size_t>(lumen::IParam::kTextSize), "a display text keeps its limit",
          static_cast<long long>(shown.size()));
  if (!roundTrip) return;
  const double back = param.ParseDisplay(shown);
  const double unit = std::pow(10.0, -param.DisplayPrecision());
  const double tolerance = 0.5 * unit * (1.0 + 1e-9) + 1e-12 * std::fabs(v);
  if (!(std::fabs(back - v) <= tolerance)) {
    std::fprintf(stderr, "%s: %.17g shows as \"%s\", which reads as %.17g\n", param.Name(), v, shown.c_str(), back);
    Fail("a shown value reads back within its precision");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Parameters parameters;
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckNumberReader(text);
  for (const lumen::IParam* param : parameters.checked) CheckParameter(*param, text, true);
  CheckParameter(parameters.choice, text, false);
  CheckParameter(parameters.toggle, text, false);
  return 0;
}
