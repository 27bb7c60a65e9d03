#include "common/KorvaneError.h"
#include "document/PictureFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

const QString kTestData = QStringLiteral(KORVANE_TESTDATA);

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, 90));
    return image;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A document with a picture and annotations the user would not want to lose.
void fillWithWork(EditorDocument &doc)
{
    doc.SetPicture(gradient(90, 60));
    auto line = std::make_unique<TLineRec>();
    line->X2 = 50;
    line->Y2 = 50;
    line->Width = 3;
    doc.LineList.push_back(std::move(line));
    auto moji = std::make_unique<TMoji>();
    moji->Text = QStringLiteral("注意");
    doc.MojiList.push_back(std::move(moji));
    doc.SelLine = doc.LineList.front().get();
    doc.FileName = QStringLiteral("/somewhere/work.bmp");
    doc.History.reset(false); // unsaved work
    doc.Redraw();
}

void verifyWorkKept(const EditorDocument &doc, const QImage &drawBefore)
{
    QCOMPARE(doc.LineList.size(), size_t(1));
    QCOMPARE(doc.MojiList.size(), size_t(1));
    QCOMPARE(doc.SelLine, doc.LineList.front().get());
    QCOMPARE(doc.BaseBmp, gradient(90, 60));
    QCOMPARE(doc.DrawBmp, drawBefore);
    QCOMPARE(doc.FileName, QStringLiteral("/somewhere/work.bmp"));
    QVERIFY(doc.Modified());
}

} // namespace

class tst_picturefile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pictureExtension_IsLowerCasedFromLastDotOfNamePart_data();
    void pictureExtension_IsLowerCasedFromLastDotOfNamePart();
    void pictureTypeForExtension_RecognisesItsExtensions_data();
    void pictureTypeForExtension_RecognisesItsExtensions();
    void loadDocument_EmptyName_MakesNewWhitePicture();
    void loadDocument_MissingFile_MakesNewPictureWithBareCaption();
    void loadDocument_UnsupportedType_ChangesNothing();
    void loadDocument_DamagedFile_ThrowsAndKeepsTheDocument_data();
    void loadDocument_DamagedFile_ThrowsAndKeepsTheDocument();
    void loadDocument_Bmp_ReplacesDocumentAndNamesIt();
    void loadDocument_ExtensionCaseDoesNotMatter_data();
    void loadDocument_ExtensionCaseDoesNotMatter();
    void loadDocument_IconComesOutOnWhite();
    void loadDocument_OnlyReadsTheFile_AndOpensItByItsContent();
    void loadDocument_NameWithoutExtension_IsRecognisedByContent();
    void loadDocument_LongFileName_IsKeptWhole();
    void loadDocument_Directory_IsTreatedAsMissing();

private:
    QTemporaryDir m_dir;
};

void tst_picturefile::pictureExtension_IsLowerCasedFromLastDotOfNamePart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << "/a/b.bmp"
                           << ".bmp";
    QTest::newRow("upper case") << "/a/PHOTO.JPG"
                                << ".jpg";
    QTest::newRow("mixed case") << "photo.Jpeg"
                                << ".jpeg";
    QTest::newRow("two dots") << "/a/x.tar.WMF"
                              << ".wmf";
    QTest::newRow("dot only in folder") << "/a.b/name"
                                        << "";
    QTest::newRow("no dot") << "name"
                            << "";
    QTest::newRow("trailing dot") << "name."
                                  << ".";
    QTest::newRow("non-ASCII kept") << "写真.ＪＰＧ"
                                    << ".ＪＰＧ";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_picturefile::pictureExtension_IsLowerCasedFromLastDotOfNamePart()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QCOMPARE(pictureExtension(name), extension);
}

void tst_picturefile::pictureTypeForExtension_RecognisesItsExtensions_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<PictureType>("type");
    QTest::newRow("bmp") << ".bmp" << PictureType::Bmp;
    QTest::newRow("jpg") << ".jpg" << PictureType::Jpeg;
    QTest::newRow("jpeg") << ".jpeg" << PictureType::Jpeg;
    QTest::newRow("wmf") << ".wmf" << PictureType::Metafile;
    QTest::newRow("ico") << ".ico" << PictureType::Icon;
    QTest::newRow("none") << "" << PictureType::None;
    QTest::newRow("jpe") << ".jpe" << PictureType::Unsupported;
    QTest::newRow("png") << ".png" << PictureType::Png;
    QTest::newRow("gif") << ".gif" << PictureType::Unsupported;
    QTest::newRow("emf") << ".emf" << PictureType::Unsupported;
    QTest::newRow("lone dot") << "." << PictureType::Unsupported;
}

