// HXF_Execute through the real DLL: amounts from the settings file beside it,
// the rectangle, the pitch, in-place runs, progress and the error box.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/HostSpy.h"
#include "support/PluginSandbox.h"

namespace {

struct Progress {
    std::vector<std::pair<int, int>> calls;  // position, range
    std::uint32_t expectedData = 0;
    bool dataMismatch = false;
    std::int32_t answer = 0;  // what the callback returns; grows with each call
    // A host that moves its selection while a run reports progress: the run's
    // rectangle moves down by this many rows at each report after the first.
    int moveTopBy = 0;
    ImageRect* rect = nullptr;
};

std::int32_t __stdcall RecordProgress(std::int32_t position, std::int32_t range, std::uint32_t data)
{
    auto* p = reinterpret_cast<Progress*>(static_cast<std::uintptr_t>(data));
    if (p->moveTopBy && !p->calls.empty())
        p->rect->top += p->moveTopBy;
    p->calls.emplace_back(position, range);
    return ++p->answer + 1000;
}

std::uint32_t DataOf(Progress& p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&p));
}

std::vector<Bgra32> RandomImage(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Bgra32> image(count);
    for (Bgra32& p : image) {
        std::uint32_t v = random();
        std::memcpy(&p, &v, 4);
    }
    return image;
}

int Reference(int value, int amount)
{
    // Truncation toward zero written out by hand.
    int product = value * amount;
    int quotient = product >= 0 ? product / 200 : -((-product) / 200);
    int sum = value + quotient;
    return sum > 255 ? 255 : sum < 0 ? 0 : sum;
}

std::string Settings(const std::string& body)
{
    return "[RGBColor]\r\n" + body;
}

class ExecuteTest : public ::testing::Test {
protected:
    PluginSandbox plugin;
    OwnerWindow owner;

    std::int32_t Run(const std::vector<Bgra32>& src, std::vector<Bgra32>& dst, ImageRect rect, int pitch,
                     Progress* progress = nullptr)
    {
        if (progress)
            progress->rect = &rect;
        return plugin.Execute(0, owner.Handle(), src.data(), dst.data(), &rect, pitch,
                              progress ? RecordProgress : nullptr, progress ? DataOf(*progress) : 0,
                              0xDEADBEEF, 0x12345678, 0xFFFFFFFF);
    }
};

TEST_F(ExecuteTest, WithoutSettingsFileEveryPixelIsCopied)
{
    std::vector<Bgra32> src = RandomImage(64 * 16, 1), dst(src.size());
    Run(src, dst, {0, 0, 64, 16}, 64);
    EXPECT_EQ(std::memcmp(src.data(), dst.data(), src.size() * 4), 0);
    EXPECT_FALSE(plugin.SettingsExist()) << "a run must never create the settings file";
}

