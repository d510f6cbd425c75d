// Decompiling what the end-to-end cases cannot show: literal text for every
// float, and files no compiler run produces, built here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decompiler.h"
#include "literaltext.h"
#include "numberliteral.h"
#include "texturescriptcompiler.h"
#include "tfsreader.h"

namespace {

using quorlin::LiteralText;

std::uint32_t Bits(float fValue)
{
    std::uint32_t nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    return nBits;
}

std::size_t SignificantDigits(const std::string& text)
{
    const std::size_t nFirst = text.find_first_not_of("0.");
    const std::size_t nLast = text.find_last_not_of("0.");
    std::size_t nDigits = 0;
    for (std::size_t i = nFirst; i != std::string::npos && i <= nLast; ++i)
        nDigits += text[i] != '.' ? 1 : 0;
    return nDigits;
}

// The shortest text that reads back as the float when read straight to
// float, in scientific notation; the compiler's rounding through double
// mostly agrees with it.
std::string ShortestFloatText(float fValue)
{
    char szText[64];
    const auto result = std::to_chars(szText, szText + sizeof szText, fValue, std::chars_format::scientific);
    return std::string(szText, result.ptr);
}

std::size_t MantissaDigits(const std::string& scientific)
{
    return SignificantDigits(scientific.substr(0, scientific.find('e')));
}

bool ReadsBackThroughDouble(const std::string& scientific, float fValue)
{
    return Bits(static_cast<float>(std::strtod(scientific.c_str(), nullptr))) == Bits(fValue);
}

TEST(LiteralText, EveryFiniteFloatComesBackBitForBitInTheFewestDigits)
{
    std::mt19937 random(2026);
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t nBits = random() & 0x7FFFFFFFu;
        float fValue = 0.0f;
        std::memcpy(&fValue, &nBits, sizeof fValue);
        if (std::isnan(fValue) || std::isinf(fValue))
            continue;
        const std::string text = LiteralText(fValue);
        ASSERT_EQ(text.find_first_not_of("0123456789."), std::string::npos) << text;
        ASSERT_LE(std::count(text.begin(), text.end(), '.'), 1) << text;
        ASSERT_EQ(Bits(quorlin::NumberValue(text)), nBits) << text;
        // More digits only where the shortest form does not survive.
        const std::string shortest = ShortestFloatText(fValue);
        if (ReadsBackThroughDouble(shortest, fValue))
            ASSERT_EQ(SignificantDigits(text), MantissaDigits(shortest)) << text << " vs " << shortest;
        else
            ASSERT_GT(SignificantDigits(text), MantissaDigits(shortest)) << text << " vs " << shortest;
    }
}

// Its shortest form, 7.038531e-26, lies so close to the midpoint between two
// floats that rounding it to double first lands on the midpoint, which then
// rounds to the other float.
TEST(LiteralText, AFloatWhoseShortestFormDoesNotSurviveGetsMoreDigits)
{
    const std::uint32_t nBits = 0x15AE43FDu;
    float fValue = 0.0f;
    std::memcpy(&fValue, &nBits, sizeof fValue);
    ASSERT_FALSE(ReadsBackThroughDouble(ShortestFloatText(fValue), fValue));
    EXPECT_EQ(LiteralText(fValue), "0.000000000000000000000000070385307");
}

TEST(LiteralText, ValuesALiteralCannotHoldKeepTheirValue)
{
    EXPECT_EQ(LiteralText(0.0f), "0");
    EXPECT_EQ(Bits(quorlin::NumberValue(LiteralText(HUGE_VALF))), Bits(HUGE_VALF));
    EXPECT_EQ(LiteralText(-2.5f), "-2.5");
    EXPECT_EQ(LiteralText(-0.0f), "-0");
    EXPECT_EQ(LiteralText(std::nanf("")), "(0 / 0)");
    EXPECT_EQ(LiteralText(1e-45f).substr(0, 4), "0.00");
}

