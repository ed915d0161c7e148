// Times HXF_Execute of a built rgbcolor.dll against memcpy of the same buffers
// in the same process, and prints each ratio (memcpy time / run time, so 1.0
// means the run costs what a copy costs). The scanline loops linked in here,
// row by row without the plug-in around them, show what the run adds.
//
//   execute_bench.exe PATH\rgbcolor.dll [--quick]
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "plugin/Pixel.h"

namespace {

using ProgressProc = std::int32_t(__stdcall*)(std::int32_t, std::int32_t, std::uint32_t);
using ExecuteProc = std::int32_t(__stdcall*)(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                             std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                             std::uint32_t, ProgressProc, std::uint32_t);

// The amounts the runs use; any in-range values cost the same.
constexpr int kRed = 60, kGreen = -20, kBlue = -70;

std::int32_t __stdcall CountProgress(std::int32_t, std::int32_t, std::uint32_t data)
{
    ++*reinterpret_cast<volatile std::uint32_t*>(static_cast<std::uintptr_t>(data));
    return 1;
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Adjust(int value, int amount)
{
    int product = value * amount;
    int quotient = product >= 0 ? product / 200 : -((-product) / 200);
    return std::min(255, value + quotient);
}

std::uint32_t Address(const void* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

// The plug-in reads its amounts from kwfilters.ini beside it, so it runs from
// a private copy in a folder of its own.
struct PluginCopy {
    std::string folder, dll;
    HMODULE module = nullptr;

    explicit PluginCopy(const char* built)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "hxbench-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        dll = folder + "\\rgbcolor.dll";
        if (!CopyFileA(built, dll.c_str(), FALSE))
            return;
        const std::string ini = folder + "\\kwfilters.ini";
        WritePrivateProfileStringA("RGBColor", "r", std::to_string(kRed).c_str(), ini.c_str());
        WritePrivateProfileStringA("RGBColor", "g", std::to_string(kGreen).c_str(), ini.c_str());
        WritePrivateProfileStringA("RGBColor", "b", std::to_string(kBlue).c_str(), ini.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
        module = LoadLibraryA(dll.c_str());
    }
    ~PluginCopy()
    {
        if (module)
            FreeLibrary(module);
        DeleteFileA((folder + "\\kwfilters.ini").c_str());
        DeleteFileA(dll.c_str());
        RemoveDirectoryA(folder.c_str());
    }
};

struct Buffers {
    Bgra32* src;
    Bgra32* dst;
    std::size_t bytes;

    explicit Buffers(int side) : bytes(static_cast<std::size_t>(side) * side * 4)
    {
        src = static_cast<Bgra32*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        dst = static_cast<Bgra32*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!src || !dst)
            return;
        // Every page touched before the clock starts.
        std::uint32_t seed = 12345;
        for (std::size_t i = 0; i < bytes / 4; ++i) {
            seed = seed * 1664525u + 1013904223u;
            std::memcpy(&src[i], &seed, 4);
        }
        std::memset(dst, 0, bytes);
    }
    ~Buffers()
    {
        if (src)
            VirtualFree(src, 0, MEM_RELEASE);
        if (dst)
            VirtualFree(dst, 0, MEM_RELEASE);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const char* dllPath = nullptr;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            dllPath = argv[i];
    }
    if (!dllPath) {
        std::fprintf(stderr, "usage: execute_bench PATH\\rgbcolor.dll [--quick]\n");
        return 2;
    }
    PluginCopy plugin(dllPath);
    auto execute = plugin.module ? reinterpret_cast<ExecuteProc>(
                                       reinterpret_cast<void (*)()>(GetProcAddress(plugin.module, "HXF_Execute")))
                                 : nullptr;
    if (!execute) {
        std::fprintf(stderr, "execute_bench: cannot load HXF_Execute from %s (error %lu)\n", dllPath,
                     GetLastError());
        return 1;
    }

    const std::vector<int> sides = quick ? std::vector<int>{256, 1024} : std::vector<int>{256, 1024, 4096, 8192};
    const int repetitions = quick ? 3 : 11;
    std::printf("HXF_Execute against memcpy, %s, amounts r=%d g=%d b=%d, median of %d\n", plugin.dll.c_str(),
                kRed, kGreen, kBlue, repetitions);
    std::printf("%-6s %-30s %10s %10s %9s\n", "size", "case", "ms", "MiB/s", "ratio");

    // What a run costs before its first pixel: reading the settings file and
    // the progress bracket.
    {
        Bgra32 one[1] = {{1, 2, 3, 4}};
        const ImageRect rect{0, 0, 1, 1};
        std::vector<double> times;
        for (int r = 0; r < repetitions; ++r) {
            const double start = Now();
            execute(0, 0, Address(one), Address(one), 0, Address(&rect), 0, 1, 0, nullptr, 0);
            times.push_back(Now() - start);
        }
        std::printf("%-6d %-30s %10.3f\n", 1, "HXF_Execute (fixed cost)", Median(times) * 1e3);
    }

    const bool sse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
    const ChannelAmounts amounts{kRed, kGreen, kBlue};
    int status = 0;
    for (int side : sides) {
        Buffers buffers(side);
        if (!buffers.src || !buffers.dst) {
            std::fprintf(stderr, "execute_bench: out of memory at %d x %d\n", side, side);
            return 1;
        }
        const ImageRect rect{0, 0, side, side};
        volatile std::uint32_t calls = 0;
        auto run = [&](const Bgra32* source, Bgra32* dst, bool callback) {
            execute(0, 0, Address(source), Address(dst), 0, Address(&rect), 0,
                    static_cast<std::uint32_t>(side), 0, callback ? CountProgress : nullptr,
                    Address(const_cast<std::uint32_t*>(&calls)));
        };

        // The run must have read the amounts: check one pixel of a separate run.
        run(buffers.src, buffers.dst, false);
        const Bgra32 s = buffers.src[side + 1], d = buffers.dst[side + 1];
        if (d.red != Adjust(s.red, kRed) || d.green != Adjust(s.green, kGreen) || d.blue != Adjust(s.blue, kBlue) ||
            d.alpha != s.alpha) {
            std::fprintf(stderr, "execute_bench: the run did not give the expected pixel\n");
            status = 1;
        }

        auto rows = [&](ScanlineFunction scanline) {
            for (int y = 0; y < side; ++y)
                scanline(buffers.src + static_cast<std::size_t>(y) * side,
                         buffers.dst + static_cast<std::size_t>(y) * side, side, amounts);
        };

        enum Kind { Copy, Execute, Loop };
        struct Case {
            const char* name;
            Kind kind;
            bool inPlace, callback;
            ScanlineFunction scanline;
            std::vector<double> times;
        };
        std::vector<Case> cases = {
            {"memcpy src->dst", Copy, false, false, nullptr, {}},
            {"HXF_Execute src->dst", Execute, false, false, nullptr, {}},
            {"HXF_Execute src->dst, callback", Execute, false, true, nullptr, {}},
            {"HXF_Execute in place", Execute, true, false, nullptr, {}},
            {"HXF_Execute in place, callback", Execute, true, true, nullptr, {}},
            {"scalar loop src->dst", Loop, false, false, AdjustScanlineScalar, {}},
        };
        if (sse2)
            cases.push_back({"SSE2 loop src->dst", Loop, false, false, AdjustScanlineSse2, {}});
        // Interleaved, so that a slow spell of the machine hits every case alike.
        for (int r = 0; r < repetitions; ++r) {
            for (Case& c : cases) {
                const double start = Now();
                if (c.kind == Copy)
                    std::memcpy(buffers.dst, buffers.src, buffers.bytes);
                else if (c.kind == Execute)
                    run(c.inPlace ? buffers.dst : buffers.src, buffers.dst, c.callback);
                else
                    rows(c.scanline);
                c.times.push_back(Now() - start);
            }
        }
        const double copy = Median(cases[0].times);
        for (Case& c : cases) {
            const double t = Median(c.times);
            std::printf("%-6d %-30s %10.3f %10.0f %9.3f\n", side, c.name, t * 1e3,
                        static_cast<double>(buffers.bytes) / t / (1 << 20), copy / t);
        }
        if (calls == 0) {
            std::fprintf(stderr, "execute_bench: the callback was never called\n");
            status = 1;
        }
    }
    return status;
}
