// The picture's geometry on the real windows: turning and mirroring under
// the annotations, the resize dialog from its opening to OK, and an empty
// picture (a resize to 0 %) that every command must survive.
#include "app/KorvaneApplication.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/BoxAnswerer.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/dialogs/OKBottomDlg.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/UpDown.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace korvane;

namespace {

QImage numbered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 3, y * 3, (x + y) % 256));
    return image;
}

struct Program
{
    Program() : editor(&launcher, QString())
    {
        editor.setResizeDialog(&dialog);
        dialog.setEditor(&editor);
        editor.document().SetPicture(numbered(80, 60));
        editor.Redraw();
        editor.document().History.reset(); // this picture as the one loaded
        editor.show();
    }
    void type(int field, const QString &text)
    {
        QLineEdit *edit = dialog.Edits[size_t(field - 1)];
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void chooseMode(int index)
    {
        dialog.RadioGroup1->findChildren<QRadioButton *>().at(index)->click();
    }
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor;
    TOKBottomDlg dialog;
};

} // namespace

class tst_resizedialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transforms_TurnThePictureAloneAndComeBack();
    void resizeDialog_OpensAt100PercentBesideTheEditorAndResizes();
    void emptyPicture_EveryCommandStillRuns();
};

void tst_resizedialog::transforms_TurnThePictureAloneAndComeBack()
{
    Program p;
    EditorDocument &doc = p.editor.document();
    auto line = std::make_unique<TLineRec>();
    line->X1 = 10;
    line->Y1 = 10;
    line->X2 = 70;
    line->Y2 = 20;
    line->Width = 3;
    line->Color = clRed;
    doc.LineList.push_back(std::move(line));
    p.editor.Select1->click();
    doc.SelLine = doc.LineList.front().get();

    p.editor.Act90->trigger();
    QCOMPARE(p.editor.PB1->size(), QSize(60, 80));
    QCOMPARE(doc.DrawBmp.size(), QSize(60, 80));
    QCOMPARE(doc.BaseBmp.pixel(59, 0), numbered(80, 60).pixel(0, 0)); // turned to the right
    QCOMPARE(doc.LineList.front()->X2, 70);                           // annotations stay put
    QCOMPARE(doc.SelLine, doc.LineList.front().get());
    QCOMPARE(doc.Mode, qint32(mdSelect));
    QVERIFY(doc.Modified()); // a turned picture is unsaved work
    QVERIFY(p.editor.ActSave->isEnabled());

    p.editor.Act270->trigger();
    p.editor.ActHntenLR->trigger();
    p.editor.ActHantenTB->trigger();
    p.editor.Act180->trigger();
    QCOMPARE(doc.BaseBmp, numbered(80, 60));
}

void tst_resizedialog::resizeDialog_OpensAt100PercentBesideTheEditorAndResizes()
{
    Program p;
    p.editor.ActSize->trigger();
    QVERIFY(p.dialog.isVisible());
    QVERIFY(!p.dialog.isModal());
    QCOMPARE(p.dialog.Edits[0]->text(), QStringLiteral("100"));
    p.type(1, QStringLiteral("50"));
    p.dialog.OKBtn->click();
    QVERIFY(!p.dialog.isVisible());
    QCOMPARE(p.editor.document().BaseBmp.size(), QSize(40, 30));
    QCOMPARE(p.editor.PB1->size(), QSize(40, 30));

    // Reopened, it starts again at 100 %; separate sides in pixels reach the
    // size through their whole percent.
    p.editor.ActSize->trigger();
    QCOMPARE(p.dialog.Edits[0]->text(), QStringLiteral("100"));
    p.chooseMode(1);
    QCOMPARE(p.dialog.Edits[3]->text(), QStringLiteral("40"));
    QVERIFY(p.dialog.Edits[1]->isEnabled() && !p.dialog.Edits[3]->isEnabled());
    p.dialog.RadioGroup2->findChildren<QRadioButton *>().at(1)->click();
    QVERIFY(p.dialog.Edits[3]->isEnabled() && !p.dialog.Edits[1]->isEnabled());
    p.type(4, QStringLiteral("17"));
    QCOMPARE(p.dialog.Edits[1]->text(), QStringLiteral("42"));
    QTest::keyClick(p.dialog.Edits[2], Qt::Key_Up); // a disabled spin does not step
    QCOMPARE(p.dialog.Edits[2]->text(), QStringLiteral("100"));
    p.dialog.OKBtn->click();
    QCOMPARE(p.editor.document().BaseBmp.size(), QSize(16, 30));

    p.editor.ActSize->trigger();
    p.chooseMode(2);
    QCOMPARE(p.dialog.Edits[5]->text(), QStringLiteral("100"));
    p.dialog.OKBtn->click();
    QCOMPARE(p.editor.document().BaseBmp.size(), QSize(341, 504));

    p.editor.ActSize->trigger();
    p.dialog.UpDowns[0]->downButton()->click();
    QCOMPARE(p.dialog.Edits[0]->text(), QStringLiteral("99"));
    p.dialog.CancelBtn->click();
    QCOMPARE(p.editor.document().BaseBmp.size(), QSize(341, 504));
}

void tst_resizedialog::emptyPicture_EveryCommandStillRuns()
{
    Program p;
    p.editor.ActSize->trigger();
    p.type(1, QStringLiteral("0"));
    p.dialog.OKBtn->click();
    EditorDocument &doc = p.editor.document();
    QVERIFY(doc.BaseBmp.isNull() && doc.DrawBmp.isNull());
    QCOMPARE(p.editor.PB1->size(), QSize(0, 0));

    for (QToolButton *tool :
         {p.editor.Line1, p.editor.Arrow1, p.editor.Select1, p.editor.Text1, p.editor.Spoide1}) {
        tool->click();
        p.editor.tools().PB1MouseDown({PointerEvent::Button::Left, 0, 0});
        p.editor.tools().PB1MouseMove({PointerEvent::Button::None, 30, 20});
        p.editor.tools().PB1MouseUp({PointerEvent::Button::Left, 30, 20});
    }
    p.editor.Act90->trigger();
    QVERIFY(doc.BaseBmp.isNull());

    // The dialog's pixel conversions have nothing to divide by: a clear error.
    p.editor.ActSize->trigger();
    p.chooseMode(1);
    p.dialog.RadioGroup2->findChildren<QRadioButton *>().at(1)->click();
    {
        BoxAnswerer answerer;
        QLineEdit *width = p.dialog.Edits[3];
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, QStringLiteral("5"));
        QTRY_COMPARE(answerer.seen.text, QStringLiteral("ゼロによる除算."));
    }
    // Saving an empty picture says why instead of writing a file no reader opens.
    {
        BoxAnswerer answerer;
        p.editor.document().FileName = QStringLiteral("/tmp/empty.jpg");
        // Queued, so that the error reaches the application's error box.
        QMetaObject::invokeMethod(p.editor.ActSave, &QAction::trigger, Qt::QueuedConnection);
        QTRY_VERIFY(answerer.seen.count == 1);
    }
    p.chooseMode(2);
    p.dialog.OKBtn->click();
    QCOMPARE(doc.BaseBmp.size(), QSize(341, 504)); // a preset still gives its size
}

int main(int argc, char *argv[])
{
    KorvaneApplication app(argc, argv);
    tst_resizedialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resizedialog.moc"
