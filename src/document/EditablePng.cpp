#include "document/EditablePng.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngChunks.h"
#include "document/formats/PngReader.h"
#include "document/formats/WriterSupport.h"
#include "editor/EditorDocument.h"

#include <QFontDatabase>
#include <QPainter>
#include <QtEndian>
#include <libdeflate.h>

#include <bit>
#include <system_error>
#include <thread>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace korvane {

namespace {

// The stored form, version 1 (docs/editable-png.md). Every record is a kind,
// a length and its data; a reader skips what it does not know of a record's
// tail (fields added later), and a kind it does not know stops the restore
// unless the kind says it may be skipped.
constexpr char kMagic[4] = {'K', 'v', 'D', 'c'};
constexpr quint16 kVersion = 1;
enum RecordKind : quint16 {
    Picture = 1,
    Line = 2,
    Text = 3,
    Selection = 4,
    Frame = 5,
    Highlight = 6,
    Number = 7,
    Redaction = 8,
};

// The selection's field of each kind that can be selected.
struct SelectionField
{
    RecordKind kind;
    int EditableDocument::*index;
};
constexpr SelectionField kSelectionFields[] = {
    {Line, &EditableDocument::selectedLine},
    {Text, &EditableDocument::selectedText},
    {Frame, &EditableDocument::selectedFrame},
    {Highlight, &EditableDocument::selectedHighlight},
    {Number, &EditableDocument::selectedNumber},
    {Redaction, &EditableDocument::selectedRedaction},
};
constexpr quint16 kSkippable = 0x8000;

constexpr int kTileSide = 16;
constexpr int kPixelBytes = 3;
// No document holds this many annotations, nor texts this large; a file
// that says it does is not one of ours (and composing it to check it would
// take minutes).
constexpr qsizetype kMaxAnnotations = 10000;
constexpr int kMaxFontPixels = 2000;
// Past this many annotations the check composes and compares the whole
// picture rather than the union of their areas, which grows slower to make
// than that.
constexpr size_t kAreaAnnotations = 256;
constexpr qsizetype kMaxTextBytes = 1 << 16;
constexpr qsizetype kMaxNameBytes = 1024;
// Chunks are cut below the format's limit.
constexpr qsizetype kChunkBytes = qsizetype(1) << 30;
constexpr int kCompressionLevel = 6;

// ---- writing --------------------------------------------------------------

class Out
{
public:
    QByteArray bytes;

    void u8(quint8 v) { bytes.append(char(v)); }
    void u16(quint16 v) { be(v); }
    void u32(quint32 v) { be(v); }
    void i32(qint32 v) { be(quint32(v)); }
    void u64(quint64 v) { be(v); }
    void text(const QString &s, bool wide = false)
    {
        const QByteArray utf8 = s.toUtf8();
        wide ? u32(quint32(utf8.size())) : u16(quint16(utf8.size()));
        bytes.append(utf8);
    }
    void record(quint16 kind, const Out &data)
    {
        u16(kind);
        u32(quint32(data.bytes.size()));
        bytes.append(data.bytes);
    }

private:
    template <class T>
    void be(T v)
    {
        uchar b[sizeof(T)];
        qToBigEndian(v, b);
        bytes.append(reinterpret_cast<const char *>(b), sizeof(T));
    }
};

// The picture as Redraw copies it under the annotations: 32-bit colour
// without alpha.
QImage asDrawn(const QImage &base)
{
    if (base.format() == QImage::Format_RGB32)
        return base;
    QImage drawn(base.size(), QImage::Format_RGB32);
    if (drawn.isNull())
        throw KorvaneError(QStringLiteral("画像を保存するためのメモリが足りません"));
    if (base.format() == QImage::Format_ARGB32) {
        for (int y = 0; y < base.height(); ++y) {
            const auto *from = reinterpret_cast<const QRgb *>(base.constScanLine(y));
            auto *to = reinterpret_cast<QRgb *>(drawn.scanLine(y));
            for (int x = 0; x < base.width(); ++x)
                to[x] = from[x] | 0xFF000000u;
        }
        return drawn;
    }
    QPainter painter(&drawn);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, base);
    return drawn;
}

