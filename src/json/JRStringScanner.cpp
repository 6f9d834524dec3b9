// The string scanner: checks one JSON string token, decodes escapes into UTF-8 and computes the
// value hash the object cache keys on. Strings without escapes or repairs are not copied.
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "json/JRParseState.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaly {

JRUTF8Result ConvertSingleCodePointInUTF8(const uint8_t* p, const uint8_t* end) {
  const uint8_t b0 = p[0];
  const size_t available = static_cast<size_t>(end - p);
  // A lead byte announces as many bytes as it has leading one bits; a stray continuation
  // byte announces none beyond itself.
  size_t announced = static_cast<size_t>(std::countl_one(b0));
  if (announced < 1) announced = 1;
  if (announced >= 2 && announced <= 4 && announced <= available && b0 >= 0xC2 && b0 <= 0xF4) {
    const uint8_t b1 = p[1];
    uint8_t low = 0x80, high = 0xBF;
    if (b0 == 0xE0)
      low = 0xA0;
    else if (b0 == 0xED)
      high = 0x9F;
    else if (b0 == 0xF0)
      low = 0x90;
    else if (b0 == 0xF4)
      high = 0x8F;
    bool wellFormed = b1 >= low && b1 <= high;
    for (size_t i = 2; wellFormed && i < announced; ++i) wellFormed = (p[i] & 0xC0) == 0x80;
    if (wellFormed) {
      uint32_t c;
      if (announced == 2)
        c = (uint32_t{b0} & 0x1F) << 6 | (b1 & 0x3F);
      else if (announced == 3)
        c = (uint32_t{b0} & 0x0F) << 12 | (uint32_t{b1} & 0x3F) << 6 | (p[2] & 0x3F);
      else
        c = (uint32_t{b0} & 0x07) << 18 | (uint32_t{b1} & 0x3F) << 12 |
            (uint32_t{p[2]} & 0x3F) << 6 | (p[3] & 0x3F);
      if (!jrIsRejectedCodePoint(c)) return {p + announced, c, JRUTF8Outcome::Valid};
    }
  }
  // Consume the lead byte and the continuation bytes that follow, up to the announced length.
  size_t i = 1;
  while (i < available && i < announced && (p[i] & 0xC0) == 0x80) ++i;
  JRUTF8Outcome outcome;
  if (i < available && i < announced)
    outcome = JRUTF8Outcome::Invalid;  // stopped at a byte that is no continuation
  else if (announced > available)
    outcome = JRUTF8Outcome::Truncated;
  else
    outcome = JRUTF8Outcome::Invalid;
  return {p + i, 0xFFFD, outcome};
}

uint8_t* JRParser::resizeManagedBuffer(JRManagedBuffer* buffer, size_t size) {
  size_t multiple = buffer->sizeMultiple ? buffer->sizeMultiple : 1;
  size_t rounded = (size + multiple - 1) / multiple * multiple;
  if (buffer->length >= rounded) return buffer->bytes;
  uint8_t* grown;
  if ((buffer->flags & JRManagedBufferLocationMask) == JRManagedBufferOnHeap) {
    grown = static_cast<uint8_t*>(std::realloc(buffer->bytes, rounded));
    if (!grown) std::free(buffer->bytes);
  } else {
    grown = static_cast<uint8_t*>(std::malloc(rounded));
    if (grown && buffer->length) std::memcpy(grown, buffer->bytes, buffer->length);
  }
  if (!grown) {
    *buffer = JRManagedBuffer{nullptr, 0, 0, buffer->sizeMultiple};
    return nullptr;
  }
  buffer->bytes = grown;
  buffer->length = rounded;
  buffer->flags = JRManagedBufferOnHeap | JRManagedBufferMustFree;
  return grown;
}

