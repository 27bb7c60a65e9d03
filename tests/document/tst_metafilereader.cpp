#include "common/KorvaneError.h"
#include "document/formats/MetafileReader.h"
#include "document/formats/MetafileToSvg.h"
#include "document/ReferenceDecoder.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <climits>
#include <csignal>

using korvane::ConversionOutcome;
using korvane::KorvaneError;

using reference::readAll;

namespace {

const QString kInvalid = QStringLiteral("メタファイルが不正です");

QString testdata(const QString &name)
{
    return QStringLiteral(KORVANE_TESTDATA "/wmf/") + name;
}

#define REQUIRE_TESTDATA()                                                                         \
    if (!QFile::exists(testdata(QStringLiteral("fjftest.wmf"))))                                   \
    QSKIP("test pictures not found in " KORVANE_TESTDATA "/wmf")

// The message of the KorvaneError that f throws; empty when it throws none.
template <typename F> QString errorOf(F f)
{
    try {
        f();
    } catch (const KorvaneError &e) {
        return e.message();
    }
    return {};
}

// A placeable header (22 bytes) with a valid checksum, followed by a minimal
// metafile (header and end record).
QByteArray placeable(qint16 left, qint16 top, qint16 right, qint16 bottom, quint16 unitsPerInch)
{
    QByteArray file(22, '\0');
    auto *p = reinterpret_cast<uchar *>(file.data());
    qToLittleEndian<quint32>(0x9AC6CDD7, p);
    qToLittleEndian<qint16>(left, p + 6);
    qToLittleEndian<qint16>(top, p + 8);
    qToLittleEndian<qint16>(right, p + 10);
    qToLittleEndian<qint16>(bottom, p + 12);
    qToLittleEndian<quint16>(unitsPerInch, p + 14);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= qFromLittleEndian<quint16>(p + i);
    qToLittleEndian<quint16>(checksum, p + 20);
    const uchar meta[] = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, // header
                          3, 0, 0, 0, 0, 0};                                     // end
    file.append(reinterpret_cast<const char *>(meta), sizeof meta);
    return file;
}

// A placeable metafile (96 units per inch, 100 × 100) that writes text with
// TEXTOUT at (10, 50).
QByteArray placeableWithText(const QByteArray &text)
{
    QByteArray file = placeable(0, 0, 100, 100, 96);
    file.chop(6); // end record
    QByteArray record(6, '\0');
    QByteArray parameters(2, '\0');
    qToLittleEndian<qint16>(qint16(text.size()), parameters.data());
    parameters += text;
    if (text.size() % 2)
        parameters += '\0';
    parameters += QByteArray("\x32\0\x0a\0", 4); // y = 50, x = 10
    qToLittleEndian<quint32>(quint32(3 + parameters.size() / 2), record.data());
    qToLittleEndian<quint16>(0x0521, record.data() + 4);
    file += record + parameters;
    file += QByteArray("\x03\0\0\0\0\0", 6);
    // The metafile header's size (in 16-bit words) and largest record.
    qToLittleEndian<quint32>(quint32((file.size() - 22) / 2), file.data() + 22 + 6);
    qToLittleEndian<quint32>(quint32(3 + parameters.size() / 2), file.data() + 22 + 12);
    return file;
}

bool isWhite(QRgb pixel)
{
    return (pixel & 0xFFFFFF) == 0xFFFFFF;
}

bool allWhite(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (!isWhite(image.pixel(x, y)))
                return false;
    return true;
}

} // namespace

class tst_metafilereader : public QObject
{
    Q_OBJECT

private slots:
    void mulDiv_data();
    void mulDiv();

    void sizes_data();
    void sizes();
    void placeableUnitsPerInch_data();
    void placeableUnitsPerInch();
    void refused_data();
    void refused();

    void loads_data();
    void loads();
    void drawingFillsThePicture_data();
    void drawingFillsThePicture();
    void enhancedPlusOnlyIsWhite();
    void damagedFilesDoNotCrash_data();
    void damagedFilesDoNotCrash();

