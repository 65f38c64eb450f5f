// ScanFormat and the number readers under it.
#include "model/scan_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace {

const char* const kMaterialFormat =
    "\"%s\" col(%f %f %f %f) dif(%f) amb(%f) emi(%f) spc(%f) power(%f) tex(\"%s\") aplane(\"%s\")";

struct MaterialFields {
    std::string name, tex, aplane;
    float r = -1, g = -1, b = -1, a = -1, dif = -1, amb = -1, emi = -1, spc = -1, power = -1;

    int scan(const std::string& line)
    {
        return ScanFormat(line, kMaterialFormat, &name, &r, &g, &b, &a, &dif, &amb, &emi, &spc, &power, &tex,
                          &aplane);
    }
};

TEST(ScanFormat, MaterialLineCountsConversionsUpToWhatItHolds)
{
    const std::string base =
        "\"mat\" col(1.000 0.500 0.250 0.800) dif(0.800) amb(0.600) emi(0.100) spc(0.200) power(5.00)";
    struct Case {
        std::string line;
        int count;
        std::string tex, aplane;
    };
    const Case cases[] = {
        {base, 10, "", ""},
        {base + " tex(\"a b.bmp\")", 11, "a b.bmp", ""},
        {base + " tex(\"t.bmp\") aplane(\"al.bmp\")", 12, "t.bmp", "al.bmp"},
        {"\"mat\" shader(3) col(1 1 1 1)", 1, "", ""},
        {"\"mat\"", 1, "", ""},
        {"mat", 0, "", ""},
    };
    for (const Case& c : cases) {
        MaterialFields m;
        EXPECT_EQ(m.scan(c.line), c.count) << c.line;
        EXPECT_EQ(m.tex, c.tex) << c.line;
        EXPECT_EQ(m.aplane, c.aplane) << c.line;
        if (c.count >= 10) {
            EXPECT_EQ(m.name, "mat");
            EXPECT_FLOAT_EQ(m.r, 1.0f);
            EXPECT_FLOAT_EQ(m.g, 0.5f);
            EXPECT_FLOAT_EQ(m.b, 0.25f);
            EXPECT_FLOAT_EQ(m.a, 0.8f);
            EXPECT_FLOAT_EQ(m.dif, 0.8f);
            EXPECT_FLOAT_EQ(m.amb, 0.6f);
            EXPECT_FLOAT_EQ(m.emi, 0.1f);
            EXPECT_FLOAT_EQ(m.spc, 0.2f);
            EXPECT_FLOAT_EQ(m.power, 5.0f);
        }
    }
}

TEST(ScanFormat, ChunkHeaders)
{
    int32_t n = -1;
    EXPECT_EQ(ScanFormat("Material 3 {", "Material %d {", &n), 1);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(ScanFormat("vertex 8{", "vertex %d {", &n), 1);
    EXPECT_EQ(n, 8);

    // "レンズ" in code page 932.
    const std::string lens = "\x83\x8C\x83\x93\x83\x59";
    std::string name = "old";
    EXPECT_EQ(ScanFormat("Object \"" + lens + "\" {", "Object \"%s\" {", &name), 1);
    EXPECT_EQ(name, lens);
    // Literals are case-sensitive: the scan stops before the string, which keeps its value.
    EXPECT_EQ(ScanFormat("OBJECT \"x\" {", "Object \"%s\" {", &name), 0);
    EXPECT_EQ(name, lens);
    // A string with nothing after it in the format runs to the end of the input.
    EXPECT_EQ(ScanFormat("Material  some name {", "Material %s", &name), 1);
    EXPECT_EQ(name, "some name {");
    // ... and one followed by a space stops at the next space.
    EXPECT_EQ(ScanFormat("Material   m1 {", "Material %s {", &name), 1);
    EXPECT_EQ(name, "m1");
    // The string is emptied even when nothing is copied.
    EXPECT_EQ(ScanFormat("\"\" x", "\"%s\"", &name), 1);
    EXPECT_EQ(name, "");
}

TEST(ScanFormat, FloatsAdvancePastSignAndExponent)
{
    struct Case {
        const char* line;
        const char* format;
        int count;
        float x, y, z;
    };
    const Case cases[] = {
        {"1e2 2 3", "%f %f %f", 3, 100, 2, 3},
        {"-9.60E-01;1.60E-01;2.5e+1;", "%f;%f;%f;", 3, -0.96f, 0.16f, 25},
        {"+1.5 +2 -3", "%f %f %f", 3, 1.5f, 2, -3},
        {".5 5. -.25", "%f %f %f", 3, 0.5f, 5, -0.25f},
        {"1.0 2.0 3.0", "%f %f %f", 3, 1, 2, 3},
        {"1.0\t2.0    3.0   ", "%f %f %f", 3, 1, 2, 3},
        {"1.0", "%f %f %f", 1, 1, 0, 0},     // the end of the input ends the scan
        {"1e 2 3", "%f %f %f", 3, 1, 0, 0},  // "e" without digits is not an exponent
        {"- 2 3", "%f %f %f", 3, 0, 2, 3},   // a lone sign reads 0 and is passed
        {"+", "%f %f %f", 1, 0, 0, 0},
        {"x 2 3", "%f %f %f", 3, 0, 0, 0},          // nothing readable: counted, stores 0
        {"1.5.5 7", "%f %f %f", 3, 1.5f, 0.5f, 7},  // one point per number
        {"1,2,3", "%f;%f;%f", 1, 1, 0, 0},          // literal mismatch stops
        {"-inf 2 3", "%f %f %f", 3, 0, 0, 0},       // no words: the sign reads 0, "inf" nothing
        {"5..5 7", "%f %f %f", 3, 5, 0.5f, 7},      // "5." then ".5"
        {"-.5e 2 3", "%f %f %f", 3, -0.5f, 0, 0},   // "e" without digits stops the next ones too
        {"1e+ 2 3", "%f %f %f", 3, 1, 0, 0},
        {"0x10 2 3", "%f %f %f", 3, 0, 0, 0},  // no hexadecimal floats: "0", then "x"
    };
    for (const Case& c : cases) {
        float x = 0, y = 0, z = 0;
        EXPECT_EQ(ScanFormat(c.line, c.format, &x, &y, &z), c.count) << c.line;
        EXPECT_FLOAT_EQ(x, c.x) << c.line;
        EXPECT_FLOAT_EQ(y, c.y) << c.line;
        EXPECT_FLOAT_EQ(z, c.z) << c.line;
    }
}

