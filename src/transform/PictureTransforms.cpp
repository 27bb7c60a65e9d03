#include "transform/PictureTransforms.h"

#include "common/PictureLimits.h"

#include <QTransform>
#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

// The 8 × 8 bit matrix whose rows are the bytes of x (row 0 in the high byte,
// column 0 in each byte's high bit), transposed.
quint64 transpose8x8(quint64 x)
{
    quint64 t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x ^= t ^ (t << 28);
    return x;
}

// A quarter turn of a 1-bit picture, keeping it 1-bit. Qt turns such a
// picture one pixel at a time (half a second for 8K); here eight source rows
// by eight columns are transposed as one 64-bit word, so each result byte is
// written once. Result column c × 8 + k comes from the source row that the
// turn puts there; the bits past the picture's last row stay zero padding.
QImage quarterTurnMono(const QImage &source, bool clockwise)
{
    const int w = source.width();
    const int h = source.height();
    QImage result = allocatePicture(h, w, QImage::Format_Mono);
    result.setColorTable(source.colorTable());
    const int sourceBytes = (w + 7) / 8;
    const qsizetype resultStride = result.bytesPerLine();
    uchar *const resultBits = result.bits();
    const std::vector<uchar> blank(size_t(sourceBytes), 0);
    for (int c = 0; c < (h + 7) / 8; ++c) {
        const uchar *rows[8];
        for (int k = 0; k < 8; ++k) {
            const int column = c * 8 + k;
            rows[k] = column >= h ? blank.data()
                                  : source.constScanLine(clockwise ? h - 1 - column : column);
        }
        for (int b = 0; b < sourceBytes; ++b) {
            quint64 block = 0;
            for (int k = 0; k < 8; ++k)
                block = block << 8 | rows[k][b];
            block = transpose8x8(block);
            for (int j = 0, x = b * 8; j < 8 && x < w; ++j, ++x) {
                const int row = clockwise ? x : w - 1 - x;
                resultBits[row * resultStride + c] = uchar(block >> (56 - 8 * j));
            }
        }
    }
    return result;
}

// A 32-bit pixel as it lies in memory. The turns and mirrorings below only
// move such values, so they serve every 32-bit format alike.
using Pixel = quint32;

// How much of a fresh result populateRows takes at a time: a few hundred
// kilobytes, well within the second-level cache.
constexpr qsizetype kPopulateBytes = 256 * 1024;

// Makes the pages under rows [first, last) of a fresh picture present in one
// call, just before they are written. Faulting them in one at a time, as the
// first write to each would, costs more than the pass over the pixels at 8K;
// taking them a little at a time keeps the pages that the system has just
// cleared in the cache for the writes that follow. The contents do not
// change. Where the system does not know the call, the writes fault the
// pages in as before.
void populateRows(QImage &picture, int first, int last)
{
#ifdef MADV_POPULATE_WRITE
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const auto bits = reinterpret_cast<uintptr_t>(picture.constBits());
    const auto stride = uintptr_t(picture.bytesPerLine());
    const uintptr_t begin = (bits + uintptr_t(first) * stride) & ~(page - 1);
    const uintptr_t end = bits + uintptr_t(last) * stride;
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(picture);
    Q_UNUSED(first);
    Q_UNUSED(last);
#endif
}

// Four source rows of four pixels, `from` the first and each next one
// `fromStep` pixels on, transposed: result row j, at to + j × toStep, holds
// pixel j of each source row in their order.
inline void transposeBlock(const Pixel *from, qsizetype fromStep, Pixel *to, qsizetype toStep)
{
#ifdef __SSE2__
    const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + fromStep));
    const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 2 * fromStep));
    const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 3 * fromStep));
    const __m128i low01 = _mm_unpacklo_epi32(r0, r1);  // r0[0] r1[0] r0[1] r1[1]
    const __m128i low23 = _mm_unpacklo_epi32(r2, r3);  // r2[0] r3[0] r2[1] r3[1]
    const __m128i high01 = _mm_unpackhi_epi32(r0, r1); // r0[2] r1[2] r0[3] r1[3]
    const __m128i high23 = _mm_unpackhi_epi32(r2, r3);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to), _mm_unpacklo_epi64(low01, low23));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + toStep), _mm_unpackhi_epi64(low01, low23));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 2 * toStep),
                     _mm_unpacklo_epi64(high01, high23));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 3 * toStep),
                     _mm_unpackhi_epi64(high01, high23));
#else
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            to[j * toStep + i] = from[i * fromStep + j];
#endif
}

