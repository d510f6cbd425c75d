// tfsc's command line, checked in full before anything is read: an unknown
// option, a missing value or a contradiction is a usage error.
#include "tfscoptions.h"

#include <algorithm>
#include <string_view>

#include "quorlin/quorlin.h"

namespace quorlin {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsWarningName(std::string_view name)
{
    const std::vector<std::string_view>& names = WarningNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

// -W<name>, -Wno-<name>, -Werror, -Wall.
bool ParseWarningOption(std::string_view arg, TfscOptions& options, std::string& error)
{
    const std::string_view setting = arg.substr(2);
    if (setting == "error") {
        options.bWarningsAsErrors = true;
        return true;
    }
    if (setting == "all")
        return true;
    // "no-effect" is itself a name: -Wno-effect turns it on, -Wno-no-effect off.
    const bool bDisable = !IsWarningName(setting) && StartsWith(setting, "no-");
    const std::string name(bDisable ? setting.substr(3) : setting);
    if (!IsWarningName(name)) {
        error = "unknown warning option '" + std::string(arg) + "'";
        return false;
    }
    if (bDisable)
        options.disabledWarnings.insert(name);
    else
        options.disabledWarnings.erase(name);
    return true;
}

bool ParseColor(std::string_view value, TfscOptions& options, std::string& error)
{
    if (value == "auto")
        options.color = ColorMode::Auto;
    else if (value == "always")
        options.color = ColorMode::Always;
    else if (value == "never")
        options.color = ColorMode::Never;
    else {
        error = "invalid argument '" + std::string(value) + "' to '--color' (auto, always or never)";
        return false;
    }
    return true;
}

bool ParseFormat(std::string_view value, TfscOptions& options, std::string& error)
{
    if (value == "text")
        options.format = DiagnosticsFormat::Text;
    else if (value == "json")
        options.format = DiagnosticsFormat::Json;
    else if (value == "sarif")
        options.format = DiagnosticsFormat::Sarif;
    else {
        error = "invalid argument '" + std::string(value) + "' to '--diagnostics-format' (text, json or sarif)";
        return false;
    }
    return true;
}

// Options without a value.
bool ParseFlag(std::string_view arg, TfscOptions& options)
{
    if (arg == "--check" || arg == "-fsyntax-only")
        options.bCheckOnly = true;
    else if (arg == "--stats")
        options.bStats = true;
    else if (arg == "-h" || arg == "--help")
        options.bHelp = true;
    else if (arg == "--version")
        options.bVersion = true;
    else if (arg == "-w")
        options.bNoWarnings = true;
    else
        return false;
    return true;
}

// Options of the form --name=value, or --name value.
bool ParseLongValue(std::string_view arg, std::string_view value, TfscOptions& options, std::string& error)
{
    if (arg == "--color")
        return ParseColor(value, options, error);
    if (arg == "--diagnostics-format")
        return ParseFormat(value, options, error);
    options.output = std::string(value);
    return true;
}

bool TakesValue(std::string_view name)
{
    return name == "--color" || name == "--diagnostics-format" || name == "--output";
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, TfscOptions& options, std::string& error)
        : m_args(args), m_options(options), m_error(error)
    {
    }

    bool Run()
    {
        bool bOptionsEnded = false;
        for (m_nNext = 0; m_nNext < m_args.size();) {
            const std::string& arg = m_args[m_nNext++];
            if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
                m_options.files.push_back(arg);
            } else if (arg == "--") {
                bOptionsEnded = true;
            } else if (!ParseOption(arg)) {
                return false;
            }
        }
        return true;
    }

private:
    bool ParseOption(const std::string& arg)
    {
        if (ParseFlag(arg, m_options))
            return true;
        if (StartsWith(arg, "-W"))
            return ParseWarningOption(arg, m_options, m_error);
        if (StartsWith(arg, "-o"))
            return ParseShortOutput(arg);
        if (StartsWith(arg, "--"))
            return ParseLong(arg);
        m_error = "unknown option '" + arg + "'";
        return false;
    }

    bool ParseShortOutput(const std::string& arg)
    {
        if (arg.size() > 2) {
            m_options.output = arg.substr(2);
            return true;
        }
        return TakeValue(arg, "--output");
    }

    bool ParseLong(const std::string& arg)
    {
        const std::size_t nEquals = arg.find('=');
        const std::string name = arg.substr(0, nEquals);
        if (!TakesValue(name)) {
            m_error = "unknown option '" + arg + "'";
            return false;
        }
        if (nEquals != std::string::npos)
            return ParseLongValue(name, std::string_view(arg).substr(nEquals + 1), m_options, m_error);
        // As in ls and grep, --color alone means always.
        if (name == "--color")
            return ParseLongValue(name, "always", m_options, m_error);
        return TakeValue(arg, name);
    }

    // The next argument as the value of option arg (known as name).
    bool TakeValue(const std::string& arg, std::string_view name)
    {
        if (m_nNext >= m_args.size()) {
            m_error = "option '" + arg + "' needs a value";
            return false;
        }
        return ParseLongValue(name, m_args[m_nNext++], m_options, m_error);
    }

    const std::vector<std::string>& m_args;
    TfscOptions& m_options;
    std::string& m_error;
    std::size_t m_nNext = 0;
};

// What the options ask for must be possible.
bool CheckCombination(const TfscOptions& options, std::string& error)
{
    if (options.bHelp || options.bVersion)
        return true;
    if (options.files.empty()) {
        error = "no input files";
        return false;
    }
    if (options.output && options.files.size() != 1) {
        error = "'-o' needs exactly one input file";
        return false;
    }
    const auto nStdin = std::count(options.files.begin(), options.files.end(), STDIN_ARGUMENT);
    if (nStdin > 1) {
        error = "standard input ('-') given more than once";
        return false;
    }
    if (nStdin == 1 && !options.output && !options.bCheckOnly) {
        error = "standard input ('-') needs '-o' or '--check'";
        return false;
    }
    return true;
}

} // namespace

bool ParseTfscOptions(const std::vector<std::string>& args, TfscOptions& options, std::string& error)
{
    Parser parser(args, options, error);
    return parser.Run() && CheckCombination(options, error);
}

} // namespace quorlin
