// Command line, input and reporting of the tfsdump tool.
#include "tfsdump.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "decompiler.h"
#include "inputfile.h"
#include "listing.h"
#include "outputfile.h"
#include "tfsreader.h"

namespace quorlin {

namespace {

constexpr const char* PROGRAM_NAME = "tfsdump";
constexpr const char* PROGRAM_VERSION = QUORLIN_VERSION;
constexpr const char* STDIN_ARGUMENT = "-";
constexpr const char* STDIN_DISPLAY_NAME = "<stdin>";

constexpr const char* USAGE_LINE = "Usage: tfsdump [options] FILE...\n";

constexpr const char* HELP_TEXT = "Check compiled texture scripts (.tfs) and list what they hold.\n"
                                  "\n"
                                  "Each FILE is checked against the compiled file format; a FILE of - is\n"
                                  "standard input. The listing of each valid file (a commented header, then\n"
                                  "one instruction a line with its byte offset) goes to standard output,\n"
                                  "every fault to standard error.\n"
                                  "\n"
                                  "Options:\n"
                                  "  -o FILE      write the listings to FILE instead of standard output\n"
                                  "  --check      only check the files: print nothing but faults\n"
                                  "  --no-header  leave out the commented header of each listing\n"
                                  "  --bytes      show the four raw bytes of every instruction\n"
                                  "  --script     write each file back as a script that compiles to the same\n"
                                  "               bytes; parts it cannot reproduce exactly are named on\n"
                                  "               standard error and make the status 1\n"
                                  "  -h, --help   show this help and exit\n"
                                  "  --version    show the version and exit\n"
                                  "  --           take every later argument as a FILE\n"
                                  "\n"
                                  "Exit status: 0 when every file is valid, 1 when one is not or cannot be\n"
                                  "read, 2 for a usage error or when the output cannot be written.\n";

struct ToolOptions {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bCheck = false;
    bool m_bScript = false;
    bool m_bListingOption = false; // --no-header or --bytes, which shape listings only
    ListingOptions m_listing;
    const char* m_pszOutput = nullptr;
    int m_nNumFiles = 0;
    bool m_bStdin = false;
};

// One command-line argument, classified: a file, or an option with the value
// that -o takes from the next argument.
struct Argument {
    bool m_bFile = false;
    const char* m_pszText = nullptr;
    const char* m_pszValue = nullptr;
};

// Walks the arguments the same way for both passes over them.
class ArgumentWalker {
public:
    ArgumentWalker(int argc, const char* const* argv) : m_argc(argc), m_argv(argv), m_nNext(1) {}