// A quarter turn of a 32-bit picture. Qt's own turn takes a third longer or
// more than a copy into fresh memory at 8K. Here the source is walked in
// strips of kStrip columns, which become kStrip result rows filled side by
// side, four source rows at a time, each 4 × 4 block transposed in
// registers: a strip's result rows stay in the cache while they fill, and
// the source is read down the strip once.
QImage quarterTurn32(const QImage &source, bool clockwise)
{
    constexpr int kStrip = 16;
    const int w = source.width();
    const int h = source.height();
    QImage result = allocatePicture(h, w, source.format());
    const qsizetype in = source.bytesPerLine() / qsizetype(sizeof(Pixel));
    const qsizetype out = result.bytesPerLine() / qsizetype(sizeof(Pixel));
    const auto *const from = reinterpret_cast<const Pixel *>(source.constBits());
    auto *const to = reinterpret_cast<Pixel *>(result.bits());
    // Where source pixel (x, y) goes: clockwise to row x, column h - 1 - y;
    // anticlockwise to row w - 1 - x, column y.
    const auto target = [&](int x, int y) {
        return clockwise ? to + x * out + (h - 1 - y) : to + (w - 1 - x) * out + y;
    };
    // A block's source rows are taken bottom up for a clockwise turn, so that
    // each result row runs left to right; anticlockwise, the result rows of a
    // block run upwards.
    const int fullWidth = w & ~3;
    const int fullHeight = h & ~3;
    for (int strip = 0; strip < fullWidth; strip += kStrip) {
        const int stripEnd = std::min(strip + kStrip, fullWidth);
        if (clockwise)
            populateRows(result, strip, stripEnd);
        else
            populateRows(result, w - stripEnd, w - strip);
        for (int y = 0; y < fullHeight; y += 4) {
            for (int x = strip; x < stripEnd; x += 4) {
                if (clockwise)
                    transposeBlock(from + (y + 3) * in + x, -in, target(x, y + 3), out);
                else
                    transposeBlock(from + y * in + x, in, target(x, y), -out);
            }
        }
    }
    // The last columns and rows that do not fill a block.
    for (int y = 0; y < h; ++y) {
        const Pixel *row = from + y * in;
        for (int x = y < fullHeight ? fullWidth : 0; x < w; ++x)
            *target(x, y) = row[x];
    }
    return result;
}

// Row `from` of `width` pixels written backwards into `to`.
void reverseRow(const Pixel *from, int width, Pixel *to)
{
    int x = 0;
#ifdef __SSE2__
    for (; x + 4 <= width; x += 4) {
        const __m128i four =
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + width - 4 - x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x), _mm_shuffle_epi32(four, 0x1B));
    }
#endif
    for (; x < width; ++x)
        to[x] = from[width - 1 - x];
}

// The half turn and the mirrorings of a 32-bit picture: each result row is
// one source row, copied as it is or backwards, so one pass in row order.
QImage mirrored32(const QImage &source, bool leftRight, bool topBottom)
{
    const int w = source.width();
    const int h = source.height();
    QImage result = allocatePicture(w, h, source.format());
    const int chunk = std::max(1, int(kPopulateBytes / result.bytesPerLine()));
    for (int y = 0; y < h; ++y) {
        if (y % chunk == 0)
            populateRows(result, y, std::min(y + chunk, h));
        const auto *from =
            reinterpret_cast<const Pixel *>(source.constScanLine(topBottom ? h - 1 - y : y));
        auto *to = reinterpret_cast<Pixel *>(result.scanLine(y));
        if (leftRight)
            reverseRow(from, w, to);
        else
            std::memcpy(to, from, size_t(w) * sizeof(Pixel));
    }
    return result;
}

// Qt's own rotations and mirrorings move the pixels' bytes without
// converting them and keep the format and colour table, for every depth;
// 32-bit pictures, every screen shot, and the quarter turns of 1-bit ones
// take the faster paths above.
QImage rearranged(const QImage &source, int kind)
{
    const bool mono = source.format() == QImage::Format_Mono;
    const bool wide = source.depth() == 32;
    switch (kind) {
    case tkRotate90:
        return wide   ? quarterTurn32(source, true)
               : mono ? quarterTurnMono(source, true)
                      : source.transformed(QTransform().rotate(90));
    case tkRotate270:
        return wide   ? quarterTurn32(source, false)
               : mono ? quarterTurnMono(source, false)
                      : source.transformed(QTransform().rotate(270));
    case tkRotate180:
        return wide ? mirrored32(source, true, true) : source.mirrored(true, true);
    case tkMirrorLR:
        return wide ? mirrored32(source, true, false) : source.mirrored(true, false);
    case tkMirrorTB:
        return wide ? mirrored32(source, false, true) : source.mirrored(false, true);
    default:
        return source;
    }
}

