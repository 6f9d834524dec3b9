// Decoder: grammar, positions and texts of errors, numbers, options, entry points.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "JsonTestSupport.h"
#include "json/JRDecimalToDouble.h"
#include "json/JRParseState.h"

namespace tessaly {
namespace {

using jsontest::decode;
using jsontest::only;
using jsontest::raised;

const std::string kUnexpected =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', "
    "'\"STRING\"', 'NUMBER'.";
const std::string kTrailing =
    "A valid JSON object was parsed but there were additional non-white-space characters "
    "remaining.";

struct ErrorCase {
  std::string input;
  uint32_t options;
  std::string message;
  unsigned long long atIndex;
  unsigned long long line;
};

class DecoderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DecoderErrors, ReportsMessageAndPosition) {
  const ErrorCase& c = GetParam();
  JRError error;
  JSONDecoder decoder(c.options);
  Ref<JRObject> result = decoder.objectWithData(c.input, &error);
  EXPECT_FALSE(result);
  EXPECT_EQ(error.domain, "JRErrorDomain");
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(error.localizedDescription, c.message);
  EXPECT_EQ(error.atIndex, c.atIndex);
  EXPECT_EQ(error.lineNumber, c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DecoderErrors,
    ::testing::Values(
        ErrorCase{"", 0, "Reached the end of the buffer.", 0, 1},
        ErrorCase{"   ", 0, kUnexpected, 3, 1},
        ErrorCase{"\"a\" ", 0, "Expected either '[' or '{'.", 3, 1},
        ErrorCase{"1 ", 0, "Expected either '[' or '{'.", 1, 1},
        ErrorCase{"null ", 0, "Expected either '[' or '{'.", 4, 1},
        ErrorCase{"1", 0, "Invalid number.", 1, 1}, ErrorCase{"true", 0, kUnexpected, 0, 1},
        ErrorCase{"\xEF\xBB\xBF[]", 0, kUnexpected, 0, 1},
        ErrorCase{"[[]", 0, "Reached the end of the buffer.", 3, 1},
        // Unclosed inner collections are unclosed input too, not an internal fault.
        ErrorCase{"[[", 0, "Reached the end of the buffer.", 2, 1},
        ErrorCase{"[1,{", 0, "Reached the end of the buffer.", 4, 1},
        ErrorCase{"{\"a\":[1", 0, "Invalid number.", 7, 1},
        ErrorCase{"{\"a\":\n[[[", 0, "Reached the end of the buffer.", 9, 2},
        ErrorCase{"[1,]", 0, "Unexpected ']'.", 4, 1},
        ErrorCase{"[,1]", 0, "Unexpected ','.", 2, 1},
        ErrorCase{"[1 2]", 0, "Unexpected value.", 4, 1},
        ErrorCase{"[01]", 0, "Unexpected value.", 3, 1},
        ErrorCase{"[1", 0, "Invalid number.", 2, 1}, ErrorCase{"[true", 0, kUnexpected, 1, 1},
        ErrorCase{"[truex]", 0, kUnexpected, 5, 1}, ErrorCase{"[-]", 0, "Invalid number.", 3, 1},
        ErrorCase{"[1.]", 0, "Invalid number.", 4, 1},
        ErrorCase{"[1e+]", 0, "Invalid number.", 5, 1},
        ErrorCase{"[:", 0, "Expected a value or a ']', not ':'", 2, 1},
        ErrorCase{"[1:", 0, "Expected a comma or a ']', not ':'", 3, 1},
        ErrorCase{"[1,:", 0, "Expected a value, not ':'", 4, 1},
        ErrorCase{"{\"a\" 1}", 0, "Expected ':'.", 6, 1},
        ErrorCase{"{\"a\":1,}", 0, "Unexpected '}'.", 8, 1},
        ErrorCase{"{\"a\":1 \"b\":2}", 0, "Unexpected string.", 10, 1},
        ErrorCase{"{1:2}", 0, "Expected a \"STRING\" or a '}', not '1'", 2, 1},
        ErrorCase{"{\"a\":}", 0, "Expected a value or a '}', not '}'", 6, 1},
        ErrorCase{"{\"a\":1,]", 0, "Expected a \"STRING\", not ']'", 8, 1},
        ErrorCase{"{\"a\":1]", 0, "Expected a comma or a '}', not ']'", 7, 1},
        ErrorCase{"[1] x", 0, kTrailing, 4, 1}, ErrorCase{"[1]/**/", 0, kTrailing, 3, 1},
        ErrorCase{"/**/[1]", 0, kUnexpected, 0, 1},
        ErrorCase{"[-9223372036854775809]", 0,
                  "The value '-9223372036854775809' exceeded the minimum value that could be "
                  "represented: -9223372036854775808.",
                  21, 1},
        ErrorCase{"[18446744073709551616]", 0,
                  "The value '18446744073709551616' exceeded the maximum value that could be "
                  "represented: 18446744073709551615.",
                  21, 1},
        ErrorCase{"[1e400]", 0,
                  "The value '1e400' could not be represented as a 'double' due to overflow.", 6,
                  1},
        ErrorCase{"[-1.5E+309]", 0,
                  "The value '-1.5E+309' could not be represented as a 'double' due to overflow.",
                  10, 1},
        ErrorCase{"[1e-400]", 0,
                  "The value '1e-400' could not be represented as a 'double' due to underflow.", 7,
                  1},
        ErrorCase{"[0.000001e-330]", 0,
                  "The value '0.000001e-330' could not be represented as a 'double' due to "
                  "underflow.",
                  14, 1},
        ErrorCase{"[33000e0000001492662673464448341]", 0,
                  "The value '33000e0000001492662673464448341' could not be represented as a "
                  "'double' due to overflow.",
                  32, 1},
        ErrorCase{"[1e-99999999999999999999]", 0,
                  "The value '1e-99999999999999999999' could not be represented as a 'double' "
                  "due to underflow.",
                  24, 1},
        // Line counting: CR LF is one newline, then LF.
        ErrorCase{"[1,\r\n\n x]", 0, kUnexpected, 7, 3},
        ErrorCase{"[1,\r\r x]", 0, kUnexpected, 6, 3},
        ErrorCase{"[1,\n\"a\tb\"]", 0, "Invalid character < 0x20 found in string: 0x09.", 4, 2},
        // Comments count their newlines; an unclosed block comment runs to the end.
        ErrorCase{"[1, // one\n /* two\n three */ x]", JRReadComments, kUnexpected, 29, 3},
        ErrorCase{"[1 /* open", JRReadComments, kUnexpected, 10, 1},
        ErrorCase{"[1 / 2]", JRReadComments, kUnexpected, 3, 1},
        // Unicode newlines only with their option.
        ErrorCase{"[1,\xE2\x80\xA8x]", JRReadUnicodeNewlines, kUnexpected, 6, 2},
        ErrorCase{"[1,\xC2\x85x]", JRReadUnicodeNewlines, kUnexpected, 5, 2},
        ErrorCase{"[1,\xE2\x80\xA8x]", 0, kUnexpected, 3, 1},
        // Text after the value is refused only without its option.
        ErrorCase{"[1] x", JRReadComments, kTrailing, 4, 1}));

TEST(Decoder, AcceptsTheSameInputsWithTheirOptions) {
  EXPECT_TRUE(decode("[1] x", JRReadTextAfterJSON).result);
  EXPECT_TRUE(decode("[1] \t\r\n ").result);
  EXPECT_TRUE(decode("/* a */ [1, // b\n 2] // c", JRReadComments).result);
  EXPECT_TRUE(decode("[1,\xE2\x80\xA9 2]", JRReadUnicodeNewlines).result);
  EXPECT_TRUE(decode("[1] /* x */ junk", JRReadComments | JRReadTextAfterJSON).result);
}

TEST(Decoder, LongIndentationKeepsPositionsAndLines) {
  // Runs of blanks of every length up to 40 (skipped a word or sixteen bytes at a time), after
  // line feeds and CR LF: the stray token after them is reported at its own index and line.
  for (int blanks = 0; blanks <= 40; ++blanks) {
    for (const std::string& newline : {std::string("\n"), std::string("\r\n")}) {
      const std::string indent = newline + std::string(blanks, ' ');
      const std::string text = "[1," + indent + "2" + indent + "x" + std::string(20, ' ') + "]";
      const auto o = decode(text);
      ASSERT_FALSE(o.result) << blanks;
      EXPECT_EQ(o.error.localizedDescription, kUnexpected) << blanks;
      EXPECT_EQ(o.error.atIndex, text.find('x')) << blanks;
      EXPECT_EQ(o.error.lineNumber, 3u) << blanks;
    }
  }
}

TEST(Decoder, OnlyTheFirstErrorOfARunSurvives) {
  // The string scanner records its own message, then "Invalid string.", then the tokenizer
  // and the array add theirs: the first wins, at the string's opening quote.
  auto o = decode("[1, \"a\\q\"]");
  EXPECT_EQ(o.error.localizedDescription, "Invalid escape sequence found in \"\" string.");
  EXPECT_EQ(o.error.atIndex, 4u);
}

TEST(Decoder, NumbersKeepTheirKinds) {
  Ref<JRObject> zero = only("[0]");
  EXPECT_EQ(zero->kind(), JRKind::SignedInteger);
  EXPECT_EQ(zero->longLongValue(), 0);

  Ref<JRObject> minusZero = only("[-0]");
  ASSERT_EQ(minusZero->kind(), JRKind::Double);
  EXPECT_EQ(minusZero->doubleValue(), 0.0);
  EXPECT_TRUE(std::signbit(minusZero->doubleValue()));
  EXPECT_EQ(only("[-0.0]")->kind(), JRKind::Double);
  EXPECT_EQ(only("[-1]")->kind(), JRKind::SignedInteger);

  Ref<JRObject> max = only("[18446744073709551615]");
  EXPECT_EQ(max->kind(), JRKind::UnsignedInteger);
  EXPECT_EQ(max->unsignedLongLongValue(), 18446744073709551615ull);
  Ref<JRObject> signedMax = only("[9223372036854775807]");
  EXPECT_EQ(signedMax->kind(), JRKind::SignedInteger);
  EXPECT_EQ(signedMax->longLongValue(), INT64_MAX);
  Ref<JRObject> min = only("[-9223372036854775808]");
  EXPECT_EQ(min->kind(), JRKind::SignedInteger);
  EXPECT_EQ(min->longLongValue(), INT64_MIN);

  EXPECT_EQ(only("[1.5e3]")->doubleValue(), 1500.0);
  EXPECT_EQ(only("[2.5E-1]")->doubleValue(), 0.25);
  EXPECT_EQ(only("[0.1]")->doubleValue(), 0.1);
  EXPECT_EQ(only("[1.7976931348623157e308]")->doubleValue(), 1.7976931348623157e308);
  // Subnormal numbers are representable and are read, not refused as out of range.
  EXPECT_EQ(only("[4e-320]")->doubleValue(), 4e-320);
}

// Decodes the number tokens as one array and compares each value with strtod's.
void expectDoublesAsTheCLibraryReadsThem(const std::vector<std::string>& tokens) {
  std::string text = "[";
  for (size_t k = 0; k < tokens.size(); ++k) text += (k ? "," : "") + tokens[k];
  text += "]";
  auto o = decode(text);
  ASSERT_TRUE(o.result) << o.error.localizedDescription;
  for (size_t k = 0; k < tokens.size(); ++k) {
    const double want = std::strtod(tokens[k].c_str(), nullptr);
    ASSERT_EQ(o.result->asArray()->objectAtIndex(k)->doubleValue(), want) << tokens[k];
  }
}

TEST(Decoder, DoublesMatchTheCLibraryConversion) {
  // Decimal strings of 1 to 25 digits with and without exponents, through every path of the
  // conversion (fast, eight digits at a time, long mantissas, the full fallback).
  std::mt19937_64 random(7);
  std::vector<std::string> tokens;
  for (int k = 0; k < 20000; ++k) {
    std::string t = random() % 2 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 25);
    const int point = 1 + static_cast<int>(random() % digits);
    t += static_cast<char>('1' + random() % 9);
    for (int d = 1; d < digits; ++d) {
      if (d == point) t += '.';
      t += static_cast<char>('0' + random() % 10);
    }
    if (point >= digits) t += ".5";
    if (random() % 2) t += "e" + std::to_string(static_cast<int>(random() % 560) - 280);
    tokens.push_back(t);
  }
  expectDoublesAsTheCLibraryReadsThem(tokens);
}

TEST(Decoder, DoublesNearRoundingMidpointsMatchTheCLibrary) {
  // Decimal forms of the midpoint between two neighbouring doubles, cut to 15 to 20 digits:
  // exactly where a conversion with two roundings would go wrong.
  std::mt19937_64 random(11);
  std::vector<std::string> tokens;
  char buffer[64];
  for (int k = 0; k < 20000; ++k) {
    const double d = std::ldexp(static_cast<double>(random() >> 11) / 9007199254740992.0 + 0.5,
                                static_cast<int>(random() % 130) - 65);
    const long double mid =
        (static_cast<long double>(d) + static_cast<long double>(std::nextafter(d, 1e300))) / 2;
    std::snprintf(buffer, sizeof buffer, "%.*Le", 14 + static_cast<int>(random() % 6), mid);
    tokens.push_back(buffer);
  }
  expectDoublesAsTheCLibraryReadsThem(tokens);
}

TEST(Decoder, ProductConversionRoundsCorrectlyOrDeclines) {
  // w * 10^q over the whole table against strtod: a result must be the correctly rounded one;
  // declining is allowed but must stay rare for results in the normal range.
  std::mt19937_64 random(3);
  char text[48];
  int declined = 0, normal = 0;
  for (int k = 0; k < 100000; ++k) {
    const uint64_t w = (random() >> (random() % 64)) | 1;
    const int q = static_cast<int>(random() % 651) - 342;
    std::snprintf(text, sizeof text, "%llue%d", static_cast<unsigned long long>(w), q);
    const double want = std::strtod(text, nullptr);
    const bool inRange = std::isnormal(want);
    normal += inRange;
    double got;
    if (!jrDecimalToDoubleByProduct(w, q, &got)) {
      declined += inRange;
      continue;
    }
    ASSERT_TRUE(inRange) << text;  // subnormal and infinite results are left to the caller
    ASSERT_EQ(std::memcmp(&got, &want, 8), 0) << text << " gave " << got;
  }
  EXPECT_LT(declined, normal / 1000);
  // Exact halfway cases (an odd 54-bit integer times a power of two) round to even, not up.
  for (int k = 0; k < 20000; ++k) {
    const uint64_t w = (((random() >> 10) | (uint64_t{1} << 53)) | 1) << (random() % 10);
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(w));
    double got;
    ASSERT_TRUE(jrDecimalToDoubleByProduct(w, 0, &got)) << text;
    ASSERT_EQ(got, std::strtod(text, nullptr)) << text;
  }
}

