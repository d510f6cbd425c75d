// tfsc --watch: the folders of the scripts are watched (filewatch.h), each
// change is matched to the script it concerns, and a burst of changes is
// compiled once it has ended. The run settles: its own writes (outputs, a
// log its standard streams go to) compile nothing, an output already
// holding its bytes is left alone, and after an overflow only the scripts
// whose text changed are compiled again.
#include "tfscwatch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fileidentity.h"
#include "filewatch.h"
#include "inputfile.h"
#include "tfsc.h"
#include "tfscoutput.h"

namespace quorlin {

namespace {

namespace fs = std::filesystem;

// How much of a ".txt" file is read to tell whether it starts like a
// script: its first word must come within this many bytes.
constexpr std::size_t SCRIPT_START_BYTES = 4096;

// A folder watched: given as a folder (all its scripts), or holding scripts
// named on the command line.
struct WatchedFolder {
    std::string path;                         // as shown in script names
    bool bWhole = false;                      // every script in it
    std::map<std::string, std::string> named; // entry name to the script as given
    FileIdentity identity;                    // the folder itself, when watched
};

// What a compile of a script depended on: whether it could be read, and
// then its text up to the first NUL (where the compiler stops reading), by
// length and hash.
struct ScriptText {
    bool bRead = false;
    std::size_t nSize = 0;
    std::size_t nHash = 0;

