// Writes statement trees back as script text.
//
// Literals are the only thing a statement adds to the constant table, in the
// order the parser meets them, which is the order they stand in the text. A
// constant that the next statement would add too early (its predecessors in
// the table are still missing) is preceded by statements made of the missing
// literals alone: they emit no code. Usage flags that no statement reads are
// set the same way, by a statement naming Time or a parameter.
#include "scriptwriter.h"

#include <algorithm>
#include <cstring>

#include "charclass.h"
#include "languagenames.h"
#include "literaltext.h"

namespace quorlin {
namespace {

// Letters differ from their other case in this bit alone; function names
// hold nothing but letters.
constexpr char CASE_BIT = 0x20;

// Binding strength of what a node is written as: an operand whose level is
// below the one its place needs goes in parentheses.
enum Level : int {
    LEVEL_ASSIGNMENT = 0,
    LEVEL_ADDITIVE = 1,
    LEVEL_MULTIPLICATIVE = 2,
    LEVEL_PRIMARY = 3,
};

struct OperatorText {
    const char* m_pszSymbol;
    Level m_level;
};

OperatorText BinaryOperator(std::uint32_t nOpcode)
{
    switch (nOpcode) {
    case TSOP_ADD: return {"+", LEVEL_ADDITIVE};
    case TSOP_SUBTRACT: return {"-", LEVEL_ADDITIVE};
    case TSOP_MIN: return {"<", LEVEL_ADDITIVE};
    case TSOP_MAX: return {">", LEVEL_ADDITIVE};
    case TSOP_MULTIPLY: return {"*", LEVEL_MULTIPLICATIVE};
    case TSOP_DIVIDE: return {"/", LEVEL_MULTIPLICATIVE};
    default: return {"%", LEVEL_MULTIPLICATIVE};
    }
}

Level LevelOf(const CodeNode& node)
{
    switch (node.m_nKind) {
    case TSOP_ASSIGN: return LEVEL_ASSIGNMENT;
    case NODE_VARIABLE:
    case TSOP_NEGATE:
    case TSOP_FUNCTION: return LEVEL_PRIMARY;
    default: return BinaryOperator(node.m_nKind).m_level;
    }
}

// The source file's name in the opening comment: a line feed or another
// control byte in it would end the comment early.
std::string CommentSafe(const char* pszText)
{
    std::string text(pszText);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return text;
}

class ScriptWriter {
public:
    ScriptWriter(const CompiledScript& script, const CodeTrees& trees) : m_script(script), m_trees(trees) {}

    std::string Write(const char* pszSourceName)
    {
        m_out = "# Decompiled from " + CommentSafe(pszSourceName) + "\n";
        WriteHeader();
        m_out += "BeginScript\n";
        for (const std::int32_t nRoot : m_trees.m_statements)
            WriteStatement(nRoot);
        IntroduceConstantsUpTo(m_script.m_nNumConstants);
        SetMissingFlags();
        m_out += "EndScript\n";
        return m_out;
    }

private:
    void WriteHeader()
    {
        m_out += "UserParams";
        for (std::uint32_t i = 0; i < m_script.m_nNumUserParams; ++i)
            m_out += std::string(i == 0 ? " " : ", ") + m_script.m_szUserParams[i];
        m_out += ";\nInput ";
        m_out += InputTypeName(m_script.m_nInputType);
        m_out += ";\nOutput ";
        m_out += OutputTypeName(m_script.m_nOutputType);
        m_out += ";\n";
    }

    void WriteStatement(std::int32_t nRoot)
    {
        m_constantsSeen.clear();
        std::string text;
        WriteNode(nRoot, LEVEL_ASSIGNMENT, text);
        IntroduceConstantsFor(m_constantsSeen);
        m_out += text + ";\n";
    }

    // The statement adds the constants it names that the table does not
    // hold yet, in text order. When they are consecutive entries, the ones
    // before the first are added by statements of one literal each; when
    // not, every entry up to the last one it names is.
    void IntroduceConstantsFor(const std::vector<std::uint32_t>& named)
    {
        std::vector<std::uint32_t> added;
        for (const std::uint32_t nConstant : named) {
            if (nConstant >= m_nNextConstant && std::find(added.begin(), added.end(), nConstant) == added.end())
                added.push_back(nConstant);
        }
        if (added.empty())
            return;
        bool bConsecutive = true;
        for (std::size_t i = 1; i < added.size(); ++i)
            bConsecutive = bConsecutive && added[i] == added[0] + i;
        if (bConsecutive) {
            IntroduceConstantsUpTo(added[0]);
            m_nNextConstant = added.back() + 1;
        } else {
            IntroduceConstantsUpTo(*std::max_element(added.begin(), added.end()) + 1);
        }
    }

    void IntroduceConstantsUpTo(std::uint32_t nEnd)
    {
        for (; m_nNextConstant < nEnd; ++m_nNextConstant)
            m_out += LiteralText(m_script.m_fConstants[m_nNextConstant]) + ";\n";
    }

