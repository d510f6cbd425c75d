// A game tool built against an installed Quorlin package. It has names of its
// own that the installed headers must leave alone (InputType, ReadError,
// CompiledScript, ...), includes every installed header and compiles scripts
// in process through quorlin::Compile.
//
//   consumer                         compiles scripts in process and checks
//                                    the bytes, the figures and the diagnostics
//   consumer <script> <compiled>     checks that a file compiled at build time
//                                    holds what the library makes of the script
//
// Prints one line per failed check and a summary; exits 0 when all passed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The game's own names, the same as names of the installed headers.
enum InputType { GAME_INPUT_KEYBOARD, GAME_INPUT_PAD };
enum OutputType { GAME_OUTPUT_SCREEN };
enum TokenType { GAME_TOKEN_NONE };
struct ReadError {
    int nCode;
};
struct CompiledScript {
    const char* pszName;
};
using ErrorCallback = void (*)(const char* pszMessage);
constexpr int MAX_INSTRUCTIONS = 3;

#include <quorlin/charclass.h>
#include <quorlin/compiledscriptformat.h>
#include <quorlin/languagenames.h>
#include <quorlin/quorlin.h>
#include <quorlin/tfsreader.h>

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

// The same script with an undeclared parameter at line 6, column 15 (the
// classic driver's "Line 5").
const char* const BROKEN_SCRIPT = "UserParams Speed;\n"
                                  "Input UV;\n"
                                  "Output TexCoord2;\n"
                                  "BeginScript\n"
                                  "Mat30 = Time * 0.5;\n"
                                  "Mat31 = -Sin(Sped);\n"
                                  "EndScript\n";

constexpr std::size_t MAX_FILE_SIZE = 65536;

int g_nPassed = 0;
int g_nFailed = 0;

void Check(bool bCondition, const char* pszWhat)
{
    if (bCondition) {
        ++g_nPassed;
        return;
    }
    ++g_nFailed;
    std::printf("FAILED: %s\n", pszWhat);
}

void CheckOwnNames()
{
    const InputType nInput = GAME_INPUT_PAD;
    const ReadError error = {MAX_INSTRUCTIONS};
    const CompiledScript script = {"sky"};
    Check(nInput == 1 && error.nCode == 3 && std::strcmp(script.pszName, "sky") == 0,
          "the game's own names stand beside the installed ones");
    Check(quorlin::InputTypeName(quorlin::INPUT_UV) == "UV" && quorlin::EqualsNoCase("texcoord2", "TexCoord2"),
          "the language's names are there to read");
}

void CheckSpeedScript()
{
    const quorlin::CompileResult result = quorlin::Compile(SPEED_SCRIPT);
    Check(result.ok && result.diagnostics.empty(), "the speed script compiles without a message");
    Check(result.bytes == std::vector<std::uint8_t>(SPEED_COMPILED, SPEED_COMPILED + sizeof SPEED_COMPILED),
          "the speed script compiles to its 57 bytes");
    Check(result.figures.fileBytes == 57 && result.figures.constants == 1 && result.figures.parameters == 1,
          "the figures count the file's bytes, constants and parameters");

    static quorlin::CompiledScript script;
    quorlin::ReadError error;
    const bool bRead = quorlin::ReadCompiledScript(result.bytes.data(), result.bytes.size(), script, error);
    Check(bRead, "the reader accepts the compiled speed script");
    Check(bRead && script.m_nInputType == quorlin::INPUT_UV && script.m_nNumInstructions == 5 &&
              script.m_aInstructions[0].m_nOpcode == quorlin::TSOP_MULTIPLY,
          "the code reads back, starting with Time * 0.5");
}

void CheckBrokenScript()
{
    const quorlin::CompileResult result = quorlin::Compile(BROKEN_SCRIPT);
    Check(!result.ok && result.bytes.empty(), "the broken script fails and hands over nothing");
    const bool bHasFirst = !result.diagnostics.empty();
    Check(bHasFirst, "the broken script draws a diagnostic");
    if (!bHasFirst)
        return;
    const quorlin::Diagnostic& first = result.diagnostics[0];
    Check(first.severity == quorlin::Severity::Error && first.line == 6 && first.column == 14 && first.length == 4,
          "the first diagnostic points at Sped on line 6");
    Check(first.message == "Invalid variable found", "the first diagnostic is the compiler's own text");
}

bool ReadWholeFile(const char* pszName, std::string& contents)
{
    std::FILE* pFile = std::fopen(pszName, "rb");
    if (pFile == nullptr)
        return false;
    contents.resize(MAX_FILE_SIZE);
    contents.resize(std::fread(&contents[0], 1, MAX_FILE_SIZE, pFile));
    const bool bWhole = std::ferror(pFile) == 0 && std::feof(pFile) != 0;
    std::fclose(pFile);
    return bWhole;
}

// A file compiled at build time against the library's own compile of the script.
void CheckCompiledFile(const char* pszScript, const char* pszCompiled)
{
    std::string script;
    std::string compiled;
    if (!ReadWholeFile(pszScript, script) || !ReadWholeFile(pszCompiled, compiled)) {
        Check(false, "the script and the compiled file can be read");
        return;
    }
    const quorlin::CompileResult result = quorlin::Compile(script);
    Check(result.ok, "the script compiles in process");
    Check(std::string(result.bytes.begin(), result.bytes.end()) == compiled,
          "the compiled file holds the bytes the library makes of the script");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) {
        CheckCompiledFile(argv[1], argv[2]);
    } else if (argc == 1) {
        CheckOwnNames();
        CheckSpeedScript();
        CheckBrokenScript();
    } else {
        std::printf("usage: consumer [<script> <compiled file>]\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", g_nPassed, g_nFailed);
    return g_nFailed == 0 ? 0 : 1;
}
