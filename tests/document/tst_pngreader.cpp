#include "common/KorvaneError.h"
#include "document/ReferenceDecoder.h"
#include "document/formats/PngChunks.h"
#include "document/formats/PngReader.h"

#include <QDir>
#include <QTest>
#include <QtEndian>

using korvane::KorvaneError;
using korvane::readPng;
using korvane::readPngChunks;
using korvane::readPngWithAlpha;
using reference::firstDifference;
using reference::readAll;

namespace {

QString pngDir(const char *folder)
{
    return QStringLiteral(KORVANE_TESTDATA "/png/") + QLatin1String(folder);
}

// ImageMagick's 16-bit samples rounded to 8 bits, to the nearest (v / 257):
// its own 8-bit output truncates colours and, as it stores opacity, rounds
// alpha up. 8-bit files' samples come back as they are.
QImage toEightBits(const QImage &rgba64)
{
    QImage out(rgba64.size(), QImage::Format_ARGB32);
    const auto round = [](quint16 v) { return (v + 128) / 257; };
    for (int y = 0; y < rgba64.height(); ++y) {
        const auto *from = reinterpret_cast<const quint16 *>(rgba64.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < rgba64.width(); ++x, from += 4)
            to[x] = qRgba(round(from[0]), round(from[1]), round(from[2]), round(from[3]));
    }
    return out;
}

// The picture put over white the way the program shows transparent
// pictures: round(c a / 255 + 255 (255 - a) / 255).
QImage overWhite(const QImage &argb)
{
    QImage out(argb.size(), QImage::Format_RGB32);
    const auto blend = [](int c, int a) { return (c * a + 255 * (255 - a) + 127) / 255; };
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            const int a = qAlpha(p);
            out.setPixel(x, y, qRgb(blend(qRed(p), a), blend(qGreen(p), a), blend(qBlue(p), a)));
        }
    }
    return out;
}

// The format the picture should come in, from the colour type in IHDR.
QImage::Format expectedFormat(const QByteArray &file)
{
    switch (file.size() > 25 ? file[25] : -1) {
    case 0: // grey
    case 4: // grey with alpha
        return QImage::Format_Grayscale8;
    case 3:
        return QImage::Format_Indexed8;
    default:
        return QImage::Format_RGB32;
    }
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    QByteArray c(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), c.data());
    c += QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(korvane::png::chunkCrc(qFromBigEndian<quint32>(type), data), crc.data());
    return c + crc;
}

// A PNG of 8-bit grey made here: the header, then `idat` as its one IDAT.
QByteArray greyPng(quint32 width, quint32 height, const QByteArray &idat)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", idat) +
           chunk("IEND", {});
}

// zlib data of `bytes` zero bytes.
QByteArray zeros(qsizetype bytes)
{
    return qCompress(QByteArray(bytes, '\0'), 9).mid(4); // qCompress prefixes the length
}

} // namespace

class tst_pngreader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goodPictures_data();
    void goodPictures();
    void damagedPictures_data();
    void damagedPictures();
    void cutShort_data();
    void cutShort();
    void dataNotMatchingTheHeader_RefusedWithoutTakingItsMemory();
    void privateChunks_ReadBackWithoutDecoding();
};

void tst_pngreader::initTestCase()
{
    if (!QDir(pngDir("pngsuite")).exists())
        QSKIP("test pictures not found (" KORVANE_TESTDATA "/png)");
}

// Every PngSuite picture but the broken ones, and the pictures that once
// broke another decoder and must open: each colour type, bit depth,
// interlacing and chunk kind against ImageMagick's pixels, exactly. Over
// white as the program shows them, and with the alpha kept as icons need it.
void tst_pngreader::goodPictures_data()
{
    QTest::addColumn<QString>("path");
    int count = 0;
    for (const char *folder : {"pngsuite", "bugfixes"}) {
        const QDir dir(pngDir(folder));
        for (const QString &name : dir.entryList({QStringLiteral("*.png")}, QDir::Files)) {
            if (name.startsWith(QLatin1Char('x')))
                continue;
            QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(QLatin1String(folder), name)))
                << dir.filePath(name);
            ++count;
        }
    }
    QVERIFY2(count >= 160, "PngSuite seems incomplete");
}

void tst_pngreader::goodPictures()
{
    QFETCH(QString, path);
    const QByteArray file = readAll(path);
    const QImage picture = readPng(file);
    QCOMPARE(picture.format(), expectedFormat(file));
    const QImage withAlpha = readPngWithAlpha(file);
    QCOMPARE(withAlpha.format(), QImage::Format_ARGB32);

    QImage want;
    if (path.endsWith(QStringLiteral("invalid_palette_index.png"))) {
        // Every index lies past the palette: ImageMagick gives up, the
        // program shows black.
        want = QImage(picture.size(), QImage::Format_ARGB32);
        want.fill(qRgb(0, 0, 0));
    } else {
        if (!reference::haveConvert())
            QSKIP("ImageMagick's convert is not installed");
        // ImageMagick takes a gamma of 1.0 for linear light and converts it
        // to sRGB; the program shows the samples as they are, as image
        // editors do.
        want = toEightBits(reference::decodeWithConvert16(
            path, {QStringLiteral("-set"), QStringLiteral("colorspace"), QStringLiteral("sRGB")}));
        QVERIFY2(!want.isNull(), "ImageMagick could not read the picture");
    }
    QString diff = firstDifference(withAlpha, want, 0, true);
    QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("with alpha: ") + diff));
    diff = firstDifference(picture, overWhite(want));
    QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("over white: ") + diff));
}

