// The names of the texture script language, each written once: the words and
// symbols the lexer turns into tokens, the input and output types with their
// values, the built-in values and functions with their slots and indices, and
// the spelling of matrix elements. The lexer, the compiled-file reader (which
// refuses parameter names a script could not declare) and the tools that list
// compiled files all read these tables, so a name changes in one place.
#ifndef QUORLIN_LANGUAGENAMES_H
#define QUORLIN_LANGUAGENAMES_H

#include <cstdint>
#include <string_view>

#include "compiledscriptformat.h"

namespace quorlin {

// Token codes. Codes 20 to 29 and 37 to 39 are not assigned.
enum TokenType : std::int32_t {
    TOKEN_IDENTIFIER = 0,
    TOKEN_PLUS = 1,
    TOKEN_MINUS = 2,
    TOKEN_STAR = 3,
    TOKEN_SLASH = 4,
    TOKEN_PERCENT = 5,
    TOKEN_EQUALS = 6,
    TOKEN_BEGINSCRIPT = 7,
    TOKEN_INPUT = 8,
    TOKEN_SEMICOLON = 9,
    TOKEN_LPAREN = 10,
    TOKEN_RPAREN = 11,
    TOKEN_INVALID = 12,
    TOKEN_NUMBER = 13,
    TOKEN_ENDSCRIPT = 14,
    TOKEN_USERPARAMS = 15,
    TOKEN_COMMA = 16,
    TOKEN_OUTPUT = 17,
    TOKEN_LESS = 18,
    TOKEN_GREATER = 19,
    TOKEN_CSNORMAL = 30,
    TOKEN_CSPOS = 31,
    TOKEN_CSREFLECTION = 32,
    TOKEN_WSNORMAL = 33,
    TOKEN_WSPOS = 34,
    TOKEN_WSREFLECTION = 35,
    TOKEN_UV = 36,
    TOKEN_TEXCOORD2 = 40,
    TOKEN_TEXCOORD3 = 41,
    TOKEN_TEXCOORD3PROJ = 42,
    TOKEN_TEXCOORD4PROJ = 43,
};

// A text the lexer turns into a token of its own.
struct KeywordName {
    std::string_view text;
    TokenType nToken;
};

// Every token text other than identifiers and numbers: one-character symbols,
// section keywords, input types and output types. A token matches an entry
// when its whole text equals the entry's without case; no two entries match
// the same text.
inline constexpr KeywordName KEYWORDS[] = {
    {"+", TOKEN_PLUS},
    {"-", TOKEN_MINUS},
    {"*", TOKEN_STAR},
    {"/", TOKEN_SLASH},
    {"%", TOKEN_PERCENT},
    {"=", TOKEN_EQUALS},
    {",", TOKEN_COMMA},
    {"<", TOKEN_LESS},
    {">", TOKEN_GREATER},
    {"BeginScript", TOKEN_BEGINSCRIPT},
    {"Input", TOKEN_INPUT},
    {"Output", TOKEN_OUTPUT},
    {";", TOKEN_SEMICOLON},
    {"(", TOKEN_LPAREN},
    {")", TOKEN_RPAREN},
    {"EndScript", TOKEN_ENDSCRIPT},
    {"UserParams", TOKEN_USERPARAMS},
    {"WSNormal", TOKEN_WSNORMAL},
    {"WSPos", TOKEN_WSPOS},
    {"WSReflection", TOKEN_WSREFLECTION},
    {"CSNormal", TOKEN_CSNORMAL},
    {"CSPos", TOKEN_CSPOS},
    {"CSReflection", TOKEN_CSREFLECTION},
    {"UV", TOKEN_UV},
    {"TexCoord2", TOKEN_TEXCOORD2},
    {"TexCoord3", TOKEN_TEXCOORD3},
    {"TexCoord3Proj", TOKEN_TEXCOORD3PROJ},
    {"TexCoord4Proj", TOKEN_TEXCOORD4PROJ},
};

// A comment runs from this character to the end of its line.
constexpr char COMMENT_CHARACTER = '#';

// The keyword of input type value v is token TOKEN_CSNORMAL + v, and that of
// output type value v is TOKEN_TEXCOORD2 + v, so a type section converts a
// token to its value by subtraction.
constexpr TokenType FIRST_INPUT_TYPE_TOKEN = TOKEN_CSNORMAL;
constexpr TokenType LAST_INPUT_TYPE_TOKEN = TOKEN_UV;
constexpr TokenType FIRST_OUTPUT_TYPE_TOKEN = TOKEN_TEXCOORD2;
constexpr TokenType LAST_OUTPUT_TYPE_TOKEN = TOKEN_TEXCOORD4PROJ;

// A name a script reads, with the number the compiled file holds for it.
struct NamedValue {
    std::string_view name;
    std::uint32_t nValue;
};

// Built-in values, each with its operand slot.
inline constexpr NamedValue BUILTIN_VALUES[] = {
    {"Time", SLOT_TIME},
    {"Elapsed", SLOT_ELAPSED},
    {"LevelOffsetX", SLOT_LEVEL_OFFSET_X},
    {"LevelOffsetY", SLOT_LEVEL_OFFSET_Y},
    {"LevelOffsetZ", SLOT_LEVEL_OFFSET_Z},
};

// Functions, each with its index (operand A of TSOP_FUNCTION), in index order.
inline constexpr NamedValue FUNCTIONS[] = {
    {"Sin", FUNC_SIN},       {"Cos", FUNC_COS},       {"Tan", FUNC_TAN},
    {"SqrSin", FUNC_SQRSIN}, {"SqrCos", FUNC_SQRCOS}, {"DegToRad", FUNC_DEGTORAD},
};

// Matrix elements are this prefix and two digits, row then column: Mat00 to
// Mat33, in slot SLOT_MATRIX_FIRST + MATRIX_DIMENSION * row + column.
constexpr std::string_view MATRIX_PREFIX = "Mat";

// The spelling of a keyword token; empty for any other code.
constexpr std::string_view KeywordText(TokenType nToken)
{
    for (const KeywordName& keyword : KEYWORDS) {
        if (keyword.nToken == nToken)
            return keyword.text;
    }
    return {};
}

// The names of type values as scripts spell them; empty out of range.
constexpr std::string_view InputTypeName(std::uint32_t nType)
{
    return nType < NUM_INPUT_TYPES ? KeywordText(static_cast<TokenType>(FIRST_INPUT_TYPE_TOKEN + nType))
                                   : std::string_view();
}

constexpr std::string_view OutputTypeName(std::uint32_t nType)
{
    return nType < NUM_OUTPUT_TYPES ? KeywordText(static_cast<TokenType>(FIRST_OUTPUT_TYPE_TOKEN + nType))
                                    : std::string_view();
}

// The name of a built-in value's slot; empty for any other slot.
constexpr std::string_view BuiltinValueName(std::uint32_t nSlot)
{
    for (const NamedValue& value : BUILTIN_VALUES) {
        if (value.nValue == nSlot)
            return value.name;
    }
    return {};
}

// The name of a function index; empty out of range.
constexpr std::string_view FunctionName(std::uint32_t nIndex)
{
    return nIndex < NUM_FUNCTIONS ? FUNCTIONS[nIndex].name : std::string_view();
}

// The tables agree with the format: one keyword per type value and one
// function per index, in index order.
constexpr bool EveryValueNamed()
{
    for (std::uint32_t i = 0; i < NUM_INPUT_TYPES; ++i) {
        if (InputTypeName(i).empty())
            return false;
    }
    for (std::uint32_t i = 0; i < NUM_OUTPUT_TYPES; ++i) {
        if (OutputTypeName(i).empty())
            return false;
    }
    for (std::uint32_t i = 0; i < NUM_FUNCTIONS; ++i) {
        if (FUNCTIONS[i].nValue != i)
            return false;
    }
    return true;
}
static_assert(sizeof FUNCTIONS / sizeof FUNCTIONS[0] == NUM_FUNCTIONS, "one function per index");
static_assert(LAST_INPUT_TYPE_TOKEN - FIRST_INPUT_TYPE_TOKEN + 1 == NUM_INPUT_TYPES, "one token per input type");
static_assert(LAST_OUTPUT_TYPE_TOKEN - FIRST_OUTPUT_TYPE_TOKEN + 1 == NUM_OUTPUT_TYPES, "one token per output type");
static_assert(EveryValueNamed(), "every type value and function index has its name");

} // namespace quorlin

#endif