namespace {

// Plain string bytes: ASCII other than quote, backslash and control bytes, and well-formed UTF-8
// sequences that the reader accepts. scanPlain passes over them, folding them into the hash, and
// stops at a quote, a backslash, a control byte, the end of the input, or a byte of 0x80 and
// above that needs the full check (ConvertSingleCodePointInUTF8), which then decides.

struct Scan {
  const uint8_t* p;
  uint32_t h;
};

#if defined(__SSE2__) && !defined(TESSALY_JSON_PORTABLE_SCAN)

constexpr uint32_t jrInverse33() {
  uint32_t x = 33;  // Newton steps double the correct low bits: 33 * 33 == 1 mod 2^6 already
  for (int i = 0; i < 4; ++i) x *= 2 - 33 * x;
  return x;
}
static_assert(jrInverse33() * 33u == 1u);

// kUnfold[k] turns a fold over 16 bytes whose last 16 - k bytes are zero into the fold over the
// first k bytes: the zeros only multiplied the result by 33^(16 - k), which is invertible mod 2^32.
constexpr auto kUnfold = [] {
  std::array<uint32_t, 17> t{};
  uint32_t inverse = 1;
  for (int k = 16; k >= 0; --k) {
    t[static_cast<size_t>(k)] = inverse;
    inverse *= jrInverse33();
  }
  return t;
}();

inline __m128i splat(uint8_t b) {
  return _mm_set1_epi8(static_cast<char>(b));
}

inline uint32_t bits(__m128i m) {
  return static_cast<uint32_t>(_mm_movemask_epi8(m));
}

// b0*33^15 + b1*33^14 + ... + b15 mod 2^32, without a serial chain: byte pairs, then pairs of
// pairs with pmaddwd (all partial sums stay below 2^15 resp. 2^24), then four 32-bit products.
inline uint32_t sum16(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i by33 = _mm_set1_epi32(0x00010021);    // (33, 1) in each 16-bit pair
  const __m128i by1089 = _mm_set1_epi32(0x00010441);  // (33^2, 1)
  __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), by33),
                                  _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), by33));
  __m128i quads = _mm_madd_epi16(pairs, by1089);
  __m128i even = _mm_mul_epu32(
      quads, _mm_set_epi32(0, static_cast<int>(jrPow33(4)), 0, static_cast<int>(jrPow33(12))));
  __m128i odd = _mm_mul_epu32(_mm_srli_epi64(quads, 32),
                              _mm_set_epi32(0, 1, 0, static_cast<int>(jrPow33(8))));
  __m128i sum = _mm_add_epi64(even, odd);
  sum = _mm_add_epi64(sum, _mm_unpackhi_epi64(sum, sum));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
}

// b0*33^7 + b1*33^6 + ... + b7 mod 2^32 for the bytes of w in memory order: pairs in 16-bit
// lanes, then pairs of pairs in 32-bit lanes, then one multiply adds the two halves.
inline uint32_t sum8(uint64_t w) {
  constexpr uint64_t kLow8 = 0x00FF00FF00FF00FFull, kLow16 = 0x0000FFFF0000FFFFull;
  const uint64_t pairs = (w & kLow8) * 33 + (w >> 8 & kLow8);
  const uint64_t quads = (pairs & kLow16) * jrPow33(2) + (pairs >> 16 & kLow16);
  return static_cast<uint32_t>(quads * (uint64_t{jrPow33(4)} << 32 | 1) >> 32);
}

constexpr auto kPow33 = [] {
  std::array<uint32_t, 8> t{};
  for (int i = 0; i < 8; ++i) t[static_cast<size_t>(i)] = jrPow33(i);
  return t;
}();

// Sixteen 0xFF then sixteen zeros: 16 bytes loaded from kKeep + 16 - k keep the first k bytes.
alignas(32) constexpr uint8_t kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// h after the first k (0..16) bytes of v.
inline uint32_t foldPrefix(uint32_t h, __m128i v, unsigned k) {
  __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 16 - k));
  return (h * jrPow33(16) + sum16(_mm_and_si128(v, keep))) * kUnfold[k];
}

// Quote, backslash and control bytes (bytes of 0x80 and above are not included).
inline uint32_t stopBytes(__m128i v, uint32_t high) {
  __m128i quote = _mm_cmpeq_epi8(v, splat('"'));
  __m128i backslash = _mm_cmpeq_epi8(v, splat('\\'));
  __m128i control = _mm_cmplt_epi8(v, splat(0x20));  // also true for 0x80 and above
  return bits(_mm_or_si128(_mm_or_si128(quote, backslash), control)) & ~high;
}