    void childOutcome_data();
    void childOutcome();

    void windowsSvgText_data();
    void windowsSvgText();
    void textWithMarkupCharacters();
    void patternReferences();

    void largeMetafileRenders();
};

void tst_metafilereader::mulDiv_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("want");

    QTest::newRow("exact") << 6 << 4 << 3 << 8;
    QTest::newRow("below half rounds down") << 7 << 1 << 3 << 2;
    QTest::newRow("above half rounds up") << 8 << 1 << 3 << 3;
    QTest::newRow("half rounds up") << 5 << 1 << 2 << 3;
    QTest::newRow("negative half rounds away from zero") << -5 << 1 << 2 << -3;
    QTest::newRow("negative divisor half") << 5 << 1 << -2 << -3;
    QTest::newRow("64-bit product") << 100000 << 100000 << 100000 << 100000;
    QTest::newRow("product beyond 32 bits, result fits")
        << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
    QTest::newRow("divisor zero") << 5 << 7 << 0 << -1;
    QTest::newRow("overflow") << INT_MAX << 2 << 1 << -1;
    QTest::newRow("negative overflow") << INT_MIN << 2 << 1 << -1;
    QTest::newRow("INT_MIN fits") << INT_MIN << 1 << 1 << INT_MIN;
    QTest::newRow("INT_MIN divided by -1 overflows") << INT_MIN << 1 << -1 << -1;
    QTest::newRow("frame to pixels") << 2899 << 10205 << 21600 << 1370;
}

void tst_metafilereader::mulDiv()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, want);
    QCOMPARE(korvane::mulDiv(a, b, c), want);
}

// The sizes were worked out by hand from each header with the rules of the
// reader (frame through the reference device; bounding box through 0.01 mm).
void tst_metafilereader::sizes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("want");

    QTest::newRow("drawing.wmf") << "drawing.wmf" << QSize(110, 110);
    QTest::newRow("fjftest.wmf, box not at origin") << "fjftest.wmf" << QSize(794, 1123);
    QTest::newRow("santa.wmf, negative box") << "santa.wmf" << QSize(181, 194);
    QTest::newRow("60677.wmf, 72 units/inch") << "60677.wmf" << QSize(1693, 1143);
    QTest::newRow("64716_image1.wmf, 2536 units/inch") << "64716_image1.wmf" << QSize(61, 41);
    QTest::newRow("empty-polygon-close.wmf") << "empty-polygon-close.wmf" << QSize(1073, 304);
    QTest::newRow("test_libuemf_ref.wmf") << "test_libuemf_ref.wmf" << QSize(1122, 794);
    QTest::newRow("drawing.emf") << "drawing.emf" << QSize(1370, 1370);
    QTest::newRow("EMF content in a .wmf file") << "drawing_emf_content.wmf" << QSize(1370, 1370);
    QTest::newRow("vector_image.emf") << "vector_image.emf" << QSize(707, 580);
    QTest::newRow("wrench.emf, frame with negative y") << "wrench.emf" << QSize(190, 115);
    QTest::newRow("63327.emf") << "63327.emf" << QSize(262, 319);
    QTest::newRow("SimpleEMF_windows.emf, 4K device") << "SimpleEMF_windows.emf" << QSize(240, 180);
    QTest::newRow("nested_wmf.emf") << "nested_wmf.emf" << QSize(3260, 2356);
    QTest::newRow("test_mm_text_ref.emf") << "test_mm_text_ref.emf" << QSize(14031, 9921);
    QTest::newRow("test_mm_twips_ref.emf, negative frame y")
        << "test_mm_twips_ref.emf" << QSize(14031, 9921);
    QTest::newRow("test_libuemf_ref.emf") << "test_libuemf_ref.emf" << QSize(14031, 9921);
    QTest::newRow("test_libuemf_p_ref.emf") << "test_libuemf_p_ref.emf" << QSize(14031, 9921);
    QTest::newRow("bad_corrupted 2014, header intact")
        << "bad_corrupted_2014-12-02-215339.emf" << QSize(14031, 9921);
}

