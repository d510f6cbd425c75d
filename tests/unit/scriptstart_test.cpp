// The rule that tells a script among text files by its first word.
#include <gtest/gtest.h>

#include <string>

#include "quorlin/quorlin.h"

namespace quorlin {
namespace {

const char* const SECTION_KEYWORDS[] = {"UserParams", "Input", "Output", "BeginScript", "EndScript"};
const char* const LEADS[] = {"", "\n\n", "  \t\r\n", "# a comment\n", "# one\n\n   # two\r\n\t"};

TEST(StartsLikeScript, AnySectionKeywordAfterCommentsAndBlankLines)
{
    for (const char* pszLead : LEADS)
        for (const char* pszKeyword : SECTION_KEYWORDS)
            EXPECT_TRUE(StartsLikeScript(std::string(pszLead) + pszKeyword + " UV;\n")) << pszLead << pszKeyword;
}

TEST(StartsLikeScript, KeywordsWithoutCaseAsTheCompilerReadsThem)
{
    EXPECT_TRUE(StartsLikeScript("userparams Speed;"));
    EXPECT_TRUE(StartsLikeScript("BEGINSCRIPT"));
}

TEST(StartsLikeScript, AnyOtherFirstWordIsNoScript)
{
    for (const char* pszText : {"", "# only a comment\n", "Shopping: milk", "UserParamsX Speed;", "Mat30 = 1;",
                                "\xEF\xBB\xBFUserParams Speed;", "Sin(Input)", "#UserParams\nnotes"})
        EXPECT_FALSE(StartsLikeScript(pszText)) << pszText;
}

} // namespace
} // namespace quorlin