    void SetMissingFlags()
    {
        const std::uint32_t nMissing = m_script.m_nUsageFlags & ~m_nFlagsRead;
        if ((nMissing & USES_TIME) != 0)
            m_out += std::string(BuiltinValueName(SLOT_TIME)) + ";\n";
        if ((nMissing & USES_USER_PARAMS) != 0 && m_script.m_nNumUserParams != 0)
            m_out += std::string(m_script.m_szUserParams[ReadableParameter()]) + ";\n";
    }

    // A parameter that a script can read by its name: one whose name a
    // built-in value does not take first. The first one when none can.
    std::uint32_t ReadableParameter() const
    {
        for (std::uint32_t i = 0; i < m_script.m_nNumUserParams; ++i) {
            if (!IsTakenByBuiltin(m_script.m_szUserParams[i]))
                return i;
        }
        return 0;
    }

    static bool IsTakenByBuiltin(std::string_view name)
    {
        for (const NamedValue& builtin : BUILTIN_VALUES) {
            if (EqualsNoCase(builtin.name, name))
                return true;
        }
        return StartsWithNoCase(MATRIX_PREFIX, name);
    }

    void WriteNode(std::int32_t nNode, Level needed, std::string& text)
    {
        const CodeNode& node = m_trees.m_nodes[static_cast<std::size_t>(nNode)];
        const bool bParenthesize = LevelOf(node) < needed;
        if (bParenthesize)
            text += '(';
        WriteBare(node, text);
        if (bParenthesize)
            text += ')';
    }

    void WriteBare(const CodeNode& node, std::string& text)
    {
        switch (node.m_nKind) {
        case NODE_VARIABLE: WriteVariable(node.m_nSlot, text); return;
        case TSOP_NEGATE:
            text += '-';
            WriteNode(node.m_nA, LEVEL_PRIMARY, text);
            return;
        case TSOP_FUNCTION:
            text += FunctionSpelling(node.m_nFunction) + "(";
            WriteNode(node.m_nB, LEVEL_ASSIGNMENT, text);
            text += ')';
            return;
        case TSOP_ASSIGN:
            text += SlotName(node.m_nSlot) + " = ";
            WriteNode(node.m_nA, LEVEL_ADDITIVE, text);
            return;
        default: WriteBinary(node, text); return;
        }
    }

    void WriteBinary(const CodeNode& node, std::string& text)
    {
        const OperatorText op = BinaryOperator(node.m_nKind);
        WriteNode(node.m_nA, op.m_level, text);
        text += std::string(" ") + op.m_pszSymbol + " ";
        WriteNode(node.m_nB, static_cast<Level>(op.m_level + 1), text);
    }

    void WriteVariable(std::uint32_t nSlot, std::string& text)
    {
        if (IsConstantSlot(nSlot)) {
            m_constantsSeen.push_back(nSlot - SLOT_CONSTANT_FIRST);
            text += LiteralText(m_script.m_fConstants[nSlot - SLOT_CONSTANT_FIRST]);
            return;
        }
        if (IsUserParamSlot(nSlot))
            m_nFlagsRead |= USES_USER_PARAMS;
        if (IsTimeSlot(nSlot))
            m_nFlagsRead |= USES_TIME;
        text += SlotName(nSlot);
    }

    std::string SlotName(std::uint32_t nSlot) const
    {
        if (IsMatrixSlot(nSlot)) {
            const std::uint32_t nIndex = nSlot - SLOT_MATRIX_FIRST;
            return std::string(MATRIX_PREFIX) + std::to_string(nIndex / MATRIX_DIMENSION) +
                   std::to_string(nIndex % MATRIX_DIMENSION);
        }
        if (IsUserParamSlot(nSlot))
            return m_script.m_szUserParams[nSlot - SLOT_USER_PARAM_FIRST];
        const std::string_view builtin = BuiltinValueName(nSlot);
        // A temporary read before it was written: its value is unknown.
        return builtin.empty() ? "0" : std::string(builtin);
    }

    // A function's name, in another case where a parameter spells the
    // documented one exactly: the parameter would take that spelling first.
    std::string FunctionSpelling(std::uint32_t nFunction) const
    {
        std::string name(FunctionName(nFunction));
        for (std::uint32_t nCaseMask = 0; nCaseMask < (1u << name.size()); ++nCaseMask) {
            std::string spelling = name;
            for (std::size_t i = 0; i < spelling.size(); ++i) {
                if ((nCaseMask >> i & 1u) != 0)
                    spelling[i] = static_cast<char>(spelling[i] ^ CASE_BIT);
            }
            if (!IsParameterName(spelling))
                return spelling;
        }
        return name;
    }

    bool IsParameterName(const std::string& text) const
    {
        for (std::uint32_t i = 0; i < m_script.m_nNumUserParams; ++i) {
            if (text == m_script.m_szUserParams[i])
                return true;
        }
        return false;
    }

    const CompiledScript& m_script;
    const CodeTrees& m_trees;
    std::string m_out;
    std::vector<std::uint32_t> m_constantsSeen;
    std::uint32_t m_nNextConstant = 0;
    std::uint32_t m_nFlagsRead = 0;
};

} // namespace

std::string WriteScript(const CompiledScript& script, const CodeTrees& trees, const char* pszSourceName)
{
    return ScriptWriter(script, trees).Write(pszSourceName);
}

} // namespace quorlin
