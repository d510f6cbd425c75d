// The compiler object: output buffer, error reporting, the compile sequence's
// reset and hand-over, and the header sections' bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "compiler_test_support.h"
#include "quorlinmemory.h"

using namespace quorlin;

using testsupport::CompileText;
using testsupport::LineMessage;
using testsupport::Script;

namespace {

const char* const TOO_LARGE = MessageText(CompilerMessage::ScriptTooLarge);

class OutputBuffer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pCompiler = std::make_unique<TextureScriptCompiler>();
        m_pCompiler->Reset("", testsupport::CollectMessage);
        testsupport::ClearMessages();
    }

    std::unique_ptr<TextureScriptCompiler> m_pCompiler;
};

TEST_F(OutputBuffer, AppendsAndFillsInByOffset)
{
    const std::uint8_t aData[] = {1, 2, 3, 4};
    ASSERT_TRUE(m_pCompiler->WriteBytes(aData, 4));
    ASSERT_TRUE(m_pCompiler->WriteBytes(aData, 2));
    EXPECT_EQ(m_pCompiler->GetWriteOffset(), 6u);

    const std::uint8_t aPatch[] = {9, 9};
    ASSERT_TRUE(m_pCompiler->WriteBytesAt(aPatch, 2, 1));
    EXPECT_EQ(m_pCompiler->GetWriteOffset(), 6u);
    const std::uint8_t aExpected[] = {1, 9, 9, 4, 1, 2};
    EXPECT_EQ(std::memcmp(m_pCompiler->GetBytecode(), aExpected, sizeof aExpected), 0);
    EXPECT_FALSE(m_pCompiler->HasError());
}

TEST_F(OutputBuffer, WriteEndingAtTheLastByteFits)
{
    std::vector<std::uint8_t> data(BYTECODE_BUFFER_SIZE - 1, 0xAB);
    ASSERT_TRUE(m_pCompiler->WriteBytes(data.data(), static_cast<std::uint32_t>(data.size())));
    const std::uint8_t nLast = 0xCD;
    EXPECT_TRUE(m_pCompiler->WriteBytes(&nLast, 1));
    EXPECT_EQ(m_pCompiler->GetWriteOffset(), BYTECODE_BUFFER_SIZE);
    EXPECT_TRUE(testsupport::Messages().empty());
    EXPECT_FALSE(m_pCompiler->HasError());
}

TEST_F(OutputBuffer, WriteBeyondTheEndReportsAndWritesNothing)
{
    std::vector<std::uint8_t> data(BYTECODE_BUFFER_SIZE - 2, 0);
    ASSERT_TRUE(m_pCompiler->WriteBytes(data.data(), static_cast<std::uint32_t>(data.size())));
    const std::uint8_t aThree[] = {7, 7, 7};
    EXPECT_FALSE(m_pCompiler->WriteBytes(aThree, 3));
    EXPECT_EQ(m_pCompiler->GetWriteOffset(), BYTECODE_BUFFER_SIZE - 2);
    EXPECT_EQ(m_pCompiler->GetBytecode()[BYTECODE_BUFFER_SIZE - 2], 0);
    EXPECT_TRUE(m_pCompiler->HasError());
    EXPECT_EQ(testsupport::Messages(), std::vector<std::string>{std::string("Line 0: ") + TOO_LARGE});

    // The position stayed, so a smaller write still fits.
    EXPECT_TRUE(m_pCompiler->WriteBytes(aThree, 2));
    EXPECT_EQ(m_pCompiler->GetWriteOffset(), BYTECODE_BUFFER_SIZE);
}

TEST_F(OutputBuffer, OffsetsNearTheTopOfTheRangeDoNotWrap)
{
    const std::uint8_t aData[] = {1, 2};
    EXPECT_FALSE(m_pCompiler->WriteBytesAt(aData, 2, 0xFFFFFFFFu));
    EXPECT_FALSE(m_pCompiler->WriteBytesAt(aData, 0xFFFFFFFFu, 2));
    EXPECT_EQ(testsupport::Messages().size(), 2u);
}

TEST_F(OutputBuffer, VersionAndConstantsAreLittleEndian)
{
    EXPECT_TRUE(m_pCompiler->WriteVersion());
    EXPECT_EQ(m_pCompiler->AddConstant(0.5f), SLOT_CONSTANT_FIRST);
    EXPECT_EQ(m_pCompiler->AddConstant(-2.0f), SLOT_CONSTANT_FIRST + 1);
    m_pCompiler->WriteConstants();
    const std::uint8_t aExpected[] = {1, 0, 2, 0, 0, 0, 0, 0, 0, 0x3F, 0, 0, 0, 0xC0};
    ASSERT_EQ(m_pCompiler->GetWriteOffset(), sizeof aExpected);
    EXPECT_EQ(std::memcmp(m_pCompiler->GetBytecode(), aExpected, sizeof aExpected), 0);
}

TEST(ReportError, NullCallbackStillFailsTheCompile)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    EXPECT_FALSE(pCompiler->Compile("Input UV;", nullptr, &pBuffer, &nSize));
    EXPECT_EQ(pBuffer, nullptr);
    EXPECT_TRUE(pCompiler->HasError());
}

