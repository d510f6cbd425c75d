// The compiler's name lookups as its interface offers them, apart from the
// parser: a variable's slot, a function's index, and a node made alone.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "compiler_test_support.h"
#include "languagenames.h"
#include "quorlinmemory.h"

using namespace quorlin;

namespace {

class NameLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pCompiler = std::make_unique<TextureScriptCompiler>();
        m_pCompiler->Reset("", testsupport::CollectMessage);
        testsupport::ClearMessages();
        ASSERT_TRUE(m_pCompiler->AddUserParam("Speed"));
    }

    std::unique_ptr<TextureScriptCompiler> m_pCompiler;
};

TEST_F(NameLookup, VariablesHaveTheirSlots)
{
    struct Variable {
        const char* pszName;
        std::uint32_t nSlot;
    };
    const Variable variables[] = {
        {"Mat00", SLOT_MATRIX_FIRST},
        {"mat32", SLOT_MATRIX_FIRST + MATRIX_DIMENSION * 3 + 2},
        {"Speed", SLOT_USER_PARAM_FIRST},
    };
    for (const Variable& variable : variables) {
        std::uint32_t nSlot = 0;
        EXPECT_TRUE(m_pCompiler->LookupVariable(variable.pszName, nSlot)) << variable.pszName;
        EXPECT_EQ(nSlot, variable.nSlot) << variable.pszName;
    }
    for (const NamedValue& value : BUILTIN_VALUES) {
        std::uint32_t nSlot = 0;
        EXPECT_TRUE(m_pCompiler->LookupVariable(std::string(value.name).c_str(), nSlot));
        EXPECT_EQ(nSlot, value.nValue) << value.name;
    }
    EXPECT_TRUE(testsupport::Messages().empty());
}

TEST_F(NameLookup, OtherNamesAreNoVariablesAndAMatrixIndexOutOfRangeIsReported)
{
    for (const char* pszName : {"speed", "Sin", "Foo", "Mat44"}) {
        std::uint32_t nSlot = 0;
        EXPECT_FALSE(m_pCompiler->LookupVariable(pszName, nSlot)) << pszName;
    }
    EXPECT_EQ(testsupport::Messages(),
              std::vector<std::string>{testsupport::LineMessage(0, CompilerMessage::InvalidMatrixIndex)});
}

TEST(FunctionLookup, FunctionsHaveTheirIndexesWhateverTheirCase)
{
    for (const NamedValue& function : FUNCTIONS) {
        std::string name(function.name);
        std::uint32_t nIndex = 0;
        EXPECT_TRUE(TextureScriptCompiler::LookupFunction(name.c_str(), nIndex));
        EXPECT_EQ(nIndex, function.nValue);
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(TextureScriptCompiler::LookupFunction(name.c_str(), nIndex)) << name;
    }
    std::uint32_t nIndex = 0;
    EXPECT_FALSE(TextureScriptCompiler::LookupFunction("Time", nIndex));
    EXPECT_FALSE(TextureScriptCompiler::LookupFunction("Sinus", nIndex));
}

TEST(LoneNode, AnAllocationThatFailsMakesNoNode)
{
    SetAllocationFailure(1);
    ExprNode* pNode = NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_TIME);
    SetAllocationFailure(0);
    EXPECT_EQ(pNode, nullptr);
    pNode = NewNode(COMPOP_VAR, nullptr, nullptr, SLOT_TIME);
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->m_nValue, SLOT_TIME);
    DeleteNode(pNode);
}

TEST(LoneNode, AnEmptyRequestStillGivesABlock)
{
    void* pBlock = AllocateMemory(0);
    EXPECT_NE(pBlock, nullptr);
    ReleaseMemory(pBlock);
}

} // namespace
