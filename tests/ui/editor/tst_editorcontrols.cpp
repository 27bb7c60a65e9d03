// The editor's controls on the real window: commands and their bindings,
// the tool buttons, keys, hints, the colour grid, the width field, the text
// cycle and the clipboard commands.
#include "app/KorvaneApplication.h"
#include "ui/BoxAnswerer.h"
#include "ui/dialogs/AboutBox.h"
#include "ui/dialogs/FontColorDialog.h"
#include "ui/dialogs/OKBottomDlg.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/widgets/ColorGrid.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/SpinEdit.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtMath>

using namespace korvane;

namespace {

QStringList captions(const QList<QAction *> &entries)
{
    QStringList out;
    for (const QAction *entry : entries)
        out << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    return out;
}

QRgb paletteColor(const QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role).rgb();
}

// Presses and releases the left button on the picture, with moves between.
void drag(PaintBox *picture, QPoint from, QPoint to)
{
    QTest::mousePress(picture, Qt::LeftButton, {}, from);
    QTest::mouseMove(picture, (from + to) / 2);
    QTest::mouseMove(picture, to);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
}

// Japanese text arrives as an input method's commit, as it does from a
// desktop's input method.
void typeJapanese(QWidget *entry, const QString &text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(entry, &commit);
}

void clickCell(ColorGrid *grid, int index, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(grid, button, {}, grid->cellRect(index).center());
}

struct Window
{
    Window() : editor(&launcher, QString())
    {
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.activateWindow();
    }
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor;
};

} // namespace

class tst_editorcontrols : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commands_MenusToolbarAndContextMenuInTheirOrder();
    void toolButtons_OneGroupAndContextMenuPressesThem();
    void keys_TextEntryKeepsItsEditingKeys();
    void hints_LongHintOfAnyWindowReachesPanelZero();
    void colorGrid_ClickSetsTheCurrentToolsTarget();
    void widthField_TypedValueHoldsUntilTheFieldIsLeft();
    void textCycle_PlaceConfirmPlaceAgainThenSelectAndRestyle();
    void clipboardCommands_PasteNewAndReload();
    void picture_ShownOneDevicePixelForEachPixel();
    void fontDialog_EnterConfirmsFontAndColourAndTheDialogComesBackWhole();
    void accessibility_EveryControlOfEveryWindowHasAName();
};

