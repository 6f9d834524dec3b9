// Writes golden.txt: fixed-seed inputs for the JSON reader and what the decoder made of each, one
// line per input: the input (escaped as in GoldenRender.h), a tab, the outcome under strict
// options, a tab, the outcome with lenient Unicode and comments ("=" when it is the same).
// GoldenTest.cpp replays it.
//
// Not built by CMake. It was built against the reader as of commit 1f2f028 (before the number,
// element and member short paths) and run from the repository root:
//   git worktree add /tmp/json-ref 1f2f028
//   cd /tmp/json-ref/src/json
//   g++ -O2 -std=c++20 -I/tmp/json-ref/src -I$REPO/tests JRAllocator.cpp JRObject.cpp
//       JRCollections.cpp JRDecoderUnit.cpp $REPO/tests/json/data/golden_generator.cpp
//       -o /tmp/golden_generator
//   cd $REPO && /tmp/golden_generator > tests/json/data/golden.txt
// Later, one deliberate change was recorded by running it against the reader of that commit:
// input ending inside a nested collection ("[[", "[{") reports "Reached the end of the buffer."
// instead of "Internal error: Object == NULL"; the diff touched those 8 lines only.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "json/GoldenRender.h"

namespace {

using tessaly::golden::escaped;
using tessaly::golden::kGoldenOptions;
using tessaly::golden::outcome;

// A fixed generator, so that the inputs do not depend on the standard library's distributions.
struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <class T>
  const T& pick(const std::vector<T>& v) {
    return v[below(static_cast<unsigned>(v.size()))];
  }
};

Random rng;
std::vector<std::string> inputs;
std::set<std::string> seen;

void add(std::string s) {
  if (seen.insert(s).second) inputs.push_back(std::move(s));
}

std::string digits(unsigned n, bool leadingNonZero) {
  std::string s;
  for (unsigned i = 0; i < n; ++i)
    s += static_cast<char>('0' + (i == 0 && leadingNonZero ? 1 + rng.below(9) : rng.below(10)));
  return s;
}

// Every shape of number, well formed or not.
std::string randomNumber() {
  std::string s;
  const unsigned r = rng.below(100);
  if (r < 5) {  // junk built from number characters
    static const std::vector<std::string> parts = {"-", "+", "0", "1", "9", ".", "e", "E", "--"};
    for (unsigned i = 1 + rng.below(5); i--;) s += rng.pick(parts);
    return s;
  }
  if (rng.chance(30)) s += '-';
  if (rng.chance(15)) {
    s += '0';
    if (rng.chance(20)) s += digits(1 + rng.below(3), false);  // leading zeros
  } else {
    s += digits(1 + rng.below(rng.chance(30) ? 25 : 8), true);
  }
  if (rng.chance(45)) {
    s += '.';
    if (!rng.chance(5)) s += digits(1 + rng.below(rng.chance(30) ? 24 : 8), false);
  }
  if (rng.chance(30)) {
    s += rng.chance(50) ? 'e' : 'E';
    const unsigned sign = rng.below(3);
    if (sign == 1) s += '-';
    if (sign == 2) s += '+';
    if (!rng.chance(5)) s += digits(1 + rng.below(rng.chance(20) ? 6 : 3), false);
  }
  return s;
}

