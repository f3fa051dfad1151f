#pragma once

#include <optional>
#include <vector>

namespace lumen {

// Two settings the user compares, A and B: the active one is what the parameters hold, the other
// is kept here. Only the active settings are the plug-in's state, so hosts store nothing new.
// Pure bookkeeping: the caller applies the values returned. User-interface thread only.
class ABSlots {
public:
  enum Slot { A = 0, B = 1 };

  Slot Active() const { return mActive; }

  // Keeps current as the active slot's settings and makes the other slot active; returns the
  // settings to apply. A slot never filled starts as a copy of current, so the first switch changes
  // nothing audible and the user goes on from there.
  const std::vector<double>& Switch(const std::vector<double>& current);

  // "Copy A to B". With A active, B becomes current (nothing to apply). With B active, B takes A's
  // settings, returned for the caller to apply.
  std::optional<std::vector<double>> CopyAToB(const std::vector<double>& current);

  // The settings kept for the inactive slot (empty while it was never filled).
  const std::vector<double>& Inactive() const { return mSlots[mActive == A ? B : A]; }

private:
  Slot mActive = A;
  std::vector<double> mSlots[2];
};

} // namespace lumen
