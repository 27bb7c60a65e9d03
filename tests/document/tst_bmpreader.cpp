#include "common/KorvaneError.h"
#include "document/formats/BmpReader.h"
#include "document/ReferenceDecoder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using korvane::KorvaneError;
using korvane::readBmp;
using reference::firstDifference;

using reference::readAll;

namespace {

QString testdata(const QString &relative)
{
    return QStringLiteral(KORVANE_TESTDATA "/bmp/") + relative;
}

// bmpsuite's own rendering of how a file should look (lossless PNG).
QImage suiteReference(const QString &png)
{
    return QImage(testdata(QStringLiteral("bmpsuite/html/") + png));
}

// A BMP file assembled in the test, with a Windows info header (40 bytes) or
// an OS/2 2.x one (64 bytes, where compression 4 means RLE24).
QByteArray makeBmp(qint32 width, qint32 height, quint16 bitCount, quint32 compression,
                   const QByteArray &palette, const QByteArray &pixels, quint32 headerSize = 40)
{
    QByteArray info(qsizetype(headerSize), '\0');
    qToLittleEndian<quint32>(headerSize, info.data());
    qToLittleEndian<qint32>(width, info.data() + 4);
    qToLittleEndian<qint32>(height, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);
    qToLittleEndian<quint16>(bitCount, info.data() + 14);
    qToLittleEndian<quint32>(compression, info.data() + 16);
    qToLittleEndian<quint32>(quint32(palette.size() / 4), info.data() + 32);
    QByteArray header(14, '\0');
    header[0] = 'B';
    header[1] = 'M';
    const quint32 offBits = quint32(14 + info.size() + palette.size());
    qToLittleEndian<quint32>(offBits + quint32(pixels.size()), header.data() + 2);
    qToLittleEndian<quint32>(offBits, header.data() + 10);
    return header + info + palette + pixels;
}

// A palette of BGRX entries: black, then white, then red.
const QByteArray kPalette3("\0\0\0\0\xff\xff\xff\0\0\0\xff\0", 12);

} // namespace

class tst_bmpreader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goodFiles_data();
    void goodFiles();
    void questionableFiles_data();
    void questionableFiles();
    void badFiles_data();
    void badFiles();
    void builtDamage_data();
    void builtDamage();
    void lastRowPaddingMayBeMissing();
    void imageMagickFiles_data();
    void imageMagickFiles();
    void runsPastTheRowEndAreClipped_data();
    void runsPastTheRowEndAreClipped();
    void absurdSizesAreRefusedBeforeAllocating_data();
    void absurdSizesAreRefusedBeforeAllocating();
};

void tst_bmpreader::initTestCase()
{
    if (!QDir(testdata(QString())).exists())
        QSKIP("test pictures not found (" KORVANE_TESTDATA ")");
}