const std::vector<std::string> kNumbers = {
    "0",
    "-0",
    "1",
    "-1",
    "0.0",
    "-0.0",
    "1.5",
    "-2.5",
    "1e5",
    "1E5",
    "1e+5",
    "1e-5",
    "1.e5",
    "1.",
    "-",
    "1e",
    "1e+",
    "1e-",
    "01",
    "-01",
    "00",
    ".5",
    "-.5",
    "--1",
    "+1",
    "1..2",
    "1e5e5",
    "1.5.5",
    "0x10",
    "1-2",
    "1+2",
    "0e0",
    "0e",
    "-e5",
    "12345678901234567890",
    "1234567890123456789",
    "9999999999999999999",
    "9223372036854775807",
    "9223372036854775808",
    "-9223372036854775808",
    "-9223372036854775809",
    "18446744073709551615",
    "18446744073709551616",
    "-18446744073709551616",
    "1234567890123456789012345",
    "1.234567890123456789012345",
    "0.0000000000000000000000001",
    "1e308",
    "1.7976931348623157e308",
    "1.7976931348623158e308",
    "1.7976931348623159e308",
    "2e308",
    "-2e308",
    "1e309",
    "1e400",
    "1e-307",
    "2.2250738585072011e-308",
    "2.2250738585072014e-308",
    "4.9e-324",
    "5e-324",
    "2.4703282292062327e-324",
    "2.4703282292062328e-324",
    "3e-324",
    "1e-324",
    "1e-400",
    "1e-9999",
    "1e9999",
    "1e99999",
    "0e99999",
    "0.1",
    "0.2",
    "0.3",
    "0.30000000000000004",
    "9007199254740992",
    "9007199254740993",
    "9007199254740993.0",
    "9007199254740993e0",
    "1e23",
    "8.98846567431158e307",
    "123.456e-7",
    "-123.456E+7",
    "1e0000",
    "1e00001",
    "100000000000000000000",
    "1.00000000000000011102230246251565404236316680908203125",
    "1.00000000000000011102230246251565404236316680908203124",
    "7.2057594037927933e16",
    "0.000001",
    "1e-7",
    "1000000000000000000",
    "10000000000000000000",
    "-1e-0",
    "-0e-0",
    "2.5e-1",
    "12.34e56",
    "123456789012345678.9",
    "0.1234567890123456789",
    "1.5e+0005",
};

// The number near the end of a small document and, with at least 48 bytes behind it, in a long
// one, as an element and as a member value.
void numberContexts(const std::string& n) {
  const std::string tail(56, ' ');
  add("[" + n + "]");
  add("[1," + n + "]");
  add("{\"k\":" + n + "}");
  add("[" + n);
  add("[" + n + "," + "\"filler filler filler filler filler filler filler\"]");
  add("[0," + n + " ,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23]");
  add("{\"k\":" + n + ",\"other\":\"filler filler filler filler filler filler\"}");
  add("[" + n + "]" + tail);
  add("{\"a\":[" + n + "\n," + n + "]}" + tail);
}

// Arrays and objects of numbers only, separated in varied ways.
std::string numberList(unsigned count, bool object) {
  static const std::vector<std::string> separators = {",", ", ", " ,", ",\n", "\r\n,", " , "};
  std::string s = object ? "{" : "[";
  for (unsigned i = 0; i < count; ++i) {
    if (i) s += rng.chance(97) ? rng.pick(separators) : rng.chance(50) ? " " : ",,";
    if (object) s += "\"n" + std::to_string(i % 7) + "\":";
    s += rng.chance(70) ? rng.pick(kNumbers) : randomNumber();
  }
  return s + (rng.chance(95) ? (object ? "}" : "]") : "");
}

std::string blank() {
  static const std::vector<std::string> blanks = {" ",  "  ",      "\t",     "\n",   "\r\n",
                                                  "\r", "/* c */", "// c\n", "/**/", " /*\n*/ "};
  return rng.chance(60) ? "" : rng.pick(blanks);
}

const std::vector<std::string> kTokens = {"[",     "]", "{",    "}",    ",",     ":",   "\"k\"",
                                          "\"v\"", "1", "-2.5", "true", "false", "null"};

std::string tokenSoup() {
  std::string s = rng.chance(50) ? "[" : "{";
  for (unsigned n = rng.below(25); n--;) s += blank() + rng.pick(kTokens);
  return s + blank();
}

