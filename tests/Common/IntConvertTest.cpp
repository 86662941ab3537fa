#include "Common/IntConvert.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

TEST(IntConvert, DecimalWithBlanksAndSign) {
  EXPECT_EQ(TryStrToInt("0"), 0);
  EXPECT_EQ(TryStrToInt("512"), 512);
  EXPECT_EQ(TryStrToInt("   42"), 42);
  EXPECT_EQ(TryStrToInt("+7"), 7);
  EXPECT_EQ(TryStrToInt("-15"), -15);
  EXPECT_EQ(TryStrToInt("  -0"), 0);
  EXPECT_EQ(TryStrToInt("007"), 7);
}

TEST(IntConvert, HexadecimalPrefixesInEitherCase) {
  EXPECT_EQ(TryStrToInt("$200"), 512);
  EXPECT_EQ(TryStrToInt("x200"), 512);
  EXPECT_EQ(TryStrToInt("X1f"), 31);
  EXPECT_EQ(TryStrToInt("0x200"), 512);
  EXPECT_EQ(TryStrToInt("0XfF"), 255);
  EXPECT_EQ(TryStrToInt("  $10"), 16);
  EXPECT_EQ(TryStrToInt("$7FFFFFFF"), 2147483647);
}

TEST(IntConvert, RejectsWhatIsNotAWholeNumber) {
  for (const char* bad : {"", "   ", "+", "-", "$", "0x", "x", "abc", "12a", "1 ", " 1 2", "1.5",
                          "-$10", "+0x10", "$g", "0x1g", "\t5", "5\n", "--1"}) {
    EXPECT_FALSE(TryStrToInt(bad).has_value()) << '"' << bad << '"';
  }
}

TEST(IntConvert, SignedThirtyTwoBitBounds) {
  EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
  EXPECT_EQ(TryStrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_FALSE(TryStrToInt("2147483648").has_value());
  EXPECT_FALSE(TryStrToInt("-2147483649").has_value());
  EXPECT_FALSE(TryStrToInt("$80000000").has_value());
  EXPECT_FALSE(TryStrToInt("99999999999999999999999").has_value());
  EXPECT_FALSE(TryStrToInt("$FFFFFFFFFFFFFFFFFFFF").has_value());
}

TEST(IntConvert, DefaultOnFailureOnly) {
  EXPECT_EQ(StrToIntDef("abc", -1), -1);
  EXPECT_EQ(StrToIntDef("", 99), 99);
  EXPECT_EQ(StrToIntDef("200", -1), 200);
  EXPECT_EQ(StrToIntDef("-1", 5), -1);
}

}  // namespace
}  // namespace vellumark