struct Tiles
{
    int columns = 0;
    int rows = 0;
    int width = 0;
    int height = 0;
    Tiles(int w, int h)
        : columns((w + kTileSide - 1) / kTileSide), rows((h + kTileSide - 1) / kTileSide),
          width(w), height(h)
    {
    }
    qint64 count() const { return qint64(columns) * rows; }
    QRect rect(qint64 index) const
    {
        const int x = int(index % columns) * kTileSide, y = int(index / columns) * kTileSide;
        return QRect(x, y, qMin(kTileSide, width - x), qMin(kTileSide, height - y));
    }
};

// The tiles in which `base` and `composed` differ, in raster order.
std::vector<quint32> differingTiles(const QImage &base, const QImage &composed, const Tiles &tiles)
{
    std::vector<quint32> found;
    std::vector<bool> marked(size_t(tiles.columns));
    const size_t rowBytes = size_t(base.width()) * 4;
    for (int tileRow = 0; tileRow < tiles.rows; ++tileRow) {
        std::fill(marked.begin(), marked.end(), false);
        const int top = tileRow * kTileSide, bottom = qMin(top + kTileSide, base.height());
        for (int y = top; y < bottom; ++y) {
            const uchar *b = base.constScanLine(y), *c = composed.constScanLine(y);
            if (std::memcmp(b, c, rowBytes) == 0)
                continue;
            for (int column = 0; column < tiles.columns; ++column) {
                const size_t at = size_t(column) * kTileSide * 4;
                const size_t n = qMin<size_t>(kTileSide * 4, rowBytes - at);
                if (!marked[size_t(column)] && std::memcmp(b + at, c + at, n) != 0)
                    marked[size_t(column)] = true;
            }
        }
        for (int column = 0; column < tiles.columns; ++column) {
            if (marked[size_t(column)])
                found.push_back(quint32(qint64(tileRow) * tiles.columns + column));
        }
    }
    return found;
}

enum Filter { None, Sub, Up, Paeth, FilterCount };

int paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

uchar predict(int filter, const uchar *row, const uchar *prev, int i)
{
    const int a = i >= kPixelBytes ? row[i - kPixelBytes] : 0;
    const int b = prev[i];
    const int c = i >= kPixelBytes ? prev[i - kPixelBytes] : 0;
    switch (filter) {
    case Sub:
        return uchar(a);
    case Up:
        return uchar(b);
    case Paeth:
        return uchar(paeth(a, b, c));
    default:
        return 0;
    }
}

// One row of differences, base minus composed per sample, as RGB bytes.
void differenceRow(const QImage &base, const QImage &composed, const QRect &r, int y, uchar *out)
{
    const auto *b = reinterpret_cast<const QRgb *>(base.constScanLine(y)) + r.left();
    const auto *c = reinterpret_cast<const QRgb *>(composed.constScanLine(y)) + r.left();
    for (int x = 0; x < r.width(); ++x, out += 3) {
        out[0] = uchar(qRed(b[x]) - qRed(c[x]));
        out[1] = uchar(qGreen(b[x]) - qGreen(c[x]));
        out[2] = uchar(qBlue(b[x]) - qBlue(c[x]));
    }
}

// Each tile's rows of differences, each filtered as a PNG row is (the filter
// of the smallest sum of magnitudes), after the list of the tiles.
QByteArray encodeTiles(const QImage &base, const QImage &composed, const Tiles &tiles,
                       const std::vector<quint32> &indices)
{
    Out out;
    for (quint32 index : indices)
        out.u32(index);
    const int rowBytes = kTileSide * kPixelBytes;
    uchar rows[2][rowBytes] = {};
    uchar filtered[FilterCount][rowBytes];
    for (quint32 index : indices) {
        const QRect r = tiles.rect(index);
        const int n = r.width() * kPixelBytes;
        uchar *prev = rows[0], *cur = rows[1];
        std::memset(prev, 0, rowBytes);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            differenceRow(base, composed, r, y, cur);
            int best = None;
            quint64 bestCost = ~quint64(0);
            for (int f = None; f < FilterCount; ++f) {
                quint64 cost = 0;
                for (int i = 0; i < n; ++i) {
                    const uchar v = uchar(cur[i] - predict(f, cur, prev, i));
                    filtered[f][i] = v;
                    cost += v < 128 ? v : 256 - v;
                }
                if (cost < bestCost)
                    best = f, bestCost = cost;
            }
            out.u8(quint8(best));
            out.bytes.append(reinterpret_cast<const char *>(filtered[best]), n);
            std::swap(prev, cur);
        }
    }
    return out.bytes;
}

