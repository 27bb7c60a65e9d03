// The recovery copy: what the interface's thread pays for one, beside a
// plain copy of the picture's bytes (the point: drawing never stalls on
// it), and what the worker thread then spends writing it (composing, the
// editable PNG, the atomic replacement on the disk), beside a plain PNG of
// the composed picture written to memory. A 4K document with 20
// annotations (10 lines and arrows, 10 texts).

#include "BenchPictures.h"
#include "document/RecoveryStore.h"
#include "document/formats/PictureWriters.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <vector>

using namespace korvane;
using namespace bench;

namespace {

EditorDocument &work()
{
    static EditorDocument *document = [] {
        auto *doc = new EditorDocument;
        doc->SetPicture(photoLikePicture(kWidth, kHeight));
        for (int i = 0; i < 10; ++i) {
            auto line = std::make_unique<TLineRec>();
            *line = TLineRec{100 + i * 300, 200, 400 + i * 300, 1800, 5, clRed, i % 2 == 1};
            doc->LineList.push_back(std::move(line));
            auto text = std::make_unique<TMoji>();
            text->Font = QFont(QStringLiteral("IPAPGothic"));
            text->Font.setPixelSize(24);
            text->Text = QStringLiteral("ここをクリックしてください %1").arg(i);
            text->X = 150 + i * 300;
            text->Y = 1900;
            text->BkColor = clWhite;
            doc->MojiList.push_back(std::move(text));
        }
        doc->FileName = QStringLiteral("/home/someone/手順.png");
        doc->Redraw();
        doc->History.reset(false);
        return doc;
    }();
    return *document;
}

void BM_Recovery_Snapshot4K(benchmark::State &state)
{
    const EditorDocument &doc = work();
    for (auto _ : state) {
        RecoverySnapshot snapshot = takeSnapshot(doc);
        benchmark::DoNotOptimize(snapshot);
    }
}
BENCHMARK(BM_Recovery_Snapshot4K)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Baseline_PictureBytesCopy4K(benchmark::State &state)
{
    const QImage &picture = work().DrawBmp;
    std::vector<uchar> bytes(std::size_t(picture.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(bytes.data(), picture.constBits(), bytes.size());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Baseline_PictureBytesCopy4K)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Recovery_WorkerWrite4K(benchmark::State &state)
{
    QTemporaryDir folder;
    RecoveryStore store(folder.path());
    const RecoverySnapshot snapshot = takeSnapshot(work());
    for (auto _ : state)
        store.write(snapshot);
}
BENCHMARK(BM_Recovery_WorkerWrite4K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Baseline_PlainPngToMemory4K(benchmark::State &state)
{
    const QImage &picture = work().DrawBmp;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        writePng(picture, buffer);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_Baseline_PlainPngToMemory4K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
