// The RGB Color dialog of the real DLL under strain: a preview buffer that
// cannot be allocated, and hundreds of openings in one process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "filters/rgbcolor/RgbColorIds.h"
#include "resources/resource.h"
#include "support/DialogDriver.h"
#include "support/HostSpy.h"
#include "support/ImportHook.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"
#include "support/ProcessMemory.h"
#include "support/DialogControls.h"

namespace {

constexpr int kWidth = 60;
constexpr int kHeight = 40;
constexpr char kErrorThree[] = "プレビューエラー！\nエラー番号 3";

std::vector<Bgra32> TestImage()
{
    std::vector<Bgra32> image(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image[y * kWidth + x] = Bgra32{static_cast<std::uint8_t>(40 + 3 * x), static_cast<std::uint8_t>(200 - 2 * y),
                                           static_cast<std::uint8_t>(60 + 2 * x + y), 255};
    return image;
}

// Pixels no brighter than mid grey in every channel: text, not the pane's face.
int DarkPixels(const ClientPixels& shot, const RECT& part)
{
    int dark = 0;
    for (int y = part.top; y < part.bottom && y < shot.height; ++y)
        for (int x = part.left; x < part.right && x < shot.width; ++x) {
            const std::uint32_t p = shot.At(x, y);
            dark += ((p >> 16) & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x80;
        }
    return dark;
}

std::string SettingsText(const std::string shown[3], bool preview)
{
    return "[RGBColor]\r\nr=" + shown[0] + "\r\ng=" + shown[1] + "\r\nb=" + shown[2] + "\r\npreview=" +
           (preview ? "1" : "0") + "\r\n";
}

// ---- The preview buffer cannot be allocated ----

// The pane's buffer (about 110 KB) and anything as large fail; the many small
// requests of the runtime and the dialog still pass.
constexpr std::size_t kRefusedFrom = 64 * 1024;
void*(__cdecl* realMalloc)(std::size_t) = nullptr;
std::vector<std::size_t> refusedSizes;

void* __cdecl RefusingMalloc(std::size_t size)
{
    if (size >= kRefusedFrom) {
        refusedSizes.push_back(size);
        return nullptr;
    }
    return realMalloc(size);
}

TEST(PreviewBufferFault, TheDialogWorksWithoutItsPreviewAndTheNextOneHasItAgain)
{
    PluginSandbox plugin;
    std::vector<Bgra32> image = TestImage();
    HostSpy spy;
    refusedSizes.clear();
    {
        ImportHook hook(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<void*>(RefusingMalloc));
        ASSERT_TRUE(hook.Installed()) << "the plug-in no longer allocates through msvcrt's malloc";
        realMalloc = reinterpret_cast<void*(__cdecl*)(std::size_t)>(hook.Original());

        HWND pane = nullptr;
        RECT client{};
        ClientPixels before, textShown;
        const RECT textArea{0, 0, 120, 40};
        DialogDriver driver;
        driver
            .Then([&](HWND d) {
                pane = GetDlgItem(d, IDC_PREVIEW_PANE);
                GetClientRect(pane, &client);
                EXPECT_FALSE(IsWindowEnabled(pane)) << "a pane without its buffer is disabled";
                ASSERT_EQ(refusedSizes.size(), 1u) << "one allocation of the buffer's size, refused";
                EXPECT_EQ(refusedSizes[0], static_cast<std::size_t>(client.right) * client.bottom * 4)
                    << "pane " << client.right << "x" << client.bottom;
                EXPECT_FALSE(PreviewChecked(d));
                before = CaptureClient(pane);
                ClickControl(d, IDC_PREVIEW_CHECK);  // asks the pane for a repaint
            })
            .Then([&](HWND d) {
                EXPECT_TRUE(PreviewChecked(d));
                textShown = CaptureClient(pane);
                EXPECT_EQ(textShown.pixels, WithErrorText(before, kErrorThree, pane, client).pixels)
                    << "the two error lines on a plain background";
                EXPECT_GT(DarkPixels(textShown, textArea), DarkPixels(before, textArea) + 50);
                SelectField(d, IDC_RED_EDIT);
                TypeText("37");
            })
            .Then([&](HWND d) {
                EXPECT_TRUE(InStep(d, kChannels[0], 37)) << "typing";
                ClickSpinner(d, IDC_GREEN_SPIN, true);
            })
            .Then([&](HWND d) {
                EXPECT_TRUE(InStep(d, kChannels[1], 1)) << "spinner";
                SetFocus(GetDlgItem(d, IDC_BLUE_SLIDER));
                PressKey(VK_END);
            })
            .Then([&](HWND d) {
                EXPECT_TRUE(InStep(d, kChannels[2], -100)) << "slider key";
                ClickControl(d, IDC_RESET);
            })
            .Then([&](HWND d) {
                for (const ChannelIds& c : kChannels)
                    EXPECT_TRUE(InStep(d, c, 0)) << "reset";
                SelectField(d, IDC_RED_EDIT);
                TypeText("42");
            })
            .Then([&](HWND d) {
                EXPECT_TRUE(InStep(d, kChannels[0], 42));
                EXPECT_FALSE(IsWindowEnabled(pane));
                // Each change repainted the text; redrawn over itself its edges may darken, so no exact match.
                EXPECT_GE(DarkPixels(CaptureClient(pane), textArea), DarkPixels(textShown, textArea));
                ClickControl(d, IDOK);
            });
        EXPECT_EQ(driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), kWidth, kHeight); }), 1)
            << "OK still confirms";
        EXPECT_TRUE(driver.AllStepsRan());
        EXPECT_EQ(refusedSizes.size(), 1u) << "painting allocates nothing";
        EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=42\r\ng=0\r\nb=0\r\npreview=1\r\n");
    }
    std::printf("allocation failures injected: %lu (%lu bytes)\n", static_cast<unsigned long>(refusedSizes.size()),
                static_cast<unsigned long>(refusedSizes.empty() ? 0 : refusedSizes[0]));

    // The hook is gone: the same plug-in opens the same dialog with a working pane.
    DialogDriver driver;
    driver.Then([&](HWND d) {
        HWND pane = GetDlgItem(d, IDC_PREVIEW_PANE);
        EXPECT_TRUE(IsWindowEnabled(pane));
        EXPECT_TRUE(PreviewChecked(d));
        const ClientPixels shot = CaptureClient(pane);
        ASSERT_GT(shot.height, kHeight);
        // The image is centred; the rows above it hold the window colour, where an error text would be.
        const std::uint32_t window = PixelOfColorRef(GetSysColor(COLOR_WINDOW));
        const int top = (shot.height - kHeight) / 2;
        int other = 0;
        for (int y = 0; y < top; ++y)
            for (int x = 0; x < shot.width; ++x)
                other += shot.At(x, y) != window;
        EXPECT_EQ(other, 0) << "pixels above the image that are not the window colour";
        const std::uint32_t centre = shot.At(shot.width / 2, shot.height / 2);
        EXPECT_NE(centre, window) << "the image is shown";
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), kWidth, kHeight); }), 0);
    EXPECT_TRUE(driver.AllStepsRan());
    EXPECT_EQ(refusedSizes.size(), 1u);
    EXPECT_EQ(spy.Count(HostEvent::MessageBox), 0) << "the pane never shows a box";
}