TEST(Decoder, DoublesAtTheEdgesOfTheFastConversionAreStrtodsBitForBit) {
  // Where the one-operation conversion (mantissa up to 2^53, power of ten up to 22), the
  // product step and the full conversion hand over: mantissas around 2^53 and 2^64, 19 and 20
  // digits, exponents at ±22 and ±23, negative zero, subnormals and the range limits. Each
  // token is read with room behind it (the short scanner) and at the end of its document (the
  // full scanner).
  std::vector<std::string> tokens = {"9007199254740991.0",
                                     "9007199254740992.0",
                                     "9007199254740993.0",
                                     "9007199254740994.0",
                                     "9007199254740995.0",
                                     "-9007199254740993.0",
                                     "9007199254740993e0",
                                     "9007199254740993e22",
                                     "9007199254740993e-22",
                                     "9007199254740992e22",
                                     "9007199254740992e23",
                                     "9007199254740992e-23",
                                     "1e22",
                                     "1e23",
                                     "1e-22",
                                     "1e-23",
                                     "123456789e22",
                                     "123456789e-22",
                                     "8.98846567431158e307",
                                     "1234567890123456789.0",
                                     "12345678901234567890.0",
                                     "9999999999999999999.0",
                                     "10000000000000000000.0",
                                     "18446744073709551615.0",
                                     "18446744073709551616.0",
                                     "0.1234567890123456789",
                                     "0.12345678901234567890",
                                     "1.000000000000000000",
                                     "1.0000000000000000000",
                                     "4.4501477170144023e-308",
                                     "2.2250738585072011e-308",
                                     "2.2250738585072014e-308",
                                     "4.9406564584124654e-324",
                                     "2.4703282292062328e-324",
                                     "2.4703282292062327e-324",
                                     "1e-320",
                                     "-1e-320",
                                     "1.7976931348623157e308",
                                     "1.7976931348623158e308",
                                     "-0",
                                     "-0.0",
                                     "-0e5",
                                     "0.0",
                                     "0e-5",
                                     "-0.000",
                                     "5e-324",
                                     "1e-400",
                                     "9007199254740993.5",
                                     "9007199254740992.5",
                                     "4503599627370496.5",
                                     "4503599627370497.5",
                                     "2.5e-1",
                                     "7.2057594037927933e16",
                                     "1e0000"};
  for (int digits = 15; digits <= 21; ++digits)
    for (int e : {-23, -22, -1, 0, 1, 22, 23}) {
      std::string t(static_cast<size_t>(digits), '9');
      tokens.push_back(t + "e" + std::to_string(e));
      tokens.push_back("-1" + std::string(static_cast<size_t>(digits - 1), '0') + "1e" +
                       std::to_string(e));
    }
  const std::string room(60, ' ');
  for (const std::string& t : tokens) {
    const double want = std::strtod(t.c_str(), nullptr);
    const std::string digits = t.substr(0, t.find_first_of("eE"));
    const bool underflows = want == 0 && digits.find_first_of("123456789") != std::string::npos;
    for (const std::string& text : {"[" + t + "]", "[" + t + "," + room + "0]"}) {
      auto o = decode(text);
      if (underflows) {  // rounds to zero: the underflow message either way
        ASSERT_FALSE(o.result) << text;
        EXPECT_NE(o.error.localizedDescription.find("underflow"), std::string::npos) << text;
        continue;
      }
      ASSERT_TRUE(o.result) << text << ": " << o.error.localizedDescription;
      const JRObject* value = o.result->asArray()->objectAtIndex(0);
      ASSERT_EQ(value->kind(), JRKind::Double) << text;
      const double got = value->doubleValue();
      ASSERT_EQ(std::memcmp(&got, &want, 8), 0) << text << " gave " << got << " not " << want;
    }
  }
}

