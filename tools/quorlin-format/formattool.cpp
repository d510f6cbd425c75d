// Command line, reading and writing of quorlin-format; the layout itself is
// FormatScript in the compiler library.
#include "formattool.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "inputfile.h"
#include "outputfile.h"
#include "scriptformatter.h"

namespace quorlin {
namespace {

constexpr const char* PROGRAM_NAME = "quorlin-format";
constexpr const char* STDIN_ARGUMENT = "-";
constexpr const char* STDIN_DISPLAY_NAME = "<stdin>";
constexpr const char* USAGE_LINE = "Usage: quorlin-format [--check] [-i] FILE...\n";
constexpr const char* HELP_TEXT = "Lay texture scripts out the canonical way.\n"
                                  "\n"
                                  "Each FILE is formatted; a FILE of - is standard input. The scripts compile\n"
                                  "to the same bytes as before: only white space, line breaks and the letter\n"
                                  "case of the language's own names change.\n"
                                  "\n"
                                  "Options:\n"
                                  "  -i          rewrite the files in place instead of printing them\n"
                                  "  --check     write nothing; list the files that would change\n"
                                  "  -h, --help  show this help and exit\n"
                                  "  --version   show the version and exit\n"
                                  "  --          take every later argument as a FILE\n"
                                  "\n"
                                  "Exit status: 0 on success (with --check: no file would change), 1 when a\n"
                                  "file would change, cannot be read or written, or holds a NUL or another\n"
                                  "control byte, 2 for a usage error.\n";

struct ToolOptions {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bCheck = false;
    bool m_bInPlace = false;
    bool m_bStdin = false;
    std::vector<const char*> m_files;
};

int UsageError(std::FILE* pErr, const std::string& message)
{
    std::fprintf(pErr, "%s: %s\n%sTry '%s --help' for more information.\n", PROGRAM_NAME, message.c_str(), USAGE_LINE,
                 PROGRAM_NAME);
    return FORMAT_STATUS_USAGE;
}

bool ApplyOption(const char* pszOption, ToolOptions& options)
{
    if (std::strcmp(pszOption, "-h") == 0 || std::strcmp(pszOption, "--help") == 0)
        options.m_bHelp = true;
    else if (std::strcmp(pszOption, "--version") == 0)
        options.m_bVersion = true;
    else if (std::strcmp(pszOption, "--check") == 0)
        options.m_bCheck = true;
    else if (std::strcmp(pszOption, "-i") == 0)
        options.m_bInPlace = true;
    else
        return false;
    return true;
}

// Splits the arguments; an empty message means they are usable.
std::string ParseArguments(int argc, const char* const* argv, ToolOptions& options)
{
    bool bOnlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const char* pszArgument = argv[i];
        if (!bOnlyFiles && std::strcmp(pszArgument, "--") == 0) {
            bOnlyFiles = true;
        } else if (!bOnlyFiles && pszArgument[0] == '-' && std::strcmp(pszArgument, STDIN_ARGUMENT) != 0) {
            if (!ApplyOption(pszArgument, options))
                return std::string("unknown option '") + pszArgument + "'";
        } else {
            const bool bStdin = std::strcmp(pszArgument, STDIN_ARGUMENT) == 0;
            if (bStdin && options.m_bStdin)
                return "standard input (-) given more than once";
            options.m_bStdin = options.m_bStdin || bStdin;
            options.m_files.push_back(pszArgument);
        }
    }
    return std::string();
}

std::string CheckOptions(const ToolOptions& options)
{
    if (options.m_bHelp || options.m_bVersion)
        return std::string();
    if (options.m_files.empty())
        return "no input files";
    if (options.m_bCheck && options.m_bInPlace)
        return "--check and -i exclude each other";
    if (options.m_bInPlace && options.m_bStdin)
        return "-i cannot rewrite standard input in place";
    return std::string();
}

bool ReadAll(std::FILE* pFile, std::string& text)
{
    char aBuffer[65536];
    std::size_t nRead = 0;
    while ((nRead = std::fread(aBuffer, 1, sizeof aBuffer, pFile)) > 0)
        text.append(aBuffer, nRead);
    return std::ferror(pFile) == 0;
}

class Tool {
public:
    Tool(const ToolOptions& options, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
        : m_options(options), m_pIn(pIn), m_pOut(pOut), m_pErr(pErr)
    {
    }

    int Run()
    {
        int nStatus = FORMAT_STATUS_OK;
        for (const char* pszFile : m_options.m_files) {
            if (!ProcessFile(pszFile))
                nStatus = FORMAT_STATUS_FAILED;
        }
        if (std::fflush(m_pOut) != 0 || std::ferror(m_pOut) != 0) {
            std::fprintf(m_pErr, "%s: cannot write standard output: %s\n", PROGRAM_NAME, std::strerror(errno));
            return FORMAT_STATUS_FAILED;
        }
        return nStatus;
    }

private:
    bool ProcessFile(const char* pszArgument)
    {
        const bool bStdin = std::strcmp(pszArgument, STDIN_ARGUMENT) == 0;
        const char* pszName = bStdin ? STDIN_DISPLAY_NAME : pszArgument;
        std::string text;
        if (!Load(pszArgument, bStdin, pszName, text))
            return false;
        const FormatResult result = FormatScript(text);
        if (!result.m_bOk)
            return Report(pszName, result.m_error);
        if (m_options.m_bCheck)
            return ListIfChanged(pszName, text, result.m_text);
        if (m_options.m_bInPlace)
            return Rewrite(pszArgument, text, result.m_text);
        return std::fwrite(result.m_text.data(), 1, result.m_text.size(), m_pOut) == result.m_text.size();
    }

    bool Load(const char* pszArgument, bool bStdin, const char* pszName, std::string& text)
    {
        std::FILE* pFile = bStdin ? m_pIn : OpenForReading(pszArgument);
        if (pFile == nullptr)
            return Report(pszName, std::string("cannot open: ") + std::strerror(errno));
        errno = 0;
        const bool bRead = ReadAll(pFile, text);
        const int nError = errno;
        if (!bStdin)
            std::fclose(pFile);
        if (!bRead)
            return Report(pszName, std::string("cannot read: ") + (nError != 0 ? std::strerror(nError) : "read error"));
        return true;
    }

    bool ListIfChanged(const char* pszName, const std::string& before, const std::string& after)
    {
        if (before == after)
            return true;
        std::fprintf(m_pOut, "%s\n", pszName);
        return false;
    }

    // The file is replaced as a whole, the way quorlin replaces its outputs;
    // one already in the canonical layout is not touched at all.
    bool Rewrite(const char* pszPath, const std::string& before, const std::string& after)
    {
        if (before == after)
            return true;
        const std::vector<std::uint8_t> bytes(after.begin(), after.end());
        errno = 0;
        const OutputResult result = WriteOutputFile(pszPath, bytes.data(), bytes.size());
        if (result == OutputResult::OK)
            return true;
        const int nError = errno;
        return Report(pszPath, std::string("cannot rewrite: ") + (nError != 0 ? std::strerror(nError) : "write error"));
    }

    bool Report(const char* pszName, const std::string& message)
    {
        std::fprintf(m_pErr, "%s: %s: %s\n", PROGRAM_NAME, pszName, message.c_str());
        return false;
    }

    const ToolOptions& m_options;
    std::FILE* m_pIn;
    std::FILE* m_pOut;
    std::FILE* m_pErr;
};

} // namespace

int RunFormatTool(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr)
{
    ToolOptions options;
    std::string problem = ParseArguments(argc, argv, options);
    if (problem.empty())
        problem = CheckOptions(options);
    if (!problem.empty())
        return UsageError(pErr, problem);
    if (options.m_bHelp) {
        std::fprintf(pOut, "%s\n%s", USAGE_LINE, HELP_TEXT);
        return std::fflush(pOut) == 0 ? FORMAT_STATUS_OK : FORMAT_STATUS_FAILED;
    }
    if (options.m_bVersion) {
        std::fprintf(pOut, "%s (Quorlin) %s\n", PROGRAM_NAME, QUORLIN_VERSION);
        return std::fflush(pOut) == 0 ? FORMAT_STATUS_OK : FORMAT_STATUS_FAILED;
    }
    return Tool(options, pIn, pOut, pErr).Run();
}

} // namespace quorlin