void tst_editorcontrols::commands_MenusToolbarAndContextMenuInTheirOrder()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    const QList<QAction *> menus = e.menuBar()->actions();
    QCOMPARE(captions(menus), (QStringList{QStringLiteral("ファイル"), QStringLiteral("編集"),
                                           QStringLiteral("ツール"), QStringLiteral("ヘルプ")}));
    QCOMPARE(
        captions(menus[0]->menu()->actions()),
        (QStringList{QStringLiteral("新規作成(&N)"), QStringLiteral("-"),
                     QStringLiteral("再読み込み"), QStringLiteral("-"), QStringLiteral("開く(&O)"),
                     QStringLiteral("-"), QStringLiteral("上書き保存(&S)"),
                     QStringLiteral("名前を付けて保存(&A)"), QStringLiteral("-"),
                     QStringLiteral("印刷(&P)"), QStringLiteral("-"), QStringLiteral("終了(&X)")}));
    QCOMPARE(captions(menus[1]->menu()->actions()),
             (QStringList{QStringLiteral("元に戻す(&U)"), QStringLiteral("やり直し(&R)"),
                          QStringLiteral("-"), QStringLiteral("フォント(&F)"), QStringLiteral("-"),
                          QStringLiteral("文字色(&C)"), QStringLiteral("文字背景色(&B)"),
                          QStringLiteral("-"), QStringLiteral("線の色(&L)"), QStringLiteral("-"),
                          QStringLiteral("コピー"), QStringLiteral("貼り付け")}));
    QCOMPARE(captions(e.PopupMenu2->actions()),
             (QStringList{QStringLiteral("色の抽出"), QStringLiteral("範囲選択"),
                          QStringLiteral("直線描画"), QStringLiteral("文字描画"),
                          QStringLiteral("-"), QStringLiteral("フォント(&F)"), QStringLiteral("-"),
                          QStringLiteral("文字色(&C)"), QStringLiteral("文字背景色(&B)"),
                          QStringLiteral("-"), QStringLiteral("線の色(&L)"), QStringLiteral("-"),
                          QStringLiteral("四角形描画"), QStringLiteral("強調表示"),
                          QStringLiteral("番号付け"), QStringLiteral("ぼかし")}));
    QCOMPARE(e.ActPaste->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
    QVERIFY(!e.ActUndo->isEnabled() && !e.ActRedo->isEnabled()); // nothing done yet
    QCOMPARE(e.ActReload->statusTip(), QStringLiteral("再度画面を取り込みます。"));

    // The toolbar: commands, the tool group, the picture's geometry, the style panel.
    QStringList bar;
    for (QAction *item : e.ToolBar1->actions()) {
        QWidget *widget = e.ToolBar1->widgetForAction(item);
        bar << (item->isSeparator() ? QStringLiteral("-") : widget->objectName());
    }
    QCOMPARE(bar, (QStringList{"ToolButton4",  "ToolButton2", "ToolButton5",  "ToolButton6",
                               "ToolButton7",  "-",           "ToolButton3",  "-",
                               "Spoide1",      "Select1",     "Line1",        "Arrow1",
                               "Text1",        "-",           "Size1",        "-",
                               "ToolButton13", "-",           "ToolButton15", "-",
                               "ToolButton17", "-",           "Panel4"}));

    // Tooltips exactly where they belong; no menu at all on the read-outs.
    for (QWidget *tipped :
         {static_cast<QWidget *>(e.Spoide1), static_cast<QWidget *>(e.FColorButton),
          static_cast<QWidget *>(e.CheckBox1), static_cast<QWidget *>(e.TextOKButton),
          static_cast<QWidget *>(e.ColorGrid1), static_cast<QWidget *>(e.LW),
          e.ToolBar1->widgetForAction(e.ActDel)})
        QVERIFY2(!tipped->toolTip().isEmpty(), qPrintable(tipped->objectName()));
    for (QWidget *silent : {static_cast<QWidget *>(e.FName), e.NowColor,
                            static_cast<QWidget *>(e.NowMode), static_cast<QWidget *>(e.InsText),
                            static_cast<QWidget *>(e.PB1), static_cast<QWidget *>(e.SelColor)})
        QVERIFY2(silent->toolTip().isEmpty(), qPrintable(silent->objectName()));
    for (QWidget *readOut : {static_cast<QWidget *>(e.LW), static_cast<QWidget *>(e.NowMode),
                             static_cast<QWidget *>(e.SelColor), e.NowColor,
                             static_cast<QWidget *>(e.SpinEdit1->edit())})
        QCOMPARE(readOut->contextMenuPolicy(), Qt::PreventContextMenu);
}

void tst_editorcontrols::toolButtons_OneGroupAndContextMenuPressesThem()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    e.Line1->click();
    QCOMPARE(e.document().Mode, qint32(mdLine));
    QCOMPARE(e.NowMode->text(), QStringLiteral("  直線描画"));
    QCOMPARE(paletteColor(e.NowMode, QPalette::Text), qRgb(0, 255, 255));
    QCOMPARE(e.SelColor->toPlainText(),
             QStringLiteral("・直線の色を選択出来ます\n・直線を描画できます"));

    e.Line1->click(); // raised by a second click: the line tool goes on
    QVERIFY(!e.Line1->isChecked());
    QCOMPARE(e.document().Mode, qint32(mdLine));
    QCOMPARE(e.NowMode->text(), QStringLiteral("  直線描画"));

    e.Spoide1->click();
    e.Spoide1->click(); // the eyedropper cannot be raised
    QVERIFY(e.Spoide1->isChecked());
    QCOMPARE(e.document().Mode, qint32(mdSpoide));

    e.Text2->trigger();
    QVERIFY(e.Text1->isChecked());
    QVERIFY(!e.Spoide1->isChecked());
    QCOMPARE(e.document().Mode, qint32(mdText));
    QCOMPARE(e.PB1->cursor().shape(), Qt::IBeamCursor);
    e.Select2->trigger();
    QVERIFY(e.Select1->isChecked() && !e.Text1->isChecked());
    QCOMPARE(e.document().Mode, qint32(mdSelect));
}