void tst_metafilereader::sizes()
{
    REQUIRE_TESTDATA();
    QFETCH(QString, file);
    QFETCH(QSize, want);
    QCOMPARE(korvane::metafileSize(readAll(testdata(file))), want);
}

void tst_metafilereader::placeableUnitsPerInch_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<int>("want");

    QTest::newRow("0 counts as 96") << 96 << 0 << 96;
    QTest::newRow("96 per inch is one pixel each") << 500 << 96 << 500;
    QTest::newRow("1440 per inch (twips)") << 1440 << 1440 << 96;
    // 47 units at 1000/inch are 119.38 hundredths of a mm, rounded to 119
    // before the conversion to pixels: 4.497 pixels, where the direct
    // 47 × 96 / 1000 = 4.512 would round to 5.
    QTest::newRow("rounds through 0.01 mm") << 47 << 1000 << 4;
}

void tst_metafilereader::placeableUnitsPerInch()
{
    QFETCH(int, right);
    QFETCH(int, unitsPerInch);
    QFETCH(int, want);
    const QSize size =
        korvane::metafileSize(placeable(0, 0, qint16(right), qint16(right), quint16(unitsPerInch)));
    QCOMPARE(size, QSize(want, want));
}

void tst_metafilereader::refused_data()
{
    QTest::addColumn<QByteArray>("content");

    const auto file = [](const char *name) { return readAll(testdata(QString::fromLatin1(name))); };
    QTest::newRow("plain metafile 61338.wmf") << file("61338.wmf");
    QTest::newRow("plain metafile testException2.doc-2.wmf") << file("testException2.doc-2.wmf");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray(
        "this is not a picture at all, just some text that is long enough. "
        "this is not a picture at all, just some text.");

    QByteArray badChecksum = placeable(0, 0, 100, 100, 96);
    badChecksum[20] = char(badChecksum[20] ^ 1);
    QTest::newRow("placeable, checksum mismatch") << badChecksum;
    QByteArray edited = file("fjftest.wmf");
    if (!edited.isEmpty())
        edited[10] = char(edited[10] + 1); // right edge changed, checksum not
    QTest::newRow("fjftest.wmf with its box edited") << edited;
    QTest::newRow("placeable, short of its header") << placeable(0, 0, 100, 100, 96).left(21);
    QTest::newRow("placeable, zero width") << placeable(10, 0, 10, 100, 96);
    QTest::newRow("placeable, too small for a pixel") << placeable(0, 0, 1, 1, 1440);

    const QByteArray emf = file("drawing.emf");
    if (!emf.isEmpty()) {
        QTest::newRow("EMF of 100 bytes") << emf.left(100);
        QByteArray noSignature = emf;
        noSignature[41] = 'X';
        QTest::newRow("EMF without signature") << noSignature;
        QByteArray noMillimetres = emf;
        qToLittleEndian<qint32>(0, noMillimetres.data() + 80);
        QTest::newRow("EMF with zero millimetre width (division by 0)") << noMillimetres;
        QByteArray emptyFrame = emf;
        qToLittleEndian<qint32>(0, emptyFrame.data() + 36); // bottom = top
        QTest::newRow("EMF with an empty frame") << emptyFrame;
        QByteArray hugeFrame = emf;
        qToLittleEndian<qint32>(INT_MIN, hugeFrame.data() + 24); // right - left overflows
        QTest::newRow("EMF whose frame width overflows") << hugeFrame;
    }
}

void tst_metafilereader::refused()
{
    REQUIRE_TESTDATA();
    QFETCH(QByteArray, content);
    QCOMPARE(errorOf([&] { korvane::metafileSize(content); }), kInvalid);
    QCOMPARE(errorOf([&] { korvane::readMetafile(content); }), kInvalid);
}