TEST(Decoder, ShortNumbersReadAsTheFullScannerReadsThem) {
  // Common numbers followed by at least 48 bytes take a short path; the same text at the end of
  // a small document takes the full scanner. Both must agree on value, kind and error.
  std::mt19937_64 random(5);
  const std::string alphabet = "0123456789000111-+.eE";
  const std::string padding(60, ' ');
  for (int k = 0; k < 20000; ++k) {
    std::string number;
    const int length = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) number += alphabet[random() % alphabet.size()];
    const auto full = decode("[" + number + "]");
    const auto fast = decode("[" + number + "," + padding + "0]");
    ASSERT_EQ(static_cast<bool>(full.result), static_cast<bool>(fast.result)) << number;
    if (!full.result) {
      ASSERT_EQ(full.error.localizedDescription, fast.error.localizedDescription) << number;
      ASSERT_EQ(full.error.atIndex, fast.error.atIndex) << number;
      continue;
    }
    const JRObject* a = full.result->asArray()->objectAtIndex(0);
    const JRObject* b = fast.result->asArray()->objectAtIndex(0);
    ASSERT_EQ(a->kind(), b->kind()) << number;
    ASSERT_EQ(a->longLongValue(), b->longLongValue()) << number;
    ASSERT_EQ(a->unsignedLongLongValue(), b->unsignedLongLongValue()) << number;
    const double x = a->doubleValue(), y = b->doubleValue();
    ASSERT_EQ(std::memcmp(&x, &y, 8), 0) << number;
  }
}

