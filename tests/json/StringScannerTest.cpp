// String scanner: escapes, surrogates and the UTF-8 check, strict and lenient.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "JsonTestSupport.h"
#include "json/JRParseState.h"

namespace tessaly {
namespace {

using jsontest::decode;

struct StringCase {
  std::string body;     // the bytes between the quotes
  std::string strict;   // decoded value, or the error message when it starts with "!"
  std::string lenient;  // the same under JRReadLenientUnicode
};

const std::string kFFFD = "\xEF\xBF\xBD";

class StringScanning : public ::testing::TestWithParam<StringCase> {};

void expectScan(const std::string& body, const std::string& want, uint32_t options) {
  std::string text = "[\"" + body + "\"]";
  auto o = decode(text, options);
  if (!want.empty() && want[0] == '!') {
    EXPECT_FALSE(o.result) << "options " << options;
    EXPECT_EQ(o.error.localizedDescription, want.substr(1)) << "options " << options;
    EXPECT_EQ(o.error.atIndex, 1u) << "an error inside a string is reported at its quote";
    return;
  }
  ASSERT_TRUE(o.result) << "options " << options << ": " << o.error.localizedDescription;
  JRObject* value = o.result->asArray()->objectAtIndex(0);
  EXPECT_EQ(value->stringValue(), want) << "options " << options;
  // The hash depends only on the decoded bytes.
  EXPECT_EQ(value->hash(), jrHashBytes(want.data(), want.size()));
}

TEST_P(StringScanning, StrictAndLenient) {
  const StringCase& c = GetParam();
  expectScan(c.body, c.strict, 0);
  expectScan(c.body, c.lenient, JRReadLenientUnicode);
}

const std::string kIllegalEscape = "!Illegal \\u Unicode escape sequence.";
const std::string kRequired =
    "!Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape "
    "sequence.";
const std::string kIllegalUTF8 = "!Illegal UTF8 sequence found in \"\" string.";

INSTANTIATE_TEST_SUITE_P(
    Bodies, StringScanning,
    ::testing::Values(
        StringCase{"", "", ""}, StringCase{"plain text", "plain text", "plain text"},
        StringCase{"\\\"\\\\\\/\\b\\f\\n\\r\\t", "\"\\/\b\f\n\r\t", "\"\\/\b\f\n\r\t"},
        StringCase{"a\\u00e9b\\u20AC",
                   "a\xC3\xA9"
                   "b\xE2\x82\xAC",
                   "a\xC3\xA9"
                   "b\xE2\x82\xAC"},
        StringCase{"\\u0000", kIllegalEscape, kFFFD}, StringCase{"\\uFDD0", kIllegalEscape, kFFFD},
        StringCase{"\\uFDEF", kIllegalEscape, kFFFD}, StringCase{"\\uFFFE", kIllegalEscape, kFFFD},
        StringCase{"\\uffff", kIllegalEscape, kFFFD},
        StringCase{"\\uD834\\uDD1E", "\xF0\x9D\x84\x9E", "\xF0\x9D\x84\x9E"},
        StringCase{"\\uD83F\\uDFFE", kIllegalEscape, kFFFD},  // U+1FFFE
        StringCase{"\\uDD1E", kIllegalEscape, kFFFD},
        StringCase{"\\uD834x", kRequired, kFFFD + "x"}, StringCase{"\\uD834", kRequired, kFFFD},
        StringCase{"\\uD834\\n", kRequired, kFFFD + "\n"},
        StringCase{"\\uD834\\u0041z", kIllegalEscape, kFFFD + "z"},
        StringCase{"\\u12G4",
                   "!Unexpected character found in \\u Unicode escape sequence.  Found 'G', "
                   "expected [0-9a-fA-F].",
                   "!Unexpected character found in \\u Unicode escape sequence.  Found 'G', "
                   "expected [0-9a-fA-F]."},
        StringCase{"\\q", "!Invalid escape sequence found in \"\" string.",
                   "!Invalid escape sequence found in \"\" string."},
        StringCase{"a\tb", "!Invalid character < 0x20 found in string: 0x09.",
                   "!Invalid character < 0x20 found in string: 0x09."},
        StringCase{"\\tb", "\tb", "\tb"}, StringCase{"\xC3\xA9", "\xC3\xA9", "\xC3\xA9"},
        StringCase{"\xF0\x9D\x84\x9E ok", "\xF0\x9D\x84\x9E ok", "\xF0\x9D\x84\x9E ok"},
        StringCase{"x\xFFy", kIllegalUTF8, "x" + kFFFD + "y"},
        StringCase{"\xC0\x80", kIllegalUTF8, kFFFD},
        StringCase{"\xED\xA0\x80", kIllegalUTF8, kFFFD},     // a surrogate in raw UTF-8
        StringCase{"\xEF\xBF\xBE", kIllegalUTF8, kFFFD},     // U+FFFE in raw UTF-8
        StringCase{"\xE2\x82z", kIllegalUTF8, kFFFD + "z"},  // cut short by a plain byte
        StringCase{"\\n\xC3\xA9\xFF", kIllegalUTF8, "\n\xC3\xA9" + kFFFD}));

TEST(StringScanner, EndOfInput) {
  // The closing quote as the last byte: the string is read, then the array runs out.
  auto closed = decode("[\"ab\"");
  EXPECT_EQ(closed.error.localizedDescription, "Reached the end of the buffer.");
  auto open = decode("[\"");
  EXPECT_EQ(open.error.localizedDescription, "Invalid string.");
  EXPECT_EQ(open.error.atIndex, 1u);
  EXPECT_EQ(decode("[\"ab\\").error.localizedDescription, "Invalid string.");
  // A lead byte as the last input byte is cut short in both modes.
  for (uint32_t options : {0u, static_cast<uint32_t>(JRReadLenientUnicode)}) {
    auto cut = decode("[\"\xC3", options);
    EXPECT_EQ(cut.error.localizedDescription,
              "End of buffer reached while parsing UTF8 in \"\" string.");
    EXPECT_EQ(cut.error.atIndex, 1u);
  }
}

TEST(StringScanner, SlashEscapeAndPlainSlashAreOneValue) {
  auto o = decode("[\"a/b\", \"a\\/b\"]");
  const JRArray* a = o.result->asArray();
  EXPECT_EQ(a->objectAtIndex(0)->stringValue(), "a/b");
  EXPECT_EQ(a->objectAtIndex(0), a->objectAtIndex(1));  // same hash and bytes: one cached object
}

TEST(StringScanner, LongStringsDecodeThroughTheHeapBuffer) {
  for (size_t length : {100u, 2040u, 2100u, 10000u, 70000u}) {
    std::string body = "\\n";
    std::string want = "\n";
    for (size_t i = 0; i < length; ++i) {
      char c = static_cast<char>('a' + i % 26);
      body += c;
      want += c;
      if (i % 1000 == 999) {
        body += "\\u00e9";
        want += "\xC3\xA9";
      }
    }
    auto o = decode("[\"" + body + "\"]");
    ASSERT_TRUE(o.result) << length;
    EXPECT_EQ(o.result->asArray()->objectAtIndex(0)->stringValue(), want) << length;
  }
}

TEST(StringScanner, ScansEveryByteOffsetOfTheFastPath) {
  // Special bytes at every position of two sixteen-byte blocks.
  for (size_t prefix = 0; prefix < 33; ++prefix) {
    std::string lead(prefix, 'x');
    auto quote = decode("[\"" + lead + "\", 1]");
    ASSERT_TRUE(quote.result);
    EXPECT_EQ(quote.result->asArray()->objectAtIndex(0)->stringValue(), lead);
    auto escape = decode("[\"" + lead + "\\\"" + lead + "\"]");
    ASSERT_TRUE(escape.result);
    EXPECT_EQ(escape.result->asArray()->objectAtIndex(0)->stringValue(), lead + "\"" + lead);
    auto control = decode("[\"" + lead + "\x01" + lead + "\"]");
    EXPECT_EQ(control.error.localizedDescription,
              "Invalid character < 0x20 found in string: 0x01.");
    auto utf8 = decode("[\"" + lead + "\xC3\xA9" + lead + "\"]");
    ASSERT_TRUE(utf8.result);
    EXPECT_EQ(utf8.result->asArray()->objectAtIndex(0)->stringValue(), lead + "\xC3\xA9" + lead);
  }
}

TEST(StringScanner, UTF8CheckOutcomes) {
  struct Case {
    std::string bytes;
    JRUTF8Outcome outcome;
    size_t consumed;
    uint32_t codePoint;
  };
  const Case cases[] = {
      {"\xC3\xA9", JRUTF8Outcome::Valid, 2, 0xE9},
      {"\xE2\x82\xAC", JRUTF8Outcome::Valid, 3, 0x20AC},
      {"\xF4\x8F\xBF\xBD", JRUTF8Outcome::Valid, 4, 0x10FFFD},
      {"\xF4\x90\x80\x80", JRUTF8Outcome::Invalid, 4, 0xFFFD},  // above U+10FFFF
      {"\xE0\x80\x80", JRUTF8Outcome::Invalid, 3, 0xFFFD},      // overlong
      {"\xC3", JRUTF8Outcome::Truncated, 1, 0xFFFD},
      {"\xE2\x82", JRUTF8Outcome::Truncated, 2, 0xFFFD},
      {"\xE2\x82x", JRUTF8Outcome::Invalid, 2, 0xFFFD},
      {"\x80x", JRUTF8Outcome::Invalid, 1, 0xFFFD},
      {"\xFF\"", JRUTF8Outcome::Invalid, 1, 0xFFFD},
      {"\xEF\xB7\x90", JRUTF8Outcome::Invalid, 3, 0xFFFD},  // U+FDD0
  };
  for (const Case& c : cases) {
    auto* p = reinterpret_cast<const uint8_t*>(c.bytes.data());
    JRUTF8Result r = ConvertSingleCodePointInUTF8(p, p + c.bytes.size());
    EXPECT_EQ(r.outcome, c.outcome) << c.bytes;
    EXPECT_EQ(static_cast<size_t>(r.next - p), c.consumed) << c.bytes;
    EXPECT_EQ(r.codePoint, c.codePoint) << c.bytes;
  }
}

// What the scanner must make of the text after the opening quote at index 1: the bytes taken one
// at a time, non-ASCII ones through the full check of one code point. Knows the two-byte escapes
// \n and \/ only.
struct Expected {
  bool ok = true;
  std::string value;
  std::string message;
};

Expected byteByByte(const std::string& text, bool lenient) {
  auto* p = reinterpret_cast<const uint8_t*>(text.data()) + 2;
  auto* end = reinterpret_cast<const uint8_t*>(text.data()) + text.size();
  Expected e;
  auto fail = [&](std::string message) {
    e.ok = false;
    e.message = std::move(message);
    return e;
  };
  while (p < end) {
    const uint8_t c = *p;
    if (c == '"') return e;
    if (c == '\\') {
      if (end - p < 2) break;
      e.value += p[1] == 'n' ? '\n' : static_cast<char>(p[1]);
      p += 2;
    } else if (c < 0x20) {
      char message[64];
      std::snprintf(message, sizeof message, "Invalid character < 0x20 found in string: 0x%2.2x.",
                    c);
      return fail(message);
    } else if (c < 0x80) {
      e.value += static_cast<char>(c);
      ++p;
    } else {
      JRUTF8Result r = ConvertSingleCodePointInUTF8(p, end);
      if (r.outcome == JRUTF8Outcome::Truncated)
        return fail("End of buffer reached while parsing UTF8 in \"\" string.");
      if (r.outcome == JRUTF8Outcome::Invalid && !lenient) return fail(kIllegalUTF8.substr(1));
      if (r.outcome == JRUTF8Outcome::Invalid)
        e.value += kFFFD;
      else
        e.value.append(reinterpret_cast<const char*>(p), static_cast<size_t>(r.next - p));
      p = r.next;
    }
  }
  return fail("Invalid string.");
}

void expectAsByteByByte(const std::string& text, const std::string& label) {
  for (bool lenient : {false, true}) {
    Expected want = byteByByte(text, lenient);
    auto o = decode(text, lenient ? static_cast<uint32_t>(JRReadLenientUnicode) : 0u);
    if (!want.ok) {
      EXPECT_FALSE(o.result) << label << " lenient " << lenient;
      EXPECT_EQ(o.error.localizedDescription, want.message) << label << " lenient " << lenient;
      EXPECT_EQ(o.error.atIndex, 1u) << label;
      continue;
    }
    ASSERT_TRUE(o.result) << label << " lenient " << lenient << ": "
                          << o.error.localizedDescription;
    JRObject* value = o.result->asArray()->objectAtIndex(0);
    EXPECT_EQ(value->stringValue(), want.value) << label << " lenient " << lenient;
    EXPECT_EQ(value->hash(), jrHashBytes(want.value.data(), want.value.size())) << label;
  }
}

// Accepted, rejected, malformed and cut sequences, with the code points at the edges of the
// extra rejections.
const std::vector<std::string> kPieces = {
    // accepted (the first 16)
    "\xC2\x80", "\xDF\xBF", "\xC3\xA9", "\xE0\xA0\x80", "\xE3\x81\x82", "\xED\x9F\xBF",
    "\xEE\x80\x80", "\xEF\xB7\x8F", "\xEF\xB7\xB0", "\xEF\xBC\x81", "\xEF\xBF\xBD",
    "\xF0\x90\x80\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\xBF\xBD", "\xF3\xBF\xBF\xBD",
    "\xF4\x8F\xBF\xBD",
    // overlong, surrogates, noncharacters, above U+10FFFF, stray and cut bytes
    "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xB7\x90",
    "\xEF\xB7\xAF", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xF0\x8F\xBF\xBF", "\xF0\x9F\xBF\xBE",
    "\xF1\xAF\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
    "\xF8\x88\x80\x80\x80", "\xFF", "\x80", "\xBF", "\xC3", "\xE3\x81", "\xF0\x9F\x98",
    // control bytes, DEL and escapes
    "\x01", "\x1F", "\x7F", "\\n", "\\/"};

TEST(StringScanner, EveryPieceAtEveryOffsetOfTwoBlocks) {
  for (size_t i = 0; i < kPieces.size(); ++i) {
    for (size_t offset = 0; offset < 36; ++offset) {
      const std::string lead = "[\"" + std::string(offset, 'x') + kPieces[i];
      const std::string label = "piece " + std::to_string(i) + " offset " + std::to_string(offset);
      expectAsByteByByte(lead + std::string(40 - offset, 'y') + "\"]", label);
      // Cut by the closing quote, and by the end of the input.
      expectAsByteByByte(lead + "\"]", label + " before quote");
      expectAsByteByByte(lead, label + " at end");
    }
  }
}

TEST(StringScanner, RandomStringsMatchTheByteByByteReading) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 4000; ++round) {
    std::string body;
    const int pieces = static_cast<int>(random() % 24);
    const unsigned rare = 2 + random() % 40;  // how often a piece is not plain ASCII
    for (int i = 0; i < pieces; ++i) {
      if (random() % rare != 0)
        body += std::string(random() % 9, static_cast<char>('a' + random() % 26));
      else if (random() % 2)
        body += kPieces[random() % 16];  // accepted
      else
        body += kPieces[random() % kPieces.size()];
    }
    std::string text = "[\"" + body + (round % 5 ? "\"]" : "");
    expectAsByteByByte(text, "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace tessaly