// How many leading bytes of v, up to limit, are whole accepted UTF-8 sequences and ASCII; 0 when
// something before limit is malformed or rejected, or a sequence is cut by limit < 16. A sequence
// cut by the block's end is left for the next block.
inline unsigned acceptedUTF8(__m128i v, uint32_t high, unsigned limit) {
  const uint32_t inside = (1u << limit) - 1;
  const auto below = [&](uint8_t b) { return bits(_mm_cmplt_epi8(v, splat(b))) & high; };
  const auto above = [&](uint8_t b) { return bits(_mm_cmpgt_epi8(v, splat(b))) & high; };
  const auto equal = [&](uint8_t b) { return bits(_mm_cmpeq_epi8(v, splat(b))); };
  const uint32_t cont = below(0xC0);
  const uint32_t lead = high & ~cont & inside;
  const uint32_t lead3 = above(0xDF) & inside;
  const uint32_t lead4 = above(0xEF) & inside;
  // Each lead asks for the continuation bytes its length announces, and nothing else may be one.
  const uint32_t wanted = lead << 1 | lead3 << 2 | lead4 << 3;
  if ((wanted ^ cont) & inside) return 0;
  // C0 and C1 (overlong), and leads whose second byte has a narrower range or that may begin a
  // rejected code point, are rare: look closer only when one is there.
  const uint32_t e0 = equal(0xE0), ed = equal(0xED), ef = equal(0xEF);
  const uint32_t c0c1 = below(0xC2) & lead;
  if (c0c1 | ((e0 | ed | ef) & lead) | lead4) {
    const uint32_t below90 = below(0x90), belowA0 = below(0xA0);
    const uint32_t bf = equal(0xBF), b7 = equal(0xB7);
    const uint32_t beOrBF = bits(_mm_cmpeq_epi8(_mm_or_si128(v, splat(0x01)), splat(0xBF)));
    const uint32_t endsInF = bits(_mm_cmpeq_epi8(_mm_or_si128(v, splat(0x30)), splat(0xBF)));
    const uint32_t bad = c0c1 | (above(0xF4) & lead) | (e0 << 1 & belowA0)  // overlong 3-byte
                         | (ed << 1 & cont & ~belowA0)                      // surrogates
                         | (equal(0xF0) << 1 & below90)                     // overlong 4-byte
                         | (equal(0xF4) << 1 & cont & ~below90)             // above U+10FFFF
                         | (ef << 2 & b7 << 1 & below(0xB0) & ~below90)     // U+FDD0..U+FDEF
                         | (ef << 2 & bf << 1 & beOrBF)                     // U+FFFE, U+FFFF
                         | (lead4 << 3 & endsInF << 2 & bf << 1 & beOrBF);  // U+nFFFE, U+nFFFF
    if (bad & inside) return 0;
  }
  if (!(wanted >> limit)) return limit;
  if (limit < 16) return 0;                                   // cut short by a quote or the like
  return static_cast<unsigned>(31 - std::countl_zero(lead));  // the block ends inside a sequence
}

__attribute__((noinline)) Scan scanPlain(const uint8_t* p, const uint8_t* end, uint32_t h) {
  for (;;) {
    __m128i v;
    if (end - p >= 16) {
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    } else {
      // The last bytes of the input, padded with zeros, which stop the scan like control bytes.
      alignas(16) uint8_t last[16] = {};
      std::memcpy(last, p, static_cast<size_t>(end - p));
      v = _mm_load_si128(reinterpret_cast<const __m128i*>(last));
    }
    const uint32_t high = bits(v);
    const uint32_t stops = stopBytes(v, high);
    if (!(stops | high)) {
      h = h * jrPow33(16) + sum16(v);
      p += 16;
      continue;
    }
    const unsigned limit = stops ? static_cast<unsigned>(std::countr_zero(stops)) : 16;
    if (!(high & ((1u << limit) - 1))) {
      h = foldPrefix(h, v, limit);
      return {p + limit, h};  // at a quote, backslash, control byte or the end
    }
    const unsigned n = acceptedUTF8(v, high, limit);
    if (!n) {
      // Malformed or rejected: pass the ASCII before it and let the full check decide.
      const unsigned ascii = static_cast<unsigned>(std::countr_zero(high));
      h = foldPrefix(h, v, ascii);
      return {p + ascii, h};
    }
    h = foldPrefix(h, v, n);
    p += n;
    if (n == limit && limit < 16) return {p, h};
  }
}

