// Saving a 4K picture, each beside the floor it cannot beat: as JPEG beside
// libjpeg's own encoder at quality 90 on the same pixels, as BMP beside a
// plain write of the same number of bytes. Both saves write a temporary file
// beside the target, flush it to the disk and rename it over the target, so
// the plain write is flushed to the disk too: a save that is not on the disk
// when it says it is done is no save.

#include "BenchPictures.h"
#include "document/PictureSaving.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace korvane;
using namespace bench;

namespace {

const QImage &picture()
{
    static const QImage image = photoLikePicture(kWidth, kHeight);
    return image;
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_Save_Jpeg(benchmark::State &state)
{
    const QString path = folder().filePath(QStringLiteral("shot.jpg"));
    for (auto _ : state)
        savePicture(picture(), path, SaveFormat::Jpeg);
    state.counters["file_bytes"] = double(QFile(path).size());
}
BENCHMARK(BM_Save_Jpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's encoder at quality 90 on the same 32-bit rows, into memory.
void BM_Baseline_LibjpegEncode(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(compressJpeg(picture(), 90));
}
BENCHMARK(BM_Baseline_LibjpegEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Save_Bmp(benchmark::State &state)
{
    const QString path = folder().filePath(QStringLiteral("shot.bmp"));
    for (auto _ : state)
        savePicture(picture(), path, SaveFormat::Bmp);
    state.counters["file_bytes"] = double(QFile(path).size());
}
BENCHMARK(BM_Save_Bmp)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same number of bytes as the BMP, written in one go and flushed.
void BM_Baseline_PlainWrite(benchmark::State &state)
{
    const size_t bytes = 54 + size_t((kWidth * 3 + 3) & ~3) * kHeight;
    const std::vector<char> data(bytes, '\x5a');
    const QByteArray path = folder().filePath(QStringLiteral("plain.bin")).toLocal8Bit();
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, data.data(), bytes) != ssize_t(bytes) || ::fsync(fd) != 0)
            state.SkipWithError("the plain write failed");
        ::close(fd);
    }
}
BENCHMARK(BM_Baseline_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
