// The WebAssembly module's answers, from a native build of the same entry
// points, for the node test that compares the two. Reads scripts from
// standard input, each as its length in bytes on a line and then its bytes;
// writes one line per answer: compile, diagnose, format, and for a script
// that compiles the listing and the decompiled script of its bytes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "quorlinwasm.h"

namespace {

bool ReadScript(std::string& script)
{
    unsigned long nLength = 0;
    if (std::scanf("%lu", &nLength) != 1 || std::getchar() != '\n')
        return false;
    script.resize(nLength);
    return std::fread(script.data(), 1, nLength, stdin) == nLength;
}

void PrintAnswer(const char* pszJson) { std::printf("%s\n", pszJson); }

void Answer(const std::string& script)
{
    const auto nLength = static_cast<std::uint32_t>(script.size());
    PrintAnswer(quorlin_compile(script.data(), nLength));
    PrintAnswer(quorlin_diagnose(script.data(), nLength));
    PrintAnswer(quorlin_format(script.data(), nLength));
    const std::vector<std::uint8_t> bytes = quorlin::Compile(script).bytes;
    if (bytes.empty())
        return;
    const auto nSize = static_cast<std::uint32_t>(bytes.size());
    PrintAnswer(quorlin_listing(bytes.data(), nSize));
    PrintAnswer(quorlin_decompile(bytes.data(), nSize, "script.tfs"));
}

} // namespace

int main()
{
    std::string script;
    while (ReadScript(script))
        Answer(script);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
