#include "app/KorvaneApplication.h"
#include "common/KorvaneError.h"
#include "ui/BoxAnswerer.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/widgets/PaintBox.h"

#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace korvane;

namespace {

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 40));
    return image;
}

class Thrower : public QObject
{
protected:
    bool event(QEvent *) override { throw KorvaneError(QStringLiteral("メタファイルが不正です")); }
};

} // namespace

class tst_korvaneform1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formCreate_WithoutArgument_HoldsNewHiddenDocument();
    void formCreate_WithPictureArgument_OpensIt();
    void formCreate_WithDamagedPicture_ShowsErrorAndStartsBlank();
    void actOpen_HasItsCaptionShortcutAndHints();
    void scrollBox_IsSilverAndScrollsLargePictures();
    void typeGate_ShowsMessageClosesAndKeepsDocument();
    void drop_OpensTheFirstFileOnly();
    void errorBox_ShowsUnhandledErrorsAndGoesOn();
    void closingEditor_ClosesLauncher();
    void layoutFaceNames_ResolveToIpaFonts();
    void cursorTable_MissingOrBrokenFilesGiveTheArrow();

private:
    QString writePicture(const QString &name, const QImage &image)
    {
        const QString path = m_dir.filePath(name);
        image.save(path, "BMP");
        return path;
    }
    QTemporaryDir m_dir;
};

void tst_korvaneform1::formCreate_WithoutArgument_HoldsNewHiddenDocument()
{
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　『 画像作成 』"));
    QCOMPARE(editor.document().Mode, qint32(mdNone));
    QVERIFY(!editor.document().Modified());
    QCOMPARE(editor.PB1->size(), QSize(640, 480));
    QCOMPARE(editor.document().DrawBmp.pixel(639, 479), qRgb(255, 255, 255));
    QVERIFY(editor.acceptDrops());
}

void tst_korvaneform1::formCreate_WithPictureArgument_OpensIt()
{
    const QString path = writePicture(QStringLiteral("shot.bmp"), gradient(900, 700));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, path);
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　shot.bmp"));
    QCOMPARE(editor.document().FileName, path);
    QCOMPARE(editor.PB1->size(), QSize(900, 700));
}

void tst_korvaneform1::formCreate_WithDamagedPicture_ShowsErrorAndStartsBlank()
{
    const QString path = m_dir.filePath(QStringLiteral("broken.bmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM broken");
    file.close();
    BoxAnswerer answerer;
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, path);
    QCOMPARE(answerer.seen.count, 1);
    QCOMPARE(answerer.seen.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.seen.icon, QMessageBox::Critical);
    QVERIFY(answerer.seen.text.endsWith(u'.'));
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　『 画像作成 』"));
    QCOMPARE(editor.document().BaseBmp.size(), QSize(640, 480));
    QVERIFY(!launcher.isClosed());
}

void tst_korvaneform1::actOpen_HasItsCaptionShortcutAndHints()
{
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    QCOMPARE(editor.ActOpen->text(), QStringLiteral("開く(&O)"));
    QCOMPARE(editor.ActOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(editor.ActOpen->toolTip(), QStringLiteral("開く"));
    QCOMPARE(editor.ActOpen->statusTip(), QStringLiteral("ファイルを開きます。"));
    const QList<QAction *> menus = editor.menuBar()->actions();
    QVERIFY(!menus.isEmpty());
    QCOMPARE(menus.first()->text(), QStringLiteral("ファイル"));
    QVERIFY(menus.first()->menu()->actions().contains(editor.ActOpen));
}

void tst_korvaneform1::scrollBox_IsSilverAndScrollsLargePictures()
{
    const QString path = writePicture(QStringLiteral("wide.bmp"), gradient(3000, 2000));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, path);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCOMPARE(editor.ScrollBox1->viewport()->palette().color(QPalette::Window),
             QColor(192, 192, 192));
    QCOMPARE(editor.PB1->pos(), QPoint(0, 0));
    QVERIFY(editor.ScrollBox1->horizontalScrollBar()->maximum() > 0);
    QVERIFY(editor.ScrollBox1->verticalScrollBar()->maximum() > 0);
    // What the paint box shows is the composed picture.
    const QImage shown = editor.PB1->grab(QRect(0, 0, 50, 50)).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_RGB32).pixel(30, 20),
             gradient(3000, 2000).pixel(30, 20));
}