// Every bmpsuite "good" file and the real photos: the pixels against two
// independent renderings (bmpsuite's own PNG and ImageMagick), exactly, as
// every case is lossless; and the pixel format the file had.
void tst_bmpreader::goodFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("reference"); // bmpsuite PNG, or empty

    const auto row = [](const char *file, QImage::Format format, const char *reference) {
        QTest::newRow(file) << QString::fromLatin1(file) << int(format)
                            << QString::fromLatin1(reference);
    };
    row("bmpsuite/g/pal1.bmp", QImage::Format_Mono, "pal1.png");
    row("bmpsuite/g/pal1wb.bmp", QImage::Format_Mono, "pal1.png");
    row("bmpsuite/g/pal1bg.bmp", QImage::Format_Mono, "pal1bg.png");
    row("bmpsuite/g/pal4.bmp", QImage::Format_Indexed8, "pal4.png");
    row("bmpsuite/g/pal4gs.bmp", QImage::Format_Indexed8, "pal4gs.png");
    row("bmpsuite/g/pal4rle.bmp", QImage::Format_Indexed8, "pal4.png");
    row("bmpsuite/g/pal8.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8-0.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8gs.bmp", QImage::Format_Indexed8, "pal8gs.png");
    row("bmpsuite/g/pal8rle.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8w126.bmp", QImage::Format_Indexed8, "pal8w126.png");
    row("bmpsuite/g/pal8w125.bmp", QImage::Format_Indexed8, "pal8w125.png");
    row("bmpsuite/g/pal8w124.bmp", QImage::Format_Indexed8, "pal8w124.png");
    row("bmpsuite/g/pal8topdown.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8nonsquare.bmp", QImage::Format_Indexed8, "pal8nonsquare-e.png");
    row("bmpsuite/g/pal8os2.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8v4.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/pal8v5.bmp", QImage::Format_Indexed8, "pal8.png");
    row("bmpsuite/g/rgb16.bmp", QImage::Format_RGB555, "rgb16.png");
    row("bmpsuite/g/rgb16bfdef.bmp", QImage::Format_RGB555, "rgb16.png");
    row("bmpsuite/g/rgb16-565.bmp", QImage::Format_RGB16, "rgb16-565.png");
    row("bmpsuite/g/rgb16-565pal.bmp", QImage::Format_RGB16, "rgb16-565.png");
    row("bmpsuite/g/rgb24.bmp", QImage::Format_RGB32, "rgb24.png");
    row("bmpsuite/g/rgb24pal.bmp", QImage::Format_RGB32, "rgb24.png");
    row("bmpsuite/g/rgb32.bmp", QImage::Format_RGB32, "rgb24.png");
    row("bmpsuite/g/rgb32bfdef.bmp", QImage::Format_RGB32, "rgb24.png");
    row("bmpsuite/g/rgb32bf.bmp", QImage::Format_RGB32, "rgb24.png");
    row("other/hopper.bmp", QImage::Format_RGB32, "");
    row("other/hopper_rle8.bmp", QImage::Format_Indexed8, "");
    // Three runs lengthened to 255 pixels: the rows are cut at the right edge.
    row("other/hopper_rle8_row_overflow.bmp", QImage::Format_Indexed8, "");
}

void tst_bmpreader::goodFiles()
{
    QFETCH(QString, file);
    QFETCH(int, format);
    QFETCH(QString, reference);

    const QImage image = readBmp(readAll(testdata(file)));
    QCOMPARE(image.format(), QImage::Format(format));
    // Qt widens 5- and 6-bit channels by repeating their top bits, which can
    // be 1 below the rounded value the references hold.
    const int tolerance = format == QImage::Format_RGB555 || format == QImage::Format_RGB16 ? 1 : 0;
    if (!reference.isEmpty()) {
        const QImage want = suiteReference(reference);
        QVERIFY2(!want.isNull(), qPrintable(reference));
        const QString diff = firstDifference(image, want, tolerance);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("against %1: %2").arg(reference, diff)));
    }
    if (reference::haveConvert()) {
        const QImage want = reference::decodeWithConvert(testdata(file));
        QVERIFY2(!want.isNull(), "ImageMagick could not read the file");
        const QString diff = firstDifference(image, want, tolerance);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("against ImageMagick: ") + diff));
    }
}