// A compiled file laid out field by field.
struct FileBuilder {
    std::vector<std::string> m_params;
    std::uint32_t m_nFlags = 0;
    std::vector<float> m_constants;
    std::vector<std::uint8_t> m_code;

    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> bytes = {1, 0};
        std::uint32_t nBlock = 1;
        for (const std::string& name : m_params)
            nBlock += static_cast<std::uint32_t>(name.size() + 1);
        AddU32(bytes, nBlock);
        bytes.push_back(static_cast<std::uint8_t>(m_params.size()));
        for (const std::string& name : m_params)
            bytes.insert(bytes.end(), name.c_str(), name.c_str() + name.size() + 1);
        AddU32(bytes, quorlin::INPUT_UV);
        AddU32(bytes, quorlin::OUTPUT_TEXCOORD2);
        AddU32(bytes, m_nFlags);
        AddU32(bytes, static_cast<std::uint32_t>(m_constants.size()));
        for (const float fValue : m_constants)
            AddU32(bytes, Bits(fValue));
        AddU32(bytes, static_cast<std::uint32_t>(m_code.size()));
        bytes.insert(bytes.end(), m_code.begin(), m_code.end());
        return bytes;
    }

    static void AddU32(std::vector<std::uint8_t>& bytes, std::uint32_t nValue)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(nValue >> (8 * i)));
    }
};

quorlin::DecompiledScript Decompile(const FileBuilder& file)
{
    const std::vector<std::uint8_t> bytes = file.Bytes();
    auto pScript = std::make_unique<quorlin::CompiledScript>();
    quorlin::ReadError error;
    EXPECT_TRUE(quorlin::ReadCompiledScript(bytes.data(), bytes.size(), *pScript, error)) << error.m_szMessage;
    return quorlin::DecompileScript(bytes.data(), bytes.size(), *pScript, "test.tfs");
}

TEST(Decompiler, AFunctionSpeltLikeAParameterTakesAnotherCase)
{
    FileBuilder file;
    file.m_params = {"Sin", "sin"};
    file.m_nFlags = quorlin::USES_USER_PARAMS;
    file.m_code = {quorlin::TSOP_FUNCTION, quorlin::FUNC_SIN, 32, 1, quorlin::TSOP_ASSIGN, 1, 0, 16};
    const quorlin::DecompiledScript result = Decompile(file);
    EXPECT_TRUE(result.m_problems.empty()) << result.m_problems.front();
    EXPECT_NE(result.m_text.find("Mat00 = SIn(Sin);"), std::string::npos) << result.m_text;
}

TEST(Decompiler, AParameterHiddenByABuiltinNameIsReported)
{
    FileBuilder file;
    file.m_params = {"time"};
    file.m_nFlags = quorlin::USES_USER_PARAMS;
    file.m_code = {quorlin::TSOP_ASSIGN, 32, 0, 16};
    const quorlin::DecompiledScript result = Decompile(file);
    ASSERT_FALSE(result.m_problems.empty());
    EXPECT_NE(result.m_problems.back().find("assign Mat00"), std::string::npos) << result.m_problems.back();
}

// Code that reads one value many times would be written out once per read,
// doubling with every instruction; each value is written once instead.
TEST(Decompiler, ATemporaryReadTwiceDoesNotMultiplyTheText)
{
    FileBuilder file;
    file.m_nFlags = quorlin::USES_TIME;
    file.m_code = {quorlin::TSOP_NEGATE, 38, 0, 0};
    for (int i = 0; i < 1000; ++i)
        file.m_code.insert(file.m_code.end(), {quorlin::TSOP_ADD, 0, 0, 0});
    const quorlin::DecompiledScript result = Decompile(file);
    EXPECT_FALSE(result.m_problems.empty());
    EXPECT_LT(result.m_text.size(), 40000u);
}

} // namespace
