// Compiled texture script back to an editable script.
//
//     DecompiledScript result = DecompileScript(bytes, size, script, "speed.tfs");
//     // result.m_text compiles to the same bytes when result.m_problems is empty
//
// The script is checked by compiling it again: every part of the file that
// the compiler does not reproduce bit for bit is named in m_problems. That
// happens only for files this compiler could not have written, such as a NaN
// or negative constant, a parameter hidden by a built-in name, or temporaries
// in an order its register assignment never gives; the script is then the
// closest one computing the same assignments.
#ifndef QUORLIN_TFSDUMP_DECOMPILER_H
#define QUORLIN_TFSDUMP_DECOMPILER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tfsreader.h"

namespace quorlin {

struct DecompiledScript {
    std::string m_text;
    std::vector<std::string> m_problems; // one line each, without a line feed
};

// Decompiles a script that ReadCompiledScript accepted from pData[0..nSize).
DecompiledScript DecompileScript(const std::uint8_t* pData, std::size_t nSize, const CompiledScript& script,
                                 const char* pszSourceName);

} // namespace quorlin

#endif
