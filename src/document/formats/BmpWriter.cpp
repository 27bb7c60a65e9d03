#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "document/formats/WriterSupport.h"

#include <QIODevice>
#include <QtEndian>
#include <vector>

namespace korvane {

void writeBmp(const QImage &picture, QIODevice &out)
{
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
    // a second whole copy in memory.
    constexpr qint64 kBlockBytes = 1 << 20;
    const int rowsPerBlock = int(qMax<qint64>(1, kBlockBytes / qMax<qint64>(rowBytes, 1)));
    std::vector<char> block(size_t(rowBytes * qMin(rowsPerBlock, qMax(rgb.height(), 1))), 0);
    for (int y = rgb.height() - 1; y >= 0;) {
        char *to = block.data();
        int rows = 0;
        for (; rows < rowsPerBlock && y >= 0; ++rows, --y, to += rowBytes) {
            const QRgb *from = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            uchar *p = reinterpret_cast<uchar *>(to);
            for (int x = 0; x < rgb.width(); ++x, p += 3) {
                p[0] = uchar(qBlue(from[x]));
                p[1] = uchar(qGreen(from[x]));
                p[2] = uchar(qRed(from[x]));
            }
        }
        writeAll(out, block.data(), rowBytes * rows);
    }
}

} // namespace korvane