// A tree written out with each value's kind and, for strings and numbers, which earlier value
// it is the same object as: two readings agree only if the cache answered them alike.
std::string shapeOf(const JRObject* o, std::vector<const JRObject*>& seen) {
  if (const JRArray* a = o->asArray()) {
    std::string out = "[";
    for (uint32_t i = 0; i < a->count(); ++i) out += shapeOf(a->objectAtIndex(i), seen) + ",";
    return out + "]";
  }
  if (!o->isString() && !o->isNumber()) return o->description();
  size_t same = 0;
  while (same < seen.size() && seen[same] != o) ++same;
  if (same == seen.size()) seen.push_back(o);
  return std::to_string(static_cast<int>(o->kind())) + ":" + o->description() + "#" +
         std::to_string(same) + ",";
}

TEST(Decoder, RunsOfNumbersAndInnerArraysReadAsSpacedOutText) {
  // Numbers that follow a comma directly, and arrays of numbers right after their bracket, are
  // read in runs without the general loop; blanks after every bracket and comma send the same
  // document through the element-by-element path. Values, kinds, cache identities and the
  // cache's own state must come out the same, over documents that reuse values and mix in
  // strings, nested arrays, empty arrays and numbers only the full scanner takes.
  std::mt19937_64 random(11);
  const char* numbers[] = {"1",    "-2",     "0",  "3.25",   "-65.613616999999977",
                           "43.4", "1e5",    "-0", "1.5E-3", "1234567890123456789012.5",
                           "0.10", "-65.625"};
  for (int doc = 0; doc < 300; ++doc) {
    std::string compact = "[", spaced = "[ ";
    const int elements = 1 + static_cast<int>(random() % 40);
    for (int e = 0; e < elements; ++e) {
      std::string item, itemSpaced;
      const int kind = static_cast<int>(random() % 6);
      if (kind <= 1) {
        item = itemSpaced = numbers[random() % std::size(numbers)];
      } else if (kind == 2) {
        item = itemSpaced = "\"s" + std::to_string(random() % 5) + "\"";
      } else {
        // An inner array: numbers mostly, now and then a string or an array of its own.
        item = "[";
        itemSpaced = "[ ";
        const int inner = static_cast<int>(random() % 5);
        for (int i = 0; i < inner; ++i) {
          const uint64_t pick = random() % 10;
          std::string x = pick == 0   ? "\"t\""
                          : pick == 1 ? "[7,8]"
                                      : numbers[random() % std::size(numbers)];
          std::string xs = pick == 1 ? "[ 7, 8]" : x;
          item += (i ? "," : "") + x;
          itemSpaced += (i ? ", " : "") + xs;
        }
        item += "]";
        itemSpaced += "]";
      }
      compact += (e ? "," : "") + item;
      spaced += (e ? ", " : "") + itemSpaced;
    }
    compact += "]" + std::string(60, ' ');
    spaced += "]" + std::string(60, ' ');
    JSONDecoder a, b;
    for (int pass = 0; pass < 2; ++pass) {  // the second pass meets a full cache
      Ref<JRObject> x = a.objectWithData(compact);
      Ref<JRObject> y = b.objectWithData(spaced);
      ASSERT_TRUE(x) << compact;
      ASSERT_TRUE(y) << spaced;
      std::vector<const JRObject*> seenX, seenY;
      ASSERT_EQ(shapeOf(x.get(), seenX), shapeOf(y.get(), seenY)) << compact;
      ASSERT_EQ(a.cacheShiftRegister(), b.cacheShiftRegister()) << compact;
      ASSERT_EQ(a.cachedObjectCount(), b.cachedObjectCount()) << compact;
    }
  }
}

