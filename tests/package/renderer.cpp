// A renderer built against an installed Quorlin package that links only the
// format library: it loads compiled files, checks them and walks their code,
// and holds no compiler code (the package's tests check that with nm).
//
//   renderer <compiled>...      reads and checks each file
//   renderer --reject <file>    expects the file to be refused
//
// Prints one line per failed check and a summary; exits 0 when all passed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "tfsreader.h"
#include <quorlin/languagenames.h>

namespace {

int g_nPassed = 0;
int g_nFailed = 0;

void Check(bool bCondition, const char* pszWhat, const char* pszFile)
{
    if (bCondition) {
        ++g_nPassed;
        return;
    }
    ++g_nFailed;
    std::printf("FAILED: %s: %s\n", pszFile, pszWhat);
}

bool ReadBytes(const char* pszName, std::vector<std::uint8_t>& bytes)
{
    std::FILE* pFile = std::fopen(pszName, "rb");
    if (pFile == nullptr)
        return false;
    bytes.resize(quorlin::BYTECODE_BUFFER_SIZE + 1);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), pFile));
    std::fclose(pFile);
    return true;
}

// Loads one file as a renderer would before evaluating it every frame.
bool Load(const char* pszName, quorlin::CompiledScript& script, quorlin::ReadError& error)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadBytes(pszName, bytes)) {
        Check(false, "the file can be read", pszName);
        return false;
    }
    return quorlin::ReadCompiledScript(bytes.data(), bytes.size(), script, error);
}

void CheckValid(const char* pszName)
{
    static quorlin::CompiledScript script;
    quorlin::ReadError error;
    const bool bRead = Load(pszName, script, error);
    Check(bRead, error.m_szMessage, pszName);
    if (!bRead)
        return;
    Check(!quorlin::InputTypeName(script.m_nInputType).empty(), "the input type has its name", pszName);
    bool bOperandsInRange = true;
    for (std::uint32_t i = 0; i < script.m_nNumInstructions; ++i)
        bOperandsInRange = bOperandsInRange && script.m_aInstructions[i].m_nDestination < quorlin::NUM_SLOTS;
    Check(script.m_nNumInstructions > 0 && bOperandsInRange, "the code is there, every slot in range", pszName);
}

void CheckRejected(const char* pszName)
{
    static quorlin::CompiledScript script;
    quorlin::ReadError error;
    Check(!Load(pszName, script, error) && error.m_nKind != quorlin::READERR_NONE, "the file is refused", pszName);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--reject") == 0) {
        CheckRejected(argv[2]);
    } else if (argc >= 2) {
        for (int i = 1; i < argc; ++i)
            CheckValid(argv[i]);
    } else {
        std::printf("usage: renderer <compiled>... | renderer --reject <file>\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", g_nPassed, g_nFailed);
    return g_nFailed == 0 ? 0 : 1;
}