void tst_korvaneform1::typeGate_ShowsMessageClosesAndKeepsDocument()
{
    const QString gif = m_dir.filePath(QStringLiteral("picture.gif"));
    QVERIFY(gradient(10, 10).save(gif, "PNG"));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    editor.document().LineList.push_back(std::make_unique<TLineRec>());
    BoxAnswerer answerer;
    // Chosen in the running editor, the message is all: the editor stays.
    editor.openPicture(gif);
    QCOMPARE(answerer.seen.count, 1);
    QCOMPARE(answerer.seen.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.seen.icon, QMessageBox::NoIcon);
    QCOMPARE(answerer.seen.text, QStringLiteral("このソフトで開けるファイル形式は\r\n\r\n"
                                                "『 BMP,WMF,JPG,JPEG,ICO,PNG 』 だけです。"));
    QVERIFY(!launcher.isClosed());
    // The start-up file's gate ends the program, the document kept.
    editor.LoadDocument(gif);
    QCOMPARE(answerer.seen.count, 2);
    QVERIFY(launcher.isClosed()); // closing the editor ends the program
    QCOMPARE(editor.document().LineList.size(), size_t(1));
}

void tst_korvaneform1::drop_OpensTheFirstFileOnly()
{
    const QString first = writePicture(QStringLiteral("first.bmp"), gradient(30, 20));
    const QString second = writePicture(QStringLiteral("second.bmp"), gradient(40, 20));
    const QString third = writePicture(QStringLiteral("third.bmp"), gradient(50, 20));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(third)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &drop);
    QCOMPARE(editor.document().FileName, first);
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　first.bmp"));
    QCOMPARE(editor.PB1->size(), QSize(30, 20));
}

void tst_korvaneform1::errorBox_ShowsUnhandledErrorsAndGoesOn()
{
    BoxAnswerer answerer;
    Thrower thrower;
    QEvent event(QEvent::User);
    QApplication::sendEvent(&thrower, &event);
    QCOMPARE(answerer.seen.count, 1);
    QCOMPARE(answerer.seen.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.seen.icon, QMessageBox::Critical);
    QCOMPARE(answerer.seen.text, QStringLiteral("メタファイルが不正です."));
}

void tst_korvaneform1::closingEditor_ClosesLauncher()
{
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    launcher.show();
    editor.show();
    editor.ActExit->trigger();
    QVERIFY(launcher.isClosed());
    QVERIFY(!editor.isVisible());
}

void tst_korvaneform1::layoutFaceNames_ResolveToIpaFonts()
{
    QCOMPARE(QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"))).family(),
             QStringLiteral("IPAPGothic"));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("ＭＳ ゴシック"))).family(),
             QStringLiteral("IPAGothic"));
    QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(QApplication::font().pixelSize(), 12);
}

void tst_korvaneform1::cursorTable_MissingOrBrokenFilesGiveTheArrow()
{
    const QString previous = QDir::currentPath();
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    QFile broken(QStringLiteral("line.cur"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray("\x00\x00\x02\x00\x01\x00garbage", 12));
    broken.close();
    CursorTable table;
    table.loadFromCurrentDirectory();
    QDir::setCurrent(previous);
    for (const int slot : {crPen, crSpoide, crPaint, crLine}) {
        QVERIFY(!table.has(slot));
        QCOMPARE(table.cursor(slot).shape(), Qt::ArrowCursor);
    }
}

int main(int argc, char *argv[])
{
    KorvaneApplication app(argc, argv);
    tst_korvaneform1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_korvaneform1.moc"
