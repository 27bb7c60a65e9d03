#include "document/formats/PngPixels.h"

#include <cstdlib>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KORVANE_PNG_SSE 1
#endif

namespace korvane::png {

int Header::channels() const
{
    switch (colourType) {
    case Rgb:
        return 3;
    case GreyAlpha:
        return 2;
    case Rgba:
        return 4;
    default:
        return 1;
    }
}

namespace {

enum Filter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

int paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

void unfilterPlain(int filter, uchar *row, const uchar *prev, qsizetype length, int d)
{
    switch (filter) {
    case Sub:
        for (qsizetype i = d; i < length; ++i)
            row[i] = uchar(row[i] + row[i - d]);
        break;
    case Up:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uchar(row[i] + prev[i]);
        break;
    case Average:
        for (qsizetype i = 0; i < d && i < length; ++i)
            row[i] = uchar(row[i] + (prev[i] >> 1));
        for (qsizetype i = d; i < length; ++i)
            row[i] = uchar(row[i] + ((row[i - d] + prev[i]) >> 1));
        break;
    case Paeth:
        for (qsizetype i = 0; i < d && i < length; ++i)
            row[i] = uchar(row[i] + prev[i]);
        for (qsizetype i = d; i < length; ++i)
            row[i] = uchar(row[i] + paethPredictor(row[i - d], prev[i], prev[i - d]));
        break;
    }
}

#ifdef KORVANE_PNG_SSE
// Sub, Average and Paeth depend on the pixel just restored, so 8-bit RGB
// and RGBA rows go one pixel at a time, its samples side by side in 16-bit
// lanes. A pixel is loaded as 4 bytes and stored as `d` (3 or 4): a load
// may take the byte after the row, which the buffers keep.
__m128i loadPixel(const uchar *p)
{
    int v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128());
}

void storePixel(uchar *p, __m128i pixel, int d)
{
    const int v = _mm_cvtsi128_si32(_mm_packus_epi16(pixel, pixel));
    std::memcpy(p, &v, size_t(d));
}

__m128i absolute(__m128i x)
{
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

// One pixel restored from its filtered samples x, the restored pixels to the
// left (a), above (b) and above left (c).
inline __m128i restore(int filter, __m128i x, __m128i a, __m128i b, __m128i c)
{
    __m128i predictor;
    if (filter == Sub) {
        predictor = a;
    } else if (filter == Average) {
        predictor = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
    } else {
        // a, unless b is strictly nearer; then c if strictly nearer than
        // both. Each choice is x ^ ((x ^ y) & mask), which keeps the chain
        // through the restored pixel short.
        const __m128i pbSigned = _mm_sub_epi16(a, c);
        const __m128i paSigned = _mm_sub_epi16(b, c);
        const __m128i pa = absolute(paSigned);
        const __m128i pb = absolute(pbSigned);
        const __m128i pc = absolute(_mm_add_epi16(paSigned, pbSigned));
        const __m128i aOrB =
            _mm_xor_si128(a, _mm_and_si128(_mm_xor_si128(a, b), _mm_cmpgt_epi16(pa, pb)));
        const __m128i nearest = _mm_min_epi16(pa, pb);
        predictor = _mm_xor_si128(
            aOrB, _mm_and_si128(_mm_xor_si128(aOrB, c), _mm_cmpgt_epi16(nearest, pc)));
    }
    return _mm_and_si128(_mm_add_epi16(x, predictor), _mm_set1_epi16(0xFF));
}

void unfilterPixels(int filter, uchar *row, const uchar *prev, qsizetype length, int d)
{
    __m128i a = _mm_setzero_si128(); // the pixel to the left, restored
    __m128i c = _mm_setzero_si128(); // the one above it
    for (qsizetype i = 0; i + d <= length; i += d) {
        const __m128i b = loadPixel(prev + i);
        a = restore(filter, loadPixel(row + i), a, b, c);
        c = b;
        storePixel(row + i, a, d);
    }
}

// Two rows at once, the second one pixel behind the first: each row's chain
// through its left pixel is long, and two independent chains keep the
// processor twice as busy. The second row takes the first's restored pixels
// from registers.
void unfilterPixelPair(int filter1, uchar *row1, const uchar *prev, int filter2, uchar *row2,
                       qsizetype length, int d)
{
    __m128i a1 = _mm_setzero_si128(), c1 = _mm_setzero_si128();
    __m128i a2 = _mm_setzero_si128();
    for (qsizetype i = 0; i + d <= length; i += d) {
        const __m128i b1 = loadPixel(prev + i);
        const __m128i above = restore(filter1, loadPixel(row1 + i), a1, b1, c1);
        a2 = restore(filter2, loadPixel(row2 + i), a2, above, a1);
        storePixel(row1 + i, above, d);
        storePixel(row2 + i, a2, d);
        c1 = b1;
        a1 = above;
    }
}

void unfilterUp(uchar *row, const uchar *prev, qsizetype length)
{
    qsizetype i = 0;
    for (; i + 16 <= length; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i), _mm_add_epi8(x, b));
    }
    for (; i < length; ++i)
        row[i] = uchar(row[i] + prev[i]);
}
#endif

} // namespace

