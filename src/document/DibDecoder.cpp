#include "document/DibDecoder.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace korvane {

namespace {

enum class Compression { Rgb, Rle8, Rle4, BitFields, Jpeg, Png, Rle24, Huffman1D };

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

// Modified Huffman (fax group 3, one-dimensional) codes, written most
// significant bit first, as OS/2 Huffman 1D bitmaps use them.

// Runs of 0..63 white pixels.
const char *const kWhiteTerminating[] = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100", "00111",
    "01000", "001000", "000011", "110100", "110101", "101010", "101011", "0100111", "0001100",
    "0001000", "0010111", "0000011", "0000100", "0101000", "0101011", "0010011", "0100100",
    "0011000", "00000010", "00000011", "00011010", "00011011", "00010010", "00010011", "00010100",
    "00010101", "00010110", "00010111", "00101000", "00101001", "00101010", "00101011", "00101100",
    "00101101", "00000100", "00000101", "00001010", "00001011", "01010010", "01010011", "01010100",
    "01010101", "00100100", "00100101", "01011000", "01011001", "01011010", "01011011", "01001010",
    "01001011", "00110010", "00110011", "00110100",
};
// Runs of 64, 128, ... 1728 white pixels, continued by a terminating code.
const char *const kWhiteMakeUp[] = {
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101",
    "01101000", "01100111", "011001100", "011001101", "011010010", "011010011", "011010100",
    "011010101", "011010110", "011010111", "011011000", "011011001", "011011010", "011011011",
    "010011000", "010011001", "010011010", "011000", "010011011",
};
// Runs of 0..63 black pixels.
const char *const kBlackTerminating[] = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100", "0000100",
    "0000101", "0000111", "00000100", "00000111", "000011000", "0000010111", "0000011000",
    "0000001000", "00001100111", "00001101000", "00001101100", "00000110111", "00000101000",
    "00000010111", "00000011000", "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};
// Runs of 64, 128, ... 1728 black pixels.
const char *const kBlackMakeUp[] = {
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011",
    "0000001001100", "0000001001101", "0000001110010", "0000001110011", "0000001110100",
    "0000001110101", "0000001110110", "0000001110111", "0000001010010", "0000001010011",
    "0000001010100", "0000001010101", "0000001011010", "0000001011011", "0000001100100",
    "0000001100101",
};
// Runs of 1792, 1856, ... 2560 pixels of either colour.
const char *const kSharedMakeUp[] = {
    "00000001000", "00000001100", "00000001101", "000000010010", "000000010011", "000000010100",
    "000000010101", "000000010110", "000000010111", "000000011100", "000000011101", "000000011110",
    "000000011111",
};

// A decoding table for one colour: indexed by the next 13 bits of the
// stream, the run length and the number of bits its code takes.
struct HuffmanCode
{
    qint16 run = -1; // -1: not a code
    qint8 bits = 0;
};
constexpr int kHuffmanLookupBits = 13;

std::vector<HuffmanCode> buildHuffmanTable(const char *const *terminating, const char *const *makeUp)
{
    std::vector<HuffmanCode> table(size_t(1) << kHuffmanLookupBits);
    const auto add = [&](const char *code, int run) {
        const int bits = int(std::strlen(code));
        int value = 0;
        for (int i = 0; i < bits; ++i)
            value = value << 1 | (code[i] == '1');
        const int first = value << (kHuffmanLookupBits - bits);
        for (int i = 0; i < 1 << (kHuffmanLookupBits - bits); ++i)
            table[size_t(first + i)] = {qint16(run), qint8(bits)};
    };
    for (int i = 0; i < 64; ++i)
        add(terminating[i], i);
    for (int i = 0; i < 27; ++i)
        add(makeUp[i], 64 * (i + 1));
    for (int i = 0; i < 13; ++i)
        add(kSharedMakeUp[i], 1792 + 64 * i);
    return table;
}

class Decoder
{
public:
    Decoder(QByteArrayView dib, const DibOptions &options)
        : m_data(reinterpret_cast<const uchar *>(dib.data())), m_size(dib.size()), m_options(options)
    {
    }

    DibPicture decode();

private:
    [[noreturn]] void fail(const char *reason) const
    {
        throw KorvaneError(m_options.invalidMessage + QStringLiteral("（%1）").arg(QString::fromUtf8(reason)));
    }

    quint16 u16(qsizetype at) const { return quint16(m_data[at] | m_data[at + 1] << 8); }
    quint32 u32(qsizetype at) const
    {
        return quint32(m_data[at]) | quint32(m_data[at + 1]) << 8 | quint32(m_data[at + 2]) << 16
               | quint32(m_data[at + 3]) << 24;
    }

    void readHeader();
    void readMasks();
    void readPalette();
    void checkIndex(int index) const
    {
        if (index >= m_palette.size())
            fail("パレットにない色が使われています");
    }
    // The scan line of the picture that holds the n-th stored row.
    int lineOfRow(qint64 row) const { return int(m_bottomUp ? m_height - 1 - row : row); }

