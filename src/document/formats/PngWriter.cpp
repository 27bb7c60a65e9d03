#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/PngChunks.h"
#include "document/formats/WriterSupport.h"

#include <QIODevice>
#include <QtEndian>
#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KORVANE_PNG_SSE 1
#endif

namespace korvane {

namespace {

// Level 5 of libdeflate's 12 (lazy matching): on 4K screen shots and
// diagrams its files are within 0.5 % of zlib's default level's in under a
// third of the time; levels 6 and 7 save 0.4 to 1.1 % for 5 to 86 % more
// time, levels 2 to 4 make files 1.5 to 5 % larger.
constexpr int kCompressionLevel = 5;
// Pictures below this many pixels are filtered on one core: a thread costs
// more than it saves.
constexpr qint64 kThreadedPixels = 1 << 18;
constexpr int kPixelBytes = 3; // red, green, blue
constexpr qsizetype kIdatChunkBytes = 1 << 18;

enum Filter { None, Sub, Up, Average, Paeth, FilterCount };

// Rows of samples with 16 zero bytes before them, so that the pixel to the
// left of the first one reads as 0, and spare bytes after them for the wide
// loads and stores.
constexpr qsizetype kLead = 16;

void toRgbRowPlain(const QRgb *from, uchar *to, int width)
{
    for (int x = 0; x < width; ++x, to += 3) {
        to[0] = uchar(qRed(from[x]));
        to[1] = uchar(qGreen(from[x]));
        to[2] = uchar(qBlue(from[x]));
    }
}

#ifdef KORVANE_PNG_SSE
// Four pixels at a time: one byte shuffle drops the unused bytes and puts red
// first. Each store writes 16 bytes for the 12 it means.
__attribute__((target("ssse3"))) void toRgbRowShuffled(const QRgb *from, uchar *to, int width)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 3 * x), _mm_shuffle_epi8(four, order));
    }
    toRgbRowPlain(from + x, to + 3 * x, width - x);
}
#endif

void toRgbRow(const QRgb *from, uchar *to, int width)
{
#ifdef KORVANE_PNG_SSE
    static const bool shuffle = __builtin_cpu_supports("ssse3");
    if (shuffle) {
        toRgbRowShuffled(from, to, width);
        return;
    }
#endif
    toRgbRowPlain(from, to, width);
}

int paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// The five filters' outputs for one row and the sum of their magnitudes
// (each byte taken as signed), the cost the heuristic compares.
struct Candidates
{
    std::vector<uchar> out[FilterCount];
    quint64 cost[FilterCount];

    explicit Candidates(qsizetype rowBytes)
    {
        for (auto &o : out)
            o.assign(size_t(rowBytes + 16), 0);
    }
};

inline int magnitude(uchar v)
{
    return v < 128 ? v : 256 - v;
}

[[maybe_unused]] void filterRowPlain(const uchar *cur, const uchar *prev, qsizetype n,
                                     Candidates &c)
{
    for (auto &cost : c.cost)
        cost = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int x = cur[i], a = cur[i - kPixelBytes], b = prev[i], cc = prev[i - kPixelBytes];
        const uchar r[FilterCount] = {uchar(x), uchar(x - a), uchar(x - b),
                                      uchar(x - ((a + b) >> 1)),
                                      uchar(x - paethPredictor(a, b, cc))};
        for (int f = 0; f < FilterCount; ++f) {
            c.out[f][size_t(i)] = r[f];
            c.cost[f] += quint64(magnitude(r[f]));
        }
    }
}

#ifdef KORVANE_PNG_SSE
// The Paeth predictor of eight samples in 16-bit lanes.
__m128i paeth16(__m128i a, __m128i b, __m128i c)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i paSigned = _mm_sub_epi16(b, c);
    const __m128i pbSigned = _mm_sub_epi16(a, c);
    const __m128i pcSigned = _mm_add_epi16(paSigned, pbSigned);
    const __m128i pa = _mm_max_epi16(paSigned, _mm_sub_epi16(zero, paSigned));
    const __m128i pb = _mm_max_epi16(pbSigned, _mm_sub_epi16(zero, pbSigned));
    const __m128i pc = _mm_max_epi16(pcSigned, _mm_sub_epi16(zero, pcSigned));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i useA = _mm_cmpeq_epi16(pa, smallest);
    const __m128i useB = _mm_andnot_si128(useA, _mm_cmpeq_epi16(pb, smallest));
    const __m128i useC = _mm_andnot_si128(_mm_or_si128(useA, useB), _mm_set1_epi16(-1));
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(useA, a), _mm_and_si128(useB, b)),
                        _mm_and_si128(useC, c));
}