void tst_editorcontrols::keys_TextEntryKeepsItsEditingKeys()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    QImage shot(300, 200, QImage::Format_RGB32);
    shot.fill(qRgb(10, 120, 30));
    QGuiApplication::clipboard()->setImage(shot);

    e.Text1->click();
    QTest::mouseClick(e.PB1, Qt::LeftButton, {}, QPoint(20, 20));
    QTRY_VERIFY(e.InsText->hasFocus());
    typeJapanese(e.InsText, QStringLiteral("見出し"));
    e.TextOKButton->click();
    QCOMPARE(e.document().MojiList.size(), size_t(1));

    // Ctrl+V in the text entry pastes the picture when the clipboard holds
    // no text.
    QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_V));
    QCOMPARE(e.document().BaseBmp.size(), QSize(300, 200));
    QCOMPARE(e.InsText->text(), QStringLiteral("見出し"));

    // With a text selected, the entry's editing keys still edit the entry:
    // Delete removes a character, Ctrl+V pastes the clipboard's text.
    e.Select1->click();
    QTest::mouseClick(e.PB1, Qt::LeftButton, {}, QPoint(22, 24));
    QTRY_VERIFY(e.InsText->hasFocus());
    QCOMPARE(e.InsText->text(), QStringLiteral("見出し"));
    e.InsText->setCursorPosition(0);
    QTest::keyClick(e.windowHandle(), Qt::Key_Delete);
    QCOMPARE(e.InsText->text(), QStringLiteral("出し"));
    QCOMPARE(e.document().MojiList.size(), size_t(1));
    QGuiApplication::clipboard()->setText(QStringLiteral("手順"));
    QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_V));
    QCOMPARE(e.InsText->text(), QStringLiteral("手順出し"));
    QCOMPARE(e.document().BaseBmp.size(), QSize(300, 200));

    // Away from the entry, Delete deletes the selected annotation.
    e.FColorButton->setFocus();
    QTest::keyClick(e.windowHandle(), Qt::Key_Delete);
    QVERIFY(e.document().MojiList.empty());
    QVERIFY(e.InsText->text().isEmpty());

    // With nothing selected the key is the entry's own too.
    e.InsText->setFocus();
    QTest::keyClicks(e.InsText, QStringLiteral("abc"));
    e.InsText->setCursorPosition(0);
    QTest::keyClick(e.windowHandle(), Qt::Key_Delete);
    QCOMPARE(e.InsText->text(), QStringLiteral("bc"));

    // Ctrl+Z in the entry undoes its own editing; elsewhere the document's
    // last change, the deletion, and Ctrl+Shift+Z redoes that.
    QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(e.InsText->text(), QStringLiteral("abc"));
    QVERIFY(e.document().MojiList.empty());
    QVERIFY(!e.ActRedo->isEnabled());
    e.FColorButton->setFocus();
    QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(e.document().MojiList.size(), size_t(1));
    QVERIFY(e.ActRedo->isEnabled());
    QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QVERIFY(e.document().MojiList.empty());
    QVERIFY(!e.ActRedo->isEnabled());

    // Releasing Print Screen pastes what the desktop put on the clipboard.
    shot = shot.scaled(120, 90);
    QGuiApplication::clipboard()->setImage(shot);
    QTest::keyRelease(e.windowHandle(), Qt::Key_Print);
    QCOMPARE(e.document().BaseBmp.size(), QSize(120, 90));
}

