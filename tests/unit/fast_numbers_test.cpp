// scanPlainFloat against scanFloat: the short path must read every number it takes exactly as
// the general reading does, and leave every other form to it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include "model/fast_numbers.h"
#include "model/scan_format.h"

namespace {

void expectSameReading(const std::string& text)
{
    std::size_t generalPos = 0;
    const float general = scanFloat(text, generalPos);
    std::size_t pos = 0;
    float value = 0.0f;
    if (scanPlainFloat(text, pos, value)) {
        EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(general)) << text;
        EXPECT_EQ(pos, generalPos) << text;
    } else {
        EXPECT_EQ(pos, 0u) << text;
    }
    std::size_t fastPos = 0;
    EXPECT_EQ(std::bit_cast<uint32_t>(scanFloatFast(text, fastPos)), std::bit_cast<uint32_t>(general))
        << text;
    EXPECT_EQ(fastPos, generalPos) << text;
}

}  // namespace

TEST(FastNumbers, ReadsRandomDecimalsAsScanFloatDoes)
{
    std::mt19937 random(12345);
    for (int n = 0; n < 200000; ++n) {
        std::string text = random() % 2 == 0 ? "-" : "";
        const int whole = 1 + static_cast<int>(random() % 9);
        const int fraction = static_cast<int>(random() % 12);
        for (int k = 0; k < whole; ++k)
            text += static_cast<char>('0' + random() % 10);
        if (fraction > 0)
            text += '.';
        for (int k = 0; k < fraction; ++k)
            text += static_cast<char>('0' + random() % 10);
        text += random() % 2 == 0 ? " 1" : ")";
        expectSameReading(text);
    }
}

// Digit strings on both sides of the largest whole number exact as a float (2^24 = 16777216),
// with the point at every place and up to eleven places after it: the short path multiplies on
// one side and divides on the other.
TEST(FastNumbers, ReadsDecimalsAroundTheShortPathsLimitsAsScanFloatDoes)
{
    for (uint64_t digits = 16777216 - 500; digits <= 16777216 + 500; ++digits) {
        for (const uint64_t scaled : {digits, digits * 10000 + 1}) {
            const std::string run = std::to_string(scaled);
            for (std::size_t point = 1; point < run.size(); ++point) {
                const std::string text = run.substr(0, point) + "." + run.substr(point);
                expectSameReading(text);
                expectSameReading("-" + text);
                expectSameReading("0." + std::string(run.size() - point, '0') + run);
            }
        }
    }
}

TEST(FastNumbers, LeavesOtherFormsToScanFloat)
{
    for (const char* text :
         {"1e5", "1.5E-3 2", "+1.5", ".5", "1.", "-.5", "-", "", " 1.5", "1234567890.1234567",
          "0.00000000000000000001", "-0", "-0.0000", "3.4028236e38", "0x1p3", "7.000001)"})
        expectSameReading(text);
}

TEST(FastNumbers, ReadsWholeNumbersAsScanIntDoes)
{
    for (const char* text :
         {"0", "7)", "123456789 2", "1234567890", "99999999999", "-5", "+5", " 5", "007", "", "x"}) {
        std::size_t generalPos = 0;
        const int32_t general = scanInt(text, generalPos);
        std::size_t pos = 0;
        EXPECT_EQ(scanIntFast(text, pos), general) << text;
        EXPECT_EQ(pos, generalPos) << text;
    }
}