// A well-formed document that later gets one fault.
std::string document(unsigned depth) {
  const unsigned r = rng.below(depth > 4 ? 6 : 9);
  switch (r) {
    case 0:
      return "\"" + std::string(rng.chance(50) ? "k" : "value") + "\"";
    case 1:
      return rng.chance(50) ? "1" : "-2.5";
    case 2:
      return rng.pick(kNumbers);
    case 3:
      return "true";
    case 4:
      return "false";
    case 5:
      return "null";
    case 6:
    case 7: {
      std::string s = "[" + blank();
      for (unsigned n = rng.below(5), i = 0; i < n; ++i)
        s += (i ? "," + blank() : "") + document(depth + 1) + blank();
      return s + "]";
    }
    default: {
      std::string s = "{" + blank();
      for (unsigned n = rng.below(5), i = 0; i < n; ++i)
        s += (i ? "," + blank() : "") + "\"" + std::string(1, static_cast<char>('a' + i)) + "\"" +
             blank() + ":" + blank() + document(depth + 1) + blank();
      return s + "}";
    }
  }
}

std::string mutated(std::string s) {
  if (s.empty()) return s;
  const size_t at = rng.below(static_cast<unsigned>(s.size()));
  switch (rng.below(5)) {
    case 0:
      return s.substr(0, at);  // truncated
    case 1:
      return s.erase(at, 1);  // one byte gone
    case 2:
      return s.insert(at, rng.pick(kTokens));  // a token too many
    case 3:
      return s.insert(at, blank() + "/*" + blank());  // an open comment
    default:
      s[at] = "[]{},:\"x0.-e"[rng.below(12)];
      return s;  // one byte replaced
  }
}

// String bodies: escapes, valid UTF-8 and the broken kinds.
const std::vector<std::string> kStringParts = {
    "a",
    "key",
    "\\\"",
    "\\\\",
    "\\/",
    "\\b",
    "\\f",
    "\\n",
    "\\r",
    "\\t",
    "\\u0041",
    "\\u00e9",
    "\\u20AC",
    "\\u0000",
    "\\ud83d\\ude00",
    "\\uD83D",
    "\\uDE00",
    "\\ud83dx",
    "\\ud83d\\u0041",
    "\\u12",
    "\\u12G4",
    "\\x",
    "\\",
    "\\U0041",
    "\xC3\xA9",
    "\xE2\x82\xAC",
    "\xF0\x9F\x98\x80",
    "\xC3",
    "\xE2\x82",
    "\xF0\x9F\x98",
    "\x80",
    "\xBF",
    "\xC0\xAF",
    "\xC1\x81",
    "\xE0\x80\x80",
    "\xED\xA0\x80",
    "\xF4\x90\x80\x80",
    "\xF5\x80\x80\x80",
    "\xFE",
    "\xFF",
    "\x01",
    "\x1F",
    "\t",
    "\n",
    "\x7F",
    "\xEF\xBF\xBF",
    "\xEF\xBB\xBF",
    "\xC2\x85",
    "\xE2\x80\xA8",
    "long enough text to pass the eight byte word scans",
};

std::string stringBody() {
  std::string s;
  for (unsigned n = rng.below(5); n--;) s += rng.pick(kStringParts);
  return s;
}

void strings() {
  for (const std::string& part : kStringParts) {
    add("[\"" + part + "\"]");
    add("{\"" + part + "\":1}");
    add("[\"" + part);
    add("{\"" + part + "\":\"" + part + "\",\"filler\":\"filler filler filler filler filler\"}");
  }
  const std::string tail(50, ' ');
  for (int i = 0; i < 350; ++i) {
    const std::string a = stringBody(), b = stringBody();
    switch (i % 5) {
      case 0:
        add("[\"" + a + "\",\"" + b + "\"]");
        break;
      case 1:
        add("{\"" + a + "\":\"" + b + "\"}" + tail);
        break;
      case 2:
        add("{\"" + a + "\":[\"" + b + "\",\"" + a + "\"],\"" + b + "\":0}");
        break;
      case 3:
        add("[\"" + a + "\"," + tail + "\"" + b);
        break;
      default:
        add("{\"x\":\"" + a + "\",\n\"" + b + "\":\"x\",\"" + a + "\":null}");
        break;
    }
  }
}

