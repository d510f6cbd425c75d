// Helpers for tests that run the driver in process.
#ifndef QUORLIN_DRIVER_TEST_SUPPORT_H
#define QUORLIN_DRIVER_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "quorlinmemory.h"

namespace quorlin::testsupport {

const std::string USAGE_LINE = "Quorlin /file <file to compile> [/out <name of output file>] [/help]\n";
const std::string COMPILE_FAILED = "Errors were encountered when compiling. Compile unsuccessful.\n";

// Each test works in a fresh folder, its working folder while it runs (file
// names stay relative: a name that starts with '/' would be an option).
class ScratchFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorlin-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(m_folder);
    }

    void TearDown() override
    {
        SetAllocationFailure(0);
        std::error_code error;
        std::filesystem::current_path(m_previousFolder, error);
        std::filesystem::remove_all(m_folder, error);
    }

    static std::string WriteFile(const std::string& name, const std::string& contents)
    {
        std::ofstream file(name, std::ios::binary);
        file << contents;
        EXPECT_TRUE(file.good()) << name;
        return name;
    }

    static std::string ReadFile(const std::string& name)
    {
        std::ifstream file(name, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static bool Exists(const std::string& name)
    {
        struct stat info = {};
        return ::lstat(name.c_str(), &info) == 0;
    }

    // The argument vector of a run of the program named "quorlin".
    static std::vector<char*> ArgumentVector(std::vector<std::string>& args)
    {
        args.insert(args.begin(), "quorlin");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        return argv;
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_previousFolder;
};

} // namespace quorlin::testsupport

#endif
