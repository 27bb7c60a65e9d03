// Speed of the paths a user waits on, each beside the floor it cannot beat:
//   Redraw of a 4K document with and without annotations, and with 50 each
//   of the frames, highlights, numbered markers and redactions besides (without, DrawBmp
//   is BaseBmp itself and nothing is copied), beside a plain copy of
//   DrawBmp's bytes (what Redraw with annotations must do at least);
//   readJpeg of a 4K photo-like JPEG, beside libjpeg's own decode of the
//   same bytes into a reused buffer.
//   the editor window's pointer moves and paste (editor_window_bench.cpp);
//   turning, mirroring and reducing an 8K picture beside a copy of its bytes
//   into a fresh and into a warm buffer (transform_bench.cpp);
//   undoing a line on a 4K document with 200 annotations, and an 8K turn
//   beside the turn itself (undo_bench.cpp).
// Run: korvane_bench [--benchmark_min_time=0.5] [--benchmark_filter=...]

#include "BenchPictures.h"
#include "app/KorvaneApplication.h"
#include "common/Color.h"
#include "document/formats/JpegReader.h"
#include "editor/EditorDocument.h"

#include <QFont>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <memory>
#include <vector>

using namespace korvane;
using namespace bench;

namespace {

EditorDocument *g_annotated = nullptr;
EditorDocument *g_empty = nullptr;
EditorDocument *g_shapes = nullptr;
QByteArray *g_jpeg = nullptr;

void BM_Redraw_Annotated(benchmark::State &state)
{
    for (auto _ : state) {
        g_annotated->Redraw();
        benchmark::DoNotOptimize(g_annotated->DrawBmp.constBits());
    }
    state.SetBytesProcessed(state.iterations() * g_annotated->DrawBmp.sizeInBytes());
}
BENCHMARK(BM_Redraw_Annotated)->Unit(benchmark::kMillisecond);

// The same document with 50 each of frames, highlights, numbered markers and
// redactions besides; meant to stay within 3 times Baseline_Memcpy.
void BM_Redraw_AnnotatedWithShapes(benchmark::State &state)
{
    for (auto _ : state) {
        g_shapes->Redraw();
        benchmark::DoNotOptimize(g_shapes->DrawBmp.constBits());
    }
    state.SetBytesProcessed(state.iterations() * g_shapes->DrawBmp.sizeInBytes());
    state.counters["annotations"] =
        double(g_shapes->LineList.size() + g_shapes->MojiList.size() + g_shapes->FrameList.size() +
               g_shapes->HighlightList.size() + g_shapes->NumberList.size() +
               g_shapes->RedactList.size());
}
BENCHMARK(BM_Redraw_AnnotatedWithShapes)->Unit(benchmark::kMillisecond);

void BM_Redraw_NoAnnotations(benchmark::State &state)
{
    for (auto _ : state) {
        g_empty->Redraw();
        benchmark::DoNotOptimize(g_empty->DrawBmp.constBits());
    }
    state.SetBytesProcessed(state.iterations() * g_empty->DrawBmp.sizeInBytes());
}
BENCHMARK(BM_Redraw_NoAnnotations)->Unit(benchmark::kMillisecond);

// The floor of Redraw: DrawBmp's bytes copied from BaseBmp, nothing else.
void BM_Baseline_Memcpy(benchmark::State &state)
{
    const uchar *from = g_empty->BaseBmp.constBits();
    uchar *to = g_empty->DrawBmp.bits();
    const size_t bytes = size_t(g_empty->DrawBmp.sizeInBytes());
    for (auto _ : state) {
        std::memcpy(to, from, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes));
}
BENCHMARK(BM_Baseline_Memcpy)->Unit(benchmark::kMillisecond);

void BM_ReadJpeg(benchmark::State &state)
{
    for (auto _ : state) {
        QImage image = readJpeg(*g_jpeg);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * g_jpeg->size());
}
BENCHMARK(BM_ReadJpeg)->Unit(benchmark::kMillisecond);

// libjpeg's plain decode: defaults, RGB out, one buffer reused for every run.
void BM_Baseline_Libjpeg(benchmark::State &state)
{
    std::vector<unsigned char> pixels(size_t(kWidth) * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr jerr{};
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(g_jpeg->constData()),
                     static_cast<unsigned long>(g_jpeg->size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + cinfo.output_scanline * stride;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * g_jpeg->size());
}
BENCHMARK(BM_Baseline_Libjpeg)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // Text needs fonts, and fonts need the application object; the windows
    // run on the offscreen platform unless another is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KorvaneApplication app(argc, argv);

    auto annotated = std::make_unique<EditorDocument>();
    annotated->SetPicture(photoLikePicture(kWidth, kHeight));
    addAnnotations(*annotated);
    auto shapes = std::make_unique<EditorDocument>();
    shapes->SetPicture(photoLikePicture(kWidth, kHeight));
    addAnnotations(*shapes);
    addShapes(*shapes);
    g_shapes = shapes.get();
    auto empty = std::make_unique<EditorDocument>();
    empty->SetPicture(photoLikePicture(kWidth, kHeight));
    QByteArray jpeg = compressJpeg(empty->BaseBmp, 90);
    g_annotated = annotated.get();
    g_empty = empty.get();
    g_jpeg = &jpeg;
    benchmark::AddCustomContext("picture", "3840x2160");
    benchmark::AddCustomContext("jpeg_bytes", std::to_string(jpeg.size()));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