TEST(Decoder, ErrorsInsideRunsOfNumbersReadAsEverywhereElse) {
  // Each failure inside a run or an inner array of numbers, with enough text behind it for the
  // runs to be taken, reports what the element-by-element path reports for it.
  const std::string pad(60, ' ');
  struct Case {
    std::string text;
    std::string message;
    unsigned long long atIndex;
  };
  const Case cases[] = {
      {"[[1,2,]" + pad, "Unexpected ']'.", 7},
      {"[[1,2 3]" + pad, "Unexpected value.", 7},
      {"[[1,2:" + pad, "Expected a comma or a ']', not ':'", 6},
      {"[[1,01]" + pad, "Unexpected value.", 6},
      {"[1,2,1e400]" + pad,
       "The value '1e400' could not be represented as a 'double' due to overflow.", 10},
      {"[[1,1e400]]" + pad,
       "The value '1e400' could not be represented as a 'double' due to overflow.", 9},
      {"[[-]]" + pad, "Invalid number.", 4},
      {"[[1,2]" + pad, kUnexpected, 66},
      {"[[1,2],[3," + pad, kUnexpected, 70},
  };
  for (const Case& c : cases) {
    const auto o = decode(c.text);
    EXPECT_FALSE(o.result) << c.text;
    EXPECT_EQ(o.error.localizedDescription, c.message) << c.text;
    EXPECT_EQ(o.error.atIndex, c.atIndex) << c.text;
  }
  // The nesting limit holds for an innermost array of numbers too.
  const std::string limit = std::string(1023, '[') + "[1,2]" + std::string(1023, ']');
  EXPECT_TRUE(decode(limit).result);
  const std::string over = std::string(1024, '[') + "[1,2]" + std::string(1024, ']');
  const auto o = decode(over);
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error.localizedDescription,
            "Nesting is too deep: more than 1024 arrays and objects are open.");
  EXPECT_EQ(o.error.atIndex, 1025u);
}