void tst_editorcontrols::hints_LongHintOfAnyWindowReachesPanelZero()
{
    Window w;
    auto *ok = new QPushButton(QStringLiteral("O  K"), &w.launcher);
    ok->setStatusTip(QStringLiteral("開始します。"));
    auto *inside = new QLabel(ok); // no hint of its own: the parent's shows
    w.launcher.show();
    w.editor.hide(); // the panel is the editor's, shown or not
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(inside, &enter);
    QCOMPARE(w.editor.StatusPanel0->text(), QStringLiteral("開始します。"));

    QApplication::sendEvent(w.editor.FName, &enter);
    QCOMPARE(w.editor.StatusPanel0->text(),
             QStringLiteral("現在のフォント名を表示します。 クリックすると設定できます。"));
    QApplication::sendEvent(w.editor.PB1, &enter); // a control without any hint clears it
    QVERIFY(w.editor.StatusPanel0->text().isEmpty());
}

void tst_editorcontrols::colorGrid_ClickSetsTheCurrentToolsTarget()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    QCOMPARE(e.lineColor(), clRed);
    QCOMPARE(e.NBK->grab().toImage().pixel(0, 0), qRgb(0, 255, 255));
    QCOMPARE(e.ColorGrid1->chosenIndex(), 0);

    e.Line1->click();
    clickCell(e.ColorGrid1, 12);
    QCOMPARE(e.lineColor(), clBlue);
    // What the swatch and its frame show, not only what they hold.
    QCOMPARE(e.NowColor->grab().toImage().pixel(4, 4), qRgb(0, 0, 255));
    QCOMPARE(e.NBK->grab().toImage().pixel(0, 0), qRgb(255, 255, 0));

    e.CheckBox1->setChecked(true);
    e.Text1->click();
    clickCell(e.ColorGrid1, 11, Qt::RightButton); // applies the chosen blue once more
    QCOMPARE(e.textBackground(), clBlue);
    clickCell(e.ColorGrid1, 11);
    QCOMPARE(e.textBackground(), clYellow);
    QCOMPARE(e.lineColor(), clBlue);
    QVERIFY(e.TextOKButton->isEnabled());
    QVERIFY(e.CheckBox1->isChecked());
    QTRY_VERIFY(e.InsText->hasFocus());
}

void tst_editorcontrols::widthField_TypedValueHoldsUntilTheFieldIsLeft()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    QCOMPARE(e.LW->text(), QStringLiteral("5"));
    QLineEdit *field = e.SpinEdit1->edit();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("5x00")); // the letter is refused
    QCOMPARE(field->text(), QStringLiteral("500"));
    QCOMPARE(e.LW->text(), QStringLiteral("500"));
    QVERIFY(e.LW->width() >= e.LW->fontMetrics().horizontalAdvance(QStringLiteral("500")));

    e.Line1->click(); // a press on the picture leaves the focus where it is
    drag(e.PB1, QPoint(10, 10), QPoint(100, 80));
    QCOMPARE(e.document().LineList.back()->Width, 500);

    e.FColorButton->setFocus();
    QCOMPARE(e.LW->text(), QStringLiteral("100"));
    e.SpinEdit1->upButton()->click();
    QCOMPARE(e.SpinEdit1->value(), 100);
    QTest::keyClick(field, Qt::Key_Down);
    QCOMPARE(e.LW->text(), QStringLiteral("99"));
    field->setText(QStringLiteral("-7"));
    e.SpinEdit1->downButton()->click();
    QCOMPARE(e.SpinEdit1->value(), 1);
}

