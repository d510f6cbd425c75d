// Warnings: scripts that compile but are unlikely to do what their author
// meant. Parameter declarations are checked after the header (names that can
// never be read, that hide a function, or that the lexer split in pieces),
// each statement when it has parsed (no assignment at all, an assignment to a
// value the renderer supplies), and parameter use at the end.
#include <memory>
#include <string>
#include <vector>

#include "charclass.h"
#include "diagnoser.h"

#include "languagenames.h"
#include "visibletext.h"
#include <algorithm>

namespace quorlin {

namespace {

// What a statement's tree does, found in one walk: whether it assigns, the
// first input value it assigns to, and which user parameters it reads.
struct StatementUse {
    bool bAssigns = false;
    std::uint32_t nInputTarget = 0; // slot; 0 when none
    std::uint32_t nParamsRead = 0;  // bit i: parameter i
};

// A value the renderer supplies: a built-in value or a user parameter.
bool IsInputSlot(std::uint32_t nSlot) { return !BuiltinValueName(nSlot).empty() || IsUserParamSlot(nSlot); }

// Before register assignment an assignment's left child is its target.
void NoteAssignment(const ExprNode* pNode, StatementUse& use)
{
    use.bAssigns = true;
    const std::uint32_t nTarget = pNode->m_pLeft->m_nValue;
    if (use.nInputTarget == 0 && IsInputSlot(nTarget))
        use.nInputTarget = nTarget;
}

StatementUse UseOf(const ExprNode* pTree)
{
    StatementUse use;
    std::vector<const ExprNode*> pending{pTree};
    while (!pending.empty()) {
        const ExprNode* pNode = pending.back();
        pending.pop_back();
        if (pNode == nullptr)
            continue;
        if (pNode->m_nOp == COMPOP_VAR && IsUserParamSlot(pNode->m_nValue))
            use.nParamsRead |= 1u << (pNode->m_nValue - SLOT_USER_PARAM_FIRST);
        if (pNode->m_nOp == TSOP_ASSIGN)
            NoteAssignment(pNode, use);
        else
            pending.push_back(pNode->m_pLeft);
        pending.push_back(pNode->m_pRight);
    }
    return use;
}

std::string_view FunctionNamed(std::string_view name)
{
    for (const NamedValue& function : FUNCTIONS) {
        if (EqualsNoCase(function.name, name))
            return function.name;
    }
    return {};
}

std::string_view ValueNamed(std::string_view name)
{
    for (const NamedValue& value : BUILTIN_VALUES) {
        if (EqualsNoCase(value.name, name))
            return value.name;
    }
    return {};
}

std::size_t EndOf(const SourceSpan& span) { return span.nOffset + span.nLength; }

} // namespace

// Each warning's name once, in the order of the table.
const std::vector<std::string_view>& WarningNames()
{
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> found;
        for (const DiagnosticInfo* p = DiagnosticTableBegin(); p != DiagnosticTableEnd(); ++p) {
            const std::string_view name = p->warningName;
            if (!name.empty() && std::find(found.begin(), found.end(), name) == found.end())
                found.push_back(name);
        }
        return found;
    }();
    return names;
}

std::size_t Diagnoser::Warn(const SourceSpan& span, Said said) { return Add(span, std::move(said)); }

// The declared names where they stand, read again from the start of the
// header, which has parsed; the list's ";", and whether commas part it.
std::vector<SourceSpan> Diagnoser::ParameterSpans()
{
    Scanner scanner(m_text);
    std::vector<SourceSpan> spans;
    scanner.Next();
    Token token = scanner.Next();
    for (; token.kind != TOKEN_END && token.kind != TOKEN_SEMICOLON; token = scanner.Next()) {
        if (token.kind == TOKEN_IDENTIFIER)
            spans.push_back({token.line, token.offset - scanner.LineStart(), token.length, token.offset});
        m_bParamCommas = m_bParamCommas || token.kind == TOKEN_COMMA;
    }
    m_paramListEnd = {token.line, token.offset - scanner.LineStart(), 0, token.offset};
    return spans;
}

