#include "transform/PictureTransforms.h"

#include "common/PictureLimits.h"

#include <QTransform>
#include <algorithm>
#include <cstring>
#include <vector>

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

// Qt's own rotations and mirrorings move the pixels' bytes without
// converting them and keep the format and colour table, for every depth;
// only its quarter turns of 1-bit pictures are slow, hence the path above.
QImage rearranged(const QImage &source, int kind)
{
    const bool mono = source.format() == QImage::Format_Mono;
    switch (kind) {
    case tkRotate90:
        return mono ? quarterTurnMono(source, true) : source.transformed(QTransform().rotate(90));
    case tkRotate270:
        return mono ? quarterTurnMono(source, false) : source.transformed(QTransform().rotate(270));
    case tkRotate180:
        return source.mirrored(true, true);
    case tkMirrorLR:
        return source.mirrored(true, false);
    case tkMirrorTB:
        return source.mirrored(false, true);
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

} // namespace korvane
