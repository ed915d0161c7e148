// Every filter's dialog in every module the build makes as it ships, opened
// as a host opens it: the controls of its amounts are there with the classes
// and styles docs/filters.md asks of a template (the framework checks the
// ones its table binds as the dialog opens, and says so in a box). A template
// that breaks it is refused with a box naming each control, nothing stored.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <sstream>
#include <string>

#include "filter_dialog_fixture.h"
#include "support/HostSpy.h"
#include "support/Platform.h"

namespace {

std::string ClassOf(HWND control)
{
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    return name;
}

// Every slider, spinner and a spinner's field, as docs/filters.md lists them.
void ExpectAmountControlsAsDocumented(HWND dialog, const std::string& where)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const std::string name = ClassOf(control);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        const std::string at = where + ", control " + std::to_string(GetDlgCtrlID(control));
        if (name == TRACKBAR_CLASSA) {
            EXPECT_FALSE(style & TBS_VERT) << at << ": a horizontal slider";
            EXPECT_TRUE(style & WS_TABSTOP) << at << ": reached with Tab";
        } else if (name == UPDOWN_CLASSA) {
            EXPECT_EQ(style & (UDS_AUTOBUDDY | UDS_ARROWKEYS), UDS_AUTOBUDDY | UDS_ARROWKEYS) << at;
            HWND field = reinterpret_cast<HWND>(SendMessageA(control, UDM_GETBUDDY, 0, 0));
            ASSERT_EQ(ClassOf(field), "Edit") << at << ": the field just before it is its buddy";
            const LONG fieldStyle = GetWindowLongA(field, GWL_STYLE);
            EXPECT_FALSE(fieldStyle & (ES_MULTILINE | ES_READONLY | ES_PASSWORD)) << at;
            EXPECT_TRUE(fieldStyle & WS_TABSTOP) << at << ": its field reached with Tab";
        }
    }
}

TEST(EveryFilterDialog, OpensWithItsAmountsControlsAsDocumented)
{
    std::stringstream modules(HX_PLAIN_MODULES);
    int dialogs = 0;
    for (std::string module; std::getline(modules, module, ',');) {
        PluginSandbox plugin("", module + ".dll", true, module + ".dll");
        std::vector<Bgra32> image = TestImage();
        for (int index = 0; index < plugin.FilterCount(); ++index) {
            const std::string where = module + " filter " + std::to_string(index);
            HostSpy spy;
            DialogDriver driver;
            driver.Then([&](HWND d) {
                ++dialogs;
                ExpectAmountControlsAsDocumented(d, where);
                ClickControl(d, IDCANCEL);
            });
            driver.Run([&](HWND owner) { return plugin.Setup(index, owner, image.data(), kWidth, kHeight); });
            for (const HostEvent& box : spy.Events())
                if (box.kind == HostEvent::MessageBox)
                    ADD_FAILURE() << where << ": " << box.text;
        }
    }
    EXPECT_GE(dialogs, 4) << "RGB Color's, Tone's and Lopsided's at least";
}

TEST(EveryFilterDialog, ATemplateWithoutTheControlsItsTableBindsIsRefusedNothingStored)
{
    HX_SKIP_WITHOUT_JAPANESE_CODE_PAGE();
    PluginSandbox plugin("", "lopsided_broken.dll", true, "lopsided_broken.dll");
    const std::string stored = "[Lopsided]\r\nlevels=9\r\n";
    plugin.WriteSettings(stored);
    std::vector<Bgra32> image = TestImage();
    HostSpy spy;
    DialogDriver driver;  // no step: the dialog must never show
    EXPECT_EQ(driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), kWidth, kHeight); }), 0);
    ASSERT_EQ(spy.Count(HostEvent::MessageBox), 1);
    const HostEvent& box = spy.Events().back();
    EXPECT_TRUE(box.errorIcon);
    EXPECT_EQ(box.owner, driver.Owner()) << "the host's window: the dialog is never shown";
    EXPECT_EQ(box.text, "設定ダイアログ 141 のテンプレートがこのフィルタと合わないため、開けません。\n"
                        "コントロール 1221 が Edit ではありません。\n"
                        "コントロール 1225 がありません。\n"
                        "コントロール 1227 に ES_NUMBER は使えません。");
    EXPECT_EQ(plugin.ReadSettings(), stored);
}

}  // namespace