    bool operator==(const ScriptText& other) const
    {
        return bRead == other.bRead && nSize == other.nSize && nHash == other.nHash;
    }
};

ScriptText TextOf(bool bRead, std::string_view text)
{
    if (!bRead)
        return {};
    const std::string_view compiled = text.substr(0, text.find('\0'));
    return {true, compiled.size(), std::hash<std::string_view>()(compiled)};
}

// The script's text as a compile would read it now.
ScriptText CurrentText(const std::string& script)
{
    std::string text;
    std::string reason;
    const bool bRead = ReadInput(script, text, reason);
    return TextOf(bRead, text);
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool HasExtension(const std::string& name, const char* pszExtension)
{
    const std::string extension = fs::path(name).extension().string();
    return std::equal(extension.begin(), extension.end(), pszExtension, pszExtension + std::strlen(pszExtension),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// A name in a watched folder that may be a script: ".tsc", or ".txt" when
// it starts like one; hidden files (editors' and tfsc's own temporaries)
// never are. The name is never empty.
bool MayBeScript(const std::string& name)
{
    return name[0] != '.' && (HasExtension(name, ".tsc") || HasExtension(name, ".txt"));
}

// The folder watched for an operand: a folder itself, else the script's.
std::string FolderOf(const std::string& operand, bool bFolder)
{
    if (bFolder)
        return operand;
    const fs::path parent = fs::path(operand).parent_path();
    if (parent.empty())
        return ".";
    return parent.string();
}

std::string Plural(std::size_t nCount, const char* pszWord)
{
    return std::to_string(nCount) + " " + pszWord + (nCount == 1 ? "" : "s");
}

std::size_t CountOf(const FileDiagnostics& file, Severity severity)
{
    return static_cast<std::size_t>(std::count_if(file.diagnostics.begin(), file.diagnostics.end(),
                                                  [severity](const Diagnostic& d) { return d.severity == severity; }));
}

// One compile's result, after the script's name.
std::string ResultText(const FileDiagnostics& file, const ScriptOutcome& outcome, bool bCheckOnly)
{
    const std::size_t nErrors = CountOf(file, Severity::Error);
    const std::size_t nWarnings = CountOf(file, Severity::Warning);
    std::string warnings;
    if (nWarnings != 0)
        warnings = ", " + Plural(nWarnings, "warning");
    if (!outcome.bRead)
        return "not read";
    if (nErrors != 0)
        return Plural(nErrors, "error") + warnings;
    if (!outcome.bOk)
        return "not written";
    if (bCheckOnly)
        return "ok" + warnings;
    return "ok (" + Plural(outcome.nBytes, "byte") + ")" + warnings;
}

void PrintWatchError(const std::string& message) { std::fprintf(stderr, "tfsc: error: %s\n", message.c_str()); }

// The files the run's standard output and standard error write to, when
// they are regular files.
std::vector<FileIdentity> OwnStreams()
{
    std::vector<FileIdentity> streams;
    for (std::FILE* pStream : {stdout, stderr}) {
        FileIdentity identity;
        if (IdentifyStream(pStream, identity) && identity.bRegular)
            streams.push_back(identity);
    }
    return streams;
}

TfscOptions WatchOptions(const TfscOptions& options)
{
    TfscOptions watchOptions = options;
    watchOptions.bKeepSameOutput = true;
    return watchOptions;
}

class Watcher {
public:
    Watcher(const TfscOptions& options, bool bColor, std::unique_ptr<FileWatch> watch)
        : m_options(WatchOptions(options)), m_bColor(bColor), m_watch(std::move(watch)), m_streams(OwnStreams())
    {
    }

    // Watches the folder of every operand; false after saying why one
    // cannot be watched.
    bool Start()
    {
        for (const std::string& operand : m_options.files)
            if (!AddOperand(operand))
                return false;
        return true;
    }

    // Refuses a start where two scripts would share an output; false after
    // saying so.
    bool OutputsApart() const
    {
        std::set<std::string> scripts;
        for (std::size_t i = 0; i < m_folders.size(); ++i)
            for (const FolderChange& change : EverythingIn(i))
                AddScriptsOf(change, scripts);
        const auto shared = FindSharedOutput(m_options, {scripts.begin(), scripts.end()});
        if (shared)
            PrintWatchError(SharedOutputText(*shared) + "; nothing was compiled");
        return !shared;
    }

    void CompileEverything()
    {
        for (std::size_t i = 0; i < m_folders.size(); ++i)
            CompileChanges(EverythingIn(i));
    }

    int Run()
    {
        for (;;) {
            std::vector<FolderChange> changes;
            std::string reason;
            if (!WaitForBurst(changes, reason)) {
                PrintWatchError("cannot watch the folders: " + reason);
                return TFSC_EXIT_FAILURE;
            }
            if (!FoldersStillWatched())
                return TFSC_EXIT_FAILURE;
            CompileChanges(changes);
        }
    }

private:
    bool AddOperand(const std::string& operand)
    {
        std::error_code error;
        const bool bFolder = fs::is_directory(operand, error);
        if (bFolder && m_options.output) {
            PrintWatchError("'-o' with '--watch' needs a script, not the folder '" + operand + "'");
            return false;
        }
        WatchedFolder* pFolder = FolderFor(FolderOf(operand, bFolder));
        if (pFolder == nullptr)
            return false;
        if (bFolder)
            pFolder->bWhole = true;
        else
            pFolder->named[fs::path(operand).filename().string()] = operand;
        return true;
    }

    // The folder's entry, watched from now on; null after saying why it
    // cannot be watched. Two spellings of one folder share an entry.
    WatchedFolder* FolderFor(const std::string& folder)
    {
        std::error_code error;
        const std::string key = fs::weakly_canonical(folder, error).string();
        const auto it = m_keys.find(key);
        if (it != m_keys.end())
            return &m_folders[it->second];
        std::string reason;
        if (!m_watch->WatchFolder(folder, reason)) {
            PrintWatchError("cannot watch '" + folder + "': " + reason);
            return nullptr;
        }
        FileIdentity identity;
        IdentifyFile(folder.c_str(), identity);
        m_keys[key] = m_folders.size();
        m_folders.push_back({folder, false, {}, identity});
        return &m_folders.back();
    }

    // Whether each folder is still the one watched: a folder deleted, or
    // renamed (another may have taken its name, which the watch does not
    // see), ends the run after saying so, before its changes could write
    // into whatever now has its name.
    bool FoldersStillWatched() const
    {
        for (const WatchedFolder& folder : m_folders) {
            FileIdentity identity;
            if (!IdentifyFile(folder.path.c_str(), identity) || !SameFile(identity, folder.identity)) {
                PrintWatchError("cannot watch '" + folder.path + "' any longer: it was deleted or renamed");
                return false;
            }
        }
        return true;
    }

    // A change of every entry of the folder that may be a script (a folder
    // inside never is one), and of each script compiled from it before,
    // which may be gone from it since.
    std::vector<FolderChange> EverythingIn(std::size_t nFolder) const
    {
        std::vector<FolderChange> changes;
        const WatchedFolder& folder = m_folders[nFolder];
        for (const auto& entry : folder.named)
            changes.push_back({nFolder, entry.first});
        if (!folder.bWhole)
            return changes;
        std::error_code error;
        for (fs::directory_iterator it(folder.path, error), end; !error && it != end; it.increment(error))
            if (std::error_code kind; !it->is_directory(kind))
                changes.push_back({nFolder, it->path().filename().string()});
        for (const auto& compiled : m_compiled) {
            const std::string name = fs::path(compiled.first).filename().string();
            if (Join(folder.path, name) == compiled.first)
                changes.push_back({nFolder, name});
        }
        return changes;
    }

    // Waits for a change, then for the folders to stay quiet.
    bool WaitForBurst(std::vector<FolderChange>& changes, std::string& reason)
    {
        if (!m_watch->Wait(-1, changes, reason))
            return false;
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            const std::size_t nBefore = changes.size();
            if (!m_watch->Wait(WATCH_QUIET_MS, changes, reason))
                return false;
            const auto elapsed = std::chrono::steady_clock::now() - start;
            if (changes.size() == nBefore || elapsed >= std::chrono::milliseconds(WATCH_LONGEST_BURST_MS))
                return true;
        }
    }

    // Compiles each script the changes concern once, in the order of their
    // names.
    void CompileChanges(const std::vector<FolderChange>& changes)
    {
        std::set<std::string> scripts;
        for (const FolderChange& change : changes)
            AddScriptsOf(change, scripts);
        for (const std::string& script : scripts)
            CompileOne(script);
    }

    // A change names its entry; a change of the whole folder (the
    // notifications overflowed, or the folder itself changed) concerns the
    // scripts whose text is no longer the one last compiled.
    void AddScriptsOf(const FolderChange& change, std::set<std::string>& scripts) const
    {
        if (!change.name.empty()) {
            const std::string script = ScriptOf(change);
            if (!script.empty())
                scripts.insert(script);
            return;
        }
        for (const FolderChange& entry : EverythingIn(change.nFolder)) {
            const std::string script = ScriptOf(entry);
            if (!script.empty() && TextChanged(script))
                scripts.insert(script);
        }
    }

    // The script a change of an entry concerns, or empty when none.
    std::string ScriptOf(const FolderChange& change) const
    {
        const WatchedFolder& folder = m_folders[change.nFolder];
        const auto it = folder.named.find(change.name);
        const bool bNamed = it != folder.named.end();
        if (!bNamed && !(folder.bWhole && MayBeScript(change.name)))
            return std::string();
        std::string script = bNamed ? it->second : Join(folder.path, change.name);
        if (IsOwnStream(script) || (!bNamed && !IsScript(script)))
            return std::string();
        return script;
    }

    // Whether the run's standard output or standard error writes to the
    // file: its own log is never a script, whatever its first word.
    bool IsOwnStream(const std::string& path) const
    {
        FileIdentity identity;
        if (m_streams.empty() || !IdentifyFile(path.c_str(), identity))
            return false;
        return std::any_of(m_streams.begin(), m_streams.end(),
                           [&identity](const FileIdentity& stream) { return SameRegularFile(identity, stream); });
    }

    bool TextChanged(const std::string& script) const
    {
        const auto it = m_compiled.find(script);
        return it == m_compiled.end() || !(it->second == CurrentText(script));
    }

    // A ".tsc" file is a script; a ".txt" file when it starts like one (its
    // first SCRIPT_START_BYTES tell), or once it was compiled (so that
    // breaking its first line, or deleting it, is reported). A folder, or a
    // link to one, never is, as it is not when the watch starts.
    bool IsScript(const std::string& path) const
    {
        if (m_compiled.count(path) != 0)
            return true;
        if (std::error_code error; fs::is_directory(path, error))
            return false;
        if (HasExtension(path, ".tsc"))
            return true;
        std::string start;
        std::string reason;
        return ReadRegularFile(path.c_str(), start, reason, SCRIPT_START_BYTES) == InputStatus::READ &&
               StartsLikeScript(start);
    }

    // A script whose output another one, compiled before and still there,
    // writes is not compiled: that output is left to the first one.
    bool OutputIsOwn(const std::string& script) const
    {
        std::error_code error;
        if (!fs::exists(script, error))
            return true;
        std::vector<std::string> others;
        for (const auto& compiled : m_compiled)
            if (compiled.first != script)
                others.push_back(compiled.first);
        const std::string* pOther = ScriptSharingOutput(m_options, script, others);
        if (pOther == nullptr)
            return true;
        std::fputs((cli::DisplayName(script) + ": not written\n").c_str(), stdout);
        std::fflush(stdout);
        PrintWatchError(SharedOutputText({*pOther, script, DerivedOutputName(script)}) + "; '" + script +
                        "' is not compiled");
        return false;
    }

    void CompileOne(const std::string& script)
    {
        if (!OutputIsOwn(script))
            return;
        std::string text;
        FileDiagnostics file;
        const ScriptOutcome outcome = CompileScript(m_options, script, text, file);
        m_compiled[script] = TextOf(outcome.bRead, text);
        const std::string line = file.name + ": " + ResultText(file, outcome, m_options.bCheckOnly) + "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
        ShowText(file, m_bColor);
        if (m_options.bStats && outcome.bRead)
            PrintStats(file.name, outcome.result);
    }

    const TfscOptions m_options;
    bool m_bColor;
    std::unique_ptr<FileWatch> m_watch;
    std::vector<FileIdentity> m_streams;          // the files standard output and error write to
    std::vector<WatchedFolder> m_folders;         // numbered as the watch numbers them
    std::map<std::string, std::size_t> m_keys;    // canonical path to folder number
    std::map<std::string, ScriptText> m_compiled; // each script compiled, as it was last
};

} // namespace

int RunWatch(const TfscOptions& options, bool bColor) { return RunWatch(options, bColor, OpenFileWatch()); }

int RunWatch(const TfscOptions& options, bool bColor, std::unique_ptr<FileWatch> watch)
{
    Watcher watcher(options, bColor, std::move(watch));
    if (!watcher.Start() || !watcher.OutputsApart())
        return TFSC_EXIT_FAILURE;
    watcher.CompileEverything();
    return watcher.Run();
}

} // namespace quorlin