TEST_F(ExecuteTest, AmountsFromTheFileAgainstAReference)
{
    struct Case {
        int r, g, b;
    };
    const Case cases[] = {{100, -1, -100}, {0, 0, 0}, {37, -63, 5}, {-100, 100, 0}, {1, 1, 1}};
    std::vector<Bgra32> src = RandomImage(256 * 8, 2);
    for (int i = 0; i < 256; ++i)  // every channel value at least once
        src[i] = Bgra32{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    for (const Case& c : cases) {
        plugin.WriteSettings(Settings("r=" + std::to_string(c.r) + "\r\ng=" + std::to_string(c.g) +
                                      "\r\nb=" + std::to_string(c.b) + "\r\npreview=7\r\n"));
        std::vector<Bgra32> dst(src.size());
        Run(src, dst, {0, 0, 256, 8}, 256);
        for (std::size_t i = 0; i < src.size(); ++i) {
            ASSERT_EQ(dst[i].red, Reference(src[i].red, c.r)) << "pixel " << i << " r=" << c.r;
            ASSERT_EQ(dst[i].green, Reference(src[i].green, c.g)) << "pixel " << i << " g=" << c.g;
            ASSERT_EQ(dst[i].blue, Reference(src[i].blue, c.b)) << "pixel " << i << " b=" << c.b;
            ASSERT_EQ(dst[i].alpha, src[i].alpha);
        }
    }
}

TEST_F(ExecuteTest, WorkedValues)
{
    plugin.WriteSettings(Settings("r=100\r\ng=-1\r\nb=-100\r\n"));
    std::vector<Bgra32> src = {{255, 199, 170, 0}, {101, 200, 171, 9}, {1, 0, 0, 255}};
    std::vector<Bgra32> dst(3);
    Run(src, dst, {0, 0, 3, 1}, 3);
    EXPECT_EQ(dst[0].red, 255);
    EXPECT_EQ(dst[1].red, 255);
    EXPECT_EQ(dst[2].red, 0);
    EXPECT_EQ(dst[0].green, 199);
    EXPECT_EQ(dst[1].green, 199);
    EXPECT_EQ(dst[0].blue, 128);
    EXPECT_EQ(dst[1].blue, 51);
    EXPECT_EQ(dst[2].blue, 1);
    EXPECT_EQ(dst[0].alpha, 0);
    EXPECT_EQ(dst[1].alpha, 9);
}

TEST_F(ExecuteTest, OnlyTheRectangleOfTheCallIsWrittenAtAWiderPitch)
{
    plugin.WriteSettings(Settings("r=50\r\ng=50\r\nb=50\r\n"));
    const int pitch = 37, rows = 40;
    const ImageRect rect{5, 3, 29, 17};
    for (int moveTopBy : {0, 1}) {
        SCOPED_TRACE(moveTopBy ? "the host moves its selection during the run" : "a steady selection");
        std::vector<Bgra32> src = RandomImage(pitch * rows, 3);
        std::vector<Bgra32> dst = RandomImage(pitch * rows, 4), before = dst;
        Progress progress;
        progress.moveTopBy = moveTopBy;
        Run(src, dst, rect, pitch, &progress);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < pitch; ++x) {
                const Bgra32& s = src[y * pitch + x];
                const Bgra32& d = dst[y * pitch + x];
                bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                if (inside) {
                    ASSERT_EQ(d.red, Reference(s.red, 50)) << x << "," << y;
                    ASSERT_EQ(d.alpha, s.alpha);
                } else {
                    ASSERT_EQ(std::memcmp(&d, &before[y * pitch + x], 4), 0) << "touched " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(ExecuteTest, InPlaceEqualsSeparateBuffers)
{
    plugin.WriteSettings(Settings("r=-30\r\ng=80\r\nb=-99\r\n"));
    std::vector<Bgra32> src = RandomImage(50 * 30, 5), separate(src.size());
    std::vector<Bgra32> inPlace = src;
    const ImageRect rect{3, 2, 47, 29};
    separate = src;
    Run(src, separate, rect, 50);
    Run(inPlace, inPlace, rect, 50);
    EXPECT_EQ(std::memcmp(separate.data(), inPlace.data(), src.size() * 4), 0);
}

TEST_F(ExecuteTest, ProgressIsBracketedAndCountsFinishedRows)
{
    struct Case {
        ImageRect rect;
        std::vector<int> positions;  // reported by the filter, between 0 and 10000
    };
    const Case cases[] = {
        {{0, 0, 4, 1}, {0}},
        {{0, 0, 4, 2}, {0, 5000}},
        {{0, 0, 4, 3}, {0, 3333, 6666}},
        {{0, 0, 4, 7}, {0, 1428, 2857, 4285, 5714, 7142, 8571}},
        {{2, 0, 2, 5}, {0, 2000, 4000, 6000, 8000}},  // empty rows still report
        {{0, 3, 4, 3}, {}},                            // no rows: nothing from the filter
        {{0, 5, 4, 2}, {}},
    };
    std::vector<Bgra32> src = RandomImage(4 * 8, 6);
    for (const Case& c : cases) {
        std::vector<Bgra32> dst = src;
        Progress progress;
        std::int32_t result = Run(src, dst, c.rect, 4, &progress);
        std::vector<std::pair<int, int>> expected = {{0, 10000}};
        for (int p : c.positions)
            expected.emplace_back(p, 10000);
        expected.emplace_back(10000, 10000);
        EXPECT_EQ(progress.calls, expected) << "rect " << c.rect.left << "," << c.rect.top << "," << c.rect.right
                                            << "," << c.rect.bottom;
        EXPECT_EQ(result, progress.answer + 1000) << "must return the final call's answer";
    }
}

TEST_F(ExecuteTest, NullCallbackRunsAndReturnsZero)
{
    plugin.WriteSettings(Settings("g=100\r\n"));
    std::vector<Bgra32> src(16, Bgra32{10, 170, 10, 10}), dst(16);
    EXPECT_EQ(Run(src, dst, {0, 0, 4, 4}, 4, nullptr), 0);
    EXPECT_EQ(dst[15].green, 255);
}

TEST_F(ExecuteTest, InvalidIndexStillReportsTheBracket)
{
    std::vector<Bgra32> src = RandomImage(16, 7), dst(16, Bgra32{1, 2, 3, 4});
    for (int index : {1, -1}) {
        Progress progress;
        ImageRect rect{0, 0, 4, 4};
        std::int32_t result = plugin.Execute(index, owner.Handle(), src.data(), dst.data(), &rect, 4,
                                             RecordProgress, DataOf(progress));
        EXPECT_EQ(progress.calls, (std::vector<std::pair<int, int>>{{0, 10000}, {10000, 10000}}));
        EXPECT_EQ(result, 1002);
        EXPECT_EQ(dst[0].red, 3) << "an invalid index must not touch pixels";
    }
}

TEST_F(ExecuteTest, BoundsOfTheAmountsAreInclusive)
{
    plugin.WriteSettings(Settings("r=100\r\ng=-100\r\nb=100\r\n"));
    HostSpy spy;
    std::vector<Bgra32> src(4, Bgra32{100, 100, 100, 5}), dst(4);
    Run(src, dst, {0, 0, 4, 1}, 4);
    EXPECT_EQ(spy.Count(HostEvent::MessageBox), 0);
    EXPECT_EQ(dst[0].red, 150);
    EXPECT_EQ(dst[0].green, 50);
}

TEST_F(ExecuteTest, OutOfRangeAmountShowsTheErrorBoxAndWritesNothing)
{
    const char* files[] = {"r=101\r\n", "b=-101\r\n", "g=5\r\nr=150\r\n"};
    for (const char* body : files) {
        plugin.WriteSettings(Settings(body));
        HostSpy spy;
        std::vector<Bgra32> src = RandomImage(64, 8), dst = RandomImage(64, 9), before = dst;
        Progress progress;
        std::int32_t result = Run(src, dst, {0, 0, 8, 8}, 8, &progress);
        EXPECT_EQ(std::memcmp(dst.data(), before.data(), 64 * 4), 0) << body;
        EXPECT_EQ(progress.calls, (std::vector<std::pair<int, int>>{{0, 10000}, {10000, 10000}})) << body;
        EXPECT_EQ(result, 1002);
        const std::vector<HostEvent>& events = spy.Events();
        ASSERT_EQ(events.size(), 2u) << body;
        EXPECT_EQ(events[0].kind, HostEvent::Query);
        EXPECT_EQ(events[0].code, 5);
        EXPECT_EQ(events[0].value, 0);
        EXPECT_EQ(events[1].kind, HostEvent::MessageBox);
        EXPECT_EQ(events[1].caption, "エラー");
        EXPECT_EQ(events[1].text, "設定ファイルに書き込まれている値が不正です。");
        EXPECT_EQ(events[1].owner, owner.Handle());
        EXPECT_TRUE(events[1].errorIcon);
    }
    // A refused run reads nothing of the host's, the rectangle neither.
    HostSpy spy;
    std::vector<Bgra32> src(1), dst(1);
    plugin.Execute(0, owner.Handle(), src.data(), dst.data(), nullptr, 1, nullptr, 0);
    EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1);
}

// A host whose progress callback pumps messages may start another run from
// it; here after the first row, with other amounts stored meanwhile.
int reports = 0;

std::int32_t __stdcall RunAgainAfterTheFirstRow(std::int32_t, std::int32_t, std::uint32_t data)
{
    auto* plugin = reinterpret_cast<PluginSandbox*>(static_cast<std::uintptr_t>(data));
    if (++reports == 2) {
        plugin->WriteSettings(Settings("r=-100\r\n"));
        std::vector<Bgra32> src(4), dst(4);
        const ImageRect rect{0, 0, 4, 1};
        plugin->Execute(0, nullptr, src.data(), dst.data(), &rect, 4, nullptr, 0);
    }
    return 0;
}

TEST_F(ExecuteTest, ARunStartedFromTheProgressCallbackLeavesTheRunUnderWayAsItWas)
{
    plugin.WriteSettings(Settings("r=100\r\n"));
    std::vector<Bgra32> src = RandomImage(16 * 8, 12), dst(src.size());
    const ImageRect rect{0, 0, 16, 8};
    reports = 0;
    plugin.Execute(0, owner.Handle(), src.data(), dst.data(), &rect, 16, RunAgainAfterTheFirstRow,
                   static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&plugin)));
    for (std::size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ(dst[i].red, Reference(src[i].red, 100)) << "pixel " << i;
}

TEST(TwoFilters, EachRunsByItsIndexOverTheRectangleWithProgress)
{
    PluginSandbox plugin("", "rgbcolor_twofilters.dll", true, "rgbcolor_twofilters.dll");
    plugin.WriteSettings(Settings("r=100\r\ng=-100\r\n"));
    OwnerWindow owner;
    const int pitch = 9, rows = 6;
    const ImageRect rect{2, 1, 8, 4};
    const std::vector<Bgra32> src = RandomImage(pitch * rows, 10);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index == 0 ? "RGB Color" : "Invert");
        std::vector<Bgra32> dst = RandomImage(pitch * rows, 11), before = dst;
        Progress progress;
        plugin.Execute(index, owner.Handle(), src.data(), dst.data(), &rect, pitch, RecordProgress, DataOf(progress));
        for (int i = 0; i < pitch * rows; ++i) {
            const int x = i % pitch, y = i / pitch;
            const Bgra32 &s = src[i], &d = dst[i];
            if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom)
                ASSERT_EQ(std::memcmp(&d, &before[i], 4), 0) << "touched " << x << "," << y;
            else if (index == 0)
                ASSERT_TRUE(d.red == Reference(s.red, 100) && d.green == Reference(s.green, -100) &&
                            d.blue == s.blue && d.alpha == s.alpha) << x << "," << y;
            else
                ASSERT_TRUE(d.red == 255 - s.red && d.green == 255 - s.green && d.blue == 255 - s.blue &&
                            d.alpha == s.alpha) << x << "," << y;
        }
        EXPECT_EQ(progress.calls, (std::vector<std::pair<int, int>>{
                                      {0, 10000}, {0, 10000}, {3333, 10000}, {6666, 10000}, {10000, 10000}}));
    }
}

}  // namespace
