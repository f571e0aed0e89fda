#include "core/message_pump.h"

#include "core/user_services.h"

namespace vedograf {

TMessagePump::TMessagePump(IUserServices& services, std::chrono::steady_clock::duration interval)
    : services_(services), interval_(interval), last_(std::chrono::steady_clock::now()) {}

void TMessagePump::TickSlow() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < interval_) return;
  Flush();
}

void TMessagePump::Flush() {
  services_.PumpMessages();
  ++realPumps_;
  last_ = std::chrono::steady_clock::now();
}

}  // namespace vedograf
