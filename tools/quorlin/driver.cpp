// The quorlin command: one run checks the command line, reads one script,
// compiles it and writes one compiled texture script. Every line it prints
// goes to standard output and is flushed at once; nothing goes to standard
// error. Exit status 0 means the compiled file was written.
#include "driver.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "commandlineparser.h"
#include "outputfile.h"
#include "quorlinmemory.h"
#include "scriptreader.h"
#include "texturescriptcompiler.h"

namespace quorlin {

namespace {

constexpr int EXIT_STATUS_SUCCESS = 0;
constexpr int EXIT_STATUS_FAILURE = 1;

constexpr char OPTION_DESIGNATOR = '/';
const char* const OPTION_FILE = "file";
const char* const OPTION_OUT = "out";
const char* const OPTION_HELP = "help";

const char* const USAGE_LINE = "Quorlin /file <file to compile> [/out <name of output file>] [/help]";
const char* const OUTPUT_EXTENSION = ".tfs";

static_assert(OUTPUT_NAME_LENGTH == 260, "the refusal message names the limit");
const char* const OUTPUT_NAME_TOO_LONG = "Error: The output file name is longer than 260 characters";
const char* const TOO_MANY_WORDS = "Too many words on the command line";

using OutputName = char[OUTPUT_NAME_LENGTH + 1];

// Releases a block from AllocateMemory when it goes out of scope.
struct MemoryReleaser {
    void operator()(void* pBlock) const { ReleaseMemory(pBlock); }
};
template <typename T>
using MemoryBlock = std::unique_ptr<T, MemoryReleaser>;

// Prints the pieces as one line and flushes, so that each line reaches the
// console (or a pipe) as soon as it is complete. The pieces are printed as
// they are, never used as a format.
void PrintLine(std::initializer_list<const char*> pieces)
{
    for (const char* pszPiece : pieces)
        std::fputs(pszPiece, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------
// Command line

bool IsKnownOption(const char* pszName)
{
    return OptionNamesMatch(pszName, OPTION_FILE) || OptionNamesMatch(pszName, OPTION_OUT) ||
           OptionNamesMatch(pszName, OPTION_HELP);
}

// Prints the message of the first problem with the options and returns
// false; true when the command line asks for a compile. The order of the
// checks decides which problem is reported.
bool CheckCommandLine(const CommandLineParser& parser)
{
    if (parser.HasOption(OPTION_HELP)) {
        PrintUsage("");
        return false;
    }
    for (std::uint32_t i = 0; i < parser.GetNumOptions(); ++i) {
        const char* pszName = parser.GetOption(i);
        if (!IsKnownOption(pszName)) {
            PrintUsage("");
            PrintLine({"Unknown option: ", pszName});
            return false;
        }
    }
    if (parser.GetNumArgs(OPTION_FILE) == 0) {
        PrintUsage("A file name must be specified for compiling");
        return false;
    }
    if (parser.HasOption(OPTION_OUT) && parser.GetNumArgs(OPTION_OUT) == 0) {
        PrintUsage("A file name must be specified for output");
        return false;
    }
    return true;
}

// Puts nStemLength characters of pszStem followed by pszSuffix into the
// output name; false, with nothing written, when that exceeds its length.
bool ComposeName(const char* pszStem, std::size_t nStemLength, const char* pszSuffix, OutputName& szName)
{
    const std::size_t nSuffixLength = std::strlen(pszSuffix);
    if (nStemLength > OUTPUT_NAME_LENGTH || nSuffixLength > OUTPUT_NAME_LENGTH - nStemLength)
        return false;
    std::memcpy(szName, pszStem, nStemLength);
    std::memcpy(szName + nStemLength, pszSuffix, nSuffixLength + 1);
    return true;
}

// Length of the script name without its extension: the extension starts at
// the last full stop, unless a folder separator ('/' or '\') follows it.
std::size_t StemLength(const char* pszScriptName)
{
    const std::size_t nLength = std::strlen(pszScriptName);
    for (std::size_t i = nLength; i > 0; --i) {
        const char c = pszScriptName[i - 1];
        if (c == '.')
            return i - 1;
        if (c == '/' || c == '\\')
            break;
    }
    return nLength;
}

// The output name: the "out" argument unchanged when there is one, otherwise
// the script name with ".tfs" in place of its extension (or appended). False
// when the name would be longer than OUTPUT_NAME_LENGTH.
bool FormOutputName(const char* pszScriptName, const char* pszOutArg, OutputName& szName)
{
    if (pszOutArg != nullptr)
        return ComposeName(pszOutArg, std::strlen(pszOutArg), "", szName);
    return ComposeName(pszScriptName, StemLength(pszScriptName), OUTPUT_EXTENSION, szName);
}

// ---------------------------------------------------------------------------
// Reading the script

void PrintUnableToOpen(const char* pszScriptName)
{
    PrintLine({"Error: Unable to open ", pszScriptName, " for reading. Please verify it exists"});
}

void PrintUnableToAllocate(std::uint64_t nSize)
{
    char szSize[24] = {};
    std::to_chars(szSize, szSize + sizeof(szSize) - 1, nSize);
    PrintLine({"Error: Unable to allocate ", szSize, " bytes for storing the script"});
}

// ---------------------------------------------------------------------------
// Writing the compiled file

// True when the output name designates the script itself: the same name, or
// another name of the same file (a "./" form, a symbolic or hard link).
bool NamesTheScript(const char* pszOutputName, const OutputTarget& target, const char* pszScriptName,
                    const FileIdentity& script)
{
    return std::strcmp(pszOutputName, pszScriptName) == 0 || TargetIsFile(target, script);
}

// Writes the compiled file, the previous output staying whole until the
// new one is complete. Prints the line of a failure.
bool WriteOutput(const char* pszOutputName, const OutputTarget* pTarget, const std::uint8_t* pBytes,
                 std::uint32_t nSize)
{
    const OutputResult result =
        pTarget != nullptr ? WriteOutputTarget(*pTarget, pBytes, nSize) : OutputResult::OPEN_ERROR;
    if (result == OutputResult::OPEN_ERROR)
        PrintLine({"Error opening file ", pszOutputName, " for output. Make sure it is valid and not read only"});
    else if (result == OutputResult::WRITE_ERROR)
        PrintLine({"Error writing file ", pszOutputName, ". Make sure there is enough space on the disk"});
    return result == OutputResult::OK;
}

// One compiler for the run, in static storage: it holds the code buffer
// and its tables, too much for the stack, and static storage cannot fail.
TextureScriptCompiler s_compiler;

} // namespace

// ---------------------------------------------------------------------------

void PrintUsage(const char* pszMessage)
{
    PrintLine({USAGE_LINE});
    PrintLine({""});
    PrintLine({pszMessage});
}

void PrintCompileMessage(const char* pszFormat, ...)
{
    // Shared by every diagnostic; a text that does not fit is cut short.
    static char s_szMessage[MESSAGE_BUFFER_SIZE];

    std::va_list args;
    va_start(args, pszFormat);
    const int nLength = std::vsnprintf(s_szMessage, sizeof(s_szMessage), pszFormat, args);
    va_end(args);
    if (nLength < 0)
        s_szMessage[0] = '\0';
    PrintLine({s_szMessage});
}

bool CompileFile(const char* pszInputName, const char* pszOutputName)
{
    ScriptText text;
    const ScriptLoad load = text.Load(pszInputName);
    if (load == ScriptLoad::NO_MEMORY) {
        PrintUnableToAllocate(text.FileSize());
        return false;
    }
    if (load != ScriptLoad::LOADED) {
        PrintUnableToOpen(pszInputName);
        return false;
    }

    std::uint8_t* pCompiled = nullptr;
    std::uint32_t nCompiledSize = 0;
    bool bCompiled = false;
    {
        const VanishedPageGuard guard(text);
        bCompiled = s_compiler.Compile(text.Data(), text.Length(), PrintCompileMessage, &pCompiled, &nCompiledSize);
    }
    if (!bCompiled) {
        PrintLine({"Errors were encountered when compiling. Compile unsuccessful."});
        return false;
    }
    const MemoryBlock<std::uint8_t> compiled(pCompiled);

    // The script has been read as a whole, but overwriting it with its own
    // compiled form would lose it: refuse. An output whose links cannot be
    // followed cannot be the script, nor be written.
    OutputTarget target;
    const bool bResolved = ResolveOutputTarget(pszOutputName, target);
    if (NamesTheScript(pszOutputName, target, pszInputName, text.Identity())) {
        PrintLine({"Error: The output file ", pszOutputName, " is the script being compiled; it was left unchanged"});
        return false;
    }
    if (!WriteOutput(pszOutputName, bResolved ? &target : nullptr, compiled.get(), nCompiledSize))
        return false;

    PrintLine({pszInputName, " successfully compiled."});
    return true;
}

int RunQuorlin(int argc, char** argv)
{
    // Everything after the program name. On a failed allocation the parser
    // is empty and the checks report a missing file. A parse cut short at a
    // limit is refused before anything else: the words it dropped may have
    // named the script or the output, and a run on the rest could write a
    // file nobody asked for.
    CommandLineParser parser;
    const bool bHasArgs = argc > 1;
    parser.Init(bHasArgs ? static_cast<std::uint32_t>(argc - 1) : 0, bHasArgs ? argv + 1 : nullptr, OPTION_DESIGNATOR);
    if (parser.StoppedAtLimit()) {
        PrintUsage(TOO_MANY_WORDS);
        return EXIT_STATUS_FAILURE;
    }
    parser.SetMaxArgs(OPTION_FILE, 1);
    parser.SetMaxArgs(OPTION_OUT, 1);
    parser.SetMaxArgs(OPTION_HELP, 0);

    if (!CheckCommandLine(parser))
        return EXIT_STATUS_FAILURE;

    const char* pszScriptName = parser.GetArg(OPTION_FILE, 0);
    OutputName szOutputName;
    if (!FormOutputName(pszScriptName, parser.GetArg(OPTION_OUT, 0), szOutputName)) {
        PrintLine({OUTPUT_NAME_TOO_LONG});
        return EXIT_STATUS_FAILURE;
    }
    const bool bCompiled = CompileFile(pszScriptName, szOutputName);
    // A run whose messages were lost (standard output on a full disk, a
    // closed pipe) has failed, even when the file was written.
    return bCompiled && std::ferror(stdout) == 0 ? EXIT_STATUS_SUCCESS : EXIT_STATUS_FAILURE;
}

} // namespace quorlin
