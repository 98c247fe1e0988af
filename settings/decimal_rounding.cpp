#include "settings/decimal_rounding.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

namespace {

// Unsigned integers up to 64 × 32 bits, enough for every value the
// converter builds: significands of 64 digits times powers of ten up to
// 10^390, shifted by at most 130 bits more.
constexpr int kWords = 64;

struct BigNum {
    uint32_t word[kWords];  // least significant first
    int size;               // words in use; word[size - 1] != 0 unless size == 0
};

// Powers of ten beyond these bounds are settled without exact arithmetic.
constexpr long kOverflowMagnitude = 310;    // value >= 10^309 > DBL_MAX
constexpr long kUnderflowMagnitude = -324;  // value < 10^-324, below half the least subnormal

void BigSet(BigNum* n, uint32_t value)
{
    memset(n->word, 0, sizeof n->word);
    n->word[0] = value;
    n->size = value != 0 ? 1 : 0;
}

void BigMulAdd(BigNum* n, uint32_t factor, uint32_t addend)
{
    uint64_t carry = addend;
    for (int i = 0; i < n->size; ++i) {
        const uint64_t product = static_cast<uint64_t>(n->word[i]) * factor + carry;
        n->word[i] = static_cast<uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0) {
        n->word[n->size++] = static_cast<uint32_t>(carry);
    }
}

void BigMulPow10(BigNum* n, long power)
{
    for (; power >= 9; power -= 9) {
        BigMulAdd(n, 1000000000u, 0);
    }
    for (; power > 0; --power) {
        BigMulAdd(n, 10u, 0);
    }
}

int BigBitLength(const BigNum* n)
{
    if (n->size == 0) {
        return 0;
    }
    int bits = (n->size - 1) * 32;
    for (uint32_t top = n->word[n->size - 1]; top != 0; top >>= 1) {
        ++bits;
    }
    return bits;
}

bool BigBit(const BigNum* n, int bit)
{
    return bit >= 0 && bit / 32 < n->size && ((n->word[bit / 32] >> (bit % 32)) & 1u) != 0;
}

void BigShiftLeft(BigNum* n, int bits)
{
    if (n->size == 0 || bits == 0) {
        return;
    }
    const int wordShift = bits / 32;
    const int bitShift = bits % 32;
    for (int i = n->size - 1 + wordShift + 1; i >= 0; --i) {
        const int source = i - wordShift;
        uint32_t high = source >= 0 && source < n->size ? n->word[source] : 0;
        uint32_t low = source - 1 >= 0 && source - 1 < n->size ? n->word[source - 1] : 0;
        n->word[i] = bitShift == 0 ? high : (high << bitShift) | (low >> (32 - bitShift));
    }
    n->size += wordShift + 1;
    while (n->size > 0 && n->word[n->size - 1] == 0) {
        --n->size;
    }
}

void BigShiftRightOne(BigNum* n)
{
    for (int i = 0; i < n->size; ++i) {
        const uint32_t next = i + 1 < n->size ? n->word[i + 1] : 0;
        n->word[i] = (n->word[i] >> 1) | (next << 31);
    }
    while (n->size > 0 && n->word[n->size - 1] == 0) {
        --n->size;
    }
}

int BigCompare(const BigNum* a, const BigNum* b)
{
    if (a->size != b->size) {
        return a->size < b->size ? -1 : 1;
    }
    for (int i = a->size - 1; i >= 0; --i) {
        if (a->word[i] != b->word[i]) {
            return a->word[i] < b->word[i] ? -1 : 1;
        }
    }
    return 0;
}

// a -= b, where a >= b.
void BigSubtract(BigNum* a, const BigNum* b)
{
    int64_t borrow = 0;
    for (int i = 0; i < a->size; ++i) {
        int64_t difference = static_cast<int64_t>(a->word[i]) - (i < b->size ? b->word[i] : 0) - borrow;
        borrow = difference < 0 ? 1 : 0;
        a->word[i] = static_cast<uint32_t>(difference + (borrow << 32));
    }
    while (a->size > 0 && a->word[a->size - 1] == 0) {
        --a->size;
    }
}

// The 64 bits below and including the top set bit of n; `rest` is set when
// any bit under them is set. n != 0.
uint64_t BigTop64(const BigNum* n, int* exponent, bool* rest)
{
    const int length = BigBitLength(n);
    uint64_t top = 0;
    for (int bit = length - 1; bit >= length - 64; --bit) {
        top = (top << 1) | (BigBit(n, bit) ? 1u : 0u);
    }
    *exponent = length - 64;
    for (int bit = length - 65; bit >= 0 && !*rest; --bit) {
        *rest = BigBit(n, bit);
    }
    return top;
}

// Rounds m × 2^exponent, m with its top bit set and `sticky` marking a
// non-zero remainder under m's last bit, to the nearest double.
bool RoundToDouble(uint64_t m, int exponent, bool sticky, double* result)
{
    const int lead = exponent + 63;  // binary exponent of m's top bit
    if (lead > 1023) {
        *result = HUGE_VAL;
        return false;
    }
    const int shift = lead >= -1022 ? 11 : 11 + (-1022 - lead);
    if (shift > 64) {
        *result = 0.0;
        return false;
    }
    const uint64_t kept = shift < 64 ? m >> shift : 0;
    const uint64_t dropped = shift < 64 ? m & ((uint64_t{1} << shift) - 1) : m;
    const uint64_t half = uint64_t{1} << (shift - 1);
    const bool up = dropped > half || (dropped == half && (sticky || (kept & 1u) != 0));
    *result = ldexp(static_cast<double>(kept + (up ? 1 : 0)), exponent + shift);
    return *result != 0.0 && !isinf(*result);
}

// digits × 10^exponent with exponent >= 0: an exact product.
bool ScaleUp(const BigNum* digits, long exponent, bool inexact, double* result)
{
    BigNum n = *digits;
    BigMulPow10(&n, exponent);
    int binaryExponent = 0;
    bool rest = inexact;
    const uint64_t top = BigTop64(&n, &binaryExponent, &rest);
    return RoundToDouble(top, binaryExponent, rest, result);
}

// digits / 10^-exponent with exponent < 0: a quotient of at least 64 bits
// and the remainder's sign.
bool ScaleDown(const BigNum* digits, long exponent, bool inexact, double* result)
{
    BigNum divisor;
    BigSet(&divisor, 1);
    BigMulPow10(&divisor, -exponent);
    BigNum dividend = *digits;
    const int shift = 64 + BigBitLength(&divisor) - BigBitLength(digits);
    if (shift > 0) {
        BigShiftLeft(&dividend, shift);
    } else {
        BigShiftLeft(&divisor, -shift);
    }
    // The quotient lies in (2^63, 2^65): find its bits from 64 down.
    BigShiftLeft(&divisor, 64);
    unsigned __int128 quotient = 0;
    for (int bit = 64; bit >= 0; --bit) {
        if (BigCompare(&dividend, &divisor) >= 0) {
            BigSubtract(&dividend, &divisor);
            quotient |= static_cast<unsigned __int128>(1) << bit;
        }
        BigShiftRightOne(&divisor);
    }
    bool sticky = inexact || dividend.size != 0;
    int binaryExponent = -shift;
    if ((quotient >> 64) != 0) {
        sticky = sticky || (quotient & 1u) != 0;
        quotient >>= 1;
        ++binaryExponent;
    }
    return RoundToDouble(static_cast<uint64_t>(quotient), binaryExponent, sticky, result);
}

}  // namespace

bool DecimalToDouble(const unsigned char* digits, size_t count, long exponent, bool inexact, double* result)
{
    if (count == 0) {
        *result = 0.0;
        return true;
    }
    const long magnitude = static_cast<long>(count) + exponent;  // value < 10^magnitude
    if (magnitude > kOverflowMagnitude) {
        *result = HUGE_VAL;
        return false;
    }
    if (magnitude < kUnderflowMagnitude) {
        *result = 0.0;
        return false;
    }
    BigNum n;
    BigSet(&n, 0);
    for (size_t i = 0; i < count; ++i) {
        BigMulAdd(&n, 10u, digits[i]);
    }
    return exponent >= 0 ? ScaleUp(&n, exponent, inexact, result) : ScaleDown(&n, exponent, inexact, result);
}
