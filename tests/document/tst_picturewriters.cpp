// The three writers, the all-or-nothing save, and the print geometry.
#include "common/KorvaneError.h"
#include "document/AtomicFile.h"
#include "document/PictureSaving.h"
#include "document/PrintGeometry.h"
#include "document/ReferenceDecoder.h"
#include "document/formats/BmpReader.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <sys/resource.h>

using namespace korvane;

namespace {

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (255 - y * 3) % 256));
    return image;
}

QByteArray written(const QImage &picture, void (*writer)(const QImage &, QIODevice &))
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writer(picture, buffer);
    return bytes;
}

quint32 u32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QString error(const std::function<void()> &work)
{
    try {
        work();
    } catch (const KorvaneError &e) {
        return e.message();
    }
    return {};
}

} // namespace

class tst_picturewriters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bmp_HeadersAndBottomUpPaddedRows();
    void jpeg_EqualsLibjpegsOwnEncoderAtQuality90();
    void icon_BytesAndWhatAnotherReaderSees();
    void png_LosslessForAnotherReader_WithItsExtraChunks();
    void emptyPicture_WritersAndPrintSayWhy();
    void save_FullDiskOrMissingFolderLeavesTheOldFile();
    void save_KeepsTheModeAndRefusesWhatTheUserMayNotWrite();
    void printTargetSize_FillsWidthOrHeight_data();
    void printTargetSize_FillsWidthOrHeight();
    void routesAndNames_FollowTheFileName();

private:
    QTemporaryDir m_dir;
};

void tst_picturewriters::bmp_HeadersAndBottomUpPaddedRows()
{
    const QImage picture = pattern(5, 3); // 15 bytes a row, padded to 16
    const QByteArray bmp = written(picture, writeBmp);
    QCOMPARE(bmp.size(), 54 + 16 * 3);
    QCOMPARE(bmp.left(2), QByteArray("BM"));
    QCOMPARE(u32(bmp, 2), quint32(bmp.size()));
    QCOMPARE(u32(bmp, 10), 54u);
    QCOMPARE(u32(bmp, 14), 40u);
    QCOMPARE(qint32(u32(bmp, 18)), 5);
    QCOMPARE(qint32(u32(bmp, 22)), 3); // positive: bottom-up
    QCOMPARE(u16(bmp, 26), quint16(1));
    QCOMPARE(u16(bmp, 28), quint16(24));
    QCOMPARE(u32(bmp, 30), 0u); // no compression
    const QRgb bottomLeft = picture.pixel(0, 2);
    QCOMPARE(uchar(bmp[54]), uchar(qBlue(bottomLeft)));
    QCOMPARE(uchar(bmp[55]), uchar(qGreen(bottomLeft)));
    QCOMPARE(uchar(bmp[56]), uchar(qRed(bottomLeft)));
    QCOMPARE(bmp[54 + 15], '\0'); // the padding byte
    QCOMPARE(readBmp(bmp), picture);
    // A picture of another format is written as the colours it shows.
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    QCOMPARE(readBmp(written(indexed, writeBmp)), indexed.convertToFormat(QImage::Format_RGB32));
}

void tst_picturewriters::jpeg_EqualsLibjpegsOwnEncoderAtQuality90()
{
    if (QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty())
        QSKIP("cjpeg is not installed");
    const QImage picture = pattern(203, 97);
    const QString ppm = m_dir.filePath(QStringLiteral("pixels.ppm"));
    QVERIFY(picture.convertToFormat(QImage::Format_RGB888).save(ppm, "PPM"));
    QProcess cjpeg;
    cjpeg.start(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QStringLiteral("90"),
                                          QStringLiteral("-baseline"), ppm});
    QVERIFY(cjpeg.waitForFinished());
    const QByteArray reference = cjpeg.readAllStandardOutput();
    QVERIFY(reference.startsWith("\xFF\xD8"));
    QCOMPARE(written(picture, writeJpeg), reference);
}