void tst_metafilereader::loads_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name :
         {"drawing.wmf", "fjftest.wmf", "santa.wmf", "60677.wmf", "64716_image1.wmf",
          "empty-polygon-close.wmf", "drawing.emf", "drawing_emf_content.wmf", "vector_image.emf",
          "wrench.emf", "63327.emf", "SimpleEMF_windows.emf", "nested_wmf.emf",
          "test_libuemf_ref.wmf"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// 60677.wmf has Japanese text, which libwmf writes into the SVG as Shift-JIS
// bytes; nested_wmf.emf has a pattern brush; libwmf gives up on a region
// record of test_libuemf_ref.wmf, which is then drawn up to that record.
void tst_metafilereader::loads()
{
    REQUIRE_TESTDATA();
    QFETCH(QString, file);
    const QByteArray content = readAll(testdata(file));
    const QImage picture = korvane::readMetafile(content);
    QCOMPARE(picture.size(), korvane::metafileSize(content));
    QCOMPARE(picture.format(), QImage::Format_RGB32);
}

// Where the drawing must be: a spot the drawing covers (not white) and an
// area it leaves empty (white). The spots sit at the frame's edges, so a
// drawing placed or scaled wrongly fails.
void tst_metafilereader::drawingFillsThePicture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QRect>("drawn");
    QTest::addColumn<QRect>("empty");

    // Arcs, rectangles, polygons; the lower right is empty.
    QTest::newRow("fjftest.wmf") << "fjftest.wmf" << QRect(200, 400, 50, 50)
                                 << QRect(760, 1050, 34, 73);
    // Window origin (112, 64) in MM_TEXT: the circles on the left touch x = 0
    // and those on the right end at 704, next to the frame's edge (707).
    QTest::newRow("vector_image.emf, left edge")
        << "vector_image.emf" << QRect(0, 90, 3, 20) << QRect(705, 0, 2, 580);
    QTest::newRow("vector_image.emf, right edge")
        << "vector_image.emf" << QRect(702, 90, 5, 20) << QRect(0, 578, 707, 2);
    // Drawn as a circle filling its frame; the frame's corner is empty.
    QTest::newRow("drawing.emf") << "drawing.emf" << QRect(680, 680, 10, 10)
                                 << QRect(0, 0, 120, 120);
    // Entirely negative box.
    QTest::newRow("santa.wmf") << "santa.wmf" << QRect(80, 90, 20, 20) << QRect(0, 180, 8, 14);
}

void tst_metafilereader::drawingFillsThePicture()
{
    REQUIRE_TESTDATA();
    QFETCH(QString, file);
    QFETCH(QRect, drawn);
    QFETCH(QRect, empty);
    const QImage picture = korvane::readMetafile(readAll(testdata(file)));
    QVERIFY2(!allWhite(picture, drawn), "nothing drawn where the drawing is");
    QVERIFY2(allWhite(picture, empty), "drawn where the drawing is not");
}

void tst_metafilereader::enhancedPlusOnlyIsWhite()
{
    REQUIRE_TESTDATA();
    if (!qEnvironmentVariableIsSet("KORVANE_SLOW_TESTS"))
        QSKIP("a 14031 × 9921 picture; set KORVANE_SLOW_TESTS=1 to run");
    const QImage picture =
        korvane::readMetafile(readAll(testdata(QStringLiteral("test_libuemf_p_ref.emf"))));
    QCOMPARE(picture.size(), QSize(14031, 9921));
    QVERIFY(allWhite(picture, QRect(0, 0, 14031, 9921)));
}