QByteArray compress(const QByteArray &raw)
{
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> deflater(
        libdeflate_alloc_compressor(kCompressionLevel), &libdeflate_free_compressor);
    const size_t bound =
        deflater ? libdeflate_zlib_compress_bound(deflater.get(), size_t(raw.size())) : 0;
    QByteArray packed;
    if (deflater && bound <= size_t(kChunkBytes) * 2)
        packed.resize(qsizetype(bound));
    if (packed.isEmpty())
        throw KorvaneError(QStringLiteral("画像を保存するためのメモリが足りません"));
    packed.resize(qsizetype(libdeflate_zlib_compress(deflater.get(), raw.constData(),
                                                     size_t(raw.size()), packed.data(),
                                                     size_t(packed.size()))));
    return packed;
}

// The CRC-32 of the composed pixels, row by row as red, green, blue, alpha
// bytes in memory order with alpha 0xFF: a change of any pixel, even where no
// annotation lies, shows.
quint32 pixelChecksum(const QImage &rgb32)
{
    quint32 crc = 0;
    const size_t rowBytes = size_t(rgb32.width()) * 4;
    for (int y = 0; y < rgb32.height(); ++y)
        crc = libdeflate_crc32(crc, rgb32.constScanLine(y), rowBytes);
    return crc;
}

quint8 fontFlags(const QFont &font)
{
    return quint8((font.italic() ? 1 : 0) | (font.underline() ? 2 : 0) |
                  (font.strikeOut() ? 4 : 0) | (font.overline() ? 8 : 0) |
                  (font.fixedPitch() ? 16 : 0) | (font.kerning() ? 32 : 0) |
                  (font.style() == QFont::StyleOblique ? 64 : 0) |
                  ((font.resolveMask() & QFont::FixedPitchResolved) ? 128 : 0));
}

void writeLine(Out &payload, const TLineRec &line)
{
    Out r;
    for (qint32 v : {line.X1, line.Y1, line.X2, line.Y2, line.Width})
        r.i32(v);
    r.u32(line.Color);
    r.u8(line.Arrow ? 1 : 0);
    payload.record(Line, r);
}

void writeText(Out &payload, const TMoji &text)
{
    Out r;
    r.i32(text.X);
    r.i32(text.Y);
    r.u32(text.FontColor);
    r.u32(text.BkColor);
    r.text(text.Text, true);
    const QFont &font = text.Font;
    r.text(font.family());
    r.text(font.styleName());
    r.i32(font.pixelSize());
    r.u64(std::bit_cast<quint64>(double(font.pointSizeF())));
    r.u16(quint16(font.weight()));
    r.u8(fontFlags(font));
    r.u16(quint16(font.stretch()));
    r.u8(quint8(font.styleHint()));
    r.u16(quint16(font.styleStrategy()));
    r.u8(quint8(font.capitalization()));
    r.u8(quint8(font.hintingPreference()));
    payload.record(Text, r);
}

void writeFrame(Out &payload, const TFrameRec &frame)
{
    Out r;
    for (qint32 v : {frame.X1, frame.Y1, frame.X2, frame.Y2, frame.Width})
        r.i32(v);
    r.u32(frame.Color);
    payload.record(Frame, r);
}

void writeHighlight(Out &payload, const THighlightRec &band)
{
    Out r;
    for (qint32 v : {band.X1, band.Y1, band.X2, band.Y2})
        r.i32(v);
    r.u32(band.Color);
    payload.record(Highlight, r);
}

void writeNumber(Out &payload, const TNumberRec &number)
{
    Out r;
    for (qint32 v : {number.X, number.Y, number.Width})
        r.i32(v);
    r.u32(number.Color);
    payload.record(Number, r);
}

void writeRedaction(Out &payload, const TRedactRec &redaction)
{
    Out r;
    for (qint32 v : {redaction.X1, redaction.Y1, redaction.X2, redaction.Y2})
        r.i32(v);
    payload.record(Redaction, r);
}

