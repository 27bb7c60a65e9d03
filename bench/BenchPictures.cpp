#include "BenchPictures.h"

#include "common/Color.h"

#include <QFont>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>

using namespace korvane;

namespace bench {

namespace {

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

} // namespace

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

void addAnnotations(EditorDocument &document)
{
    EditorDocument *doc = &document;

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
}

void addShapes(EditorDocument &document)
{
    static const TColor colours[] = {clRed, clBlue, clYellow, clLime, clFuchsia};
    Random rng{777u};
    auto corner = [&](int w, int h) {
        const int x = rng.below(kWidth - w), y = rng.below(kHeight - h);
        return std::pair{x, y};
    };
    for (int i = 0; i < 50; ++i) {
        auto [x, y] = corner(600, 300);
        document.FrameList.push_back(std::make_unique<TFrameRec>(TFrameRec{
            x, y, x + 100 + rng.below(500), y + 40 + rng.below(260), 1 + i % 8, colours[i % 5]}));
        std::tie(x, y) = corner(500, 60);
        document.HighlightList.push_back(std::make_unique<THighlightRec>(
            THighlightRec{x, y, x + 80 + rng.below(420), y + 16 + rng.below(40), colours[(i + 2) % 5]}));
        std::tie(x, y) = corner(60, 60);
        document.NumberList.push_back(std::make_unique<TNumberRec>(
            TNumberRec{x + 30, y + 30, 3 + i % 8, colours[i % 5]}));
        std::tie(x, y) = corner(400, 120);
        document.RedactList.push_back(std::make_unique<TRedactRec>(
            TRedactRec{x, y, x + 60 + rng.below(340), y + 16 + rng.below(100)}));
    }
}

// libjpeg's own encoder on the 32-bit rows as they lie in memory.
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

} // namespace bench
