#include "document/formats/PngReader.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/PngChunks.h"
#include "document/formats/PngPixels.h"

#include <QtEndian>
#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace korvane {

namespace {

using namespace png;

// What the chunks before the pixels say, and where the pixels are.
struct Layout
{
    Header header;
    Colours colours;
    int paletteSize = 0;
    bool haveTransparency = false;
    QList<QByteArrayView> idat;
    qsizetype idatBytes = 0;
};

bool validDepth(int colourType, int depth)
{
    switch (colourType) {
    case Grey:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case Palette:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case Rgb:
    case GreyAlpha:
    case Rgba:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

Header readHeader(const Chunk &chunk)
{
    if (chunk.type != kIHDR)
        fail(QStringLiteral("IHDR チャンクがありません"));
    if (!chunk.intact)
        fail(QStringLiteral("IHDR チャンクが壊れています"));
    if (chunk.data.size() != 13)
        fail(QStringLiteral("IHDR チャンクの長さが不正です"));
    const auto *p = reinterpret_cast<const uchar *>(chunk.data.data());
    Header h;
    h.width = qFromBigEndian<quint32>(p);
    h.height = qFromBigEndian<quint32>(p + 4);
    h.depth = p[8];
    h.colourType = p[9];
    if (!validDepth(h.colourType, h.depth))
        fail(QStringLiteral("色の種類 %1 とビット深度 %2 の組み合わせがありません")
                 .arg(h.colourType)
                 .arg(h.depth));
    if (p[10] != 0 || p[11] != 0)
        fail(QStringLiteral("圧縮方式またはフィルタ方式が不正です"));
    if (p[12] > 1)
        fail(QStringLiteral("インターレース方式が不正です"));
    h.interlaced = p[12] == 1;
    // The format allows up to 2^31 - 1 on each side; this program less.
    checkPictureSize(h.width, h.height);
    return h;
}

void readPalette(Layout &layout, QByteArrayView data)
{
    const bool needed = layout.header.colourType == Palette;
    if (data.isEmpty() || data.size() % 3 != 0 || data.size() > 3 * 256) {
        // Only a palette picture needs it; elsewhere it is a mere suggestion.
        if (needed)
            fail(QStringLiteral("パレットが不正です"));
        return;
    }
    if (!needed || layout.paletteSize > 0)
        return;
    // Entries the bit depth cannot reach are left out.
    const int count = qMin<int>(int(data.size() / 3), 1 << layout.header.depth);
    const auto *p = reinterpret_cast<const uchar *>(data.data());
    for (int i = 0; i < count; ++i, p += 3)
        layout.colours.palette[size_t(i)] = qRgb(p[0], p[1], p[2]);
    layout.paletteSize = count;
}

// tRNS of a wrong length or out of place is ignored, as decoders commonly do.
void readTransparency(Layout &layout, QByteArrayView data)
{
    if (layout.haveTransparency)
        return;
    const auto *p = reinterpret_cast<const uchar *>(data.data());
    Colours &c = layout.colours;
    switch (layout.header.colourType) {
    case Grey:
    case Rgb: {
        const int samples = layout.header.colourType == Grey ? 1 : 3;
        if (data.size() != 2 * samples)
            return;
        for (int i = 0; i < samples; ++i)
            c.key[i] = qFromBigEndian<quint16>(p + 2 * i);
        c.hasKey = true;
        break;
    }
    case Palette:
        if (layout.paletteSize == 0 || data.size() > layout.paletteSize)
            return;
        for (qsizetype i = 0; i < data.size(); ++i)
            c.palette[size_t(i)] = (c.palette[size_t(i)] & 0xFFFFFFu) | quint32(p[i]) << 24;
        break;
    default:
        return; // the picture has its own alpha
    }
    layout.haveTransparency = true;
}

Layout readLayout(QByteArrayView file)
{
    ChunkReader reader(file);
    Chunk chunk;
    reader.next(chunk);
    Layout layout;
    layout.header = readHeader(chunk);
    // Indices past the palette show black.
    layout.colours.palette.fill(qRgb(0, 0, 0));

    enum { Before, Inside, After } pixels = Before;
    while (reader.next(chunk)) {
        if (isCritical(chunk.type) && !chunk.intact)
            fail(QStringLiteral("%1 チャンクが壊れています").arg(typeName(chunk.type)));
        if (chunk.type == kIEND)
            break;
        if (chunk.type == kIDAT) {
            if (pixels == After)
                fail(QStringLiteral("画像データが途切れています"));
            pixels = Inside;
            layout.idat.append(chunk.data);
            layout.idatBytes += chunk.data.size();
            continue;
        }
        if (pixels == Inside)
            pixels = After;
        if (chunk.type == kIHDR)
            fail(QStringLiteral("IHDR チャンクが二つあります"));
        else if (chunk.type == kPLTE && pixels == Before)
            readPalette(layout, chunk.data);
        else if (chunk.type == kTRNS && pixels == Before && chunk.intact)
            readTransparency(layout, chunk.data);
        else if (isCritical(chunk.type) && chunk.type != kPLTE)
            fail(QStringLiteral("未知の必須チャンク %1 があります").arg(typeName(chunk.type)));
    }
    if (pixels == Before)
        fail(QStringLiteral("画像データがありません"));
    if (layout.header.colourType == Palette && layout.paletteSize == 0)
        fail(QStringLiteral("パレットがありません"));
    return layout;
}

// One pass of the picture: all of it, or one of Adam7's seven.
struct Pass
{
    int x0, y0, dx, dy;
    quint32 width, height;
};

std::vector<Pass> passesOf(const Header &h)
{
    if (!h.interlaced)
        return {{0, 0, 1, 1, h.width, h.height}};
    static const int adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<Pass> passes;
    for (const auto &a : adam7) {
        const quint32 w = (h.width + quint32(a[2] - a[0] - 1)) / quint32(a[2]);
        const quint32 ht = (h.height + quint32(a[3] - a[1] - 1)) / quint32(a[3]);
        // A pass without pixels has no rows in the data either.
        if (w > 0 && ht > 0)
            passes.push_back({a[0], a[1], a[2], a[3], w, ht});
    }
    return passes;
}

// Bytes the decompressed data holds: each row with its filter-type byte.
qint64 filteredSize(const Header &h, const std::vector<Pass> &passes)
{
    qint64 bytes = 0;
    for (const Pass &p : passes)
        bytes += qint64(p.height) * (1 + h.rowBytes(p.width));
    return bytes;
}

// Deflate cannot expand data more than 1032 times (a 258-byte match in two
// bits); a picture that needs more than that is cut short, and is refused
// before its memory is taken.
constexpr qint64 kMaxDeflateRatio = 1032;

using Buffer = std::unique_ptr<uchar[]>;

Buffer allocate(qint64 bytes, const Header &h)
{
    Buffer buffer(new (std::nothrow) uchar[size_t(bytes)]);
    if (!buffer)
        checkAllocated(QImage(), h.width, h.height);
    return buffer;
}

// The IDAT chunks' data as one zlib stream, inflated into `out`, which must
// come out exactly full.
void inflate(const Layout &layout, uchar *out, qint64 size)
{
    Buffer joined;
    const void *in = layout.idat.first().data();
    if (layout.idat.size() > 1) {
        joined = allocate(layout.idatBytes, layout.header);
        qsizetype at = 0;
        for (QByteArrayView part : layout.idat) {
            std::memcpy(joined.get() + at, part.data(), size_t(part.size()));
            at += part.size();
        }
        in = joined.get();
    }
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        checkAllocated(QImage(), layout.header.width, layout.header.height);
    size_t produced = 0;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated pixels must reach the filters, not stop at the checksum: the
    // deflate data alone, after the two bytes of the zlib header.
    const qsizetype header = qMin<qsizetype>(2, layout.idatBytes);
    const auto result = libdeflate_deflate_decompress(
        inflater.get(), static_cast<const uchar *>(in) + header,
        size_t(layout.idatBytes - header), out, size_t(size), &produced);
#else
    const auto result = libdeflate_zlib_decompress(inflater.get(), in, size_t(layout.idatBytes),
                                                   out, size_t(size), &produced);
#endif
    switch (result) {
    case LIBDEFLATE_SUCCESS:
        if (qint64(produced) != size)
            fail(QStringLiteral("画像データが足りません"));
        return;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        fail(QStringLiteral("画像データが画像の大きさより長くなっています"));
    default:
        fail(QStringLiteral("画像データの圧縮が壊れています"));
    }
}

// Reverses the filters pass by pass, row by row, and stores the pixels.
void storePixels(const Layout &layout, const std::vector<Pass> &passes, uchar *data,
                 RowConverter &converter, QImage &image)
{
    const Header &h = layout.header;
    // Above each pass's first row: zeros, with the spare bytes the filters read.
    const std::vector<uchar> zeros(size_t(h.rowBytes(h.width)) + 16, 0);
    const int distance = h.filterDistance();
    for (const Pass &pass : passes) {
        const qsizetype rowBytes = h.rowBytes(pass.width);
        const uchar *prev = zeros.data();
        const auto store = [&](const uchar *row, quint32 r) {
            converter.convert(row, image, int(pass.y0 + r * pass.dy), pass.x0, pass.dx,
                              int(pass.width));
        };
        for (quint32 r = 0; r < pass.height; ++r, data += 1 + rowBytes) {
            uchar *row = data + 1;
            uchar *next = row + rowBytes + 1;
            if (r + 1 < pass.height &&
                unfilterRowPair(data[0], row, prev, next[-1], next, rowBytes, distance)) {
                store(row, r);
                store(next, ++r);
                prev = next;
                data += 1 + rowBytes;
                continue;
            }
            if (!unfilterRow(data[0], row, prev, rowBytes, distance))
                fail(QStringLiteral("フィルタの種類 %1 が不正です").arg(data[0]));
            store(row, r);
            prev = row;
        }
    }
}

QImage decode(QByteArrayView file, AlphaMode mode)
{
    const Layout layout = readLayout(file);
    const Header &h = layout.header;
    const std::vector<Pass> passes = passesOf(h);
    const qint64 size = filteredSize(h, passes);
    if (size > layout.idatBytes * kMaxDeflateRatio + 1024)
        failCutShort();

    RowConverter converter(h, layout.colours, mode);
    QImage image = allocatePicture(h.width, h.height, converter.format());
    if (image.format() == QImage::Format_Indexed8)
        image.setColorTable(converter.colourTable());
    // Spare bytes past the end for the filters' and converters' wide loads.
    const Buffer data = allocate(size + 16, h);
    inflate(layout, data.get(), size);
    storePixels(layout, passes, data.get(), converter, image);
    return image;
}

} // namespace

QImage readPng(const QByteArray &file)
{
    return decode(file, AlphaMode::OnWhite);
}

QImage readPngWithAlpha(QByteArrayView file)
{
    return decode(file, AlphaMode::Keep);
}

QList<QByteArray> readPngChunks(const QByteArray &file, QByteArrayView type)
{
    QList<QByteArray> found;
    if (!isValidType(type))
        return found;
    const quint32 wanted = qFromBigEndian<quint32>(type.data());
    ChunkReader reader(file);
    Chunk chunk;
    while (reader.next(chunk)) {
        if (chunk.type != wanted)
            continue;
        if (!chunk.intact)
            fail(QStringLiteral("%1 チャンクが壊れています").arg(typeName(wanted)));
        found.append(chunk.data.toByteArray());
    }
    return found;
}

} // namespace korvane
