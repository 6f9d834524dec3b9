// The decoder: entry points, the parse run, whitespace and comments, the tokenizer, the number
// scanner and the parsing of arrays and objects on the shared object stack.
#include "json/JSONDecoder.h"

#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "json/JRAllocator.h"
#include "json/JRDecimalToDouble.h"
#include "json/JRParseState.h"

namespace tessaly {

namespace {

constexpr const char* kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', "
    "'\"STRING\"', 'NUMBER'.";

#define JR_INTERNAL_ERROR(s, fmt, ...) \
  JRParser::error(s, fmt, ##__VA_ARGS__, jrSourceFileName(__FILE__), static_cast<long>(__LINE__))

inline bool isDigit(uint8_t c) {
  return static_cast<uint8_t>(c - '0') < 10;
}

// Bytes that may start blanks, a comment or a unicode newline.
constexpr auto kMaySkip = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = c <= ' ' || c == '/' || c >= 0xC2;
  return table;
}();

}  // namespace

void JRParser::error(JRParseState* s, const char* format, ...) {
  if (s->firstError) return;  // only the first error of a run survives
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  JRError e;
  e.domain = kJRErrorDomain;
  e.code = -1;
  e.localizedDescription = buffer;
  e.atIndex = s->atIndex;
  e.lineNumber = s->lineNumber;
  s->firstError = std::move(e);
}

// ---- whitespace ----

namespace {

// Length of the newline at i, or 0.
inline size_t newlineAt(const JRParseState* s, size_t i) {
  const uint8_t* b = s->bytes;
  const size_t n = s->length;
  if (b[i] == '\n') return 1;
  if (b[i] == '\r') return i + 1 < n && b[i + 1] == '\n' ? 2 : 1;
  if (s->parseOptions & JRReadUnicodeNewlines) {
    if (b[i] == 0xC2 && i + 1 < n && b[i + 1] == 0x85) return 2;
    if (b[i] == 0xE2 && i + 2 < n && b[i + 1] == 0x80 && (b[i + 2] == 0xA8 || b[i + 2] == 0xA9))
      return 3;
  }
  return 0;
}

}  // namespace

// Blanks, tabs and newlines inline; comments and unicode newlines in skipExtras.
inline void JRParser::skipWhitespace(JRParseState* s) {
  const uint8_t* b = s->bytes;
  const size_t n = s->length;
  size_t i = s->atIndex;
  // The one blank after a colon.
  if (i + 1 < n && b[i] == ' ' && !kMaySkip[b[i + 1]]) {
    s->atIndex = i + 1;
    return;
  }
  while (i < n) {
    const uint8_t c = b[i];
    if (c == '\n') {
      ++i;
      ++s->lineNumber;
      // The indentation of the next line, straight away.
      if (i < n && b[i] == ' ') goto blanks;
    } else if (c == ' ') {
    blanks:
      // Indentation comes in runs: step over sixteen (or eight) blanks at a time, then to the
      // first byte that is not one.
#if defined(__SSE2__)
      while (n - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const unsigned other =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')))) ^
            0xFFFFu;
        if (other) {
          i += static_cast<size_t>(std::countr_zero(other));
          if (!kMaySkip[b[i]]) {
            s->atIndex = i;
            return;
          }
          goto nextBlank;
        }
        i += 16;
      }
#endif
      for (;;) {
        if (n - i < 8) {
          while (i < n && b[i] == ' ') ++i;
          break;
        }
        uint64_t w;
        std::memcpy(&w, b + i, 8);
        const uint64_t other = w ^ 0x2020202020202020ull;
        if (other) {
          i += static_cast<size_t>(std::countr_zero(other)) >> 3;
          break;
        }
        i += 8;
      }
    nextBlank:;
    } else if (c == '\t') {
      ++i;
    } else if (c == '\r') {
      i += i + 1 < n && b[i + 1] == '\n' ? 2 : 1;
      ++s->lineNumber;
    } else if ((c == '/' || c >= 0xC2) &&
               (s->parseOptions & (JRReadComments | JRReadUnicodeNewlines))) {
      const size_t before = i;
      i = skipExtras(s, i);
      if (i == before) break;
    } else {
      break;
    }
  }
  s->atIndex = i;
}

// One comment or unicode newline at i; returns the offset after it, or i when there is none.
size_t JRParser::skipExtras(JRParseState* s, size_t i) {
  const uint8_t* b = s->bytes;
  const size_t n = s->length;
  if (size_t nl = b[i] >= 0xC2 ? newlineAt(s, i) : 0) {
    ++s->lineNumber;
    return i + nl;
  }
  if (b[i] != '/' || !(s->parseOptions & JRReadComments) || i + 1 >= n) return i;
  if (b[i + 1] == '/') {
    i += 2;
    while (i < n) {
      if (size_t nl = newlineAt(s, i)) {
        ++s->lineNumber;
        return i + nl;
      }
      ++i;
    }
    return i;
  }
  if (b[i + 1] == '*') {
    i += 2;
    while (i < n) {
      if (b[i] == '*' && i + 1 < n && b[i + 1] == '/') return i + 2;
      if (size_t nl = newlineAt(s, i)) {
        i += nl;
        ++s->lineNumber;
      } else {
        ++i;
      }
    }
    return i;
  }
  return i;
}

// ---- tokens ----

namespace {

constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Whether the eight bytes of w are all ASCII digits.
inline bool eightDigits(uint64_t w) {
  return ((w & 0xF0F0F0F0F0F0F0F0ull) |
          (((w + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4)) == 0x3333333333333333ull;
}

// The value of eight ASCII digits in memory order, combined pairwise by multiplication.
__attribute__((always_inline)) inline uint32_t parseEightDigits(uint64_t w) {
  const uint64_t mask = 0x000000FF000000FFull;
  const uint64_t mul1 = 0x000F424000000064ull;  // 100 + (1000000 << 32)
  const uint64_t mul2 = 0x0000271000000001ull;  // 1 + (10000 << 32)
  w -= 0x3030303030303030ull;
  w = (w * 10) + (w >> 8);
  return static_cast<uint32_t>((((w & mask) * mul1) + (((w >> 16) & mask) * mul2)) >> 32);
}

// The kept digits times 10^exponent, correctly rounded; false when the text must be converted
// in full. With dropped digits the value lies between mantissa and mantissa + 1 (times the
// power), and is settled when both ends round to the same double.
inline bool decimalToDouble(uint64_t mantissa, int exponent, bool truncated, double* out) {
  if (!jrDecimalToDouble(mantissa, exponent, out)) return false;
  double above;
  return !truncated || (jrDecimalToDouble(mantissa + 1, exponent, &above) && above == *out);
}

}  // namespace

// The value hash of the number token just scanned, from its 8 bytes (in a register rather than
// a reload of the token just written).
inline uint32_t JRParser::numberHash(uint8_t type, uint64_t word) {
  uint32_t h = kJRHashSeed + type;
  if (type != JRValueTypeDouble) h += static_cast<uint32_t>(word);
  static_assert(std::endian::native == std::endian::little, "bytes fold in memory order");
  return jrFold8(h, word);
}

inline void JRParser::setNumberHash(JRParseState* s, uint64_t word) {
  JRTokenValue& v = s->token.value;
  v.hash = numberHash(v.type, word);
  s->token.tokenType = JRTokenTypeNumber;
}

namespace {

// The bytes of w that are not ASCII digits, as their top bits.
__attribute__((always_inline)) inline uint64_t nonDigits(uint64_t w) {
  const uint64_t x = w ^ 0x3030303030303030ull;
  return ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
}

// The first k (1 to 7) digits of w, which come first in memory order.
__attribute__((always_inline)) inline uint32_t firstDigits(uint64_t w, int k) {
  return parseEightDigits((w << (8 * (8 - k))) | (0x3030303030303030ull >> (8 * k)));
}

// Digits at p taken into m; false when they would make more than 19. Up to fifteen (a
// coordinate's fraction) come from two words read and combined side by side, since the second
// word's place does not depend on the first; longer runs go on a word at a time. Reads up to
// 16 bytes from p, and 8 past the last digit. Inlined: grown this large, the compiler would
// otherwise call it, which costs canada.json about 6%.
__attribute__((always_inline)) inline bool digitRun(const uint8_t** at, uint64_t* m, int* used) {
  const uint8_t* p = *at;
  uint64_t first;
  uint64_t second;
  std::memcpy(&first, p, 8);
  std::memcpy(&second, p + 8, 8);
  if (const uint64_t other = nonDigits(first)) {
    const int k = std::countr_zero(other) >> 3;
    if (*used + k > 19) return false;
    if (k) *m = *m * kPowersOfTen[k] + firstDigits(first, k);
    *used += k;
    *at = p + k;
    return true;
  }
  if (const uint64_t other = nonDigits(second); other && (other & 0xFF) == 0) {
    const int k = std::countr_zero(other) >> 3;
    if (*used + 8 + k > 19) return false;
    *m = *m * (kPowersOfTen[k] * 100000000) + uint64_t{parseEightDigits(first)} * kPowersOfTen[k] +
         firstDigits(second, k);
    *used += 8 + k;
    *at = p + 8 + k;
    return true;
  }
  for (;;) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    const uint64_t other = nonDigits(w);
    const int k = other ? std::countr_zero(other) >> 3 : 8;
    if (*used + k > 19) return false;
    *used += k;
    p += k;
    if (k == 8) {
      *m = *m * 100000000 + parseEightDigits(w);
      continue;
    }
    if (k) *m = *m * kPowersOfTen[k] + firstDigits(w, k);
    *at = p;
    return true;
  }
}

}  // namespace

// The common number: at most 19 digits, a short exponent, and enough input after it that no
// step needs a bounds check. Anything else (including every malformed number) returns nullptr
// having changed nothing, and the full scanner takes it.
// Inlined like the cache lookup (about 6 KiB more code; 3-6% on the three reference documents).
__attribute__((always_inline)) inline const uint8_t* JRParser::scanShortNumber(
    const uint8_t* const first, const uint8_t* const end, JRScannedNumber& n) {
  if (end - first < 48) return nullptr;
  const uint8_t* p = first;
  const bool negative = *p == '-';
  p += negative;
  uint64_t m = 0;
  int used = 0;  // digits taken into m, at most 19 so that m cannot overflow
  if (*p == '0') {
    ++p;
    used = 1;
  } else if (static_cast<uint8_t>(*p - '1') < 9) {
    // Short integer parts (coordinates, counts) a digit at a time, long ones (ids) by words.
    m = *p++ - '0';
    used = 1;
    while (used < 3 && isDigit(*p)) {
      m = m * 10 + (*p++ - '0');
      ++used;
    }
    if (isDigit(*p) && !digitRun(&p, &m, &used)) return nullptr;
  } else {
    return nullptr;
  }
  bool isDouble = false;
  int exponent = 0;
  if (*p == '.') {
    isDouble = true;
    const uint8_t* const fraction = ++p;
    if (!digitRun(&p, &m, &used) || p == fraction) return nullptr;
    exponent = -static_cast<int>(p - fraction);
  }
  if ((*p | 0x20) == 'e') {
    isDouble = true;
    ++p;
    const bool negativeExponent = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const uint8_t* const exponentDigits = p;
    int e = 0;
    while (isDigit(*p)) {
      if (p - exponentDigits == 4) return nullptr;
      e = e * 10 + (*p++ - '0');
    }
    if (p == exponentDigits) return nullptr;
    exponent += negativeExponent ? -e : e;
  }

  if (isDouble || (negative && m == 0)) {  // -0 is a double
    double d = 0;
    if (m != 0 && !jrDecimalToDouble(m, exponent, &d)) return nullptr;
    // The sign goes in as a bit rather than a branch: signs alternate in coordinate pairs.
    std::memcpy(&n.bits, &d, 8);
    n.bits |= uint64_t{negative} << 63;
    n.type = JRValueTypeDouble;
  } else if (negative) {
    if (m > 9223372036854775808ull) return nullptr;
    n.type = JRValueTypeLongLong;
    n.bits = 0ull - m;
  } else {
    n.type = JRValueTypeUnsignedLongLong;
    n.bits = m;
  }
  n.hash = numberHash(n.type, n.bits);
  return p;
}

// The same into the token, moving the position past the number; false having changed nothing.
__attribute__((always_inline)) inline bool JRParser::parseShortNumber(JRParseState* s,
                                                                      uint8_t* after) {
  const uint8_t* const first = s->bytes + s->atIndex;
  JRScannedNumber n;
  const uint8_t* const p = scanShortNumber(first, s->bytes + s->length, n);
  if (!p) return false;
  // Field by field: n.value() assigned whole made the object loops slower (1% more instructions).
  JRTokenValue& v = s->token.value;
  v.type = n.type;
  v.number.unsignedLongLongValue = n.bits;
  v.hash = n.hash;
  v.length = 8;
  v.cacheEntry = nullptr;
  v.ptr = v.number.bytes;
  s->token.ptr = first;
  s->token.length = static_cast<size_t>(p - first);
  s->token.tokenType = JRTokenTypeNumber;
  s->atIndex = static_cast<size_t>(p - s->bytes);
  *after = *p;
  return true;
}

bool JRParser::parseNumber(JRParseState* s) {
  const uint8_t* b = s->bytes;
  const size_t n = s->length;
  const size_t start = s->atIndex;
  size_t i = start;
  bool isDouble = false;
  bool negative = false;
  // The integer value (exact, with overflow) and, for doubles, up to 19 significant digits
  // with their decimal exponent.
  uint64_t integer = 0;
  bool overflow = false;
  uint64_t mantissa = 0;
  int taken = 0;  // digits kept in mantissa (at most 19, so it cannot overflow)
  int exponent = 0;
  bool truncated = false;

  auto invalid = [&](size_t at) {
    s->atIndex = at;
    error(s, "Invalid number.");
    return false;
  };
  auto addDigit = [&](unsigned d) {
    if (taken < 19) {
      mantissa = mantissa * 10 + d;
      ++taken;
    } else {
      truncated = true;
    }
  };
  if (b[i] == '-') {
    negative = true;
    if (++i >= n) return invalid(n);
  }
  if (b[i] == '0') {
    ++i;
  } else if (b[i] >= '1' && b[i] <= '9') {
    do {
      const unsigned d = static_cast<unsigned>(b[i] - '0');
      if (__builtin_mul_overflow(integer, 10ull, &integer) ||
          __builtin_add_overflow(integer, d, &integer))
        overflow = true;
      if (taken < 19) {
        mantissa = mantissa * 10 + d;
        ++taken;
      } else {
        ++exponent;  // a dropped integer digit
        truncated = true;
      }
      ++i;
    } while (i < n && isDigit(b[i]));
  } else {
    return invalid(i + 1);
  }
  if (i >= n) return invalid(n);
  if (b[i] == '.') {
    isDouble = true;
    if (++i >= n) return invalid(n);
    if (!isDigit(b[i])) return invalid(i + 1);
    // Eight digits at a time while they fit the 19 kept digits.
    while (n - i >= 8 && taken + 8 <= 19) {
      uint64_t w;
      std::memcpy(&w, b + i, 8);
      if (!eightDigits(w)) break;
      mantissa = mantissa * 100000000 + parseEightDigits(w);
      taken += 8;
      exponent -= 8;
      i += 8;
    }
    // The last one to seven digits as one word too, shifted up behind leading zeros.
    if (n - i >= 8) {
      uint64_t w;
      std::memcpy(&w, b + i, 8);
      const uint64_t x = w ^ 0x3030303030303030ull;
      const uint64_t other = ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
      const unsigned k = other ? static_cast<unsigned>(std::countr_zero(other)) >> 3 : 8;
      if (k > 0 && k < 8 && taken + static_cast<int>(k) <= 19) {
        const uint64_t shifted = (w << (8 * (8 - k))) | (0x3030303030303030ull >> (8 * k));
        mantissa = mantissa * kPowersOfTen[k] + parseEightDigits(shifted);
        taken += static_cast<int>(k);
        exponent -= static_cast<int>(k);
        i += k;
      }
    }
    while (i < n && isDigit(b[i])) {
      if (!truncated) {
        addDigit(static_cast<unsigned>(b[i] - '0'));
        if (!truncated) --exponent;
      }
      ++i;
    }
    if (i >= n) return invalid(n);
  }
  if (b[i] == 'e' || b[i] == 'E') {
    isDouble = true;
    if (++i >= n) return invalid(n);
    bool negativeExponent = false;
    if (b[i] == '+' || b[i] == '-') {
      negativeExponent = b[i] == '-';
      if (++i >= n) return invalid(n);
    }
    if (!isDigit(b[i])) return invalid(i + 1);
    int e = 0;
    do {
      if (e < 100000) e = e * 10 + (b[i] - '0');
      ++i;
    } while (i < n && isDigit(b[i]));
    if (i >= n) return invalid(n);
    exponent += negativeExponent ? -e : e;
  }

  const char* text = reinterpret_cast<const char*>(b + start);
  const size_t length = i - start;
  s->token.ptr = b + start;
  s->token.length = length;
  s->atIndex = i;
  JRTokenValue& v = s->token.value;
  v.ptr = v.number.bytes;
  v.length = 8;
  v.cacheEntry = nullptr;

  auto tokenText = [&]() { return std::string(text, length); };
  uint64_t word;  // the value's bytes, for the hash
  if (isDouble || (negative && length == 2 && text[1] == '0')) {
    double d = 0;
    if (mantissa == 0 && !truncated) {
      d = negative ? -0.0 : 0.0;
    } else if (decimalToDouble(mantissa, exponent, truncated, &d)) {
      if (negative) d = -d;
    } else {
      auto r = std::from_chars(text, text + length, d);
      if (r.ec == std::errc::result_out_of_range) {
        // Which way it failed follows from the decimal exponent of the first significant digit.
        long e10 = 0, lead = 0;
        bool seenPoint = false, seenDigit = false;
        size_t k = negative ? 1 : 0;
        for (; k < length && text[k] != 'e' && text[k] != 'E'; ++k) {
          if (text[k] == '.') {
            seenPoint = true;
          } else if (!seenDigit && text[k] == '0') {
            if (seenPoint) --lead;
          } else if (!seenDigit) {
            seenDigit = true;
            if (seenPoint) --lead;
          } else if (!seenPoint) {
            ++lead;
          }
        }
        if (k < length) e10 = std::strtol(text + k + 1, nullptr, 10);
        // An exponent of any length: only its sign and size matter here.
        if (e10 > 1000000) e10 = 1000000;
        if (e10 < -1000000) e10 = -1000000;
        bool underflow = !seenDigit || lead + e10 < 0;
        error(s, "The value '%s' could not be represented as a 'double' due to %s.",
              tokenText().c_str(), underflow ? "underflow" : "overflow");
        return invalid(s->atIndex);
      }
      if (r.ec != std::errc()) return invalid(s->atIndex);
      if (r.ptr != text + length) {
        error(s, "The conversion function did not consume all of the number tokens characters.");
        return invalid(s->atIndex);
      }
    }
    v.type = JRValueTypeDouble;
    v.number.doubleValue = d;
    std::memcpy(&word, &d, 8);
  } else if (negative) {
    if (overflow || integer > 9223372036854775808ull) {
      error(s, "The value '%s' exceeded the minimum value that could be represented: %lld.",
            tokenText().c_str(), static_cast<long long>(INT64_MIN));
      return invalid(s->atIndex);
    }
    v.type = JRValueTypeLongLong;
    v.number.longLongValue = static_cast<long long>(0ull - integer);
    word = 0ull - integer;
  } else {
    if (overflow) {
      error(s, "The value '%s' exceeded the maximum value that could be represented: %llu.",
            tokenText().c_str(), static_cast<unsigned long long>(UINT64_MAX));
      return invalid(s->atIndex);
    }
    v.type = JRValueTypeUnsignedLongLong;
    v.number.unsignedLongLongValue = integer;
    word = integer;
  }

  setNumberHash(s, word);
  return true;
}

bool JRParser::nextToken(JRParseState* s) {
  // Most tokens follow their predecessor directly or after blanks.
  if (s->atIndex >= s->length || kMaySkip[s->bytes[s->atIndex]]) skipWhitespace(s);
  const uint8_t* b = s->bytes;
  const size_t n = s->length;
  const size_t i = s->atIndex;
  if (i >= n) {
    error(s, "%s", kUnexpectedToken);
    return false;
  }
  JRParseToken& t = s->token;
  JRTokenType type;
  size_t length = 1;
  if (b[i] == '"') {  // keys make strings the most frequent token
    if (parseString(s)) return true;
    goto unexpected;
  }
  if (b[i] == ',') {  // then commas; both skip the jump table
    t.tokenType = JRTokenTypeComma;
    t.ptr = b + i;
    t.length = 1;
    s->atIndex = i + 1;
    return true;
  }
  switch (b[i]) {
    case '{':
      type = JRTokenTypeObjectBegin;
      break;
    case '}':
      type = JRTokenTypeObjectEnd;
      break;
    case '[':
      type = JRTokenTypeArrayBegin;
      break;
    case ']':
      type = JRTokenTypeArrayEnd;
      break;
    case ':':
      type = JRTokenTypeSeparator;
      break;
    case ',':
      type = JRTokenTypeComma;
      break;
    case 't':
      if (!(i + 4 < n && b[i + 1] == 'r' && b[i + 2] == 'u' && b[i + 3] == 'e')) goto unexpected;
      type = JRTokenTypeTrue;
      length = 4;
      break;
    case 'n':
      if (!(i + 4 < n && b[i + 1] == 'u' && b[i + 2] == 'l' && b[i + 3] == 'l')) goto unexpected;
      type = JRTokenTypeNull;
      length = 4;
      break;
    case 'f':
      if (!(i + 5 < n && std::memcmp(b + i + 1, "alse", 4) == 0)) goto unexpected;
      type = JRTokenTypeFalse;
      length = 5;
      break;
    case '"':
      if (parseString(s)) return true;
      goto unexpected;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': {
      uint8_t after;
      if (parseShortNumber(s, &after) || parseNumber(s)) return true;
      goto unexpected;
    }
    default:
      goto unexpected;
  }
  t.tokenType = type;
  t.ptr = b + i;
  t.length = length;
  s->atIndex = i + length;
  return true;

unexpected:
  error(s, "%s", kUnexpectedToken);
  return false;
}

// ---- the object stack ----

bool JRParser::resizeObjectStack(JRObjectStack* stack, size_t size) {
  if (stack->count >= size) return true;
  const size_t rounded = jrObjectStackGrowth(stack->count, size, stack->sizeMultiple);
  const size_t old = stack->count;
  // Once large, the arrays are mappings that grow without copying. The new entries are not
  // zeroed: every slot is written before it is read, and a flat array never touches the keys
  // and hashes, whose fresh pages then stay unmapped.
  const bool onHeap = (stack->flags & JRObjectStackLocationMask) == JRObjectStackOnHeap;
  void** arrays[3] = {reinterpret_cast<void**>(&stack->objects),
                      reinterpret_cast<void**>(&stack->keys),
                      reinterpret_cast<void**>(&stack->cfHashes)};
  const size_t entryBytes[3] = {sizeof(JRObject*), sizeof(JRObject*), sizeof(uint32_t)};
  if (!onHeap) {
    // From the machine stack: three heap copies, all or none.
    void* grown[3] = {};
    for (int k = 0; k < 3; ++k) {
      grown[k] = jralloc::growLarge(nullptr, 0, rounded * entryBytes[k]);
      if (!grown[k]) {
        for (int j = 0; j < k; ++j) jralloc::freeLarge(grown[j], rounded * entryBytes[j]);
        return false;
      }
      std::memcpy(grown[k], *arrays[k], old * entryBytes[k]);
    }
    for (int k = 0; k < 3; ++k) {
      *arrays[k] = grown[k];
      stack->heapBytes[k] = rounded * entryBytes[k];
    }
    stack->flags = JRObjectStackOnHeap | JRObjectStackMustFree;
  } else {
    // Each array keeps what it holds when a later one cannot grow.
    for (int k = 0; k < 3; ++k) {
      if (stack->heapBytes[k] >= rounded * entryBytes[k]) continue;
      void* grown = jralloc::growLarge(*arrays[k], stack->heapBytes[k], rounded * entryBytes[k]);
      if (!grown) return false;
      *arrays[k] = grown;
      stack->heapBytes[k] = rounded * entryBytes[k];
    }
  }
  stack->count = rounded;
  return true;
}

void JRParser::releaseObjectStack(JRObjectStack* stack) {
  for (size_t i = 0; i < stack->index; ++i) {
    if (stack->objects[i]) stack->objects[i]->release();
    if (stack->keys[i]) stack->keys[i]->release();
  }
  if (stack->flags & JRObjectStackMustFree) {
    jralloc::freeLarge(stack->objects, stack->heapBytes[0]);
    jralloc::freeLarge(stack->keys, stack->heapBytes[1]);
    jralloc::freeLarge(stack->cfHashes, stack->heapBytes[2]);
  }
  *stack = JRObjectStack{};
}

// ---- values and collections ----

// Room on the object stack for the next few values, growing it when it is full, so that long
// arrays and objects stay on their short paths. When growing fails the general loop tries again
// and reports it.
inline bool JRParser::roomForValues(JRObjectStack* stack) {
  return __builtin_expect(stack->index + 4 <= stack->count, 1) ||
         resizeObjectStack(stack, stack->count + 128);
}

// An array or object whose opening bracket was just read, within the nesting limit.
__attribute__((always_inline)) inline JRObject* JRParser::nested(JRParseState* s, bool isArray) {
  if (s->depth >= kJRMaximumDepth) {
    error(s, "Nesting is too deep: more than %u arrays and objects are open.", kJRMaximumDepth);
    return nullptr;
  }
  ++s->depth;
  JRObject* o = isArray ? parseArray(s) : parseDictionary(s);
  --s->depth;
  return o;
}

JRObject* JRParser::valueFromToken(JRParseState* s) {
  s->token.value.cacheEntry = nullptr;
  switch (s->token.tokenType) {
    case JRTokenTypeNumber:
    case JRTokenTypeString:
      return cachedObject(s);
    case JRTokenTypeObjectBegin:
    case JRTokenTypeArrayBegin:
      return nested(s, s->token.tokenType == JRTokenTypeArrayBegin);
    case JRTokenTypeTrue:
      return kJRBooleanTrue();
    case JRTokenTypeFalse:
      return kJRBooleanFalse();
    case JRTokenTypeNull:
      return kJRNull();
    default:
      JR_INTERNAL_ERROR(s, "Internal error: Unknown token type. %s line #%ld");
      return nullptr;
  }
}

void JRParser::expected(JRParseState* s, uint8_t state, bool keyPosition, const char* endWording) {
  const char* alternatives[3];
  int n = 0;
  if (state & JRParseAcceptValue) alternatives[n++] = keyPosition ? "a \"STRING\"" : "a value";
  if (state & JRParseAcceptComma) alternatives[n++] = "a comma";
  if (state & JRParseAcceptEnd) alternatives[n++] = endWording;
  const int width = static_cast<int>(s->token.length);
  const char* text = reinterpret_cast<const char*>(s->token.ptr);
  if (n == 1)
    error(s, "Expected %s, not '%*.*s'", alternatives[0], width, width, text);
  else if (n == 2)
    error(s, "Expected %s or %s, not '%*.*s'", alternatives[0], alternatives[1], width, width,
          text);
  else if (n == 3)
    error(s, "Expected %s, %s, or %s, not '%*.*s", alternatives[0], alternatives[1],
          alternatives[2], width, width, text);
}

// Makes the length bytes at the current position the current token.
inline void JRParser::takeToken(JRParseState* s, JRTokenType type, size_t length) {
  s->token.tokenType = type;
  s->token.ptr = s->bytes + s->atIndex;
  s->token.length = length;
  s->atIndex += length;
}

// A value taken without the general tokenizer, at byte c (blanks already skipped): numbers of the
// common form, strings, literals, nested arrays and objects. Slow leaves the input untouched for
// the general loop, which then reads and reports the token exactly as always. Inlined into the
// array and object loops (about 6 KiB more code; 5-6% on the three reference documents).
__attribute__((always_inline)) inline JRParser::Quick JRParser::quickValue(JRParseState* s,
                                                                           uint8_t c,
                                                                           JRObject** out) {
  JRParseToken& t = s->token;
  t.value.cacheEntry = nullptr;
  const uint8_t* b = s->bytes;
  const size_t i = s->atIndex;
  const size_t n = s->length;
  JRObject* object;
  if (c == '"') {
    if (!parseStringInline(s)) return Quick::Failed;
    object = cachedObject<Lookup::String>(s, t.value);
  } else if (c == '-' || isDigit(c)) {
    uint8_t after;
    if (!parseShortNumber(s, &after)) return Quick::Slow;
    object = cachedObject<Lookup::Number>(s, t.value);
  } else if (c == '[' || c == '{') {
    takeToken(s, c == '[' ? JRTokenTypeArrayBegin : JRTokenTypeObjectBegin, 1);
    object = nested(s, c == '[');
  } else if (c == 't' && i + 4 < n && std::memcmp(b + i + 1, "rue", 3) == 0) {
    takeToken(s, JRTokenTypeTrue, 4);
    object = kJRBooleanTrue();
  } else if (c == 'f' && i + 5 < n && std::memcmp(b + i + 1, "alse", 4) == 0) {
    takeToken(s, JRTokenTypeFalse, 5);
    object = kJRBooleanFalse();
  } else if (c == 'n' && i + 4 < n && std::memcmp(b + i + 1, "ull", 3) == 0) {
    takeToken(s, JRTokenTypeNull, 4);
    object = kJRNull();
  } else {
    return Quick::Slow;
  }
  *out = object;
  return object ? Quick::Done : Quick::Failed;
}

// The byte of the next token, after blanks and comments; false at the end of the input. Input
// that ends in blanks or comments is refused as the tokenizer refuses it.
inline bool JRParser::peekToken(JRParseState* s, uint8_t* c) {
  if (s->atIndex >= s->length) return false;
  *c = s->bytes[s->atIndex];
  if (!kMaySkip[*c]) return true;
  skipWhitespace(s);
  if (s->atIndex >= s->length) {
    error(s, "%s", kUnexpectedToken);
    return false;
  }
  *c = s->bytes[s->atIndex];
  return true;
}

// A value that came back empty without an error of its own: a nested collection that ran out of
// input ("[[", "{"a":{") is unclosed, and says so; anything else is an internal fault. The first
// error recorded is the one reported.
void JRParser::valueMissing(JRParseState* s, const char* internalText) {
  if (s->atIndex == s->length) error(s, "Reached the end of the buffer.");
  error(s, "%s", internalText);
}

// Numbers from the current position on while a comma and another number follow directly: the
// position and the stack index stay in registers during the run, and the parse state is brought
// up to date once it ends. Inlined into the array loop, like the lookup it makes.
__attribute__((always_inline)) inline JRParser::Run JRParser::numberRun(JRParseState* s) {
  JRObjectStack& stack = s->objectStack;
  const uint8_t* const bytes = s->bytes;
  const uint8_t* const end = bytes + s->length;
  const uint8_t* p = bytes + s->atIndex;
  size_t index = stack.index;
  // Each number is scanned before the lookup of the one in front of it: converting a number and
  // hashing it is one long chain of dependent steps, and this way the chains of neighbours (a
  // coordinate pair) are under way side by side rather than one after the other.
  JRScannedNumber v;
  JRScannedNumber ahead;
  const uint8_t* next = scanShortNumber(p, end, v);
  while (next) {
    const bool more =
        *next == ',' && (next[1] == '-' || isDigit(next[1])) && index + 5 <= stack.count;
    const uint8_t* const following = more ? scanShortNumber(next + 1, end, ahead) : nullptr;
    JRTokenValue token = v.value();
    JRObject* const number = cachedObject<Lookup::Number>(s, token);
    if (!number) {
      s->atIndex = static_cast<size_t>(next - bytes);
      stack.index = index;
      valueMissing(s, "Internal error: Object == NULL");
      return Run::Failed;
    }
    stack.objects[index++] = number;
    p = more ? next + 1 : next;
    next = following;
    v = ahead;
  }
  const bool taken = index != stack.index;
  s->atIndex = static_cast<size_t>(p - bytes);
  stack.index = index;
  if (!taken) return Run::None;
  return p[-1] == ',' ? Run::BeforeNumber : Run::AfterNumber;
}

JRObject* JRParser::parseArray(JRParseState* s) {
  uint8_t c;
  if (peekToken(s, &c) && c == ']') {
    ++s->atIndex;
    JRObjectStack& stack = s->objectStack;
    return JRArray::create(stack.objects + stack.index, 0, s->makeMutable);
  }
  return parseElements(s, s->objectStack.index, JRParseAcceptValueOrEnd);
}

JRObject* JRParser::parseElements(JRParseState* s, const size_t start, uint8_t state) {
  JRObjectStack& stack = s->objectStack;
  // Well-formed elements take a short path. At anything else the general loop below goes on from
  // the same place and state, so every error reads as it always has.
  uint8_t c;
  // The byte after a value, when it is known without reading again: after a number it is kept,
  // and when it is the comma or the bracket nothing needs reading (a number leaves room behind
  // it, so the byte lies inside the input).
  uint8_t after = ' ';
  if (state == JRParseAcceptCommaOrEnd) goto separator;
  while (roomForValues(&stack) && peekToken(s, &c)) {
    JRObject* object;
    after = ' ';
    // Arrays of numbers are common enough (coordinates) to be taken right here, and so is an
    // array of numbers inside this one (a coordinate pair): that is read without a call of its
    // own, on the same stack above this array's elements, and when it holds anything else, it
    // is read on from where its numbers end.
    if (const bool pair = c == '[' && s->depth < kJRMaximumDepth && s->atIndex + 1 < s->length &&
                          (s->bytes[s->atIndex + 1] == '-' || isDigit(s->bytes[s->atIndex + 1]));
        pair || c == '-' || isDigit(c)) {
      const size_t inner = stack.index;
      if (pair) {
        ++s->depth;
        ++s->atIndex;
      }
      const Run run = numberRun(s);
      if (pair) {
        if (run == Run::AfterNumber && s->bytes[s->atIndex] == ']') {
          ++s->atIndex;
          object = JRArray::create(stack.objects + inner, stack.index - inner, s->makeMutable);
          if (object) {
            stack.index = inner;
            after = s->bytes[s->atIndex];
          }
        } else if (run == Run::Failed) {
          object = nullptr;  // the inner elements are released with this array's
        } else {
          object = parseElements(s, inner,
                                 run == Run::AfterNumber    ? JRParseAcceptCommaOrEnd
                                 : run == Run::BeforeNumber ? JRParseAcceptValue
                                                            : JRParseAcceptValueOrEnd);
        }
        --s->depth;
        if (!object) {
          valueMissing(s, "Internal error: Object == NULL");
          goto failed;
        }
        stack.objects[stack.index++] = object;
        state = JRParseAcceptCommaOrEnd;
        goto separator;
      }
      if (run == Run::Failed) goto failed;
      if (run == Run::AfterNumber) {
        after = s->bytes[s->atIndex];
        state = JRParseAcceptCommaOrEnd;
        goto separator;
      }
      if (run == Run::BeforeNumber) {
        state = JRParseAcceptValue;
        continue;
      }
    }
    {
      const Quick quick = quickValue(s, c, &object);
      if (quick == Quick::Slow) break;
      if (quick == Quick::Failed) {
        valueMissing(s, "Internal error: Object == NULL");
        goto failed;
      }
    }
    stack.objects[stack.index++] = object;
    state = JRParseAcceptCommaOrEnd;
  separator:
    if (after == ',' || after == ']')
      c = after;
    else if (!peekToken(s, &c))
      break;
    if (c == ',') {
      ++s->atIndex;
      state = JRParseAcceptValue;
      continue;
    }
    if (c != ']') break;
    ++s->atIndex;
    goto create;
  }
  while (s->atIndex < s->length) {
    if (stack.index + 4 > stack.count && !resizeObjectStack(&stack, stack.count + 128)) {
      JR_INTERNAL_ERROR(s, "Internal error: [array] objectsIndex > %zu, resize failed? %s line %ld",
                        stack.count - 4);
      break;
    }
    if (!nextToken(s)) break;
    stack.objects[stack.index] = nullptr;
    stack.keys[stack.index] = nullptr;
    const uint8_t type = s->token.tokenType;
    if (isValueToken(type)) {
      if (!(state & JRParseAcceptValue)) {
        error(s, "Unexpected value.");
        break;
      }
      JRObject* object = valueFromToken(s);
      if (!object) {
        valueMissing(s, "Internal error: Object == NULL");
        break;
      }
      stack.objects[stack.index++] = object;
      state = JRParseAcceptCommaOrEnd;
    } else if (type == JRTokenTypeArrayEnd) {
      if (!(state & JRParseAcceptEnd)) {
        error(s, "Unexpected ']'.");
        break;
      }
      JRArray* array = JRArray::create(stack.objects + start, stack.index - start, s->makeMutable);
      if (!array) break;
      // The slots are not cleared: each is written before it is read again.
      stack.index = start;
      return array;
    } else if (type == JRTokenTypeComma) {
      if (!(state & JRParseAcceptComma)) {
        error(s, "Unexpected ','.");
        break;
      }
      state = JRParseAcceptValue;
    } else {
      expected(s, state, false, "a ']'");
      break;
    }
  }
  goto failed;
create:
  if (JRArray* array =
          JRArray::create(stack.objects + start, stack.index - start, s->makeMutable)) {
    stack.index = start;
    return array;
  }
failed:
  settleCache(&s->cache);
  for (size_t i = start; i < stack.index; ++i) {
    if (stack.objects[i]) stack.objects[i]->release();
    stack.objects[i] = nullptr;
  }
  stack.index = start;
  return nullptr;
}

// The platform hash of a key just read: kept in its cache bucket once computed.
inline uint32_t JRParser::keyHash(JRParseState* s, JRObject* key) {
  uint32_t* bucketHash = s->token.value.cacheEntry;
  if (!bucketHash) return key->hash();
  if (*bucketHash == 0) *bucketHash = key->hash();
  return *bucketHash;
}

// The ':' after a key; false after recording the error.
inline bool JRParser::separator(JRParseState* s) {
  if (s->atIndex < s->length && s->bytes[s->atIndex] == ':') {
    takeToken(s, JRTokenTypeSeparator, 1);  // the colon nearly always follows its key directly
  } else if (!nextToken(s)) {
    return false;
  }
  if (s->token.tokenType != JRTokenTypeSeparator) {
    error(s, "Expected ':'.");
    return false;
  }
  return true;
}

JRObject* JRParser::parseDictionary(JRParseState* s) {
  JRObjectStack& stack = s->objectStack;
  const size_t start = stack.index;
  uint8_t state = JRParseAcceptValueOrEnd;
  // As for arrays: well-formed pairs take a short path, anything else the general loop below.
  for (uint8_t c; roomForValues(&stack) && peekToken(s, &c);) {
    if (state == JRParseAcceptCommaOrEnd) {
      if (c != ',' && c != '}') break;
      ++s->atIndex;
      if (c == ',') {
        state = JRParseAcceptValue;
        continue;
      }
    } else if (c == '"') {
      s->token.value.cacheEntry = nullptr;
      if (!parseStringInline(s)) goto failed;
      JRObject* key = cachedObject<Lookup::String>(s, s->token.value);
      if (!key) {
        error(s, "Internal error: Key == NULL.");
        goto failed;
      }
      const size_t slot = stack.index++;
      stack.keys[slot] = key;
      stack.objects[slot] = nullptr;
      stack.cfHashes[slot] = keyHash(s, key);
      if (!separator(s)) goto failed;
      JRObject* object = nullptr;
      const Quick quick = peekToken(s, &c) ? quickValue(s, c, &object) : Quick::Slow;
      if (quick == Quick::Slow) {
        if (!nextToken(s)) goto failed;
        if (!isValueToken(s->token.tokenType)) {
          expected(s, state, false, "a '}'");
          goto failed;
        }
        object = valueFromToken(s);
      }
      if (!object) {
        valueMissing(s, "Internal error: Object == NULL.");
        goto failed;
      }
      stack.objects[slot] = object;
      state = JRParseAcceptCommaOrEnd;
      continue;
    } else if (c == '}' && state == JRParseAcceptValueOrEnd) {
      ++s->atIndex;
    } else {
      break;
    }
    JRDictionary* dictionary =
        JRDictionary::create(stack.keys + start, stack.cfHashes + start, stack.objects + start,
                             stack.index - start, s->makeMutable, &s->cache);
    if (!dictionary) goto failed;
    stack.index = start;
    return dictionary;
  }
  while (s->atIndex < s->length) {
    if (stack.index + 4 > stack.count && !resizeObjectStack(&stack, stack.count + 128)) {
      JR_INTERNAL_ERROR(
          s, "Internal error: [dictionary] objectsIndex > %zu, resize failed? %s line #%ld",
          stack.count - 4);
      break;
    }
    const size_t slot = stack.index++;
    stack.keys[slot] = nullptr;
    stack.objects[slot] = nullptr;
    if (!nextToken(s)) break;
    const uint8_t type = s->token.tokenType;
    if (type == JRTokenTypeObjectEnd) {
      if (!(state & JRParseAcceptEnd)) {
        error(s, "Unexpected '}'.");
        break;
      }
      --stack.index;
      const size_t count = stack.index - start;
      JRDictionary* dictionary =
          JRDictionary::create(stack.keys + start, stack.cfHashes + start, stack.objects + start,
                               count, s->makeMutable, &s->cache);
      if (!dictionary) break;
      stack.index = start;
      return dictionary;
    }
    if (type == JRTokenTypeComma) {
      if (!(state & JRParseAcceptComma)) {
        error(s, "Unexpected ','.");
        break;
      }
      --stack.index;
      state = JRParseAcceptValue;
      continue;
    }
    if (type == JRTokenTypeString) {
      if (!(state & JRParseAcceptValue)) {
        error(s, "Unexpected string.");
        break;
      }
      JRObject* key = valueFromToken(s);
      if (!key) {
        error(s, "Internal error: Key == NULL.");
        break;
      }
      stack.keys[slot] = key;
      stack.cfHashes[slot] = keyHash(s, key);
      if (!separator(s)) break;
      if (!nextToken(s)) break;
      if (!isValueToken(s->token.tokenType)) {
        expected(s, state, false, "a '}'");
        break;
      }
      JRObject* object = valueFromToken(s);
      if (!object) {
        valueMissing(s, "Internal error: Object == NULL.");
        break;
      }
      stack.objects[slot] = object;
      state = JRParseAcceptCommaOrEnd;
      continue;
    }
    expected(s, state, true, "a '}'");
    break;
  }
failed:
  settleCache(&s->cache);
  for (size_t i = start; i < stack.index; ++i) {
    if (stack.keys[i]) stack.keys[i]->release();
    if (stack.objects[i]) stack.objects[i]->release();
    stack.keys[i] = nullptr;
    stack.objects[i] = nullptr;
  }
  stack.index = start;
  return nullptr;
}

// ---- the parse run ----

JRObject* JRParser::parse(JRParseState* s, const uint8_t* bytes, size_t length, bool makeMutable,
                          JRError* errorOut) {
  s->bytes = bytes;
  s->length = length;
  s->atIndex = 0;
  s->lineNumber = 1;
  s->firstError.reset();
  s->makeMutable = makeMutable;
  s->depth = 0;
  forgetUnheld(&s->cache);

  // Scratch space and the object stack start on the machine stack for ordinary documents.
  uint8_t stackBuffer[2048];
  JRObject* stackObjects[1024] = {};
  JRObject* stackKeys[1024] = {};
  uint32_t stackHashes[1024] = {};
  JRManagedBuffer& tb = s->token.tokenBuffer;
  if (tb.flags & JRManagedBufferMustFree) std::free(tb.bytes);
  tb = JRManagedBuffer{stackBuffer, sizeof stackBuffer, JRManagedBufferOnStack, 4096};
  releaseObjectStack(&s->objectStack);
  s->objectStack =
      JRObjectStack{stackObjects, stackKeys, stackHashes, 1024, 0, 2048, JRObjectStackOnStack};

  JRObject* result = nullptr;
  if (length > 0 && nextToken(s)) {
    const uint8_t type = s->token.tokenType;
    if (type == JRTokenTypeObjectBegin || type == JRTokenTypeArrayBegin)
      result = valueFromToken(s);
    else
      error(s, "Expected either '[' or '{'.");
  }
  settleCache(&s->cache);
  if (!result) {
    if (s->atIndex == length) error(s, "Reached the end of the buffer.");
    error(s, "Unable to parse JSON.");
  } else if (s->atIndex < length) {
    skipWhitespace(s);
    if (s->atIndex < length && !(s->parseOptions & JRReadTextAfterJSON)) {
      error(s,
            "A valid JSON object was parsed but there were additional non-white-space characters "
            "remaining.");
      result->release();
      result = nullptr;
    }
  }
  if (s->firstError && errorOut) *errorOut = *s->firstError;
  releasePending(&s->cache);

  if (tb.flags & JRManagedBufferMustFree) std::free(tb.bytes);
  tb = JRManagedBuffer{};
  releaseObjectStack(&s->objectStack);
  s->bytes = nullptr;
  s->length = 0;
  s->atIndex = 0;
  s->lineNumber = 0;
  s->firstError.reset();
  s->makeMutable = false;
  return result;
}

// ---- JSONDecoder ----

JSONDecoder::JSONDecoder(uint32_t parseOptions) {
  if (parseOptions > JRReadValidFlags)
    jrRaise("NSInvalidArgumentException", "Invalid parse options.");
  parseState_ = new JRParseState;
  parseState_->parseOptions = parseOptions;
  parseState_->token.tokenBuffer.sizeMultiple = 4096;
  parseState_->objectStack.sizeMultiple = 2048;
  parseState_->cache.items =
      static_cast<JRTokenCacheBuckets*>(std::calloc(1, sizeof(JRTokenCacheBuckets)));
  if (!parseState_->cache.items) {
    delete parseState_;
    throw std::bad_alloc();
  }
}

JSONDecoder::~JSONDecoder() {
  releaseParseState();
}

void JSONDecoder::releaseParseState() {
  if (!parseState_) return;
  JRParseState* s = parseState_;
  if (s->token.tokenBuffer.flags & JRManagedBufferMustFree) std::free(s->token.tokenBuffer.bytes);
  JRParser::releaseObjectStack(&s->objectStack);
  JRParser::clearCache(&s->cache);
  std::free(s->cache.items);
  delete s;
  parseState_ = nullptr;
}

void JSONDecoder::clearCache() {
  if (parseState_) JRParser::clearCache(&parseState_->cache);
}

size_t JSONDecoder::cachedObjectCount() const {
  if (!parseState_) return 0;
  size_t n = 0;
  for (uint32_t i = 0; i < kJRCacheBuckets; ++i)
    n += parseState_->cache.items->entry[i].object != nullptr;
  return n;
}

uint32_t JSONDecoder::cacheShiftRegister() const {
  return parseState_ ? parseState_->cache.prng_lfsr : 0;
}

uint32_t JSONDecoder::parseOptions() const {
  return parseState_ ? parseState_->parseOptions : 0;
}

Ref<JRObject> JSONDecoder::run(const char* bytes, size_t length, bool makeMutable, JRError* error) {
  if (!parseState_) jrRaise("NSInternalInconsistencyException", "parseState is NULL.");
  if (!bytes) jrRaise("NSInvalidArgumentException", "The string argument is NULL.");
  return Ref<JRObject>::adopt(JRParser::parse(parseState_, reinterpret_cast<const uint8_t*>(bytes),
                                              length, makeMutable, error));
}

Ref<JRObject> JSONDecoder::objectWithUTF8String(const char* bytes, size_t length, JRError* error) {
  return run(bytes, length, false, error);
}

Ref<JRObject> JSONDecoder::mutableObjectWithUTF8String(const char* bytes, size_t length,
                                                       JRError* error) {
  return run(bytes, length, true, error);
}

Ref<JRObject> JSONDecoder::objectWithData(std::string_view data, JRError* error) {
  if (!data.data()) jrRaise("NSInvalidArgumentException", "The jsonData argument is NULL.");
  return run(data.data(), data.size(), false, error);
}

Ref<JRObject> JSONDecoder::mutableObjectWithData(std::string_view data, JRError* error) {
  if (!data.data()) jrRaise("NSInvalidArgumentException", "The jsonData argument is NULL.");
  return run(data.data(), data.size(), true, error);
}

// ---- one-shot forms ----

Ref<JRObject> objectFromJSONData(std::string_view data, uint32_t parseOptions, JRError* error) {
  JSONDecoder decoder(parseOptions);
  return decoder.objectWithData(data, error);
}

Ref<JRObject> mutableObjectFromJSONData(std::string_view data, uint32_t parseOptions,
                                        JRError* error) {
  JSONDecoder decoder(parseOptions);
  return decoder.mutableObjectWithData(data, error);
}

namespace {

// UTF-16 to UTF-8; false when the text holds an unpaired surrogate.
bool toUTF8(std::u16string_view text, std::string* out) {
  out->reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (c >> 6)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (c >> 12)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (c >> 18)));
      out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return true;
}

Ref<JRObject> fromString(std::u16string_view string, uint32_t parseOptions, JRError* error,
                         bool makeMutable) {
  std::string utf8;
  if (!toUTF8(string, &utf8)) {
    if (error) {
      *error = JRError{kJRErrorDomain, -1,
                       "An error occurred converting the contents of a NSString to UTF8.",
                       std::nullopt, std::nullopt};
    }
    return nullptr;
  }
  JSONDecoder decoder(parseOptions);
  Ref<JRObject> result = makeMutable
                             ? decoder.mutableObjectWithUTF8String(utf8.data(), utf8.size(), error)
                             : decoder.objectWithUTF8String(utf8.data(), utf8.size(), error);
  std::fill(utf8.begin(), utf8.end(), '\0');  // the temporary buffer is emptied
  return result;
}

}  // namespace

Ref<JRObject> objectFromJSONString(std::u16string_view string, uint32_t parseOptions,
                                   JRError* error) {
  return fromString(string, parseOptions, error, false);
}

Ref<JRObject> mutableObjectFromJSONString(std::u16string_view string, uint32_t parseOptions,
                                          JRError* error) {
  return fromString(string, parseOptions, error, true);
}

}  // namespace tessaly
