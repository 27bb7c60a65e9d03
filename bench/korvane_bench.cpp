// Speed of the paths a user waits on, each beside the floor it cannot beat:
//   Redraw of a 4K document with and without annotations, beside a plain
//   copy of DrawBmp's bytes (what Redraw must do at least);
//   readJpeg of a 4K photo-like JPEG, beside libjpeg's own decode of the
//   same bytes into a reused buffer.
// Run: korvane_bench [--benchmark_min_time=0.5] [--benchmark_filter=...]

#include "common/Color.h"
#include "document/JpegReader.h"
#include "editor/EditorDocument.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <memory>
#include <vector>

using namespace korvane;

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

// A small deterministic generator, so every run measures the same content.
struct Random
{
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }
};

// Photo-like content: smooth gradients, a few soft shapes and fine noise.
// Flat pictures compress and decode far faster than photos and would flatter
// the reader.
QImage photoLikePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    Random rng{0x9E3779B9u};
    for (int y = 0; y < height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = rng.below(49) - 24;
            const int stripes = ((x / 37 + y / 53) % 7) * 9; // some edges for the AC coefficients
            const int r = 40 + x * 170 / width + noise + stripes;
            const int g = 60 + y * 150 / height + noise / 2 + ((x * y) >> 14) % 40;
            const int b = 200 - (x + y) * 150 / (width + height) + noise - stripes / 2;
            row[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

QByteArray compressJpeg(const QImage &picture, int quality)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr); // the default error_exit ends the program: fine here
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(picture.width());
    cinfo.image_height = JDIMENSION(picture.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(outSize));
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

std::unique_ptr<EditorDocument> makeDocument(bool annotated)
{
    auto doc = std::make_unique<EditorDocument>();
    doc->SetPicture(photoLikePicture(kWidth, kHeight));
    if (!annotated)
        return doc;

    static const TColor colours[] = {clBlack,   clRed,  clBlue, clLime,   clYellow,
                                     clFuchsia, clAqua, clNavy, clMaroon, clWhite};
    static const char *const texts[] = {
        "注意", "ここをクリック", "OK",           "Error 404",   "保存されていません",
        "v2.0", "右上のボタン",   "Hello, world", "設定 → 表示", "TODO"};
    Random rng{12345u};
    for (int i = 0; i < 100; ++i) {
        auto line = std::make_unique<TLineRec>();
        line->X1 = rng.below(kWidth);
        line->Y1 = rng.below(kHeight);
        // Mostly short strokes, as people draw them, and a few across the picture.
        const int reach = i % 10 == 0 ? kWidth : 400;
        line->X2 = qBound(0, line->X1 + rng.below(2 * reach) - reach, kWidth - 1);
        line->Y2 = qBound(0, line->Y1 + rng.below(2 * reach) - reach, kHeight - 1);
        line->Width = 1 + i % 10;
        line->Color = colours[i % 10];
        line->Arrow = i % 3 == 0;
        doc->LineList.push_back(std::move(line));
    }
    for (int i = 0; i < 100; ++i) {
        auto moji = std::make_unique<TMoji>();
        moji->Font = QFont(QStringLiteral("IPAPGothic"));
        moji->Font.setPixelSize(12 + i % 13);
        moji->FontColor = colours[(i + 3) % 10];
        moji->BkColor = i % 2 == 0 ? clNone : colours[(i + 5) % 10];
        moji->Text = QString::fromUtf8(texts[i % 10]);
        moji->X = rng.below(kWidth - 200);
        moji->Y = rng.below(kHeight - 30);
        doc->MojiList.push_back(std::move(moji));
    }
    return doc;
}

EditorDocument *g_annotated = nullptr;
EditorDocument *g_empty = nullptr;
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
    // Text needs fonts, and fonts need the application object; no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    auto annotated = makeDocument(true);
    auto empty = makeDocument(false);
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
