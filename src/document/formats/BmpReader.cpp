#include "document/formats/BmpReader.h"

#include "common/KorvaneError.h"
#include "document/formats/DibDecoder.h"

namespace korvane {

namespace {

const QString kInvalidBmp = QStringLiteral("ビットマップ イメージが不正です");

constexpr qsizetype kFileHeaderSize = 14;

quint32 readU32(const QByteArray &data, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

} // namespace

QImage readBmp(const QByteArray &file)
{
    // The file header: "BM", the file size, two reserved words and the offset
    // of the pixels. The size and the reserved words (a hot spot in some OS/2
    // files) are not used: writers fill them in many ways.
    qsizetype headerStart = 0;
    if (file.startsWith("BA")) {
        // An OS/2 bitmap array: show its first bitmap. Its offsets count from
        // the start of the whole file.
        headerStart = kFileHeaderSize;
    }
    if (file.size() < headerStart + kFileHeaderSize + 4 || file.mid(headerStart, 2) != "BM")
        throw KorvaneError(kInvalidBmp + QStringLiteral("（BMP ファイルではありません）"));

    const quint32 pixelOffset = readU32(file, headerStart + 10);
    const qsizetype dibStart = headerStart + kFileHeaderSize;
    if (pixelOffset < quint32(dibStart) || pixelOffset > quint32(file.size()))
        throw KorvaneError(kInvalidBmp + QStringLiteral("（画素データの位置が不正です）"));

    DibOptions options;
    options.invalidMessage = kInvalidBmp;
    options.pixelOffset = qsizetype(pixelOffset) - dibStart;
    return decodeDib(QByteArrayView(file).sliced(dibStart), options).image;
}

} // namespace korvane
