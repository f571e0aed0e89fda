#pragma once
// A TMemory that fails chosen allocations and counts the rest.

#include <cstddef>
#include <functional>

#include "calc/memory.h"

namespace vedograf::test {

class TFailingMemory : public TMemory {
 public:
  // Fails the `n`-th allocation (1-based) from now on; 0 = never.
  void FailAt(int n) { failAt_ = n; }
  // Fails every allocation for which `pred(bytes)` holds.
  void FailWhen(std::function<bool(std::size_t)> pred) { failWhen_ = std::move(pred); }

  void* Allocate(std::size_t bytes) noexcept override {
    ++calls;
    if (calls == failAt_ || (failWhen_ && failWhen_(bytes))) {
      ++failures;
      return nullptr;
    }
    ++live;
    return TMemory::Allocate(bytes);
  }
  void Release(void* p) noexcept override {
    --live;
    TMemory::Release(p);
  }

  int calls = 0;
  int failures = 0;
  int live = 0;  // allocations not yet released

 private:
  int failAt_ = 0;
  std::function<bool(std::size_t)> failWhen_;
};

}  // namespace vedograf::test
