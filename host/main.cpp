// hxhost: loads a filter plug-in and drives it the way a paint program does.
//   hxhost info PLUGIN
//   hxhost run PLUGIN [--index N] [--rect L,T,R,B] [--in-place] [IN.png] OUT.png
//   hxhost setup PLUGIN [--index N] [IN.png]
//   hxhost card OUT.png          (writes the built-in test card)
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "host/CommandLine.h"
#include "host/Image.h"
#include "host/PluginModule.h"
#include "host/TestCard.h"

extern "C" std::int32_t __stdcall HXF_QueryClientInfo(std::int32_t code, std::int32_t value);

// The plug-in asks (5, 0) before it shows an error; this host has nothing to add.
extern "C" std::int32_t __stdcall HXF_QueryClientInfo(std::int32_t code, std::int32_t value)
{
    std::fprintf(stderr, "hxhost: plug-in queried the host (%d, %d)\n", static_cast<int>(code),
                 static_cast<int>(value));
    return 0;
}

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "hxhost: %s\n", message.c_str());
    return 1;
}

int Usage()
{
    std::fputs("usage:\n"
               "  hxhost info PLUGIN\n"
               "  hxhost run PLUGIN [--index N] [--rect L,T,R,B] [--in-place] [IN.png] OUT.png\n"
               "  hxhost setup PLUGIN [--index N] [IN.png]\n"
               "  hxhost card OUT.png\n",
               stderr);
    return 2;
}

// Plug-in texts are code page 932; the console gets UTF-8.
std::string ToUtf8(const char* cp932, int length)
{
    int wide = MultiByteToWideChar(932, 0, cp932, length, nullptr, 0);
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(932, 0, cp932, length, &w[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

void PrintLine(const std::string& utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

int Info(PluginModule& plugin)
{
    char info[256] = {};
    plugin.getPluginInfo(info, sizeof info - 1);
    PrintLine(ToUtf8(info, static_cast<int>(std::strlen(info))));
    std::int32_t count = plugin.filterCount();
    std::printf("filters: %d\n", static_cast<int>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        char category[256] = {}, name[256] = {};
        plugin.getName(i, category, sizeof category - 1, name, sizeof name - 1);
        PrintLine("  [" + std::to_string(i) + "] " + ToUtf8(category, static_cast<int>(std::strlen(category))) +
                  " / " + ToUtf8(name, static_cast<int>(std::strlen(name))));
    }
    return 0;
}

struct ProgressBar {
    int lastPercent = -1;
    int calls = 0;
};

std::int32_t __stdcall DrawProgress(std::int32_t position, std::int32_t range, std::uint32_t data)
{
    auto* bar = reinterpret_cast<ProgressBar*>(static_cast<std::uintptr_t>(data));
    ++bar->calls;
    int percent = range > 0 ? static_cast<int>(static_cast<long long>(position) * 100 / range) : 0;
    int filled = percent * 40 / 100;
    if (filled != bar->lastPercent) {  // redraw only when the bar grows
        bar->lastPercent = filled;
        char line[64];
        std::snprintf(line, sizeof line, "\r[%-40.*s] %3d%%", filled, "########################################",
                      percent);
        std::fputs(line, stderr);
        if (position >= range)
            std::fputc('\n', stderr);
    }
    return 1;
}

bool LoadInput(const std::string& path, Image& image)
{
    std::string error;
    if (path.empty()) {
        image = MakeTestCard();
        return true;
    }
    if (!LoadPng(path, image, error)) {
        Fail(error);
        return false;
    }
    return true;
}

int Run(PluginModule& plugin, int argc, char** argv)
{
    RunOptions options;
    std::string error;
    if (!ParseRunOptions(argc, argv, options, error))
        return error.empty() ? Usage() : Fail(error);
    const std::vector<std::string>& files = options.files;
    Image image;
    if (!LoadInput(files.size() == 2 ? files[0] : std::string(), image))
        return 1;
    ImageRectArg& rect = options.rect;
    if (!options.haveRect)
        rect = {0, 0, image.width, image.height};
    error = RectError(rect, image.width, image.height);
    if (!error.empty())
        return Fail(error);
    
    Image result = image;
    void* source = options.inPlace ? result.bgra.data() : image.bgra.data();
    ProgressBar bar;
    std::int32_t answer = plugin.execute(
        options.index, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(source)),
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(result.bgra.data())), 0,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&rect)), 0,
        static_cast<std::uint32_t>(image.width), 0, DrawProgress,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&bar)));
    if (!SavePng(files.back(), result, error))
        return Fail(error);
    std::printf("ran filter %d over (%d,%d)-(%d,%d) of %dx%d: %d progress calls, result %d; wrote %s\n",
                static_cast<int>(options.index), static_cast<int>(rect.left), static_cast<int>(rect.top),
                static_cast<int>(rect.right), static_cast<int>(rect.bottom), static_cast<int>(image.width),
                static_cast<int>(image.height), bar.calls, static_cast<int>(answer), files.back().c_str());
    return 0;
}

int Setup(PluginModule& plugin, int argc, char** argv)
{
    std::int32_t index = 0;
    std::string input;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--index") {
            if (i + 1 == argc || !ParseInt32(argv[++i], index))
                return Fail("--index needs a 32-bit number");
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg);
        } else if (input.empty()) {
            input = arg;
        } else {
            return Usage();
        }
    }
    Image image;
    if (!LoadInput(input, image))
        return 1;
    // A real host owns the dialog with its main window.
    HWND owner = CreateWindowExA(0, "STATIC", "hxhost", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    std::int32_t result = plugin.setup(index, owner, image.bgra.data(), image.width, image.height);
    if (owner)
        DestroyWindow(owner);
    std::printf("setup of filter %d returned %d (%s)\n", static_cast<int>(index), static_cast<int>(result),
                result == 1 ? "confirmed" : "not confirmed");
    return 0;
}

int Main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    // As a paint program does for its own windows; the plug-in registers what its dialogs use itself.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    std::string command = argv[1];
    if (command == "card") {
        std::string error;
        if (!SavePng(argv[2], MakeTestCard(), error))
            return Fail(error);
        return 0;
    }
    if (command != "info" && command != "run" && command != "setup")
        return Usage();
    PluginModule plugin;
    std::string error;
    if (!plugin.Load(argv[2], error))
        return Fail(error);
    if (command == "info")
        return Info(plugin);
    if (command == "run")
        return Run(plugin, argc - 3, argv + 3);
    return Setup(plugin, argc - 3, argv + 3);
}

}  // namespace

int main(int argc, char** argv)
{
    // A 32-bit process may not find room for a large image's copies.
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory");
    }
}
