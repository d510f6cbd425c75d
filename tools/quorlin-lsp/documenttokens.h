// The tokens of a document with their places in the text, and what each name
// means there. The compiler pulls its tokens one at a time; the editor
// features need all of them at once, so they are collected here from the
// compiler's own scanner (comments kept), and each word is given its meaning
// by the compiler's own lookups (words.h).
#ifndef QUORLIN_LSP_DOCUMENTTOKENS_H
#define QUORLIN_LSP_DOCUMENTTOKENS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "languagenames.h"

namespace quorlin::lsp {

// What a token is, for highlighting, hover and completion.
enum class TokenKind : std::uint8_t {
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

// A document holds a token every few bytes, so a token is kept in 20 bytes:
// its place in 32 bits each, which MAX_TOKENIZED_BYTES guarantees.
struct ScriptToken {
    std::uint32_t nOffset; // bytes from the start of the text
    std::uint32_t nLength; // bytes, the whole token even beyond 255
    TokenType nType;       // the scanner's token code (TOKEN_IDENTIFIER for names, TOKEN_COMMENT)
    TokenKind nKind;
    std::uint32_t nValue; // slot, function index, type value or parameter index
};

// The longest text TokenizeScript reads; the server follows no document
// that long.
constexpr std::size_t MAX_TOKENIZED_BYTES = UINT32_MAX;

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

// The tokens of a text, up to its first NUL byte as for the compiler, and
// at most MAX_TOKENIZED_BYTES long.
ScriptTokens TokenizeScript(std::string_view text);

std::string_view TextOf(std::string_view text, const ScriptToken& token);

// What the compiler's parser keeps of a token's text (its first 255 bytes),
// from which it reads a name or a number's value.
std::string_view KeptTextOf(std::string_view text, const ScriptToken& token);

// The index of the token that holds the byte offset or ends there (so that
// the caret just after a name finds the name); SIZE_MAX when none does.
std::size_t TokenAt(const ScriptTokens& script, std::size_t nOffset);

// The index of the last token other than a comment that ends at or before
// the offset; SIZE_MAX when none does.
std::size_t TokenBefore(const ScriptTokens& script, std::size_t nOffset);

// Whether a token lies in the body, between BeginScript and EndScript.
bool IsInBody(const ScriptTokens& script, std::size_t nToken);

} // namespace quorlin::lsp

#endif