void tst_editorcontrols::textCycle_PlaceConfirmPlaceAgainThenSelectAndRestyle()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    e.Text1->click();
    QVERIFY(!e.TextOKButton->isEnabled());
    QTest::mouseClick(e.PB1, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(e.PB1->caret(), QRect(38, 30, 4, 12)); // the bar, as tall as the 12-pixel font
    typeJapanese(e.InsText, QStringLiteral("ここを押す"));
    e.TextOKButton->click();
    QVERIFY(e.PB1->caret().isNull());
    QTest::mouseClick(e.PB1, Qt::LeftButton, {}, QPoint(40, 200));
    e.TextOKButton->click();
    QCOMPARE(e.document().MojiList.size(), size_t(2));
    const TMoji &first = *e.document().MojiList.front();
    QCOMPARE(first.Text, QStringLiteral("ここを押す"));
    QCOMPARE(QPoint(first.X, first.Y), QPoint(40, 30));
    QCOMPARE(first.BkColor, clWhite);
    QCOMPARE(e.document().MojiList.back()->Text, first.Text);

    e.Select1->click();
    QVERIFY(e.InsText->text().isEmpty());
    QTest::mouseClick(e.PB1, Qt::LeftButton, {}, QPoint(45, 35));
    QCOMPARE(e.InsText->text(), QStringLiteral("ここを押す"));
    QVERIFY(e.TextOKButton->isEnabled());
    clickCell(e.ColorGrid1, 14);
    e.TextOKButton->click();
    QCOMPARE(first.BkColor, clAqua);
    QCOMPARE(e.document().SelMoji, &first);
    e.ClearSelection();
    QCOMPARE(e.document().DrawBmp.pixel(first.Measure().right() - 1, first.Y), qRgb(0, 255, 255));
}

void tst_editorcontrols::clipboardCommands_PasteNewAndReload()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    e.Line1->click();
    drag(e.PB1, QPoint(5, 5), QPoint(60, 60));
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("文字だけ"));
        BoxAnswerer answerer;
        QTest::keySequence(e.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_V));
        QCOMPARE(answerer.seen.text, QStringLiteral("無効なクリップボード フォーマットです."));
        QCOMPARE(e.document().BaseBmp.size(), QSize(640, 480));
        QCOMPARE(e.PB1->size(), QSize(640, 480));
    }
    auto *data = new QMimeData;
    QImage shot(800, 50, QImage::Format_RGB32);
    shot.fill(qRgb(1, 2, 3));
    data->setImageData(shot);
    QGuiApplication::clipboard()->setMimeData(data);
    e.ActPaste->trigger();
    QCOMPARE(e.PB1->size(), QSize(800, 50));
    QCOMPARE(e.document().LineList.size(), size_t(1));
    QVERIFY(e.document().Modified());

    // New over unsaved work asks: キャンセル keeps the line, いいえ gives it up.
    {
        BoxAnswerer answerer(QStringLiteral("キャンセル"));
        e.ActNew->trigger();
        QCOMPARE(answerer.seen.title, QStringLiteral("確認"));
    }
    QCOMPARE(e.document().LineList.size(), size_t(1));
    {
        BoxAnswerer answerer(QStringLiteral("いいえ(&N)"));
        e.ActNew->trigger();
    }
    QVERIFY(e.document().LineList.empty());
    QCOMPARE(e.PB1->size(), QSize(640, 480));
    QCOMPARE(e.windowTitle(), QStringLiteral("　Korvane　　『 画像作成 』"));

    drag(e.PB1, QPoint(5, 5), QPoint(60, 60));
    {
        BoxAnswerer answerer(QStringLiteral("いいえ(&N)"));
        e.ActReload->trigger();
    }
    QVERIFY(!e.isVisible());
    QVERIFY(w.launcher.isVisible());
    QVERIFY(e.document().LineList.empty());
}

