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
#include <string>
#include <vector>

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

struct ImageRectArg {
    std::int32_t left, top, right, bottom;
};

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

bool ParseInt(const char* text, std::int32_t& value)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0')
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
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
    std::int32_t index = 0;
    bool inPlace = false, haveRect = false;
    ImageRectArg rect{};
    std::vector<std::string> files;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--index" && i + 1 < argc) {
            if (!ParseInt(argv[++i], index))
                return Fail("--index needs a number");
        } else if (arg == "--rect" && i + 1 < argc) {
            long l, t, r, b;
            char tail;
            if (std::sscanf(argv[++i], "%ld,%ld,%ld,%ld%c", &l, &t, &r, &b, &tail) != 4)
                return Fail("--rect needs L,T,R,B");
            rect = {static_cast<std::int32_t>(l), static_cast<std::int32_t>(t), static_cast<std::int32_t>(r),
                    static_cast<std::int32_t>(b)};
            haveRect = true;
        } else if (arg == "--in-place") {
            inPlace = true;
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty() || files.size() > 2)
        return Usage();
    Image image;
    if (!LoadInput(files.size() == 2 ? files[0] : std::string(), image))
        return 1;
    if (!haveRect)
        rect = {0, 0, image.width, image.height};
    if (rect.left < 0 || rect.top < 0 || rect.right > image.width || rect.bottom > image.height)
        return Fail("--rect lies outside the " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                    " image");

    Image result = image;
    void* source = inPlace ? result.bgra.data() : image.bgra.data();
    ProgressBar bar;
    std::int32_t answer = plugin.execute(
        index, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(source)),
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(result.bgra.data())), 0,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&rect)), 0,
        static_cast<std::uint32_t>(image.width), 0, DrawProgress,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&bar)));
    std::string error;
    if (!SavePng(files.back(), result, error))
        return Fail(error);
    std::printf("ran filter %d over (%d,%d)-(%d,%d) of %dx%d: %d progress calls, result %d; wrote %s\n",
                static_cast<int>(index), static_cast<int>(rect.left), static_cast<int>(rect.top),
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
        if (arg == "--index" && i + 1 < argc) {
            if (!ParseInt(argv[++i], index))
                return Fail("--index needs a number");
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    // The plug-in's dialogs use the trackbar and up-down controls; registering them is the host's job.
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
