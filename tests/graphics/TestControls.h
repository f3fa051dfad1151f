#pragma once

// Knob and switch controls that draw nothing, for the tests of the control bases' behaviour.
#include "controls/IKnobControlBase.h"
#include "controls/ISwitchControlBase.h"

namespace lumen::test {

class TestKnob : public IKnobControlBase {
public:
  using IKnobControlBase::IKnobControlBase;
  void Draw(ICanvas&) override {}
};

class TestSwitch : public ISwitchControlBase {
public:
  using ISwitchControlBase::ISwitchControlBase;
  void Draw(ICanvas&) override {}
};

} // namespace lumen::test
