// The diagnostics engine's inside (quorlin::Diagnose): a report sink over
// one compiler object that runs the steps of the compile sequence with a
// statement loop of its own, which recovers after each failed statement, and
// turns every report into a positioned diagnostic. It uses the compiler's
// public interface only: the steps, the reports it hands over with their
// message and place, and what it has read. The classic compile never runs
// any of this.
#ifndef QUORLIN_DIAGNOSER_H
#define QUORLIN_DIAGNOSER_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quorlin/diagnostics.h"
#include "quorlin/quorlin.h"
#include "texturescriptcompiler.h"

namespace quorlin {

// A diagnostic of the table with its text filled in.
struct Said {
    DiagnosticId id;
    std::string text;
};

// The table's text of the diagnostic with the values given (Say), in the
// engine's wording.
inline Said Say(DiagnosticId id, std::initializer_list<std::string_view> args = {})
{
    return {id, FormatDiagnostic(id, args, true)};
}

struct TypeNames;

// The text the engine reads: the script up to its first NUL, with a NUL
// after it, as the compiler and the engine's look-ahead past a token
// expect (text[size()] is that NUL). The caller's bytes when a NUL follows
// them already, else a copy.
class EngineText {
public:
    EngineText(std::string_view text, bool bNulAfter);
    EngineText(const EngineText&) = delete;
    EngineText& operator=(const EngineText&) = delete;

    // Through data(): i may be size(), the NUL after the view.
    char operator[](std::size_t i) const { return m_view.data()[i]; } // NOLINT(readability-simplify-subscript-expr)
    std::size_t size() const { return m_view.size(); }
    const char* data() const { return m_view.data(); }
    const char* c_str() const { return m_view.data(); }
    std::size_t find(char c, std::size_t nFrom = 0) const { return m_view.find(c, nFrom); }
    int compare(std::size_t nFrom, std::size_t nCount, std::string_view other) const
    {
        return m_view.compare(nFrom, nCount, other);
    }
    operator std::string_view() const { return m_view; }
    // The caller's text goes on past a NUL byte at size(): that NUL, not the
    // end of the text, ends the script.
    bool EndsAtNul() const { return m_bEndsAtNul; }

private:
    std::string m_copy;
    std::string_view m_view;
    bool m_bEndsAtNul = false;
};

// The edit distance of two names, letter case ignored (suggestions.cpp).
std::size_t NameDistance(std::string_view a, std::string_view b);

class Diagnoser {
public:
    Diagnoser(std::string_view text, const DiagnoseOptions& options);
    Diagnoser(const Diagnoser&) = delete;
    Diagnoser& operator=(const Diagnoser&) = delete;

    CompileResult Run();

private:
    // The compiler's diagnostic sink: every report reaches Report.
    static void Sink(void* pContext, const CompilerReport& report);
    void Report(const CompilerReport& report);

    // Run, phase by phase.
    void CheckBody();
    void ParseBody();
    bool ParseOneStatement();
    bool SkipRestOfStatement();
    // Statement boundaries (statementrecovery.cpp).
    SourceSpan EndBefore(const SourceSpan& token) const;
    SourceSpan EndBetween(const SourceSpan& start, const SourceSpan& token) const;
    bool PlaceMissingSemicolon(const SourceSpan& token);
    void AddMissingSemicolon(const SourceSpan& end);
    bool StartsNewStatement(const SourceSpan& before) const;
    bool AtEndOfText() const;
    void CheckTextAfterEnd();
    void RunBackEnd();
    void TakeResult();

    // Limit errors with their figures (limitnotes.cpp).
    bool ReportLimit(const CompilerReport& report);
    void AddLimitFigure(std::size_t nError, const CompilerReport& report, const SourceSpan& at);
    void AddSizeFigure();
    void NoteTemporaries(const ExprNode* pTree);
    std::uint32_t ConstantsNeeded(const SourceSpan& from);
    bool InPool(float fValue) const;
    std::size_t StatementEnd(std::size_t nStatement) const;
    std::size_t StatementEndAfter(const SourceSpan& token) const;
    static SourceSpan SpanTo(SourceSpan start, std::size_t nEnd);
    void CountFigures();