bool unfilterRowPair(int filter1, uchar *row1, const uchar *prev, int filter2, uchar *row2,
                     qsizetype length, int distance)
{
#ifdef KORVANE_PNG_SSE
    const auto chained = [](int f) { return f == Sub || f == Average || f == Paeth; };
    if ((distance == 3 || distance == 4) && length % distance == 0 && chained(filter1) &&
        chained(filter2)) {
        unfilterPixelPair(filter1, row1, prev, filter2, row2, length, distance);
        return true;
    }
#else
    (void)filter1, (void)row1, (void)prev, (void)filter2, (void)row2, (void)length, (void)distance;
#endif
    return false;
}

bool unfilterRow(int filter, uchar *row, const uchar *prev, qsizetype length, int distance)
{
    if (filter > Paeth)
        return false;
    if (filter == None)
        return true;
#ifdef KORVANE_PNG_SSE
    if (filter == Up) {
        unfilterUp(row, prev, length);
        return true;
    }
    if ((distance == 3 || distance == 4) && length % distance == 0) {
        unfilterPixels(filter, row, prev, length, distance);
        return true;
    }
#endif
    unfilterPlain(filter, row, prev, length, distance);
    return true;
}

namespace {

// Colour over white with alpha a, rounded: c a / 255 + 255 (255 - a) / 255.
inline int overWhite(int c, int a)
{
    return (c * a + 255 * (255 - a) + 127) / 255;
}

inline QRgb overWhite(QRgb pixel)
{
    const int a = qAlpha(pixel);
    if (a == 255)
        return pixel;
    return qRgb(overWhite(qRed(pixel), a), overWhite(qGreen(pixel), a), overWhite(qBlue(pixel), a));
}

// A sample of any depth as 8 bits: 16-bit ones rounded (v / 257), lower
// depths stretched so that the largest value is 255.
inline int to8Bits(quint32 v, int depth)
{
    switch (depth) {
    case 16:
        return int((v + 128) / 257);
    case 8:
        return int(v);
    default:
        return int(v * 255 / ((1u << depth) - 1));
    }
}

void rgbToXrgbPlain(const uchar *from, QRgb *to, int count)
{
    for (int x = 0; x < count; ++x, from += 3)
        to[x] = qRgb(from[0], from[1], from[2]);
}

#ifdef KORVANE_PNG_SSE
// Four pixels at a time: one shuffle puts red, green, blue into the 32-bit
// words' order, the alpha byte is then set. Each load takes 16 bytes for the
// 12 it uses, which the row's spare bytes allow.
__attribute__((target("ssse3"))) void rgbToXrgbShuffled(const uchar *from, QRgb *to, int count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x),
                         _mm_or_si128(_mm_shuffle_epi8(four, order), opaque));
    }
    rgbToXrgbPlain(from + 3 * x, to + x, count - x);
}
#endif

void rgbToXrgb(const uchar *from, QRgb *to, int count)
{
#ifdef KORVANE_PNG_SSE
    static const bool shuffle = __builtin_cpu_supports("ssse3");
    if (shuffle) {
        rgbToXrgbShuffled(from, to, count);
        return;
    }
#endif
    rgbToXrgbPlain(from, to, count);
}

// 8-bit RGBA straight into a line, over white or with the alpha kept.
void rgbaToArgb(const uchar *from, QRgb *to, int count, bool onWhite)
{
    for (int x = 0; x < count; ++x, from += 4) {
        const int a = from[3];
        if (a == 255 || !onWhite)
            to[x] = qRgba(from[0], from[1], from[2], a);
        else
            to[x] = qRgb(overWhite(from[0], a), overWhite(from[1], a), overWhite(from[2], a));
    }
}

} // namespace

RowConverter::RowConverter(const Header &header, const Colours &colours, AlphaMode mode)
    : m_header(header), m_colours(colours), m_argb(header.width), m_indices(header.width)
{
    if (mode == AlphaMode::Keep) {
        m_format = QImage::Format_ARGB32;
        return;
    }
    switch (header.colourType) {
    case Grey:
    case GreyAlpha:
        // Grey over white stays grey.
        m_format = QImage::Format_Grayscale8;
        break;
    case Palette:
        // The palette's colours are put over white once, in the colour table.
        m_format = QImage::Format_Indexed8;
        break;
    default:
        m_format = QImage::Format_RGB32;
        break;
    }
}

