// Every message the compiler reports, in one table. The texts are exact:
// the command-line driver prints them after "Line N: ", and scripts, editors
// and tests compare them byte for byte, so a text changes here or nowhere.
#ifndef QUORLIN_MESSAGES_H
#define QUORLIN_MESSAGES_H

#include <cstddef>
#include <cstdint>

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

inline constexpr const char* COMPILER_MESSAGE_TEXTS[] = {
    "Expected token ParamList",
    "Invalid syntax in parameter list: Proper format: ParamList Var1, Var2, ...;",
    "Too many user parameters are specified",
    "Two parameters have the same name",
    "Expected token Input",
    "Invalid input type",
    "Expected semicolon at the end of the input type",
    "Expected token Output",
    "Invalid output type",
    "Expected semicolon at the end of the output type",
    "Expected token BeginScript",
    "Expected semicolon at end of line",
    "Invalid token found",
    "Invalid variable found",
    "Expected ( after function name",
    "Invalid matrix index",
    ("There are too many constants in the script. Please try and reduce some, or increase the maximum constant "
     "count."),
    "Unable to find matching parenthesis before end of line",
    "Too many closing parenthesis",
    "Invalid token",
    "Invalid left hand statement in assignment",
    "Attempting to assign to a constant",
    "Unexpected end of script",
    "Too deep of tree. Unable to process file. Either increase stack size or simplify line.",
    "Script is too large. Either reduce the script size or increase the size of the bytecode buffers.",
    "Out of memory",
    "Unable to allocate memory for buffer!",
};

constexpr std::size_t NUM_COMPILER_MESSAGES = sizeof COMPILER_MESSAGE_TEXTS / sizeof COMPILER_MESSAGE_TEXTS[0];
static_assert(NUM_COMPILER_MESSAGES == static_cast<std::size_t>(CompilerMessage::OutputAllocationFailed) + 1,
              "one text per message");

constexpr const char* MessageText(CompilerMessage nMessage)
{
    return COMPILER_MESSAGE_TEXTS[static_cast<std::size_t>(nMessage)];
}

// Not the compiler's: the note with which the diagnostics engine ends a run
// stopped at its error limit, naming the option of tfsc that sets the limit.
inline constexpr const char* TOO_MANY_ERRORS_TEXT =
    "too many errors; the rest of the script is not checked [-ferror-limit=]";

// The messages that only a failed allocation brings; every other message
// depends on the script alone.
constexpr bool IsOutOfMemoryMessage(CompilerMessage nMessage)
{
    return nMessage == CompilerMessage::OutOfMemory || nMessage == CompilerMessage::OutputAllocationFailed;
}

} // namespace quorlin

#endif