// The "questionable" files: every one loads, in the format its depth and
// masks call for (palette files indexed, 5-5-5 kept). Where bmpsuite gives a rendering it is the
// reference; for pixels RLE leaves undefined that is the rendering in palette colour 0. The match
// is exact, except by 1 where a channel is not 8 bits wide: the references were quantised from
// 8-bit values, and scaling back does not always round to the same value.
void tst_bmpreader::questionableFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reference"); // empty: pixels unchecked
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<int>("format");

    const auto row = [](const char *file, const char *reference, int tolerance = 0) {
        const QByteArray name(file);
        QImage::Format format = QImage::Format_RGB32;
        if (name.startsWith("pal1"))
            format = QImage::Format_Mono;
        else if (name.startsWith("pal"))
            format = QImage::Format_Indexed8;
        else if (name == "rgb16faketrns.bmp" || name == "rgba16-5551.bmp")
            format = QImage::Format_RGB555;
        QTest::newRow(file) << QStringLiteral("bmpsuite/q/") + QString::fromLatin1(file)
                            << QString::fromLatin1(reference) << tolerance << int(format);
    };
    row("pal1p1.bmp", "pal1p1.png");
    row("pal2.bmp", "pal2.png");
    row("pal2color.bmp", "pal2color.png");
    row("pal4rletrns.bmp", "pal4rletrns-0.png");
    row("pal4rlecut.bmp", "pal4rlecut-0.png");
    row("pal8rletrns.bmp", "pal8rletrns-0.png");
    row("pal8rlecut.bmp", "pal8rlecut-0.png");
    row("pal8offs.bmp", "pal8.png");
    row("pal8oversizepal.bmp", "pal8.png");
    row("pal8os2-sz.bmp", "pal8.png");
    row("pal8os2-hs.bmp", "pal8.png");
    row("pal8os2sp.bmp", "pal8.png");
    row("pal8os2v2.bmp", "pal8.png");
    row("pal8os2v2-16.bmp", "pal8.png");
    row("pal8os2v2-sz.bmp", "pal8.png");
    row("pal8os2v2-40sz.bmp", "pal8.png");
    row("rgb24rle24.bmp", "pal8.png");
    row("pal1huffmsb.bmp", "pal1.png");
    row("rgb16faketrns.bmp", "rgb16.png", 1);
    row("rgb16-231.bmp", "rgb16-231.png", 1);
    row("rgb16-3103.bmp", "rgb16-3103.png", 1);
    row("rgba16-4444.bmp", "rgba16-4444.png", 1);
    row("rgba16-5551.bmp", "rgba16-5551.png", 1);
    row("rgba16-1924.bmp", "rgba16-1924.png", 1);
    row("rgb24largepal.bmp", "rgb24.png");
    row("rgb24lprof.bmp", "rgb24.png");
    row("rgb24png.bmp", "rgb24.png");
    row("rgb24jpeg.bmp", "rgb24.jpg"); // the same JPEG data as the reference
    row("rgb32-xbgr.bmp", "rgb24.png");
    row("rgb32fakealpha.bmp", "rgb24.png");
    row("rgb32-111110.bmp", "rgb24.png", 1);
    row("rgb32-7187.bmp", "rgb32-7187.png", 1);
    row("rgb32h52.bmp", "rgb24.png");
    row("rgba32-1.bmp", "rgba32.png");
    row("rgba32-2.bmp", "rgba32.png");
    row("rgba32-1010102.bmp", "rgba32-1010102.png", 1);
    row("rgba32-81284.bmp", "rgba32-81284.png", 1);
    row("rgba32-61754.bmp", "rgba32-61754.png", 1);
    row("rgba32abf.bmp", "rgba32.png");
    row("rgba32h56.bmp", "rgba32.png");
    row("rgba64.bmp", "rgba32.png", 1); // linear light, turned into sRGB
    QTest::newRow("x/ba-bm.bmp") << QStringLiteral("bmpsuite/x/ba-bm.bmp")
                                 << QStringLiteral("pal8.png") << 0 << int(QImage::Format_Indexed8);
}

void tst_bmpreader::questionableFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, reference);
    QFETCH(int, tolerance);
    QFETCH(int, format);

    const QByteArray content = readAll(testdata(file));
    QVERIFY(!content.isEmpty());
    const QImage image = readBmp(content);
    QCOMPARE(image.format(), QImage::Format(format));
    if (!reference.isEmpty()) {
        const QString diff = firstDifference(image, suiteReference(reference), tolerance);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("against %1: %2").arg(reference, diff)));
    }
}

