// The decompiler's and the formatter's properties (fuzz/scriptroundtrip.h)
// over every script the end-to-end cases, the examples and the fuzz seeds
// hold, and over generated scripts that reach what those do not: nested
// assignments, statements that emit no code, and awkward constants.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formatfrontends.h"
#include "scriptroundtrip.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CorpusScripts()
{
    std::vector<std::string> scripts;
    for (const char* pszFolder : {QUORLIN_EXTRACTED_SCRIPTS, QUORLIN_SEED_SCRIPTS}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(pszFolder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            scripts.push_back(text.str());
        }
    }
    return scripts;
}

const std::vector<std::string>& Corpus()
{
    static const std::vector<std::string> scripts = CorpusScripts();
    return scripts;
}

TEST(ScriptCorpus, EveryScriptThatCompilesDecompilesToTheSameBytes)
{
    ASSERT_GT(Corpus().size(), 150u) << "the corpus was not extracted";
    for (const std::string& script : Corpus())
        EXPECT_EQ(quorlin::CheckDecompiling(script), "") << script;
}

TEST(ScriptCorpus, FormattingKeepsEveryScriptAndIsIdempotent)
{
    for (const std::string& script : Corpus())
        EXPECT_EQ(quorlin::CheckFormatting(script), "") << script;
}

TEST(ScriptCorpus, QuorlinFormatAndTheServerFormatOnlyWhatParses)
{
    for (const std::string& script : Corpus())
        EXPECT_EQ(quorlin::CheckFormattingFrontEnds(script), "") << script;
}

// Random scripts from the grammar, shallow enough to fit the temporaries.
class ScriptGenerator {
public:
    explicit ScriptGenerator(std::uint32_t nSeed) : m_random(nSeed) {}

    std::string Script()
    {
        std::string text = Pick({"UserParams;", "UserParams Speed, sin;", "UserParams a b, MatX, Time c;"});
        text += Pick({"\ninput uv;", "\nInput WSPos;"}) + "\nOutput TexCoord3;\nBeginScript\n";
        const std::size_t nStatements = Below(8);
        for (std::size_t i = 0; i < nStatements; ++i)
            text += Statement() + ";\n";
        return text + "EndScript\n";
    }

private:
    std::string Statement()
    {
        switch (Below(6)) {
        case 0: return Operand();                                            // emits no code
        case 1: return Expression(3);                                        // an expression statement
        case 2: return Expression(2) + " * (Mat01 = " + Expression(2) + ")"; // assignment inside
        case 3: return "Sin(Mat02 = " + Expression(2) + ")";
        default: return Target() + " = " + Expression(3);
        }
    }

    std::string Expression(int nDepth)
    {
        if (nDepth == 0 || Below(3) == 0)
            return Operand();
        switch (Below(5)) {
        case 0: return "-" + Expression(nDepth - 1);
        case 1: return Pick({"Sin", "sqrsin", "DEGTORAD"}) + "(" + Expression(nDepth - 1) + ")";
        case 2: return "(" + Expression(nDepth - 1) + ")";
        default:
            return Expression(nDepth - 1) + Pick({" + ", " - ", " * ", " / ", " % ", " < ", " > "}) +
                   Expression(nDepth - 1);
        }
    }

    std::string Operand()
    {
        return Pick({"Time",
                     "elapsed",
                     "LevelOffsetZ",
                     "Mat13",
                     "Speed",
                     "sin",
                     "a",
                     "c",
                     "0",
                     "1",
                     "0.1",
                     "2.5",
                     "16777217",
                     "0.000000000000000000000000000000000000000000001",
                     "340282356779733661637539395458142568448",
                     "1000000000000000000000000000000000000000",
                     "3.4028235e38",
                     "7.",
                     "1.2.3",
                     "0.30000001"});
    }

    std::string Target() { return Pick({"Mat00", "Mat33", "Time", "LevelOffsetX", "Speed", "sin"}); }

    std::string Pick(std::initializer_list<const char*> choices) { return *(choices.begin() + Below(choices.size())); }

    std::size_t Below(std::size_t nLimit)
    {
        return std::uniform_int_distribution<std::size_t>(0, nLimit - 1)(m_random);
    }

    std::mt19937 m_random;
};

TEST(GeneratedScripts, DecompileAndFormatFaithfully)
{
    ScriptGenerator generator(16);
    for (int i = 0; i < 5000; ++i) {
        const std::string script = generator.Script();
        ASSERT_EQ(quorlin::CheckDecompiling(script), "") << script;
        ASSERT_EQ(quorlin::CheckFormatting(script), "") << script;
    }
}

} // namespace
