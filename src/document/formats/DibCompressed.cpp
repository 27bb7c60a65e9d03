// The compressed DIB paths: RLE8, RLE4 and RLE24, OS/2 Huffman 1D and embedded JPEG or PNG.
#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/DibDecoderPrivate.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <vector>

namespace korvane::dib {

namespace {

// Modified Huffman (fax group 3, one-dimensional) codes, written most
// significant bit first, as OS/2 Huffman 1D bitmaps use them.

// Runs of 0..63 white pixels.
const char *const kWhiteTerminating[] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};
// Runs of 64, 128, ... 1728 white pixels, continued by a terminating code.
const char *const kWhiteMakeUp[] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011",
};
// Runs of 0..63 black pixels.
const char *const kBlackTerminating[] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};
// Runs of 64, 128, ... 1728 black pixels.
const char *const kBlackMakeUp[] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",
    "000000110100",  "000000110101",  "0000001101100", "0000001101101", "0000001001010",
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101",
};
// Runs of 1792, 1856, ... 2560 pixels of either colour.
const char *const kSharedMakeUp[] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111",
};

// A decoding table for one colour: indexed by the next 13 bits of the
// stream, the run length and the number of bits its code takes.
struct HuffmanCode
{
    qint16 run = -1; // -1: not a code
    qint8 bits = 0;
};
constexpr int kHuffmanLookupBits = 13;

std::vector<HuffmanCode> buildHuffmanTable(const char *const *terminating,
                                           const char *const *makeUp)
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

} // namespace

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
    // How many of a run's pixels fall inside the row. Some writers (ImageMagick
    // among them) encode each row to its padded byte width, so a run may go a
    // few pixels past the right edge; those pixels are dropped, as other
    // decoders do, rather than the whole file refused. x then stays at the
    // edge, so a later delta to the right still counts as leaving the picture.
    auto inRow = [&](int count) { return int(std::min<qint64>(count, w - x)); };

    while (y < h) {
        need(2);
        const int count = m_data[p];
        if (count > 0) {
            // A run of one value (RLE4: two alternating values).
            const int shown = inRow(count);
            if (rgb) {
                need(4);
                for (int i = 0; i < shown; ++i)
                    putRgb(x + i, m_data + p + 1);
                p += 4;
            } else {
                const int value = m_data[p + 1];
                for (int i = 0; i < shown; ++i) {
                    if (m_compression == Compression::Rle8)
                        put(x + i, value);
                    else
                        put(x + i, i % 2 ? value & 0x0F : value >> 4);
                }
                p += 2;
            }
            x += shown;
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
            const qsizetype bytes = rgb                                  ? 3 * code
                                    : m_compression == Compression::Rle8 ? code
                                                                         : (code + 1) / 2;
            need(bytes);
            const int shown = inRow(code);
            for (int i = 0; i < shown; ++i) {
                if (rgb)
                    putRgb(x + i, m_data + p + 3 * i);
                else if (m_compression == Compression::Rle8)
                    put(x + i, m_data[p + i]);
                else
                    put(x + i, i % 2 ? m_data[p + i / 2] & 0x0F : m_data[p + i / 2] >> 4);
            }
            x += shown;
            p += (bytes + 1) & ~qsizetype(1); // all of the run's bytes, shown or not
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
    static const std::vector<HuffmanCode> white =
        buildHuffmanTable(kWhiteTerminating, kWhiteMakeUp);
    static const std::vector<HuffmanCode> black =
        buildHuffmanTable(kBlackTerminating, kBlackMakeUp);

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
                const HuffmanCode code =
                    (isBlack ? black : white)[size_t(peek(kHuffmanLookupBits))];
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
    const char *const invalid = m_compression == Compression::Jpeg
                                    ? "埋め込まれた JPEG 画像が不正です"
                                    : "埋め込まれた PNG 画像が不正です";
    qsizetype length = m_size - m_pixelStart;
    if (m_sizeImage != 0 && m_sizeImage < quint64(length))
        length = m_sizeImage;
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(m_data + m_pixelStart), length);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        fail(invalid);
    checkPictureSize(size.width(), size.height());
    QImage image = reader.read();
    if (image.isNull())
        fail(invalid);
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        throw KorvaneError(QStringLiteral("画像のためのメモリが足りません（%1 × %2 ピクセル）")
                               .arg(size.width())
                               .arg(size.height()));
    m_pixelsEnd = m_pixelStart + length;
    return image;
}

} // namespace korvane::dib