void tst_pngreader::damagedPictures_data()
{
    QTest::addColumn<QString>("path");
    const QDir suite(pngDir("pngsuite")), fixes(pngDir("bugfixes"));
    const QStringList broken = suite.entryList({QStringLiteral("x*.png")}, QDir::Files);
    const QStringList brokenFixes = fixes.entryList({QStringLiteral("x_*.png")}, QDir::Files);
    QCOMPARE(broken.size(), 14);
    QCOMPARE(brokenFixes.size(), 8);
    for (const QString &name : broken)
        QTest::newRow(qPrintable(name)) << suite.filePath(name);
    for (const QString &name : brokenFixes)
        QTest::newRow(qPrintable(name)) << fixes.filePath(name);
}

// Bad signatures, colour types, bit depths, CRCs and checksums, missing or
// broken chunks: refused with the reader's message, in either mode.
void tst_pngreader::damagedPictures()
{
    QFETCH(QString, path);
    const QByteArray file = readAll(path);
    QVERIFY(!file.isEmpty());
    try {
        readPng(file);
        QFAIL("the damaged picture was read");
    } catch (const KorvaneError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("PNG 画像が")) ||
                     e.message().startsWith(QStringLiteral("画像の大きさが不正です")),
                 qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readPngWithAlpha(file));
}

void tst_pngreader::cutShort_data()
{
    QTest::addColumn<int>("keep"); // bytes kept: from the start, or less than all when negative
    QTest::newRow("in the signature") << 5;
    QTest::newRow("in IHDR") << 20;
    QTest::newRow("in the pixel data") << -400;
    QTest::newRow("before IEND") << -12;
    QTest::newRow("in IEND") << -3;
}

// A file cut anywhere says so.
void tst_pngreader::cutShort()
{
    QFETCH(int, keep);
    const QByteArray file = readAll(pngDir("pngsuite/basi6a16.png"));
    QVERIFY(file.size() > 800);
    const QByteArray cut = file.left(keep > 0 ? keep : file.size() + keep);
    try {
        readPng(cut);
        QFAIL("the cut file was read");
    } catch (const KorvaneError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("途中で切れています")),
                 qPrintable(e.message()));
    }
}

// A small file whose data inflates far beyond its header's picture, and one
// whose header claims a 16K picture for a few bytes of data: both refused,
// the first after producing no more than the picture, the second before
// taking the gigabyte it claims.
void tst_pngreader::dataNotMatchingTheHeader_RefusedWithoutTakingItsMemory()
{
    const QByteArray bomb = greyPng(64, 64, zeros(64 << 20));
    QVERIFY(bomb.size() < 100000);
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readPng(bomb));

    const QByteArray claim = greyPng(16384, 16384, zeros(65 * 64));
    try {
        readPng(claim);
        QFAIL("the picture was read");
    } catch (const KorvaneError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("途中で切れています")),
                 qPrintable(e.message()));
    }

    // Just enough data: the same picture shape reads.
    QCOMPARE(readPng(greyPng(64, 64, zeros(65 * 64))).pixel(63, 63), qRgb(0, 0, 0));
}

// A private chunk is found and handed back without decoding the pixels; a
// damaged one is reported, not passed on.
void tst_pngreader::privateChunks_ReadBackWithoutDecoding()
{
    const QByteArray file = readAll(pngDir("pngsuite/basn0g08.png"));
    QVERIFY(!file.isEmpty());
    const qsizetype iend = file.size() - 12;
    const QByteArray withChunks = file.left(iend) + chunk("kvNe", "first") +
                                  chunk("tEXt", QByteArray("Comment\0x", 9)) +
                                  chunk("kvNe", QByteArray(3, '\0')) + file.mid(iend);
    QCOMPARE(readPngChunks(withChunks, "kvNe"), QList<QByteArray>({"first", QByteArray(3, '\0')}));
    QCOMPARE(readPngChunks(withChunks, "abCd"), QList<QByteArray>());
    QCOMPARE(readPng(withChunks), readPng(file));

    QByteArray damaged = withChunks;
    damaged[iend + 9] = 'X';
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readPngChunks(damaged, "kvNe"));
    QCOMPARE(readPng(damaged), readPng(file)); // an ancillary chunk the picture does not need
}

QTEST_MAIN(tst_pngreader)
#include "tst_pngreader.moc"