void tst_metafilereader::damagedFilesDoNotCrash_data()
{
    QTest::addColumn<QByteArray>("content");

    const auto file = [](const char *name) { return readAll(testdata(QString::fromLatin1(name))); };
    QTest::newRow("bad_corrupted 2014 (bad RESTOREDC)")
        << file("bad_corrupted_2014-12-02-215339.emf");
    QTest::newRow("bad_corrupted 2016 (truncated, huge RLE4)")
        << file("bad_corrupted_2016-02-02-225639.emf");

    // Cut short, and with their records overwritten by 0xFF from the middle
    // on: record sizes and object indices then point far outside the file.
    for (const char *name : {"60677.wmf", "nested_wmf.emf"}) {
        const QByteArray whole = file(name);
        QTest::newRow(qPrintable(QStringLiteral("%1 cut in half").arg(QLatin1String(name))))
            << whole.left(whole.size() / 2);
        QByteArray scrambled = whole;
        for (qsizetype i = scrambled.size() / 2; i < scrambled.size(); i += 7)
            scrambled[i] = char(0xFF);
        QTest::newRow(qPrintable(QStringLiteral("%1 scrambled").arg(QLatin1String(name))))
            << scrambled;
    }
    QByteArray hugeObjects = placeable(0, 0, 100, 100, 96);
    qToLittleEndian<quint16>(0xFFFF, hugeObjects.data() + 22 + 10);     // number of objects
    qToLittleEndian<quint32>(0x7FFFFFFF, hugeObjects.data() + 22 + 12); // largest record
    QTest::newRow("placeable header, absurd record and object counts") << hugeObjects;
}

// Either refused as invalid or a picture of the size the header gives.
void tst_metafilereader::damagedFilesDoNotCrash()
{
    REQUIRE_TESTDATA();
    QFETCH(QByteArray, content);
    QSize size;
    const QString sizeError = errorOf([&] { size = korvane::metafileSize(content); });
    if (!sizeError.isEmpty()) {
        QCOMPARE(sizeError, kInvalid);
        return;
    }
    if (qint64(size.width()) * size.height() > 20'000'000 &&
        !qEnvironmentVariableIsSet("KORVANE_SLOW_TESTS"))
        QSKIP("a very large picture; set KORVANE_SLOW_TESTS=1 to run");
    QImage picture;
    const QString error = errorOf([&] { picture = korvane::readMetafile(content); });
    if (error.isEmpty())
        QCOMPARE(picture.size(), size);
    else
        QCOMPARE(error, kInvalid);
}

// The child process that runs the C libraries: what it does and what the
// parent makes of it.
void tst_metafilereader::childOutcome_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<int>("want");

    QTest::newRow("writes its SVG") << 0 << int(ConversionOutcome::Converted);
    QTest::newRow("writes more than a pipe holds") << 1 << int(ConversionOutcome::Converted);
    QTest::newRow("reports failure") << 2 << int(ConversionOutcome::Refused);
    QTest::newRow("crashes") << 3 << int(ConversionOutcome::Crashed);
    QTest::newRow("aborts") << 4 << int(ConversionOutcome::Crashed);
    QTest::newRow("loops") << 5 << int(ConversionOutcome::TimedOut);
    QTest::newRow("writes without end") << 6 << int(ConversionOutcome::TooLarge);
    QTest::newRow("exits on its own") << 7 << int(ConversionOutcome::Crashed);
}

void tst_metafilereader::childOutcome()
{
    QFETCH(int, behaviour);
    QFETCH(int, want);

    const std::string big(768 << 10, 'x'); // many pipe buffers, under the limit below
    const auto convert = [&](std::string &svg) {
        switch (behaviour) {
        case 0:
            svg = "<svg/>";
            return true;
        case 1:
            svg = big;
            return true;
        case 2:
            return false;
        case 3:
            std::raise(SIGSEGV);
            return true;
        case 4:
            std::abort();
        case 5:
            for (volatile bool spinning = true; spinning;) {
            }
            return true;
        case 6:
            svg.assign(std::size_t(2) << 20, 'y');
            return true;
        default:
            ::_exit(1); // as a sanitizer does after its report
        }
    };
    const korvane::SvgConversion result =
        korvane::convertInChild(convert, std::chrono::milliseconds(500), qsizetype(1) << 20);
    QCOMPARE(int(result.outcome), want);
    if (behaviour == 0)
        QCOMPARE(result.svg, QByteArray("<svg/>"));
    if (behaviour == 1)
        QCOMPARE(result.svg, QByteArray::fromStdString(big));
    if (want != int(ConversionOutcome::Converted))
        QVERIFY(result.svg.isEmpty());
}

