// tfsc --watch in process, over a watch that reports the changes each test
// gives it and then is lost (which ends the run): what each change compiles,
// how each compile is reported, and a watch lost.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tfsc.h"
#include "tfscwatch.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

const char* const SCRIPT = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                           "Mat30 = Time * Speed;\nEndScript\n";
// Speed is never read: one warning.
const char* const WARNED = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                           "Mat30 = Time * 0.5;\nEndScript\n";
// One error, and a warning for the text after its end.
const char* const BROKEN = "UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n"
                           "Mat30 = Time * ;\nEndScript\nmore\n";

constexpr const char* LOST = "the watch was lost";

// What one wait sees: it may change the files first, then appends changes.
using Step = std::function<void(std::vector<FolderChange>&)>;

Step Changes(std::vector<FolderChange> changes)
{
    return [changes](std::vector<FolderChange>& seen) { seen.insert(seen.end(), changes.begin(), changes.end()); };
}

// A burst: the changes, then a quiet wait.
std::vector<Step> Burst(std::vector<FolderChange> changes) { return {Changes(std::move(changes)), Changes({})}; }

// Takes its steps one wait at a time, then is lost. Numbers the folders it
// watches as the platform's watch does.
class ScriptedWatch final : public FileWatch {
public:
    ScriptedWatch(std::vector<Step> steps, std::vector<std::string>& watched)
        : m_steps(std::move(steps)), m_watched(watched)
    {
    }

    bool WatchFolder(const std::string& folder, std::string&) override
    {
        m_watched.push_back(folder);
        return true;
    }

    bool Wait(int, std::vector<FolderChange>& changes, std::string& reason) override
    {
        if (m_nNext == m_steps.size()) {
            reason = LOST;
            return false;
        }
        m_steps[m_nNext++](changes);
        return true;
    }

private:
    std::vector<Step> m_steps;
    std::size_t m_nNext = 0;
    std::vector<std::string>& m_watched;
};

// A script written without pause: every timed wait sees it written again
// after a while, until the watch, waiting for the next burst, is lost.
class EndlessWritesWatch final : public FileWatch {
public:
    bool WatchFolder(const std::string&, std::string&) override { return true; }

    bool Wait(int nTimeoutMs, std::vector<FolderChange>& changes, std::string& reason) override
    {
        if (nTimeoutMs < 0 && m_bStarted) {
            reason = LOST;
            return false;
        }
        m_bStarted = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(WATCH_QUIET_MS / 5));
        changes.push_back({0, "wave.tsc"});
        return true;
    }

private:
    bool m_bStarted = false;
};

struct WatchRun {
    int nStatus = 0;
    std::string out;
    std::string err;
};

class TfscWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = (fs::temp_directory_path() / ("tfscwatch." + std::to_string(::getpid()) + "." +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                    .generic_string();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Paths as tfsc joins them.
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    void Write(const std::string& name, const char* pszText) const { std::ofstream(Path(name)) << pszText; }

    // Runs tfsc with the arguments (--watch among them) over the watch.
    WatchRun Run(const std::vector<std::string>& args, std::unique_ptr<FileWatch> watch) const
    {
        TfscOptions options;
        std::string error;
        EXPECT_TRUE(ParseTfscOptions(args, options, error)) << error;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        WatchRun run;
        run.nStatus = RunWatch(options, false, std::move(watch));
        run.out = ::testing::internal::GetCapturedStdout();
        run.err = ::testing::internal::GetCapturedStderr();
        return run;
    }

    WatchRun Run(const std::vector<std::string>& args, std::vector<Step> steps)
    {
        return Run(args, std::make_unique<ScriptedWatch>(std::move(steps), m_watched));
    }

    // The standard output line of a script that compiled without a warning.
    std::string Ok(const std::string& name) const { return Path(name) + ": ok (41 bytes)\n"; }

    std::string m_dir;
    std::vector<std::string> m_watched;
};

TEST_F(TfscWatchTest, CompilesEachScriptThenEndsWithStatusOneWhenTheWatchIsLost)
{
    Write("wave.txt", SCRIPT);
    const WatchRun run = Run({"--watch", m_dir}, std::vector<Step>());
    EXPECT_EQ(run.out, Ok("wave.txt"));
    EXPECT_EQ(run.err, std::string("tfsc: error: cannot watch the folders: ") + LOST + "\n");
    EXPECT_EQ(run.nStatus, TFSC_EXIT_FAILURE);
}

// The watch lost before the folders were quiet: the burst is not compiled.
TEST_F(TfscWatchTest, ABurstCutShortCompilesNothing)
{
    Write("wave.txt", SCRIPT);
    const WatchRun run = Run({"--watch", m_dir}, {Changes({{0, "wave.txt"}})});
    EXPECT_EQ(run.out, Ok("wave.txt"));
    EXPECT_EQ(run.nStatus, TFSC_EXIT_FAILURE);
}

// Scripts named on the command line: the other files of their folder are
// none of the watch's business.
TEST_F(TfscWatchTest, ANamedScriptsFolderCompilesOnlyTheScriptsNamed)
{
    Write("wave.txt", SCRIPT);
    Write("spin.tsc", SCRIPT);
    const WatchRun run = Run({"--watch", Path("wave.txt")}, Burst({{0, "spin.tsc"}, {0, "wave.txt"}}));
    EXPECT_EQ(run.out, Ok("wave.txt") + Ok("wave.txt"));
}

// One folder watched twice would have its changes numbered as the second.
TEST_F(TfscWatchTest, TwoSpellingsOfAFolderShareOneWatch)
{
    Write("wave.txt", SCRIPT);
    Write("spin.tsc", SCRIPT);
    const std::string spin = Path("./spin.tsc");
    const WatchRun run = Run({"--watch", Path("wave.txt"), spin}, Burst({{0, "spin.tsc"}}));
    EXPECT_EQ(m_watched, std::vector<std::string>{m_dir});
    EXPECT_EQ(run.out, spin + ": ok (41 bytes)\n" + Ok("wave.txt") + spin + ": ok (41 bytes)\n");
}

TEST_F(TfscWatchTest, AFolderGivenWithASlashNamesItsScriptsWithOne)
{
    Write("wave.txt", SCRIPT);
    const WatchRun run = Run({"--watch", m_dir + "/"}, std::vector<Step>());
    EXPECT_EQ(run.out, Ok("wave.txt"));
}

// After an overflow anything may have changed: the scripts whose text is no
// longer the one compiled (or that are new) are compiled again, each once,
// in the order of their names; an entry named still compiles.
TEST_F(TfscWatchTest, AnOverflowCompilesTheScriptsWhoseTextChanged)
{
    fs::create_directory(Path("all"));
    fs::create_directory(Path("some"));
    for (const char* pszName : {"all/b.txt", "all/a.tsc", "all/c.tsc", "some/c.txt", "some/d.txt"})
        Write(pszName, SCRIPT);
    Write("all/notes.txt", "Shopping: milk\n");
    Write("all/.a.tsc", SCRIPT);
    const Step editAll = [this](std::vector<FolderChange>& changes) {
        Write("all/b.txt", WARNED);
        Write("all/e.tsc", SCRIPT);
        fs::remove(Path("all/c.tsc"));
        changes.insert(changes.end(), {{0, ""}, {1, ""}, {0, "a.tsc"}});
    };
    const WatchRun run = Run({"--watch", Path("all"), Path("some/c.txt")}, {editAll, Changes({})});
    const std::string first = Ok("all/a.tsc") + Ok("all/b.txt") + Ok("all/c.tsc") + Ok("some/c.txt");
    EXPECT_EQ(run.out, first + Ok("all/a.tsc") + Path("all/b.txt") + ": ok (45 bytes), 1 warning\n" +
                           Path("all/c.tsc") + ": not read\n" + Ok("all/e.tsc"));
}

// A folder removed (or renamed) ends the run at the next burst, before any
// change is compiled: a script named in another folder is not compiled.
TEST_F(TfscWatchTest, AFolderRemovedEndsTheRunBeforeTheBurstIsCompiled)
{
    fs::create_directory(Path("all"));
    Write("all/wave.tsc", SCRIPT);
    Write("spin.tsc", SCRIPT);
    const Step removeAll = [this](std::vector<FolderChange>& changes) {
        fs::remove_all(Path("all"));
        changes.insert(changes.end(), {{0, ""}, {1, "spin.tsc"}});
    };
    const WatchRun run = Run({"--watch", Path("all"), Path("spin.tsc")}, {removeAll, Changes({})});
    EXPECT_EQ(run.out, Ok("all/wave.tsc") + Ok("spin.tsc"));
    EXPECT_EQ(run.err, "tfsc: error: cannot watch '" + Path("all") + "' any longer: it was deleted or renamed\n");
    EXPECT_EQ(run.nStatus, TFSC_EXIT_FAILURE);
}

// A ".txt" file in a watched folder is compiled when it starts like a
// script, or was compiled before (so that breaking its first line, or
// deleting it, is reported); a hidden file never is.
TEST_F(TfscWatchTest, ATextFileIsAScriptWhenItStartsLikeOneOrWasCompiled)
{
    Write("wave.txt", SCRIPT);
    Write("notes.txt", "Shopping: milk\n");
    Write(".wave.tsc", SCRIPT);
    const Step breakWave = [this](std::vector<FolderChange>& changes) {
        Write("wave.txt", "Shopping: milk\n");
        changes.push_back({0, "wave.txt"});
    };
    const Step removeWave = [this](std::vector<FolderChange>& changes) {
        fs::remove(Path("wave.txt"));
        changes.push_back({0, "wave.txt"});
    };
    const WatchRun run = Run({"--watch", m_dir}, {Changes({{0, "notes.txt"}, {0, "gone.txt"}, {0, ".wave.tsc"}}),
                                                  breakWave, Changes({}), removeWave, Changes({})});
    EXPECT_EQ(run.out, Ok("wave.txt") + Path("wave.txt") + ": 1 error\n" + Path("wave.txt") + ": not read\n");
}

// Each compile's line: its errors and warnings counted, or why nothing was
// written.
TEST_F(TfscWatchTest, EachCompileIsReportedOnOneLine)
{
    const struct {
        std::vector<std::string> options;
        const char* pszScript;
        std::string line;
    } compiles[] = {
        {{}, WARNED, "ok (45 bytes), 1 warning"},
        {{"--check"}, WARNED, "ok, 1 warning"},
        {{"--check"}, SCRIPT, "ok"},
        {{}, BROKEN, "1 error, 1 warning"},
        {{"-o", Path("missing/wave.tfs")}, SCRIPT, "not written"},
        {{"--stats"},
         SCRIPT,
         "ok (41 bytes)\n" + Path("wave.txt") +
             ": 41 of 8192 bytes, 0 of 32 constants, 2 of 16 temporaries, 1 of 6 parameters"},
        {{"--stats"}, nullptr, "not read"},
    };
    for (const auto& compile : compiles) {
        fs::remove(Path("wave.txt"));
        if (compile.pszScript != nullptr)
            Write("wave.txt", compile.pszScript);
        std::vector<std::string> args = compile.options;
        args.insert(args.end(), {"--watch", Path("wave.txt")});
        const WatchRun run = Run(args, std::vector<Step>());
        EXPECT_EQ(run.out, Path("wave.txt") + ": " + compile.line + "\n") << compile.line;
    }
}

// Writes that never pause are still compiled, once the longest burst is
// over.
TEST_F(TfscWatchTest, WritesWithoutPauseAreCompiledAfterTheLongestBurst)
{
    Write("wave.tsc", SCRIPT);
    const WatchRun run = Run({"--watch", m_dir}, std::make_unique<EndlessWritesWatch>());
    EXPECT_EQ(run.out, Ok("wave.tsc") + Ok("wave.tsc"));
    EXPECT_EQ(run.nStatus, TFSC_EXIT_FAILURE);
}

} // namespace
} // namespace quorlin
