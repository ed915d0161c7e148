// FilterDialog through the real dialog manager: how a dialog ends, the
// preview check box, WriteDialogInt and templates that cannot be opened.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource.h"
#include "support/DialogDriver.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"
#include "ui_test_dialog.h"

namespace {

constexpr int kImageWidth = 100;
constexpr int kImageHeight = 50;
constexpr std::uint32_t kCheckedColour = 0xC01020;
constexpr std::uint32_t kUncheckedColour = 0x2040E0;

// A click on the caption's close box.
void ClickCloseBox(HWND dialog)
{
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    ASSERT_TRUE(GetTitleBarInfo(dialog, &title));
    // The window itself says where its close box is: the run of the caption's
    // middle row that hits HTCLOSE.
    const int y = (title.rcTitleBar.top + title.rcTitleBar.bottom) / 2;
    int right = -1, left = -1;
    for (int x = title.rcTitleBar.right + 8; x >= title.rcTitleBar.left; --x) {
        const bool close = SendMessageA(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE;
        if (close && right < 0)
            right = x;
        if (close)
            left = x;
        else if (right >= 0)
            break;
    }
    ASSERT_GE(right, 0) << "no close box on the caption";
    MouseMoveToScreen((left + right) / 2, y);
    MouseButton(true);
    MouseButton(false);
}

class DialogTest : public ::testing::Test {
protected:
    std::vector<Bgra32> image = CodedImage(kImageWidth, kImageHeight);
    DialogDriver driver;

    INT_PTR Run(TestDialog& dialog) { return RunTestDialog(driver, dialog, image, kImageWidth, kImageHeight); }
};

TEST_F(DialogTest, CommandsOneAndTwoEndTheDialogWhateverTheirNotificationCode)
{
    struct Case {
        WORD id;
        WORD code;
        INT_PTR expected;
        int saves;
    };
    const Case cases[] = {
        {IDOK, BN_CLICKED, IDOK, 1},
        {IDOK, EN_UPDATE, IDOK, 1},
        {IDCANCEL, 1, IDCANCEL, 0},
        {IDCANCEL, 0xFFFF, IDCANCEL, 0},
    };
    for (const Case& c : cases) {
        TestDialog dialog;
        DialogDriver run;
        run.Then([&](HWND window) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(c.id, c.code), 0); });
        EXPECT_EQ(RunTestDialog(run, dialog, image, kImageWidth, kImageHeight), c.expected)
            << "id " << c.id << " code " << c.code;
        EXPECT_EQ(dialog.saveCalls, c.saves) << "id " << c.id << " code " << c.code;
        EXPECT_EQ(dialog.savedWhileShown, c.saves == 1) << "id " << c.id << " code " << c.code;
        EXPECT_EQ(dialog.lastCommandResult, 1) << "id " << c.id << " code " << c.code;
        EXPECT_TRUE(run.AllStepsRan());
    }
}

TEST_F(DialogTest, TheUsersWaysOutEndWithOneOrTwo)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> act;
        INT_PTR expected;
        int saves;
    };
    const Case cases[] = {
        {"click on OK", [](HWND w) { ClickControl(w, IDOK); }, IDOK, 1},
        {"Enter", [](HWND) { PressKey(VK_RETURN); }, IDOK, 1},
        {"click on Cancel", [](HWND w) { ClickControl(w, IDCANCEL); }, IDCANCEL, 0},
        {"Escape", [](HWND) { PressKey(VK_ESCAPE); }, IDCANCEL, 0},
        {"close box", ClickCloseBox, IDCANCEL, 0},
    };
    for (const Case& c : cases) {
        TestDialog dialog;
        DialogDriver run;
        run.Then(c.act);
        EXPECT_EQ(RunTestDialog(run, dialog, image, kImageWidth, kImageHeight), c.expected) << c.name;
        EXPECT_EQ(dialog.saveCalls, c.saves) << c.name;
        EXPECT_TRUE(run.AllStepsRan()) << c.name;
    }
}

