#pragma once

#include "IEffectVST3.h"
#include "Vst3FixedSeed.h"
#include "Vst3Interfaces.h"
#include "Vst3Object.h"

#include <memory>

namespace lumen::vst3 {

// The COM object a host creates from the factory: component, audio processor and edit controller
// of one plug-in instance (see Vst3ClassInfo.h for why they are one object), plus the fixed-seed
// interface of our own. It owns the instance and deletes both when the last reference goes.
//
// Each interface is a slot: a pointer to its method record, then the owner. The host holds the
// slot's address and passes it back as "self"; queryInterface hands out the slot of the interface
// asked for, and every slot counts on the one reference count.
class Vst3Component : public Vst3Object<Vst3Component> {
public:
  // A new object with one reference, or null when the plug-in could not be made.
  static Vst3Component* Create();

  // queryInterface's answer: the slot for iid with a reference added, or null.
  void* Interface(const v3_tuid iid);
  IEffectVST3& Plugin() { return *mPlugin; }

private:
  friend class Vst3Object<Vst3Component>;
  explicit Vst3Component(IEffectVST3* plugin);
  ~Vst3Component();

  Slot mComponent;
  Slot mProcessor;
  Slot mController;
  Slot mContextRequirements;
  Slot mFixedSeed;
  std::unique_ptr<IEffectVST3> mPlugin;
};

} // namespace lumen::vst3
