// The string scanner: checks one JSON string token, decodes escapes into UTF-8 and computes the
// value hash the object cache keys on. Strings without escapes or repairs are not copied.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "json/JRParseState.h"

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

}  // namespace

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
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      uint64_t special = specialBytes(w);
      if (special) {
        unsigned k = static_cast<unsigned>(std::countr_zero(special)) >> 3;
        for (unsigned j = 0; j < k; ++j) h = h * 33 + p[j];
        p += k;
        break;
      }
      h = jrFold8(h, w);
      p += 8;
    }
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
    if (c >= 0x80) {
      // Runs of non-ASCII text: two- and three-byte sequences are checked inline, one after
      // the other; anything else goes to the full check.
      bool passed = false;
      while (p < end) {
        const uint8_t d = *p;
        if (d >= 0xC2 && d <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
          h = (h * 33 + d) * 33 + p[1];
          p += 2;
          passed = true;
          continue;
        }
        if ((d & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
          uint32_t cp = (uint32_t{d} & 0x0F) << 12 | (uint32_t{p[1]} & 0x3F) << 6 | (p[2] & 0x3F);
          if (cp >= 0x800 && !jrIsRejectedCodePoint(cp)) {
            h = ((h * 33 + d) * 33 + p[1]) * 33 + p[2];
            p += 3;
            passed = true;
            continue;
          }
        }
        break;
      }
      if (passed) continue;  // back to the word scan from the byte that ended the run
      JRUTF8Result r = ConvertSingleCodePointInUTF8(p, end);
      if (r.outcome != JRUTF8Outcome::Valid) break;
      for (; p < r.next; ++p) h = h * 33 + *p;
      continue;
    }
    h = h * 33 + c;
    ++p;
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
      const uint8_t c = *p;
      switch (state) {
        case StringState::Plain:
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
          } else if (c < 0x80) {
            append(c);
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
  s->token.ptr = quote;
  s->token.length = static_cast<size_t>(p + 1 - quote);
  s->token.tokenType = JRTokenTypeString;
  s->token.value.type = JRValueTypeString;
  s->token.value.hash = h;
  s->atIndex = static_cast<size_t>(p + 1 - base);
  return true;

failed:
  error(s, "Invalid string.");
  return false;
}

}  // namespace tessaly
