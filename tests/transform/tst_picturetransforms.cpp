// Rotation, mirroring and the black-on-white scaler of a resize.
#include "common/KorvaneError.h"
#include "transform/PictureTransforms.h"

#include <QRandomGenerator>
#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(QImage::Format)

namespace {

// Random pixels in any format the editor's picture can have. The values have
// mostly set bits, so that the AND of a few of them still tells them apart.
QImage randomPicture(int w, int h, QImage::Format format, quint32 seed)
{
    QRandomGenerator rng(seed);
    auto value = [&rng] { return rng.generate() | rng.generate() | rng.generate(); };
    if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) {
        QImage image(w, h, format);
        const int colours = format == QImage::Format_Mono ? 2 : 256;
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table << (value() | 0xFF000000u);
        image.setColorTable(table);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, rng.bounded(colours));
        return image;
    }
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, value());
    return image.convertToFormat(format);
}

// A 32-bit picture whose rows lie further apart in memory than its pixels
// reach, as in a view into a wider picture.
QImage paddedPicture(int w, int h, quint32 seed)
{
    auto *wider = new QImage(randomPicture(w + 3, h, QImage::Format_RGB32, seed));
    return QImage(
        wider->constBits(), w, h, wider->bytesPerLine(), QImage::Format_RGB32,
        [](void *held) { delete static_cast<QImage *>(held); }, wider);
}

// The value stored for a pixel: the index where there is a colour table.
quint32 stored(const QImage &image, int x, int y)
{
    return image.colorCount() > 0 ? quint32(image.pixelIndex(x, y)) : image.pixel(x, y);
}

QPoint destination(int kind, int x, int y, int w, int h)
{
    switch (kind) {
    case tkRotate90:
        return {h - 1 - y, x};
    case tkRotate180:
        return {w - 1 - x, h - 1 - y};
    case tkRotate270:
        return {y, w - 1 - x};
    case tkMirrorLR:
        return {w - 1 - x, y};
    default:
        return {x, h - 1 - y};
    }
}

QImage applied(QImage image, const QList<int> &kinds)
{
    for (int kind : kinds)
        image = TransformPicture(image, kind);
    return image;
}

// Which source positions of one axis fall on each result position: a
// position i of the longer axis belongs to position i * shorter / longer of
// the shorter one.
QList<QList<int>> fallingOn(int source, int result)
{
    QList<QList<int>> sources(result);
    if (result >= source) {
        for (int d = 0; d < result; ++d)
            sources[d] << int(qint64(d) * source / result);
    } else {
        for (int s = 0; s < source; ++s)
            sources[int(qint64(s) * result / source)] << s;
    }
    return sources;
}

// The scaler's contract written plainly: each result pixel is the AND of
// every source pixel that falls on it.
QImage referenceStretch(const QImage &source, int w, int h)
{
    const QList<QList<int>> columns = fallingOn(source.width(), w);
    const QList<QList<int>> rows = fallingOn(source.height(), h);
    QImage result(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            quint32 value = ~0u;
            for (int sy : rows[y])
                for (int sx : columns[x])
                    value &= source.pixel(sx, sy);
            result.setPixel(x, y, value | 0xFF000000u);
        }
    }
    return result;
}

const QList<QPair<QImage::Format, const char *>> kFormats = {
    {QImage::Format_Mono, "1 bit"},           {QImage::Format_Indexed8, "256 colours"},
    {QImage::Format_RGB555, "15 bit"},        {QImage::Format_RGB16, "16 bit"},
    {QImage::Format_RGB32, "32 bit"},         {QImage::Format_ARGB32, "with alpha"},
    {QImage::Format_Grayscale8, "greyscale"},
};

const QList<QPair<int, const char *>> kKinds = {
    {tkRotate90, "tkRotate90"}, {tkRotate180, "tkRotate180"}, {tkRotate270, "tkRotate270"},
    {tkMirrorLR, "tkMirrorLR"}, {tkMirrorTB, "tkMirrorTB"},
};

} // namespace