TEST(ReportError, FormatsLineAndMessage)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("\n\n\nx", testsupport::CollectMessage);
    testsupport::ClearMessages();
    pCompiler->NextToken();
    pCompiler->ReportError(CompilerMessage::InvalidToken);
    EXPECT_EQ(testsupport::Messages(), std::vector<std::string>{LineMessage(3, CompilerMessage::InvalidToken)});
    EXPECT_TRUE(pCompiler->HasError());
}

TEST(Compile, HandsOverExactlyTheBytesWritten)
{
    const testsupport::ClassicResult result = CompileText(testsupport::WORKED_EXAMPLE_SCRIPT);
    ASSERT_TRUE(result.bOk) << ::testing::PrintToString(result.messages);
    EXPECT_EQ(result.bytes, testsupport::WORKED_EXAMPLE_BYTES);
}

TEST(Compile, SecondCompileSeesNothingOfTheFirst)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    const auto first = CompileText(*pCompiler, Script("Mat00 = p * 3;\n", "p q"));
    ASSERT_TRUE(first.bOk);
    // The second script declares no parameter and no constant of its own.
    const auto second = CompileText(*pCompiler, Script("Mat00 = p;\n"));
    EXPECT_FALSE(second.bOk);
    EXPECT_EQ(second.messages, (std::vector<std::string>{LineMessage(4, CompilerMessage::InvalidVariable),
                                                         LineMessage(4, CompilerMessage::ExpectedStatementSemicolon)}));
    const auto third = CompileText(*pCompiler, Script("Mat00 = 7;\n"));
    ASSERT_TRUE(third.bOk);
    EXPECT_EQ(pCompiler->GetNumConstants(), 1u);
    EXPECT_EQ(pCompiler->GetConstant(0), 7.0f);
    EXPECT_EQ(third.bytes, CompileText(Script("Mat00 = 7;\n")).bytes);
}

TEST(Compile, EmptyBodyGivesAFileWithoutCode)
{
    const auto result = CompileText(Script(""));
    ASSERT_TRUE(result.bOk);
    const std::vector<std::uint8_t> expected = {1, 0, 1, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(result.bytes, expected);
}

TEST(Compile, NothingAfterEndScriptIsRead)
{
    const auto result = CompileText(Script("Mat00 = 1;\n") + "this ( is ) never read 1.2.3 ;;");
    EXPECT_TRUE(result.bOk);
}

// Header sections write exactly their fields, right after the version.
class HeaderSection : public ::testing::Test {
protected:
    void Start(const std::string& text)
    {
        m_text = text;
        m_pCompiler = std::make_unique<TextureScriptCompiler>();
        m_pCompiler->Reset(m_text.c_str(), testsupport::CollectMessage);
        testsupport::ClearMessages();
        m_pCompiler->NextToken();
    }

    std::vector<std::uint8_t> Written() const
    {
        const std::uint8_t* pBytes = m_pCompiler->GetBytecode();
        return std::vector<std::uint8_t>(pBytes, pBytes + m_pCompiler->GetWriteOffset());
    }

    std::string m_text;
    std::unique_ptr<TextureScriptCompiler> m_pCompiler;
};

TEST_F(HeaderSection, ParameterBlockOfTwoNames)
{
    Start("UserParams Speed, Scale; Input");
    ASSERT_TRUE(m_pCompiler->ParseParamList());
    const std::vector<std::uint8_t> expected = {13, 0, 0, 0, 2, 'S', 'p', 'e', 'e', 'd', 0, 'S', 'c', 'a', 'l', 'e', 0};
    EXPECT_EQ(Written(), expected);
    EXPECT_EQ(m_pCompiler->GetToken(), TOKEN_INPUT);
}

TEST_F(HeaderSection, SixLongestNames)
{
    std::string text = "UserParams";
    for (char c = 'a'; c < 'a' + 6; ++c)
        text += " " + std::string(255, c);
    Start(text + ";");
    ASSERT_TRUE(m_pCompiler->ParseParamList());
    const std::vector<std::uint8_t> written = Written();
    ASSERT_EQ(written.size(), 4u + 1537u);
    EXPECT_EQ(DecodeU32(written.data()), 1537u);
    EXPECT_EQ(written[4], 6);
    EXPECT_EQ(written[5 + 255], 0);
    EXPECT_EQ(written[5 + 256], 'b');
}

TEST_F(HeaderSection, FailedSectionWritesNothingAndKeepsTheToken)
{
    Start("UserParams a,,b;");
    EXPECT_FALSE(m_pCompiler->ParseParamList());
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(m_pCompiler->GetToken(), TOKEN_COMMA);

    Start("Input UV Output");
    EXPECT_FALSE(m_pCompiler->ParseInputType());
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(m_pCompiler->GetToken(), TOKEN_OUTPUT);
}

TEST(UserParams, LookupIsCaseSensitive)
{
    auto pCompiler = std::make_unique<TextureScriptCompiler>();
    pCompiler->Reset("", nullptr);
    ASSERT_TRUE(pCompiler->AddUserParam("Speed"));
    ASSERT_TRUE(pCompiler->AddUserParam("speed"));
    std::uint32_t nIndex = 99;
    EXPECT_FALSE(pCompiler->FindUserParam("SPEED", nIndex));
    EXPECT_EQ(nIndex, 99u);
    ASSERT_TRUE(pCompiler->FindUserParam("speed", nIndex));
    EXPECT_EQ(nIndex, 1u);
}

} // namespace
