#pragma once

// The pixel layer of the PNG reader: undoing the row filters and turning the
// rows of any colour type and bit depth into the picture's format.

#include <QImage>

#include <array>
#include <vector>

namespace korvane::png {

enum ColourType { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

struct Header
{
    quint32 width = 0;
    quint32 height = 0;
    int depth = 0; // bits per sample
    int colourType = 0;
    bool interlaced = false;

    int channels() const;
    int bitsPerPixel() const { return depth * channels(); }
    // The distance the filters look back: a whole pixel, at least one byte.
    int filterDistance() const { return qMax(1, bitsPerPixel() / 8); }
    qsizetype rowBytes(quint32 pixels) const
    {
        return (qsizetype(pixels) * bitsPerPixel() + 7) / 8;
    }
};

// What the chunks besides the pixels say about colours: the palette (with
// the alpha of tRNS, opaque black past its end) and the one transparent
// grey or RGB value of tRNS, in samples at the file's depth.
struct Colours
{
    std::array<QRgb, 256> palette{};
    bool hasKey = false;
    quint16 key[3] = {};
};

// On white: transparent pixels are composited over white, as an icon is
// shown, and the picture kept as compact as that allows. Keep: the alpha
// stays, Format_ARGB32.
enum class AlphaMode { OnWhite, Keep };

// Reverses one row's filter in place; `prev` is the row above, already
// unfiltered (zeros above a pass's first row). Both may be read up to 16
// bytes past `length`. False for an unknown filter type.
bool unfilterRow(int filter, uchar *row, const uchar *prev, qsizetype length, int distance);

// Reverses the filters of two consecutive rows at once where that is
// faster (8-bit RGB and RGBA rows whose filters look left); false, with
// nothing done, where it is not.
bool unfilterRowPair(int filter1, uchar *row1, const uchar *prev, int filter2, uchar *row2,
                     qsizetype length, int distance);

// Turns unfiltered rows into the picture's pixels.
class RowConverter
{
public:
    RowConverter(const Header &header, const Colours &colours, AlphaMode mode);

    QImage::Format format() const { return m_format; }
    // The colour table of an Indexed8 picture.
    QList<QRgb> colourTable() const;

    // Stores the `count` pixels of `row` into line `y` of `image` at
    // x0, x0 + dx, x0 + 2 dx, ... (dx > 1 in an interlaced pass). `row` may
    // be read up to 16 bytes past its end.
    void convert(const uchar *row, QImage &image, int y, int x0, int dx, int count);

private:
    void toArgb(const uchar *row, int count);
    void toIndices(const uchar *row, int count);
    quint16 sample(const uchar *row, qsizetype index) const;

    Header m_header;
    Colours m_colours;
    QImage::Format m_format;
    std::vector<QRgb> m_argb;
    std::vector<uchar> m_indices;
};

} // namespace korvane::png