TEST_F(DialogTest, OkWhoseSettingsCannotBeStoredKeepsTheDialogOpen)
{
    TestDialog dialog;
    dialog.saveResult = false;
    driver.Then([&](HWND w) { ClickControl(w, IDOK); })
        .Then([&](HWND w) {
            EXPECT_TRUE(IsWindowVisible(w));
            EXPECT_EQ(dialog.saveCalls, 1);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_EQ(dialog.saveCalls, 1);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(DialogTest, EveryMessageReachesTheHandlersAndInitialisationAttachesThePane)
{
    TestDialog dialog;
    driver.Then([&](HWND w) {
        EXPECT_EQ(dialog.window, w);
        HWND control = GetDlgItem(w, IDC_PREVIEW_PANE);
        EXPECT_EQ(dialog.pane.Control(), control);
        EXPECT_EQ(dialog.pane.ErrorCode(), 0);
        RECT client;
        GetClientRect(control, &client);
        EXPECT_EQ(dialog.pane.Width(), client.right);
        EXPECT_EQ(dialog.pane.Height(), client.bottom);
        EXPECT_EQ(currentPane, &dialog.pane);
        EXPECT_EQ(currentDialog, &dialog);
        EXPECT_FALSE(dialog.renders.empty()) << "the pane was not painted when the dialog appeared";
        // 1: the dialog manager is to set the focus.
        EXPECT_EQ(dialog.initResult, 1);
        // The font comes before WM_INITDIALOG, through the same dialog procedure.
        EXPECT_NE(std::find(dialog.earlyMessages.begin(), dialog.earlyMessages.end(), UINT{WM_SETFONT}),
                  dialog.earlyMessages.end());
        EXPECT_TRUE(dialog.windowKnownEarly);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

// The renderer fills the block with one colour that tells the box's state.
void PaintByPreviewState(TestDialog& dialog)
{
    dialog.renderer = [&dialog](PreviewPane& pane, const PanePoint& offset, const PanePoint&,
                                const PanePoint& size) {
        const std::uint32_t c = dialog.IsPreviewChecked() ? kCheckedColour : kUncheckedColour;
        const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                     static_cast<std::uint8_t>(c >> 16)};
        for (int y = 0; y < size.y; ++y)
            for (int x = 0; x < size.x; ++x)
                pane.PutPixel(offset.x + x, offset.y + y, bgr, 255);
        return true;
    };
}

TEST_F(DialogTest, AClickOnThePreviewBoxRepaintsAtOnceBothWays)
{
    TestDialog dialog;
    PaintByPreviewState(dialog);
    std::size_t before = 0;
    // The middle of the 100 x 50 image, wherever the template put it.
    auto centre = [&]() { return CaptureClient(dialog.PaneControl()); };
    auto shownColour = [&]() {
        ClientPixels shot = centre();
        return shot.At(shot.width / 2, shot.height / 2);
    };
    driver
        .Then([&](HWND w) {
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), BST_UNCHECKED);
            EXPECT_EQ(shownColour(), kUncheckedColour);
            before = dialog.renders.size();
            ClickControl(w, IDC_PREVIEW_CHECK);
        })
        .Then([&](HWND w) {
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), BST_CHECKED);
            ASSERT_EQ(dialog.renders.size(), before + 1);
            EXPECT_TRUE(dialog.renders.back().duringCommand) << "repainted later, not at the click";
            EXPECT_EQ(shownColour(), kCheckedColour);
            ClickControl(w, IDC_PREVIEW_CHECK);
        })
        .Then([&](HWND w) {
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), BST_UNCHECKED);
            ASSERT_EQ(dialog.renders.size(), before + 2);
            EXPECT_TRUE(dialog.renders.back().duringCommand);
            EXPECT_EQ(shownColour(), kUncheckedColour);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(DialogTest, OtherCommandsAndMessagesDoNothing)
{
    TestDialog dialog;
    PaintByPreviewState(dialog);
    driver.Then([&](HWND w) {
        const std::size_t before = dialog.renders.size();
        const ClientPixels shown = CaptureClient(dialog.PaneControl());
        struct Case { WORD id; WORD code; };
        const Case cases[] = {
            {IDC_PREVIEW_CHECK, 1},          {IDC_PREVIEW_CHECK, 2},       {IDC_PREVIEW_CHECK, BN_DOUBLECLICKED},
            {IDC_PREVIEW_CHECK, BN_SETFOCUS}, {IDC_PREVIEW_CHECK, BN_KILLFOCUS}, {IDC_PREVIEW_CHECK, EN_UPDATE},
            {IDC_PREVIEW_CHECK, 0xFFFF},     {IDC_PREVIEW_PANE, STN_CLICKED}, {IDC_UI_TEST_NUMBER, BN_CLICKED},
        };
        HWND check = GetDlgItem(w, IDC_PREVIEW_CHECK);
        for (const Case& c : cases) {
            dialog.lastCommandResult = -1;
            SendMessageA(w, WM_COMMAND, MAKEWPARAM(c.id, c.code), reinterpret_cast<LPARAM>(check));
            EXPECT_EQ(dialog.lastCommandResult, 0) << "id " << c.id << " code " << c.code;
        }
        EXPECT_EQ(dialog.renders.size(), before);
        EXPECT_EQ(CaptureClient(dialog.PaneControl()).pixels, shown.pixels);
        EXPECT_EQ(IsWindowVisible(w), TRUE) << "a command ended the dialog";

        for (UINT message : {UINT{WM_USER + 7}, UINT{WM_TIMER}, UINT{WM_HSCROLL}, UINT{WM_NULL}})
            EXPECT_EQ(dialog.FilterDialog::HandleMessage(w, message, 0, 0), 0) << "message " << message;
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_EQ(dialog.saveCalls, 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(DialogTest, OnlyACheckedBoxCountsAsPreviewOn)
{
    TestDialog dialog;
    driver.Then([&](HWND w) {
        // A three-state box can be indeterminate; that is not "on".
        SendDlgItemMessageA(w, IDC_PREVIEW_CHECK, BM_SETSTYLE, BS_AUTO3STATE, FALSE);
        const std::pair<UINT, bool> states[] = {
            {BST_UNCHECKED, false}, {BST_CHECKED, true}, {BST_INDETERMINATE, false}, {BST_CHECKED, true}};
        for (const auto& s : states) {
            CheckDlgButton(w, IDC_PREVIEW_CHECK, s.first);
            ASSERT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), s.first);
            EXPECT_EQ(dialog.IsPreviewChecked(), s.second) << "state " << s.first;
        }
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(DialogTest, WriteDialogIntStoresOnlyIntegers)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "\\settings.ini";
    auto stored = [&](const char* key) {
        char value[64];
        GetPrivateProfileStringA("Test", key, "<absent>", value, sizeof value, path.c_str());
        return std::string(value);
    };
    struct Case {
        const char* text;
        bool written;
        const char* expected;
    };
    const Case cases[] = {
        {"-35", true, "-35"},
        {"0", true, "0"},
        {"2147483647", true, "2147483647"},
        {"-2147483648", true, "-2147483648"},
        {"", false, "<absent>"},
        {"abc", false, "<absent>"},
        {"-", false, "<absent>"},
    };
    TestDialog dialog;
    driver.Then([&](HWND w) {
        int n = 0;
        for (const Case& c : cases) {
            const std::string key = "k" + std::to_string(n++);
            SetDlgItemTextA(w, IDC_UI_TEST_NUMBER, c.text);
            EXPECT_EQ(dialog.WriteDialogInt("Test", key.c_str(), IDC_UI_TEST_NUMBER, path.c_str()), c.written)
                << '"' << c.text << '"';
            EXPECT_EQ(stored(key.c_str()), c.expected) << '"' << c.text << '"';
        }
        // A refused text leaves a value stored earlier alone.
        SetDlgItemTextA(w, IDC_UI_TEST_NUMBER, "7");
        EXPECT_TRUE(dialog.WriteDialogInt("Test", "kept", IDC_UI_TEST_NUMBER, path.c_str()));
        SetDlgItemTextA(w, IDC_UI_TEST_NUMBER, "seven");
        EXPECT_FALSE(dialog.WriteDialogInt("Test", "kept", IDC_UI_TEST_NUMBER, path.c_str()));
        EXPECT_EQ(stored("kept"), "7");
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
    RemoveTree(folder);
}

TEST_F(DialogTest, AMissingTemplateGivesThePlatformFailureWithoutAWindow)
{
    TestDialog dialog(999);
    driver.Then([](HWND) { ADD_FAILURE() << "a dialog opened"; });
    EXPECT_EQ(Run(dialog), -1);
    EXPECT_EQ(driver.StepsRun(), 0u);
    EXPECT_EQ(dialog.window, nullptr);
    EXPECT_EQ(dialog.saveCalls, 0);
}

TEST_F(DialogTest, OnlyTheLowSixteenBitsOfTheTemplateIdCount)
{
    TestDialog dialog(0x10000 + IDD_UI_TEST);
    driver.Then([](HWND w) {
        EXPECT_NE(GetDlgItem(w, IDC_UI_TEST_NUMBER), nullptr);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(DialogTest, TheDriversWatchdogEndsADialogStuckInAMessageBox)
{
    // Nobody closes the box: its own modal loop never lets the dialog go idle.
    // A box of buttons with no text, which the watch for message boxes leaves alone.
    TestDialog dialog;
    DialogDriver run(1000);
    run.Then([](HWND w) {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UI_TEST_NO_PANE), w, nullptr, 0);
    });
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = RunTestDialog(run, dialog, image, kImageWidth, kImageHeight),
                            "did not end within 1000 ms");
    EXPECT_EQ(result, DialogDriver::kTimedOut);
    EXPECT_FALSE(IsWindow(run.Dialog()));
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "WM_QUIT left in the queue";
}

TEST_F(DialogTest, AClickThatAnotherProgramsWindowWouldTakeIsNotSentAndTheDialogEndsAtOnce)
{
    // A notification of another process on top over the middle of the screen,
    // where this dialog opens (DS_CENTER); the dialog cannot come above it.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION other{};
    std::string line = "\"" + PluginDir() + "\\intruder.exe\" --notification";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &other));
    HWND shown = nullptr;
    for (int i = 0; i < 1000 && !shown; ++i) {  // its window, within 10 s
        Sleep(10);
        for (HWND w = nullptr; !shown && (w = FindWindowExA(nullptr, w, "HxIntruder", nullptr));) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            shown = process == other.dwProcessId && IsWindowVisible(w) ? w : nullptr;
        }
    }
    EXPECT_NE(shown, nullptr);
    TestDialog dialog;
    DialogDriver run(60000, 500);
    run.Then([](HWND w) {
           RECT r;
           GetClientRect(w, &r);
           KeyDown(VK_SHIFT);  // a shifted click: Shift must not stay down
           ClickAt(w, r.right / 2, r.bottom / 2);
       })
        .Then([](HWND) { ADD_FAILURE() << "the dialog went on"; });
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = RunTestDialog(run, dialog, image, kImageWidth, kImageHeight),
                            "class HxIntruder");
    EXPECT_EQ(result, DialogDriver::kNoForeground);
    EXPECT_FALSE(IsWindow(run.Dialog()));
    EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0) << "Shift left down";
    TerminateProcess(other.hProcess, 0);
    WaitForSingleObject(other.hProcess, 10000);
    CloseHandle(other.hProcess);
    CloseHandle(other.hThread);
}

}  // namespace