__m128i load(const uchar *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// Sums of magnitudes in the two 64-bit halves: |v| as a signed byte is the
// smaller of v and -v as unsigned ones.
__m128i magnitudes(__m128i r)
{
    const __m128i zero = _mm_setzero_si128();
    return _mm_sad_epu8(_mm_min_epu8(r, _mm_sub_epi8(zero, r)), zero);
}

// Sixteen samples at a time; all inputs are the picture's own samples, so
// nothing waits on the previous result. The last block's bytes past the row
// are masked out of the costs.
void filterRowWide(const uchar *cur, const uchar *prev, qsizetype n, Candidates &c)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i sums[FilterCount];
    for (auto &s : sums)
        s = zero;
    uchar *out[FilterCount];
    for (int f = 0; f < FilterCount; ++f)
        out[f] = c.out[f].data();
    for (qsizetype i = 0; i < n; i += 16) {
        const __m128i x = load(cur + i), a = load(cur + i - kPixelBytes);
        const __m128i b = load(prev + i), cc = load(prev + i - kPixelBytes);
        // floor((a + b) / 2): the rounded-up average less the lost bit.
        const __m128i average =
            _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
        const __m128i paeth =
            _mm_packus_epi16(paeth16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero),
                                     _mm_unpacklo_epi8(cc, zero)),
                             paeth16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero),
                                     _mm_unpackhi_epi8(cc, zero)));
        __m128i r[FilterCount] = {x, _mm_sub_epi8(x, a), _mm_sub_epi8(x, b),
                                  _mm_sub_epi8(x, average), _mm_sub_epi8(x, paeth)};
        __m128i keep = _mm_set1_epi8(-1);
        if (n - i < 16) {
            alignas(16) uchar mask[16] = {};
            std::memset(mask, 0xFF, size_t(n - i));
            keep = _mm_load_si128(reinterpret_cast<const __m128i *>(mask));
        }
        for (int f = 0; f < FilterCount; ++f) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out[f] + i), r[f]);
            sums[f] = _mm_add_epi64(sums[f], magnitudes(_mm_and_si128(r[f], keep)));
        }
    }
    for (int f = 0; f < FilterCount; ++f)
        c.cost[f] = quint64(_mm_cvtsi128_si64(sums[f])) +
                    quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums[f], sums[f])));
}
#endif

// Filters rows [first, last) of `rgb` into `out` (each row its filter byte
// and samples), choosing per row the filter of the smallest cost; the first
// listed wins a tie.
class RowFilter
{
public:
    RowFilter(const QImage &rgb, uchar *out)
        : m_rgb(rgb), m_out(out), m_rowBytes(qsizetype(rgb.width()) * kPixelBytes),
          m_rows{std::vector<uchar>(size_t(kLead + m_rowBytes + 16), 0),
                 std::vector<uchar>(size_t(kLead + m_rowBytes + 16), 0)},
          m_candidates(m_rowBytes)
    {
    }

    void run(int first, int last)
    {
        uchar *prev = m_rows[0].data() + kLead;
        uchar *cur = m_rows[1].data() + kLead;
        if (first > 0)
            toRgb(first - 1, prev);
        for (int y = first; y < last; ++y) {
            toRgb(y, cur);
            filter(cur, prev);
            uchar *line = m_out + qsizetype(y) * (1 + m_rowBytes);
            const int best = cheapest();
            line[0] = uchar(best);
            std::memcpy(line + 1, m_candidates.out[best].data(), size_t(m_rowBytes));
            std::swap(cur, prev);
        }
    }

private:
    void toRgb(int y, uchar *row)
    {
        toRgbRow(reinterpret_cast<const QRgb *>(m_rgb.constScanLine(y)), row, m_rgb.width());
    }

    void filter(const uchar *cur, const uchar *prev)
    {
#ifdef KORVANE_PNG_SSE
        filterRowWide(cur, prev, m_rowBytes, m_candidates);
#else
        filterRowPlain(cur, prev, m_rowBytes, m_candidates);
#endif
    }