TEST(Decoder, KeywordsAreTheSharedConstants) {
  auto o = decode("[true, false, null]");
  const JRArray* a = o.result->asArray();
  EXPECT_EQ(a->objectAtIndex(0), kJRBooleanTrue());
  EXPECT_EQ(a->objectAtIndex(1), kJRBooleanFalse());
  EXPECT_EQ(a->objectAtIndex(2), kJRNull());
}

TEST(Decoder, RepeatedKeyKeepsTheLastValue) {
  auto o = decode("{\"a\": 1, \"b\": 2, \"a\": 3}");
  const JRDictionary* d = o.result->asDictionary();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->count(), 2u);
  EXPECT_EQ(d->objectForKey("a")->longLongValue(), 3);
  EXPECT_EQ(d->objectForKey(jrString("b").get())->longLongValue(), 2);
}

TEST(Decoder, LargeArrayGrowsTheObjectStack) {
  std::string text = "[";
  for (int i = 0; i < 5000; ++i) text += (i ? "," : "") + std::to_string(i);
  text += "]";
  auto o = decode(text);
  ASSERT_TRUE(o.result);
  const JRArray* a = o.result->asArray();
  ASSERT_EQ(a->count(), 5000u);
  EXPECT_EQ(a->capacity(), 5000u);
  for (uint32_t i = 0; i < 5000; i += 499) EXPECT_EQ(a->objectAtIndex(i)->longLongValue(), i);
}

TEST(Decoder, TheObjectStackGrowsGeometrically) {
  // The first growth still takes the 1024 entries on the stack to 2048; each later one at least
  // doubles, so 50 million entries take a handful of steps, not 25000 of 2048 each.
  EXPECT_EQ(jrObjectStackGrowth(1024, 1024 + 128, 2048), 2048u);
  size_t count = 1024;
  int steps = 0;
  while (count < 50000000) {
    const size_t next = jrObjectStackGrowth(count, count + 128, 2048);
    ASSERT_GE(next, 2 * count);
    ASSERT_EQ(next % 2048, 0u);
    count = next;
    ++steps;
  }
  EXPECT_LE(steps, 16);
  // A request beyond double is met in one step.
  EXPECT_EQ(jrObjectStackGrowth(2048, 10000, 2048), 10240u);
}

TEST(Decoder, AFlatArrayOfManyValuesKeepsEveryOneInOrder) {
  // Large enough for several growths on the heap, with objects and keys waiting below it.
  const int n = 300000;
  std::string text = "{\"a\":1,\"b\":[";
  for (int i = 0; i < n; ++i) text += (i ? "," : "") + std::to_string(i * 7 % 1000003);
  text += "],\"c\":true}";
  auto o = decode(text);
  ASSERT_TRUE(o.result);
  const JRDictionary* d = o.result->asDictionary();
  ASSERT_EQ(d->count(), 3u);
  EXPECT_EQ(d->objectForKey("a")->longLongValue(), 1);
  EXPECT_EQ(d->objectForKey("c"), kJRBooleanTrue());
  const JRArray* a = d->objectForKey("b")->asArray();
  ASSERT_EQ(a->count(), static_cast<uint32_t>(n));
  for (int i = 0; i < n; i += 9973)
    EXPECT_EQ(a->objectAtIndex(i)->longLongValue(), i * 7 % 1000003) << i;
  EXPECT_EQ(a->objectAtIndex(n - 1)->longLongValue(), (n - 1) * 7 % 1000003);
}

