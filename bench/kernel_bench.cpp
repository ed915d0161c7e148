// Throughput of one run over a square BGRA image, row by row as the filter
// does it: our loops (the AVX2 ones where the CPU has AVX2), memcpy of the
// same buffers, OpenCV's cv::multiply and libvips' linear, each on one
// thread. bytes_per_second counts the image once; min and max go with the
// median.
#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"

namespace {

// Any in-range amounts cost the same; these are the demo's.
constexpr ChannelAmounts kAmounts{60, -20, -70};
constexpr int kSides[] = {256, 1024, 4096, 8192};

// The buffers of one size, shared by every benchmark of that size.
struct Images {
    int side = 0;
    std::vector<Bgra32> src, dst;

    std::size_t Bytes() const { return src.size() * 4; }
};

Images& ImagesOf(int side)
{
    static Images images;
    if (images.side != side) {
        images = Images{};
        images.side = side;
        images.src.resize(static_cast<std::size_t>(side) * side);
        images.dst.assign(images.src.size(), Bgra32{});
        std::uint32_t seed = 12345;
        for (Bgra32& p : images.src) {
            seed = seed * 1664525u + 1013904223u;
            std::memcpy(&p, &seed, 4);
        }
    }
    return images;
}

void Finish(benchmark::State& state, const Images& images)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(images.Bytes()));
}

void Memcpy(benchmark::State& state, int side)
{
    Images& images = ImagesOf(side);
    for (auto _ : state) {
        std::memcpy(images.dst.data(), images.src.data(), images.Bytes());
        benchmark::ClobberMemory();
    }
    Finish(state, images);
}

void Ours(benchmark::State& state, int side, ScanlineFunction scanline, bool inPlace)
{
    Images& images = ImagesOf(side);
    const Bgra32* src = inPlace ? images.dst.data() : images.src.data();
    Bgra32* dst = images.dst.data();
    for (auto _ : state) {
        for (int y = 0; y < side; ++y)
            scanline(src + static_cast<std::ptrdiff_t>(y) * side, dst + static_cast<std::ptrdiff_t>(y) * side, side,
                     kAmounts);
        benchmark::ClobberMemory();
    }
    Finish(state, images);
}

double Factor(int amount)
{
    return (200.0 + amount) / 200.0;
}

// Rounds instead of truncating, so not bit-identical: only the cost compares.
void OpenCvMultiply(benchmark::State& state, int side)
{
    Images& images = ImagesOf(side);
    cv::setNumThreads(0);
    const cv::Mat src(side, side, CV_8UC4, images.src.data());
    cv::Mat dst(side, side, CV_8UC4, images.dst.data());
    const cv::Scalar factors(Factor(kAmounts.blue), Factor(kAmounts.green), Factor(kAmounts.red), 1.0);
    for (auto _ : state) {
        cv::multiply(src, factors, dst);
        benchmark::ClobberMemory();
    }
    if (dst.data != reinterpret_cast<uchar*>(images.dst.data()))
        state.SkipWithError("cv::multiply reallocated the destination");
    Finish(state, images);
}

// The pipeline is built once; each iteration generates the whole image on
// this thread straight into our destination buffer.
void VipsLinear(benchmark::State& state, int side)
{
    Images& images = ImagesOf(side);
    VipsImage* in = vips_image_new_from_memory(images.src.data(), images.Bytes(), side, side, 4, VIPS_FORMAT_UCHAR);
    VipsImage* target =
        vips_image_new_from_memory(images.dst.data(), images.Bytes(), side, side, 4, VIPS_FORMAT_UCHAR);
    double a[] = {Factor(kAmounts.blue), Factor(kAmounts.green), Factor(kAmounts.red), 1.0};
    double b[] = {0, 0, 0, 0};
    VipsImage* out = nullptr;
    if (!in || !target || vips_linear(in, &out, a, b, 4, "uchar", TRUE, nullptr)) {
        state.SkipWithError(vips_error_buffer());
        return;
    }
    VipsRegion* from = vips_region_new(out);
    VipsRegion* to = vips_region_new(target);
    const VipsRect whole{0, 0, side, side};
    if (vips_region_image(to, &whole)) {
        state.SkipWithError(vips_error_buffer());
    } else {
        for (auto _ : state) {
            if (vips_region_prepare_to(from, to, &whole, 0, 0)) {
                state.SkipWithError(vips_error_buffer());
                break;
            }
            benchmark::ClobberMemory();
        }
    }
    g_object_unref(from);
    g_object_unref(to);
    g_object_unref(out);
    g_object_unref(target);
    g_object_unref(in);
    Finish(state, images);
}

}  // namespace

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]))
        return 1;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    const bool avx2 = CpuHasAvx2();
    std::printf("loop: the plug-in runs the %s loop on this CPU\n", avx2 ? "AVX2" : "SSE2");
    // Size by size, so that each size's buffers are filled once. The spread
    // of the repetitions goes with the median.
    std::vector<benchmark::internal::Benchmark*> all;
    for (int side : kSides) {
        const std::string n = "/" + std::to_string(side);
        all.push_back(benchmark::RegisterBenchmark(("memcpy" + n).c_str(), Memcpy, side));
        if (avx2) {
            all.push_back(benchmark::RegisterBenchmark(("ours_avx2" + n).c_str(), Ours, side, AdjustScanlineAvx2, false));
            all.push_back(
                benchmark::RegisterBenchmark(("ours_avx2_in_place" + n).c_str(), Ours, side, AdjustScanlineAvx2, true));
            all.push_back(benchmark::RegisterBenchmark(("ours_avx2_stream" + n).c_str(), Ours, side,
                                                       AdjustScanlineAvx2Stream, false));
        }
        all.push_back(benchmark::RegisterBenchmark(("ours_sse2" + n).c_str(), Ours, side, AdjustScanlineSse2, false));
        all.push_back(
            benchmark::RegisterBenchmark(("ours_sse2_in_place" + n).c_str(), Ours, side, AdjustScanlineSse2, true));
        all.push_back(benchmark::RegisterBenchmark(("ours_scalar" + n).c_str(), Ours, side, AdjustScanlineScalar, false));
        all.push_back(benchmark::RegisterBenchmark(("opencv_multiply" + n).c_str(), OpenCvMultiply, side));
        all.push_back(benchmark::RegisterBenchmark(("libvips_linear" + n).c_str(), VipsLinear, side));
    }
    for (benchmark::internal::Benchmark* b : all) {
        b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
        b->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vips_shutdown();
    return 0;
}