// Most strings are short keys or other ASCII text: blocks without bytes of 0x80 and above up to
// the quote (or other stop) are handled here, everything else by scanPlain.
inline Scan scanShort(const uint8_t* p, const uint8_t* end, uint32_t h) {
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const uint32_t high = bits(v);
    const uint32_t stops = stopBytes(v, high);
    if (!(stops | high)) {
      h = h * jrPow33(16) + sum16(v);
      p += 16;
      continue;
    }
    const uint32_t before = (stops & -stops) - 1;  // bits below the first stop; all when none
    if (!stops || (high & before)) break;
    // Scalar arithmetic here: the cache lookup needs the hash at once, and this takes fewer
    // steps from the bytes to the hash than the vector fold. The j bytes of the last, partial
    // word are shifted to its top, where they take the weights 33^(j-1) .. 1 of a j-byte fold.
    const unsigned k = static_cast<unsigned>(std::countr_zero(stops));  // 0..15
    const unsigned j = k & 7;
    uint64_t w0, w1;
    std::memcpy(&w0, p, 8);
    std::memcpy(&w1, p + 8, 8);
    const bool second = k >= 8;
    const uint32_t whole = h * jrPow33(8) + sum8(w0);
    const uint64_t partial = (second ? w1 : w0) << (56 - 8 * j) << 8;
    h = (second ? whole : h) * kPow33[j] + sum8(partial);
    return {p + k, h};
  }
  return scanPlain(p, end, h);
}

