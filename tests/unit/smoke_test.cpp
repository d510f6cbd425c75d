#include <gtest/gtest.h>

#include "compiledscriptformat.h"

TEST(Format, LittleEndian)
{
    std::uint8_t aBytes[4];
    EncodeU32(aBytes, 0x11223344u);
    EXPECT_EQ(aBytes[0], 0x44);
    EXPECT_EQ(DecodeU32(aBytes), 0x11223344u);
}
