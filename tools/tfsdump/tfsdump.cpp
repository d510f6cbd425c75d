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
#include "optionparser.h"
#include "outputfile.h"
#include "tfsreader.h"

namespace quorlin {

namespace {

constexpr const char* PROGRAM_NAME = "tfsdump";
constexpr const char* PROGRAM_VERSION = QUORLIN_VERSION;

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
                                  "read or standard output cannot be written, 2 for a usage error or when\n"
                                  "the -o file cannot be written.\n";

struct ToolOptions {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bCheck = false;
    bool m_bScript = false;
    bool m_bListingOption = false; // --no-header or --bytes, which shape listings only
    ListingOptions m_listing;
    const char* m_pszOutput = nullptr;
    std::vector<std::string> m_files;
    bool m_bStdin = false;
};

enum OptionId { OUTPUT = 1, CHECK, NO_HEADER, BYTES, SCRIPT, HELP, VERSION };

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

void ApplyFlag(int nId, ToolOptions& options)
{
    switch (nId) {
    case HELP: options.m_bHelp = true; break;
    case VERSION: options.m_bVersion = true; break;
    case CHECK: options.m_bCheck = true; break;
    case SCRIPT: options.m_bScript = true; break;
    case NO_HEADER: options.m_listing.m_bHeader = false; break;
    default: options.m_listing.m_bBytes = true; break;
    }
    options.m_bListingOption = options.m_bListingOption || nId == NO_HEADER || nId == BYTES;
}

bool ApplyItem(const cli::CommandLineItem& item, ToolOptions& options, std::FILE* pErr)
{
    if (item.isOperand) {
        if (item.text == cli::STDIN_ARGUMENT && options.m_bStdin)
            return UsageError(pErr, "standard input (-) given more than once");
        options.m_bStdin = options.m_bStdin || item.text == cli::STDIN_ARGUMENT;
        options.m_files.push_back(item.text);
    } else if (item.id != OUTPUT) {
        ApplyFlag(item.id, options);
    } else if (options.m_pszOutput != nullptr) {
        return UsageError(pErr, "option -o given more than once");
    } else {
        options.m_pszOutput = item.value.c_str();
    }
    return true;
}

bool CheckOptions(const ToolOptions& options, std::FILE* pErr)
{
    if (options.m_bHelp || options.m_bVersion)
        return true;
    if (options.m_files.empty())
        return UsageError(pErr, "no input files");
    if (options.m_bCheck && options.m_pszOutput != nullptr)
        return UsageError(pErr, "--check writes no listing, so -o has nothing to write");
    if (options.m_bScript && options.m_bCheck)
        return UsageError(pErr, "--check and --script exclude each other");
    if (options.m_bScript && options.m_bListingOption)
        return UsageError(pErr, "--no-header and --bytes shape listings, which --script does not write");
    return true;
}

// The items keep the values that options point into.
bool ParseOptions(int argc, const char* const* argv, std::vector<cli::CommandLineItem>& items, ToolOptions& options,
                  std::FILE* pErr)
{
    const cli::CommandLineProblem problem =
        cli::ParseCommandLine(cli::ArgumentsOf(argc, argv), TfsdumpOptionTable(), items);
    for (const cli::CommandLineItem& item : items) {
        if (!ApplyItem(item, options, pErr))
            return false;
    }
    if (problem.error == cli::CommandLineError::MISSING_VALUE)
        return UsageError(pErr, "option -o needs a file name");
    if (problem.error == cli::CommandLineError::UNKNOWN_OPTION)
        return UsageError(pErr, "unknown option '%s'", problem.argument.c_str());
    return CheckOptions(options, pErr);
}

// The bytes of one input: one more than the format allows, so that the reader
// sees when a file is too long.
struct InputBytes {
    std::uint8_t m_aData[BYTECODE_BUFFER_SIZE + 1];
    std::size_t m_nSize;
};

// Reads the named file, or standard input for "-", into input; reports a
// failure.
bool LoadInput(const char* pszArgument, const char* pszName, std::FILE* pIn, InputBytes& input, std::FILE* pErr)
{
    std::string bytes;
    std::string reason;
    const InputStatus status = ReadNamedInput(pszArgument, pIn, bytes, reason, sizeof input.m_aData);
    if (status != InputStatus::READ) {
        const char* pszWhat = status == InputStatus::OPEN_FAILED ? "cannot open" : "cannot read";
        std::fprintf(pErr, "%s: %s: %s: %s\n", PROGRAM_NAME, pszName, pszWhat, reason.c_str());
        return false;
    }
    std::memcpy(input.m_aData, bytes.data(), bytes.size());
    input.m_nSize = bytes.size();
    return true;
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

    int Run()
    {
        int nStatus = TFSDUMP_STATUS_VALID;
        for (const std::string& file : m_options.m_files) {
            const int nFileStatus = ProcessFile(file);
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
    int ProcessFile(const std::string& argument)
    {
        const std::string name = cli::DisplayName(argument);
        const char* pszName = name.c_str();
        if (!LoadInput(argument.c_str(), pszName, m_pIn, m_input, m_pErr)) {
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
        if (m_options.m_files.size() > 1) {
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
    return TFSDUMP_STATUS_INVALID;
}

// Refuses an output that is one of the files to read, standard input
// included: writing it would destroy what is being listed.
bool OutputIsNoInput(const ToolOptions& options, const OutputTarget& target, std::FILE* pIn, std::FILE* pErr)
{
    for (const std::string& file : options.m_files) {
        const bool bStdin = file == cli::STDIN_ARGUMENT;
        FileIdentity identity;
        if (!(bStdin ? IdentifyStream(pIn, identity) : IdentifyFile(file.c_str(), identity)) ||
            !TargetIsFile(target, identity))
            continue;
        std::fprintf(pErr, "%s: output %s is the input %s itself; it was left unchanged\n", PROGRAM_NAME,
                     options.m_pszOutput, cli::DisplayName(file).c_str());
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
int RunToFile(const ToolOptions& options, std::FILE* pIn, std::FILE* pErr)
{
    OutputTarget target;
    if (!ResolveOutputTarget(options.m_pszOutput, target)) {
        std::fprintf(pErr, "%s: cannot open %s for writing: %s\n", PROGRAM_NAME, options.m_pszOutput,
                     std::strerror(errno));
        return TFSDUMP_STATUS_USAGE;
    }
    if (!OutputIsNoInput(options, target, pIn, pErr))
        return TFSDUMP_STATUS_USAGE;
    std::FILE* pListing = std::tmpfile();
    if (pListing == nullptr) {
        std::fprintf(pErr, "%s: cannot gather the listing: %s\n", PROGRAM_NAME, std::strerror(errno));
        return TFSDUMP_STATUS_USAGE;
    }
    Tool tool(options, pIn, pListing, pErr);
    const int nStatus = tool.Run();
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

const std::vector<cli::OptionEntry>& TfsdumpOptionTable()
{
    using cli::OptionValue;
    static const std::vector<cli::OptionEntry> table = {
        {OUTPUT, "-o", OptionValue::REQUIRED, "FILE", "write the listings to FILE"},
        {CHECK, "--check", OptionValue::NONE, {}, "only check the files"},
        {NO_HEADER, "--no-header", OptionValue::NONE, {}, "leave out the header of each listing"},
        {BYTES, "--bytes", OptionValue::NONE, {}, "show the raw bytes of every instruction"},
        {SCRIPT, "--script", OptionValue::NONE, {}, "write each file back as a script"},
        {HELP, "-h", OptionValue::NONE, {}, "show the help and exit"},
        {HELP, "--help", OptionValue::NONE, {}, "show the help and exit"},
        {VERSION, "--version", OptionValue::NONE, {}, "show the version and exit"},
    };
    return table;
}

int RunTfsdump(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
{
    ToolOptions options;
    std::vector<cli::CommandLineItem> items;
    if (!ParseOptions(argc, argv, items, options, pErr))
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
        return RunToFile(options, pIn, pErr);
    Tool tool(options, pIn, pOut, pErr);
    const int nStatus = tool.Run();
    const int nOutputStatus = FinishOutput(pOut, "standard output", pErr);
    return nOutputStatus != TFSDUMP_STATUS_VALID ? nOutputStatus : nStatus;
}

} // namespace quorlin
