// Script text for rebuilt statement trees, laid out as quorlin-format lays
// out scripts.
#ifndef QUORLIN_TFSDUMP_SCRIPTWRITER_H
#define QUORLIN_TFSDUMP_SCRIPTWRITER_H

#include <string>

#include "codetree.h"
#include "tfsreader.h"

namespace quorlin {

// The whole script: a comment naming pszSourceName, the header sections, one
// line per statement with the least parentheses that keep each tree, and the
// statements that emit no code but fill the constant table and the usage
// flags the way the file holds them.
std::string WriteScript(const CompiledScript& script, const CodeTrees& trees, const char* pszSourceName);

} // namespace quorlin

#endif
