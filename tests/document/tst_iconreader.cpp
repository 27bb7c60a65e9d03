#include "common/KorvaneError.h"
#include "document/ReferenceDecoder.h"
#include "document/formats/IconReader.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QtEndian>

using korvane::CursorPicture;
using korvane::KorvaneError;
using korvane::readCursor;
using korvane::readIcon;
using reference::firstDifference;

using reference::readAll;

namespace {

QString icoPath(const QString &name)
{
    return QStringLiteral(KORVANE_TESTDATA "/ico/") + name;
}

// The icon turned into a cursor: directory type 2, and every entry's
// planes/bit-count fields holding the hot spot.
QByteArray asCursor(QByteArray icon, quint16 hotX, quint16 hotY)
{
    qToLittleEndian<quint16>(2, icon.data() + 2);
    const int count = qFromLittleEndian<quint16>(icon.constData() + 4);
    for (int i = 0; i < count; ++i) {
        qToLittleEndian<quint16>(hotX, icon.data() + 6 + 16 * i + 4);
        qToLittleEndian<quint16>(hotY, icon.data() + 6 + 16 * i + 6);
    }
    return icon;
}

} // namespace

class tst_iconreader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goodIcons_data();
    void goodIcons();
    void badIcons_data();
    void badIcons();
    void cursor();
    void directoryDamage_data();
    void directoryDamage();
};

void tst_iconreader::initTestCase()
{
    if (!QDir(icoPath(QString())).exists())
        QSKIP("test pictures not found (" KORVANE_TESTDATA ")");
}

// Each good icon: the entry chosen (nearest to 32 x 32, then most colours,
// then the first) and its pixels and transparency against ImageMagick's
// decoding of that entry, exactly.
void tst_iconreader::goodIcons_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QSize>("size");

    const auto row = [](const char *file, int entry, int w, int h) {
        QTest::newRow(file) << QString::fromLatin1(file) << entry << QSize(w, h);
    };
    row("smile.ico", 0, 32, 32);                                     // 4 bit, AND mask
    row("multiple_entries_with_different_bit_depth.ico", 6, 32, 32); // 32 x 32 at 32 bit wins
    row("two-entry-order-test.ico", 0, 48, 48);                      // equal entries: the first
    row("pillow.ico", 2, 32, 32);                                    // not the 256 x 256 PNG
    row("bmp-24bpp-mask.ico", 0, 32, 32);
    row("bmp-32bpp-alpha.ico", 0, 32, 32);
    row("bmp-32bpp-conflicting-and-mask.ico", 0, 16, 16);
    row("png-32bpp-alpha.ico", 0, 32, 32);
    row("png_l8.ico", 0, 32, 32);
    row("lenient-bpp.ico", 0, 256, 256);        // directory claims 500 bits per pixel
    row("truncated_mask_32bpp.ico", 0, 64, 64); // alpha makes the short mask unneeded
    row("hopper_256x256.ico", 0, 256, 256);     // 0 in the directory means 256
    row("hopper.ico", 0, 16, 16);
    row("hopper_mask.ico", 0, 16, 16);
    row("hopper_unexpected.ico", 0, 16, 16); // the entry's own header gives the size
    row("black_and_white.ico", 0, 16, 16);
}

void tst_iconreader::goodIcons()
{
    QFETCH(QString, file);
    QFETCH(int, entry);
    QFETCH(QSize, size);

    const QImage image = readIcon(readAll(icoPath(file)));
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.size(), size);
    if (!reference::haveConvert())
        QSKIP("ImageMagick's convert is not installed");
    const QImage want = reference::decodeWithConvert(icoPath(file), entry);
    QVERIFY2(!want.isNull(), "ImageMagick could not read the entry");
    const QString diff = firstDifference(image, want, 0, true);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_iconreader::badIcons_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files =
        QDir(icoPath(QString()))
            .entryList({QStringLiteral("Bad_*.ico"), QStringLiteral("crash-*.ico"),
                        QStringLiteral("oom-*.ico"), QStringLiteral("decompression_bomb.ico")},
                       QDir::Files);
    QCOMPARE(files.size(), 4);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << f;
}