// Damaged files: refused with the reader's error, or (where the damage is
// in a field the picture does not need) loaded; never a crash.
void tst_bmpreader::badFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("mayLoad");

    const QStringList mayLoad = {
        QStringLiteral("baddens1.bmp"),    QStringLiteral("baddens2.bmp"), // density is not used
        QStringLiteral("badfilesize.bmp"),                                 // bfSize is not used
        QStringLiteral("badbitssize.bmp"), // biSizeImage is not used for uncompressed pixels
        QStringLiteral("rgb16-880.bmp"),   // no blue bits: blue is 0
    };
    const QDir suite(testdata(QStringLiteral("bmpsuite/b")));
    const QStringList files = suite.entryList({QStringLiteral("*.bmp")}, QDir::Files);
    QVERIFY(files.size() >= 20);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << suite.filePath(f) << mayLoad.contains(f);
    for (const char *f : {"Bad_height.bmp", "Bad_width.bmp", "Bad_clrsUsed.bmp"})
        QTest::newRow(f) << testdata(QStringLiteral("other/") + QLatin1String(f)) << false;
}

void tst_bmpreader::badFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, mayLoad);

    const QByteArray content = readAll(file);
    QVERIFY(!content.isEmpty());
    try {
        const QImage image = readBmp(content);
        QVERIFY2(mayLoad, "a damaged file loaded");
        QVERIFY(!image.isNull());
    } catch (const KorvaneError &e) {
        QVERIFY(!e.message().isEmpty());
    }
}

// Damage the test pictures do not cover, in files built here.
void tst_bmpreader::builtDamage_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray pixels8("\x02\x01\0\0\x00\x02\0\0", 8); // 2 x 2, rows padded to 4 bytes
    QTest::newRow("zero height") << makeBmp(2, 0, 8, 0, kPalette3, pixels8);
    QTest::newRow("RLE8 without end marker")
        << makeBmp(2, 2, 8, 1, kPalette3, QByteArray("\x02\x01\0\0\x01\x02", 6));
    QTest::newRow("RLE8 literal cut short")
        << makeBmp(2, 2, 8, 1, kPalette3, QByteArray("\0\x04\x01", 3));
    QTest::newRow("RLE8 index beyond the palette")
        << makeBmp(2, 2, 8, 1, kPalette3, QByteArray("\x02\x03\0\x01", 4));
    // Runs are cut at the row end, but a delta still may not leave the picture.
    QTest::newRow("RLE8 delta below the picture")
        << makeBmp(2, 2, 8, 1, kPalette3, QByteArray("\x01\x01\0\x02\0\x03", 6));
    QTest::newRow("RLE8 delta right after a cut run")
        << makeBmp(2, 2, 8, 1, kPalette3, QByteArray("\x03\x01\0\x02\x01\0", 6));
}

void tst_bmpreader::builtDamage()
{
    QFETCH(QByteArray, file);
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readBmp(file));
}

// Some writers leave out the padding of the last row; the pixels are all
// there, so the picture loads.
void tst_bmpreader::lastRowPaddingMayBeMissing()
{
    const QByteArray file = makeBmp(2, 2, 8, 0, kPalette3, QByteArray("\x02\x01\0\0\x00\x02", 6));
    const QImage image = readBmp(file);
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(1, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(0, 1), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 1), qRgb(255, 255, 255));
}

// ImageMagick's common BMP variants of a small picture of few colours, odd and
// even wide, against the picture itself and against ImageMagick's own decode.
// Its RLE8 writer encodes each row to the padded byte width (16 pixels for
// both widths here), so runs cross the right edge.
void tst_bmpreader::imageMagickFiles_data()
{
    QTest::addColumn<QString>("format"); // convert's output prefix
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("width");
    QTest::addColumn<quint32>("headerSize");
    QTest::addColumn<quint32>("compression");

    const QStringList none;
    const QStringList palette = {QStringLiteral("-type"), QStringLiteral("Palette")};
    const QStringList rle = {QStringLiteral("-compress"), QStringLiteral("RLE")};
    for (const int width : {13, 14}) {
        const auto row = [width](const char *name, const char *format, const QStringList &options,
                                 quint32 headerSize, quint32 compression) {
            QTest::addRow("%s, %d wide", name, width)
                << QString::fromLatin1(format) << options << width << headerSize << compression;
        };
        row("default", "", none, 124, 0);
        row("BMP2", "BMP2:", none, 12, 0);
        row("BMP3", "BMP3:", none, 40, 0);
        row("palette", "", palette, 124, 0);
        row("RLE8", "", rle, 124, 1);
        row("BMP3 RLE8", "BMP3:", palette + rle, 40, 1);
    }
}

