// What the words of a script mean, as the compiler reads them: the one
// lookup that gives a word its token code and what it names, the slot of a
// matrix element, the order in which the parser resolves a name in a
// statement, and the numbering of the constant pool. The parser decides with
// these functions, and the tools that show a script's meaning (the source
// formatter, the language server) ask the same ones, so that they cannot
// read a word otherwise than the compiler does.
#ifndef QUORLIN_WORDS_H
#define QUORLIN_WORDS_H

#include <cstdint>
#include <string_view>

#include "compiledscriptformat.h"
#include "languagenames.h"

namespace quorlin {

// What a word names besides its token code, for the parser's name lookup.
enum NameKind : std::uint8_t {
    NAME_OTHER,          // a user parameter's name, or no name at all
    NAME_MATRIX_ELEMENT, // starts with the matrix prefix; the digits say which
    NAME_BUILTIN_VALUE,  // nValue is its slot
    NAME_FUNCTION,       // nValue is its index
};

// The meaning of an identifier- or symbol-class word, found by one lookup.
struct WordMeaning {
    TokenType nToken = TOKEN_IDENTIFIER;
    NameKind nKind = NAME_OTHER;
    std::uint32_t nValue = 0;
};

// The token code of a word and, for an identifier, what it names; compared
// without case, as the scanner and the parser compare names.
WordMeaning ClassifyWord(std::string_view word);

// The slot of a matrix element's name ("Mat" and a number whose tens are the
// row and whose units the column); false when the row or the column lies
// beyond the matrix.
bool MatrixElementSlot(std::string_view name, std::uint32_t& nSlot);

// The five keywords that open or close a part of the script.
constexpr bool IsSectionKeyword(TokenType nToken)
{
    return nToken == TOKEN_USERPARAMS || nToken == TOKEN_INPUT || nToken == TOKEN_OUTPUT ||
           nToken == TOKEN_BEGINSCRIPT || nToken == TOKEN_ENDSCRIPT;
}

// What a name in a statement stands for, looked up in the parser's order:
// a matrix element, a built-in value, a user parameter, a function.
enum class NameUse : std::uint8_t {
    MATRIX_ELEMENT,     // nValue is its slot
    BAD_MATRIX_ELEMENT, // the matrix prefix with a row or column beyond the matrix
    BUILTIN_VALUE,      // nValue is its slot
    USER_PARAM,         // nValue is the parameter's index
    FUNCTION,           // nValue is its index; only a call may use it
    UNKNOWN,
};

struct ResolvedName {
    NameUse nUse = NameUse::UNKNOWN;
    std::uint32_t nValue = 0;
};

// Resolves a name whose meaning ClassifyWord gave. findParameter(name,
// nIndex) finds a declared parameter of exactly that name; it is asked only
// when neither a matrix element nor a built-in value answers first.
template <typename FindParameter>
ResolvedName ResolveName(std::string_view name, const WordMeaning& meaning, const FindParameter& findParameter)
{
    std::uint32_t nValue = 0;
    if (meaning.nKind == NAME_MATRIX_ELEMENT)
        return MatrixElementSlot(name, nValue) ? ResolvedName{NameUse::MATRIX_ELEMENT, nValue}
                                               : ResolvedName{NameUse::BAD_MATRIX_ELEMENT, 0};
    if (meaning.nKind == NAME_BUILTIN_VALUE)
        return {NameUse::BUILTIN_VALUE, meaning.nValue};
    if (findParameter(name, nValue))
        return {NameUse::USER_PARAM, nValue};
    if (meaning.nKind == NAME_FUNCTION)
        return {NameUse::FUNCTION, meaning.nValue};
    return {};
}

// The entry of the constant pool a value takes: values enter in the order
// the parser meets them, and equal values share an entry. The index of the
// equal value among the first nCount, or nCount when there is none (the
// index the value would be added at).
std::uint32_t ConstantIndex(const float* pValues, std::uint32_t nCount, float fValue);

} // namespace quorlin

#endif
