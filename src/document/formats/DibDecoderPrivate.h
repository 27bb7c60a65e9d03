// The DIB decoder's internal state, shared by DibDecoder.cpp and DibCompressed.cpp.
#pragma once

#include "common/KorvaneError.h"
#include "document/formats/DibDecoder.h"

#include <QImage>
#include <QList>
#include <QString>

// Kept out of DibDecoder.h so that readers see only decodeDib().
namespace korvane::dib {

// How the pixels are stored, once the header's compression field has been
// read in the light of the header kind (OS/2 2.x reuses some numbers).
enum class Compression { Rgb, Rle8, Rle4, BitFields, Jpeg, Png, Rle24, Huffman1D };

// Decodes one DIB. Header, masks, palette, the uncompressed path and the
// dispatch live in DibDecoder.cpp; RLE, Huffman 1D and embedded JPEG/PNG in
// DibCompressed.cpp.
class Decoder
{
public:
    Decoder(QByteArrayView dib, const DibOptions &options)
        : m_data(reinterpret_cast<const uchar *>(dib.data())), m_size(dib.size()),
          m_options(options)
    {
    }

    DibPicture decode();

private:
    [[noreturn]] void fail(const char *reason) const
    {
        throw KorvaneError(m_options.invalidMessage +
                           QStringLiteral("（%1）").arg(QString::fromUtf8(reason)));
    }

    quint16 u16(qsizetype at) const { return quint16(m_data[at] | m_data[at + 1] << 8); }
    quint32 u32(qsizetype at) const
    {
        return quint32(m_data[at]) | quint32(m_data[at + 1]) << 8 | quint32(m_data[at + 2]) << 16 |
               quint32(m_data[at + 3]) << 24;
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
    QRgb maskedColor(quint32 pixel) const;
    void decodeUncompressed(QImage &image);

    // The compressed paths, in DibCompressed.cpp.
    void decodeRle(QImage &image);
    void decodeHuffman(QImage &image);
    QImage decodeEmbedded(const char *format);

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

} // namespace korvane::dib
