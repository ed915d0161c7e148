// Dialog template 119 as stored in the shipped DLL: read back from the
// module's resources and compared field by field with the intended layout.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "filters/rgbcolor/RgbColorIds.h"
#include "resources/resource.h"
#include "support/PluginSandbox.h"

namespace {

struct Item {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    WORD id;
    std::wstring className;  // "#128" style for an atom
    std::wstring text;
};

struct Template {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::wstring menu, className, caption, font;
    WORD pointSize = 0;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const BYTE* data) : base(data), p(data) {}
    WORD Word() { WORD v; std::memcpy(&v, p, 2); p += 2; return v; }
    DWORD Dword() { DWORD v; std::memcpy(&v, p, 4); p += 4; return v; }
    short Short() { return static_cast<short>(Word()); }
    std::wstring String()
    {
        std::wstring s;
        for (WORD c = Word(); c != 0; c = Word())
            s += static_cast<wchar_t>(c);
        return s;
    }
    // A name or an ordinal: 0xFFFF then the number, shown as "#n".
    std::wstring NameOrOrdinal()
    {
        WORD first = Word();
        if (first == 0)
            return L"";
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        p -= 2;
        return String();
    }
    void AlignDword() { p = base + ((p - base + 3) & ~3); }

private:
    const BYTE* base;
    const BYTE* p;
};

std::wstring Upper(std::wstring text)
{
    CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

Template ReadTemplate(HMODULE module, int id)
{
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(id), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    EXPECT_NE(found, nullptr) << "no Japanese dialog " << id;
    Template t{};
    if (!found)
        return t;
    Reader r(static_cast<const BYTE*>(LockResource(LoadResource(module, found))));
    t.style = r.Dword();
    t.exStyle = r.Dword();
    WORD count = r.Word();
    t.x = r.Short(); t.y = r.Short(); t.cx = r.Short(); t.cy = r.Short();
    t.menu = r.NameOrOrdinal();
    t.className = r.NameOrOrdinal();
    t.caption = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Word();
        t.font = r.String();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item{};
        item.style = r.Dword();
        item.exStyle = r.Dword();
        item.x = r.Short(); item.y = r.Short(); item.cx = r.Short(); item.cy = r.Short();
        item.id = r.Word();
        item.className = r.NameOrOrdinal();
        item.text = r.NameOrOrdinal();
        WORD extra = r.Word();
        for (WORD b = 0; b < extra; b += 2)
            r.Word();
        t.items.push_back(item);
    }
    return t;
}

TEST(RgbColorTemplate, DialogHeader)
{
    PluginSandbox plugin;
    Template t = ReadTemplate(plugin.Module(), IDD_RGBCOLOR);
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.x, 0); EXPECT_EQ(t.y, 0); EXPECT_EQ(t.cx, 255); EXPECT_EQ(t.cy, 155);
    EXPECT_EQ(t.menu, L"");
    EXPECT_EQ(t.className, L"");
    EXPECT_EQ(t.caption, L"RGB Color");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, L"ＭＳ Ｐゴシック");
}

TEST(RgbColorTemplate, SeventeenControlsInTabOrder)
{
    PluginSandbox plugin;
    Template t = ReadTemplate(plugin.Module(), IDD_RGBCOLOR);
    const DWORD base = WS_CHILD | WS_VISIBLE;
    const DWORD label = base | WS_GROUP | SS_LEFT;
    const DWORD slider = base | WS_TABSTOP | TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
    const DWORD field = base | WS_TABSTOP | WS_BORDER | ES_RIGHT;
    const DWORD spinner = base | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS;
    const Item expected[] = {
        {label, 0, 104, 15, 18, 8, 0xFFFF, L"#130", L"赤(&R):"},
        {slider, 0, 120, 10, 100, 15, 1053, L"msctls_trackbar32", L"Slider1"},
        {field, 0, 220, 10, 30, 14, 1054, L"#129", L""},
        {spinner, 0, 240, 15, 9, 14, 1055, L"msctls_updown32", L"Spin1"},
        {label, 0, 104, 40, 18, 8, 0xFFFF, L"#130", L"緑(&G):"},
        {slider, 0, 120, 35, 100, 15, 1056, L"msctls_trackbar32", L"Slider1"},
        {field, 0, 220, 35, 30, 14, 1057, L"#129", L""},
        {spinner, 0, 240, 40, 9, 14, 1058, L"msctls_updown32", L"Spin1"},
        {label, 0, 104, 65, 18, 8, 0xFFFF, L"#130", L"青(&B):"},
        {slider, 0, 120, 60, 100, 15, 1059, L"msctls_trackbar32", L"Slider1"},
        {field, 0, 220, 60, 30, 14, 1060, L"#129", L""},
        {spinner, 0, 240, 70, 9, 14, 1061, L"msctls_updown32", L"Spin1"},
        {base | WS_TABSTOP | BS_PUSHBUTTON, 0, 155, 85, 65, 14, 1062, L"#128", L"すべて 0 にする(&0)"},
        {base | SS_GRAYFRAME | SS_SUNKEN | SS_NOTIFY, 0, 5, 5, 95, 105, 1005, L"#130", L""},
        {base | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 30, 115, 55, 10, 1006, L"#128", L"プレビュー(&P)"},
        {base | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 5, 135, 50, 14, 1, L"#128", L"OK"},
        {base | WS_TABSTOP | BS_PUSHBUTTON, 0, 200, 135, 50, 14, 2, L"#128", L"ｷｬﾝｾﾙ"},
    };
    ASSERT_EQ(t.items.size(), 17u);
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        const Item& a = t.items[i];
        const Item& e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " id " + std::to_string(e.id));
        EXPECT_EQ(a.id, e.id);
        // Window class names compare without case (the resource compiler stores
        // named classes in capitals); predefined classes must be atoms.
        EXPECT_EQ(Upper(a.className), Upper(e.className));
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.style, e.style) << std::hex << a.style << " vs " << e.style;
        EXPECT_EQ(a.exStyle, 0u);
        EXPECT_EQ(a.x, e.x); EXPECT_EQ(a.y, e.y); EXPECT_EQ(a.cx, e.cx); EXPECT_EQ(a.cy, e.cy);
    }
}

}  // namespace