void tst_picturewriters::icon_BytesAndWhatAnotherReaderSees()
{
    // White is the top-left colour, so every white pixel turns transparent;
    // the others become their nearest palette colours.
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 4; y < 28; ++y)
        for (int x = 4; x < 28; ++x)
            picture.setPixel(x, y, x < 16 ? qRgb(250, 10, 10) : qRgb(100, 120, 140));
    const QByteArray icon = written(picture, writeIcon);
    QCOMPARE(icon.size(), 766);
    QCOMPARE(u16(icon, 2), quint16(1));
    QCOMPARE(u16(icon, 4), quint16(1));
    QCOMPARE(QByteArray(icon.constData() + 6, 4), QByteArray("\x20\x20\x04\x00", 4));
    QCOMPARE(u32(icon, 14), 744u);
    QCOMPARE(u32(icon, 18), 22u);
    QCOMPARE(qint32(u32(icon, 30)), 64); // image and mask
    QCOMPARE(u16(icon, 36), quint16(4));
    QCOMPARE(u32(icon, 42), 512u);
    QCOMPARE(u32(icon, 54), 16u);
    QCOMPARE(QByteArray(icon.constData() + 22 + 40 + 9 * 4, 4), QByteArray("\x00\x00\xFF\x00", 4));

    if (!reference::haveConvert())
        QSKIP("ImageMagick is not installed");
    const QString path = m_dir.filePath(QStringLiteral("picture.ico"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(icon);
    file.close();
    const QImage seen = reference::decodeWithConvert(path);
    QCOMPARE(seen.size(), QSize(32, 32));
    QCOMPARE(qAlpha(seen.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(seen.pixel(31, 31)), 0);
    QCOMPARE(seen.pixel(5, 5), qRgba(255, 0, 0, 255));
    QCOMPARE(seen.pixel(20, 20), qRgba(128, 128, 128, 255));
}

// Screen-like content: flat areas, edges, gradients and noise, so that every
// filter has rows it wins.
QImage screenLike(int w, int h)
{
    QImage image = pattern(w, h);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (y % 40 < 10)
                image.setPixel(x, y, x % 50 < 25 ? qRgb(255, 255, 255) : qRgb(30, 60, 200));
            else if (x % 64 < 8)
                image.setPixel(x, y, random.generate() | 0xFF000000u);
        }
    }
    return image;
}

void tst_picturewriters::png_LosslessForAnotherReader_WithItsExtraChunks()
{
    const auto png = [](const QImage &picture, const QList<PngChunk> &extra = {}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        writePng(picture, buffer, extra);
        return bytes;
    };
    // Odd widths leave part of the filters' last block; the largest picture
    // is filtered in two halves at once.
    for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(203, 97), QSize(1001, 700)}) {
        const QImage picture = screenLike(size.width(), size.height());
        const QList<PngChunk> extra = {{"kvNe", "annotations"}, {"kvNe", QByteArray(70000, 'x')}};
        const QByteArray file = png(picture, extra);
        QCOMPARE(readPng(file), picture);
        QCOMPARE(readPngChunks(file, "kvNe"), QList<QByteArray>({extra[0].data, extra[1].data}));
        if (!reference::haveConvert())
            continue;
        const QString path = m_dir.filePath(QStringLiteral("picture.png"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        const QString diff =
            reference::firstDifference(picture, reference::decodeWithConvert(path));
        QVERIFY2(
            diff.isEmpty(),
            qPrintable(QStringLiteral("%1x%2: %3").arg(size.width()).arg(size.height()).arg(diff)));
    }
    // Another format is written as the colours it shows.
    const QImage indexed = pattern(40, 30).convertToFormat(QImage::Format_Indexed8);
    QCOMPARE(readPng(png(indexed)), indexed.convertToFormat(QImage::Format_RGB32));
    // Only ancillary chunks can be added: a reader would refuse an unknown critical one.
    QVERIFY(!error([&] { png(indexed, {{"KvNe", "x"}}); }).isEmpty());
    QVERIFY(!error([&] { png(indexed, {{"kv1e", "x"}}); }).isEmpty());
}

void tst_picturewriters::emptyPicture_WritersAndPrintSayWhy()
{
    const QImage empty;
    QVERIFY(!error([&] { written(empty, writeBmp); }).isEmpty());
    QVERIFY(!error([&] { written(empty, writeJpeg); }).isEmpty());
    QVERIFY(!error([&] { written(empty, writeIcon); }).isEmpty());
    QVERIFY(!error([&] {
                 written(empty, [](const QImage &p, QIODevice &d) { writePng(p, d); });
             }).isEmpty());
    QVERIFY(!error([&] { printTargetSize(QSize(0, 0), QSize(4760, 6814)); }).isEmpty());
    QVERIFY(!fitsIcon(empty));
}

void tst_picturewriters::save_FullDiskOrMissingFolderLeavesTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shot.bmp"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old picture");
    }
    // A file size limit stands in for a full disk: the write of the 4K
    // picture fails part way, with EFBIG instead of the signal.
    struct rlimit previous;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 1 << 20;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QImage large = pattern(3840, 2160);
    const QString fullBmp = error([&] { savePicture(large, path, SaveFormat::Bmp); });
    const QString fullJpeg = error([&] { savePicture(large, path, SaveFormat::Jpeg); });
    setrlimit(RLIMIT_FSIZE, &previous);
    QVERIFY2(fullBmp.contains(path), qPrintable(fullBmp));
    QVERIFY2(fullJpeg.contains(path), qPrintable(fullJpeg));
    QCOMPARE(reference::readAll(path), QByteArray("the old picture"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("shot.bmp")});

    const QString missing = folder.filePath(QStringLiteral("no such folder/shot.jpg"));
    QVERIFY(!error([&] { savePicture(pattern(8, 8), missing, SaveFormat::Jpeg); }).isEmpty());

    savePicture(pattern(64, 48), path, SaveFormat::Jpeg); // and a good write replaces it
    QVERIFY(reference::readAll(path).startsWith("\xFF\xD8"));
}

