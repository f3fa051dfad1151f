#pragma once

#include "IMidiMessage.h"

namespace lumen::canvas {

// Something the editor shows and the user touches. A control holds one or more normalised values;
// value k is linked to a parameter index (or -1 for none).
//
// This header declares what the editor delegate relies on when it routes values, messages and
// MIDI into the editor; drawing and input are declared with the controls themselves.
class IControl {
public:
  virtual ~IControl() = default;

  virtual int NValues() const = 0;
  // The parameter index of value valueIndex, or -1 when that value has no parameter.
  virtual int ParamIdx(int valueIndex) const = 0;

  // A normalised value arriving from outside the editor for value valueIndex.
  virtual void ReceiveValue(double value, int valueIndex) = 0;
  // A message the plug-in addressed to this control; ignored unless a control handles it.
  virtual void OnMessageFromDelegate(int /*messageTag*/, int /*dataSize*/, const void* /*data*/) {}

  // Controls that show MIDI activity take the messages that reach the editor; others do not.
  virtual bool WantsMidi() const { return false; }
  virtual void OnMidi(const IMidiMessage& /*message*/) {}
};

} // namespace lumen::canvas
