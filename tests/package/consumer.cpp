// A program built against an installed Quorlin package, the way a renderer
// or a game tool uses the library.
//
//   consumer                         compiles scripts in process and checks
//                                    the bytes and the diagnostics
//   consumer <script> <compiled>     checks that a file compiled at build time
//                                    holds what the library makes of the script
//
// Prints one line per failed check and a summary; exits 0 when all passed.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "quorlinmemory.h"
#include "texturescriptcompiler.h"
#if __has_include("tfsreader.h")
#include "tfsreader.h"
#endif

using namespace quorlin;

namespace {

const char* const SPEED_SCRIPT = "UserParams Speed;\n"
                                 "Input UV;\n"
                                 "Output TexCoord2;\n"
                                 "BeginScript\n"
                                 "Mat30 = Time * 0.5;\n"
                                 "Mat31 = -Sin(Speed);\n"
                                 "EndScript\n";

const std::uint8_t SPEED_COMPILED[] = {
    0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x53, 0x70, 0x65, 0x65, 0x64, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x14, 0x00, 0x00, 0x00, 0x02,
    0x26, 0x28, 0x01, 0x07, 0x01, 0x00, 0x1C, 0x05, 0x00, 0x20, 0x01, 0x06, 0x01, 0x00, 0x01, 0x07, 0x01, 0x00, 0x1D,
};

// The same script with an undeclared parameter on line 5 (counted from 0).
const char* const BROKEN_SCRIPT = "UserParams Speed;\n"
                                  "Input UV;\n"
                                  "Output TexCoord2;\n"
                                  "BeginScript\n"
                                  "Mat30 = Time * 0.5;\n"
                                  "Mat31 = -Sin(Sped);\n"
                                  "EndScript\n";

constexpr std::size_t MESSAGES_SIZE = 4096;
constexpr std::size_t MAX_FILE_SIZE = 65536;

int g_nPassed = 0;
int g_nFailed = 0;

// Every diagnostic of the current compile, one line each.
char g_szMessages[MESSAGES_SIZE];
std::size_t g_nMessagesLength = 0;

void Check(bool bCondition, const char* pszWhat)
{
    if (bCondition) {
        ++g_nPassed;
        return;
    }
    ++g_nFailed;
    std::printf("FAILED: %s\n", pszWhat);
}

void CollectMessage(const char* pszFormat, ...)
{
    std::va_list args;
    va_start(args, pszFormat);
    const std::size_t nRoom = MESSAGES_SIZE - g_nMessagesLength;
    const int nLength = std::vsnprintf(g_szMessages + g_nMessagesLength, nRoom, pszFormat, args);
    va_end(args);
    if (nLength > 0 && static_cast<std::size_t>(nLength) + 1 < nRoom) {
        g_nMessagesLength += static_cast<std::size_t>(nLength);
        g_szMessages[g_nMessagesLength++] = '\n';
        g_szMessages[g_nMessagesLength] = '\0';
    }
}

// The result of one in-process compile; owns the compiled bytes.
class CompileResult {
public:
    explicit CompileResult(const char* pszSource)
    {
        g_nMessagesLength = 0;
        g_szMessages[0] = '\0';
        TextureScriptCompiler compiler;
        m_bSuccess = compiler.Compile(pszSource, CollectMessage, &m_pBytes, &m_nSize);
    }
    ~CompileResult() { ReleaseMemory(m_pBytes); }
    CompileResult(const CompileResult&) = delete;
    CompileResult& operator=(const CompileResult&) = delete;