TEST(Decoder, AnArrayLargerThanTheFirstMappingsReadsEveryValue) {
  // 1.2 million values: the object stack leaves the heap for mappings that grow by moving
  // (past 4 MiB and again past 8 MiB), and the array's own block is such a mapping too.
  const int n = 1200000;
  std::string text = "[";
  for (int i = 0; i < n; ++i) {
    if (i) text += ',';
    text += i % 3 ? std::to_string(i * 7919LL - 4000000000LL) : std::to_string(i) + ".25";
  }
  text += ']';
  auto o = decode(text);
  ASSERT_TRUE(o.result);
  const JRArray* a = o.result->asArray();
  ASSERT_EQ(a->count(), static_cast<uint32_t>(n));
  for (int i = 0; i < n; i += 7) {
    const JRObject* v = a->objectAtIndex(static_cast<size_t>(i));
    if (i % 3)
      ASSERT_EQ(v->longLongValue(), i * 7919LL - 4000000000LL) << i;
    else
      ASSERT_EQ(v->doubleValue(), i + 0.25) << i;
  }
}

TEST(Decoder, ErrorsFarIntoALongCollectionReadAsInAShortOne) {
  // Past the first growth of the object stack the reading goes on the same way.
  std::string array = "[";
  for (int i = 0; i < 3000; ++i) array += (i ? "," : "") + std::to_string(i);
  const size_t at = array.size();
  array += " 7]";
  auto o = decode(array);
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error.localizedDescription, "Unexpected value.");
  EXPECT_EQ(o.error.atIndex, at + 2);

  std::string object = "{";
  for (int i = 0; i < 3000; ++i) object += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":[]";
  const size_t key = object.size() + 1;
  object += ",\"last\" 1}";
  o = decode(object);
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error.localizedDescription, "Expected ':'.");
  EXPECT_EQ(o.error.atIndex, key + 8);
}

TEST(Decoder, NestedCollectionsInsideALargeOne) {
  std::string text = "{";
  for (int i = 0; i < 1500; ++i)
    text += (i ? "," : "") + std::string("\"k") + std::to_string(i) + "\":[" + std::to_string(i) +
            ",{\"x\":" + std::to_string(i) + "}]";
  text += "}";
  auto o = decode(text);
  ASSERT_TRUE(o.result) << o.error.localizedDescription;
  const JRDictionary* d = o.result->asDictionary();
  ASSERT_EQ(d->count(), 1500u);
  const JRArray* v = d->objectForKey("k1234")->asArray();
  ASSERT_TRUE(v);
  EXPECT_EQ(v->objectAtIndex(0)->longLongValue(), 1234);
  EXPECT_EQ(v->objectAtIndex(1)->asDictionary()->objectForKey("x")->longLongValue(), 1234);
}

TEST(Decoder, ElementsHeldElsewhereOutliveTheirTree) {
  // Freeing a tree frees numbers and nested arrays in place; ones still held must survive.
  Ref<JRObject> inner, number, dict;
  {
    JSONDecoder decoder;
    Ref<JRObject> tree = decoder.objectWithData(R"([[1.5,[2,"s"]],[3.25,{"k":[7]}]])");
    ASSERT_TRUE(tree);
    inner = tree->asArray()->objectAtIndex(0)->asArray()->objectAtIndex(1);
    number = tree->asArray()->objectAtIndex(1)->asArray()->objectAtIndex(0);
    dict = tree->asArray()->objectAtIndex(1)->asArray()->objectAtIndex(1);
  }  // the tree and the decoder's cache are gone
  EXPECT_EQ(inner->retainCount(), 1u);
  EXPECT_EQ(inner->asArray()->objectAtIndex(0)->longLongValue(), 2);
  EXPECT_EQ(inner->asArray()->objectAtIndex(1)->stringValue(), "s");
  EXPECT_EQ(number->retainCount(), 1u);
  EXPECT_EQ(number->doubleValue(), 3.25);
  EXPECT_EQ(dict->asDictionary()->objectForKey("k")->asArray()->objectAtIndex(0)->longLongValue(),
            7);
}

TEST(Decoder, ArraysOfArraysAreFreedLevelByLevel) {
  // Inner arrays of a long array are freed inside its own walk, a level further down in turn;
  // arrays, numbers and strings held at any level survive the tree with their contents.
  std::string text = "[";
  for (int i = 0; i < 300; ++i)
    text += (i ? "," : "") + std::string("[") + std::to_string(i) + ".5,[" + std::to_string(i) +
            ",\"s\",[" + std::to_string(i * 2) + "]]]";
  text += "]";
  Ref<JRObject> pair, deeper, deepest, number;
  {
    JSONDecoder decoder;
    Ref<JRObject> tree = decoder.objectWithData(text);
    ASSERT_TRUE(tree);
    pair = tree->asArray()->objectAtIndex(7);
    deeper = tree->asArray()->objectAtIndex(100)->asArray()->objectAtIndex(1);
    deepest =
        tree->asArray()->objectAtIndex(200)->asArray()->objectAtIndex(1)->asArray()->objectAtIndex(
            2);
    number = tree->asArray()->objectAtIndex(250)->asArray()->objectAtIndex(0);
  }
  EXPECT_EQ(pair->retainCount(), 1u);
  EXPECT_EQ(pair->asArray()->objectAtIndex(0)->doubleValue(), 7.5);
  EXPECT_EQ(pair->asArray()->objectAtIndex(1)->asArray()->objectAtIndex(1)->stringValue(), "s");
  EXPECT_EQ(deeper->asArray()->objectAtIndex(0)->longLongValue(), 100);
  EXPECT_EQ(deeper->asArray()->objectAtIndex(2)->asArray()->objectAtIndex(0)->longLongValue(), 200);
  EXPECT_EQ(deepest->asArray()->objectAtIndex(0)->longLongValue(), 400);
  EXPECT_EQ(number->retainCount(), 1u);
  EXPECT_EQ(number->doubleValue(), 250.5);
}

