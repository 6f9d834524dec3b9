// Decimal to double without the C library: w × 10^q rounded to the nearest double, ties to even.
// The common cases take a few integer multiplications; the rare inputs that cannot be settled
// this way (a result within a hair of a rounding boundary, subnormal or out of range, an
// exponent beyond the table) are left to the caller's full conversion.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "json/JRPowersOfFive.h"

namespace tessaly {

// floor(q × log2(10)) for q in the table's range.
inline constexpr int jrFloorLog2OfPowerOfTen(int q) {
  return (217706 * q) >> 16;
}

// The product step alone (exposed for tests): false when unsure.
__attribute__((always_inline)) inline bool jrDecimalToDoubleByProduct(uint64_t w, int q,
                                                                      double* out) {
  if (w == 0 || q < kJRSmallestPowerOfFive || q > kJRLargestPowerOfFive) return false;
  const int leadingZeros = std::countl_zero(w);
  const uint64_t normalized = w << leadingZeros;
  const uint64_t* power = kJRPowersOfFive[q - kJRSmallestPowerOfFive];
  // The top 128 bits of the 192-bit product. The table entry is rounded down by less than one
  // unit and the low word of the second product is dropped, so the true product lies in
  // [product, product + 2) in units of the low word.
  const unsigned __int128 first = static_cast<unsigned __int128>(normalized) * power[0];
  uint64_t high = static_cast<uint64_t>(first >> 64);
  uint64_t low = static_cast<uint64_t>(first);
  // The second product adds less than one unit of the high word. Unless the nine bits below
  // the rounding bit are all zeros or all ones, it can change neither the rounding nor a tie,
  // and is not needed (nearly always).
  if (((high + 1) & 0x1FF) <= 1) {
    const unsigned __int128 second = static_cast<unsigned __int128>(normalized) * power[1];
    const uint64_t carry = static_cast<uint64_t>(second >> 64);
    low += carry;
    high += low < carry;
  }

  const int upperBit = static_cast<int>(high >> 63);
  const int shift = upperBit + 9;  // leaves 54 bits: the significand and one rounding bit
  const uint64_t droppedMask = (uint64_t{1} << shift) - 1;
  const uint64_t dropped = high & droppedMask;
  // So close below the next rounding step that the error could reach it.
  if (dropped == droppedMask && low >= ~uint64_t{1}) return false;
  uint64_t significand = high >> shift;
  // The rare conditions first: the rounding bit is as good as random, and a branch on it alone
  // would be mispredicted on every other number.
  if (dropped == 0 && low <= 1 && (significand & 1)) {
    // At, or a hair above, halfway between two doubles. Only products of exact powers
    // (5^0..5^27 fit the high word) are known exactly; there a zero remainder is a true tie,
    // which rounds to even.
    if (q < 0 || q > 27) return false;
    if (low == 0 && !(significand & 2)) significand &= ~uint64_t{1};
  }
  significand += significand & 1;
  significand >>= 1;
  int biased = jrFloorLog2OfPowerOfTen(q) + 63 + upperBit - leadingZeros + 1023;
  if (significand >> 53) {  // rounding carried into a new binary digit
    significand >>= 1;
    ++biased;
  }
  if (biased <= 0 || biased >= 2047) return false;  // subnormal or out of range
  const uint64_t bits =
      (static_cast<uint64_t>(biased) << 52) | (significand & ((uint64_t{1} << 52) - 1));
  std::memcpy(out, &bits, 8);
  return true;
}

// w × 10^q (w < 2^64) correctly rounded; false when the caller must convert the text itself.
// The product comes first: it settles nearly every input in fewer steps than the division that
// the exact path takes for a fraction.
__attribute__((always_inline)) inline bool jrDecimalToDouble(uint64_t w, int q, double* out) {
  if (jrDecimalToDoubleByProduct(w, q, out)) return true;
  // Both operands exact in a double: one IEEE operation rounds once, correctly.
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (w <= (uint64_t{1} << 53) && q >= -22 && q <= 22) {
    const double d = static_cast<double>(w);
    *out = q >= 0 ? d * kExact[q] : d / kExact[-q];
    return true;
  }
  return jrDecimalToDoubleByProduct(w, q, out);
}

}  // namespace tessaly