    bool Succeeded() const { return m_bSuccess; }
    const std::uint8_t* Bytes() const { return m_pBytes; }
    std::uint32_t Size() const { return m_nSize; }
    bool Holds(const std::uint8_t* pBytes, std::size_t nSize) const
    {
        return m_pBytes != nullptr && m_nSize == nSize && std::memcmp(m_pBytes, pBytes, nSize) == 0;
    }

private:
    bool m_bSuccess = false;
    std::uint8_t* m_pBytes = nullptr;
    std::uint32_t m_nSize = 0;
};

void CheckSpeedScript()
{
    const CompileResult result(SPEED_SCRIPT);
    Check(result.Succeeded(), "the speed script compiles");
    Check(g_nMessagesLength == 0, "the speed script draws no message");
    Check(result.Holds(SPEED_COMPILED, sizeof SPEED_COMPILED), "the speed script compiles to its 57 bytes");
#if __has_include("tfsreader.h")
    static CompiledScript script;
    ReadError error;
    const bool bRead = result.Bytes() != nullptr && ReadCompiledScript(result.Bytes(), result.Size(), script, error);
    Check(bRead, "the reader accepts the compiled speed script");
    if (!bRead)
        return;
    Check(script.m_nVersion == SCRIPT_FORMAT_VERSION, "the version reads back");
    Check(script.m_nNumUserParams == 1 && std::strcmp(script.m_szUserParams[0], "Speed") == 0,
          "the parameter Speed reads back");
    Check(script.m_nInputType == INPUT_UV && script.m_nOutputType == OUTPUT_TEXCOORD2,
          "the input and output types read back");
    Check(script.m_nUsageFlags == (USES_TIME | USES_USER_PARAMS), "the usage flags read back");
    Check(script.m_nNumConstants == 1 && script.m_fConstants[0] == 0.5f, "the constant 0.5 reads back");
    const CompiledInstruction& first = script.m_aInstructions[0];
    Check(script.m_nNumInstructions == 5 && first.m_nOpcode == TSOP_MULTIPLY && first.m_nOperandA == SLOT_TIME &&
              first.m_nOperandB == SLOT_CONSTANT_FIRST && first.m_nDestination == 1,
          "the code reads back, starting with Time * 0.5 into temporary 1");
#endif
}

void CheckBrokenScript()
{
    const CompileResult result(BROKEN_SCRIPT);
    Check(!result.Succeeded() && result.Bytes() == nullptr, "the broken script fails and hands over nothing");
    Check(std::strncmp(g_szMessages, "Line 5: ", 8) == 0, "the first message names line 5");
}

bool ReadWholeFile(const char* pszName, char* pBuffer, std::size_t nCapacity, std::size_t& nSize)
{
    std::FILE* pFile = std::fopen(pszName, "rb");
    if (pFile == nullptr)
        return false;
    nSize = std::fread(pBuffer, 1, nCapacity, pFile);
    const bool bWhole = std::ferror(pFile) == 0 && std::feof(pFile) != 0;
    std::fclose(pFile);
    return bWhole;
}

// A file compiled at build time against the library's own compile of the script.
void CheckCompiledFile(const char* pszScript, const char* pszCompiled)
{
    static char s_szScript[MAX_FILE_SIZE + 1];
    static char s_aCompiled[MAX_FILE_SIZE];
    std::size_t nScriptSize = 0;
    std::size_t nCompiledSize = 0;
    if (!ReadWholeFile(pszScript, s_szScript, MAX_FILE_SIZE, nScriptSize)) {
        Check(false, "the script can be read");
        return;
    }
    s_szScript[nScriptSize] = '\0';
    if (!ReadWholeFile(pszCompiled, s_aCompiled, MAX_FILE_SIZE, nCompiledSize)) {
        Check(false, "the compiled file can be read");
        return;
    }
    const CompileResult result(s_szScript);
    Check(result.Succeeded(), "the script compiles in process");
    Check(result.Holds(reinterpret_cast<const std::uint8_t*>(s_aCompiled), nCompiledSize),
          "the compiled file holds the bytes the library makes of the script");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) {
        CheckCompiledFile(argv[1], argv[2]);
    } else if (argc == 1) {
        CheckSpeedScript();
        CheckBrokenScript();
    } else {
        std::printf("usage: consumer [<script> <compiled file>]\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", g_nPassed, g_nFailed);
    return g_nFailed == 0 ? 0 : 1;
}
