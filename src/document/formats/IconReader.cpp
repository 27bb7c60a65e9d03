#include "document/formats/IconReader.h"

#include "common/KorvaneError.h"
#include "document/formats/DibDecoder.h"
#include "document/formats/PngReader.h"

#include <cstdlib>
#include <optional>

namespace korvane {

namespace {

const QString kInvalidIcon = QStringLiteral("アイコン イメージが不正です");

constexpr qsizetype kDirectoryHeaderSize = 6;
constexpr qsizetype kDirectoryEntrySize = 16;
constexpr int kIconType = 1;
constexpr int kCursorType = 2;
const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

[[noreturn]] void fail(const char *reason)
{
    throw KorvaneError(kInvalidIcon + QStringLiteral("（%1）").arg(QString::fromUtf8(reason)));
}

const uchar *bytes(QByteArrayView data)
{
    return reinterpret_cast<const uchar *>(data.data());
}
quint16 readU16(QByteArrayView data, qsizetype at)
{
    return quint16(bytes(data)[at] | bytes(data)[at + 1] << 8);
}
quint32 readU32(QByteArrayView data, qsizetype at)
{
    const uchar *p = bytes(data) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

struct Entry
{
    int width = 0;
    int height = 0;
    int bitCount = 0; // from the entry's own header when it can be read
    QPoint hotSpot;   // cursors only
    QByteArrayView data;
};

bool isPng(QByteArrayView data)
{
    return data.size() >= 8 && data.first(8) == QByteArrayView(kPngSignature);
}

// Bits per pixel as the entry's own header gives them: the directory's field
// is often 0 (and in cursors it holds the hot spot instead).
std::optional<int> entryBitCount(QByteArrayView data)
{
    if (isPng(data)) {
        if (data.size() < 26)
            return std::nullopt;
        const int depth = bytes(data)[24];
        switch (bytes(data)[25]) { // colour type
        case 0:
            return depth; // grey
        case 2:
            return depth * 3; // RGB
        case 3:
            return depth; // palette
        case 4:
            return depth * 2; // grey + alpha
        case 6:
            return depth * 4; // RGBA
        default:
            return std::nullopt;
        }
    }
    if (data.size() >= 12 && readU32(data, 0) == 12)
        return readU16(data, 10);
    if (data.size() >= 16)
        return readU16(data, 14);
    return std::nullopt;
}

// The directory's entries whose data lies inside the file. Entries pointing
// elsewhere are left out, so one damaged entry does not lose the others.
QList<Entry> readDirectory(const QByteArray &file, int type)
{
    if (file.size() < kDirectoryHeaderSize || readU16(file, 0) != 0 || readU16(file, 2) != type)
        fail(type == kIconType ? "アイコン ファイルではありません"
                               : "カーソル ファイルではありません");
    const int count = readU16(file, 4);
    if (count == 0)
        fail("画像がありません");
    if (kDirectoryHeaderSize + qsizetype(count) * kDirectoryEntrySize > file.size())
        fail("ディレクトリが途中で切れています");

    QList<Entry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = kDirectoryHeaderSize + i * kDirectoryEntrySize;
        const quint32 size = readU32(file, at + 8);
        const quint32 offset = readU32(file, at + 12);
        if (offset > quint64(file.size()) || size > quint64(file.size()) - offset || size < 12)
            continue;
        Entry e;
        // 0 in the one-byte size fields means 256.
        e.width = bytes(file)[at] ? bytes(file)[at] : 256;
        e.height = bytes(file)[at + 1] ? bytes(file)[at + 1] : 256;
        e.data = QByteArrayView(file).sliced(offset, size);
        const int directoryBitCount = type == kIconType ? readU16(file, at + 6) : 0;
        e.bitCount = entryBitCount(e.data).value_or(directoryBitCount);
        if (type == kCursorType)
            e.hotSpot = QPoint(readU16(file, at + 4), readU16(file, at + 6));
        entries.append(e);
    }
    if (entries.isEmpty())
        fail("画像の位置が不正です");
    return entries;
}

// The entry nearest to 32 x 32 (smallest |w - 32| + |h - 32|, the size a
// desktop shows icons at), with more bits per pixel preferred among equally
// near ones and the first in the directory among equals.
const Entry &chooseEntry(const QList<Entry> &entries)
{
    const Entry *best = nullptr;
    int bestDistance = 0;
    for (const Entry &e : entries) {
        const int distance = std::abs(e.width - 32) + std::abs(e.height - 32);
        if (!best || distance < bestDistance ||
            (distance == bestDistance && e.bitCount > best->bitCount)) {
            best = &e;
            bestDistance = distance;
        }
    }
    return *best;
}

QImage decodePngEntry(QByteArrayView data)
{
    // The PNG reader checks the chunks and the size in IHDR before it takes
    // memory, and keeps the alpha that the icon's transparency is.
    return readPngWithAlpha(data);
}

QImage decodeDibEntry(QByteArrayView data)
{
    DibOptions options;
    options.invalidMessage = kInvalidIcon;
    options.iconEntry = true;
    DibPicture dib = decodeDib(data, options);
    QImage image = dib.image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        throw KorvaneError(QStringLiteral("画像のためのメモリが足りません（%1 × %2 ピクセル）")
                               .arg(dib.image.width())
                               .arg(dib.image.height()));
    const int w = image.width(), h = image.height();

    if (dib.hasAlpha) {
        // A 32-bit entry's alpha channel wins over its AND mask; an entry
        // whose alpha is 0 everywhere was written for older systems and
        // relies on the mask.
        for (int y = 0; y < h; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                if (qAlpha(line[x]) != 0)
                    return image;
            }
        }
        for (int y = 0; y < h; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] |= 0xFF000000;
        }
    }

    // The AND mask: 1 bit per pixel, rows padded to 4 bytes, set where the
    // icon is transparent. Rows missing at the end of the entry are taken as
    // opaque: the picture itself is complete.
    const qsizetype stride = (qsizetype(w) + 31) / 32 * 4;
    for (int row = 0; row < h; ++row) {
        const qsizetype at = dib.pixelsEnd + row * stride;
        if (at + stride > data.size())
            break;
        const uchar *mask = bytes(data) + at;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(dib.bottomUp ? h - 1 - row : row));
        for (int x = 0; x < w; ++x) {
            if (mask[x >> 3] & (0x80 >> (x & 7)))
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return image;
}

QImage decodeEntry(const Entry &entry)
{
    return isPng(entry.data) ? decodePngEntry(entry.data) : decodeDibEntry(entry.data);
}

} // namespace

QImage readIcon(const QByteArray &file)
{
    return decodeEntry(chooseEntry(readDirectory(file, kIconType)));
}

CursorPicture readCursor(const QByteArray &file)
{
    const QList<Entry> entries = readDirectory(file, kCursorType);
    const Entry &entry = chooseEntry(entries);
    return {decodeEntry(entry), entry.hotSpot};
}

} // namespace korvane