bool Diagnoser::IsPunctuation(const SourceSpan& span) const
{
    return span.nLength == 1 && !IsLetterChar(m_text[span.nOffset]);
}

void Diagnoser::CheckParameters()
{
    m_parameters = ParameterSpans();
    m_splitPart.assign(m_parameters.size(), false);
    CheckSplitNames(m_parameters);
    for (const SourceSpan& span : m_parameters)
        CheckParameterName(span);
}

// Names written together without space or comma were one name to the
// author: "scroll_speed" declares "scroll", "_" and "speed".
void Diagnoser::CheckSplitNames(const std::vector<SourceSpan>& names)
{
    for (std::size_t i = 0; i < names.size();) {
        std::size_t nEnd = i + 1;
        while (nEnd < names.size() && EndOf(names[nEnd - 1]) == names[nEnd].nOffset)
            ++nEnd;
        SourceSpan whole = names[i];
        whole.nLength = EndOf(names[nEnd - 1]) - whole.nOffset;
        const std::string text(TextOf(whole));
        if (nEnd - i > 1) {
            const std::size_t nWarning =
                Warn(whole, Say(DiagnosticId::SplitParameterName, {QuotedText(text), std::to_string(nEnd - i)}));
            // The pieces of a name beyond ASCII are no names of the author's.
            const SourceSpan name = NonAsciiNameAt(whole);
            const bool bBeyondAscii = name.nLength != 0;
            if (bBeyondAscii)
                NoteNonAsciiCharacter(nWarning, name);
            for (std::size_t j = i; j < nEnd; ++j)
                m_splitPart[j] = bBeyondAscii || IsPunctuation(names[j]);
        } else if (IsPunctuation(whole)) {
            Warn(whole, Say(DiagnosticId::PunctuationParameter, {QuotedText(text)}));
        }
        i = nEnd;
    }
}

void Diagnoser::CheckParameterName(const SourceSpan& span)
{
    const std::string_view name = TextOf(span);
    const std::string_view value = ValueNamed(name);
    if (!value.empty()) {
        Warn(span, Say(DiagnosticId::UnreadableParameterValue, {QuotedText(name), QuotedText(value)}));
    } else if (StartsWithNoCase(MATRIX_PREFIX, name)) {
        Warn(span, Say(DiagnosticId::UnreadableParameterMatrix, {QuotedText(name)}));
    }
    const std::string_view function = FunctionNamed(name);
    if (!function.empty()) {
        Warn(span, Say(DiagnosticId::ParameterHidesFunction, {QuotedText(name), QuotedText(function)}));
    }
}

std::string Diagnoser::InputName(std::uint32_t nSlot) const
{
    if (IsUserParamSlot(nSlot))
        return std::string(m_compiler.GetUserParam(nSlot - SLOT_USER_PARAM_FIRST));
    return std::string(BuiltinValueName(nSlot));
}

void Diagnoser::CheckStatement(const ExprNode* pTree, const SourceSpan& start)
{
    const StatementUse use = UseOf(pTree);
    m_nParamsRead |= use.nParamsRead;
    CheckTypos(start);
    if (!use.bAssigns)
        Warn(start, Say(DiagnosticId::UnusedValue));
    if (use.nInputTarget != 0) {
        Warn(start, Say(DiagnosticId::AssignToInput, {QuotedText(InputName(use.nInputTarget))}));
    }
}

// Only when every statement parsed: a failed statement may have read one.
void Diagnoser::CheckUnusedParameters()
{
    if (!m_bReachedEnd || m_bBodyFailed)
        return;
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        const std::string_view name = TextOf(m_parameters[i]);
        const bool bUnreadable = !ValueNamed(name).empty() || StartsWithNoCase(MATRIX_PREFIX, name);
        if ((m_nParamsRead >> i & 1u) == 0 && !bUnreadable && !m_splitPart[i])
            Warn(m_parameters[i], Say(DiagnosticId::UnusedParameter, {QuotedText(name)}));
    }
}

} // namespace quorlin
