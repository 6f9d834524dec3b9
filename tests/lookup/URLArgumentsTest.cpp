#include <gtest/gtest.h>

#include <string>

#include "lookup/URLArgumentsAdditions.h"

using tessaly::stringByEscapingForURLArgument;

TEST(URLArguments, AddressesAreEscapedAsTheServiceExpects) {
  EXPECT_EQ(stringByEscapingForURLArgument("Main St & 5th"), "Main%20St%20%26%205th");
  EXPECT_EQ(stringByEscapingForURLArgument("S\xC3\xA3o Paulo"), "S%C3%A3o%20Paulo");
  EXPECT_EQ(stringByEscapingForURLArgument("a+b"), "a%2Bb");
  EXPECT_EQ(stringByEscapingForURLArgument("x~y-z_w.v"), "x~y-z_w.v");
  EXPECT_EQ(stringByEscapingForURLArgument(""), "");
}

TEST(URLArguments, EveryReservedCharacterIsEscapedInUpperCaseHex) {
  const std::string reserved = "!*'();:@&=+$,/?%#[]";
  std::string expected;
  for (char c : reserved) {
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
    expected += escape;
  }
  EXPECT_EQ(stringByEscapingForURLArgument(reserved), expected);
  EXPECT_EQ(stringByEscapingForURLArgument("\"<>\\^`{|}\n\t"), "%22%3C%3E%5C%5E%60%7B%7C%7D%0A%09");
}

TEST(URLArguments, OnlyLettersDigitsAndFourMarksStayAndMultiByteCharactersBecomeTheirBytes) {
  std::string unreserved;
  for (int c = 0; c < 128; ++c) {
    std::string one(1, static_cast<char>(c));
    if (stringByEscapingForURLArgument(one) == one) unreserved += one;
  }
  EXPECT_EQ(unreserved, "-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~");
  // Two, three and four bytes: ß, 東京, an emoji.
  EXPECT_EQ(stringByEscapingForURLArgument("Stra\xC3\x9F"
                                           "e"),
            "Stra%C3%9Fe");
  EXPECT_EQ(stringByEscapingForURLArgument("\xE6\x9D\xB1\xE4\xBA\xAC"), "%E6%9D%B1%E4%BA%AC");
  EXPECT_EQ(stringByEscapingForURLArgument("\xF0\x9F\x97\xBA"), "%F0%9F%97%BA");
  EXPECT_EQ(stringByEscapingForURLArgument(std::string("a\0b", 3)), "a%00b");
}