class tst_picturetransforms : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transform_PutsEveryPixelWhereItsKindSaysKeepingFormat_data();
    void transform_PutsEveryPixelWhereItsKindSaysKeepingFormat();
    void rotate90_TopLeftEndsTopRight();
    void transform_InversesGiveBackThePicture_data();
    void transform_InversesGiveBackThePicture();
    void transform_EmptyPictureStaysEmpty();
    void stretch_EqualsPlainAndOverFallingPixels_data();
    void stretch_EqualsPlainAndOverFallingPixels();
    void stretch_WorkedExamples_data();
    void stretch_WorkedExamples();
    void stretch_EmptySourceOrTargetGivesEmpty();
    void stretch_TargetTooLargeThrowsKorvaneError();
};

void tst_picturetransforms::transform_PutsEveryPixelWhereItsKindSaysKeepingFormat_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("kind");
    // Odd sizes cross the 8-pixel blocks of 1-bit pictures and the padding
    // at the ends of rows; 16 x 8 fills whole blocks.
    const QList<QSize> sizes = {{37, 23}, {16, 8}, {1, 13}, {13, 1}};
    quint32 seed = 1;
    for (const auto &[format, formatName] : kFormats) {
        for (const QSize size : sizes) {
            const QImage source = randomPicture(size.width(), size.height(), format, seed++);
            for (const auto &[kind, kindName] : kKinds)
                QTest::addRow("%s %dx%d %s", formatName, size.width(), size.height(), kindName)
                    << source << kind;
        }
    }
    const QImage padded = paddedPicture(37, 23, seed);
    for (const auto &[kind, kindName] : kKinds)
        QTest::addRow("32 bit with padded rows %s", kindName) << padded << kind;
}

void tst_picturetransforms::transform_PutsEveryPixelWhereItsKindSaysKeepingFormat()
{
    QFETCH(QImage, source);
    QFETCH(int, kind);
    const int w = source.width();
    const int h = source.height();
    const QImage result = TransformPicture(source, kind);
    const bool turned = kind == tkRotate90 || kind == tkRotate270;
    QCOMPARE(result.size(), turned ? QSize(h, w) : QSize(w, h));
    QCOMPARE(result.format(), source.format());
    QCOMPARE(result.colorTable(), source.colorTable());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QPoint to = destination(kind, x, y, w, h);
            if (stored(result, to.x(), to.y()) != stored(source, x, y))
                QFAIL(qPrintable(QStringLiteral("source pixel (%1, %2) misplaced").arg(x).arg(y)));
        }
    }
}

void tst_picturetransforms::rotate90_TopLeftEndsTopRight()
{
    const QImage source = randomPicture(3, 2, QImage::Format_RGB32, 7);
    const QImage result = TransformPicture(source, tkRotate90);
    QCOMPARE(result.size(), QSize(2, 3));
    QCOMPARE(result.pixel(1, 0), source.pixel(0, 0));
    QCOMPARE(result.pixel(0, 2), source.pixel(2, 1));
}

void tst_picturetransforms::transform_InversesGiveBackThePicture_data()
{
    QTest::addColumn<QList<int>>("kinds");
    QTest::addColumn<QList<int>>("sameAs");
    const QList<int> none;
    QTest::newRow("four 90") << QList<int>{90, 90, 90, 90} << none;
    QTest::newRow("90 then 270") << QList<int>{90, 270} << none;
    QTest::newRow("270 then 90") << QList<int>{270, 90} << none;
    QTest::newRow("two 180") << QList<int>{180, 180} << none;
    QTest::newRow("two LR") << QList<int>{99, 99} << none;
    QTest::newRow("two TB") << QList<int>{188, 188} << none;
    QTest::newRow("180 is LR then TB") << QList<int>{180} << QList<int>{99, 188};
    QTest::newRow("270 is three 90") << QList<int>{270} << QList<int>{90, 90, 90};
}

void tst_picturetransforms::transform_InversesGiveBackThePicture()
{
    QFETCH(QList<int>, kinds);
    QFETCH(QList<int>, sameAs);
    for (const auto &[format, formatName] : kFormats) {
        const QImage source = randomPicture(29, 11, format, 99);
        QCOMPARE(applied(source, kinds), applied(source, sameAs));
    }
}

