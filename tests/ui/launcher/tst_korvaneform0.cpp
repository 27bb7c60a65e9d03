// The launcher on the real windows: the hand-over to the editor for each
// kind of start, the failure road back to the launcher, its menus, and the
// version dialog reached from the editor.
#include "app/KorvaneApplication.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/dialogs/AboutBox.h"
#include "ui/BoxAnswerer.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/widgets/PaintBox.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace korvane;

namespace {

struct Program
{
    Program() : editor(&launcher, QString())
    {
        launcher.setEditor(&editor);
        editor.setAboutBox(&about);
        launcher.show();
    }
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor;
    TAboutBox about;
};

QStringList shownEntries(QMenu *menu)
{
    Q_EMIT menu->aboutToShow();
    QStringList out;
    for (QAction *entry : menu->actions()) {
        if (entry->isVisible())
            out << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    }
    return out;
}

} // namespace

class tst_korvaneform0 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void launcher_ModesButtonsAndMenus();
    void ok_EachStartHandsAModifiedPictureToTheLineTool();
    void ok_FailedCaptureOrPasteComesBackToTheLauncher();
    void versionDialog_ShownBesideTheEditorAndHidden();
};

void tst_korvaneform0::launcher_ModesButtonsAndMenus()
{
    Program p;
    QCOMPARE(p.launcher.windowTitle(), QStringLiteral("　Korvane"));
    QStringList items;
    for (QRadioButton *item : p.launcher.ModeSelect->findChildren<QRadioButton *>())
        items << item->text();
    QCOMPARE(items, (QStringList{QStringLiteral("画面全体"), QStringLiteral("ウィンドウ"),
                                 QStringLiteral("クリップボード"), QStringLiteral("エディタの起動"),
                                 QStringLiteral("範囲指定")}));
    QCOMPARE(p.launcher.captureMode(), int(TKorvaneForm0::cmScreen));
    QCOMPARE(p.launcher.ScreenCap->statusTip(), QStringLiteral("開始します。"));
    QCOMPARE(shownEntries(p.launcher.PopupMenu1),
             (QStringList{QStringLiteral("タスクトレイに入れる(&I)"), QStringLiteral("-"),
                          QStringLiteral("N G")}));
    // While the icon is there, both menus offer to remove it instead.
    p.launcher.ActTrayIn->setVisible(false);
    p.launcher.ActTrayDel->setVisible(true);
    const QStringList withIcon{QStringLiteral("アイコンを削除する(&D)"), QStringLiteral("-"),
                               QStringLiteral("N G")};
    QCOMPARE(shownEntries(p.launcher.PopupMenu1), withIcon);
    QCOMPARE(shownEntries(p.launcher.PopupMenu2), withIcon);
    p.launcher.ActTrayDel->trigger(); // no window would be left: the launcher stays
    QVERIFY(p.launcher.isVisible());
    QVERIFY(p.launcher.ActTrayIn->isVisible());

    // Without a notification area the launcher says so and stays.
    BoxAnswerer answerer;
    p.launcher.ActTrayIn->trigger();
    QCOMPARE(answerer.seen.count, 1);
    QVERIFY(p.launcher.isVisible());
    QVERIFY(!p.launcher.hasTrayIcon());

    p.launcher.NG->click();
    QVERIFY(p.launcher.isClosed());
}

void tst_korvaneform0::ok_EachStartHandsAModifiedPictureToTheLineTool()
{
    Program p;
    QImage shot(321, 123, QImage::Format_RGB32);
    shot.fill(qRgb(20, 90, 200));
    QGuiApplication::clipboard()->setImage(shot);
    p.launcher.setCaptureMode(TKorvaneForm0::cmClipboard);
    p.launcher.ScreenCap->click();
    QVERIFY(!p.launcher.isVisible());
    QVERIFY(p.editor.isVisible());
    QCOMPARE(p.editor.PB1->size(), QSize(321, 123));
    QCOMPARE(p.editor.document().DrawBmp.pixel(5, 5), qRgb(20, 90, 200));
    QCOMPARE(p.editor.document().Mode, qint32(mdLine));
    QVERIFY(p.editor.Line1->isChecked());
    QVERIFY(p.editor.document().Modified());
    QCOMPARE(p.editor.windowTitle(), QStringLiteral("　Korvane　　『 画像作成 』"));

    // A new start over unsaved work asks first: キャンセル keeps it all, the
    // launcher included.
    p.launcher.show();
    p.launcher.setCaptureMode(TKorvaneForm0::cmEditor);
    {
        BoxAnswerer answerer(QStringLiteral("キャンセル"));
        p.launcher.ScreenCap->click();
        QCOMPARE(answerer.seen.count, 1);
    }
    QVERIFY(p.launcher.isVisible());
    QCOMPARE(p.editor.PB1->size(), QSize(321, 123));

    {
        BoxAnswerer answerer(QStringLiteral("いいえ(&N)"));
        p.editor.ActReload->trigger();
        QCOMPARE(answerer.seen.count, 1);
    }
    QVERIFY(p.launcher.isVisible());
    p.launcher.ScreenCap->click();
    QCOMPARE(p.editor.PB1->size(), QSize(640, 480));
    QVERIFY(p.editor.document().Modified()); // a blank picture counts as unsaved work too
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(321, 123));
}

void tst_korvaneform0::ok_FailedCaptureOrPasteComesBackToTheLauncher()
{
    Program p;
    QGuiApplication::clipboard()->setText(QStringLiteral("文字だけ"));
    p.launcher.setCaptureMode(TKorvaneForm0::cmClipboard);
    {
        BoxAnswerer answerer;
        p.launcher.ScreenCap->click();
        QCOMPARE(answerer.seen.text, QStringLiteral("無効なクリップボード フォーマットです."));
    }
    QVERIFY(p.launcher.isVisible());
    QVERIFY(!p.editor.isVisible());

    // A session that offers no way to capture says so in words.
    p.launcher.setCaptureMode(TKorvaneForm0::cmScreen);
    {
        BoxAnswerer answerer;
        p.launcher.ScreenCap->click();
        QVERIFY2(answerer.seen.text.contains(QStringLiteral("画面を取り込めません")),
                 qPrintable(answerer.seen.text));
    }
    QVERIFY(p.launcher.isVisible());
}

void tst_korvaneform0::versionDialog_ShownBesideTheEditorAndHidden()
{
    Program p;
    p.editor.show();
    p.editor.ActVer->trigger();
    QVERIFY(p.about.isVisible());
    QVERIFY(!p.about.isModal());
    QVERIFY(p.editor.isEnabled());
    QTest::keyClick(&p.about, Qt::Key_Return); // the default button
    QVERIFY(!p.about.isVisible());
    QVERIFY(p.editor.isVisible());
}

int main(int argc, char *argv[])
{
    KorvaneApplication app(argc, argv);
    tst_korvaneform0 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_korvaneform0.moc"