void tst_picturewriters::save_KeepsTheModeAndRefusesWhatTheUserMayNotWrite()
{
    QTemporaryDir folder;
    // A replaced file keeps its permissions.
    const QString shared = folder.filePath(QStringLiteral("shared.bmp"));
    savePicture(pattern(8, 8), shared, SaveFormat::Bmp);
    const auto groupReads =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(shared, groupReads));
    savePicture(pattern(16, 8), shared, SaveFormat::Jpeg);
    QCOMPARE(QFile::permissions(shared) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             groupReads);

    // A file its owner made read-only is refused, for root too, and stays.
    const QString locked = folder.filePath(QStringLiteral("locked.bmp"));
    savePicture(pattern(8, 8), locked, SaveFormat::Bmp);
    const QByteArray before = reference::readAll(locked);
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner));
    QVERIFY_THROWS_EXCEPTION(WriteProtectedError,
                             savePicture(pattern(32, 32), locked, SaveFormat::Bmp));
    QCOMPARE(reference::readAll(locked), before);

    // A name near the system's limit (255 bytes) is saved: the temporary
    // file's name is short, and none is left behind.
    const QString longName = folder.filePath(QString(248, u'n') + QStringLiteral(".jpeg"));
    savePicture(pattern(8, 8), longName, SaveFormat::Jpeg);
    QVERIFY(reference::readAll(longName).startsWith("\xFF\xD8"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void tst_picturewriters::printTargetSize_FillsWidthOrHeight_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("target");
    QTest::newRow("wider than a portrait page")
        << QSize(640, 480) << QSize(4760, 6814) << QSize(4760, 3570);
    QTest::newRow("landscape page, rounded up")
        << QSize(640, 480) << QSize(6814, 4760) << QSize(6347, 4760);
    QTest::newRow("small picture grows") << QSize(32, 32) << QSize(4760, 6814) << QSize(4760, 4760);
    QTest::newRow("equal ratios take the height")
        << QSize(1000, 500) << QSize(2000, 1000) << QSize(2000, 1000);
    QTest::newRow("screen shot") << QSize(1366, 768) << QSize(4760, 6814) << QSize(4760, 2676);
}

void tst_picturewriters::printTargetSize_FillsWidthOrHeight()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, page);
    QFETCH(QSize, target);
    QCOMPARE(printTargetSize(picture, page), target);
}

void tst_picturewriters::routesAndNames_FollowTheFileName()
{
    QCOMPARE(saveRouteForName(QStringLiteral("/a/PHOTO.JPEG")), SaveRoute::Jpeg);
    QCOMPARE(saveRouteForName(QStringLiteral("/a/x.Ico")), SaveRoute::Icon);
    QCOMPARE(saveRouteForName(QStringLiteral("/a/drawing.wmf")), SaveRoute::SaveAs);
    QCOMPARE(saveRouteForName(QString()), SaveRoute::SaveAs);
    QCOMPARE(closeQuestionName(QStringLiteral("/a/Shot.BMP")), QStringLiteral("Shot.BMP"));
    QCOMPARE(closeQuestionName(QString()), QStringLiteral("画像"));
    QCOMPARE(closeQuestionText(QStringLiteral("画像")),
             QStringLiteral(" 『 画像 』 が保存されていません。\r\n\r\n　保存しますか？"));
    QCOMPARE(MulDiv(-7, 1, 2), qint64(-4)); // halves away from zero

    // Save As: a name of one of our formats decides; any other gets the
    // filter's format and extension.
    const SaveTarget typed = saveTargetFor(QStringLiteral("/a/shot.JPG"), 1);
    QCOMPARE(typed.path, QStringLiteral("/a/shot.JPG"));
    QCOMPARE(typed.format, SaveFormat::Jpeg);
    const SaveTarget other = saveTargetFor(QStringLiteral("/a/notes.v2"), 3);
    QCOMPARE(other.path, QStringLiteral("/a/notes.v2.jpeg"));
    QCOMPARE(other.format, SaveFormat::Jpeg);
}

QTEST_MAIN(tst_picturewriters)
#include "tst_picturewriters.moc"
