// Reading inputs for what a run of a program cannot show: a stream that fails
// without saying why, standard input that cannot be read, and how much of a
// long file is read.
#include "inputfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quorlin {
namespace {

// A stream whose every read fails and leaves errno at 0.
std::FILE* SilentlyFailingStream()
{
    cookie_io_functions_t functions = {};
    functions.read = [](void*, char*, std::size_t) -> ssize_t {
        errno = 0;
        return -1;
    };
    return ::fopencookie(nullptr, "r", functions);
}

TEST(InputFile, AReadThatFailsWithoutACauseSaysReadError)
{
    std::FILE* pStream = SilentlyFailingStream();
    ASSERT_NE(pStream, nullptr);
    std::string bytes;
    std::string reason;
    EXPECT_EQ(ReadNamedInput("-", pStream, bytes, reason), InputStatus::READ_FAILED);
    EXPECT_EQ(reason, "read error");
    EXPECT_EQ(bytes, "");
    std::fclose(pStream);
}

// Standard input opened on a folder, as a shell's "< folder" does.
TEST(InputFile, StandardInputThatCannotBeReadGivesTheReason)
{
    const int nFolder = ::open(std::filesystem::temp_directory_path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nFolder, 0);
    const int nSaved = ::dup(STDIN_FILENO);
    ASSERT_EQ(::dup2(nFolder, STDIN_FILENO), STDIN_FILENO);
    std::string text;
    std::string reason;
    const bool bRead = ReadStandardInput(text, reason);
    ::dup2(nSaved, STDIN_FILENO);
    ::close(nSaved);
    ::close(nFolder);
    EXPECT_FALSE(bRead);
    EXPECT_EQ(reason, "Is a directory");
}

// tfsdump asks for one byte more than the largest compiled file: that much
// is read of a longer file, and no more.
TEST(InputFile, ALongFileIsReadNoFurtherThanAsked)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "quorlin_inputfile_long.bin";
    std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    std::string bytes;
    std::string reason;
    EXPECT_EQ(ReadNamedInput(path.string(), nullptr, bytes, reason, 8193), InputStatus::READ);
    EXPECT_EQ(bytes.size(), 8193u);
    std::filesystem::remove(path);
}

} // namespace
} // namespace quorlin
