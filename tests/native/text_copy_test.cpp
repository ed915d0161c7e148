#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/FilterIndex.h"
#include "plugin/TextCopy.h"

namespace {

constexpr char kCategory[] = "Color|\x83\x4A\x83\x89\x81\x5B";  // "Color|カラー" in code page 932

std::string Bytes(const char* buffer, int length) { return std::string(buffer, length); }

TEST(BoundedCopy, BehavesLikeStrncpy)
{
    ASSERT_EQ(std::strlen(kCategory), 12u);
    struct Case { int length; std::string expected; };
    const Case cases[] = {
        {5, "Color"},                                          // cut, no terminator
        {12, std::string(kCategory, 12)},                      // exactly the text, no terminator
        {13, std::string(kCategory, 12) + std::string(1, '\0')},
        {20, std::string(kCategory, 12) + std::string(8, '\0')},  // zero padded
    };
    for (const Case& c : cases) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        BoundedCopy(buffer, c.length, kCategory);
        EXPECT_EQ(Bytes(buffer, c.length), c.expected) << "length " << c.length;
        EXPECT_EQ(buffer[c.length], '#') << "wrote past length " << c.length;
    }
}

TEST(BoundedCopy, ZeroOrNegativeLengthWritesNothing)
{
    char buffer[4] = {'#', '#', '#', '#'};
    BoundedCopy(buffer, 0, "abc");
    BoundedCopy(buffer, -5, "abc");
    EXPECT_EQ(Bytes(buffer, 4), "####");
}

TEST(BoundedCopy, EmptyTextFillsWithZeros)
{
    char buffer[6];
    std::memset(buffer, '#', sizeof buffer);
    BoundedCopy(buffer, 5, "");
    EXPECT_EQ(Bytes(buffer, 6), std::string(5, '\0') + "#");
}

TEST(ComposeExceptionMessage, HeadEmptyLineThenText)
{
    char buffer[512];
    ComposeExceptionMessage(buffer, sizeof buffer, "head1\nhead2", "boom", Cp932IsLeadByte);
    EXPECT_STREQ(buffer, "head1\nhead2\n\nboom");
}

TEST(ComposeExceptionMessage, LongTextIsCutWithinTheBuffer)
{
    char buffer[512 + 16];
    std::memset(buffer, '#', sizeof buffer);
    std::string detail(1000, 'x');
    ComposeExceptionMessage(buffer, 512, std::string(55, 'h').c_str(), detail.c_str(), Cp932IsLeadByte);
    EXPECT_EQ(std::strlen(buffer), 511u);
    EXPECT_EQ(std::string(buffer, 59), std::string(55, 'h') + "\n\nxx");
    EXPECT_EQ(buffer[512], '#');
}

TEST(ComposeExceptionMessage, CutNeverSplitsADoubleByteCharacter)
{
    // 'ア' is 0x83 0x41: with an odd number of bytes left the lead byte must go.
    std::string detail;
    for (int i = 0; i < 300; ++i)
        detail += "\x83\x41";
    for (std::size_t size : {16u, 17u, 18u, 512u}) {
        char buffer[600];
        ComposeExceptionMessage(buffer, size, "h", detail.c_str(), Cp932IsLeadByte);
        std::size_t length = std::strlen(buffer);
        ASSERT_LT(length, size);
        EXPECT_EQ(WholeCharacterPrefix(buffer, length, Cp932IsLeadByte), length) << "size " << size;
        EXPECT_GE(length + 2, size - 1) << "cut more than one character at size " << size;
    }
}

TEST(Cp932IsLeadByte, Ranges)
{
    EXPECT_FALSE(Cp932IsLeadByte(0x5C));
    EXPECT_FALSE(Cp932IsLeadByte(0x80));
    EXPECT_TRUE(Cp932IsLeadByte(0x81));
    EXPECT_TRUE(Cp932IsLeadByte(0x9F));
    EXPECT_FALSE(Cp932IsLeadByte(0xA0));
    EXPECT_FALSE(Cp932IsLeadByte(0xDF));  // half-width katakana are single bytes
    EXPECT_TRUE(Cp932IsLeadByte(0xE0));
    EXPECT_TRUE(Cp932IsLeadByte(0xFC));
    EXPECT_FALSE(Cp932IsLeadByte(0xFD));
}

TEST(FilterIndex, OnlyIndicesBelowTheCountAreValid)
{
    EXPECT_TRUE(IsValidFilterIndex(0, 1));
    EXPECT_FALSE(IsValidFilterIndex(1, 1));
    EXPECT_FALSE(IsValidFilterIndex(-1, 1));
    EXPECT_FALSE(IsValidFilterIndex(INT32_MIN, 1));
    EXPECT_FALSE(IsValidFilterIndex(0, 0));
}

}  // namespace
