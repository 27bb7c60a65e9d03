// The editable PNG at 4K: a real desktop screen shot (bench/pictures) with
// 20 annotations, saved and opened beside a plain PNG of the same composed
// picture in the same run. Opening includes the check that the stored
// document composes to the file's pixels. file_ratio is the editable file's
// size over the plain one's.

#include "BenchPictures.h"

#include "document/EditablePng.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"
#include "editor/EditorDocument.h"

#include <QBuffer>
#include <QFile>

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

struct Sheet
{
    QImage base;
    QImage composed;
    AnnotationSet annotations;
    QByteArray editable;
    QByteArray plain;
};

// Ten lines and arrows, some long, and ten texts, half on a background.
AnnotationSet twentyAnnotations(int width, int height)
{
    static const TColor colours[] = {clRed, clBlue, clLime, clFuchsia, clBlack};
    static const char *const texts[] = {"ここをクリック", "注意", "保存されていません",
                                        "Error 404", "設定 → 表示"};
    AnnotationSet set;
    quint32 seed = 20261209u;
    auto below = [&](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(n));
    };
    for (int i = 0; i < 10; ++i) {
        const int reach = i % 5 == 0 ? 1500 : 300;
        const int x = below(width), y = below(height);
        set.lines.push_back({x, y, qBound(0, x + below(2 * reach) - reach, width - 1),
                             qBound(0, y + below(2 * reach) - reach, height - 1), 2 + i % 6,
                             colours[i % 5], i % 2 == 0});
    }
    for (int i = 0; i < 10; ++i) {
        TMoji text;
        text.Font = QFont(QStringLiteral("IPAPGothic"));
        text.Font.setPixelSize(16 + 2 * i);
        text.Font.setBold(i % 3 == 0);
        text.FontColor = colours[(i + 1) % 5];
        text.BkColor = i % 2 == 0 ? clNone : clYellow;
        text.Text = QString::fromUtf8(texts[i % 5]);
        text.X = below(width - 300);
        text.Y = below(height - 40);
        set.texts.push_back(text);
    }
    return set;
}

QByteArray inMemory(auto write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return bytes;
}

const Sheet &sheet()
{
    static Sheet s = [] {
        Sheet made;
        QFile f(QStringLiteral(KORVANE_BENCH_PICTURES "/desktop-4k.png"));
        if (!f.open(QIODevice::ReadOnly))
            return made;
        EditorDocument doc;
        doc.SetPicture(readPng(f.readAll()).convertToFormat(QImage::Format_RGB32));
        doc.setAnnotations(twentyAnnotations(doc.BaseBmp.width(), doc.BaseBmp.height()));
        doc.Redraw();
        made.base = doc.BaseBmp;
        made.composed = doc.DrawBmp;
        made.annotations = doc.annotations();
        made.editable = inMemory([&](QIODevice &out) {
            writeEditablePng(made.composed, made.base, made.annotations, &out);
        });
        made.plain = inMemory([&](QIODevice &out) { writePng(made.composed, out); });
        return made;
    }();
    return s;
}

bool ready(benchmark::State &state)
{
    if (sheet().base.isNull())
        state.SkipWithError("bench/pictures/desktop-4k.png missing");
    return !sheet().base.isNull();
}

struct Sink
{
    QByteArray bytes;
    QBuffer buffer{&bytes};
    QIODevice &fresh()
    {
        buffer.close();
        bytes.resize(0);
        buffer.open(QIODevice::WriteOnly);
        return buffer;
    }
};

void BM_SaveEditablePng(benchmark::State &state)
{
    if (!ready(state))
        return;
    const Sheet &s = sheet();
    Sink sink;
    for (auto _ : state)
        writeEditablePng(s.composed, s.base, s.annotations, &sink.fresh());
    state.counters["file_bytes"] = double(sink.bytes.size());
    state.counters["file_ratio"] = double(s.editable.size()) / double(s.plain.size());
}
BENCHMARK(BM_SaveEditablePng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Baseline_SavePlainPng(benchmark::State &state)
{
    if (!ready(state))
        return;
    Sink sink;
    for (auto _ : state)
        writePng(sheet().composed, sink.fresh());
    state.counters["file_bytes"] = double(sink.bytes.size());
}
BENCHMARK(BM_Baseline_SavePlainPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenEditablePng(benchmark::State &state)
{
    if (!ready(state))
        return;
    for (auto _ : state) {
        const EditableRead read = readEditablePng(sheet().editable);
        if (!read.document)
            state.SkipWithError("the stored document did not come back");
        benchmark::DoNotOptimize(read.picture.constBits());
    }
}
BENCHMARK(BM_OpenEditablePng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Baseline_OpenPlainPng(benchmark::State &state)
{
    if (!ready(state))
        return;
    for (auto _ : state) {
        const QImage picture = readPng(sheet().plain);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_Baseline_OpenPlainPng)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
