// Turning, mirroring and the 50 % reduction of an 8K screen shot, each beside
// the two floors of a pass over its bytes: a copy into a fresh buffer (the
// allocation and the first touch of every page included, as a transform's
// result is a fresh picture too) and a copy into a buffer already in memory.
// The ratios to read: each Transform_* time over Baseline_Copy_FreshBuffer,
// and over Baseline_Copy_WarmBuffer for how much of it is the fresh memory.
// The 32-bit transforms ask the system for their result's pages a few
// hundred kilobytes at a time rather than faulting them in one by one as the
// plain copy does, which is how a single pass can come in under the first.

#include "BenchPictures.h"
#include "editor/ToolController.h"
#include "transform/PictureTransforms.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

using namespace korvane;
using namespace bench;

namespace {

constexpr int k8kWidth = 7680;
constexpr int k8kHeight = 4320;

const QImage &picture()
{
    static const QImage image = photoLikePicture(k8kWidth, k8kHeight);
    return image;
}

void transformBench(benchmark::State &state, int kind)
{
    const QImage &source = picture();
    for (auto _ : state) {
        QImage result = TransformPicture(source, kind);
        benchmark::DoNotOptimize(result.constBits());
    }
    state.SetBytesProcessed(state.iterations() * source.sizeInBytes());
}

void BM_Transform_Rotate90(benchmark::State &state)
{
    transformBench(state, tkRotate90);
}
BENCHMARK(BM_Transform_Rotate90)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transform_Rotate180(benchmark::State &state)
{
    transformBench(state, tkRotate180);
}
BENCHMARK(BM_Transform_Rotate180)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transform_Rotate270(benchmark::State &state)
{
    transformBench(state, tkRotate270);
}
BENCHMARK(BM_Transform_Rotate270)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transform_MirrorLR(benchmark::State &state)
{
    transformBench(state, tkMirrorLR);
}
BENCHMARK(BM_Transform_MirrorLR)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transform_MirrorTB(benchmark::State &state)
{
    transformBench(state, tkMirrorTB);
}
BENCHMARK(BM_Transform_MirrorTB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transform_Reduce50(benchmark::State &state)
{
    const QImage &source = picture();
    for (auto _ : state) {
        QImage result = StretchPicture(source, k8kWidth / 2, k8kHeight / 2);
        benchmark::DoNotOptimize(result.constBits());
    }
    state.SetBytesProcessed(state.iterations() * source.sizeInBytes());
}
BENCHMARK(BM_Transform_Reduce50)->Unit(benchmark::kMillisecond)->UseRealTime();

// The picture's bytes into a buffer allocated for each run, as large as a
// transform's result: the allocator hands such a block back to the system
// when it is freed, so every run pays for fresh pages as a transform does.
void BM_Baseline_Copy_FreshBuffer(benchmark::State &state)
{
    const QImage &source = picture();
    const size_t bytes = size_t(source.sizeInBytes());
    for (auto _ : state) {
        std::unique_ptr<uchar[]> to(new uchar[bytes]);
        std::memcpy(to.get(), source.constBits(), bytes);
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes));
}
BENCHMARK(BM_Baseline_Copy_FreshBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes into one buffer touched before the runs: the pass alone.
void BM_Baseline_Copy_WarmBuffer(benchmark::State &state)
{
    const QImage &source = picture();
    const size_t bytes = size_t(source.sizeInBytes());
    std::unique_ptr<uchar[]> to(new uchar[bytes]);
    std::memset(to.get(), 0, bytes);
    for (auto _ : state) {
        std::memcpy(to.get(), source.constBits(), bytes);
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes));
}
BENCHMARK(BM_Baseline_Copy_WarmBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The crop of an 8K picture with 20 lines, as the crop tool makes it (the
// picture cut out, the annotations moved, the undo step kept; the Redraw
// that shows it is timed with the other Redraws), beside its floor: the
// cropped bytes copied into a fresh buffer.
// The crop keeps a 5760 × 3240 part, three quarters of each side.
const QRect kCropped(960, 540, 5760, 3240);

void BM_Transform_Crop8K(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<EditorDocument>();
        doc->SetPicture(picture());
        for (int i = 0; i < 20; ++i) {
            auto line = std::make_unique<TLineRec>();
            line->X1 = 100 + i * 300;
            line->Y1 = 200 + i * 150;
            line->X2 = line->X1 + 400;
            line->Y2 = line->Y1 + 90;
            line->Width = 5;
            doc->LineList.push_back(std::move(line));
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(CropDocument(*doc, kCropped));
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Transform_Crop8K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Baseline_Copy_CroppedFreshBuffer(benchmark::State &state)
{
    const QImage &source = picture();
    const size_t rowBytes = size_t(kCropped.width()) * 4;
    for (auto _ : state) {
        QImage target(kCropped.size(), source.format());
        for (int y = 0; y < kCropped.height(); ++y)
            std::memcpy(target.scanLine(y),
                        source.constScanLine(kCropped.y() + y) + kCropped.x() * 4, rowBytes);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_Baseline_Copy_CroppedFreshBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