    int cheapest() const
    {
        int best = None;
        for (int f = Sub; f < FilterCount; ++f) {
            if (m_candidates.cost[f] < m_candidates.cost[best])
                best = f;
        }
        return best;
    }

    const QImage &m_rgb;
    uchar *m_out;
    qsizetype m_rowBytes;
    std::vector<uchar> m_rows[2];
    Candidates m_candidates;
};

using Buffer = std::unique_ptr<uchar[]>;

Buffer allocate(qint64 bytes, const QImage &picture)
{
    Buffer buffer(new (std::nothrow) uchar[size_t(bytes)]);
    if (!buffer)
        checkAllocated(QImage(), picture.width(), picture.height());
    return buffer;
}

// The filtered rows of the whole picture, the two halves at once.
Buffer filterRows(const QImage &rgb, qint64 bytes)
{
    Buffer filtered = allocate(bytes, rgb);
    const int height = rgb.height();
    RowFilter top(rgb, filtered.get());
    if (qint64(rgb.width()) * height < kThreadedPixels) {
        top.run(0, height);
        return filtered;
    }
    RowFilter bottom(rgb, filtered.get());
    std::thread other;
    try {
        other = std::thread([&] { bottom.run(height / 2, height); });
    } catch (const std::system_error &) {
        bottom.run(height / 2, height); // no thread to be had: one core does both halves
    }
    top.run(0, height / 2);
    if (other.joinable())
        other.join();
    return filtered;
}

void writeChunk(QIODevice &out, quint32 type, QByteArrayView data)
{
    uchar head[8];
    qToBigEndian<quint32>(quint32(data.size()), head);
    qToBigEndian<quint32>(type, head + 4);
    uchar crc[4];
    qToBigEndian<quint32>(png::chunkCrc(type, data), crc);
    writeAll(out, reinterpret_cast<const char *>(head), 8);
    writeAll(out, data.data(), data.size());
    writeAll(out, reinterpret_cast<const char *>(crc), 4);
}

void checkExtraChunks(const QList<PngChunk> &extra)
{
    for (const PngChunk &chunk : extra) {
        if (!png::isValidType(chunk.type) ||
            png::isCritical(qFromBigEndian<quint32>(chunk.type.constData())) ||
            chunk.data.size() > qsizetype(png::kMaxChunkLength))
            throw KorvaneError(QStringLiteral("PNG ファイルに入れられないチャンクです（%1）")
                                   .arg(QString::fromLatin1(chunk.type)));
    }
}

} // namespace

void writePng(const QImage &picture, QIODevice &out, const QList<PngChunk> &extra)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        throw KorvaneError(QStringLiteral("大きさが 0 の画像は PNG ファイルにできません"));
    checkExtraChunks(extra);
    const QImage rgb = asRgb32(picture);
    const qint64 filteredBytes = qint64(rgb.height()) * (1 + qint64(rgb.width()) * kPixelBytes);
    const Buffer filtered = filterRows(rgb, filteredBytes);

    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> deflater(
        libdeflate_alloc_compressor(kCompressionLevel), &libdeflate_free_compressor);
    if (!deflater)
        checkAllocated(QImage(), rgb.width(), rgb.height());
    const size_t bound = libdeflate_zlib_compress_bound(deflater.get(), size_t(filteredBytes));
    const Buffer compressed = allocate(qint64(bound), rgb);
    const size_t compressedBytes = libdeflate_zlib_compress(
        deflater.get(), filtered.get(), size_t(filteredBytes), compressed.get(), bound);

    uchar header[13] = {};
    qToBigEndian<quint32>(quint32(rgb.width()), header);
    qToBigEndian<quint32>(quint32(rgb.height()), header + 4);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB; compression, filter method and interlacing 0
    writeAll(out, png::kSignature.data(), png::kSignature.size());
    writeChunk(out, png::kIHDR, QByteArrayView(header, 13));
    for (size_t at = 0; at < compressedBytes; at += size_t(kIdatChunkBytes)) {
        const size_t size = qMin(compressedBytes - at, size_t(kIdatChunkBytes));
        writeChunk(out, png::kIDAT, QByteArrayView(compressed.get() + at, qsizetype(size)));
    }
    startWriteback(out);
    for (const PngChunk &chunk : extra)
        writeChunk(out, qFromBigEndian<quint32>(chunk.type.constData()), chunk.data);
    writeChunk(out, png::kIEND, {});
}

} // namespace korvane