// ---- Many openings in one process ----

// Windows counts a process's GUI objects (GetGuiResources). Wine 8 answers 0
// for both kinds (a stub); there the test counts for itself. GDI objects: Wine takes a handle without its
// generation in the high word, so each table slot can be asked with
// GetObjectType. USER objects: the windows of this process, enumerated (a
// per-slot question would cost a server call each), and the menus, cursors
// and icons found slot by slot in Wine's USER range (0x20 + 2 x slot).
bool guiResourcesWork = false;

long ProbeGdiObjects()
{
    long count = 0;
    for (UINT_PTR slot = 0; slot < 0x10000; ++slot)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
    return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

void CountWindowTree(HWND window, long* count)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return;
    ++*count;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(count));
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count)
{
    CountWindowTree(window, reinterpret_cast<long*>(count));
    return TRUE;
}

long ProbeUserObjects()
{
    long count = 0;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr))
        CountWindowTree(w, &count);
    for (UINT_PTR handle = 0x20; handle <= 0xFFEF; handle += 2) {  // Wine's whole USER range
        ICONINFO info;
        if (IsMenu(reinterpret_cast<HMENU>(handle))) {
            ++count;
        } else if (GetIconInfo(reinterpret_cast<HICON>(handle), &info)) {
            ++count;
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
    return count;
}

struct Usage {
    long gdi;
    long user;
    long long privateBytes;
};

Usage CurrentUsage()
{
    guiResourcesWork = !RunningUnderWine();
    if (guiResourcesWork)
        return {static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)),
                static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)),
                static_cast<long long>(CommittedPrivateBytes())};
    return {ProbeGdiObjects(), ProbeUserObjects(), static_cast<long long>(CommittedPrivateBytes())};
}

