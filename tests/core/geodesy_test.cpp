#include "core/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/units.h"

namespace vedograf {
namespace {

TEST(Geodesy, DistanceFigures) {
  EXPECT_EQ(FixDistance(55.75, 37.61, 55.75, 37.61), 0.0);
  EXPECT_NEAR(FixDistance(10.0, 20.0, 11.0, 20.0), 111195.05, 0.01);
  EXPECT_NEAR(FixDistance(-0.5, 179.5, 0.5, 179.5), 111195.05, 0.01);
  // A quarter of the equator.
  EXPECT_NEAR(FixDistance(0.0, 0.0, 0.0, 90.0), kEarthRadius_m * kPi / 2, 1e-6);
  // Symmetric in the two fixes.
  EXPECT_DOUBLE_EQ(FixDistance(55.1, 37.2, 56.3, 38.9), FixDistance(56.3, 38.9, 55.1, 37.2));
}

TEST(Geodesy, CentralAngleSpecialPoints) {
  EXPECT_EQ(CentralAngle(0.3, 0.4, 0.3, 0.4), 0.0);
  EXPECT_NEAR(CentralAngle(0.0, 0.0, 0.0, kPi), kPi, 1e-12);
  EXPECT_NEAR(CentralAngle(kPi / 2, 0.0, -kPi / 2, 0.0), kPi, 1e-12);
}

TEST(Geodesy, MathematicsErrorsGiveZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(SafeAtan2(0.0, 0.0), 0.0);
  EXPECT_EQ(SafeAtan2(inf, inf), 0.0);
  EXPECT_EQ(SafeAtan2(nan, nan), 0.0);
  EXPECT_EQ(SafeAtan2(nan, inf), 0.0);
  EXPECT_EQ(SafeSqrt(-1.0), 0.0);
  EXPECT_EQ(SafeSqrt(nan), 0.0);
  EXPECT_DOUBLE_EQ(SafeAtan2(1.0, 1.0), kPi / 4);
  EXPECT_DOUBLE_EQ(SafeSqrt(2.25), 1.5);
  // Only one argument bad: the library's own answer.
  EXPECT_DOUBLE_EQ(SafeAtan2(1.0, inf), 0.0);
  EXPECT_DOUBLE_EQ(SafeAtan2(inf, 1.0), kPi / 2);
}

}  // namespace
}  // namespace vedograf