    // The header after its first error (headerrecovery.cpp).
    bool RecoverHeader();
    void RecoverParamList(CompilerMessage nMessage);
    bool StartsSection() const;
    bool FindBody();
    bool FirstOnLine() const;
    void ReportHereOnce(CompilerMessage nMessage);
    CompilerMessage LastCompilerMessage() const;
    static bool IsNearKeyword(std::string_view name, TokenType nKeyword);
    void SuggestForHeader(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token);
    bool EndsParamList(const SourceSpan& token) const;
    void NoteParamListEnd(std::size_t nError, const SourceSpan& token);
    void ParseLateParamList();
    void NoteSectionOrder(std::size_t nError, const SourceSpan& token);
    bool PlaceAtEnd(CompilerMessage nMessage, const SourceSpan& token);
    bool PlaceSectionSemicolon(CompilerMessage nMessage, const SourceSpan& token);
    void SkipByteOrderMark();
    void SuggestReplacement(std::size_t nError, const SourceSpan& token, const std::string& replacement);
    void SuggestType(std::size_t nError, const SourceSpan& token, const TypeNames& types);
    void NoteFirstDeclaration(std::size_t nError, const SourceSpan& token);

    // Diagnostics. Add and AddError return the new diagnostic's index, or
    // NO_INDEX when the limit drops it (a note of NO_INDEX is dropped too).
    static constexpr std::size_t NO_INDEX = SIZE_MAX;
    std::size_t Add(const SourceSpan& span, Said said);
    std::size_t AddError(const SourceSpan& span, CompilerMessage nMessage, std::string message);
    bool Keeps(Severity severity, const SourceSpan& span);
    void StopAt(const SourceSpan& span);
    std::size_t Record(const SourceSpan& span, Said said);
    void AddNote(std::size_t nParent, const SourceSpan& span, Said said, std::string replacement = {},
                 bool bFixIt = false);
    void AddRepeatCounts();
    bool MergeRepeat(CompilerMessage nMessage);
    SourceSpan WholeCharacter(SourceSpan token) const;
    SourceSpan OnItsLine(SourceSpan span) const;
    std::string_view TextOf(const SourceSpan& span) const;

    // Names beyond ASCII (namecharacters.cpp).
    SourceSpan NonAsciiNameAt(const SourceSpan& token) const;
    bool ReportNonAsciiName(CompilerMessage nMessage, const SourceSpan& token);
    bool InReportedName(const SourceSpan& token) const;
    std::size_t EndOfReportedName() const { return m_reportedName.nOffset + m_reportedName.nLength; }
    void NoteNonAsciiCharacter(std::size_t nParent, const SourceSpan& name);

    // Suggestions (suggestions.cpp).
    void Suggest(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token);
    void SuggestForName(std::size_t nError, const SourceSpan& token);
    void SuggestNumber(std::size_t nError, const SourceSpan& token);
    std::string NearestName(std::string_view name, bool bCall) const;
    bool FollowedByCall(const SourceSpan& token) const;
    void OfferDeclaration(std::size_t nError, std::string_view name);