// The counts must see objects come and go, or a leak test on them proves nothing.
TEST(ObjectCounts, SeeObjectsMadeAndDestroyed)
{
    struct Case {
        const char* kind;
        bool gdi;
        std::function<HANDLE()> make;
        std::function<void(HANDLE)> destroy;
    };
    static BYTE cursorBits[128];
    const Case cases[] = {
        {"pen", true, [] { return static_cast<HANDLE>(CreatePen(PS_SOLID, 1, RGB(1, 2, 3))); },
         [](HANDLE h) { DeleteObject(h); }},
        {"bitmap", true, [] { return static_cast<HANDLE>(CreateBitmap(8, 8, 1, 1, nullptr)); },
         [](HANDLE h) { DeleteObject(h); }},
        {"device context", true, [] { return static_cast<HANDLE>(CreateCompatibleDC(nullptr)); },
         [](HANDLE h) { DeleteDC(static_cast<HDC>(h)); }},
        {"window", false,
         [] {
             return static_cast<HANDLE>(
                 CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
         },
         [](HANDLE h) { DestroyWindow(static_cast<HWND>(h)); }},
        {"menu", false, [] { return static_cast<HANDLE>(CreatePopupMenu()); },
         [](HANDLE h) { DestroyMenu(static_cast<HMENU>(h)); }},
        {"cursor", false,
         [] {
             return static_cast<HANDLE>(
                 CreateCursor(GetModuleHandleA(nullptr), 0, 0, 32, 32, cursorBits, cursorBits));
         },
         [](HANDLE h) { DestroyCursor(static_cast<HCURSOR>(h)); }},
    };
    constexpr int kMade = 3;
    // Wine gives a thread its IME window with its first top-level window and
    // takes it away with the last; a window that stays keeps it out of the counts.
    OwnerWindow anchor;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        c.destroy(c.make());  // first-use costs of the kind, once
        const Usage before = CurrentUsage();
        HANDLE made[kMade];
        for (HANDLE& h : made) {
            h = c.make();
            ASSERT_NE(h, nullptr);
        }
        const Usage with = CurrentUsage();
        for (HANDLE h : made)
            c.destroy(h);
        const Usage after = CurrentUsage();
        const long grew = c.gdi ? with.gdi - before.gdi : with.user - before.user;
        const long left = c.gdi ? after.gdi - before.gdi : after.user - before.user;
        EXPECT_EQ(grew, kMade);
        EXPECT_EQ(left, 0);
    }
    std::printf("object counts from %s\n", guiResourcesWork ? "GetGuiResources" : "probing the handle tables");
}

// Opens the dialog `openings` times through `plugin`, OK and Cancel in turn,
// each time typing a new amount into one field (and now and then switching
// the preview), and checks after each one what the file holds. The usage is
// taken after `warmUp` openings and at the end, and the memory after each
// opening from then on.
struct SoakResult {
    Usage before{}, after{};
    std::vector<long long> memory;
    DWORD milliseconds = 0;
    int wrong = 0;
    std::string lastShown;  // the settings as the dialog showed them at the last OK
};

SoakResult Soak(const PluginSandbox& plugin, int openings, int warmUp)
{
    std::vector<Bgra32> image = TestImage();
    std::string shown[3] = {"0", "0", "0"};
    bool preview = true;
    plugin.WriteSettings(SettingsText(shown, preview));

    SoakResult result;
    // One driver for all openings: its steps read `opening` and run again at every Run.
    int opening = 0;
    auto amountOf = [](int n) { return 1 + n % 100; };
    DialogDriver driver;
    driver
        .Then([&](HWND d) {
            SelectField(d, kChannels[opening % 3].field);
            TypeText(std::to_string(amountOf(opening)));
        })
        .Then([&](HWND d) {
            if (opening % 7 == 3)
                ClickControl(d, IDC_PREVIEW_CHECK);
        })
        .Then([&](HWND d) {
            const ::testing::AssertionResult inStep = InStep(d, kChannels[opening % 3], amountOf(opening));
            if (!inStep && result.wrong++ < 3)
                ADD_FAILURE() << "opening " << opening << ": " << inStep.message();
            if (opening % 2 == 0) {
                for (int c = 0; c < 3; ++c)
                    shown[c] = FieldText(d, kChannels[c].field);
                preview = PreviewChecked(d);
            }
            ClickControl(d, opening % 2 == 0 ? IDOK : IDCANCEL);
        });

    const DWORD start = GetTickCount();
    for (opening = 0; opening < openings; ++opening) {
        if (opening == warmUp)
            result.before = CurrentUsage();
        const std::string file = plugin.ReadSettings();
        const INT_PTR code =
            driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), kWidth, kHeight); });
        const bool ok = opening % 2 == 0;
        const std::string expected = ok ? SettingsText(shown, preview) : file;
        if ((code != (ok ? 1 : 0) || !driver.AllStepsRan() || plugin.ReadSettings() != expected) &&
            result.wrong++ < 3)
            ADD_FAILURE() << "opening " << opening << ": result " << code << ", file\n"
                          << plugin.ReadSettings() << "expected\n" << expected;
        if (opening >= warmUp)
            result.memory.push_back(static_cast<long long>(CommittedPrivateBytes()));
    }
    result.milliseconds = GetTickCount() - start;
    result.after = CurrentUsage();
    result.lastShown = SettingsText(shown, preview);
    return result;
}