    QImage::Format outputFormat() const;
    void decodeUncompressed(QImage &image);
    void decodeRle(QImage &image);
    void decodeHuffman(QImage &image);
    QImage decodeEmbedded(const char *format);
    QRgb maskedColor(quint32 pixel) const;

    const uchar *m_data;
    qsizetype m_size;
    const DibOptions &m_options;

    quint32 m_headerSize = 0;
    bool m_os2 = false;
    qint64 m_width = 0;
    qint64 m_height = 0;
    bool m_bottomUp = true;
    int m_bitCount = 0;
    quint32 m_compressionField = 0;
    Compression m_compression = Compression::Rgb;
    quint32 m_sizeImage = 0;
    quint32 m_colorsUsed = 0;

    // Colour masks, their shifts and their largest values after shifting.
    quint32 m_mask[4] = {};
    int m_shift[4] = {};
    quint64 m_max[4] = {};
    bool m_keepAlpha = false;
    qsizetype m_paletteStart = 0;

    QList<QRgb> m_palette;
    qsizetype m_pixelStart = 0;
    qsizetype m_pixelsEnd = 0;
};

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
    } else if ((m_headerSize >= 16 && m_headerSize <= 64) || m_headerSize == 108 || m_headerSize == 124) {
        if (qsizetype(m_headerSize) > m_size)
            fail("ヘッダーが途中で切れています");
        // 40, 52 and 56 are the Windows info headers; the other sizes up to 64
        // can only be OS/2 2.x headers, whose later fields mean other things.
        m_os2 = m_headerSize <= 64 && m_headerSize != 40 && m_headerSize != 52 && m_headerSize != 56;
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

    const bool compressed = m_compression != Compression::Rgb && m_compression != Compression::BitFields;
    if (m_options.iconEntry && compressed)
        fail("圧縮されたアイコンには対応していません");

    if (m_width <= 0)
        fail("幅が不正です");
    if (m_height < 0) {
        // Top-down order cannot be expressed by RLE end-of-line codes.
        if (m_compression == Compression::Rle4 || m_compression == Compression::Rle8
            || m_compression == Compression::Rle24)
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
    if (m_bitCount <= 8 && m_compression != Compression::Jpeg && m_compression != Compression::Png
        && usable == 0)
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

// Scales a channel of any width to 8 bits, rounding to the nearest value, so
// that the largest value is 255 whatever the number of bits.
static inline int scaleChannel(quint64 value, quint64 max)
{
    return max == 0 ? 0 : int((value * 255 + max / 2) / max);
}

QRgb Decoder::maskedColor(quint32 pixel) const
{
    int c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = scaleChannel((pixel & m_mask[i]) >> m_shift[i], m_max[i]);
    return qRgba(c[0], c[1], c[2], m_keepAlpha ? c[3] : 255);
}

// Linear-light scRGB-like value (signed 2.13 fixed point) to an sRGB byte.
static int linearToSrgb(qint16 fixed)
{
    double v = std::clamp(fixed / 8192.0, 0.0, 1.0);
    v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return int(std::lround(v * 255));
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
            const bool plain = m_mask[0] == 0x00FF0000 && m_mask[1] == 0x0000FF00 && m_mask[2] == 0x000000FF
                               && (m_mask[3] == 0 || m_mask[3] == 0xFF000000);
            for (int x = 0; x < w; ++x) {
                const uchar *p = src + 4 * x;
                if (plain)
                    out[x] = qRgba(p[2], p[1], p[0], m_keepAlpha ? p[3] : 255);
                else
                    out[x] = maskedColor(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16
                                         | quint32(p[3]) << 24);
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

void Decoder::decodeRle(QImage &image)
{
    const bool rgb = m_compression == Compression::Rle24;
    image.fill(rgb ? 0xFF000000u : 0u);
    const qint64 w = m_width, h = m_height;
    const qsizetype end = m_size;
    qsizetype p = m_pixelStart;
    qint64 x = 0, y = 0;

    auto need = [&](qsizetype bytes) {
        if (bytes > end - p)
            fail("RLE データが途中で切れています");
    };
    auto put = [&](qint64 px, int index) {
        checkIndex(index);
        image.scanLine(lineOfRow(y))[px] = uchar(index);
    };
    auto putRgb = [&](qint64 px, const uchar *bgr) {
        reinterpret_cast<QRgb *>(image.scanLine(lineOfRow(y)))[px] = qRgb(bgr[2], bgr[1], bgr[0]);
    };

    while (y < h) {
        need(2);
        const int count = m_data[p];
        if (count > 0) {
            // A run of one value (RLE4: two alternating values).
            if (x + count > w)
                fail("RLE データが行の端を越えています");
            if (rgb) {
                need(4);
                for (int i = 0; i < count; ++i)
                    putRgb(x + i, m_data + p + 1);
                p += 4;
            } else {
                const int value = m_data[p + 1];
                for (int i = 0; i < count; ++i) {
                    if (m_compression == Compression::Rle8)
                        put(x + i, value);
                    else
                        put(x + i, i % 2 ? value & 0x0F : value >> 4);
                }
                p += 2;
            }
            x += count;
            continue;
        }
        const int code = m_data[p + 1];
        p += 2;
        if (code == 0) { // end of line
            x = 0;
            ++y;
        } else if (code == 1) { // end of bitmap: the rest stays index 0
            break;
        } else if (code == 2) { // jump right and up
            need(2);
            x += m_data[p];
            y += m_data[p + 1];
            p += 2;
            if (x > w || y > h || (y == h && x > 0))
                fail("RLE データが画像の外を指しています");
        } else { // literal pixels, padded to an even number of bytes
            const qsizetype bytes = rgb ? 3 * code : m_compression == Compression::Rle8 ? code : (code + 1) / 2;
            need(bytes);
            if (x + code > w)
                fail("RLE データが行の端を越えています");
            for (int i = 0; i < code; ++i) {
                if (rgb)
                    putRgb(x + i, m_data + p + 3 * i);
                else if (m_compression == Compression::Rle8)
                    put(x + i, m_data[p + i]);
                else
                    put(x + i, i % 2 ? m_data[p + i / 2] & 0x0F : m_data[p + i / 2] >> 4);
            }
            x += code;
            p += (bytes + 1) & ~qsizetype(1);
            if (p > end)
                p = end; // the final pad byte may be missing
        }
    }
    m_pixelsEnd = p;
}

// OS/2 Huffman 1D: each row is a series of runs, white (palette index 0)
// and black (index 1) by turns, starting with white; a row may be preceded by
// an end-of-line code (eleven or more 0 bits, then a 1).
void Decoder::decodeHuffman(QImage &image)
{
    static const std::vector<HuffmanCode> white = buildHuffmanTable(kWhiteTerminating, kWhiteMakeUp);
    static const std::vector<HuffmanCode> black = buildHuffmanTable(kBlackTerminating, kBlackMakeUp);

    const qint64 endBit = qint64(m_size - m_pixelStart) * 8;
    const auto bitAt = [&](qint64 b) {
        return b < endBit ? (m_data[m_pixelStart + b / 8] >> (7 - b % 8)) & 1 : 0;
    };
    qint64 bit = 0;
    const auto peek = [&](int count) {
        int value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 1 | bitAt(bit + i);
        return value;
    };
    if (m_palette.size() < 2)
        checkIndex(1);

    const int w = int(m_width);
    for (qint64 row = 0; row < m_height; ++row) {
        // Skip end-of-line codes and the fill bits before them.
        for (;;) {
            qint64 zeros = 0;
            while (bit + zeros < endBit && bitAt(bit + zeros) == 0)
                ++zeros;
            if (zeros < 11 || bit + zeros >= endBit)
                break;
            bit += zeros + 1;
        }
        uchar *line = image.scanLine(lineOfRow(row));
        std::memset(line, 0, size_t(image.bytesPerLine()));
        int x = 0;
        bool isBlack = false;
        while (x < w) {
            qint64 run = 0;
            for (;;) { // make-up codes, then one terminating code
                if (bit >= endBit)
                    fail("Huffman データが途中で切れています");
                const HuffmanCode code = (isBlack ? black : white)[size_t(peek(kHuffmanLookupBits))];
                if (code.run < 0)
                    fail("Huffman データが不正です");
                if (code.bits > endBit - bit)
                    fail("Huffman データが途中で切れています");
                bit += code.bits;
                run += code.run;
                if (code.run < 64)
                    break;
            }
            if (x + run > w)
                fail("Huffman データが行の端を越えています");
            if (isBlack) {
                for (qint64 i = x; i < x + run; ++i)
                    line[i >> 3] |= uchar(0x80 >> (i & 7));
            }
            x += int(run);
            isBlack = !isBlack;
        }
    }
    m_pixelsEnd = m_pixelStart + (bit + 7) / 8;
}

QImage Decoder::decodeEmbedded(const char *format)
{
    qsizetype length = m_size - m_pixelStart;
    if (m_sizeImage != 0 && m_sizeImage < quint64(length))
        length = m_sizeImage;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(m_data + m_pixelStart), length);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        fail(m_compression == Compression::Jpeg ? "埋め込まれた JPEG 画像が不正です" : "埋め込まれた PNG 画像が不正です");
    checkPictureSize(size.width(), size.height());
    QImage image = reader.read();
    if (image.isNull())
        fail(m_compression == Compression::Jpeg ? "埋め込まれた JPEG 画像が不正です" : "埋め込まれた PNG 画像が不正です");
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        throw KorvaneError(QStringLiteral("画像のためのメモリが足りません（%1 × %2 ピクセル）")
                               .arg(size.width())
                               .arg(size.height()));
    m_pixelsEnd = m_pixelStart + length;
    return image;
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
        const bool uncompressed = m_compression == Compression::Rgb || m_compression == Compression::BitFields;
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

} // namespace

DibPicture decodeDib(QByteArrayView dib, const DibOptions &options)
{
    return Decoder(dib, options).decode();
}

} // namespace korvane
