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

enum OptionId { CHECK = 1, STATS, HELP, VERSION, NO_WARNINGS, WARNING, OUTPUT, COLOR, FORMAT, WATCH };

// A flag's effect on the options.
void ApplyFlag(int nId, TfscOptions& options)
{
    switch (nId) {
    case CHECK: options.bCheckOnly = true; break;
    case STATS: options.bStats = true; break;
    case HELP: options.bHelp = true; break;
    case VERSION: options.bVersion = true; break;
    case WATCH: options.bWatch = true; break;
    default: options.bNoWarnings = true; break;
    }
}

// One option of the split command line.
bool ApplyOption(const cli::CommandLineItem& item, TfscOptions& options, std::string& error)
{
    switch (item.id) {
    case WARNING: return ParseWarningOption(item.text + item.value, options, error);
    case OUTPUT: options.output = item.value; return true;
    // As in ls and grep, --color alone means always.
    case COLOR: return ParseColor(item.hasValue ? item.value : "always", options, error);
    case FORMAT: return ParseFormat(item.value, options, error);
    default: ApplyFlag(item.id, options); return true;
    }
}

std::string ProblemText(const cli::CommandLineProblem& problem)
{
    if (problem.error == cli::CommandLineError::MISSING_VALUE)
        return "option '" + problem.argument + "' needs a value";
    return "unknown option '" + problem.argument + "'";
}

// --watch reads files it can read again, and shows each compile as it
// happens.
bool CheckWatchCombination(const TfscOptions& options, std::string& error)
{
    if (!options.bWatch)
        return true;
    if (std::count(options.files.begin(), options.files.end(), STDIN_ARGUMENT) != 0)
        error = "'--watch' cannot watch standard input ('-')";
    else if (options.output && *options.output == STDIN_ARGUMENT)
        error = "'--watch' cannot write to standard output ('-o -')";
    else if (options.format != DiagnosticsFormat::Text)
        error = "'--watch' shows diagnostics as text only";
    return error.empty();
}

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
    if (!CheckWatchCombination(options, error))
        return false;
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

const std::vector<cli::OptionSpec>& TfscOptionTable()
{
    using cli::OptionValue;
    static const std::vector<cli::OptionSpec> table = {
        {OUTPUT, "-o", OptionValue::REQUIRED, "FILE", "write the compiled file to FILE (- for standard output)"},
        {OUTPUT, "--output", OptionValue::REQUIRED, "FILE", "write the compiled file to FILE"},
        {CHECK, "--check", OptionValue::NONE, {}, "check the scripts, write nothing"},
        {CHECK, "-fsyntax-only", OptionValue::NONE, {}, "the same as --check"},
        {STATS, "--stats", OptionValue::NONE, {}, "print each script's budget"},
        {WATCH, "--watch", OptionValue::NONE, {}, "compile again each script saved"},
        {NO_WARNINGS, "-w", OptionValue::NONE, {}, "report no warning"},
        {WARNING, "-W", OptionValue::JOINED, "NAME", "-WNAME, -Wno-NAME, -Werror, -Wall"},
        {COLOR, "--color", OptionValue::OPTIONAL, "WHEN", "colour the text: auto, always or never"},
        {FORMAT, "--diagnostics-format", OptionValue::REQUIRED, "FORMAT", "text, json or sarif"},
        {HELP, "-h", OptionValue::NONE, {}, "show the help and exit"},
        {HELP, "--help", OptionValue::NONE, {}, "show the help and exit"},
        {VERSION, "--version", OptionValue::NONE, {}, "show the version and exit"},
    };
    return table;
}

bool ParseTfscOptions(const std::vector<std::string>& args, TfscOptions& options, std::string& error)
{
    std::vector<cli::CommandLineItem> items;
    const cli::CommandLineProblem problem = cli::ParseCommandLine(args, TfscOptionTable(), items);
    for (const cli::CommandLineItem& item : items) {
        if (item.isOperand)
            options.files.push_back(item.text);
        else if (!ApplyOption(item, options, error))
            return false;
    }
    if (problem.error != cli::CommandLineError::NONE) {
        error = ProblemText(problem);
        return false;
    }
    return CheckCombination(options, error);
}

} // namespace quorlin
