// Streams without a descriptor of the system (a stream in memory, one whose
// descriptor was closed): they designate no file and show no colour; a
// terminal shows colour.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "fileidentity.h"
#include "standardstreams.h"

namespace quorlin {
namespace {

TEST(StreamDescriptorTest, StreamInMemoryIsNoFileAndShowsNoColour)
{
    char aBuffer[16] = {};
    std::FILE* pStream = ::fmemopen(aBuffer, sizeof aBuffer, "w");
    ASSERT_NE(pStream, nullptr);
    FileIdentity identity{true, 7, 7};
    EXPECT_FALSE(IdentifyStream(pStream, identity));
    EXPECT_EQ(identity.inode, 7u);
    EXPECT_FALSE(StreamShowsColour(pStream));
    std::fclose(pStream);
}

TEST(StreamDescriptorTest, StreamWhoseDescriptorWasClosedIsNoFile)
{
    int fds[2] = {-1, -1};
    ASSERT_EQ(::pipe(fds), 0);
    std::FILE* pStream = ::fdopen(fds[0], "r");
    ASSERT_NE(pStream, nullptr);
    ::close(fds[0]);
    FileIdentity identity;
    EXPECT_FALSE(IdentifyStream(pStream, identity));
    std::fclose(pStream);
    ::close(fds[1]);
}

TEST(StreamDescriptorTest, TerminalShowsColour)
{
    const int nMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (nMaster < 0 || ::grantpt(nMaster) != 0 || ::unlockpt(nMaster) != 0)
        GTEST_SKIP() << "no pseudo-terminal can be made here";
    std::FILE* pTerminal = std::fopen(::ptsname(nMaster), "w");
    ASSERT_NE(pTerminal, nullptr);
    EXPECT_TRUE(StreamShowsColour(pTerminal));
    std::fclose(pTerminal);
    ::close(nMaster);
}

} // namespace
} // namespace quorlin
