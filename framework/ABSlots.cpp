#include "ABSlots.h"

namespace lumen {

const std::vector<double>& ABSlots::Switch(const std::vector<double>& current) {
  const Slot other = mActive == A ? B : A;
  mSlots[mActive] = current;
  if (mSlots[other].size() != current.size()) mSlots[other] = current;
  mActive = other;
  return mSlots[other];
}

std::optional<std::vector<double>> ABSlots::CopyAToB(const std::vector<double>& current) {
  if (mActive == A) {
    mSlots[B] = current;
    return std::nullopt;
  }
  if (mSlots[A].size() != current.size()) mSlots[A] = current;
  mSlots[B] = mSlots[A];
  return mSlots[A];
}

} // namespace lumen
