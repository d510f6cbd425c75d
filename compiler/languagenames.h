// The documented spelling of every name the language gives a meaning to, for
// the tools that write scripts (the formatter and the decompiler). The lexer
// and the parser match these names without regard to case.
#ifndef QUORLIN_LANGUAGENAMES_H
#define QUORLIN_LANGUAGENAMES_H

#include <cstdint>

#include "compiledscriptformat.h"

namespace quorlin {

struct SpelledName {
    const char* m_pszName;
    std::uint32_t m_nValue; // input or output type, function index or slot
};

constexpr SpelledName SECTION_KEYWORDS[] = {
    {"UserParams", 0}, {"Input", 0}, {"Output", 0}, {"BeginScript", 0}, {"EndScript", 0},
};

constexpr SpelledName INPUT_TYPE_NAMES[] = {
    {"CSNormal", INPUT_CSNORMAL}, {"CSPos", INPUT_CSPOS}, {"CSReflection", INPUT_CSREFLECTION},
    {"WSNormal", INPUT_WSNORMAL}, {"WSPos", INPUT_WSPOS}, {"WSReflection", INPUT_WSREFLECTION},
    {"UV", INPUT_UV},
};
static_assert(sizeof INPUT_TYPE_NAMES / sizeof INPUT_TYPE_NAMES[0] == NUM_INPUT_TYPES, "one name per input type");

constexpr SpelledName OUTPUT_TYPE_NAMES[] = {
    {"TexCoord2", OUTPUT_TEXCOORD2},
    {"TexCoord3", OUTPUT_TEXCOORD3},
    {"TexCoord3Proj", OUTPUT_TEXCOORD3PROJ},
    {"TexCoord4Proj", OUTPUT_TEXCOORD4PROJ},
};
static_assert(sizeof OUTPUT_TYPE_NAMES / sizeof OUTPUT_TYPE_NAMES[0] == NUM_OUTPUT_TYPES, "one name per output type");

// Built-in values other than the matrix elements, which are spelt "Mat"
// followed by the row and the column digit.
constexpr SpelledName BUILTIN_VALUE_NAMES[] = {
    {"Time", SLOT_TIME},
    {"Elapsed", SLOT_ELAPSED},
    {"LevelOffsetX", SLOT_LEVEL_OFFSET_X},
    {"LevelOffsetY", SLOT_LEVEL_OFFSET_Y},
    {"LevelOffsetZ", SLOT_LEVEL_OFFSET_Z},
};
constexpr const char* MATRIX_ELEMENT_PREFIX = "Mat";

constexpr SpelledName FUNCTION_NAMES[] = {
    {"Sin", FUNC_SIN},       {"Cos", FUNC_COS},       {"Tan", FUNC_TAN},
    {"SqrSin", FUNC_SQRSIN}, {"SqrCos", FUNC_SQRCOS}, {"DegToRad", FUNC_DEGTORAD},
};
static_assert(sizeof FUNCTION_NAMES / sizeof FUNCTION_NAMES[0] == NUM_FUNCTIONS, "one name per function");

} // namespace quorlin

#endif