QByteArray payloadOf(const QImage &composed, const EditableDocument &document)
{
    const QImage base = asDrawn(document.base);
    const Tiles tiles(composed.width(), composed.height());
    const std::vector<quint32> indices = differingTiles(base, composed, tiles);
    Out payload;
    payload.bytes.append(kMagic, 4);
    payload.u16(kVersion);
    Out picture;
    picture.u32(quint32(composed.width()));
    picture.u32(quint32(composed.height()));
    picture.u16(kTileSide);
    picture.u32(quint32(indices.size()));
    picture.u32(pixelChecksum(composed));
    picture.bytes.append(compress(encodeTiles(base, composed, tiles, indices)));
    payload.record(Picture, picture);
    for (const TLineRec &line : document.annotations.lines)
        writeLine(payload, line);
    for (const TMoji &text : document.annotations.texts)
        writeText(payload, text);
    for (const TFrameRec &frame : document.annotations.frames)
        writeFrame(payload, frame);
    for (const THighlightRec &band : document.annotations.highlights)
        writeHighlight(payload, band);
    for (const TNumberRec &number : document.annotations.numbers)
        writeNumber(payload, number);
    for (const TRedactRec &redaction : document.annotations.redactions)
        writeRedaction(payload, redaction);
    for (const SelectionField &field : kSelectionFields) {
        if (document.*field.index < 0)
            continue;
        Out selection;
        selection.u16(field.kind);
        selection.u32(quint32(document.*field.index));
        payload.record(Selection, selection);
        break; // at most one annotation is ever selected
    }
    return payload.bytes;
}

} // namespace

void selectStoredAnnotation(EditorDocument &document, const EditableDocument &stored)
{
    auto pick = [](auto &list, int index) {
        return index >= 0 && size_t(index) < list.size() ? list[size_t(index)].get() : nullptr;
    };
    document.DropSelection();
    document.SelLine = pick(document.LineList, stored.selectedLine);
    document.SelMoji = pick(document.MojiList, stored.selectedText);
    document.SelFrame = pick(document.FrameList, stored.selectedFrame);
    document.SelHighlight = pick(document.HighlightList, stored.selectedHighlight);
    document.SelNumber = pick(document.NumberList, stored.selectedNumber);
    document.SelRedact = pick(document.RedactList, stored.selectedRedaction);
}

void writeEditablePng(const QImage &composed, const QImage &base, const AnnotationSet &annotations,
                      QIODevice *device)
{
    writeEditablePng(composed, EditableDocument{base, annotations}, device);
}

void writeEditablePng(const QImage &composed, const EditableDocument &document, QIODevice *device)
{
    if (document.base.size() != composed.size())
        throw KorvaneError(QStringLiteral("注釈の下の画像の大きさが画像と違います"));
    const QImage rgb = asRgb32(composed);
    QList<PngChunk> extra;
    // A picture without annotations is its own base: nothing to keep.
    const AnnotationSet &set = document.annotations;
    if (!composed.isNull() && (!set.lines.empty() || !set.texts.empty() ||
                               asDrawn(document.base) != rgb)) {
        const QByteArray payload = payloadOf(rgb, document);
        for (qsizetype at = 0; at < payload.size(); at += kChunkBytes)
            extra.append({QByteArray(kEditableChunkType), payload.mid(at, kChunkBytes)});
    }
    writePng(rgb, *device, extra);
}

// ---- reading --------------------------------------------------------------

namespace {

// Why a stored document was not restored; the messages end up in the status
// bar.
struct NotRestored
{
    QString reason;
};

[[noreturn]] void refuse(const char16_t *reason)
{
    throw NotRestored{QStringLiteral("注釈を復元できませんでした（%1）。")
                          .arg(QString::fromUtf16(reason))};
}
[[noreturn]] void damaged()
{
    refuse(u"注釈のデータが壊れています");
}
[[noreturn]] void tooLarge()
{
    refuse(u"注釈のデータが大きすぎます");
}
[[noreturn]] void later()
{
    refuse(u"新しい版の Korvane で保存されたファイルです");
}

class In
{
public:
    explicit In(QByteArrayView data) : m_data(data) {}

