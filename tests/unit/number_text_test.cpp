// The settings conversions on raw text: base-16 integers and decimal floats,
// table-driven on the edge cases, and a seeded differential run against the
// C runtime's strtol / strtod where their grammar and ours agree.
#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A settings value is taken only when the whole text converts.
bool AcceptHex(const std::string& text, int32_t* value)
{
    size_t consumed = 0;
    return ConvertHex32(text.c_str(), value, &consumed) && consumed == text.size();
}

bool AcceptDecimal(const std::string& text, double* value)
{
    size_t consumed = 0;
    return ConvertDecimal(text.c_str(), value, &consumed) && consumed == text.size();
}

struct HexCase {
    const char* text;
    bool accepted;
    int32_t value;
};

const HexCase kHexCases[] = {
    {"35", true, 0x35},
    {"0x1", true, 1},
    {"01", true, 1},
    {"1", true, 1},
    {"10", true, 16},
    {"0X1f", true, 0x1F},
    {"1abc", true, 0x1ABC},
    {"1ABC", true, 0x1ABC},
    {"+7", true, 7},
    {"-0x10", true, -16},
    {" \t23", true, 0x23},
    {"7FFFFFFF", true, INT32_MAX},
    {"-80000000", true, INT32_MIN},
    {"000000000000000000000000000023", true, 0x23},
    {"80000000", false, 0},
    {"FFFFFFFF", false, 0},
    {"-80000001", false, 0},
    {"100000000", false, 0},
    {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", false, 0},
    {"true", false, 0},
    {"", false, 0},
    {"   ", false, 0},
    {"1 ;note", false, 0},
    {"1;note", false, 0},
    {"12g", false, 0},
    {"1 ", false, 0},
    {"0x", false, 0},
    {"0xg", false, 0},
    {"0x-1", false, 0},
    {"-", false, 0},
    {"+", false, 0},
    {"--1", false, 0},
    {"x1", false, 0},
};

struct DecimalCase {
    const char* text;
    bool accepted;
    double value;
};

const DecimalCase kDecimalCases[] = {
    {"-0.25", true, -0.25},
    {"2", true, 2.0},
    {"2.", true, 2.0},
    {".5", true, 0.5},
    {"+.5", true, 0.5},
    {"  1.25", true, 1.25},
    {"1.5d2", true, 150.0},
    {"1.5D2", true, 150.0},
    {"1.5e2", true, 150.0},
    {"1.5E+2", true, 150.0},
    {"25e-2", true, 0.25},
    {"25d-2", true, 0.25},
    {"0.1", true, 0.1},
    {"3.14159265358979323846264338", true, 3.14159265358979323846264338},
    {"123456789012345678901234567890", true, 123456789012345678901234567890.0},
    {"9007199254740993", true, 9007199254740992.0},  // halfway: ties to even
    {"9007199254740995", true, 9007199254740996.0},
    {"2.2250738585072011e-308", true, 2.2250738585072011e-308},
    {"2.2250738585072014e-308", true, 2.2250738585072014e-308},
    {"4.9406564584124654e-324", true, 4.9406564584124654e-324},
    {"2.4703282292062328e-324", true, 4.9406564584124654e-324},
    {"1.7976931348623157e308", true, 1.7976931348623157e308},
    {"1e39", true, 1e39},
    {"1e-50", true, 1e-50},
    {"0.000", true, 0.0},
    {"0e999999", true, 0.0},
    {"1e400", false, 0},
    {"1.7976931348623159e308", false, 0},
    {"1e-400", false, 0},
    {"2.4703282292062327e-324", false, 0},
    {"abc", false, 0},
    {"", false, 0},
    {".", false, 0},
    {"-", false, 0},
    {"e5", false, 0},
    {"1e", false, 0},
    {"1e+", false, 0},
    {"1d", false, 0},
    {"1.5 ", false, 0},
    {"1.5 ;note", false, 0},
    {"1,5", false, 0},
    {"inf", false, 0},
    {"infinity", false, 0},
    {"-INF", false, 0},
    {"nan", false, 0},
    {".e1", false, 0},
    {"0x1p3", false, 0},
    {"1.2.3", false, 0},
};

template <typename Value, typename Case, size_t N>
void ExpectTable(const Case (&cases)[N], bool (*accept)(const std::string&, Value*))
{
    for (const Case& c : cases) {
        Value value = 123;
        EXPECT_EQ(accept(c.text, &value), c.accepted) << '"' << c.text << '"';
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

}  // namespace

TEST(ConvertHex32, EdgeCases)
{
    ExpectTable(kHexCases, AcceptHex);
}

TEST(ConvertHex32, CountsWhatItConsumed)
{
    int32_t value = 0;
    size_t consumed = 99;
    EXPECT_TRUE(ConvertHex32(" -0x1F;x", &value, &consumed));
    EXPECT_EQ(consumed, 6u);
    EXPECT_EQ(value, -31);
    EXPECT_TRUE(ConvertHex32("0x", &value, &consumed)) << "the 0 converts, the x is left over";
    EXPECT_EQ(consumed, 1u);
    EXPECT_FALSE(ConvertHex32("  +", &value, &consumed));
    EXPECT_EQ(consumed, 0u);
}

TEST(ConvertDecimal, EdgeCases)
{
    ExpectTable(kDecimalCases, AcceptDecimal);
}

TEST(ConvertDecimal, SignsOfZeroAndRangeResults)
{
    double value = 1.0;
    size_t consumed = 0;
    EXPECT_TRUE(ConvertDecimal("-0", &value, &consumed));
    EXPECT_TRUE(value == 0.0 && signbit(value));
    EXPECT_FALSE(ConvertDecimal("-1e400", &value, &consumed));
    EXPECT_TRUE(isinf(value) && value < 0);
    EXPECT_EQ(consumed, 6u);
    EXPECT_FALSE(ConvertDecimal("1e-400", &value, &consumed));
    EXPECT_EQ(value, 0.0);
    // Past the float range but inside the double range: an infinite float.
    EXPECT_TRUE(ConvertDecimal("1e39", &value, &consumed));
    EXPECT_TRUE(isinf(static_cast<float>(value)));
    EXPECT_TRUE(ConvertDecimal("1.5e2x", &value, &consumed));
    EXPECT_EQ(consumed, 5u);
    EXPECT_TRUE(ConvertDecimal("1ex", &value, &consumed)) << "an exponent letter without digits is left over";
    EXPECT_EQ(consumed, 1u);
}

namespace {

std::string RandomText(std::mt19937* random, const std::vector<const char*>& pieces)
{
    std::string text;
    const int length = std::uniform_int_distribution<int>(0, 8)(*random);
    for (int i = 0; i < length; ++i) {
        text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(*random)];
    }
    return text.substr(0, 31);  // the profile reader returns at most 31 characters
}

// Runs many random texts through `accept` and through the runtime's
// conversion `strto`; texts where the runtime's rule is not ours are skipped
// by `comparable`. Returns how many texts both accepted.
template <typename Value, typename RuntimeConversion, typename Comparable>
int CompareWithRuntime(const std::vector<const char*>& pieces, unsigned seed,
                       bool (*accept)(const std::string&, Value*), RuntimeConversion strto, Comparable comparable)
{
    std::mt19937 random(seed);
    int accepted = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string text = RandomText(&random, pieces);
        char* end = nullptr;
        errno = 0;
        const auto expected = strto(text.c_str(), &end);
        if (!comparable(expected)) {
            continue;
        }
        const bool expectAccepted = end != text.c_str() && errno != ERANGE && *end == '\0';
        Value value = 0;
        EXPECT_EQ(accept(text, &value), expectAccepted) << '"' << text << '"';
        if (expectAccepted) {
            EXPECT_EQ(value, expected) << '"' << text << '"';
            EXPECT_EQ(signbit(static_cast<double>(value)), signbit(static_cast<double>(expected))) << text;
            ++accepted;
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    return accepted;
}

}  // namespace

TEST(ConvertHex32, AgreesWithStrtol)
{
    const std::vector<const char*> pieces = {"0", "1", "7", "9",  "a", "F", "f",        "x",        "0x",   "0X",
                                             "+", "-", " ", "\t", "g", ";", "80000000", "7FFFFFFF", "FFFF", "00000"};
    const int accepted = CompareWithRuntime(
        pieces, 20261208, AcceptHex, [](const char* text, char** end) { return strtol(text, end, 16); },
        [](long) { return true; });
    EXPECT_GT(accepted, 10000) << "the generator must reach valid numbers";
}

TEST(ConvertDecimal, AgreesWithStrtod)
{
    // No d/D exponents, hexadecimal floats, inf or nan, and no subnormal
    // results (this runtime calls them a range error, we take them): there
    // the runtime's rule is not ours.
    const std::vector<const char*> pieces = {
        "0", "1",   "2",    "5",   "9",   "3141592653589793", "000", ".", "e", "E", "+", "-", " ",
        "a", "e-3", "E+22", "e30", "0.1", "99999999999999999"};
    const int accepted = CompareWithRuntime(
        pieces, 8122026, AcceptDecimal, [](const char* text, char** end) { return strtod(text, end); },
        [](double value) { return !(errno == ERANGE && value != 0.0 && fabs(value) < DBL_MIN); });
    EXPECT_GT(accepted, 10000) << "the generator must reach valid numbers";
}
