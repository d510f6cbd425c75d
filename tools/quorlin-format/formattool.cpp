// Command line, reading and writing of quorlin-format; the layout itself is
// FormatScript in the compiler library.
#include "formattool.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "inputfile.h"
#include "linebreaks.h"
#include "outputfile.h"
#include "scriptformatter.h"
#include "textcolumns.h"
#include "unifieddiff.h"
#include "visibletext.h"

namespace quorlin {
namespace {

constexpr const char* PROGRAM_NAME = "quorlin-format";
constexpr const char* USAGE_LINE = "Usage: quorlin-format [--check | -d | -i] [FILE...]\n";
constexpr const char* HELP_TEXT = "Lay texture scripts out the canonical way.\n"
                                  "\n"
                                  "Each FILE is formatted; a FILE of - is standard input, as is no FILE at\n"
                                  "all. The scripts compile to the same bytes as before: only white space,\n"
                                  "line breaks and the letter case of the language's own names change. A\n"
                                  "script that does not parse is left alone and its first error printed;\n"
                                  "one that parses but exceeds a limit of the compiled format is formatted.\n"
                                  "Lines end as most lines of the file end (line feed, CR LF or CR).\n"
                                  "\n"
                                  "Options:\n"
                                  "  -i          rewrite the files in place instead of printing them\n"
                                  "  --check     write nothing; list the files that would change\n"
                                  "  -d, --diff  print what would change as a unified diff (a/FILE, b/FILE)\n"
                                  "  -h, --help  show this help and exit\n"
                                  "  --version   show the version and exit\n"
                                  "  --          take every later argument as a FILE\n"
                                  "\n"
                                  "Exit status: 0 on success (with --check or -d: no file would change), 1\n"
                                  "when a file would change, does not parse, cannot be read or written, or\n"
                                  "holds a NUL or another control byte, 2 for a usage error.\n";

struct ToolOptions {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bCheck = false;
    bool m_bInPlace = false;
    bool m_bDiff = false;
    bool m_bStdin = false;
    std::vector<std::string> m_files;
};

int UsageError(std::FILE* pErr, const std::string& message)
{
    std::fprintf(pErr, "%s: %s\n%sTry '%s --help' for more information.\n", PROGRAM_NAME, message.c_str(), USAGE_LINE,
                 PROGRAM_NAME);
    return FORMAT_STATUS_USAGE;
}

enum OptionId { IN_PLACE = 1, CHECK, DIFF, HELP, VERSION };

void ApplyFlag(int nId, ToolOptions& options)
{
    switch (nId) {
    case HELP: options.m_bHelp = true; break;
    case VERSION: options.m_bVersion = true; break;
    case CHECK: options.m_bCheck = true; break;
    case DIFF: options.m_bDiff = true; break;
    default: options.m_bInPlace = true; break;
    }
}

// Splits the arguments; an empty message means they are usable.
std::string ParseArguments(int argc, const char* const* argv, ToolOptions& options)
{
    std::vector<cli::CommandLineItem> items;
    const cli::CommandLineProblem problem =
        cli::ParseCommandLine(cli::ArgumentsOf(argc, argv), FormatToolOptionTable(), items);
    for (const cli::CommandLineItem& item : items) {
        if (!item.isOperand) {
            ApplyFlag(item.id, options);
            continue;
        }
        const bool bStdin = item.text == cli::STDIN_ARGUMENT;
        if (bStdin && options.m_bStdin)
            return "standard input (-) given more than once";
        options.m_bStdin = options.m_bStdin || bStdin;
        options.m_files.push_back(item.text);
    }
    if (problem.error != cli::CommandLineError::NONE)
        return "unknown option '" + problem.argument + "'";
    return std::string();
}

std::string CheckOptions(const ToolOptions& options)
{
    if (options.m_bHelp || options.m_bVersion)
        return std::string();
    if (static_cast<int>(options.m_bCheck) + static_cast<int>(options.m_bInPlace) + static_cast<int>(options.m_bDiff) >
        1)
        return "--check, -d and -i exclude each other";
    if (options.m_bInPlace && (options.m_bStdin || options.m_files.empty()))
        return "-i cannot rewrite standard input in place";
    return std::string();
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
        for (const std::string& file : m_options.m_files) {
            if (!ProcessFile(file.c_str()))
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
        const std::string name = cli::DisplayName(pszArgument);
        const char* pszName = name.c_str();
        std::string text;
        if (!Load(pszArgument, pszName, text))
            return false;
        const FormatResult result = FormatScript(text);
        if (result.m_bSyntaxError)
            return ReportSyntaxError(pszName, text, result.m_syntaxError);
        if (!result.m_bOk)
            return Report(pszName, result.m_error);
        if (m_options.m_bCheck)
            return ListIfChanged(pszName, text, result.m_text);
        if (m_options.m_bDiff)
            return PrintDiff(name, text, result.m_text);
        if (m_options.m_bInPlace)
            return Rewrite(pszArgument, text, result.m_text);
        return std::fwrite(result.m_text.data(), 1, result.m_text.size(), m_pOut) == result.m_text.size();
    }

    bool Load(const char* pszArgument, const char* pszName, std::string& text)
    {
        std::string reason;
        const InputStatus status = ReadNamedInput(pszArgument, m_pIn, text, reason);
        if (status == InputStatus::OPEN_FAILED)
            return Report(pszName, "cannot open: " + reason);
        if (status == InputStatus::READ_FAILED)
            return Report(pszName, "cannot read: " + reason);
        return true;
    }

    // The diff's labels are the name with a/ and b/ before it, as git shows
    // them (a/tmp/x.tsc for /tmp/x.tsc), so that patch -p1 applies it from
    // the directory the name is relative to.
    bool PrintDiff(const std::string& name, const std::string& before, const std::string& after)
    {
        const std::string path = name.front() == '/' ? name : "/" + name;
        const std::string diff = UnifiedDiff(before, after, "a" + path, "b" + path);
        std::fwrite(diff.data(), 1, diff.size(), m_pOut);
        return diff.empty();
    }

    // FILE:LINE:COL: error: MESSAGE, as tfsc begins its report of an error
    // (COL in display columns, textcolumns.h).
    bool ReportSyntaxError(const char* pszName, std::string_view text, const Diagnostic& error)
    {
        const std::string_view line = LineText(text, LineStarts(text), static_cast<std::size_t>(error.line - 1));
        const int nColumn = LineColumns(ColumnUnit::Display).Of(line, error.column);
        std::fprintf(m_pErr, "%s:%d:%d: error: %s\n", VisibleText(pszName).c_str(), error.line, nColumn,
                     VisibleText(error.message).c_str());
        return false;
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

const std::vector<cli::OptionEntry>& FormatToolOptionTable()
{
    using cli::OptionValue;
    static const std::vector<cli::OptionEntry> table = {
        {IN_PLACE, "-i", OptionValue::NONE, {}, "rewrite the files in place"},
        {CHECK, "--check", OptionValue::NONE, {}, "list the files that would change"},
        {DIFF, "-d", OptionValue::NONE, {}, "print what would change as a unified diff"},
        {DIFF, "--diff", OptionValue::NONE, {}, "print what would change as a unified diff"},
        {HELP, "-h", OptionValue::NONE, {}, "show the help and exit"},
        {HELP, "--help", OptionValue::NONE, {}, "show the help and exit"},
        {VERSION, "--version", OptionValue::NONE, {}, "show the version and exit"},
    };
    return table;
}

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
    if (options.m_files.empty())
        options.m_files.emplace_back(cli::STDIN_ARGUMENT);
    return Tool(options, pIn, pOut, pErr).Run();
}

} // namespace quorlin