// <text> elements as libwmf writes them.
void tst_metafilereader::windowsSvgText_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QByteArray>("want");

    const QByteArray open =
        "<text x=\"0\" y=\"0\" style=\"fill:black\" transform=\"matrix(1 0 0 1 5 9)\"\n\t>";
    const QByteArray close = "</text>\n";
    QTest::newRow("markup characters escaped")
        << open + "a<b&c>" + close << open + "a&lt;b&amp;c&gt;" + close;
    QTest::newRow("control characters dropped")
        << open + "a\x01\x1f" + "b" + close << open + "ab" + close;
    QTest::newRow("UTF-8 kept") << open + "caf\xc3\xa9" + close << open + "caf\xc3\xa9" + close;
    QTest::newRow("Western code page") << open + "caf\xe9" + close << open + "caf\xc3\xa9" + close;
    // "２年" as four one-byte elements: each lead byte joins its trail byte.
    QTest::newRow("Japanese split over elements")
        << open + "\x82" + close + open + "Q" + close + open + "\x94" + close + open + "N" + close
        << open + "\xef\xbc\x92" + close + open + "\xe5\xb9\xb4" + close;
    QTest::newRow("Japanese in one element")
        << open + "\x82Q\x94N" + close << open + "\xef\xbc\x92\xe5\xb9\xb4" + close;
    QTest::newRow("attributes untouched")
        << QByteArray("<polygon points=\"1,2 3,4\" style=\"fill:red\" />\n")
        << QByteArray("<polygon points=\"1,2 3,4\" style=\"fill:red\" />\n");
}

void tst_metafilereader::windowsSvgText()
{
    QFETCH(QByteArray, svg);
    QFETCH(QByteArray, want);
    QCOMPARE(korvane::readableWindowsSvg(svg), want);
}

// The text goes through libwmf and Qt: a raw "<" or "&" would make the SVG
// unreadable and the file refused.
void tst_metafilereader::textWithMarkupCharacters()
{
    const QImage picture = korvane::readMetafile(placeableWithText("A<B&C>"));
    QCOMPARE(picture.size(), QSize(100, 100));
    QVERIFY(!allWhite(picture, picture.rect()));
}

void tst_metafilereader::patternReferences()
{
    const QByteArray svg =
        "<rect fill=\"#img-12-ref\" stroke=\"#E1E6F0\" /><rect fill=\"#FF0000\" />";
    QCOMPARE(korvane::withPatternReferences(svg),
             QByteArray(
                 "<rect fill=\"url(#img-12-ref)\" stroke=\"#E1E6F0\" /><rect fill=\"#FF0000\" />"));
}

void tst_metafilereader::largeMetafileRenders()
{
    REQUIRE_TESTDATA();
    if (!qEnvironmentVariableIsSet("KORVANE_SLOW_TESTS"))
        QSKIP("a 14031 × 9921 picture; set KORVANE_SLOW_TESTS=1 to run");
    const QImage picture =
        korvane::readMetafile(readAll(testdata(QStringLiteral("test_libuemf_ref.emf"))));
    QCOMPARE(picture.size(), QSize(14031, 9921));
    // The page is drawn pale yellow edge to edge.
    QVERIFY(!isWhite(picture.pixel(7000, 5000)));
    QVERIFY(!isWhite(picture.pixel(14030, 9920)));
}

QTEST_MAIN(tst_metafilereader)
#include "tst_metafilereader.moc"