    // Habits from other languages (habits.cpp).
    void SuggestForHabit(std::size_t nError, CompilerMessage nMessage, const SourceSpan& token);
    bool SuggestHashComment(std::size_t nError, const SourceSpan& token);
    void SuggestForInvalidToken(std::size_t nError, const SourceSpan& token);
    void SuggestForUnexpected(std::size_t nError, const SourceSpan& token);
    void SuggestForMisplaced(std::size_t nError, const SourceSpan& token);
    void SuggestDecimalPoint(std::size_t nError, const SourceSpan& token);
    void SuggestPlainNumber(std::size_t nError, const SourceSpan& token);
    bool SuggestDecimalForHex(std::size_t nError, const SourceSpan& token);
    void NoteUnclosedParenthesis(std::size_t nError, const SourceSpan& token);
    std::string EnclosingFunction(const SourceSpan& token) const;
    std::size_t NumberStartBefore(const SourceSpan& token) const;
    char CharBefore(const SourceSpan& span) const;
    SourceSpan Widened(const SourceSpan& token, std::size_t nOffset, std::size_t nEnd) const;

    // Warnings (warnings.cpp).
    void CheckParameters();
    void CheckSplitNames(const std::vector<SourceSpan>& names);
    void CheckParameterName(const SourceSpan& span);
    void CheckStatement(const ExprNode* pTree, const SourceSpan& start);
    void CheckUnusedParameters();
    std::size_t Warn(const SourceSpan& span, Said said);
    std::vector<SourceSpan> ParameterSpans();
    std::string InputName(std::uint32_t nSlot) const;
    bool IsPunctuation(const SourceSpan& span) const;

    // Typos that compile (typowarnings.cpp).
    void CheckTypos(const SourceSpan& start);
    void CheckMatrixName(const SourceSpan& span);
    void CheckNumber(const SourceSpan& span);

    EngineText m_text;
    std::unique_ptr<TextureScriptCompiler> m_pCompiler;
    TextureScriptCompiler& m_compiler;
    // The first token of each statement added to the body, in order, and
    // the temporaries each needs; the token that ends the body.
    std::vector<SourceSpan> m_statementStarts;
    std::vector<std::uint32_t> m_statementTemporaries;
    SourceSpan m_bodyEnd{};
    // The error of an output past its limit, which gets its figure when the
    // file has been laid out; the constants the script needs, once counted.
    std::size_t m_nTooLargeError = NO_INDEX;
    std::uint32_t m_nConstantsNeeded = 0;
    CompileResult m_result;
    // The errors and the warnings kept, each up to the limit (0: no limit);
    // the limit has stopped the run.
    std::size_t m_nErrorLimit;
    std::size_t m_nErrors = 0;
    std::size_t m_nWarnings = 0;
    bool m_bStopped = false;
    // For each diagnostic, the compiler's message it reports, if any, and
    // how often it was reported in a row (see MergeRepeat).
    struct Tally {
        bool bFromCompiler = false;
        CompilerMessage nMessage = CompilerMessage::OutOfMemory;
        std::uint32_t nRepeats = 1;
    };
    std::vector<Tally> m_tallies;

    // A statement has failed: the rest of its reports are follow-ons.
    bool m_bStatementFailed = false;
    // The statement's missing ";" has been reported.
    bool m_bSemicolonPlaced = false;
    bool m_bInBody = false;
    SourceSpan m_statementStart{}; // the first token of the statement being parsed
    bool m_bBodyFailed = false;
    bool m_bHeaderRead = false;
    bool m_bLaidOut = false; // the back end has laid out the whole file
    bool m_bReachedEnd = false;
    // Code generation is running: repeated reports are counted (MergeRepeat).
    bool m_bGenerating = false;
    std::size_t m_nFirstBackEndReport = 0;
    // Bit i set: user parameter i is read somewhere.
    std::uint32_t m_nParamsRead = 0;
    std::vector<SourceSpan> m_parameters; // declarations, in order
    std::vector<bool> m_splitPart;        // punctuation that splits a longer name
    // The name beyond ASCII whose error was reported last; its other pieces
    // report nothing more.
    SourceSpan m_reportedName{};
    // Where a name is added to the parameter list (before its ";"), and
    // whether commas part the list; the names offered so far.
    SourceSpan m_paramListEnd{};
    bool m_bParamCommas = false;
    std::vector<std::string> m_namesOffered;
};

} // namespace quorlin

#endif
