#include "platform/foundation/PercentDecoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using tessaly::platform::PercentDecoding;
using Escapes = PercentDecoding::Escapes;
using Plus = PercentDecoding::Plus;

namespace {

std::optional<std::string> strict(std::string_view text, Plus plus = Plus::Space) {
  return PercentDecoding::decode(text, Escapes::Strict, plus);
}
std::string lenient(std::string_view text, Plus plus = Plus::Space) {
  return PercentDecoding::decode(text, Escapes::Lenient, plus).value();
}

}  // namespace

TEST(PercentDecoding, EscapesOfEitherCaseAndPlusAsAsked) {
  for (auto escapes : {Escapes::Strict, Escapes::Lenient}) {
    EXPECT_EQ(PercentDecoding::decode("S%C3%a3o+Paulo", escapes, Plus::Space), "S\xC3\xA3o Paulo");
    EXPECT_EQ(PercentDecoding::decode("/a+b%20c%2B", escapes, Plus::Literal), "/a+b c+");
    EXPECT_EQ(PercentDecoding::decode("", escapes, Plus::Space), "");
    // A decoded "%" starts no second escape.
    EXPECT_EQ(PercentDecoding::decode("%2541", escapes, Plus::Space), "%41");
  }
}

TEST(PercentDecoding, StrictRefusesBrokenEscapesAndNul) {
  for (std::string_view broken : {"%", "%4", "ab%", "x%4", "%zz", "%4g", "%g4", "a%00b"})
    EXPECT_EQ(strict(broken), std::nullopt) << broken;
  EXPECT_EQ(strict(std::string_view("a\0b", 3)), std::nullopt) << "a NUL as written";
  EXPECT_EQ(strict("x%41"), "xA") << "an escape that ends the text";
}

TEST(PercentDecoding, LenientKeepsBrokenEscapesAsWrittenAndEveryByte) {
  EXPECT_EQ(lenient("%zz%4"), "%zz%4");
  EXPECT_EQ(lenient("100%"), "100%");
  EXPECT_EQ(lenient("%%41"), "%A");
  EXPECT_EQ(lenient("a%00b"), std::string("a\0b", 3));
  EXPECT_EQ(lenient("a+b", Plus::Literal), "a+b");
}