void tst_bmpreader::imageMagickFiles()
{
    QFETCH(QString, format);
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QFETCH(quint32, headerSize);
    QFETCH(quint32, compression);
    if (!reference::haveConvert())
        QSKIP("ImageMagick's convert is not installed");

    // Four colours in runs of 1 to 4 pixels whose phase moves from row to row,
    // so the rows end in every colour and in runs of every length. Stored as a
    // palette PNG, which ImageMagick keeps as a palette picture.
    QImage source(width, 9, QImage::Format_Indexed8);
    source.setColorTable(
        {qRgb(0x20, 0x40, 0x80), qRgb(255, 255, 255), qRgb(0xE0, 0x30, 0x30), qRgb(0, 0, 0)});
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < width; ++x)
            source.setPixel(x, y, uint((x / (y % 4 + 1) + y) % 4));
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("source.png"));
    const QString bmp = dir.filePath(QStringLiteral("picture.bmp"));
    QVERIFY(source.save(png));
    QProcess convert;
    convert.start(QStringLiteral("convert"),
                  QStringList{png} + options + QStringList{format + bmp});
    QVERIFY(convert.waitForFinished(60000));
    QVERIFY2(convert.exitStatus() == QProcess::NormalExit && convert.exitCode() == 0,
             convert.readAllStandardError().constData());

    // The file must be the variant the row is about: a palette file, and
    // RLE8 where asked for.
    const QByteArray file = readAll(bmp);
    QVERIFY(file.size() > 34);
    const char *info = file.constData() + 14;
    QCOMPARE(qFromLittleEndian<quint32>(info), headerSize);
    const bool os2 = headerSize == 12;
    QCOMPARE(os2 ? 0 : qFromLittleEndian<quint32>(info + 16), compression);
    const int bitCount = qFromLittleEndian<quint16>(info + (os2 ? 10 : 14));
    QVERIFY2(bitCount <= 8 && (compression == 0 || bitCount == 8),
             qPrintable(QString::number(bitCount)));

    QImage image;
    try {
        image = readBmp(file);
    } catch (const KorvaneError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QString diff = firstDifference(image, source);
    QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("against the picture: ") + diff));
    const QImage want = reference::decodeWithConvert(bmp);
    QVERIFY2(!want.isNull(), "ImageMagick could not read its own file");
    diff = firstDifference(image, want);
    QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("against ImageMagick: ") + diff));
}

