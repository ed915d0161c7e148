#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plugin/ProfileSection.h"

namespace {

// Lines joined by '|' stand for the NUL-separated list; the empty line that
// ends it shows as "||".
std::string Merge(std::string lines)
{
    std::replace(lines.begin(), lines.end(), '|', '\0');
    const ProfileEntry entries[] = {{"r", "-20"}, {"g", "0"}, {"b", "35"}, {"preview", "1"}};
    std::string merged = MergeProfileSection(lines.data(), lines.size(), entries, 4);
    std::replace(merged.begin(), merged.end(), '\0', '|');
    return merged;
}

TEST(ProfileSection, KeysAreSetWhereTheyStandAndTheRestIsKept)
{
    const struct {
        const char* section;
        const char* merged;
    } cases[] = {
        {"", "r=-20|g=0|b=35|preview=1||"},  // a new section: the keys in their order
        {"r=5|g=6|b=7|preview=0|", "r=-20|g=0|b=35|preview=1||"},
        {"b=7|x=abc|R=5|", "b=35|x=abc|R=-20|g=0|preview=1||"},  // in place, spelling kept
        {" r =5|g|", "r=-20|g=0|b=35|preview=1||"},             // blanks around, no '='
        {"r=5|r=150|", "r=-20|r=150|g=0|b=35|preview=1||"},      // only the first, as a reader sees it
        {"red=1|previewed=1|=5|;r=9|", "red=1|previewed=1|=5|;r=9|r=-20|g=0|b=35|preview=1||"},
        {"\x83\x5C=1|", "\x83\x5C=1|r=-20|g=0|b=35|preview=1||"},  // a double-byte key
        {"x=1|g=2", "x=1|g=0|r=-20|b=35|preview=1||"},          // the last line's NUL missing
    };
    for (const auto& c : cases)
        EXPECT_EQ(Merge(c.section), c.merged) << c.section;
}

}  // namespace
