// The tokens of a script with their places in the text, and what each name
// means there. The compiler reads tokens one at a time and keeps no places;
// the editor features need all of them at once, so this lexer follows the
// compiler's rules (same character classes, same keyword table) but keeps
// every token's byte offset and its whole length.
#ifndef QUORLIN_LSP_SCRIPTTOKENS_H
#define QUORLIN_LSP_SCRIPTTOKENS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "languagenames.h"

namespace quorlin::lsp {

// What a token is, for highlighting, hover and completion.
enum class TokenKind {
    Section,       // UserParams, Input, Output, BeginScript, EndScript
    InputType,     // CSNormal ... UV
    OutputType,    // TexCoord2 ... TexCoord4Proj
    Symbol,        // operators, parentheses, ";" and ","
    Number,        // a numeric literal
    MatrixElement, // a name the compiler reads as Mat00 ... Mat33
    BuiltinValue,  // Time, Elapsed, LevelOffsetX ...
    Function,      // Sin, Cos ...
    Parameter,     // a declared user parameter, or its declaration
    Unknown,       // any other name or character
    Comment,       // from "#" to the end of the line
};

struct ScriptToken {
    std::size_t nOffset; // bytes from the start of the text
    std::size_t nLength; // bytes, the whole token even beyond 255
    TokenType nType;     // the compiler's token code (TOKEN_IDENTIFIER for names)
    TokenKind nKind;
    std::uint32_t nValue; // slot, function index, type value or parameter index
};

// A declared parameter: its name, its index and its declaration token.
struct DeclaredParameter {
    std::string name;
    std::size_t nToken;
};

// The tokens of a script (comments included, in text order) and the places
// of its sections.
struct ScriptTokens {
    std::vector<ScriptToken> tokens;
    std::vector<DeclaredParameter> parameters;
    std::size_t nBodyBegin = SIZE_MAX; // index of the BeginScript token
    std::size_t nBodyEnd = SIZE_MAX;   // index of the EndScript token that closes it
};

ScriptTokens TokenizeScript(std::string_view text);

std::string_view TextOf(std::string_view text, const ScriptToken& token);

// The index of the token that holds the byte offset or ends there (so that
// the caret just after a name finds the name); SIZE_MAX when none does.
std::size_t TokenAt(const ScriptTokens& script, std::size_t nOffset);

// The index of the last token other than a comment that ends at or before
// the offset; SIZE_MAX when none does.
std::size_t TokenBefore(const ScriptTokens& script, std::size_t nOffset);

// Whether a token lies in the body, between BeginScript and EndScript.
bool IsInBody(const ScriptTokens& script, std::size_t nToken);

// The slot of a matrix element name as the compiler reads it: "Mat" and the
// number after it, row and column its tens and units; false for a row or
// column beyond the matrix.
bool MatrixSlotOf(std::string_view name, std::uint32_t& nSlot);

} // namespace quorlin::lsp

#endif
