// The PNG reader and writer on real 4K pictures, each beside Qt's own PNG
// plugin (libpng and zlib) on the same pixels in the same run:
//   desktop: a screen shot of a desktop with terminals, the editor and small
//            tools, taken with the program's capture (bench/pictures);
//   diagram: a diagram with text and lines (../shared/testdata/png/benches).
// Saving writes into memory, both ours and Qt's at its default setting
// (QImageWriter, quality -1), so the codecs are compared, not the disk;
// file_bytes is the file's size. Loading reads the file as it was found, and
// also the file our writer makes (its filters differ from other writers').
// bench/png_ratios.py prints the ratios of one run.

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

enum class Picture { Desktop, Diagram };

QString pathOf(Picture picture)
{
    return picture == Picture::Desktop
               ? QStringLiteral(KORVANE_BENCH_PICTURES "/desktop-4k.png")
               : QStringLiteral(KORVANE_TESTDATA
                                "/png/benches/Exoplanet_Phase_Curve_(Diagram).png");
}

struct Subject
{
    QByteArray file;    // as found
    QImage pixels;      // as the editor holds them: Format_RGB32
    QByteArray written; // by our writer
};

QByteArray writtenByUs(const QImage &pixels)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writePng(pixels, buffer);
    return bytes;
}

// Loaded once for all runs; empty when the file is missing.
const Subject &subject(Picture picture)
{
    static Subject subjects[2];
    Subject &s = subjects[int(picture)];
    if (s.file.isEmpty()) {
        QFile f(pathOf(picture));
        if (f.open(QIODevice::ReadOnly))
            s.file = f.readAll();
        if (!s.file.isEmpty()) {
            s.pixels = readPng(s.file).convertToFormat(QImage::Format_RGB32);
            s.written = writtenByUs(s.pixels);
        }
    }
    return s;
}

bool ready(benchmark::State &state, const Subject &s)
{
    if (s.file.isEmpty())
        state.SkipWithError("picture missing (bench/pictures or ../shared/testdata/png)");
    return !s.file.isEmpty();
}

// The device both writers write into: the same memory each time.
struct Sink
{
    QByteArray bytes;
    QBuffer buffer{&bytes};
    explicit Sink(qsizetype reserve) { bytes.reserve(reserve); }
    QIODevice &fresh()
    {
        buffer.close();
        bytes.resize(0);
        buffer.open(QIODevice::WriteOnly);
        return buffer;
    }
};

void BM_SavePng(benchmark::State &state, Picture picture)
{
    const Subject &s = subject(picture);
    if (!ready(state, s))
        return;
    Sink sink(s.pixels.sizeInBytes());
    for (auto _ : state)
        writePng(s.pixels, sink.fresh());
    state.counters["file_bytes"] = double(sink.bytes.size());
}

void BM_Baseline_QtSavePng(benchmark::State &state, Picture picture)
{
    const Subject &s = subject(picture);
    if (!ready(state, s))
        return;
    Sink sink(s.pixels.sizeInBytes());
    for (auto _ : state) {
        QImageWriter writer(&sink.fresh(), "png");
        if (!writer.write(s.pixels))
            state.SkipWithError("Qt's writer failed");
    }
    state.counters["file_bytes"] = double(sink.bytes.size());
}

void loadPng(benchmark::State &state, const QByteArray &file)
{
    for (auto _ : state) {
        const QImage image = readPng(file);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void loadWithQt(benchmark::State &state, const QByteArray &file)
{
    QByteArray bytes = file;
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QImage image = reader.read();
        if (image.isNull())
            state.SkipWithError("Qt's reader failed");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_LoadPng(benchmark::State &state, Picture picture)
{
    if (ready(state, subject(picture)))
        loadPng(state, subject(picture).file);
}
void BM_Baseline_QtLoadPng(benchmark::State &state, Picture picture)
{
    if (ready(state, subject(picture)))
        loadWithQt(state, subject(picture).file);
}
void BM_LoadOwnPng(benchmark::State &state, Picture picture)
{
    if (ready(state, subject(picture)))
        loadPng(state, subject(picture).written);
}
void BM_Baseline_QtLoadOwnPng(benchmark::State &state, Picture picture)
{
    if (ready(state, subject(picture)))
        loadWithQt(state, subject(picture).written);
}

#define KORVANE_PNG_PAIR(ours, qts)                                                                \
    BENCHMARK_CAPTURE(ours, desktop, Picture::Desktop)                                             \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime();                                                                           \
    BENCHMARK_CAPTURE(qts, desktop, Picture::Desktop)                                              \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime();                                                                           \
    BENCHMARK_CAPTURE(ours, diagram, Picture::Diagram)                                             \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime();                                                                           \
    BENCHMARK_CAPTURE(qts, diagram, Picture::Diagram)->Unit(benchmark::kMillisecond)->UseRealTime()

KORVANE_PNG_PAIR(BM_SavePng, BM_Baseline_QtSavePng);
KORVANE_PNG_PAIR(BM_LoadPng, BM_Baseline_QtLoadPng);
KORVANE_PNG_PAIR(BM_LoadOwnPng, BM_Baseline_QtLoadOwnPng);

} // namespace