void tst_picturetransforms::transform_EmptyPictureStaysEmpty()
{
    for (const auto &[kind, kindName] : kKinds) {
        const QImage result = TransformPicture(QImage(), kind);
        QVERIFY2(result.isNull() && result.size().isEmpty(), kindName);
    }
}

void tst_picturetransforms::stretch_EqualsPlainAndOverFallingPixels_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("target");
    QRandomGenerator rng(2024);
    for (int i = 0; i < 60; ++i) {
        const QSize from(1 + rng.bounded(23), 1 + rng.bounded(23));
        const QSize to(1 + rng.bounded(47), 1 + rng.bounded(47));
        const auto &[format, formatName] = kFormats[rng.bounded(kFormats.size())];
        QTest::addRow("%dx%d %s to %dx%d", from.width(), from.height(), formatName, to.width(),
                      to.height())
            << randomPicture(from.width(), from.height(), format, rng.generate()) << to;
    }
    // Uneven runs (2 and 3 source pixels) across a real-sized reduction.
    QTest::newRow("801x601 at 50 %")
        << randomPicture(801, 601, QImage::Format_RGB32, 5) << QSize(400, 300);
    QTest::newRow("enlarged across, reduced down")
        << randomPicture(5, 40, QImage::Format_Indexed8, 6) << QSize(17, 3);
}

void tst_picturetransforms::stretch_EqualsPlainAndOverFallingPixels()
{
    QFETCH(QImage, source);
    QFETCH(QSize, target);
    const QImage result = StretchPicture(source, target.width(), target.height());
    QCOMPARE(result.format(), QImage::Format_RGB32);
    QCOMPARE(result, referenceStretch(source, target.width(), target.height()));
}

void tst_picturetransforms::stretch_WorkedExamples_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QImage>("expected");

    const QRgb a = qRgb(12, 200, 77);
    const QRgb b = qRgb(240, 3, 150);
    QImage ab(2, 1, QImage::Format_RGB32);
    ab.setPixel(0, 0, a);
    ab.setPixel(1, 0, b);
    QImage aabb(4, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            aabb.setPixel(x, y, x < 2 ? a : b);
    QTest::newRow("A B at 200 %") << ab << QSize(4, 2) << aabb;

    QImage redGreen(2, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        redGreen.setPixel(0, y, qRgb(255, 0, 0));
        redGreen.setPixel(1, y, qRgb(0, 255, 0));
    }
    QImage black(1, 1, QImage::Format_RGB32);
    black.fill(qRgb(0, 0, 0));
    QTest::newRow("red | green at 50 % is their AND") << redGreen << QSize(1, 1) << black;

    const QImage picture = randomPicture(31, 17, QImage::Format_RGB32, 3);
    QTest::newRow("equal size is a copy") << picture << picture.size() << picture;
    const QImage indexed = randomPicture(31, 17, QImage::Format_Indexed8, 4);
    QTest::newRow("equal size keeps 256-colour values")
        << indexed << indexed.size() << indexed.convertToFormat(QImage::Format_RGB32);
}

void tst_picturetransforms::stretch_WorkedExamples()
{
    QFETCH(QImage, source);
    QFETCH(QSize, target);
    QFETCH(QImage, expected);
    QCOMPARE(StretchPicture(source, target.width(), target.height()), expected);
}

void tst_picturetransforms::stretch_EmptySourceOrTargetGivesEmpty()
{
    const QImage picture = randomPicture(5, 4, QImage::Format_RGB32, 8);
    QVERIFY(StretchPicture(QImage(), 10, 10).isNull());
    QVERIFY(StretchPicture(picture, 0, 0).isNull());
    QVERIFY(StretchPicture(picture, 0, 4).isNull());
    QVERIFY(StretchPicture(picture, 5, 0).isNull());
}

void tst_picturetransforms::stretch_TargetTooLargeThrowsKorvaneError()
{
    const QImage picture = randomPicture(5, 4, QImage::Format_RGB32, 9);
    QVERIFY_THROWS_EXCEPTION(KorvaneError, StretchPicture(picture, 40000, 1));
    QVERIFY_THROWS_EXCEPTION(KorvaneError, StretchPicture(picture, 30000, 30000));
}

QTEST_MAIN(tst_picturetransforms)
#include "tst_picturetransforms.moc"
