// The messages the compiler reports. Their texts are exact, in the table of
// diagnostics: the command-line driver prints them after "Line N: ", and
// scripts, editors and tests compare them byte for byte.
#ifndef QUORLIN_MESSAGES_H
#define QUORLIN_MESSAGES_H

#include <cstddef>
#include <cstdint>

#include "quorlin/diagnostics.h"

namespace quorlin {

enum class CompilerMessage : std::uint8_t {
    // Header sections.
    ExpectedParamList,
    InvalidParamListSyntax,
    TooManyUserParams,
    DuplicateParamName,
    ExpectedInput,
    InvalidInputType,
    ExpectedInputSemicolon,
    ExpectedOutput,
    InvalidOutputType,
    ExpectedOutputSemicolon,
    ExpectedBeginScript,
    // Statements and expressions.
    ExpectedStatementSemicolon,
    InvalidTokenFound,
    InvalidVariable,
    ExpectedCallParenthesis,
    InvalidMatrixIndex,
    TooManyConstants,
    UnmatchedParenthesis,
    TooManyClosingParentheses,
    InvalidToken,
    InvalidAssignmentTarget,
    AssignmentToConstant,
    UnexpectedEndOfScript,
    // Limits of the back end and the output.
    TooDeep,
    ScriptTooLarge,
    // Reported only when an allocation fails.
    OutOfMemory,
    OutputAllocationFailed,
};

// Each message is the diagnostic of the same name, whose texts are in the
// table of diagnostics: the compiler's messages open it, in this order.
constexpr DiagnosticId IdOf(CompilerMessage nMessage) { return static_cast<DiagnosticId>(nMessage); }

static_assert(static_cast<int>(DiagnosticId::ExpectedParamList) ==
                      static_cast<int>(CompilerMessage::ExpectedParamList) &&
                  static_cast<int>(DiagnosticId::TooManyConstants) ==
                      static_cast<int>(CompilerMessage::TooManyConstants) &&
                  static_cast<int>(DiagnosticId::OutputAllocationFailed) ==
                      static_cast<int>(CompilerMessage::OutputAllocationFailed),
              "the compiler's messages open the table of diagnostics, in order");

constexpr std::size_t NUM_COMPILER_MESSAGES = static_cast<std::size_t>(CompilerMessage::OutputAllocationFailed) + 1;

inline const char* MessageText(CompilerMessage nMessage) { return InfoOf(IdOf(nMessage)).text; }

// The messages that only a failed allocation brings; every other message
// depends on the script alone.
constexpr bool IsOutOfMemoryMessage(CompilerMessage nMessage)
{
    return nMessage == CompilerMessage::OutOfMemory || nMessage == CompilerMessage::OutputAllocationFailed;
}

} // namespace quorlin

#endif