// Also run with QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt): a screen shot
// taken on a screen of two device pixels per unit is shown pixel for pixel.
void tst_editorcontrols::picture_ShownOneDevicePixelForEachPixel()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    const qreal scale = e.PB1->devicePixelRatioF();
    QCOMPARE(e.PB1->size(), QSize(qCeil(640 / scale), qCeil(480 / scale)));
    e.Line1->click();
    drag(e.PB1, QPoint(10, 10), QPoint(100, 60));
    const TLineRec &line = *e.document().LineList.back();
    QCOMPARE(QPoint(line.X1, line.Y1), (QPointF(10, 10) * scale).toPoint());
    QCOMPARE(QPoint(line.X2, line.Y2), (QPointF(100, 60) * scale).toPoint());
    const QImage shown = e.PB1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), e.document().DrawBmp.size());
    QCOMPARE(shown.pixel(line.X2 - 3, line.Y2 - 1),
             e.document().DrawBmp.pixel(line.X2 - 3, line.Y2 - 1));
}

void tst_editorcontrols::fontDialog_EnterConfirmsFontAndColourAndTheDialogComesBackWhole()
{
    Window w;
    TKorvaneForm1 &e = w.editor;
    for (int round = 0; round < 2; ++round) {
        bool pickerShown = false;
        // Once the dialog is up and has the focus, however long that takes.
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (!e.FontDialog1->isVisible() || !QApplication::focusWidget())
                return;
            answer.stop();
            pickerShown = e.FontDialog1->fontPicker()->isVisible();
            QFont big(QStringLiteral("IPAGothic"));
            big.setPointSize(18);
            e.FontDialog1->fontPicker()->setCurrentFont(big);
            e.FontDialog1->colorPicker()->setCurrentIndex(12); // blue
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        answer.start();
        e.ActFont->trigger();
        QVERIFY2(pickerShown, qPrintable(QStringLiteral("round %1").arg(round)));
    }
    QCOMPARE(QFontInfo(e.InsText->font()).family(), QStringLiteral("IPAGothic"));
    QCOMPARE(e.InsText->font().pixelSize(), QFontInfo(e.InsText->font()).pixelSize());
    QCOMPARE(e.textColor(), clBlue);
    QCOMPARE(e.FName->text(), QStringLiteral("IPAGothic"));
    QVERIFY(e.InsText->height() > 20); // the entry grew with its font
}

// A screen reader says a control by its name: none of the four windows may
// have a control it can only call "edit" or "button". The width field shows
// every width it takes readably.
void tst_editorcontrols::accessibility_EveryControlOfEveryWindowHasAName()
{
    Window w;
    TOKBottomDlg resize;
    TAboutBox about;
    QStringList unnamed;
    for (QWidget *window : {static_cast<QWidget *>(&w.launcher), static_cast<QWidget *>(&w.editor),
                            static_cast<QWidget *>(&resize), static_cast<QWidget *>(&about)}) {
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const bool operated =
                qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control) ||
                qobject_cast<QComboBox *>(control) || control->focusPolicy() != Qt::NoFocus;
            // Qt's own parts: the scroll bars and the tool bars' overflow
            // buttons say what they are by their role.
            if (!operated || qobject_cast<QAbstractScrollArea *>(control) ||
                control->objectName().startsWith(u"qt_"))
                continue;
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
            if (!face || face->text(QAccessible::Name).trimmed().isEmpty()) {
                QStringList path;
                for (QWidget *at = control; at && at != window; at = at->parentWidget())
                    path.prepend(at->objectName().isEmpty()
                                     ? QString::fromLatin1(at->metaObject()->className())
                                     : at->objectName());
                unnamed << window->objectName() + u'/' + path.join(u'/');
            }
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", ")));

    QLineEdit *field = w.editor.SpinEdit1->edit();
    w.editor.SpinEdit1->setValue(100);
    QVERIFY(field->fontMetrics().horizontalAdvance(field->text()) <= field->width() - 4);
}

int main(int argc, char *argv[])
{
    KorvaneApplication app(argc, argv);
    tst_editorcontrols test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editorcontrols.moc"