// Runs that go past the row end, in built files: the pixels inside the row are
// kept, the rest dropped, and an absolute run still takes all its bytes and
// its pad byte, so the next row decodes from the right place. The dropped
// bytes would read as end-of-line or end-of-picture codes if they were not.
void tst_bmpreader::runsPastTheRowEndAreClipped_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QRgb>>("pixels"); // top row first

    const QRgb w = qRgb(255, 255, 255), r = qRgb(255, 0, 0);
    // The bottom row: a run of 3 on a row of 2, then a run wholly past the end.
    QTest::newRow("RLE8 runs") << makeBmp(
                                      2, 2, 8, 1, kPalette3,
                                      QByteArray("\x03\x01\x01\x02\0\0\x01\x02\x01\x01\0\x01", 12))
                               << QList<QRgb>{r, w, w, w};
    // Five literal pixels (the last three 0 1 2) on a row of 2, padded to 6 bytes.
    QTest::newRow("RLE8 odd absolute run")
        << makeBmp(2, 2, 8, 1, kPalette3,
                   QByteArray("\0\x05\x01\x02\0\x01\x02\0\0\0\x01\x02\x01\x01\0\x01", 16))
        << QList<QRgb>{r, w, w, r};
    // Five literal pixels (3 bytes, the last 0, padded to 4) on a row of 3;
    // above, an alternating run of 4.
    QTest::newRow("RLE4 odd absolute run and run")
        << makeBmp(3, 2, 4, 2, kPalette3, QByteArray("\0\x05\x12\x10\0\0\0\0\x04\x21\0\x01", 12))
        << QList<QRgb>{r, w, r, w, r, w};
    // Three literal pixels (9 bytes, padded to 10) on a row of 2 (OS/2 2.x).
    QTest::newRow("RLE24 absolute run")
        << makeBmp(2, 2, 24, 4, QByteArray(),
                   QByteArray("\0\x03\xff\0\0\0\xff\0\0\0\xff\0\0\0\x03\x10\x20\x30\0\x01", 20), 64)
        << QList<QRgb>{qRgb(0x30, 0x20, 0x10), qRgb(0x30, 0x20, 0x10), qRgb(0, 0, 255),
                       qRgb(0, 255, 0)};
    // A third literal pixel on a row of 2; ImageMagick shows the same pixels.
    const QRgb blue = qRgb(0, 0, 255);
    QTest::newRow("rle_overflow.bmp") << readAll(testdata(QStringLiteral("other/rle_overflow.bmp")))
                                      << QList<QRgb>{blue, blue, blue, r};
}

void tst_bmpreader::runsPastTheRowEndAreClipped()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QRgb>, pixels);

    QVERIFY(!file.isEmpty());
    QImage image;
    try {
        image = readBmp(file);
    } catch (const KorvaneError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(qsizetype(image.width()) * image.height(), pixels.size());
    for (int i = 0; i < pixels.size(); ++i) {
        const QPoint at(i % image.width(), i / image.width());
        QVERIFY2(image.pixel(at) == pixels[i],
                 qPrintable(QStringLiteral("pixel (%1,%2) is #%3, want #%4")
                                .arg(at.x())
                                .arg(at.y())
                                .arg(image.pixel(at), 8, 16, QLatin1Char('0'))
                                .arg(pixels[i], 8, 16, QLatin1Char('0'))));
    }
}

// A header may claim any size: the reader must refuse it with a clear
// message, not try to take the memory (or die trying).
void tst_bmpreader::absurdSizesAreRefusedBeforeAllocating_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");

    const QString tooLarge = QStringLiteral("画像が大きすぎます");
    const QString invalid = QStringLiteral("ビットマップ イメージが不正です");
    QTest::newRow("100000 x 100000, 24 bit")
        << makeBmp(100000, 100000, 24, 0, QByteArray(), QByteArray(64, '\0')) << tooLarge;
    QTest::newRow("100000 x 100000, RLE8")
        << makeBmp(100000, 100000, 8, 1, kPalette3, QByteArray("\0\x01", 2)) << tooLarge;
    QTest::newRow("-2147483648 high") << makeBmp(16, std::numeric_limits<qint32>::min(), 24, 0,
                                                 QByteArray(), QByteArray(64, '\0'))
                                      << tooLarge;
    // Allowed as a size, but the file holds 64 bytes of the 768 MB of pixels.
    QTest::newRow("16000 x 16000, 24 bit, no pixels")
        << makeBmp(16000, 16000, 24, 0, QByteArray(), QByteArray(64, '\0')) << invalid;
}

void tst_bmpreader::absurdSizesAreRefusedBeforeAllocating()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        readBmp(file);
        QFAIL("an absurd size was accepted");
    } catch (const KorvaneError &e) {
        QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
    }
}

QTEST_MAIN(tst_bmpreader)
#include "tst_bmpreader.moc"
