// The Quorlin library: compiles the text of a texture script into the bytes
// of a compiled texture script (.tfs), in memory, with the compiler's
// diagnostics as data. This header is all a game tool needs; to load compiled
// files, a renderer needs only the format library (tfsreader.h).
//
//     const quorlin::CompileResult result = quorlin::Compile(text);
//     for (const quorlin::Diagnostic& diagnostic : result.diagnostics)
//         std::fprintf(stderr, "%s:%d:%d: %s\n", name, diagnostic.line, diagnostic.column,
//                      diagnostic.message.c_str());
//     if (result.ok)
//         Save(result.bytes);
#ifndef QUORLIN_QUORLIN_H
#define QUORLIN_QUORLIN_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

enum class Severity { Error, Warning, Note };

struct Diagnostic {
    Severity severity = Severity::Error;
    int line = 0;        // counted from 1, as editors number lines
    int column = 0;      // counted from 1, in bytes, where the token at fault starts
    int length = 0;      // bytes of that token (0 at the end of the text)
    std::string message; // the compiler's own text, exactly
    // Later members (a warning's name, notes tied to their error, fix-its)
    // come after these, each with a default, so callers that name the
    // members above keep compiling.
};

// Figures of a compiled file, for tools that report on scripts.
struct CompileFigures {
    std::uint32_t fileBytes = 0;   // size of the compiled file
    std::uint32_t constants = 0;   // entries of its constant table
    std::uint32_t temporaries = 0; // the deepest temporary the code writes, plus one; 0 without code
    std::uint32_t parameters = 0;  // user parameters declared
};

struct CompileResult {
    bool ok = false;
    std::vector<std::uint8_t> bytes;     // the compiled file; empty when !ok
    std::vector<Diagnostic> diagnostics; // in the order the compiler reports them
    CompileFigures figures;              // all 0 when !ok
};

// Compiles a script. The text needs no terminator; a NUL inside it ends the
// script there, as it ends a script file. The messages are the classic
// compiler's, in its order: the command-line driver's "Line 4: ..." is line 5
// here. Keeps no state between calls, so compiles may run on several threads
// at once. Throws nothing: running out of memory is reported as a diagnostic.
CompileResult Compile(std::string_view text) noexcept;

} // namespace quorlin

#endif