// Values that come back as one shared object, within one document and past the cache's
// 1024 buckets (so some are replaced and come back as new objects).
void repeats() {
  add("[\"a\",\"a\",1,1,1.5,1.5,-1,-1,\"\",\"\",true,true,{\"a\":\"a\"},{\"a\":1}]");
  add("{\"k\":\"k\",\"v\":[\"k\",\"v\",\"k\"],\"n\":[18446744073709551615,18446744073709551615]}");
  const std::vector<std::string> pool = {
      "\"a\"", "\"b\"", "\"long repeated string value\"", "1",  "2", "-3",
      "0.5",   "1e100", "18446744073709551615",           "-0", "0", "\"\\u0041\"",
      "\"A\""};
  for (int i = 0; i < 60; ++i) {
    std::string s = "[";
    for (unsigned n = 2 + rng.below(30), j = 0; j < n; ++j) {
      if (j) s += ',';
      if (rng.chance(20)) {
        s += "{\"a\":" + rng.pick(pool) + ",\"b\":" + rng.pick(pool) + "}";
      } else {
        s += rng.pick(pool);
      }
    }
    add(s + "]");
  }
  for (unsigned size : {600u, 1400u, 2600u}) {
    for (int kind = 0; kind < (size < 1000 ? 3 : 2); ++kind) {
      std::string s = "[";
      for (unsigned j = 0; j < size; ++j) {
        if (j) s += ',';
        const unsigned v = rng.below(size / 2);
        if (kind == 0) s += std::to_string(v);
        if (kind == 1) s += "\"s" + std::to_string(v) + "\"";
        if (kind == 2) s += "{\"k" + std::to_string(v % 40) + "\":" + std::to_string(v) + ".5}";
      }
      add(s + "]");
    }
  }
}

void depths() {
  for (unsigned depth : {1023u, 1024u, 1025u, 2000u}) {
    add(std::string(depth, '[') + std::string(depth, ']'));
    add(std::string(depth, '['));
    std::string s, close;
    for (unsigned i = 0; i < depth; ++i) {
      if (i % 2) {
        s += "{\"d\":";
        close += '}';
      } else {
        s += "[1,";
        close += ']';
      }
    }
    add(s + "2" + std::string(close.rbegin(), close.rend()));
  }
}

}  // namespace

int main() {
  for (const char* s : {"",
                        " ",
                        "[]",
                        "{}",
                        "[] ",
                        " [ ] ",
                        "\xEF\xBB\xBF[]",
                        "1",
                        "\"a\"",
                        "true",
                        "null",
                        "[1] x",
                        "[1]/**/",
                        "/**/[1]",
                        "// c\n[1]",
                        "[1]//",
                        "[/*",
                        "[1/**/]",
                        "[\"a\"/**/:1]",
                        "{\"a\"/**/:/**/1/**/}"})
    add(s);
  for (const std::string& n : kNumbers) numberContexts(n);
  for (int i = 0; i < 220; ++i) numberContexts(randomNumber());
  for (int i = 0; i < 200; ++i) add(numberList(1 + rng.below(i % 3 ? 12 : 40), i % 4 == 0));
  for (int i = 0; i < 1000; ++i) add(tokenSoup());
  for (int i = 0; i < 800; ++i) {
    std::string d = rng.chance(50) ? "[" + document(1) + "]" : "{\"r\":" + document(1) + "}";
    add(i % 4 == 0 ? d : mutated(d));
  }
  strings();
  repeats();
  depths();

  std::printf("# input\tstrict\tlenient Unicode + comments\n");
  for (const std::string& input : inputs) {
    const std::string strict = outcome(input, kGoldenOptions[0]);
    const std::string lenient = outcome(input, kGoldenOptions[1]);
    std::printf("%s\t%s\t%s\n", escaped(input).c_str(), strict.c_str(),
                lenient == strict ? "=" : lenient.c_str());
  }
  return 0;
}
