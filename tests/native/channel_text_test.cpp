#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "ui/NumberText.h"
#include "ui/SliderRule.h"

namespace {

// A channel's number field: the framework's rule with the amounts' limits.
std::optional<std::int32_t> ParseChannelText(const char* text)
{
    return ParseNumberText(text, -100, 100);
}

TEST(ParseChannelText, AcceptedTexts)
{
    struct Case { const char* text; int value; };
    const Case cases[] = {{"0", 0}, {"5", 5}, {"50", 50}, {"-50", -50}, {"100", 100}, {"-100", -100}, {"-1", -1}};
    for (const Case& c : cases) {
        std::optional<std::int32_t> v = ParseChannelText(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(*v, c.value) << c.text;
    }
}

TEST(ParseChannelText, RejectedTexts)
{
    const char* cases[] = {"", "-", "-0", "00", "05", "-05", "+5", " 5", "5 ", "101", "-101", "1000",
                           "--5", "5-", "5a", "\x82\x54", "99999999999999", "12345678901234567890"};
    for (const char* text : cases)
        EXPECT_FALSE(ParseChannelText(text).has_value()) << "'" << text << "'";
}

TEST(ParseChannelText, LooksAtFourteenCharactersOnly)
{
    // The field handler reads 14 characters; what lies beyond is never seen.
    std::string text = "5" + std::string(13, '\0') + "junk";
    EXPECT_EQ(ParseChannelText(text.c_str()), std::optional<std::int32_t>(5));
}

TEST(ParseNumberText, OtherLimitsIncludingOnesThatExcludeZero)
{
    struct Case { const char* text; std::int32_t min, max; std::optional<std::int32_t> expected; };
    const Case cases[] = {
        {"255", 0, 255, 255},   {"256", 0, 255, std::nullopt}, {"-1", 0, 255, std::nullopt},
        {"5", 5, 10, 5},        {"4", 5, 10, std::nullopt},    {"0", 5, 10, std::nullopt},
        {"-5", -10, -5, -5},    {"-4", -10, -5, std::nullopt}, {"0", -10, -5, std::nullopt},
        {"-2147483648", INT32_MIN, INT32_MAX, INT32_MIN},      {"2147483647", INT32_MIN, INT32_MAX, INT32_MAX},
        {"2147483648", INT32_MIN, INT32_MAX, std::nullopt},    {"-2147483649", INT32_MIN, INT32_MAX, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseNumberText(c.text, c.min, c.max), c.expected) << c.text << " in " << c.min << ".." << c.max;
}

// A field's text and amount after keys typed into it, its whole text
// selected first: a character goes in at the caret over the selection, '<'
// and '>' are Home and End, '\b' Backspace. As the dialog does, an accepted
// text becomes the amount, one on its way stands, and any other is refused:
// the text, the caret and the selection stay as they were.
std::pair<std::string, std::int32_t> Typed(std::int32_t amount, const char* keys, std::int32_t min, std::int32_t max,
                                           BareText bare)
{
    std::string text = std::to_string(amount);
    std::size_t start = 0, end = text.size();
    for (const char* key = keys; *key; ++key) {
        if (*key == '<' || *key == '>') {
            start = end = *key == '<' ? 0 : text.size();
            continue;
        }
        std::size_t from = start;
        if (*key == '\b' && start == end && start > 0)
            --from;
        std::string next = text;
        next.replace(from, end - from, *key == '\b' ? "" : std::string(1, *key));
        if (std::optional<std::int32_t> accepted = ParseNumberText(next.c_str(), min, max))
            amount = *accepted;
        else if (!IsUnfinishedNumberText(next.c_str(), min, max, bare))
            continue;
        text = next;
        start = end = from + (*key == '\b' ? 0 : 1);
    }
    return {text, amount};
}

TEST(ParseNumberText, EveryAmountCanBeTypedAsAPersonTypesIt)
{
    constexpr BareText kPutBack = BareText::kPutBack;
    struct Case {
        std::int32_t min, max, amount;
        const char* keys;
        const char* text;
        std::int32_t expected;
        BareText bare = BareText::kStands;
    };
    const Case cases[] = {
        // Limits that hold every number of up to their length, bare texts put
        // back: no text is on its way, a refused key changes nothing.
        {-100, 100, 10, "50<-", "-50", -50, kPutBack}, {-100, 100, 10, "101", "10", 10, kPutBack},
        {-100, 100, 7, "-", "7", 7, kPutBack},        {-100, 100, 7, "0", "0", 0, kPutBack},
        {-100, 100, 7, "05", "0", 0, kPutBack},       {-100, 100, 7, "1000", "100", 100, kPutBack},
        {-100, 100, 7, "1x2", "12", 12, kPutBack},    {-100, 100, 7, "5x0", "50", 50, kPutBack},
        {-100, 100, 0, "-5", "5", 5, kPutBack},       {-100, 100, 7, "5<-", "-5", -5, kPutBack},
        {-100, 100, 7, "\b", "7", 7, kPutBack},       {-100, 100, 7, "5<\b", "5", 5, kPutBack},
        {0, 200, 100, "800", "80", 80, kPutBack},     {-50, 50, 0, "60<-", "-6", -6, kPutBack},
        // A text on its way stands, the amount kept, until it is one.
        {2, 64, 8, "1", "1", 8},            {2, 64, 8, "12", "12", 12},       {2, 64, 8, "64", "64", 64},
        {2, 64, 8, "65", "6", 6},           {2, 64, 8, "0", "8", 8},          {2, 64, 8, "1<-", "1", 8},
        {2, 64, 8, "-", "8", 8},            {2, 64, 8, "\b", "", 8},          {2, 64, 8, "\b12", "12", 12},
        {-100, 50, 0, "80", "80", 8},       {-100, 50, 0, "80<-", "-80", -80}, {-100, 50, 0, "51<-", "-51", -51},
        {-100, 50, 0, "-", "-", 0},         {-100, 50, 0, "-", "0", 0, kPutBack},
        {-50, -10, -10, "3", "3", -10},     {-50, -10, -10, "30<-", "-30", -30}, {-50, -10, -10, "50<-", "-50", -50},
        {-50, -10, -10, "-30", "-30", -30}, {-50, -10, -10, "3<->0", "-30", -30}, {-50, -10, -10, "-3", "-3", -10},
        {-50, -10, -10, "51", "5", -10},    {-50, -10, -10, "6", "-10", -10},   {-50, -10, -10, "-", "-", -10},
        {0, 5000, 999, "1000", "1000", 1000}, {0, 5000, 999, "5001", "500", 500},
        {100000, 150000, 100000, "123456", "123456", 123456}, {100000, 150000, 100000, "2", "100000", 100000},
        {INT32_MIN, -1, -1, "2147483648<-", "-2147483648", INT32_MIN}, {INT32_MIN, -1, -1, "3", "3", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Typed(c.amount, c.keys, c.min, c.max, c.bare), std::make_pair(std::string(c.text), c.expected))
            << "'" << c.keys << "' in " << c.min << ".." << c.max;
}

TEST(ScrollCodeToValue, EachNotificationWithinItsLimits)
{
    constexpr SliderSteps kRgb{-100, 100, 10}, kPercent{0, 200, 10}, kSmall{-50, 50, 5}, kWide{INT32_MIN, INT32_MAX, 10};
    struct Case { int code, thumb, current; SliderSteps steps; std::optional<int> expected; };
    const Case cases[] = {
        {0, 0, -100, kRgb, -100}, {1, 0, 100, kRgb, 100},     // line steps stay within the limits
        {0, 0, 5, kRgb, 4},       {1, 0, 5, kRgb, 6},
        {2, 0, -95, kRgb, -100},  {2, 0, 20, kRgb, 10},   {3, 0, 95, kRgb, 100}, {3, 0, -20, kRgb, -10},
        {4, 42, 0, kRgb, 42},     {5, 0xFFCE, 0, kRgb, -50},  // high word read as signed 16 bits
        {6, 0, 100, kRgb, 100},   {6, 0, -3, kRgb, 100},  {7, 0, -100, kRgb, -100}, {7, 0, 3, kRgb, -100},
        {6, 0, -100, kRgb, 100},  {7, 0, 100, kRgb, -100},  // Home and End from the other end
        {8, 0, 7, kRgb, std::nullopt}, {9, 0, 7, kRgb, std::nullopt}, {-1, 0, 7, kRgb, std::nullopt},
        // Other limits and pages: Home and End are their ends, pages stop there.
        {6, 0, 50, kPercent, 200}, {7, 0, 50, kPercent, 0}, {2, 0, 5, kPercent, 0}, {3, 0, 195, kPercent, 200},
        {2, 0, 0, kSmall, -5},     {3, 0, 48, kSmall, 50},  {0, 0, 0, kPercent, 0}, {0, 0, 2, {2, 64, 10}, 2},
        {0, 0, INT32_MIN, kWide, INT32_MIN}, {1, 0, INT32_MAX, kWide, INT32_MAX},  // no overflow at the ends
        {2, 0, INT32_MIN + 3, kWide, INT32_MIN}, {3, 0, INT32_MAX - 3, kWide, INT32_MAX},
        // The thumb's 16 bits, read within limits that span at most 65535.
        {5, 39121, 0, {0, 40000, 10}, 39121},  {4, 0xFFE2, -10, {-50, -10, 5}, -30},
        {5, 120000 & 0xFFFF, 100000, {100000, 150000, 10}, 120000}, {5, 0x7FFF, 0, {-32768, 32767, 10}, 32767},
        {5, 0x8000, 0, {-32768, 32767, 10}, -32768}, {5, 0xFFFF, 0, {0, 65535, 10}, 65535},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrollCodeToValue(c.code, c.thumb, c.current, c.steps), c.expected)
            << "code " << c.code << " current " << c.current << " in " << c.steps.min << ".." << c.steps.max;
}

}  // namespace