// Damaged entries (cut short, pointing outside the file, claiming a size the
// data cannot have) are refused with the reader's error.
void tst_iconreader::badIcons()
{
    QFETCH(QString, file);
    const QByteArray content = readAll(icoPath(file));
    QVERIFY(!content.isEmpty());
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readIcon(content));
}

void tst_iconreader::cursor()
{
    const QByteArray icon = readAll(icoPath(QStringLiteral("smile.ico")));
    QVERIFY(!icon.isEmpty());
    const QByteArray cur = asCursor(icon, 7, 21);

    // The hot spot fields must not be taken for a bit count: the same entry
    // is chosen as for the icon, with the same pixels.
    const CursorPicture picture = readCursor(cur);
    QCOMPARE(picture.hotSpot, QPoint(7, 21));
    QCOMPARE(picture.image.format(), QImage::Format_ARGB32);
    QCOMPARE(picture.image, readIcon(icon));

    // Each reader takes only its own kind of file.
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readIcon(cur));
    QVERIFY_THROWS_EXCEPTION(KorvaneError, readCursor(icon));
}

void tst_iconreader::directoryDamage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loads");

    const QByteArray smile = readAll(icoPath(QStringLiteral("smile.ico")));
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("directory only") << smile.left(6) << false;
    QByteArray noEntries = smile;
    noEntries[4] = 0;
    QTest::newRow("no entries") << noEntries << false;
    QByteArray tooMany = smile;
    tooMany[4] = char(200);
    QTest::newRow("entries past the end") << tooMany << false;

    // The 32 x 32 entry pointing outside the file: the 16 x 16 one is shown.
    QByteArray firstBroken = smile;
    qToLittleEndian<quint32>(0xFFFFFFF0, firstBroken.data() + 6 + 12);
    QTest::newRow("one entry broken") << firstBroken << true;
    QByteArray bothBroken = firstBroken;
    qToLittleEndian<quint32>(0x7FFFFFFF, bothBroken.data() + 6 + 16 + 8);
    QTest::newRow("all entries broken") << bothBroken << false;

    // A 354-byte icon whose PNG entry has a chunk claiming 1.7 GB: refused
    // at once, without taking the memory the chunk claims.
    QTest::newRow("PNG chunk longer than the file")
        << QByteArray::fromBase64("AAABAAEAAAAAAAEA9AFMAQAAFgAAAIlQTkcNChoKAAAADUlIRFIAAAEAAAABAAED"
                                  "AAAAZrw6JQAAACBjSFJNAAB6"
                                  "JgAAgIQAAPoAAACA6AAAdTAAAOpgAAA6mAAAF3CculE8AAAABlBMVEX/AAD///"
                                  "9BHTQRAAAAAWJLR0QB/wIt3gAA"
                                  "AAd0SU1xdC5jb3JlLnBsdWdpbi4ldEVYdGRhdGU6Y3JlYXRlADIwMjYtMDYtMTFU"
                                  "MTQ6NDA6NTErMDA6MDDJh5AB"
                                  "AAAAJXRFWHRkYXRlOm1vZGlmeQAyMDI2LTA2LTExVDE0OjQwOjUxKzAwOjAwuNoo"
                                  "vQAAACh0RVh0ZGF0ZTp0aW1l"
                                  "c3RhbXAAMjAyNi0wNi0xMVQxNDo0MDo1MSswMDowMO/"
                                  "PCWIAAAAfSURBVGje7cEBDQAAAMKg909tDjegAAAAAAAA"
                                  "AAC+DSEAAAF/GZynAAAAAElFTkSuQmCC")
        << false;
}

void tst_iconreader::directoryDamage()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loads);
    if (loads)
        QCOMPARE(readIcon(file).size(), QSize(16, 16));
    else
        QVERIFY_THROWS_EXCEPTION(KorvaneError, readIcon(file));
}

QTEST_MAIN(tst_iconreader)
#include "tst_iconreader.moc"