    qsizetype left() const { return m_data.size() - m_at; }
    bool atEnd() const { return left() == 0; }
    QByteArrayView take(qsizetype n)
    {
        if (n < 0 || n > left())
            damaged();
        const QByteArrayView part = m_data.sliced(m_at, n);
        m_at += n;
        return part;
    }
    quint8 u8() { return quint8(take(1)[0]); }
    quint16 u16() { return qFromBigEndian<quint16>(take(2).data()); }
    quint32 u32() { return qFromBigEndian<quint32>(take(4).data()); }
    qint32 i32() { return qint32(u32()); }
    quint64 u64() { return qFromBigEndian<quint64>(take(8).data()); }
    QString text(bool wide = false)
    {
        const qsizetype n = wide ? qsizetype(u32()) : qsizetype(u16());
        if (n > (wide ? kMaxTextBytes : kMaxNameBytes))
            tooLarge();
        const QByteArrayView utf8 = take(n);
        return QString::fromUtf8(utf8);
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
};

QByteArray decompress(QByteArrayView packed, qsizetype expected)
{
    QByteArray raw;
    try {
        raw.resize(expected);
    } catch (const std::bad_alloc &) {
        tooLarge();
    }
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        tooLarge();
    size_t actual = 0;
    if (libdeflate_zlib_decompress(inflater.get(), packed.data(), size_t(packed.size()),
                                   raw.data(), size_t(raw.size()), &actual) != LIBDEFLATE_SUCCESS)
        damaged();
    raw.truncate(qsizetype(actual));
    return raw;
}

void unfilterRow(int filter, uchar *row, const uchar *prev, int n)
{
    for (int i = 0; i < n; ++i)
        row[i] = uchar(row[i] + predict(filter, row, prev, i));
}

// The base: the composed pixels with the stored differences added back, and
// the tiles they cover.
struct StoredBase
{
    QImage base;
    QRegion tiles;
};

StoredBase readPicture(In in, const QImage &composed, QImage spare)
{
    const quint32 width = in.u32(), height = in.u32();
    if (width != quint32(composed.width()) || height != quint32(composed.height()))
        refuse(u"画像の大きさが保存したときと違います");
    if (in.u16() != kTileSide)
        later();
    const Tiles tiles(composed.width(), composed.height());
    const quint32 count = in.u32();
    if (count > tiles.count())
        damaged();
    const quint32 checksum = in.u32();
    // At most every tile whole: the largest the stream can be.
    // At most every tile whole, and no more than deflate can make of the
    // stream's length (1032 to 1 at best): a few bytes cannot claim a
    // gigabyte.
    const QByteArrayView packed = in.take(in.left());
    const qint64 expected =
        qMin(qint64(count) * 4 + qint64(count) * kTileSide * (1 + kTileSide * kPixelBytes),
             qint64(packed.size()) * 1032 + 64);
    const QByteArray raw = decompress(packed, qsizetype(expected));
    In stream(raw);
    std::vector<quint32> indices(count);
    for (quint32 &index : indices) {
        index = stream.u32();
        if (index >= tiles.count() || (&index != indices.data() && index <= (&index)[-1]))
            damaged();
    }
    StoredBase stored;
    if (spare.size() == composed.size() && spare.bytesPerLine() == composed.bytesPerLine())
        stored.base = std::move(spare);
    else
        stored.base = QImage(composed.size(), QImage::Format_RGB32);
    if (stored.base.isNull())
        tooLarge();
    // The pixels are checked as they are copied, each row while it is at hand.
    quint32 crc = 0;
    const size_t rowBytes = size_t(composed.width()) * 4;
    for (int y = 0; y < composed.height(); ++y) {
        uchar *row = stored.base.scanLine(y);
        std::memcpy(row, composed.constScanLine(y), rowBytes);
        crc = libdeflate_crc32(crc, row, rowBytes);
    }
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A mutated stored document must reach what reads the tiles and the
    // annotations, not stop here.
    if (crc != checksum)
        refuse(u"画像がほかのプログラムで変更されています");
#else
    Q_UNUSED(checksum);
#endif
    std::vector<QRect> covered;
    covered.reserve(indices.size());
    uchar rows[2][kTileSide * kPixelBytes];
    for (quint32 index : indices) {
        const QRect r = tiles.rect(index);
        const int n = r.width() * kPixelBytes;
        uchar *prev = rows[0], *cur = rows[1];
        std::memset(prev, 0, sizeof rows[0]);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const int filter = stream.u8();
            if (filter >= FilterCount)
                damaged();
            std::memcpy(cur, stream.take(n).data(), size_t(n));
            unfilterRow(filter, cur, prev, n);
            auto *px = reinterpret_cast<QRgb *>(stored.base.scanLine(y)) + r.left();
            for (int x = 0; x < r.width(); ++x)
                px[x] = qRgb(uchar(qRed(px[x]) + cur[3 * x]), uchar(qGreen(px[x]) + cur[3 * x + 1]),
                             uchar(qBlue(px[x]) + cur[3 * x + 2]));
            std::swap(prev, cur);
        }
        // Tiles of one row next to each other make one rectangle.
        if (!covered.empty() && covered.back().top() == r.top() &&
            covered.back().right() + 1 == r.left())
            covered.back().setRight(r.right());
        else
            covered.push_back(r);
    }
    if (!stream.atEnd())
        damaged();
    stored.tiles.setRects(covered.data(), int(covered.size()));
    return stored;
}

TLineRec readLine(In in)
{
    TLineRec line;
    line.X1 = in.i32();
    line.Y1 = in.i32();
    line.X2 = in.i32();
    line.Y2 = in.i32();
    line.Width = in.i32();
    line.Color = in.u32();
    line.Arrow = (in.u8() & 1) != 0;
    return line;
}

TFrameRec readFrame(In in)
{
    TFrameRec frame;
    frame.X1 = in.i32();
    frame.Y1 = in.i32();
    frame.X2 = in.i32();
    frame.Y2 = in.i32();
    frame.Width = in.i32();
    frame.Color = in.u32();
    return frame;
}

THighlightRec readHighlight(In in)
{
    THighlightRec band;
    band.X1 = in.i32();
    band.Y1 = in.i32();
    band.X2 = in.i32();
    band.Y2 = in.i32();
    band.Color = in.u32();
    return band;
}

TNumberRec readNumber(In in)
{
    TNumberRec number;
    number.X = in.i32();
    number.Y = in.i32();
    number.Width = in.i32();
    number.Color = in.u32();
    return number;
}

TRedactRec readRedaction(In in)
{
    TRedactRec redaction;
    redaction.X1 = in.i32();
    redaction.Y1 = in.i32();
    redaction.X2 = in.i32();
    redaction.Y2 = in.i32();
    return redaction;
}

// How many records of the kind the set holds.
size_t countOf(const AnnotationSet &set, quint16 kind)
{
    switch (kind) {
    case Line:
        return set.lines.size();
    case Text:
        return set.texts.size();
    case Frame:
        return set.frames.size();
    case Highlight:
        return set.highlights.size();
    case Number:
        return set.numbers.size();
    case Redaction:
        return set.redactions.size();
    default:
        return 0;
    }
}

TMoji readText(In in)
{
    TMoji text;
    text.X = in.i32();
    text.Y = in.i32();
    text.FontColor = in.u32();
    text.BkColor = in.u32();
    text.Text = in.text(true);
    QFont font;
    font.setFamily(in.text());
    const QString styleName = in.text();
    const qint32 pixelSize = in.i32();
    const double pointSize = std::bit_cast<double>(in.u64());
    if (pixelSize > kMaxFontPixels || pointSize > kMaxFontPixels)
        tooLarge();
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    else if (pointSize > 0)
        font.setPointSizeF(pointSize);
    else
        damaged();
    const quint16 weight = in.u16();
    if (weight < 1 || weight > 1000)
        damaged();
    font.setWeight(QFont::Weight(weight));
    const quint8 flags = in.u8();
    font.setItalic(flags & 1);
    font.setUnderline(flags & 2);
    font.setStrikeOut(flags & 4);
    font.setOverline(flags & 8);
    if (flags & 128) // a pitch asked for, fixed or not, matches fonts differently
        font.setFixedPitch(flags & 16);
    font.setKerning(flags & 32);
    if (flags & 64)
        font.setStyle(QFont::StyleOblique);
    const quint16 stretch = in.u16();
    if (stretch > 4000)
        damaged();
    font.setStretch(stretch);
    const quint8 hint = in.u8();
    const quint16 strategy = in.u16();
    if (hint > QFont::Fantasy)
        damaged();
    font.setStyleHint(QFont::StyleHint(hint), QFont::StyleStrategy(strategy));
    const quint8 capitalization = in.u8();
    if (capitalization > QFont::Capitalize)
        damaged();
    font.setCapitalization(QFont::Capitalization(capitalization));
    const quint8 hinting = in.u8();
    if (hinting > QFont::PreferFullHinting)
        damaged();
    font.setHintingPreference(QFont::HintingPreference(hinting));
    if (!styleName.isEmpty())
        font.setStyleName(styleName);
    text.Font = font;
    return text;
}

struct Stored
{
    EditableDocument document;
    QRegion tiles;
};

Stored parse(QByteArrayView payload, const QImage &composed, QImage spare)
{
    In in(payload);
    if (in.left() < 6 || std::memcmp(in.take(4).data(), kMagic, 4) != 0)
        refuse(u"ほかのプログラムのデータです");
    const quint16 version = in.u16();
    if (version == 0)
        damaged();
    if (version > kVersion)
        later();
    Stored stored;
    bool havePicture = false;
    qsizetype annotations = 0;
    while (!in.atEnd()) {
        const quint16 kind = in.u16();
        In record(in.take(in.u32()));
        if (kind == Picture && !havePicture) {
            StoredBase base = readPicture(record, composed, std::move(spare));
            stored.document.base = std::move(base.base);
            stored.tiles = std::move(base.tiles);
            havePicture = true;
            continue;
        }
        if (!havePicture)
            damaged(); // the picture's record comes first
        AnnotationSet &set = stored.document.annotations;
        if (kind >= Line && kind <= Redaction && kind != Selection) {
            if (++annotations > kMaxAnnotations)
                tooLarge();
            switch (kind) {
            case Line:
                set.lines.push_back(readLine(record));
                break;
            case Text:
                set.texts.push_back(readText(record));
                break;
            case Frame:
                set.frames.push_back(readFrame(record));
                break;
            case Highlight:
                set.highlights.push_back(readHighlight(record));
                break;
            case Number:
                set.numbers.push_back(readNumber(record));
                break;
            default:
                set.redactions.push_back(readRedaction(record));
                break;
            }
        } else if (kind == Selection) {
            const quint16 of = record.u16();
            const quint32 index = record.u32();
            bool known = false;
            for (const SelectionField &field : kSelectionFields) {
                if (stored.document.*field.index >= 0)
                    damaged(); // at most one annotation is ever selected
                if (field.kind == of && index < countOf(set, of)) {
                    stored.document.*field.index = int(index);
                    known = true;
                }
            }
            if (!known)
                damaged();
        } else if (!(kind & kSkippable)) {
            later();
        }
    }
    if (!havePicture)
        damaged();
    return stored;
}

// The payload: the data of every chunk of ours, in file order.
std::optional<QByteArray> storedPayload(QByteArrayView file)
{
    const quint32 wanted = png::chunkType(kEditableChunkType);
    std::optional<QByteArray> payload;
    bool intact = true;
    try {
        png::ChunkReader reader(file);
        png::Chunk chunk;
        while (reader.next(chunk)) {
            if (chunk.type != wanted)
                continue;
            if (!payload)
                payload.emplace();
            intact = intact && chunk.intact;
            payload->append(chunk.data);
        }
    } catch (const KorvaneError &) {
        // readPng accepted the file, so only what lies past its pixels can be
        // missing: the chunk was cut short.
        if (payload)
            damaged();
        return {};
    }
    if (payload && !intact)
        damaged();
    return payload;
}

bool fontsAvailable(const AnnotationSet &set)
{
    const QStringList families = QFontDatabase::families();
    for (const TMoji &text : set.texts) {
        bool found = families.contains(text.Font.family(), Qt::CaseInsensitive);
        for (const QString &substitute : QFont::substitutes(text.Font.family()))
            found = found || families.contains(substitute, Qt::CaseInsensitive);
        if (!found)
            return false;
    }
    return true;
}

// Composes the stored document as the editor does and compares it with the
// file's pixels, only where the two can differ: the stored tiles and where
// the annotations are drawn; elsewhere the base is the file's pixels and
// nothing lies over them. `pixels` becomes the composition; on a difference
// it is restored and the reason thrown.
void verify(const Stored &stored, QImage &pixels)
{
    EditorDocument check;
    check.BaseBmp = stored.document.base;
    check.DrawBmp = std::move(pixels);
    const AnnotationSet &set = stored.document.annotations;
    check.setAnnotations(set);
    selectStoredAnnotation(check, stored.document);
    QRegion area = stored.tiles;
    size_t count = 0;
    for (quint16 kind = Line; kind <= Redaction; ++kind)
        count += countOf(set, kind);
    if (count > kAreaAnnotations)
        area = check.DrawBmp.rect();
    else
        area += check.areaBetween(AnnotationSet{}, set);
    std::vector<QImage> before;
    for (const QRect &r : area)
        before.push_back(check.DrawBmp.copy(r));
    check.RedrawArea(area);
    bool same = true;
    size_t i = 0;
    for (const QRect &r : area)
        same = same && check.DrawBmp.copy(r) == before[i++];
    if (!same) {
        i = 0;
        QPainter painter(&check.DrawBmp);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect &r : area)
            painter.drawImage(r.topLeft(), before[i++]);
        painter.end();
    }
    pixels = std::move(check.DrawBmp);
    if (!same) {
        if (!fontsAvailable(stored.document.annotations))
            refuse(u"文字のフォントがこのコンピューターにありません");
        refuse(u"画像がほかのプログラムで変更されています");
    }
}

