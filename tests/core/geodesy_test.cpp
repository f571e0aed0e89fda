#include "core/geodesy.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>
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

namespace vedograf {
namespace {

// The cache must be invisible: same bits as FixDistance on a walked track,
// on steps asked for twice, on jumps back to an older fix and on NaN.
TEST(FixDistanceCache, GivesFixDistanceBitsOnAnyOrderOfSteps) {
  for (const double lat : {0.0, -33.9, 55.75, 88.9, 89.5, 90.0, -90.0}) {
    TFixDistanceCache standing;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(FixDistance(lat, 37.6, lat, 37.6)),
              std::bit_cast<std::uint64_t>(standing.Distance(lat, 37.6, lat, 37.6))) << lat;
  }
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  TFixDistanceCache cache;
  double lat = 55.7, lon = 37.6;
  std::vector<std::pair<double, double>> seen{{lat, lon}};
  for (int i = 0; i < 2000; ++i) {
    double nlat = lat + u(rng) * 0.01, nlon = lon + u(rng) * 0.01;
    if (i % 97 == 0) nlat = std::numeric_limits<double>::quiet_NaN();
    if (i % 13 == 0) std::tie(nlat, nlon) = seen[static_cast<std::size_t>(rng()) % seen.size()];
    if (i % 7 == 0) nlat = lat, nlon = lon;  // standing still
    const double want = FixDistance(lat, lon, nlat, nlon);
    const double got = cache.Distance(lat, lon, nlat, nlon);
    if (std::isnan(want)) {
      EXPECT_TRUE(std::isnan(got) || got == want) << i;
    } else {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(want), std::bit_cast<std::uint64_t>(got)) << i;
    }
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(cache.Distance(lat, lon, nlat, nlon)));
    if (!std::isnan(nlat)) {
      lat = nlat, lon = nlon;
      seen.emplace_back(lat, lon);
    }
  }
}

}  // namespace
}  // namespace vedograf
