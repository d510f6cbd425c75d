// tfsc's command line, checked in full before anything is read: an unknown
// option, a missing value or a contradiction is a usage error.
#include "tfscoptions.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "quorlin/diagnostics.h"
#include "quorlin/quorlin.h"
#include "tfscexplain.h"

namespace quorlin {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsWarningName(std::string_view name)
{
    const std::vector<std::string_view>& names = WarningNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Warnings renamed since: the old name still means the warning on the
// command line.
struct RenamedWarning {
    std::string_view oldName;
    std::string_view name;
};
constexpr RenamedWarning RENAMED_WARNINGS[] = {{"no-effect", "unused-value"}};

// The warning a name given after -W, -Wno- or -Werror= stands for (a
// warning's code stands for it too); empty when there is none.
std::string WarningNamed(std::string_view name)
{
    for (const RenamedWarning& renamed : RENAMED_WARNINGS) {
        if (name == renamed.oldName)
            return std::string(renamed.name);
    }
    const DiagnosticInfo* entry = FindByCode(name);
    if (entry != nullptr && entry->severity == Severity::Warning)
        return entry->warningName;
    return IsWarningName(name) ? std::string(name) : std::string();
}

// An error's or a note's code where a warning is switched: only warnings
// are switched, whatever the option.
bool IsCodeOfNoWarning(std::string_view name, std::string_view arg, std::string& error)
{
    const DiagnosticInfo* entry = FindByCode(name);
    if (entry == nullptr || entry->severity == Severity::Warning)
        return false;
    error = "'" + std::string(arg) + "': " + entry->code + " is " +
            (entry->severity == Severity::Note ? "a note" : "an error") + ", not a warning";
    return true;
}

// A warning option whose name (its end: "unused-paramter" of
// "-Werror=unused-paramter") is no warning's, with the option spelt with
// the nearest warning's name as a suggestion.
bool UnknownWarning(std::string_view arg, std::string_view name, std::string& error)
{
    const std::string_view prefix = arg.substr(0, arg.size() - name.size());
    error = "unknown warning option '" + std::string(arg) + "'" + DidYouMeanText(prefix, name, WarningNames());
    return false;
}

// -Werror=NAME turns the warning on as an error; -Wno-error=NAME keeps it a
// warning under -Werror.
bool ParseWarningErrorOption(std::string_view arg, std::string_view setting, TfscOptions& options, std::string& error)
{
    const bool bError = StartsWith(setting, "error=");
    const std::string_view given = setting.substr(setting.find('=') + 1);
    if (IsCodeOfNoWarning(given, arg, error))
        return false;
    const std::string name = WarningNamed(given);
    if (name.empty())
        return UnknownWarning(arg, given, error);
    (bError ? options.errorWarnings : options.noErrorWarnings).insert(name);
    (bError ? options.noErrorWarnings : options.errorWarnings).erase(name);
    if (bError)
        options.disabledWarnings.erase(name);
    return true;
}

// -W<name>, -Wno-<name>, -Werror, -Wno-error, -Werror=<name>,
// -Wno-error=<name>, -Wall.
// As in GCC, an unknown -Wno-<name> is ignored.
bool ParseWarningOption(std::string_view arg, TfscOptions& options, std::string& error)
{
    const std::string_view setting = arg.substr(2);
    if (setting == "error" || setting == "no-error") {
        options.bWarningsAsErrors = setting == "error";
        return true;
    }
    if (setting == "all")
        return true;
    if (StartsWith(setting, "error=") || StartsWith(setting, "no-error="))
        return ParseWarningErrorOption(arg, setting, options, error);
    // A name first: the old name "no-effect" turns its warning on.
    if (IsCodeOfNoWarning(setting, arg, error))
        return false;
    std::string name = WarningNamed(setting);
    if (!name.empty()) {
        options.disabledWarnings.erase(name);
        return true;
    }
    if (!StartsWith(setting, "no-"))
        return UnknownWarning(arg, setting, error);
    if (IsCodeOfNoWarning(setting.substr(3), arg, error))
        return false;
    name = WarningNamed(setting.substr(3));
    if (name.empty())
        options.unknownDisabled.emplace_back(arg);
    else
        options.disabledWarnings.insert(name);
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

bool ParseFormat(std::string_view option, std::string_view value, TfscOptions& options, std::string& error)
{
    if (value == "text")
        options.format = DiagnosticsFormat::Text;
    else if (value == "json")
        options.format = DiagnosticsFormat::Json;
    else if (value == "sarif")
        options.format = DiagnosticsFormat::Sarif;
    else {
        error = "invalid argument '" + std::string(value) + "' to '" + std::string(option) + "' (text, json or sarif)";
        return false;
    }
    return true;
}

// A count in decimal digits, without a sign, that fits a size_t.
bool ParseCount(std::string_view value, std::size_t& nCount)
{
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    nCount = 0;
    for (const char c : value) {
        const auto nDigit = static_cast<std::size_t>(c - '0');
        if (nCount > (SIZE_MAX - nDigit) / 10)
            return false;
        nCount = nCount * 10 + nDigit;
    }
    return true;
}

bool ParseErrorLimit(std::string_view option, std::string_view value, TfscOptions& options, std::string& error)
{
    if (ParseCount(value, options.errorLimit))
        return true;
    error = "invalid argument '" + std::string(value) + "' to '" + std::string(option) +
            "' (a number of errors, 0 for no limit)";
    return false;
}

// --explain CODE: a code, in any letter case, or a warning's name.
bool ParseExplain(std::string_view value, TfscOptions& options, std::string& error)
{
    const DiagnosticInfo* entry = ExplainedEntry(value);
    if (entry == nullptr) {
        error = UnknownExplainText(value);
        return false;
    }
    options.explain = entry->code;
    return true;
}

enum OptionId {
    CHECK = 1,
    STATS,
    HELP,
    VERSION,
    NO_WARNINGS,
    WARNING,
    OUTPUT,
    COLOR,
    FORMAT,
    WATCH,
    ERROR_LIMIT,
    EXPLAIN
};

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
    case FORMAT: return ParseFormat(item.text, item.value, options, error);
    case ERROR_LIMIT: return ParseErrorLimit(item.text, item.value, options, error);
    case EXPLAIN: return ParseExplain(item.value, options, error);
    default: ApplyFlag(item.id, options); return true;
    }
}

// The spellings of the options that a misspelt option may have meant.
std::vector<std::string_view> OptionSpellings()
{
    std::vector<std::string_view> spellings;
    for (const cli::OptionEntry& entry : TfscOptionTable()) {
        if (entry.value != cli::OptionValue::JOINED)
            spellings.push_back(entry.spelling);
    }
    return spellings;
}

std::string ProblemText(const cli::CommandLineProblem& problem)
{
    if (problem.error == cli::CommandLineError::MISSING_VALUE)
        return "option '" + problem.argument + "' needs a value";
    // "--colour=always" is near "--color": the value is no part of the name.
    const std::string_view spelling = std::string_view(problem.argument).substr(0, problem.argument.find('='));
    return "unknown option '" + problem.argument + "'" + DidYouMeanText("", spelling, OptionSpellings());
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
    if (options.bHelp || options.bVersion || options.explain)
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

const std::vector<cli::OptionEntry>& TfscOptionTable()
{
    using cli::OptionValue;
    static const std::vector<cli::OptionEntry> table = {
        {OUTPUT, "-o", OptionValue::REQUIRED, "FILE", "write the compiled file to FILE (- for standard output)"},
        {OUTPUT, "--output", OptionValue::REQUIRED, "FILE", "write the compiled file to FILE"},
        {CHECK, "--check", OptionValue::NONE, {}, "check the scripts, write nothing"},
        {CHECK, "-fsyntax-only", OptionValue::NONE, {}, "the same as --check"},
        {STATS, "--stats", OptionValue::NONE, {}, "print each script's budget"},
        {WATCH, "--watch", OptionValue::NONE, {}, "compile again each script saved"},
        {NO_WARNINGS, "-w", OptionValue::NONE, {}, "report no warning"},
        {WARNING, "-W", OptionValue::JOINED, "NAME",
         "-WNAME, -Wno-NAME, -Werror, -Werror=NAME, -Wno-error=NAME, -Wall"},
        {COLOR, "--color", OptionValue::OPTIONAL, "WHEN", "colour the text: auto, always or never"},
        {FORMAT, "--diagnostics-format", OptionValue::REQUIRED, "FORMAT", "text, json or sarif"},
        {FORMAT, "-fdiagnostics-format", OptionValue::REQUIRED, "FORMAT", "the same as --diagnostics-format"},
        {ERROR_LIMIT, "-ferror-limit", OptionValue::REQUIRED, "N",
         "stop checking a script after N errors (0: no limit)"},
        {EXPLAIN, "--explain", OptionValue::REQUIRED, "CODE", "explain a diagnostic's code and exit"},
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