TEST(ScanFormat, IntegersHexAndUnknownConversions)
{
    int32_t a = -7, b = -7;
    EXPECT_EQ(ScanFormat("+12 -34", "%d %d", &a, &b), 2);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, -34);
    EXPECT_EQ(ScanFormat("99999999999 -99999999999", "%d %d", &a, &b), 2);
    EXPECT_EQ(a, INT32_MAX);
    EXPECT_EQ(b, INT32_MIN);
    EXPECT_EQ(ScanFormat("-2147483648", "%d", &a), 1);
    EXPECT_EQ(a, INT32_MIN);
    // %d stops at the point: the rest of "1.5" no longer matches the literal.
    EXPECT_EQ(ScanFormat("1.5;2", "%d;%d", &a, &b), 1);
    EXPECT_EQ(a, 1);

    uint32_t h = 0, k = 0;
    EXPECT_EQ(ScanFormat("ff 0x1A", "%x %X", &h, &k), 2);
    EXPECT_EQ(h, 0xFFu);
    EXPECT_EQ(k, 0x1Au);
    EXPECT_EQ(ScanFormat("123456789ab", "%x", &h), 1);
    EXPECT_EQ(h, 0xFFFFFFFFu);

    // An unknown letter reads nothing and takes its output slot.
    int32_t c = 0;
    EXPECT_EQ(ScanFormat("5 6", "%d %q %d", &a, nullptr, &c), 3);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(c, 6);

    EXPECT_EQ(ScanFormat("", "%d", &a), 0);
    EXPECT_EQ(ScanFormat("5", "", &a), 0);
    EXPECT_EQ(ScanFormat("5", "%", &a), 0);
}

TEST(ScanFormat, ExtremeFloats)
{
    float f = 0;
    EXPECT_EQ(ScanFormat("1e39", "%f", &f), 1);
    EXPECT_TRUE(std::isinf(f) && f > 0);
    EXPECT_EQ(ScanFormat("-1e999999999999", "%f", &f), 1);
    EXPECT_TRUE(std::isinf(f) && f < 0);
    EXPECT_EQ(ScanFormat("1e-999", "%f", &f), 1);
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(ScanFormat("0.000000000000000000000000000000000000000000000000001e-300", "%f", &f), 1);
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(ScanFormat("inf nan", "%f", &f), 1);
    EXPECT_EQ(f, 0.0f);
    const std::string longNumber = "1" + std::string(5000, '0');
    EXPECT_EQ(ScanFormat(longNumber, "%f", &f), 1);
    EXPECT_TRUE(std::isinf(f));
}

// The value of each number is what the C library's strtod gives for the same text.
TEST(ScanFormat, ValuesMatchTheCLibraryOnRandomNumbers)
{
    std::mt19937 rng(1234);
    const char digits[] = "0123456789";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (rng() % 3 == 0)
            text += (rng() % 2) ? '-' : '+';
        const int intDigits = static_cast<int>(rng() % 8);
        for (int k = 0; k < intDigits; ++k)
            text += digits[rng() % 10];
        if (rng() % 2 || intDigits == 0) {
            text += '.';
            const int fracDigits = 1 + static_cast<int>(rng() % 12);
            for (int k = 0; k < fracDigits; ++k)
                text += digits[rng() % 10];
        }
        if (rng() % 3 == 0) {
            text += 'e';
            text += std::to_string(static_cast<int>(rng() % 80) - 40);
        }
        std::size_t pos = 0;
        const double value = scanDouble(text, pos);
        EXPECT_EQ(pos, text.size()) << text;
        EXPECT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
        pos = 0;
        EXPECT_EQ(scanFloat(text, pos), static_cast<float>(std::strtod(text.c_str(), nullptr))) << text;
    }
}

TEST(ScanFormat, IgnoresTheProcessLocale)
{
    const char* const names[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252"};
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : names) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    }
    float x = 0, y = 0;
    const int count = ScanFormat("1.5 2,5", "%f %f", &x, &y);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(count, 2);
    EXPECT_FLOAT_EQ(x, 1.5f);
    EXPECT_FLOAT_EQ(y, 2.0f);
}

}  // namespace