#else
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// Bytes that end the fast scan: quote, backslash, control bytes and bytes of 0x80 and above.
// Only the lowest flagged byte is exact, which is the one we use.
inline uint64_t specialBytes(uint64_t w) {
  uint64_t quote = w ^ (kOnes * '"');
  uint64_t backslash = w ^ (kOnes * '\\');
  uint64_t found = ((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash) |
                   ((w - kOnes * 0x20) & ~w) | w;
  return found & kHighs;
}

// h after the k bytes at p.
inline uint32_t foldBytes(uint32_t h, const uint8_t* p, unsigned k) {
  for (unsigned j = 0; j < k; ++j) h = h * 33 + p[j];
  return h;
}

inline Scan scanPlain(const uint8_t* p, const uint8_t* end, uint32_t h) {
  for (;;) {
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (uint64_t special = specialBytes(w)) {
        unsigned k = static_cast<unsigned>(std::countr_zero(special)) >> 3;
        h = foldBytes(h, p, k);
        p += k;
        break;
      }
      h = jrFold8(h, w);
      p += 8;
    }
    while (p < end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\') h = h * 33 + *p++;
    if (p >= end || *p < 0x80) return {p, h};
    // Runs of non-ASCII text: two- and three-byte sequences are checked inline.
    const uint8_t* const run = p;
    while (p < end) {
      const uint8_t d = *p;
      if (d >= 0xC2 && d <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
        h = (h * 33 + d) * 33 + p[1];
        p += 2;
        continue;
      }
      if ((d & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        uint32_t cp = (uint32_t{d} & 0x0F) << 12 | (uint32_t{p[1]} & 0x3F) << 6 | (p[2] & 0x3F);
        if (cp >= 0x800 && !jrIsRejectedCodePoint(cp)) {
          h = ((h * 33 + d) * 33 + p[1]) * 33 + p[2];
          p += 3;
          continue;
        }
      }
      break;
    }
    if (p == run) return {p, h};
  }
}

inline Scan scanShort(const uint8_t* p, const uint8_t* end, uint32_t h) {
  return scanPlain(p, end, h);
}

#endif

inline int hexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr const char* kRequiredSecondEscape =
    "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape "
    "sequence.";

enum class StringState : uint8_t { Plain, Escape, Hex1, NeedBackslash, NeedU, Hex2 };

// The string from the quote up to its closing quote becomes the current token, with hash h; its
// value's bytes are set by the caller.
inline void takeString(JRParseState* s, const uint8_t* quote, const uint8_t* close, uint32_t h) {
  s->token.ptr = quote;
  s->token.length = static_cast<size_t>(close + 1 - quote);
  s->token.tokenType = JRTokenTypeString;
  s->token.value.type = JRValueTypeString;
  s->token.value.hash = h;
  s->atIndex = static_cast<size_t>(close + 1 - s->bytes);
}

}  // namespace

// Most strings are plain text that ends within the first scan: those are taken right in the
// value loops; anything else is scanned again from its start by parseString.
__attribute__((always_inline)) inline bool JRParser::parseStringInline(JRParseState* s) {
  const uint8_t* const base = s->bytes;
  const uint8_t* const end = base + s->length;
  const uint8_t* const quote = base + s->atIndex;
  const Scan scan = scanShort(quote + 1, end, kJRHashSeed);
  if (scan.p >= end || *scan.p != '"') return parseString(s);
  s->token.value.ptr = quote + 1;
  s->token.value.length = static_cast<size_t>(scan.p - (quote + 1));
  takeString(s, quote, scan.p, scan.h);
  return true;
}

bool JRParser::parseString(JRParseState* s) {
  const uint8_t* const base = s->bytes;
  const uint8_t* const end = base + s->length;
  const uint8_t* const quote = base + s->atIndex;
  const uint8_t* const start = quote + 1;
  const uint8_t* p = start;
  uint32_t h = kJRHashSeed;
  const bool lenient = (s->parseOptions & JRReadLenientUnicode) != 0;

  // Fast scan: nothing is copied.
  for (;;) {
    const Scan scan = scanShort(p, end, h);
    p = scan.p;
    h = scan.h;
    if (p >= end) goto failed;
    const uint8_t c = *p;
    if (c == '"') {
      s->token.value.ptr = start;
      s->token.value.length = static_cast<size_t>(p - start);
      goto succeeded;
    }
    if (c < 0x20) {
      error(s, "Invalid character < 0x20 found in string: 0x%2.2x.", c);
      goto failed;
    }
    if (c == '\\') break;
    JRUTF8Result r = ConvertSingleCodePointInUTF8(p, end);
    if (r.outcome != JRUTF8Outcome::Valid) break;
    for (; p < r.next; ++p) h = h * 33 + *p;
  }

  // Decoding scan: copy what passed so far, then decode into tokenBuffer.
  {
    JRManagedBuffer* tb = &s->token.tokenBuffer;
    size_t used = static_cast<size_t>(p - start);
    if (tb->length < used + 16 && !resizeManagedBuffer(tb, used + 1024)) {
      error(s, "Internal error: Unable to resize temporary buffer. %s line #%ld",
            jrSourceFileName(__FILE__), static_cast<long>(__LINE__));
      goto failed;
    }
    if (used) std::memcpy(tb->bytes, start, used);
    StringState state = StringState::Plain;
    uint32_t u1 = 0, u2 = 0;
    int digits = 0;

    auto append = [&](uint8_t b) {
      tb->bytes[used++] = b;
      h = h * 33 + b;
    };
    auto appendCodePoint = [&](uint32_t c) {
      if (c < 0x80) {
        append(static_cast<uint8_t>(c));
      } else if (c < 0x800) {
        append(static_cast<uint8_t>(0xC0 | (c >> 6)));
        append(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      } else if (c < 0x10000) {
        append(static_cast<uint8_t>(0xE0 | (c >> 12)));
        append(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        append(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      } else {
        append(static_cast<uint8_t>(0xF0 | (c >> 18)));
        append(static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F)));
        append(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        append(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      }
    };
    auto illegalEscape = [&]() -> bool {  // false: the scan fails
      if (!lenient) {
        error(s, "Illegal \\u Unicode escape sequence.");
        return false;
      }
      appendCodePoint(0xFFFD);
      return true;
    };

    while (p < end) {
      // Keep 16 bytes of headroom so no append needs its own bounds check.
      if (tb->length - used < 16 && !resizeManagedBuffer(tb, used + 1024)) {
        error(s, "Internal error: Unable to resize temporary buffer. %s line #%ld",
              jrSourceFileName(__FILE__), static_cast<long>(__LINE__));
        goto failed;
      }
      uint8_t c = *p;
      switch (state) {
        case StringState::Plain:
          if (c >= 0x20 && c != '"' && c != '\\') {  // a run of plain bytes at once
            const uint8_t* const run = p;
            const Scan scan = scanPlain(p, end, h);
            p = scan.p;
            h = scan.h;
            const size_t length = static_cast<size_t>(p - run);
            if (tb->length - used < length + 16 && !resizeManagedBuffer(tb, used + length + 1024)) {
              error(s, "Internal error: Unable to resize temporary buffer. %s line #%ld",
                    jrSourceFileName(__FILE__), static_cast<long>(__LINE__));
              goto failed;
            }
            std::memcpy(tb->bytes + used, run, length);
            used += length;
            if (p >= end) goto failed;
            c = *p;
          }
          if (c == '"') {
            s->token.value.ptr = tb->bytes;
            s->token.value.length = used;
            goto succeeded;
          }
          if (c < 0x20) {
            error(s, "Invalid character < 0x20 found in string: 0x%2.2x.", c);
            goto failed;
          }
          if (c == '\\') {
            state = StringState::Escape;
            ++p;
          } else {
            JRUTF8Result r = ConvertSingleCodePointInUTF8(p, end);
            if (r.outcome == JRUTF8Outcome::Valid) {
              for (; p < r.next; ++p) append(*p);
            } else if (r.outcome == JRUTF8Outcome::Truncated) {
              error(s, "End of buffer reached while parsing UTF8 in \"\" string.");
              goto failed;
            } else if (lenient) {
              appendCodePoint(0xFFFD);
              p = r.next;
            } else {
              error(s, "Illegal UTF8 sequence found in \"\" string.");
              goto failed;
            }
          }
          break;
        case StringState::Escape: {
          uint8_t decoded;
          switch (c) {
            case '"':
              decoded = 0x22;
              break;
            case '\\':
              decoded = 0x5C;
              break;
            case '/':
              decoded = 0x2F;
              break;
            case 'b':
              decoded = 0x08;
              break;
            case 'f':
              decoded = 0x0C;
              break;
            case 'n':
              decoded = 0x0A;
              break;
            case 'r':
              decoded = 0x0D;
              break;
            case 't':
              decoded = 0x09;
              break;
            case 'u':
              state = StringState::Hex1;
              u1 = 0;
              digits = 0;
              ++p;
              continue;
            default:
              error(s, "Invalid escape sequence found in \"\" string.");
              goto failed;
          }
          append(decoded);
          state = StringState::Plain;
          ++p;
          break;
        }
        case StringState::Hex1:
        case StringState::Hex2: {
          int v = hexValue(c);
          if (v < 0) {
            error(s,
                  "Unexpected character found in \\u Unicode escape sequence.  Found '%c', "
                  "expected [0-9a-fA-F].",
                  c);
            goto failed;
          }
          ++p;
          uint32_t& u = state == StringState::Hex1 ? u1 : u2;
          u = u << 4 | static_cast<uint32_t>(v);
          if (++digits < 4) break;
          if (state == StringState::Hex1) {
            if (u1 >= 0xD800 && u1 <= 0xDBFF) {
              state = StringState::NeedBackslash;
              break;
            }
            state = StringState::Plain;
            if (u1 >= 0xDC00 && u1 <= 0xDFFF) {
              if (!illegalEscape()) goto failed;
            } else if (jrIsRejectedCodePoint(u1)) {
              if (!illegalEscape()) goto failed;
            } else {
              appendCodePoint(u1);
            }
          } else {
            state = StringState::Plain;
            if (u2 >= 0xDC00 && u2 <= 0xDFFF) {
              uint32_t cp = 0x10000 + ((u1 - 0xD800) << 10) + (u2 - 0xDC00);
              if (jrIsRejectedCodePoint(cp)) {
                if (!illegalEscape()) goto failed;
              } else {
                appendCodePoint(cp);
              }
            } else if (!illegalEscape()) {  // one U+FFFD stands for both escapes
              goto failed;
            }
          }
          break;
        }
        case StringState::NeedBackslash:
          if (c == '\\') {
            state = StringState::NeedU;
            ++p;
          } else if (lenient) {
            appendCodePoint(0xFFFD);
            state = StringState::Plain;  // the same byte is read again
          } else {
            error(s, "%s", kRequiredSecondEscape);
            goto failed;
          }
          break;
        case StringState::NeedU:
          if (c == 'u') {
            state = StringState::Hex2;
            u2 = 0;
            digits = 0;
            ++p;
          } else if (lenient) {
            appendCodePoint(0xFFFD);
            state = StringState::Escape;  // the backslash and this byte are read again
          } else {
            error(s, "%s", kRequiredSecondEscape);
            goto failed;
          }
          break;
        default:
          error(s, "Internal error: Unknown stringState. %s line #%ld", jrSourceFileName(__FILE__),
                static_cast<long>(__LINE__));
          goto failed;
      }
    }
    goto failed;
  }

succeeded:
  takeString(s, quote, p, h);
  return true;

failed:
  error(s, "Invalid string.");
  return false;
}

}  // namespace tessaly
