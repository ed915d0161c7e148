#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/SettingsPath.h"

namespace {

struct Derived {
    bool ok;
    std::string path;
};

Derived Derive(const std::string& modulePath, std::size_t size = kSettingsPathSize)
{
    std::string buffer(size + 8, '#');
    std::memcpy(&buffer[0], modulePath.c_str(), std::min(modulePath.size() + 1, size));
    std::size_t reported = std::min(modulePath.size(), size);  // GetModuleFileNameA's length
    bool ok = DeriveSettingsPath(&buffer[0], size, reported, Cp932IsLeadByte);
    EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past the buffer for " << modulePath;
    return {ok, std::string(buffer.c_str())};
}

// "ソフト" and "表示" end in a trail byte 0x5C.
const std::string kSofuto = "\x83\x5C\x83\x74\x83\x67";
const std::string kHyouji = "\x95\x5C\x8E\xA6";

TEST(SettingsPath, ReplacesTheModuleFileName)
{
    struct Case { std::string module, expected; };
    const Case cases[] = {
        {"C:\\App\\Plugins\\filter.dll", "C:\\App\\Plugins\\kwfilters.ini"},
        {"C:\\rgbcolor.dll", "C:\\kwfilters.ini"},
        {"C:\\" + kSofuto + "\\rgbcolor.dll", "C:\\" + kSofuto + "\\kwfilters.ini"},
        {"C:\\" + kHyouji + "\\" + kSofuto + ".dll", "C:\\" + kHyouji + "\\kwfilters.ini"},
        {"C:\\plug\\" + kSofuto + ".dll", "C:\\plug\\kwfilters.ini"},  // 0x5C trail byte in the file name
        {"\\\\server\\share\\x.dll", "\\\\server\\share\\kwfilters.ini"},
    };
    for (const Case& c : cases) {
        Derived d = Derive(c.module);
        EXPECT_TRUE(d.ok) << c.module;
        EXPECT_EQ(d.path, c.expected);
    }
}

TEST(SettingsPath, NoBackslashOrAModuleNamedLikeTheFileGivesNoPath)
{
    for (const std::string& module : {std::string("rgbcolor.dll"), kSofuto + ".dll", std::string(),
                                      std::string("C:\\plug\\kwfilters.ini"), std::string("C:\\KwFilters.INI")}) {
        Derived d = Derive(module);
        EXPECT_FALSE(d.ok);
        EXPECT_EQ(d.path, "") << "must never point at the module itself: " << module;
    }
}

TEST(SettingsPath, FolderThatJustFitsAndOneByteMore)
{
    // Folder of n bytes + "kwfilters.ini" (13) + NUL must fit in 260.
    std::string fits = "C:\\" + std::string(260 - 14 - 4, 'a') + "\\";
    ASSERT_EQ(fits.size() + 14, 260u);
    Derived d = Derive(fits + "x.dll");
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.path, fits + "kwfilters.ini");

    std::string tooLong = "C:\\" + std::string(260 - 14 - 3, 'a') + "\\";
    d = Derive(tooLong + "x.dll");
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.path, "");
}

TEST(SettingsPath, TruncatedModulePathGivesNoPath)
{
    // GetModuleFileNameA reports the full size when it had to cut the name.
    std::string longPath = "C:\\dir\\" + std::string(400, 'b') + ".dll";
    Derived d = Derive(longPath);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.path, "");
}

TEST(SettingsPath, LoneLeadByteAtTheEndDoesNotReadPastTheName)
{
    std::string module = "C:\\dir\\name\x83";
    Derived d = Derive(module);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.path, "C:\\dir\\kwfilters.ini");
}

TEST(SettingsPath, ZeroSizeBufferIsLeftAlone)
{
    char byte = '#';
    EXPECT_FALSE(DeriveSettingsPath(&byte, 0, 0, Cp932IsLeadByte));
    EXPECT_EQ(byte, '#');
}

}  // namespace

namespace {

TEST(SettingsPath, LeadByteBeforeTheTerminatorEndsTheScan)
{
    // A lead byte right before the NUL must not carry the scan past the name.
    std::string buffer = std::string("C:\\dir\\a\x95") + std::string(1, '\0') + "x\\junk";
    buffer.resize(kSettingsPathSize, '\0');
    ASSERT_TRUE(DeriveSettingsPath(&buffer[0], buffer.size(), 16, Cp932IsLeadByte));
    EXPECT_STREQ(buffer.c_str(), "C:\\dir\\kwfilters.ini");
}

}  // namespace