TEST(Decoder, DeepNestingFailsCleanly) {
  std::string deep(100000, '[');
  auto o = decode(deep);
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error.localizedDescription,
            "Nesting is too deep: more than 1024 arrays and objects are open.");
  EXPECT_EQ(o.error.atIndex, 1025u);

  std::string limit = std::string(1024, '[') + std::string(1024, ']');
  EXPECT_TRUE(decode(limit).result);
  std::string over = std::string(1025, '[') + std::string(1025, ']');
  EXPECT_FALSE(decode(over).result);
  std::string objects;
  for (int i = 0; i < 2000; ++i) objects += "{\"a\":";
  EXPECT_EQ(decode(objects).error.atIndex, 1025u * 5 - 4);
}

TEST(Decoder, MutableEntryPointsMakeMutableCollectionsThroughout) {
  JSONDecoder decoder;
  JRError error;
  Ref<JRObject> r = decoder.mutableObjectWithData("{\"a\":[1,{\"b\":[]}]}", &error);
  ASSERT_TRUE(r);
  JRMutableDictionary* top = r->asDictionary()->asMutable();
  ASSERT_TRUE(top);
  JRMutableArray* inner = top->objectForKey("a")->asArray()->asMutable();
  ASSERT_TRUE(inner);
  EXPECT_TRUE(inner->objectAtIndex(1)->asDictionary()->asMutable());
  EXPECT_FALSE(decoder.objectWithData("[[]]")->asArray()->asMutable());
}

TEST(Decoder, ErrorIsWrittenOnlyOnFailure) {
  JRError error{"untouched", 7, "keep", 1, 2};
  JSONDecoder decoder;
  EXPECT_TRUE(decoder.objectWithData("[1]", &error));
  EXPECT_EQ(error.domain, "untouched");
  EXPECT_FALSE(decoder.objectWithData("[1,]"));  // without an error out-parameter
  EXPECT_FALSE(decoder.objectWithData("[1,]", &error));
  EXPECT_EQ(error.localizedDescription, "Unexpected ']'.");
  // A decoder runs again after a failure, with a clean state.
  EXPECT_TRUE(decoder.objectWithData("[2]", nullptr));
}

TEST(Decoder, MisuseRaises) {
  EXPECT_EQ(raised([] { JSONDecoder d(16); }),
            std::make_pair(std::string("NSInvalidArgumentException"),
                           std::string("Invalid parse options.")));
  for (uint32_t options = 0; options <= 15; ++options) EXPECT_NO_THROW(JSONDecoder{options});
  JSONDecoder decoder;
  EXPECT_EQ(raised([&] { decoder.objectWithUTF8String(nullptr, 0); }).second,
            "The string argument is NULL.");
  EXPECT_EQ(raised([&] { decoder.objectWithData(std::string_view{}); }).second,
            "The jsonData argument is NULL.");
  decoder.releaseParseState();
  EXPECT_EQ(raised([&] { decoder.objectWithData("[]"); }),
            std::make_pair(std::string("NSInternalInconsistencyException"),
                           std::string("parseState is NULL.")));
}

TEST(Decoder, OneShotFormsAndUTF16Text) {
  JRError error;
  Ref<JRObject> r = objectFromJSONData("{\"a\":1}", 0, &error);
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->asDictionary()->asMutable());
  EXPECT_TRUE(mutableObjectFromJSONData("[]")->asArray()->asMutable());

  Ref<JRObject> s = objectFromJSONString(u"[\"caf\u00e9 \U0001D11E\"]");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->asArray()->objectAtIndex(0)->stringValue(), "caf\xC3\xA9 \xF0\x9D\x84\x9E");
  EXPECT_TRUE(mutableObjectFromJSONString(u"{}", 0)->asDictionary()->asMutable());

  std::u16string broken = u"[\"x\"]";
  broken[2] = 0xD800;  // an unpaired surrogate cannot become UTF-8
  EXPECT_FALSE(objectFromJSONString(broken, 0, &error));
  EXPECT_EQ(error.localizedDescription,
            "An error occurred converting the contents of a NSString to UTF8.");
  EXPECT_FALSE(error.atIndex.has_value());
  EXPECT_FALSE(error.lineNumber.has_value());
  EXPECT_FALSE(objectFromJSONString(u"[1,]", 0, &error));
  EXPECT_EQ(error.localizedDescription, "Unexpected ']'.");
}

}  // namespace
}  // namespace tessaly