// A file with a stored document needs a second picture for the base. Its
// memory is taken, and its pages faulted in, on the other core while the
// first one decodes the file: on a 4K picture that costs about as much as
// the copy into it would otherwise add.
class SparePicture
{
public:
    explicit SparePicture(QByteArrayView file)
    {
        const QSize size = storedPictureSize(file);
        if (size.isEmpty())
            return;
        try {
            m_filler = std::thread([this, size] {
                QImage image(size, QImage::Format_RGB32);
                uchar *bits = image.isNull() ? nullptr : image.bits();
                for (qsizetype at = 0; bits && at < image.sizeInBytes(); at += 4096)
                    bits[at] = 0;
                m_image = std::move(image);
            });
        } catch (const std::system_error &) {
            // No thread to be had: the base is copied the usual way.
        }
    }
    ~SparePicture() { take(); }
    QImage take()
    {
        if (m_filler.joinable())
            m_filler.join();
        return std::exchange(m_image, QImage());
    }

private:
    // The picture's size when the file has a chunk of ours and a header of a
    // size that the reader will accept; empty otherwise.
    static QSize storedPictureSize(QByteArrayView file)
    {
        QSize size;
        bool ours = false;
        try {
            png::ChunkReader reader(file);
            png::Chunk chunk;
            while (reader.next(chunk)) {
                if (chunk.type == png::kIHDR && chunk.data.size() == 13) {
                    const quint32 w = qFromBigEndian<quint32>(chunk.data.data());
                    const quint32 h = qFromBigEndian<quint32>(chunk.data.data() + 4);
                    checkPictureSize(w, h);
                    size = QSize(int(w), int(h));
                }
                ours = ours || chunk.type == png::chunkType(kEditableChunkType);
            }
        } catch (const KorvaneError &) {
            return {};
        }
        return ours ? size : QSize();
    }

    std::thread m_filler;
    QImage m_image;
};

} // namespace

EditableRead readEditablePng(QByteArrayView file)
{
    const QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
    EditableRead read;
    SparePicture spareBase(file);
    read.picture = readPng(bytes);
    QImage spare = spareBase.take();
    try {
        const std::optional<QByteArray> payload = storedPayload(file);
        if (!payload)
            return read;
        // Our writer writes 24-bit colour; a file in another form was
        // rewritten by another program, but may still hold the same pixels.
        QImage pixels = read.picture.format() == QImage::Format_RGB32
                            ? std::exchange(read.picture, QImage())
                            : read.picture.convertToFormat(QImage::Format_RGB32);
        try {
            Stored stored = parse(*payload, pixels, std::move(spare));
            verify(stored, pixels);
            read.document = std::move(stored.document);
            read.picture = std::move(pixels); // the composition, in the editor's format
        } catch (...) {
            if (read.picture.isNull())
                read.picture = std::move(pixels);
            throw;
        }
    } catch (const NotRestored &why) {
        read.notRestored = why.reason;
    }
    return read;
}

} // namespace korvane
