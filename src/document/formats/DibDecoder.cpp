// DIB header, colour mask and palette parsing, uncompressed pixels and the decode dispatch.
#include "document/formats/DibDecoder.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/DibDecoderPrivate.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace korvane {

namespace {

// The compression field as stored; the same numbers mean different things in
// OS/2 2.x and Windows headers.
enum : quint32 {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitFields = 3, // Huffman 1D in an OS/2 2.x header
    kBiJpeg = 4,      // RLE24 in an OS/2 2.x header
    kBiPng = 5,
    kBiAlphaBitFields = 6,
};

// Scales a channel of any width to 8 bits, rounding to the nearest value, so
// that the largest value is 255 whatever the number of bits.
int scaleChannel(quint64 value, quint64 max)
{
    return max == 0 ? 0 : int((value * 255 + max / 2) / max);
}

// Linear-light scRGB-like value (signed 2.13 fixed point) to an sRGB byte.
int linearToSrgb(qint16 fixed)
{
    double v = std::clamp(fixed / 8192.0, 0.0, 1.0);
    v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return int(std::lround(v * 255));
}

} // namespace

namespace dib {

void Decoder::readHeader()
{
    if (m_size < 16)
        fail("ヘッダーが途中で切れています");
    m_headerSize = u32(0);
    if (m_headerSize == 12) {
        // OS/2 1.x: unsigned 16-bit sizes, no compression, 3-byte palette entries.
        m_os2 = true;
        m_width = u16(4);
        m_height = u16(6);
        if (u16(8) != 1)
            fail("プレーン数が 1 ではありません");
        m_bitCount = u16(10);
    } else if ((m_headerSize >= 16 && m_headerSize <= 64) || m_headerSize == 108 ||
               m_headerSize == 124) {
        if (qsizetype(m_headerSize) > m_size)
            fail("ヘッダーが途中で切れています");
        // 40, 52 and 56 are the Windows info headers; the other sizes up to 64
        // can only be OS/2 2.x headers, whose later fields mean other things.
        m_os2 =
            m_headerSize <= 64 && m_headerSize != 40 && m_headerSize != 52 && m_headerSize != 56;
        m_width = qint32(u32(4));
        m_height = qint32(u32(8));
        if (u16(12) != 1)
            fail("プレーン数が 1 ではありません");
        m_bitCount = u16(14);
        if (m_headerSize >= 20)
            m_compressionField = u32(16);
        if (m_headerSize >= 24)
            m_sizeImage = u32(20);
        if (m_headerSize >= 36)
            m_colorsUsed = u32(32);
    } else {
        fail("ヘッダーの大きさが不正です");
    }

    switch (m_compressionField) {
    case kBiRgb:
        m_compression = Compression::Rgb;
        break;
    case kBiRle8:
        m_compression = Compression::Rle8;
        break;
    case kBiRle4:
        m_compression = Compression::Rle4;
        break;
    case kBiBitFields:
        m_compression = m_os2 ? Compression::Huffman1D : Compression::BitFields;
        break;
    case kBiJpeg:
        m_compression = m_os2 ? Compression::Rle24 : Compression::Jpeg;
        break;
    case kBiPng:
        if (m_os2)
            fail("圧縮形式が不正です");
        m_compression = Compression::Png;
        break;
    case kBiAlphaBitFields:
        if (m_os2)
            fail("圧縮形式が不正です");
        m_compression = Compression::BitFields;
        break;
    default:
        fail("対応していない圧縮形式です");
    }

    const int b = m_bitCount;
    bool depthOk = false;
    switch (m_compression) {
    case Compression::Rgb:
        depthOk = b == 1 || b == 2 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32 || b == 64;
        break;
    case Compression::Rle8:
        depthOk = b == 8;
        break;
    case Compression::Rle4:
        depthOk = b == 4;
        break;
    case Compression::Rle24:
        depthOk = b == 24;
        break;
    case Compression::Huffman1D:
        depthOk = b == 1;
        break;
    case Compression::BitFields:
        depthOk = b == 16 || b == 32;
        break;
    case Compression::Jpeg:
    case Compression::Png:
        depthOk = true; // the embedded picture describes itself
        break;
    }
    if (!depthOk)
        fail("色数が不正です");

    const bool compressed =
        m_compression != Compression::Rgb && m_compression != Compression::BitFields;
    if (m_options.iconEntry && compressed)
        fail("圧縮されたアイコンには対応していません");

    if (m_width <= 0)
        fail("幅が不正です");
    if (m_height < 0) {
        // Top-down order cannot be expressed by RLE end-of-line codes.
        if (m_compression == Compression::Rle4 || m_compression == Compression::Rle8 ||
            m_compression == Compression::Rle24)
            fail("上から下に並んだ RLE 画像は不正です");
        m_bottomUp = false;
        m_height = -m_height;
    }
    if (m_options.iconEntry)
        m_height /= 2;
    if (m_height == 0)
        fail("高さが不正です");
    if (m_compression != Compression::Jpeg && m_compression != Compression::Png)
        checkPictureSize(m_width, m_height);
}

void Decoder::readMasks()
{
    m_paletteStart = m_headerSize;
    if (m_compression == Compression::BitFields) {
        const bool withAlpha = m_compressionField == kBiAlphaBitFields;
        if (m_headerSize == 40) {
            // The masks follow a plain info header.
            const qsizetype bytes = withAlpha ? 16 : 12;
            if (m_size < 40 + bytes)
                fail("色マスクが途中で切れています");
            for (int i = 0; i < bytes / 4; ++i)
                m_mask[i] = u32(40 + 4 * i);
            m_paletteStart += bytes;
        } else {
            for (int i = 0; i < 3; ++i)
                m_mask[i] = u32(40 + 4 * i);
            if (m_headerSize >= 56)
                m_mask[3] = u32(52);
        }
    } else if (m_bitCount == 16) {
        m_mask[0] = 0x7C00;
        m_mask[1] = 0x03E0;
        m_mask[2] = 0x001F;
    } else if (m_bitCount == 32) {
        m_mask[0] = 0x00FF0000;
        m_mask[1] = 0x0000FF00;
        m_mask[2] = 0x000000FF;
        if (m_options.iconEntry)
            m_mask[3] = 0xFF000000;
    }
    if (m_bitCount == 16) {
        for (quint32 &mask : m_mask)
            mask &= 0xFFFF;
    }
    for (int i = 0; i < 4; ++i) {
        if (m_mask[i] == 0)
            continue;
        m_shift[i] = std::countr_zero(m_mask[i]);
        m_max[i] = m_mask[i] >> m_shift[i];
    }
    // Only icon entries show alpha; a BMP's alpha channel is not shown.
    m_keepAlpha = m_options.iconEntry && m_bitCount == 32 && m_mask[3] != 0;
}

void Decoder::readPalette()
{
    const qsizetype entrySize = m_headerSize == 12 ? 3 : 4;
    const qint64 fullPalette = m_bitCount <= 8 ? qint64(1) << m_bitCount : 0;
    // Entries stored in the file, and the ones the pixels can address.
    qint64 stored = m_colorsUsed ? qint64(m_colorsUsed) : fullPalette;
    if (m_compression == Compression::Jpeg || m_compression == Compression::Png)
        stored = 0;
    if (stored > (m_size - m_paletteStart) / entrySize)
        fail("パレットが途中で切れています");
    qint64 usable = std::min<qint64>(stored, fullPalette);

    if (m_options.pixelOffset >= 0) {
        if (m_options.pixelOffset < m_paletteStart || m_options.pixelOffset > m_size)
            fail("画素データの位置が不正です");
        m_pixelStart = m_options.pixelOffset;
        usable = std::min<qint64>(usable, (m_pixelStart - m_paletteStart) / entrySize);
    } else {
        m_pixelStart = m_paletteStart + stored * entrySize;
    }
    if (m_bitCount <= 8 && m_compression != Compression::Jpeg &&
        m_compression != Compression::Png && usable == 0)
        fail("パレットがありません");

    m_palette.reserve(usable);
    for (qint64 i = 0; i < usable; ++i) {
        const uchar *e = m_data + m_paletteStart + i * entrySize;
        m_palette.append(qRgb(e[2], e[1], e[0]));
    }
}

QImage::Format Decoder::outputFormat() const
{
    if (m_bitCount == 1)
        return QImage::Format_Mono;
    if (m_bitCount <= 8)
        return QImage::Format_Indexed8;
    if (m_bitCount == 16) {
        const quint32 r = m_mask[0], g = m_mask[1], b = m_mask[2];
        if (r == 0x7C00 && g == 0x03E0 && b == 0x001F)
            return QImage::Format_RGB555;
        if (r == 0xF800 && g == 0x07E0 && b == 0x001F)
            return QImage::Format_RGB16;
    }
    return m_keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

QRgb Decoder::maskedColor(quint32 pixel) const
{
    int c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = scaleChannel((pixel & m_mask[i]) >> m_shift[i], m_max[i]);
    return qRgba(c[0], c[1], c[2], m_keepAlpha ? c[3] : 255);
}

void Decoder::decodeUncompressed(QImage &image)
{
    const qint64 rowBits = m_width * m_bitCount;
    const qint64 stride = (rowBits + 31) / 32 * 4;

    const int w = int(m_width);
    const int paletteSize = int(m_palette.size());
    std::vector<QRgb> lut16;
    if (m_bitCount == 16 && image.format() == QImage::Format_RGB32) {
        lut16.resize(65536);
        for (quint32 v = 0; v < 65536; ++v)
            lut16[v] = maskedColor(v);
    }

    for (qint64 row = 0; row < m_height; ++row) {
        const uchar *src = m_data + m_pixelStart + row * stride;
        uchar *dst = image.scanLine(lineOfRow(row));
        switch (m_bitCount) {
        case 1: {
            const qsizetype bytes = (w + 7) / 8;
            std::memcpy(dst, src, size_t(bytes));
            if (paletteSize < 2) {
                for (int x = 0; x < w; ++x) {
                    if (src[x >> 3] & (0x80 >> (x & 7)))
                        checkIndex(1);
                }
            }
            break;
        }
        case 2:
        case 4:
        case 8: {
            const int perByte = 8 / m_bitCount;
            const int valueMask = (1 << m_bitCount) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - m_bitCount * (x % perByte + 1);
                const int index = (src[x / perByte] >> shift) & valueMask;
                if (index >= paletteSize)
                    checkIndex(index);
                dst[x] = uchar(index);
            }
            break;
        }
        case 16: {
            if (image.format() == QImage::Format_RGB32) {
                auto *out = reinterpret_cast<QRgb *>(dst);
                for (int x = 0; x < w; ++x)
                    out[x] = lut16[u16(src - m_data + 2 * x)];
            } else {
                // Qt's RGB555 wants the unused top bit clear; some files set it.
                const quint16 keep = image.format() == QImage::Format_RGB555 ? 0x7FFF : 0xFFFF;
                auto *out = reinterpret_cast<quint16 *>(dst);
                for (int x = 0; x < w; ++x)
                    out[x] = quint16((src[2 * x] | src[2 * x + 1] << 8) & keep);
            }
            break;
        }
        case 24: {
            auto *out = reinterpret_cast<QRgb *>(dst);
            for (int x = 0; x < w; ++x)
                out[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        }
        case 32: {
            auto *out = reinterpret_cast<QRgb *>(dst);
            const bool plain = m_mask[0] == 0x00FF0000 && m_mask[1] == 0x0000FF00 &&
                               m_mask[2] == 0x000000FF &&
                               (m_mask[3] == 0 || m_mask[3] == 0xFF000000);
            for (int x = 0; x < w; ++x) {
                const uchar *p = src + 4 * x;
                if (plain)
                    out[x] = qRgba(p[2], p[1], p[0], m_keepAlpha ? p[3] : 255);
                else
                    out[x] = maskedColor(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 |
                                         quint32(p[3]) << 24);
            }
            break;
        }
        case 64: {
            auto *out = reinterpret_cast<QRgb *>(dst);
            for (int x = 0; x < w; ++x) {
                const qsizetype at = src - m_data + 8 * x;
                out[x] = qRgb(linearToSrgb(qint16(u16(at + 4))), linearToSrgb(qint16(u16(at + 2))),
                              linearToSrgb(qint16(u16(at))));
            }
            break;
        }
        }
    }
}

DibPicture Decoder::decode()
{
    readHeader();
    readMasks();
    readPalette();

    DibPicture result;
    if (m_compression == Compression::Jpeg) {
        result.image = decodeEmbedded("jpeg");
    } else if (m_compression == Compression::Png) {
        result.image = decodeEmbedded("png");
    } else {
        const bool uncompressed =
            m_compression == Compression::Rgb || m_compression == Compression::BitFields;
        if (uncompressed) {
            // Check the pixels are all there before taking memory for them.
            const qint64 rowBits = m_width * m_bitCount;
            const qint64 stride = (rowBits + 31) / 32 * 4;
            // The padding of the last row may be missing: some writers leave it out.
            const qint64 needed = stride * (m_height - 1) + (rowBits + 7) / 8;
            if (needed > m_size - m_pixelStart)
                fail("画素データが途中で切れています");
            m_pixelsEnd = m_pixelStart + std::min<qint64>(stride * m_height, m_size - m_pixelStart);
        }
        QImage image = allocatePicture(m_width, m_height, outputFormat());
        if (m_bitCount <= 8)
            image.setColorTable(m_palette);
        if (uncompressed)
            decodeUncompressed(image);
        else if (m_compression == Compression::Huffman1D)
            decodeHuffman(image);
        else
            decodeRle(image);
        result.image = std::move(image);
    }
    result.pixelsEnd = m_pixelsEnd;
    result.bottomUp = m_bottomUp;
    result.hasAlpha = m_keepAlpha;
    return result;
}

} // namespace dib

DibPicture decodeDib(QByteArrayView dib, const DibOptions &options)
{
    return dib::Decoder(dib, options).decode();
}

} // namespace korvane
