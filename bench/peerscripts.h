// The benchmark scripts rewritten for the tools Quorlin is compared with:
// the same statements as a Lua chunk (luac -p), a C file (tcc -c) and a GLSL
// compute shader (glslangValidator -V), so that each tool parses and
// translates the same expressions.
#ifndef QUORLIN_PEERSCRIPTS_H
#define QUORLIN_PEERSCRIPTS_H

#include <string>

namespace quorlin::benchscripts {

enum class PeerLanguage { LUA, C, GLSL };

// The statements of a script (its body, between BeginScript and EndScript)
// in the peer's language. The min and max operators "<" and ">" become "-"
// and "+", and the bind operator "%" becomes "*": the same precedence and so
// the same trees, in operators that every peer takes for numbers.
std::string PeerSource(const std::string& script, PeerLanguage language);

} // namespace quorlin::benchscripts

#endif
