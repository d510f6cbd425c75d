// The diagnostics engine's inside (quorlin::Diagnose): a report sink over
// one classic compiler object that drives the compiler's stages itself, with recovery after each
// failed statement, and turns every report into a positioned diagnostic.
// The classic compile never runs any of this.
#ifndef QUORLIN_DIAGNOSER_H
#define QUORLIN_DIAGNOSER_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"
#include "texturescriptcompiler.h"

namespace quorlin {

// A stretch of the script: where it starts, how long it is, and the line
// (counted from 0, as the lexer counts) it starts on.
struct TextSpan {
    const char* pBegin = nullptr;
    std::uint32_t nLength = 0;
    std::int32_t nLine = 0;
};

// The warnings' stable names.
namespace warning {
constexpr std::string_view UNUSED_PARAMETER = "unused-parameter";
constexpr std::string_view UNREADABLE_PARAMETER = "unreadable-parameter";
constexpr std::string_view PARAMETER_HIDES_FUNCTION = "parameter-hides-function";
constexpr std::string_view SPLIT_PARAMETER_NAME = "split-parameter-name";
constexpr std::string_view TEXT_AFTER_END = "text-after-end";
constexpr std::string_view NO_EFFECT = "no-effect";
constexpr std::string_view ASSIGN_TO_INPUT = "assign-to-input";
} // namespace warning

class Diagnoser {
public:
    explicit Diagnoser(std::string_view text);
    ~Diagnoser();
    Diagnoser(const Diagnoser&) = delete;
    Diagnoser& operator=(const Diagnoser&) = delete;

    CompileResult Run();

private:
    // The compiler's diagnostic sink: every report reaches Report.
    static void Sink(void* pContext, const char* pszMessage, bool isError, const SourceSpan& span);
    void Report(const char* pszMessage);

    struct Statement {
        ExprNode* pTree;
        TextSpan start; // the statement's first token
    };

    // Run, phase by phase.
    bool ParseHeader();
    void ParseBody();
    bool ParseOneStatement();
    bool FinishStatement(ExprNode* pTree, const TextSpan& start);
    bool SkipRestOfStatement();
    bool AtEndOfText() const;
    void CheckTextAfterEnd();
    void RunBackEnd();
    bool AssignStatements();
    void GenerateStatements();
    void TakeResult();

    // Diagnostics.
    TextSpan CurrentToken() const;
    TextSpan WholeCharacter(TextSpan token) const;
    std::size_t Add(Severity severity, const TextSpan& span, std::string message, std::string_view name = {});
    void AddNote(std::size_t nParent, const TextSpan& span, std::string message, std::string replacement = {},
                 bool bFixIt = false);
    void AddRepeatCounts();
    void PlaceAt(Diagnostic& diagnostic, const TextSpan& span) const;
    bool MergeRepeat(const char* pszMessage);

    // Suggestions (suggestions.cpp).
    void Suggest(std::size_t nError, const char* pszMessage, const TextSpan& token);
    void SuggestForName(std::size_t nError, const TextSpan& token);
    void SuggestNumber(std::size_t nError, const TextSpan& token);
    void SuggestSemicolon(std::size_t nError, const TextSpan& token);
    std::string_view NearestName(std::string_view name, bool bCall) const;
    bool FollowedByCall(const TextSpan& token) const;

    // Warnings (warnings.cpp).
    void CheckParameters();
    void CheckSplitNames(const std::vector<TextSpan>& names);
    void CheckParameterName(const TextSpan& span);
    void CheckStatement(const ExprNode* pTree, const TextSpan& start);
    void CheckUnusedParameters();
    void Warn(std::string_view name, const TextSpan& span, std::string message);
    std::vector<TextSpan> ParameterSpans() const;

    std::string m_text;                  // the script up to its first NUL, NUL-terminated
    std::vector<std::size_t> m_newlines; // the offset of every line feed in it, in order
    std::unique_ptr<TextureScriptCompiler> m_pCompiler;
    TextureScriptCompiler& m_compiler;
    std::vector<Statement> m_statements;
    CompileResult m_result;
    // How often each diagnostic's message was reported in a row (see MergeRepeat).
    std::vector<std::uint32_t> m_repeats;

    // A statement has failed: the rest of its reports are follow-ons.
    bool m_bStatementFailed = false;
    bool m_bInBody = false;
    TextSpan m_statementStart; // the first token of the statement being parsed
    bool m_bBodyFailed = false;
    bool m_bReachedEnd = false;
    // Set while the back end works on a statement: its reports go there.
    const TextSpan* m_pBackEndAt = nullptr;
    // Code generation is running: repeated reports are counted (MergeRepeat).
    bool m_bGenerating = false;
    std::size_t m_nFirstBackEndReport = 0;
    std::uint32_t m_nBytesBeyond = 0;
    // The write offset of the usage-flags field.
    std::uint32_t m_nFlagsOffset = 0;
    // Bit i set: user parameter i is read somewhere.
    std::uint32_t m_nParamsRead = 0;
    std::vector<TextSpan> m_parameters; // declarations, in order
    std::vector<bool> m_splitPart;      // punctuation that splits a longer name
};

} // namespace quorlin

#endif