// The memory's growth an opening, as the least-squares line through the
// openings has it: a heap that takes one more 64 KB step anywhere moves it by
// at most 1.5 x 64 KB / openings; a leak, by its own size.
double GrowthPerOpening(const std::vector<long long>& memory)
{
    const double n = static_cast<double>(memory.size()), middle = (n - 1) / 2;
    double mean = 0, covariance = 0, variance = 0;
    for (long long bytes : memory)
        mean += static_cast<double>(bytes) / n;
    for (std::size_t i = 0; i < memory.size(); ++i) {
        covariance += (static_cast<double>(i) - middle) * (static_cast<double>(memory[i]) - mean);
        variance += (static_cast<double>(i) - middle) * (static_cast<double>(i) - middle);
    }
    return covariance / variance;
}

TEST(ManyOpenings, TwoHundredOkAndCancelLeaveObjectsAndMemoryAsTheyWere)
{
    constexpr int kOpenings = 200;
    constexpr int kWarmUp = 10;
    constexpr long kObjectTolerance = 2;
    // Twice what one heap step can make of it: under 700 bytes an opening; the
    // pane's buffer alone is 110 KB.
    constexpr double kGrowthTolerance = 2.0 * 64 * 1024 / (kOpenings - kWarmUp);

    PluginSandbox plugin;
    const SoakResult soak = Soak(plugin, kOpenings, kWarmUp);
    EXPECT_EQ(soak.wrong, 0);
    EXPECT_EQ(plugin.ReadSettings(), soak.lastShown) << "the last OK stores exactly what was shown";

    const Usage& before = soak.before;
    const Usage& after = soak.after;
    std::printf("%d openings (%d warm-up), %lu ms; counts from %s\n", kOpenings, kWarmUp,
                static_cast<unsigned long>(soak.milliseconds),
                guiResourcesWork ? "GetGuiResources" : "probing the handle tables");
    std::printf("  GDI objects   %ld -> %ld (%+ld)\n", before.gdi, after.gdi, after.gdi - before.gdi);
    std::printf("  USER objects  %ld -> %ld (%+ld)\n", before.user, after.user, after.user - before.user);
    const double growth = GrowthPerOpening(soak.memory);
    std::printf("  private bytes %lld -> %lld (%+lld; %+.0f an opening over the openings)\n", before.privateBytes,
                after.privateBytes, after.privateBytes - before.privateBytes, growth);
    EXPECT_LE(after.gdi - before.gdi, kObjectTolerance);
    EXPECT_LE(after.user - before.user, kObjectTolerance);
    EXPECT_LT(growth, kGrowthTolerance);
}

// The memory figure must see the plug-in's own leaks: with its frees dropped,
// every opening keeps its pane buffer.
void __cdecl DroppedFree(void*) {}

TEST(ManyOpenings, APlugInThatNeverFreesShowsItsBuffersInTheMemoryFigure)
{
    constexpr int kOpenings = 30;
    constexpr int kWarmUp = 5;
    PluginSandbox plugin;
    ImportHook hook(plugin.Module(), "msvcrt.dll", "free", reinterpret_cast<void*>(DroppedFree));
    ASSERT_TRUE(hook.Installed());
    const SoakResult soak = Soak(plugin, kOpenings, kWarmUp);
    EXPECT_EQ(soak.wrong, 0);
    const double growth = GrowthPerOpening(soak.memory);
    std::printf("frees dropped, %d openings: private bytes %+.0f an opening\n", kOpenings - kWarmUp, growth);
    EXPECT_GE(growth, 100000) << "about 110 KB an opening";
}

}  // namespace
