#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "document/formats/WriterSupport.h"

#include <QIODevice>
#include <QtEndian>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif
#include <vector>

namespace korvane {

namespace {

// One row of 32-bit pixels as blue, green, red triples. In memory a 32-bit
// pixel is already blue, green, red, unused on little-endian machines, so
// each pixel is stored whole, 3 bytes on from the last: the next store
// overwrites the unused byte. `to` needs one spare byte past the row.
void toBgrRowPlain(const uchar *from, uchar *to, int width)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        for (int x = 0; x < width; ++x)
            std::memcpy(to + 3 * x, from + 4 * x, 4);
    } else {
        const QRgb *pixels = reinterpret_cast<const QRgb *>(from);
        for (int x = 0; x < width; ++x, to += 3) {
            to[0] = uchar(qBlue(pixels[x]));
            to[1] = uchar(qGreen(pixels[x]));
            to[2] = uchar(qRed(pixels[x]));
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Four pixels at a time: one byte shuffle drops the unused bytes. The 16-byte
// store leaves 4 bytes past the 12 it means, which the next store or the
// row's spare bytes take.
__attribute__((target("ssse3"))) void toBgrRowShuffled(const uchar *from, uchar *to, int width)
{
    const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 3 * x), _mm_shuffle_epi8(four, drop));
    }
    toBgrRowPlain(from + 4 * x, to + 3 * x, width - x);
}
#endif

void toBgrRow(const uchar *from, uchar *to, int width)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool shuffle = __builtin_cpu_supports("ssse3");
    if (shuffle) {
        toBgrRowShuffled(from, to, width);
        return;
    }
#endif
    toBgrRowPlain(from, to, width);
}

} // namespace

void writeBmp(const QImage &picture, QIODevice &out)
{
    // A file of no pixels would be refused by every reader, this one's too.
    if (picture.width() <= 0 || picture.height() <= 0)
        throw KorvaneError(QStringLiteral("大きさが 0 の画像は BMP ファイルにできません"));
    const QImage rgb = asRgb32(picture);
    const qint64 rowBytes = (qint64(rgb.width()) * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = rowBytes * rgb.height();
    if (54 + pixelBytes > 0xFFFFFFFFLL)
        throw KorvaneError(QStringLiteral("BMP ファイルにするには画像が大きすぎます"));

    uchar header[54] = {'B', 'M'};
    qToLittleEndian<quint32>(quint32(54 + pixelBytes), header + 2); // file size
    qToLittleEndian<quint32>(54, header + 10);                      // pixel data offset
    qToLittleEndian<quint32>(40, header + 14);                      // information header size
    qToLittleEndian<qint32>(rgb.width(), header + 18);
    qToLittleEndian<qint32>(rgb.height(), header + 22); // positive: bottom-up
    qToLittleEndian<quint16>(1, header + 26);           // planes
    qToLittleEndian<quint16>(24, header + 28);          // bits per pixel
    // compression 0 (none), image size, resolutions, colour counts: all 0
    writeAll(out, reinterpret_cast<const char *>(header), sizeof header);

    // Rows are converted a block at a time, so a large picture never needs
    // a second whole copy in memory. Spare bytes at the end take the
    // overlapping stores of the last row.
    constexpr qint64 kBlockBytes = 1 << 20;
    const int rowsPerBlock = int(qMax<qint64>(1, kBlockBytes / qMax<qint64>(rowBytes, 1)));
    std::vector<char> block(size_t(rowBytes * qMin(rowsPerBlock, qMax(rgb.height(), 1))) + 16, 0);
    const int padding = int(rowBytes - qint64(rgb.width()) * 3);
    for (int y = rgb.height() - 1; y >= 0;) {
        char *to = block.data();
        int rows = 0;
        for (; rows < rowsPerBlock && y >= 0; ++rows, --y, to += rowBytes) {
            toBgrRow(rgb.constScanLine(y), reinterpret_cast<uchar *>(to), rgb.width());
            std::memset(to + rowBytes - padding, 0, size_t(padding));
        }
        writeAll(out, block.data(), rowBytes * rows);
        startWriteback(out);
    }
}

} // namespace korvane