    bool Next(Argument& argument)
    {
        if (m_nNext < m_argc && !m_bOnlyFiles && std::strcmp(m_argv[m_nNext], "--") == 0) {
            m_bOnlyFiles = true;
            ++m_nNext;
        }
        if (m_nNext >= m_argc)
            return false;
        const char* pszText = m_argv[m_nNext++];
        argument = Argument{};
        argument.m_pszText = pszText;
        argument.m_bFile = m_bOnlyFiles || pszText[0] != '-' || std::strcmp(pszText, STDIN_ARGUMENT) == 0;
        if (!argument.m_bFile && std::strcmp(pszText, "-o") == 0 && m_nNext < m_argc)
            argument.m_pszValue = m_argv[m_nNext++];
        return true;
    }

private:
    int m_argc;
    const char* const* m_argv;
    int m_nNext;
    bool m_bOnlyFiles = false;
};

[[gnu::format(printf, 2, 3)]] bool UsageError(std::FILE* pErr, const char* pszFormat, ...)
{
    std::fprintf(pErr, "%s: ", PROGRAM_NAME);
    std::va_list args;
    va_start(args, pszFormat);
    std::vfprintf(pErr, pszFormat, args);
    va_end(args);
    std::fprintf(pErr, "\n%sTry '%s --help' for more information.\n", USAGE_LINE, PROGRAM_NAME);
    return false;
}

bool ApplyOption(const Argument& argument, ToolOptions& options, std::FILE* pErr)
{
    const char* pszOption = argument.m_pszText;
    if (std::strcmp(pszOption, "-h") == 0 || std::strcmp(pszOption, "--help") == 0) {
        options.m_bHelp = true;
    } else if (std::strcmp(pszOption, "--version") == 0) {
        options.m_bVersion = true;
    } else if (std::strcmp(pszOption, "--check") == 0) {
        options.m_bCheck = true;
    } else if (std::strcmp(pszOption, "--script") == 0) {
        options.m_bScript = true;
    } else if (std::strcmp(pszOption, "--no-header") == 0) {
        options.m_listing.m_bHeader = false;
        options.m_bListingOption = true;
    } else if (std::strcmp(pszOption, "--bytes") == 0) {
        options.m_listing.m_bBytes = true;
        options.m_bListingOption = true;
    } else if (std::strcmp(pszOption, "-o") == 0) {
        if (argument.m_pszValue == nullptr)
            return UsageError(pErr, "option -o needs a file name");
        if (options.m_pszOutput != nullptr)
            return UsageError(pErr, "option -o given more than once");
        options.m_pszOutput = argument.m_pszValue;
    } else {
        return UsageError(pErr, "unknown option '%s'", pszOption);
    }
    return true;
}

bool ParseOptions(int argc, const char* const* argv, ToolOptions& options, std::FILE* pErr)
{
    ArgumentWalker walker(argc, argv);
    Argument argument;
    while (walker.Next(argument)) {
        if (!argument.m_bFile) {
            if (!ApplyOption(argument, options, pErr))
                return false;
            continue;
        }
        if (std::strcmp(argument.m_pszText, STDIN_ARGUMENT) == 0) {
            if (options.m_bStdin)
                return UsageError(pErr, "standard input (-) given more than once");
            options.m_bStdin = true;
        }
        ++options.m_nNumFiles;
    }
    if (options.m_bHelp || options.m_bVersion)
        return true;
    if (options.m_nNumFiles == 0)
        return UsageError(pErr, "no input files");
    if (options.m_bCheck && options.m_pszOutput != nullptr)
        return UsageError(pErr, "--check writes no listing, so -o has nothing to write");
    if (options.m_bScript && options.m_bCheck)
        return UsageError(pErr, "--check and --script exclude each other");
    if (options.m_bScript && options.m_bListingOption)
        return UsageError(pErr, "--no-header and --bytes shape listings, which --script does not write");
    return true;
}

// The bytes of one input: one more than the format allows, so that the reader
// sees when a file is too long.
struct InputBytes {
    std::uint8_t m_aData[BYTECODE_BUFFER_SIZE + 1];
    std::size_t m_nSize;
};

bool ReadInput(std::FILE* pFile, InputBytes& input)
{
    input.m_nSize = 0;
    while (input.m_nSize < sizeof input.m_aData) {
        const std::size_t nRead =
            std::fread(input.m_aData + input.m_nSize, 1, sizeof input.m_aData - input.m_nSize, pFile);
        input.m_nSize += nRead;
        if (nRead == 0)
            break;
    }
    return std::ferror(pFile) == 0;
}

// Reads the named file, or standard input for "-"; reports a failure.
bool LoadInput(const char* pszArgument, const char* pszName, std::FILE* pIn, InputBytes& input, std::FILE* pErr)
{
    const bool bStdin = std::strcmp(pszArgument, STDIN_ARGUMENT) == 0;
    std::FILE* pFile = bStdin ? pIn : OpenForReading(pszArgument);
    if (pFile == nullptr) {
        std::fprintf(pErr, "%s: %s: cannot open: %s\n", PROGRAM_NAME, pszName, std::strerror(errno));
        return false;
    }
    errno = 0;
    const bool bRead = ReadInput(pFile, input);
    const int nError = errno;
    if (!bStdin)
        std::fclose(pFile);
    if (!bRead) {
        std::fprintf(pErr, "%s: %s: cannot read: %s\n", PROGRAM_NAME, pszName,
                     nError != 0 ? std::strerror(nError) : "read error");
    }
    return bRead;
}

void ReportFault(const char* pszName, const InputBytes& input, const CompiledScript& script, const ReadError& error,
                 std::FILE* pErr)
{
    std::fprintf(pErr, "%s: %s: offset 0x%04x (byte %u): %s\n", PROGRAM_NAME, pszName, error.m_nOffset, error.m_nOffset,
                 error.m_szMessage);
    if (error.m_nInstruction == NO_INSTRUCTION)
        return;
    const std::uint32_t nStart = script.m_nCodeOffset + error.m_nInstruction * INSTRUCTION_SIZE;
    if (nStart + INSTRUCTION_SIZE > input.m_nSize)
        return;
    char szLine[MAX_LISTING_LINE];
    FormatInstruction(script, input.m_aData + nStart, nStart, true, szLine, sizeof szLine);
    std::fprintf(pErr, "    %s\n", szLine);
}

class Tool {
public:
    Tool(const ToolOptions& options, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
        : m_options(options), m_pIn(pIn), m_pOut(pOut), m_pErr(pErr)
    {
    }

    int Run(int argc, const char* const* argv)
    {
        ArgumentWalker walker(argc, argv);
        Argument argument;
        int nStatus = TFSDUMP_STATUS_VALID;
        while (walker.Next(argument)) {
            if (!argument.m_bFile)
                continue;
            const int nFileStatus = ProcessFile(argument.m_pszText);
            if (nFileStatus == TFSDUMP_STATUS_USAGE)
                return nFileStatus;
            if (nFileStatus != TFSDUMP_STATUS_VALID)
                nStatus = nFileStatus;
        }
        return nStatus;
    }

    // Whether a file could not be read or is no valid compiled file.
    bool InputFailed() const { return m_bInputFailed; }

private:
    int ProcessFile(const char* pszArgument)
    {
        const bool bStdin = std::strcmp(pszArgument, STDIN_ARGUMENT) == 0;
        const char* pszName = bStdin ? STDIN_DISPLAY_NAME : pszArgument;
        if (!LoadInput(pszArgument, pszName, m_pIn, m_input, m_pErr)) {
            m_bInputFailed = true;
            return TFSDUMP_STATUS_INVALID;
        }
        ReadError error;
        if (!ReadCompiledScript(m_input.m_aData, m_input.m_nSize, m_script, error)) {
            ReportFault(pszName, m_input, m_script, error, m_pErr);
            m_bInputFailed = true;
            return TFSDUMP_STATUS_INVALID;
        }
        if (m_options.m_bCheck)
            return TFSDUMP_STATUS_VALID;
        if (m_options.m_bScript)
            return WriteFileScript(pszName);
        // A failed write leaves the stream's error flag set; FinishOutput
        // reports it once for the whole run.
        return WriteFileListing(pszName) ? TFSDUMP_STATUS_VALID : TFSDUMP_STATUS_USAGE;
    }

    // With several files each listing is headed by the file's name and
    // separated from the one before by an empty line.
    bool WriteFileListing(const char* pszName)
    {
        bool bOk = true;
        if (m_options.m_nNumFiles > 1) {
            bOk = (!m_bListingWritten || std::fputc('\n', m_pOut) != EOF) &&
                  std::fprintf(m_pOut, "; file %s\n", pszName) >= 0;
        }
        m_bListingWritten = true;
        return bOk && WriteListing(m_pOut, m_script, m_options.m_listing);
    }

    // Scripts name their file in their first line; several are separated by
    // an empty line. Parts that do not come back exactly make the status 1.
    int WriteFileScript(const char* pszName)
    {
        const quorlin::DecompiledScript result =
            quorlin::DecompileScript(m_input.m_aData, m_input.m_nSize, m_script, pszName);
        const bool bOk = (!m_bListingWritten || std::fputc('\n', m_pOut) != EOF) &&
                         std::fwrite(result.m_text.data(), 1, result.m_text.size(), m_pOut) == result.m_text.size();
        m_bListingWritten = true;
        for (const std::string& problem : result.m_problems)
            std::fprintf(m_pErr, "%s: %s: %s\n", PROGRAM_NAME, pszName, problem.c_str());
        if (!bOk)
            return TFSDUMP_STATUS_USAGE;
        return result.m_problems.empty() ? TFSDUMP_STATUS_VALID : TFSDUMP_STATUS_INVALID;
    }

    const ToolOptions& m_options;
    std::FILE* m_pIn;
    std::FILE* m_pOut;
    std::FILE* m_pErr;
    bool m_bListingWritten = false;
    bool m_bInputFailed = false;
    InputBytes m_input{};
    CompiledScript m_script{};
};

// Flushes the listing stream and reports a write that failed at any time
// during the run.
int FinishOutput(std::FILE* pOut, const char* pszName, std::FILE* pErr)
{
    errno = 0;
    const bool bOk = std::fflush(pOut) == 0 && std::ferror(pOut) == 0;
    const int nError = errno;
    if (bOk)
        return TFSDUMP_STATUS_VALID;
    std::fprintf(pErr, "%s: cannot write %s: %s\n", PROGRAM_NAME, pszName,
                 nError != 0 ? std::strerror(nError) : "write error");
    return TFSDUMP_STATUS_USAGE;
}

// Refuses an output that is one of the files to read, standard input
// included: writing it would destroy what is being listed.
bool OutputIsNoInput(const ToolOptions& options, const OutputTarget& target, int argc, const char* const* argv,
                     std::FILE* pIn, std::FILE* pErr)
{
    ArgumentWalker walker(argc, argv);
    Argument argument;
    while (walker.Next(argument)) {
        const bool bStdin = argument.m_bFile && std::strcmp(argument.m_pszText, STDIN_ARGUMENT) == 0;
        FileIdentity identity;
        if (!argument.m_bFile ||
            !(bStdin ? IdentifyStream(pIn, identity) : IdentifyFile(argument.m_pszText, identity)) ||
            !TargetIsFile(target, identity))
            continue;
        std::fprintf(pErr, "%s: output %s is the input %s itself; it was left unchanged\n", PROGRAM_NAME,
                     options.m_pszOutput, bStdin ? STDIN_DISPLAY_NAME : argument.m_pszText);
        return false;
    }
    return true;
}

// The listings gathered in the temporary stream, closed afterwards.
bool TakeListing(std::FILE* pListing, std::string& text)
{
    bool bOk = std::fflush(pListing) == 0 && std::ferror(pListing) == 0;
    std::rewind(pListing);
    char aChunk[65536];
    std::size_t nRead = 0;
    while (bOk && (nRead = std::fread(aChunk, 1, sizeof aChunk, pListing)) > 0)
        text.append(aChunk, nRead);
    bOk = bOk && std::ferror(pListing) == 0;
    return std::fclose(pListing) == 0 && bOk;
}

int WriteListingFile(const OutputTarget& target, const char* pszName, const std::string& text, std::FILE* pErr)
{
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const OutputResult result = WriteOutputTarget(target, bytes.data(), bytes.size());
    if (result == OutputResult::OK)
        return TFSDUMP_STATUS_VALID;
    const char* pszFormat =
        result == OutputResult::OPEN_ERROR ? "%s: cannot open %s for writing: %s\n" : "%s: cannot write %s: %s\n";
    std::fprintf(pErr, pszFormat, PROGRAM_NAME, pszName, std::strerror(errno));
    return TFSDUMP_STATUS_USAGE;
}

// With -o the listings are gathered first and the file written only when
// every input was read and is valid: until then it keeps what it held.
int RunToFile(const ToolOptions& options, int argc, const char* const* argv, std::FILE* pIn, std::FILE* pErr)
{
    OutputTarget target;
    if (!ResolveOutputTarget(options.m_pszOutput, target)) {
        std::fprintf(pErr, "%s: cannot open %s for writing: %s\n", PROGRAM_NAME, options.m_pszOutput,
                     std::strerror(errno));
        return TFSDUMP_STATUS_USAGE;
    }
    if (!OutputIsNoInput(options, target, argc, argv, pIn, pErr))
        return TFSDUMP_STATUS_USAGE;
    std::FILE* pListing = std::tmpfile();
    if (pListing == nullptr) {
        std::fprintf(pErr, "%s: cannot gather the listing: %s\n", PROGRAM_NAME, std::strerror(errno));
        return TFSDUMP_STATUS_USAGE;
    }
    Tool tool(options, pIn, pListing, pErr);
    const int nStatus = tool.Run(argc, argv);
    std::string text;
    if (!TakeListing(pListing, text) || nStatus == TFSDUMP_STATUS_USAGE) {
        std::fprintf(pErr, "%s: cannot gather the listing; %s was left unchanged\n", PROGRAM_NAME, options.m_pszOutput);
        return TFSDUMP_STATUS_USAGE;
    }
    if (tool.InputFailed()) {
        std::fprintf(pErr, "%s: %s was left unchanged\n", PROGRAM_NAME, options.m_pszOutput);
        return nStatus;
    }
    const int nOutputStatus = WriteListingFile(target, options.m_pszOutput, text, pErr);
    return nOutputStatus != TFSDUMP_STATUS_VALID ? nOutputStatus : nStatus;
}

} // namespace

int RunTfsdump(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
{
    ToolOptions options;
    if (!ParseOptions(argc, argv, options, pErr))
        return TFSDUMP_STATUS_USAGE;
    if (options.m_bHelp) {
        std::fprintf(pOut, "%s\n%s", USAGE_LINE, HELP_TEXT);
        return FinishOutput(pOut, "standard output", pErr);
    }
    if (options.m_bVersion) {
        std::fprintf(pOut, "%s (Quorlin) %s\ncompiled texture script format version %u\n", PROGRAM_NAME,
                     PROGRAM_VERSION, static_cast<unsigned>(SCRIPT_FORMAT_VERSION));
        return FinishOutput(pOut, "standard output", pErr);
    }
    if (options.m_pszOutput != nullptr)
        return RunToFile(options, argc, argv, pIn, pErr);
    Tool tool(options, pIn, pOut, pErr);
    const int nStatus = tool.Run(argc, argv);
    const int nOutputStatus = FinishOutput(pOut, "standard output", pErr);
    return nOutputStatus != TFSDUMP_STATUS_VALID ? nOutputStatus : nStatus;
}

} // namespace quorlin
