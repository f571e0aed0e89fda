#include "areas/number_scan.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace vedograf {
namespace {

// The C library's own reading in the "C" locale is the reference.
class NumberScan : public ::testing::Test {
 protected:
  void SetUp() override { c_ = newlocale(LC_ALL_MASK, "C", nullptr); }
  void TearDown() override { freelocale(c_); }

  void ExpectLikeStrtod(const std::string& text) {
    char* end = nullptr;
    const double ref = strtod_l(text.c_str(), &end, c_);
    const bool refOk = end != text.c_str();
    std::size_t pos = 0;
    double got = -12345;
    const bool ok = ScanDouble(text, pos, got);
    ASSERT_EQ(ok, refOk) << '"' << text << '"';
    if (!ok) {
      EXPECT_EQ(pos, 0u);
      return;
    }
    EXPECT_EQ(pos, static_cast<std::size_t>(end - text.c_str())) << '"' << text << '"';
    if (std::isnan(ref)) {
      EXPECT_TRUE(std::isnan(got)) << '"' << text << '"';
    } else {
      EXPECT_EQ(std::memcmp(&got, &ref, sizeof got), 0) << '"' << text << "\" " << got << " vs " << ref;
    }
  }

  locale_t c_{};
};

TEST_F(NumberScan, DoubleReadsWhatStrtodReads) {
  for (const char* s : {"", " ", "55.75", "  -37.61x", "+.5", "5.", ".", "-", "+-1", "1e", "1e+", "1e-5", "1E5",
                        "1e400", "-1e400", "1e-400", "4e-320", "0x1p3", "0x", "0x.", "0x.8", "0xg", "-0x1.8p1",
                        "0x1p99999", "0x1p-99999", "inf", "-INF", "infinity", "infin", "nan", "NaN(abc)", "nan(",
                        "nan(a b)", "\t\n\v\f\r7", "1,5", "0.000000000000000000000000000000001e-300",
                        "123456789012345678901234567890", "1e99999999999999999999", "00012.500e+0002"}) {
    ExpectLikeStrtod(s);
  }
  std::mt19937 rng(42);
  const std::string alphabet = "0123456789.eE+-xXpPabcdfinNAIty() \t,;";
  for (int i = 0; i < 200000; ++i) {
    std::string s;
    const int n = static_cast<int>(rng() % 14);
    for (int k = 0; k < n; ++k) s += alphabet[rng() % alphabet.size()];
    ExpectLikeStrtod(s);
    if (HasFatalFailure()) return;
  }
}

TEST_F(NumberScan, IntReadsLikeScanfAndClamps) {
  struct TCase {
    const char* text;
    bool ok;
    int value;
    std::size_t pos;
  };
  for (const TCase& c : std::initializer_list<TCase>{{"12", true, 12, 2},
                                                     {"  -7x", true, -7, 4},
                                                     {"+3", true, 3, 2},
                                                     {"12.5", true, 12, 2},
                                                     {"-", false, 0, 0},
                                                     {"+-1", false, 0, 0},
                                                     {"x1", false, 0, 0},
                                                     {"", false, 0, 0},
                                                     {"99999999999999999999", true, INT_MAX, 20},
                                                     {"-99999999999", true, INT_MIN, 12}}) {
    std::size_t pos = 0;
    int v = 0;
    EXPECT_EQ(ScanInt(c.text, pos, v), c.ok) << c.text;
    EXPECT_EQ(pos, c.pos) << c.text;
    if (c.ok) { EXPECT_EQ(v, c.value) << c.text; }
  }
}

}  // namespace
}  // namespace vedograf