void tst_picturefile::pictureTypeForExtension_RecognisesItsExtensions()
{
    QFETCH(QString, extension);
    QFETCH(PictureType, type);
    QCOMPARE(pictureTypeForExtension(extension), type);
}

void tst_picturefile::loadDocument_EmptyName_MakesNewWhitePicture()
{
    EditorDocument doc;
    fillWithWork(doc);
    const LoadOutcome outcome = LoadDocument(doc, QString());
    QVERIFY(!outcome.typeRefused);
    QCOMPARE(outcome.caption, QStringLiteral("　Korvane　　『 画像作成 』"));
    QVERIFY(doc.LineList.empty() && doc.MojiList.empty() && !doc.SelLine);
    QVERIFY(doc.FileName.isEmpty());
    QVERIFY(!doc.Modified());
    QCOMPARE(doc.DrawBmp.size(), QSize(640, 480));
    QCOMPARE(doc.DrawBmp.pixel(639, 479), qRgb(255, 255, 255));
}

void tst_picturefile::loadDocument_MissingFile_MakesNewPictureWithBareCaption()
{
    EditorDocument doc;
    fillWithWork(doc);
    const LoadOutcome outcome = LoadDocument(doc, m_dir.filePath(QStringLiteral("nothing.bmp")));
    QCOMPARE(outcome.caption, QStringLiteral("　Korvane　　"));
    QVERIFY(doc.FileName.isEmpty());
    QVERIFY(doc.LineList.empty());
    QCOMPARE(doc.BaseBmp.size(), QSize(640, 480));
}

void tst_picturefile::loadDocument_UnsupportedType_ChangesNothing()
{
    const QString gif = m_dir.filePath(QStringLiteral("picture.gif"));
    QVERIFY(gradient(4, 4).save(gif, "PNG"));
    EditorDocument doc;
    fillWithWork(doc);
    const QImage before = doc.DrawBmp.copy();
    QVERIFY(LoadDocument(doc, gif).typeRefused);
    QVERIFY(LoadDocument(doc, m_dir.filePath(QStringLiteral("missing.gif"))).typeRefused);
    verifyWorkKept(doc, before);
}

void tst_picturefile::loadDocument_DamagedFile_ThrowsAndKeepsTheDocument_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("bmp body cut") << "cut.bmp" << QByteArray("BM\x36\x00\x00\x00", 6);
    QTest::newRow("jpeg") << "bad.jpg" << QByteArray("\xFF\xD8\xFF\xE0garbage", 11);
    QTest::newRow("plain metafile") << "plain.wmf" << QByteArray(200, '\x01');
    QTest::newRow("icon") << "bad.ico" << QByteArray("\x00\x00\x01\x00\x05\x00", 6);
    QTest::newRow("empty bmp") << "empty.bmp" << QByteArray();
    QTest::newRow("png cut after its header")
        << "cut.png"
        << QByteArray::fromHex(
               "89504e470d0a1a0a0000000d49484452000000100000001008060000001ff3ff61");
    QTest::newRow("absurd bmp size")
        << "huge.bmp"
        << QByteArray::fromHex(
               "424d36000000000000003600000028000000a0860100a086010001001800000000000000"
               "00000000000000000000000000000000");
}

void tst_picturefile::loadDocument_DamagedFile_ThrowsAndKeepsTheDocument()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(name);
    writeFile(path, content);
    EditorDocument doc;
    fillWithWork(doc);
    const QImage before = doc.DrawBmp.copy();
    QVERIFY_THROWS_EXCEPTION(KorvaneError, LoadDocument(doc, path));
    verifyWorkKept(doc, before);
}

void tst_picturefile::loadDocument_Bmp_ReplacesDocumentAndNamesIt()
{
    const QString path = m_dir.filePath(QStringLiteral("b.bmp"));
    QVERIFY(gradient(37, 23).save(path, "BMP"));
    EditorDocument doc;
    fillWithWork(doc);
    const LoadOutcome outcome = LoadDocument(doc, path);
    QCOMPARE(outcome.caption, QStringLiteral("　Korvane　　b.bmp"));
    QCOMPARE(doc.FileName, path);
    QVERIFY(doc.LineList.empty() && doc.MojiList.empty() && !doc.SelLine);
    QVERIFY(!doc.Modified());
    QCOMPARE(doc.DrawBmp, gradient(37, 23));
}

