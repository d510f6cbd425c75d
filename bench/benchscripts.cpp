#include "benchscripts.h"

#include <cstdio>
#include <cstdlib>

#include "quorlinmemory.h"
#include "texturescriptcompiler.h"
#include "workedexample.h"

namespace quorlin::benchscripts {

namespace {

const char* const EXAMPLE_HEADER = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
const char* const END_SCRIPT = "EndScript\n";

// Six names whose bytes with their NULs add up to 1 modulo 4, so that the
// header and constant table leave a multiple of 4 bytes for code.
const char* const FULL_HEADER =
    "UserParams Speed, Scale, Phase, Amp, OffsetU, Wobble;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";

// Statements as a script author writes them; repeated, they use eight
// distinct constants and every operator and function.
const char* const STATEMENT_BLOCK = "# Rotation about the texture centre, scaled and wobbling with time.\n"
                                    "Mat00 = Cos(Time * Speed) * Scale;\n"
                                    "Mat01 = -Sin(Time * Speed + Phase) * Amp;\n"
                                    "Mat10 = Sin(Time * Speed + Phase) * Amp;\n"
                                    "Mat11 = Cos(Time * Speed) * Scale;\n"
                                    "Mat30 = (Elapsed * 0.25 + OffsetU) % 1;\n"
                                    "Mat31 = SqrSin(DegToRad(Time * 45)) * Wobble - 0.5;\n"
                                    "Mat32 = LevelOffsetX / 2 < 1 > 0;\n"
                                    "Mat33 = SqrCos(Tan(Elapsed / 3.5)) + LevelOffsetY - LevelOffsetZ;\n";

// One instruction (an assignment) each.
const char* const PADDING_STATEMENT = "Mat02 = Mat03;\n";

// Lines of the filler between the statements of the comment-heavy script.
const char* const FILLER_LINES[] = {
    "# ------------------------------------------------------------------------\n",
    "# Scroll the texture along U with time; the speed is a user parameter and\n",
    "# the phase keeps neighbouring surfaces from moving in step.\n",
    "\n",
    "    # Row 3 holds the translation of the texture matrix.\n",
    "\t# Values are in texture units: 1 is the whole texture.\n",
    "        \n",
    "#\n",
    "# Tuned by hand for the water surfaces of level 3 (see the level notes).\n",
    "\n",
    "\t\t\n",
    "      # Keep the wobble below 0.1 or the seams show.\n",
    "\n",
};

const char* const SPREAD_STATEMENTS[] = {
    "Mat30 = Time * 0.5;\n",
    "Mat31 = -Sin(Speed);\n",
    "Mat00 = Cos(Time) * Speed;   # scale with the speed\n",
    "    Mat11 = Mat00;\n",
};

const char* const MATRIX_NAMES[] = {
    "Mat00", "Mat01", "Mat02", "Mat03", "Mat10", "Mat11", "Mat12", "Mat13",
    "Mat20", "Mat21", "Mat22", "Mat23", "Mat30", "Mat31", "Mat32", "Mat33",
};

constexpr std::size_t TERMS_PER_LINE = 10;

const char* const MIXED_OPERANDS[] = {"Time",  "Elapsed", "Speed", "Scale", "Phase", "Amp",         "OffsetU", "Wobble",
                                      "Mat00", "Mat12",   "Mat23", "0.5",   "2",     "0.25",        "3.75",    "10",
                                      "1.5",   "100",     "0.125", "7",     "Mat31", "LevelOffsetX"};
const char* const MIXED_OPERATORS[] = {" + ", " - ", " * ", " / ", " % ", " < ", " > "};
const char* const MIXED_FUNCTIONS[] = {"Sin", "Cos", "Tan", "SqrSin", "SqrCos", "DegToRad"};

// A fixed pseudo-random sequence (a linear congruential generator), so that
// every run and every machine compiles the same script.
class ScriptRandom {
public:
    std::size_t Below(std::size_t nLimit)
    {
        m_nState = m_nState * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(m_nState >> 33) % nLimit;
    }

private:
    std::uint64_t m_nState = 20261209;
};

std::string MixedExpression(ScriptRandom& random, std::size_t nDepth)
{
    const std::size_t nChoice = nDepth == 0 ? 0 : random.Below(6);
    if (nChoice <= 1)
        return MIXED_OPERANDS[random.Below(std::size(MIXED_OPERANDS))];
    if (nChoice == 2)
        return std::string(MIXED_FUNCTIONS[random.Below(std::size(MIXED_FUNCTIONS))]) + "(" +
               MixedExpression(random, nDepth - 1) + ")";
    if (nChoice == 3)
        return "-" + MixedExpression(random, 0);
    if (nChoice == 4)
        return "(" + MixedExpression(random, nDepth - 1) + ")";
    return MixedExpression(random, nDepth - 1) + MIXED_OPERATORS[random.Below(std::size(MIXED_OPERATORS))] +
           MixedExpression(random, nDepth - 1);
}

// Bytes of the compiled file, or 0 when the compile fails.
std::uint32_t CompiledSize(const std::string& text)
{
    static TextureScriptCompiler compiler;
    std::uint8_t* pBuffer = nullptr;
    std::uint32_t nSize = 0;
    if (!compiler.Compile(text.c_str(), nullptr, &pBuffer, &nSize))
        return 0;
    ReleaseMemory(pBuffer);
    return nSize;
}

[[noreturn]] void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "benchmark script generator: %s\n", pszWhat);
    std::abort();
}