// The source pixels [first, last) of one axis that fall on one result pixel.
struct Span
{
    int first;
    int last;
};

std::vector<Span> axisSpans(int sourceLength, int resultLength)
{
    const qint64 s = sourceLength;
    const qint64 d = resultLength;
    std::vector<Span> spans(static_cast<size_t>(resultLength));
    for (qint64 i = 0; i < d; ++i) {
        if (d >= s) {
            const int from = int(i * s / d);
            spans[size_t(i)] = {from, from + 1};
        } else { // ceil(i * s / d): the first source pixel with j * d / s == i
            spans[size_t(i)] = {int((i * s + d - 1) / d), int(((i + 1) * s + d - 1) / d)};
        }
    }
    return spans;
}

// The rows of the source as 0xAARRGGBB values, the colour values that the
// picture shows. Pictures of other formats are converted one row at a time,
// so a large picture is never held twice. A row stays valid until the next.
class SourceRows
{
public:
    explicit SourceRows(const QImage &source)
        : m_source(source), m_direct(source.format() == QImage::Format_RGB32 ||
                                     source.format() == QImage::Format_ARGB32)
    {
    }

    const quint32 *row(int y)
    {
        if (m_direct)
            return reinterpret_cast<const quint32 *>(m_source.constScanLine(y));
        QImage line(m_source.constScanLine(y), m_source.width(), 1, m_source.bytesPerLine(),
                    m_source.format());
        line.setColorTable(m_source.colorTable());
        m_line = line.convertToFormat(QImage::Format_ARGB32);
        checkAllocated(m_line, m_source.width(), 1);
        return reinterpret_cast<const quint32 *>(m_line.constBits());
    }

private:
    const QImage &m_source;
    const bool m_direct;
    QImage m_line;
};

// One result row from one source row (already the AND of the source rows
// that fall on it), alpha made opaque since the result has none.
void stretchRow(const quint32 *in, const std::vector<Span> &columns, quint32 *out)
{
    const size_t n = columns.size();
    for (size_t x = 0; x < n; ++x) {
        const Span span = columns[x];
        quint32 value = in[span.first];
        for (int s = span.first + 1; s < span.last; ++s)
            value &= in[s];
        out[x] = value | 0xFF000000u;
    }
}

} // namespace

QImage TransformPicture(const QImage &source, int kind)
{
    if (source.isNull())
        return {};
    QImage result = rearranged(source, kind);
    const bool turned = kind == tkRotate90 || kind == tkRotate270;
    checkAllocated(result, turned ? source.height() : source.width(),
                   turned ? source.width() : source.height());
    return result;
}

QImage StretchPicture(const QImage &source, int newWidth, int newHeight)
{
    if (source.isNull() || newWidth <= 0 || newHeight <= 0)
        return {};
    QImage result = allocatePicture(newWidth, newHeight, QImage::Format_RGB32);
    const std::vector<Span> columns = axisSpans(source.width(), newWidth);
    const std::vector<Span> rows = axisSpans(source.height(), newHeight);
    SourceRows sourceRows(source);
    std::vector<quint32> combined(size_t(source.width()));
    const size_t rowBytes = size_t(newWidth) * sizeof(quint32);
    for (int y = 0; y < newHeight; ++y) {
        auto *out = reinterpret_cast<quint32 *>(result.scanLine(y));
        const Span span = rows[size_t(y)];
        if (y > 0 && span.first == rows[size_t(y) - 1].first) { // a repeated row
            std::memcpy(out, result.constScanLine(y - 1), rowBytes);
            continue;
        }
        const quint32 *in = sourceRows.row(span.first);
        if (span.last - span.first > 1) {
            std::copy(in, in + combined.size(), combined.begin());
            for (int s = span.first + 1; s < span.last; ++s) {
                const quint32 *next = sourceRows.row(s);
                for (size_t x = 0; x < combined.size(); ++x)
                    combined[x] &= next[x];
            }
            in = combined.data();
        }
        stretchRow(in, columns, out);
    }
    return result;
}

QImage CropPicture(const QImage &source, const QRect &rect)
{
    const QRect kept = rect & source.rect();
    if (kept.isEmpty())
        return QImage();
    QImage cropped = source.copy(kept);
    checkAllocated(cropped, kept.width(), kept.height());
    return cropped;
}

} // namespace korvane
