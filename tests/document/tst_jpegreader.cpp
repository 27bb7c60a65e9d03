#include "common/KorvaneError.h"
#include "document/ReferenceDecoder.h"
#include "document/formats/JpegReader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cstdio>
#include <jerror.h> // the message codes the reader reports
#include <jpeglib.h>

using korvane::KorvaneError;
using korvane::readJpeg;

namespace {

QString jpegDir()
{
    return QStringLiteral(KORVANE_TESTDATA "/jpeg");
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The files libjpeg refuses, with the message code it gives for each.
struct ExpectedFailure
{
    const char *file;
    int code;
};
const ExpectedFailure kFailures[] = {
    {"empty.jpg", JERR_INPUT_EMPTY},
    {"jpg-size-6x6.jpg", JERR_NO_SOI}, // PNG content under a .jpg name
    {"missing-sos.jpg", JERR_SOF_NO_SOS},
    {"monkey12.jpg", JERR_BAD_PRECISION},
    {"null_height.jpg", JERR_EMPTY_IMAGE},
};

QSet<QString> failureNames()
{
    QSet<QString> names;
    for (const ExpectedFailure &f : kFailures)
        names.insert(QString::fromLatin1(f.file));
    return names;
}

// Empty when equal, otherwise where and how the pictures first differ.
QString firstDifference(const QImage &got, const QImage &want)
{
    if (got.size() != want.size())
        return QStringLiteral("size %1x%2, want %3x%4")
            .arg(got.width())
            .arg(got.height())
            .arg(want.width())
            .arg(want.height());
    for (int y = 0; y < got.height(); ++y) {
        if (got.format() == QImage::Format_Grayscale8) {
            const uchar *g = got.constScanLine(y), *w = want.constScanLine(y);
            for (int x = 0; x < got.width(); ++x)
                if (g[x] != w[x])
                    return QStringLiteral("(%1,%2): %3, want %4").arg(x).arg(y).arg(g[x]).arg(w[x]);
        } else {
            const QRgb *g = reinterpret_cast<const QRgb *>(got.constScanLine(y));
            const uchar *w = want.constScanLine(y); // RGB888
            for (int x = 0; x < got.width(); ++x) {
                const QRgb expected = qRgb(w[3 * x], w[3 * x + 1], w[3 * x + 2]);
                if (g[x] != expected) // also catches a padding byte other than 0xFF
                    return QStringLiteral("(%1,%2): %3, want %4")
                        .arg(x)
                        .arg(y)
                        .arg(g[x], 8, 16, QLatin1Char('0'))
                        .arg(expected, 8, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}

// The byte offset of the frame header's height field, found by walking the
// marker segments from SOI (a plain byte search could hit an APPn's content).
qsizetype sofSizeOffset(const QByteArray &jpeg)
{
    qsizetype i = 2;
    while (i + 9 < jpeg.size() && uchar(jpeg[i]) == 0xFF) {
        const uchar m = uchar(jpeg[i + 1]);
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return i + 5;
        i += 2 + (uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]));
    }
    return -1;
}

QByteArray withSize(QByteArray jpeg, int width, int height)
{
    const qsizetype at = sofSizeOffset(jpeg);
    if (at < 0)
        return {};
    jpeg[at] = char(height >> 8);
    jpeg[at + 1] = char(height);
    jpeg[at + 2] = char(width >> 8);
    jpeg[at + 3] = char(width);
    return jpeg;
}

} // namespace

class tst_jpegreader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void matchesDjpeg_data();
    void matchesDjpeg();

    void refusedFiles_data();
    void refusedFiles();

    void claimedSize_data();
    void claimedSize();

    void truncatedKeepsDecodedRows();
};

void tst_jpegreader::initTestCase()
{
    if (!QDir(jpegDir()).exists())
        QSKIP("the test pictures (" KORVANE_TESTDATA "/jpeg) are not there");
}

// Every readable file of the folder, so that a picture added later is
// checked too.
void tst_jpegreader::matchesDjpeg_data()
{
    QTest::addColumn<QString>("path");
    const QSet<QString> failures = failureNames();
    const QStringList names =
        QDir(jpegDir()).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files);
    for (const QString &name : names)
        if (!failures.contains(name))
            QTest::newRow(qPrintable(name)) << QDir(jpegDir()).filePath(name);
}

void tst_jpegreader::matchesDjpeg()
{
    QFETCH(QString, path);
    if (!reference::haveDjpeg())
        QSKIP("djpeg is not installed");
    const QImage want = reference::decodeWithDjpeg(path);
    QVERIFY2(!want.isNull(), "djpeg refused the file");

    QImage got;
    try {
        got = readJpeg(readAll(path));
    } catch (const KorvaneError &e) {
        QFAIL(qPrintable(e.message()));
    }
    const bool grey = want.format() == QImage::Format_Grayscale8;
    QCOMPARE(got.format(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    const QString diff = firstDifference(
        got, want.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_jpegreader::refusedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    for (const ExpectedFailure &f : kFailures)
        QTest::newRow(f.file) << QDir(jpegDir()).filePath(QString::fromLatin1(f.file)) << f.code;
}

void tst_jpegreader::refusedFiles()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QVERIFY(QFile::exists(path));
    try {
        readJpeg(readAll(path));
        QFAIL("loaded");
    } catch (const KorvaneError &e) {
        QCOMPARE(e.message(), QStringLiteral("JPEG エラー #%1").arg(code));
    }
}

// A header may claim any size; the refusal must come before the memory for
// it is taken, and a zero side is libjpeg's own error.
void tst_jpegreader::claimedSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("message"); // a pattern
    const QString tooLarge = QStringLiteral("^画像が大きすぎます");
    QTest::newRow("65500 x 65500") << 65500 << 65500 << tooLarge;
    QTest::newRow("sides allowed, area not") << 32767 << 32767 << tooLarge;
    QTest::newRow("one side too long") << 40000 << 16 << tooLarge;
    QTest::newRow("zero width") << 0 << 149
                                << QStringLiteral("^JPEG エラー #%1$").arg(JERR_EMPTY_IMAGE);
}

void tst_jpegreader::claimedSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, message);
    const QByteArray jpeg =
        withSize(readAll(QDir(jpegDir()).filePath(QStringLiteral("testorig.jpg"))), width, height);
    QVERIFY(!jpeg.isEmpty());
    try {
        readJpeg(jpeg);
        QFAIL("loaded");
    } catch (const KorvaneError &e) {
        QVERIFY2(QRegularExpression(message).match(e.message()).hasMatch(),
                 qPrintable(e.message()));
    }
}

// A file cut short is a warning, not an error: the rows that were in the file
// come out as in the whole file, and libjpeg fills the rest; the reader says
// it was cut short, so that the user can be told.
void tst_jpegreader::truncatedKeepsDecodedRows()
{
    const QByteArray whole = readAll(QDir(jpegDir()).filePath(QStringLiteral("testorig.jpg")));
    QVERIFY(!whole.isEmpty());
    bool cutShort = true;
    const QImage full = readJpeg(whole, &cutShort);
    QVERIFY(!cutShort);
    const QImage cut = readJpeg(whole.left(whole.size() / 2), &cutShort);
    QVERIFY(cutShort);
    QCOMPARE(cut.size(), full.size());
    QCOMPARE(cut.format(), full.format());
    const int rows = full.height() / 4; // well inside the half that was kept
    QVERIFY(rows > 0);
    for (int y = 0; y < rows; ++y)
        QVERIFY2(memcmp(cut.constScanLine(y), full.constScanLine(y), size_t(full.width()) * 4) == 0,
                 qPrintable(QStringLiteral("row %1").arg(y)));
    QVERIFY(cut != full);
}

QTEST_MAIN(tst_jpegreader)
#include "tst_jpegreader.moc"