// Appends exactly nBytes of comments and white space, ending with a newline.
void AppendFiller(std::string& text, std::size_t nBytes)
{
    std::size_t nLine = 0;
    const std::size_t nEnd = text.size() + nBytes;
    for (;;) {
        const std::string line = FILLER_LINES[nLine++ % std::size(FILLER_LINES)];
        if (text.size() + line.size() >= nEnd)
            break;
        text += line;
    }
    const std::size_t nRest = nEnd - text.size();
    if (nRest > 0) {
        text.append(nRest - 1, ' ');
        text += '\n';
    }
}

} // namespace

std::string WorkedExample() { return fixtures::WORKED_EXAMPLE_SCRIPT; }

std::string LargestFittingScript()
{
    std::string body;
    std::string text = std::string(FULL_HEADER) + END_SCRIPT;
    for (;;) {
        const std::string longer = std::string(FULL_HEADER) + body + STATEMENT_BLOCK + END_SCRIPT;
        const std::uint32_t nSize = CompiledSize(longer);
        if (nSize == 0)
            break;
        body += STATEMENT_BLOCK;
        text = longer;
    }
    const std::uint32_t nSize = CompiledSize(text);
    if (nSize == 0 || (BYTECODE_BUFFER_SIZE - nSize) % INSTRUCTION_SIZE != 0)
        Fail("the statement block does not leave whole instructions");
    for (std::uint32_t i = 0; i < (BYTECODE_BUFFER_SIZE - nSize) / INSTRUCTION_SIZE; ++i)
        body += PADDING_STATEMENT;
    text = std::string(FULL_HEADER) + body + END_SCRIPT;
    if (CompiledSize(text) != BYTECODE_BUFFER_SIZE)
        Fail("the largest script does not fill the output exactly");
    return text;
}

std::string RepeatedStatementsScript(std::size_t nBytes)
{
    std::string text;
    text.reserve(nBytes + std::string(STATEMENT_BLOCK).size() + 128);
    text += FULL_HEADER;
    while (text.size() < nBytes)
        text += STATEMENT_BLOCK;
    text += END_SCRIPT;
    return text;
}

