// A parameter value set by the host: the one way in for every format.
#include "IEffectAPIBase.h"

#include "ParamFacts.h"

namespace lumen {

bool IEffectAPIBase::SetParamFromHost(int paramIndex, double value, HostValue kind, int sampleOffset) {
  IParam* param = GetParam(paramIndex);
  if (!param) return false;
  if (kind == HostValue::Normalized) {
    const auto normalized = ParamFacts::NormalizedFromHost(value);
    if (!normalized) return false;
    param->SetFromNormalized(*normalized);
  } else {
    const auto plain = ParamFacts::PlainFromHost(*param, value);
    if (!plain) return false;
    param->Set(*plain);
  }
  SendParamValueToEditor(paramIndex, param->Value(), false);
  OnParamChange(paramIndex, ParamSource::Host, sampleOffset);
  return true;
}

} // namespace lumen
