#include "core/message_pump.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/test_services.h"

namespace vedograf {
namespace {

TEST(MessagePump, ThrottlesTheRealPump) {
  test::TTestServices services;
  TMessagePump pump(services, std::chrono::hours(1));
  for (int i = 0; i < 100000; ++i) pump.Tick();
  EXPECT_EQ(services.pumps, 0);
  pump.Flush();
  EXPECT_EQ(services.pumps, 1);
}

TEST(MessagePump, PumpsOnceTheIntervalHasPassed) {
  test::TTestServices services;
  TMessagePump pump(services, std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  for (int i = 0; i < 8; ++i) pump.Tick();
  EXPECT_EQ(services.pumps, 1);
  // Right after a real pump the next ticks return at once.
  for (int i = 0; i < 8; ++i) pump.Tick();
  EXPECT_EQ(services.pumps, 1);
}

}  // namespace
}  // namespace vedograf