QList<QRgb> RowConverter::colourTable() const
{
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = overWhite(m_colours.palette[size_t(i)]);
    return table;
}

quint16 RowConverter::sample(const uchar *row, qsizetype index) const
{
    const int depth = m_header.depth;
    if (depth == 16)
        return quint16(row[2 * index] << 8 | row[2 * index + 1]);
    if (depth == 8)
        return row[index];
    const qsizetype bit = index * depth;
    const int shift = 8 - depth - int(bit & 7);
    return quint16((row[bit >> 3] >> shift) & ((1 << depth) - 1));
}

void RowConverter::toIndices(const uchar *row, int count)
{
    for (int x = 0; x < count; ++x)
        m_indices[size_t(x)] = uchar(sample(row, x));
}

void RowConverter::toArgb(const uchar *row, int count)
{
    const int depth = m_header.depth;
    const Colours &c = m_colours;
    QRgb *out = m_argb.data();
    switch (m_header.colourType) {
    case Grey:
        for (int x = 0; x < count; ++x) {
            const quint16 v = sample(row, x);
            const int g = to8Bits(v, depth);
            out[x] = qRgba(g, g, g, c.hasKey && v == c.key[0] ? 0 : 255);
        }
        break;
    case Rgb:
        for (int x = 0; x < count; ++x) {
            const quint16 r = sample(row, 3 * x), g = sample(row, 3 * x + 1),
                          b = sample(row, 3 * x + 2);
            const bool clear = c.hasKey && r == c.key[0] && g == c.key[1] && b == c.key[2];
            out[x] =
                qRgba(to8Bits(r, depth), to8Bits(g, depth), to8Bits(b, depth), clear ? 0 : 255);
        }
        break;
    case Palette:
        for (int x = 0; x < count; ++x)
            out[x] = c.palette[sample(row, x)];
        break;
    case GreyAlpha:
        for (int x = 0; x < count; ++x) {
            const int g = to8Bits(sample(row, 2 * x), depth);
            out[x] = qRgba(g, g, g, to8Bits(sample(row, 2 * x + 1), depth));
        }
        break;
    case Rgba:
        for (int x = 0; x < count; ++x) {
            out[x] = qRgba(
                to8Bits(sample(row, 4 * x), depth), to8Bits(sample(row, 4 * x + 1), depth),
                to8Bits(sample(row, 4 * x + 2), depth), to8Bits(sample(row, 4 * x + 3), depth));
        }
        break;
    }
}

void RowConverter::convert(const uchar *row, QImage &image, int y, int x0, int dx, int count)
{
    uchar *line = image.scanLine(y);
    const bool plain = dx == 1 && m_header.depth == 8;
    // The usual pictures go straight into the line.
    if (plain && m_header.colourType == Rgb && !m_colours.hasKey) {
        rgbToXrgb(row, reinterpret_cast<QRgb *>(line) + x0, count);
        return;
    }
    if (plain && m_header.colourType == Rgba) {
        rgbaToArgb(row, reinterpret_cast<QRgb *>(line) + x0, count,
                   m_format == QImage::Format_RGB32);
        return;
    }
    if (plain && m_format == QImage::Format_Indexed8) {
        std::memcpy(line + x0, row, size_t(count));
        return;
    }
    if (plain && m_format == QImage::Format_Grayscale8 && m_header.colourType == Grey &&
        !m_colours.hasKey) {
        std::memcpy(line + x0, row, size_t(count));
        return;
    }

    if (m_format == QImage::Format_Indexed8) {
        toIndices(row, count);
        for (int i = 0; i < count; ++i)
            line[x0 + i * dx] = m_indices[size_t(i)];
        return;
    }
    toArgb(row, count);
    const QRgb *argb = m_argb.data();
    switch (m_format) {
    case QImage::Format_Grayscale8:
        for (int i = 0; i < count; ++i)
            line[x0 + i * dx] = uchar(qRed(overWhite(argb[i])));
        break;
    case QImage::Format_RGB32: {
        QRgb *out = reinterpret_cast<QRgb *>(line);
        for (int i = 0; i < count; ++i)
            out[x0 + i * dx] = overWhite(argb[i]);
        break;
    }
    default: {
        QRgb *out = reinterpret_cast<QRgb *>(line);
        for (int i = 0; i < count; ++i)
            out[x0 + i * dx] = argb[i];
        break;
    }
    }
}

} // namespace korvane::png
