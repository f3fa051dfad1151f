#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool gCounting = false;
thread_local std::size_t gAllocations = 0;

void* Allocate(std::size_t size) {
  if (gCounting) ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
} // namespace

AllocationCounter::AllocationCounter() {
  gAllocations = 0;
  gCounting = true;
}

AllocationCounter::~AllocationCounter() { gCounting = false; }

std::size_t AllocationCounter::Count() const { return gAllocations; }

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (gCounting) ++gAllocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (gCounting) ++gAllocations;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