void tst_picturefile::loadDocument_ExtensionCaseDoesNotMatter_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("PHOTO.JPG") << "PHOTO.JPG";
    QTest::newRow("photo.Jpeg") << "photo.Jpeg";
}

void tst_picturefile::loadDocument_ExtensionCaseDoesNotMatter()
{
    QFETCH(QString, name);
    const QString source = kTestData + QStringLiteral("/jpeg/hopper.jpg");
    if (!QFile::exists(source))
        QSKIP("test pictures absent (../shared/testdata)");
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    QVERIFY(QFile::copy(source, path));
    EditorDocument doc;
    QCOMPARE(LoadDocument(doc, path).caption, QStringLiteral("　Korvane　　") + name);
    QCOMPARE(doc.BaseBmp.size(), QSize(128, 128));
}

void tst_picturefile::loadDocument_IconComesOutOnWhite()
{
    const QString path = kTestData + QStringLiteral("/ico/bmp-32bpp-alpha.ico");
    if (!QFile::exists(path))
        QSKIP("test pictures absent (../shared/testdata)");
    EditorDocument doc;
    LoadDocument(doc, path);
    QCOMPARE(doc.BaseBmp.format(), QImage::Format_RGB32);
    const QImage icon = decodePicture(readWholeFile(path), PictureType::Icon);
    QCOMPARE(doc.BaseBmp, icon);
    bool sawWhite = false;
    for (int y = 0; y < doc.BaseBmp.height(); ++y)
        for (int x = 0; x < doc.BaseBmp.width(); ++x)
            sawWhite |= doc.BaseBmp.pixel(x, y) == qRgb(255, 255, 255);
    QVERIFY(sawWhite); // its transparent corners
}

void tst_picturefile::loadDocument_OnlyReadsTheFile_AndOpensItByItsContent()
{
    // A JPEG under a .bmp name, as older versions saved one, made read-only:
    // it opens as the JPEG it is, and its mode stays as the user set it.
    const QString path = m_dir.filePath(QStringLiteral("locked.bmp"));
    QVERIFY(gradient(8, 8).save(path, "JPEG"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(path, readOnly));
    EditorDocument doc;
    LoadDocument(doc, path);
    QCOMPARE(doc.BaseBmp.size(), QSize(8, 8));
    QCOMPARE(doc.FileName, path);
    const auto modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(path) & modeBits, readOnly);
}

void tst_picturefile::loadDocument_NameWithoutExtension_IsRecognisedByContent()
{
    const QString path = m_dir.filePath(QStringLiteral("screenshot"));
    QVERIFY(gradient(12, 9).save(path, "BMP"));
    EditorDocument doc;
    const LoadOutcome outcome = LoadDocument(doc, path);
    QCOMPARE(doc.DrawBmp, gradient(12, 9));
    QCOMPARE(doc.FileName, path);
    QCOMPARE(outcome.caption, QStringLiteral("　Korvane　　screenshot"));

    const QString text = m_dir.filePath(QStringLiteral("README"));
    writeFile(text, "not a picture");
    fillWithWork(doc);
    const QImage before = doc.DrawBmp.copy();
    QVERIFY_THROWS_EXCEPTION(KorvaneError, LoadDocument(doc, text));
    verifyWorkKept(doc, before);
}

void tst_picturefile::loadDocument_LongFileName_IsKeptWhole()
{
    QString folder = m_dir.path();
    for (int i = 0; i < 3; ++i) { // a path far beyond 260 characters
        folder += QStringLiteral("/") + QString(80, QChar(u'フ'));
        QVERIFY(QDir().mkpath(folder));
    }
    const QString path = folder + QStringLiteral("/長い名前の画像.bmp");
    QVERIFY(gradient(5, 5).save(path, "BMP"));
    EditorDocument doc;
    QCOMPARE(LoadDocument(doc, path).caption, QStringLiteral("　Korvane　　長い名前の画像.bmp"));
    QCOMPARE(doc.FileName, path);
}

void tst_picturefile::loadDocument_Directory_IsTreatedAsMissing()
{
    const QString path = m_dir.filePath(QStringLiteral("folder.bmp"));
    QVERIFY(QDir().mkpath(path));
    EditorDocument doc;
    QCOMPARE(LoadDocument(doc, path).caption, QStringLiteral("　Korvane　　"));
    QCOMPARE(doc.BaseBmp.size(), QSize(640, 480));
}

QTEST_MAIN(tst_picturefile)
#include "tst_picturefile.moc"
