// Times HXF_Execute of a built rgbcolor.dll against memcpy of the same buffers
// in the same process, and prints each ratio (memcpy time / run time, so 1.0
// means the run costs what a copy costs) as minimum, median and maximum over
// the repetitions, which are interleaved case by case. memcpy and the loops
// alone are timed at their best (WarmTime); a run always starts with its Wine
// server calls, so it is timed as it comes. The pixel work of a run
// is its time less that of a 1 x 1 run (reading the settings file and the
// progress bracket). The scanline loops linked in here, row by row without the
// plug-in around them, show what the run adds. A second DLL, when given, is
// timed beside the first: the build without AVX2, or an older build.
//
//   execute_bench.exe PATH\rgbcolor.dll [PATH\other.dll] [--quick]
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"
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

struct Spread {
    double min, median, max;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return Spread{v.front(), v[v.size() / 2], v.back()};
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
    ExecuteProc execute = nullptr;

    PluginCopy(const char* built, int index)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "hxbench-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(index);
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
        if (module)
            execute = reinterpret_cast<ExecuteProc>(
                reinterpret_cast<void (*)()>(GetProcAddress(module, "HXF_Execute")));
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

// Work at its best: done again and again for at least 10 ms, the median of
// the times after the first. Work that follows other work (a plain loop, a
// sleep, Wine server calls) can take up to four times as long while the
// memory traffic picks up again, for about a millisecond: at 1024 x 1024 that
// is several copies.
template <typename Work>
double WarmTime(Work work)
{
    std::vector<double> times;
    const double begin = Now();
    do {
        const double start = Now();
        work();
        times.push_back(Now() - start);
    } while (Now() - begin < 0.010 || times.size() < 2);
    times.erase(times.begin());
    return SpreadOf(times).median;
}

const char* FileName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<const char*> dllPaths;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            dllPaths.push_back(argv[i]);
    }
    if (dllPaths.empty() || dllPaths.size() > 2) {
        std::fprintf(stderr, "usage: execute_bench PATH\\rgbcolor.dll [PATH\\other.dll] [--quick]\n");
        return 2;
    }
    std::vector<std::unique_ptr<PluginCopy>> plugins;
    for (const char* path : dllPaths) {
        plugins.push_back(std::make_unique<PluginCopy>(path, static_cast<int>(plugins.size())));
        if (!plugins.back()->execute) {
            std::fprintf(stderr, "execute_bench: cannot load HXF_Execute from %s (error %lu)\n", path,
                         GetLastError());
            return 1;
        }
    }
    // The label of the second DLL's cases: its file name.
    const std::string other = plugins.size() > 1 ? std::string(" [") + FileName(dllPaths[1]) + "]" : "";

    const std::vector<int> sides = quick ? std::vector<int>{256, 1024} : std::vector<int>{256, 1024, 4096, 8192};
    // Small images get more repetitions: a run there is a fraction of a millisecond.
    auto repetitionsAt = [quick](int side) { return quick ? 3 : side <= 1024 ? 51 : 11; };
    const bool sse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
    const bool avx2 = CpuHasAvx2();
    // The test kit takes this program to Windows itself: say where it ran (Wine's ntdll alone has a version).
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    std::printf("HXF_Execute against memcpy %s, amounts r=%d g=%d b=%d; repetitions interleaved case by case\n",
                wine ? "under Wine" : "on Windows", kRed, kGreen, kBlue);
    std::printf("cpu: SSE2 %s, AVX2 usable %s\n", sse2 ? "yes" : "no", avx2 ? "yes" : "no");
    for (const char* path : dllPaths) {
        // The build that stands for a CPU without AVX2 says so in its name.
        const ScanlineFunction loop = ChooseScanline(sse2, avx2 && !std::strstr(FileName(path), "noavx2"));
        std::printf("loop: %s runs the %s loop%s\n", FileName(path),
                    loop == AdjustScanlineScalar ? "plain" : loop == AdjustScanlineSse2 ? "SSE2" : "AVX2",
                    loop == AdjustScanlineAvx2 ? " (streaming stores for a destination of twice the last-level cache)"
                                               : "");
    }
    std::printf("ratio = memcpy time / case time; work = memcpy time / (case time - time of a 1x1 run right after);\n"
                "memcpy and the loops alone: the median of a warm loop of at least 10 ms; a run: its second pass;\n"
                "each as min median max over the repetitions; ms: median time\n");
    std::printf("%-6s %-44s %9s %6s %6s %6s %6s %6s %6s\n", "size", "case", "ms", "min", "median", "max", "min",
                "median", "max");

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
        auto run = [&](std::size_t plugin, const Bgra32* source, Bgra32* dst, bool callback) {
            plugins[plugin]->execute(0, 0, Address(source), Address(dst), 0, Address(&rect), 0,
                                     static_cast<std::uint32_t>(side), 0, callback ? CountProgress : nullptr,
                                     Address(const_cast<std::uint32_t*>(&calls)));
        };

        // Each run must have read the amounts: check one pixel of a separate run.
        for (std::size_t k = 0; k < plugins.size(); ++k) {
            std::memset(buffers.dst, 0, buffers.bytes);
            run(k, buffers.src, buffers.dst, false);
            const Bgra32 s = buffers.src[side + 1], d = buffers.dst[side + 1];
            if (d.red != Adjust(s.red, kRed) || d.green != Adjust(s.green, kGreen) ||
                d.blue != Adjust(s.blue, kBlue) || d.alpha != s.alpha) {
                std::fprintf(stderr, "execute_bench: %s did not give the expected pixel\n", dllPaths[k]);
                status = 1;
            }
        }

        auto rows = [&](ScanlineFunction scanline) {
            for (int y = 0; y < side; ++y)
                scanline(buffers.src + static_cast<std::size_t>(y) * side,
                         buffers.dst + static_cast<std::size_t>(y) * side, side, amounts);
        };

        // What a run costs before its first pixel (reading the settings file
        // and the progress bracket): a 1 x 1 run, timed right after each run
        // so that it finds the caches as the run's own start found them, to
        // be taken off that run's time.
        Bgra32 one[1] = {{1, 2, 3, 4}};
        const ImageRect dot{0, 0, 1, 1};
        enum Kind { Copy, Execute, Loop };
        struct Case {
            std::string name;
            Kind kind;
            std::size_t plugin;
            bool inPlace, callback;
            ScanlineFunction scanline;
            std::vector<double> times, fixed;
        };
        std::vector<Case> cases = {
            {"memcpy src->dst", Copy, 0, false, false, nullptr, {}, {}},
            {"HXF_Execute src->dst", Execute, 0, false, false, nullptr, {}, {}},
            {"HXF_Execute src->dst, callback", Execute, 0, false, true, nullptr, {}, {}},
            {"HXF_Execute in place", Execute, 0, true, false, nullptr, {}, {}},
            {"HXF_Execute in place, callback", Execute, 0, true, true, nullptr, {}, {}},
        };
        if (plugins.size() > 1) {
            cases.push_back({"HXF_Execute src->dst" + other, Execute, 1, false, false, nullptr, {}, {}});
            cases.push_back({"HXF_Execute in place" + other, Execute, 1, true, false, nullptr, {}, {}});
        }
        if (avx2) {
            cases.push_back({"AVX2 loop src->dst", Loop, 0, false, false, AdjustScanlineAvx2, {}, {}});
            cases.push_back({"AVX2 streaming loop src->dst", Loop, 0, false, false, AdjustScanlineAvx2Stream, {}, {}});
        }
        if (sse2)
            cases.push_back({"SSE2 loop src->dst", Loop, 0, false, false, AdjustScanlineSse2, {}, {}});
        cases.push_back({"scalar loop src->dst", Loop, 0, false, false, AdjustScanlineScalar, {}, {}});
        // Interleaved, so that a slow spell of the machine hits every case
        // alike. A run is timed on its second pass in a row, so that it finds
        // the caches as it leaves them, not as the case before left them (a
        // copy with non-temporal stores leaves the destination uncached).
        const int repetitions = repetitionsAt(side);
        for (int r = 0; r < repetitions; ++r) {
            for (Case& c : cases) {
                if (c.kind != Execute) {
                    c.times.push_back(WarmTime([&] {
                        if (c.kind == Copy)
                            std::memcpy(buffers.dst, buffers.src, buffers.bytes);
                        else
                            rows(c.scanline);
                    }));
                    continue;
                }
                double start = 0;
                for (int pass = 0; pass < 2; ++pass) {
                    start = Now();
                    run(c.plugin, c.inPlace ? buffers.dst : buffers.src, buffers.dst, c.callback);
                }
                c.times.push_back(Now() - start);
                start = Now();
                plugins[c.plugin]->execute(0, 0, Address(one), Address(one), 0, Address(&dot), 0, 1, 0, nullptr, 0);
                c.fixed.push_back(Now() - start);
            }
        }
        const std::vector<double>& copy = cases[0].times;
        for (Case& c : cases) {
            const Spread t = SpreadOf(c.times);
            std::vector<double> ratio, work;
            for (int r = 0; r < repetitions; ++r) {
                ratio.push_back(copy[r] / c.times[r]);
                // Below 1024 x 1024 the fixed cost is most of a run, and the
                // difference mostly its noise.
                if (c.kind == Execute && side >= 1024)
                    work.push_back(copy[r] / std::max(c.times[r] - c.fixed[r], 1e-6));
            }
            const Spread q = SpreadOf(ratio);
            std::printf("%-6d %-44s %9.3f %6.3f %6.3f %6.3f", side, c.name.c_str(), t.median * 1e3, q.min, q.median,
                        q.max);
            if (!work.empty()) {
                const Spread w = SpreadOf(work);
                std::printf(" %6.3f %6.3f %6.3f", w.min, w.median, w.max);
            }
            std::printf("\n");
        }
        // The fixed cost as the 1 x 1 runs after each DLL's separate-buffer runs found it.
        for (const Case& c : cases)
            if (c.kind == Execute && !c.inPlace && !c.callback)
                std::printf("%-6d %-44s %9.3f\n", side, ("HXF_Execute 1x1 (fixed cost)" + (c.plugin ? other : "")).c_str(),
                            SpreadOf(c.fixed).median * 1e3);
        if (calls == 0) {
            std::fprintf(stderr, "execute_bench: the callback was never called\n");
            status = 1;
        }
    }
    return status;
}
