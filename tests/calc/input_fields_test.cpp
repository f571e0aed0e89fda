// Reading the values of an input row after "Входы:".

#include "calc/input_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace vedograf {
namespace {

bool Parse(std::string_view field, double& v) { return ParseDecimalField(field, v); }

TEST(DecimalField, AcceptsEitherDecimalMarkAndBlanksAround) {
  double v = 0;
  ASSERT_TRUE(Parse("12,5  ", v));
  EXPECT_EQ(v, 12.5);
  ASSERT_TRUE(Parse("  12.5", v));
  EXPECT_EQ(v, 12.5);
  ASSERT_TRUE(Parse("  -3.0", v));
  EXPECT_EQ(v, -3.0);
  ASSERT_TRUE(Parse("+7", v));
  EXPECT_EQ(v, 7.0);
  ASSERT_TRUE(Parse(",5", v));
  EXPECT_EQ(v, 0.5);
  ASSERT_TRUE(Parse("12.", v));
  EXPECT_EQ(v, 12.0);
  ASSERT_TRUE(Parse("000100", v));
  EXPECT_EQ(v, 100.0);
}

TEST(DecimalField, RejectsWhatIsNoNumberAndLeavesTheValue) {
  for (std::string_view f : {"", "      ", "------", "-", ".", "1.2.3", "1,2.5", "12a", "1 2", "1e3", "inf", "nan",
                             "0x10", "12ж"}) {
    double v = 42.0;
    EXPECT_FALSE(Parse(f, v)) << '"' << f << '"';
    EXPECT_EQ(v, 42.0);
  }
}

TEST(InputFieldPositions, MatchTheRowLayout) {
  EXPECT_EQ(SensorCharPos(0), 7);
  EXPECT_EQ(SensorCharPos(4), 15);
  EXPECT_EQ(AnalogFieldPos(0), 17);
  EXPECT_EQ(AnalogFieldPos(2), 29);
  EXPECT_EQ(FuelFieldPos(0, false), 17);
  EXPECT_EQ(FuelFieldPos(0, true), 56);
  EXPECT_EQ(FuelFieldPos(2, true), 68);
}

// Positions are characters from the marker's first letter: the Cyrillic text
// before the marker and the two-byte letters of the marker itself must not
// shift them.
TEST(InputFields, CountsCharactersNotBytes) {
  const std::string text = "Свежее Входы: 1 0 1 0 1  12,5   7.25 -----";
  const TInputFields f(text);
  ASSERT_TRUE(f.HasMarker());
  EXPECT_EQ(f.CharAt(0), '\0');  // 'В' is no single-byte character
  EXPECT_EQ(f.CharAt(5), ':');
  EXPECT_EQ(f.CharAt(7), '1');
  EXPECT_EQ(f.CharAt(9), '0');
  EXPECT_EQ(f.CharAt(15), '1');
  double v = 0;
  ASSERT_TRUE(f.NumberAt(17, 6, v));
  EXPECT_EQ(v, 12.5);
  ASSERT_TRUE(f.NumberAt(23, 6, v));
  EXPECT_EQ(v, 7.25);
  EXPECT_FALSE(f.NumberAt(29, 6, v));  // "-----" and then the text ends
}

TEST(InputFields, MultiByteLettersInsideTheFieldsKeepLaterPositions) {
  // Position 16 holds a two-byte letter; the field at 17 starts after it.
  const std::string text = "Входы: 1 1 1 1 1ж 33.5 ";
  const TInputFields f(text);
  EXPECT_EQ(f.CharAt(16), '\0');
  double v = 0;
  ASSERT_TRUE(f.NumberAt(17, 6, v));
  EXPECT_EQ(v, 33.5);
}

TEST(InputFields, ShortOrMissingFieldsAreIgnored) {
  double v = 7;
  const std::string exact = "Входы: 1 1 1 1 1  123.4";  // the field at 17 ends with the text
  EXPECT_TRUE(TInputFields(exact).NumberAt(17, 6, v));
  EXPECT_EQ(v, 123.4);
  v = 7;
  EXPECT_FALSE(TInputFields("Входы: 1 1 1 1 1  12").NumberAt(17, 6, v));
  EXPECT_FALSE(TInputFields("Входы: 1 1").NumberAt(17, 6, v));
  EXPECT_EQ(v, 7);
  EXPECT_EQ(TInputFields("Входы: 1 1").CharAt(11), '\0');
  EXPECT_EQ(TInputFields("Входы: 1 1").CharAt(-1), '\0');
}

TEST(InputFields, NoMarkerNoFields) {
  const TInputFields f("Входы 1 1 1 1 1  12.5  ");
  EXPECT_FALSE(f.HasMarker());
  double v = 0;
  EXPECT_FALSE(f.NumberAt(17, 6, v));
  EXPECT_EQ(f.CharAt(7), '\0');
  EXPECT_FALSE(TInputFields("").HasMarker());
}

}  // namespace
}  // namespace vedograf
