// tfsc's run: read each input, diagnose it, write its compiled file when it
// has no error, and show the diagnostics in the format asked for. Text goes
// to standard error file by file; JSON and SARIF are written once, at the
// end, as the only thing on standard error.
#include "tfsc.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "compiledscriptformat.h"
#include "linebreaks.h"
#include "pathnames.h"
#include "quorlin/diagnostics.h"
#include "standardstreams.h"
#include "tfscexplain.h"
#include "tfscoutput.h"
#include "tfscreport.h"
#include "tfscwatch.h"

namespace quorlin {

namespace {

const char* const HELP_TEXT = "Usage: tfsc [options] FILE...\n"
                              "Compiles texture scripts: each FILE to FILE's name with .tfs for its extension.\n"
                              "A FILE of '-' is standard input (it needs -o or --check).\n"
                              "\n"
                              "Options:\n"
                              "  -o FILE                    write the compiled file to FILE (one input only;\n"
                              "                             - is standard output)\n"
                              "  --check, -fsyntax-only     check the scripts, write nothing\n"
                              "  --stats                    print how much of each limit every script uses\n"
                              "  --watch                    compile, then compile again each script saved, until\n"
                              "                             interrupted; a FILE may be a folder (its .tsc files,\n"
                              "                             and its .txt files that start like a script)\n"
                              "  -W<name>, -Wno-<name>      turn a warning on or off, by name or code (all are\n"
                              "                             on at first; an unknown -Wno-<name> is ignored)\n"
                              "  -Werror, -Wno-error        make every warning an error, or not\n"
                              "  -Werror=<name>             make one warning an error\n"
                              "  -Wno-error=<name>          keep one warning a warning under -Werror\n"
                              "  -w                         show no warnings\n"
                              "  --color[=auto|always|never]\n"
                              "                             colour the diagnostics (auto: on a terminal, unless\n"
                              "                             NO_COLOR is set; alone: always)\n"
                              "  --diagnostics-format=text|json|sarif, -fdiagnostics-format=...\n"
                              "                             how diagnostics are written to standard error\n"
                              "  -ferror-limit=N            stop checking a script after N errors, and show at\n"
                              "                             most N warnings (0: no limit; 100 at first)\n"
                              "  --explain CODE             explain a diagnostic: its code (Q2001) or a\n"
                              "                             warning's name\n"
                              "  -h, --help                 show this help\n"
                              "  --version                  show the version\n"
                              "\n";

const char* const HELP_TEXT_END =
    "\nExit status: 0 when every script compiled, 1 when one did not, 2 for a usage error.\n";

// "Warnings: " and every warning's name, in lines of at most 80 columns.
std::string WarningList()
{
    constexpr std::size_t LINE_WIDTH = 80;
    std::string text = "Warnings:";
    std::size_t nLineStart = 0;
    const std::vector<std::string_view>& names = WarningNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string word = std::string(names[i]) + (i + 1 < names.size() ? "," : ".");
        if (text.size() - nLineStart + 1 + word.size() > LINE_WIDTH) {
            text += "\n";
            nLineStart = text.size();
        } else {
            text += " ";
        }
        text += word;
    }
    return text + "\n";
}

// What one run has found so far.
struct RunState {
    const TfscOptions& options;
    bool bColor = false;
    bool bFailed = false;
    bool bReported = false;             // a diagnostic or a file's error was shown
    std::vector<FileDiagnostics> files; // kept for JSON and SARIF
    // The sources the files point into; only SARIF, which shows ranges in
    // code points, reads them after the file's turn.
    std::vector<std::string> texts;
};

void PrintError(const std::string& message) { std::fprintf(stderr, "tfsc: error: %s\n", message.c_str()); }

// Writes the compiled file unless only a check was asked for; false after
// recording why it could not be written.
bool WriteCompiled(const TfscOptions& options, const std::string& input, const CompileResult& result,
                   FileDiagnostics& file)
{
    if (options.bCheckOnly)
        return true;
    const std::string output = options.output ? *options.output : DerivedOutputName(input);
    if (const std::string* pScript = InputWrittenBy(output, options.files)) {
        const std::string script = cli::DisplayName(*pScript);
        file.fileError = "output '" + output + "' is the script '" + script + "' itself; it was left unchanged";
        return false;
    }
    if (options.bKeepSameOutput && OutputHolds(output, result.bytes, !options.output))
        return true;
    std::string reason;
    if (!WriteCompiledOutput(output, result.bytes, !options.output, reason)) {
        file.fileError = "cannot write '" + output + "': " + reason;
        return false;
    }
    return true;
}

void Show(RunState& state, FileDiagnostics file)
{
    state.bReported = state.bReported || !file.diagnostics.empty() || !file.fileError.empty();
    if (state.options.format == DiagnosticsFormat::Text) {
        ShowText(file, state.bColor);
    } else {
        if (state.options.format != DiagnosticsFormat::Sarif)
            file.source = {};
        state.files.push_back(std::move(file));
    }
}

void ProcessFile(RunState& state, const std::string& input)
{
    state.texts.emplace_back();
    FileDiagnostics file;
    const ScriptOutcome outcome = CompileScript(state.options, input, state.texts.back(), file);
    state.bFailed = state.bFailed || !outcome.bOk;
    Show(state, std::move(file));
    // Scripts are read one at a time, so that tfsc holds one at a time.
    if (state.options.format != DiagnosticsFormat::Sarif)
        std::string().swap(state.texts.back());
    if (state.options.bStats && outcome.bRead)
        PrintStats(cli::DisplayName(input), outcome.result);
}

void ShowCollected(const RunState& state)
{
    std::string text;
    if (state.options.format == DiagnosticsFormat::Json)
        text = FormatJson(state.files);
    else if (state.options.format == DiagnosticsFormat::Sarif)
        text = FormatSarif(state.files);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// A path that names one file however it is spelled: the folder's links
// and dots resolved, the file's own name kept (it may not exist yet, or be a
// link that is not to be followed).
std::string PathKey(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path given(path);
    const fs::path folder = fs::weakly_canonical(fs::absolute(given, error).parent_path(), error);
    return (folder / given.filename()).string();
}

// The path's last name, as the file system sees it.
std::string_view LastName(const std::string& path) { return std::string_view(path).substr(FileNameOffset(path)); }

// Refuses a run whose scripts share an output before anything is written;
// false when they do.
bool OutputsApart(RunState& state)
{
    const std::optional<SharedOutput> shared = FindSharedOutput(state.options, state.options.files);
    if (!shared)
        return true;
    FileDiagnostics file;
    file.name = cli::DisplayName(shared->second);
    file.fileError = SharedOutputText(*shared) + "; nothing was written";
    Show(state, std::move(file));
    return false;
}

// Whether everything printed reached standard output and standard error: a
// run whose report was lost has failed.
bool StandardStreamsWritten()
{
    const bool bOut = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return std::fflush(stderr) == 0 && std::ferror(stderr) == 0 && bOut;
}

// Whether diagnostic i is dropped: a disabled warning, or a note of one.
bool IsDropped(const TfscOptions& options, const std::vector<Diagnostic>& diagnostics, std::size_t i)
{
    const Diagnostic& diagnostic = diagnostics[i];
    if (diagnostic.parent >= 0)
        return IsDropped(options, diagnostics, static_cast<std::size_t>(diagnostic.parent));
    if (diagnostic.severity != Severity::Warning)
        return false;
    return options.bNoWarnings || options.disabledWarnings.count(diagnostic.name) != 0;
}

// Whether -Werror or -Werror=NAME makes the warning NAME an error.
bool IsPromoted(const TfscOptions& options, const std::string& name)
{
    if (options.errorWarnings.count(name) != 0)
        return true;
    return options.bWarningsAsErrors && options.noErrorWarnings.count(name) == 0;
}

// As GCC does: an unknown -Wno-NAME is named only when the run reported
// something it may have been meant to silence. Text only: JSON and SARIF
// are all that standard error holds.
void NoteUnknownDisabled(const RunState& state)
{
    if (!state.bReported || state.options.format != DiagnosticsFormat::Text)
        return;
    for (const std::string& option : state.options.unknownDisabled) {
        std::fprintf(stderr,
                     "tfsc: note: unrecognized command-line option '%s' may have been intended to silence earlier "
                     "diagnostics\n",
                     option.c_str());
    }
}

} // namespace

// The figures of a script that compiles; for one that fails, says so and
// shows only the figures counted in full.
void PrintStats(const std::string& name, const CompileResult& result)
{
    std::vector<BudgetFigure> shown;
    for (const BudgetFigure figure :
         {BudgetFigure::Bytes, BudgetFigure::Constants, BudgetFigure::Temporaries, BudgetFigure::Parameters}) {
        if (result.IsCounted(figure))
            shown.push_back(figure);
    }
    std::string line = name + ": " + (result.ok ? "" : "failed");
    for (const BudgetFigure figure : shown)
        line += (line.back() == ' ' ? "" : ", ") + FormatBudget(result.figures, "", {figure});
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

void ShowText(const FileDiagnostics& file, bool bColor)
{
    const std::string text = FormatText(file, bColor);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

ScriptOutcome CompileScript(const TfscOptions& options, const std::string& input, std::string& text,
                            FileDiagnostics& file)
{
    ScriptOutcome outcome;
    file.name = cli::DisplayName(input);
    std::string reason;
    if (!ReadInput(input, text, reason)) {
        file.fileError = "cannot read '" + file.name + "': " + reason;
        return outcome;
    }
    outcome.bRead = true;
    // The text is a std::string's: a NUL follows it, and the engine reads it in place. It reads up to
    // the first NUL, as the compiler does, and is given the rest so that it can say a NUL ends the script.
    CompileResult result = Diagnose(text, DiagnoseOptions{options.errorLimit, true});
    // The source lines shown end at the NUL too.
    text.resize(std::min(text.size(), text.find('\0')));
    file.source = text;
    file.diagnostics = std::move(result.diagnostics);
    // Shown on the lines an editor shows (a lone CR ends one too).
    PlaceOnLines(file.source, file.diagnostics);
    outcome.result.ok = result.ok;
    outcome.result.figures = result.figures;
    outcome.result.countedFigures = result.countedFigures;
    outcome.nBytes = result.bytes.size();
    const bool bPromoted = ApplyWarningOptions(options, file.diagnostics);
    outcome.bOk = result.ok && !bPromoted && WriteCompiled(options, input, result, file);
    return outcome;
}

bool ColorWanted(ColorMode mode, const char* pszNoColor, const char* pszTerm, bool bTerminal)
{
    if (mode != ColorMode::Auto)
        return mode == ColorMode::Always;
    const bool bNoColor = pszNoColor != nullptr && *pszNoColor != '\0';
    const bool bDumb = pszTerm != nullptr && std::strcmp(pszTerm, "dumb") == 0;
    return !bNoColor && !bDumb && bTerminal;
}

const std::string* ScriptSharingOutput(const TfscOptions& options, const std::string& script,
                                       const std::vector<std::string>& others)
{
    namespace fs = std::filesystem;
    if (options.bCheckOnly || options.output || script == STDIN_ARGUMENT)
        return nullptr;
    const std::string outputName = DerivedOutputName(script);
    const std::string output = PathKey(outputName);
    const std::string self = PathKey(script);
    // A script named NAME.tfs would compile over itself, which is refused
    // (WriteCompiled): it shares no output, it writes none.
    if (SamePathName(output, self))
        return nullptr;
    const std::string_view fileName = LastName(outputName);
    std::error_code error;
    for (const std::string& other : others) {
        // The file names are compared first: they cost no look at the disk.
        const std::string otherOutput = DerivedOutputName(other);
        if (other == STDIN_ARGUMENT || !SamePathName(LastName(otherOutput), fileName))
            continue;
        const std::string otherSelf = PathKey(other);
        if (SamePathName(PathKey(otherOutput), output) && !SamePathName(otherSelf, self) &&
            !SamePathName(otherSelf, output) && fs::exists(other, error) && fs::exists(script, error))
            return &other;
    }
    return nullptr;
}

std::optional<SharedOutput> FindSharedOutput(const TfscOptions& options, const std::vector<std::string>& scripts)
{
    std::vector<std::string> earlier;
    for (const std::string& script : scripts) {
        if (const std::string* pFirst = ScriptSharingOutput(options, script, earlier))
            return SharedOutput{*pFirst, script, DerivedOutputName(script)};
        earlier.push_back(script);
    }
    return std::nullopt;
}

std::string SharedOutputText(const SharedOutput& shared)
{
    return "'" + cli::DisplayName(shared.first) + "' and '" + cli::DisplayName(shared.second) + "' both compile to '" +
           shared.output + "'";
}

std::string DerivedOutputName(const std::string& scriptName)
{
    const std::size_t nDot = scriptName.find_last_of('.');
    if (nDot == std::string::npos || nDot < FileNameOffset(scriptName))
        return scriptName + ".tfs";
    return scriptName.substr(0, nDot) + ".tfs";
}

bool ApplyWarningOptions(const TfscOptions& options, std::vector<Diagnostic>& diagnostics)
{
    std::vector<Diagnostic> kept;
    std::vector<std::int32_t> newIndex(diagnostics.size(), -1);
    bool bPromoted = false;
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        if (IsDropped(options, diagnostics, i))
            continue;
        Diagnostic diagnostic = diagnostics[i];
        if (diagnostic.parent >= 0)
            diagnostic.parent = newIndex[static_cast<std::size_t>(diagnostic.parent)];
        if (diagnostic.severity == Severity::Warning && IsPromoted(options, diagnostic.name)) {
            diagnostic.severity = Severity::Error;
            bPromoted = true;
        }
        newIndex[i] = static_cast<std::int32_t>(kept.size());
        kept.push_back(std::move(diagnostic));
    }
    diagnostics = std::move(kept);
    return bPromoted;
}

int RunTfsc(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    TfscOptions options;
    std::string error;
    if (!ParseTfscOptions(args, options, error)) {
        PrintError(error + " (see 'tfsc --help')");
        return TFSC_EXIT_USAGE;
    }
    if (options.explain && !options.bHelp && !options.bVersion) {
        std::fputs(Explanation(*FindByCode(*options.explain)).c_str(), stdout);
        return StandardStreamsWritten() ? TFSC_EXIT_SUCCESS : TFSC_EXIT_FAILURE;
    }
    if (options.bHelp || options.bVersion) {
        const std::string help = std::string(HELP_TEXT) + WarningList() + HELP_TEXT_END;
        std::fputs(options.bHelp ? help.c_str() : "tfsc (Quorlin) " QUORLIN_VERSION "\n", stdout);
        return StandardStreamsWritten() ? TFSC_EXIT_SUCCESS : TFSC_EXIT_FAILURE;
    }
    RunState state{options, false, false, false, {}, {}};
    state.bColor = options.format == DiagnosticsFormat::Text &&
                   ColorWanted(options.color, std::getenv("NO_COLOR"), std::getenv("TERM"), StreamShowsColour(stderr));
    if (options.bWatch)
        return RunWatch(options, state.bColor);
    state.texts.reserve(options.files.size());
    if (OutputsApart(state)) {
        for (const std::string& input : options.files)
            ProcessFile(state, input);
    } else {
        state.bFailed = true;
    }
    ShowCollected(state);
    NoteUnknownDisabled(state);
    return state.bFailed || !StandardStreamsWritten() ? TFSC_EXIT_FAILURE : TFSC_EXIT_SUCCESS;
}

} // namespace quorlin
