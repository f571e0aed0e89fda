#pragma once

#include <chrono>
#include <cstdint>

namespace vedograf {

class IUserServices;

// Lets window messages run from a hot loop without paying for it on every
// row: Tick() returns at once unless about 20 ms have passed since the pump
// last really ran. The clock itself is read only every few calls.
class TMessagePump {
 public:
  explicit TMessagePump(IUserServices& services,
                        std::chrono::steady_clock::duration interval = std::chrono::milliseconds(20));

  void Tick() {
    if ((++calls_ & kClockStride) != 0) return;
    TickSlow();
  }

  // Pumps now, whatever the time.
  void Flush();

  std::uint64_t RealPumps() const { return realPumps_; }

 private:
  static constexpr std::uint32_t kClockStride = 7;  // clock read every 8th call

  void TickSlow();

  IUserServices& services_;
  std::chrono::steady_clock::duration interval_;
  std::chrono::steady_clock::time_point last_;
  std::uint32_t calls_ = 0;
  std::uint64_t realPumps_ = 0;
};

}  // namespace vedograf