std::string MixedExpressionScript()
{
    ScriptRandom random;
    std::string body;
    std::string text;
    for (;;) {
        const std::string statement = std::string(MATRIX_NAMES[random.Below(std::size(MATRIX_NAMES))]) + " = " +
                                      MixedExpression(random, 3) + ";\n";
        const std::string longer = std::string(FULL_HEADER) + body + statement + END_SCRIPT;
        const std::uint32_t nSize = CompiledSize(longer);
        if (nSize == 0 || nSize > MIXED_SCRIPT_OUTPUT_LIMIT)
            break;
        body += statement;
        text = longer;
    }
    if (text.empty())
        Fail("no mixed statement fits");
    return text;
}

std::string CommentHeavyScript(std::size_t nTotalBytes)
{
    std::size_t nFixed = std::string(EXAMPLE_HEADER).size() + std::string(END_SCRIPT).size();
    for (std::size_t i = 0; i < COMMENT_SCRIPT_STATEMENTS; ++i)
        nFixed += std::string(SPREAD_STATEMENTS[i % std::size(SPREAD_STATEMENTS)]).size();
    const std::size_t nFiller = nTotalBytes > nFixed ? nTotalBytes - nFixed : 0;
    const std::size_t nGaps = COMMENT_SCRIPT_STATEMENTS + 1;

    std::string text;
    text.reserve(nFixed + nFiller);
    text += EXAMPLE_HEADER;
    for (std::size_t i = 0; i < COMMENT_SCRIPT_STATEMENTS; ++i) {
        AppendFiller(text, nFiller / nGaps);
        text += SPREAD_STATEMENTS[i % std::size(SPREAD_STATEMENTS)];
    }
    AppendFiller(text, nFiller - COMMENT_SCRIPT_STATEMENTS * (nFiller / nGaps));
    text += END_SCRIPT;
    return text;
}

std::string StatementListScript(std::size_t nStatements)
{
    const std::string statement = "Mat00;\n";
    std::string text;
    text.reserve(nStatements * statement.size() + 128);
    text += EXAMPLE_HEADER;
    for (std::size_t i = 0; i < nStatements; ++i)
        text += statement;
    text += END_SCRIPT;
    return text;
}

std::string OneLineScript(std::size_t nStatements, std::size_t nBroken)
{
    constexpr std::string_view FINE = "Mat00;         ";
    constexpr std::string_view BROKEN = "Mat30 = Time+; ";
    static_assert(FINE.size() == ONE_LINE_STATEMENT_BYTES && BROKEN.size() == ONE_LINE_STATEMENT_BYTES);
    std::string text;
    text.reserve(nStatements * ONE_LINE_STATEMENT_BYTES + 128);
    text += EXAMPLE_HEADER;
    for (std::size_t i = 0; i < nStatements; ++i)
        text += i + nBroken < nStatements ? FINE : BROKEN;
    text += "\n";
    text += END_SCRIPT;
    return text;
}

std::string OverflowChainScript(std::size_t nTerms)
{
    std::string text = "UserParams;\nInput UV;\nOutput TexCoord2;\nBeginScript\nMat00 = ";
    text.reserve(nTerms * 8 + 128);
    for (std::size_t i = 0; i < nTerms; ++i) {
        if (i != 0)
            text += (i % TERMS_PER_LINE == 0) ? "\n    + " : " + ";
        text += MATRIX_NAMES[(i + 1) % std::size(MATRIX_NAMES)];
    }
    text += ";\n";
    text += END_SCRIPT;
    return text;
}

std::uint64_t OverflowChainMessages(std::size_t nTerms)
{
    // Version, empty parameter block, input, output, flags, constant count
    // and code size; then one instruction per term.
    constexpr std::uint64_t HEADER_BYTES = 2 + 4 + 1 + 4 + 4 + 4 + 4 + 4;
    const std::uint64_t nFileBytes = HEADER_BYTES + std::uint64_t{INSTRUCTION_SIZE} * nTerms;
    return nFileBytes > BYTECODE_BUFFER_SIZE ? nFileBytes - BYTECODE_BUFFER_SIZE : 0;
}

} // namespace quorlin::benchscripts
