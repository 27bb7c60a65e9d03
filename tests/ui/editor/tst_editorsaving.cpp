// Saving on the real window: Save and Save As with the save dialog, the icon
// rule, and the unsaved-changes question with each answer.
#include "app/KorvaneApplication.h"
#include "ui/dialogs/PicturePreviewDialog.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/widgets/PaintBox.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using namespace korvane;

namespace {

// Answers the modal dialogs that open, one step each, in order.
class Answers : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;
    explicit Answers(std::initializer_list<Step> steps) : m_steps(steps)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last || m_steps.empty())
                return;
            m_last = modal;
            Step step = m_steps.front();
            m_steps.erase(m_steps.begin());
            step(modal);
        });
        m_timer.start(10);
    }
    bool done() const { return m_steps.empty(); }

private:
    std::vector<Step> m_steps;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// A message box step: records its text and clicks the button with this caption.
Answers::Step answerBox(const QString &button, QString *text = nullptr, QString *title = nullptr)
{
    return [=](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        QVERIFY(box);
        if (text)
            *text = box->text();
        if (title)
            *title = box->windowTitle();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button) {
                b->click();
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no button %1").arg(button)));
    };
}

struct SaveDialogSeen
{
    QString folder;
    QStringList proposed;
    QString suffix;
    QString filter;
};

// A save dialog step: records what it offered, then saves under `name` in
// its folder with filter `index`, or cancels when `name` is empty.
Answers::Step answerSaveDialog(SaveDialogSeen *seen, const QString &name, int index = 1)
{
    return [=](QWidget *widget) {
        auto *dialog = qobject_cast<PicturePreviewDialog *>(widget);
        QVERIFY(dialog);
        seen->folder = dialog->directory().absolutePath();
        seen->proposed = dialog->selectedFiles();
        seen->suffix = dialog->defaultSuffix();
        seen->filter = dialog->selectedNameFilter();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectNameFilter(dialog->nameFilters().at(index - 1));
        // Typed into the name field, as a user does after choosing the filter.
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(field);
        field->setText(name);
        static_cast<QDialog *>(dialog)->accept(); // as the dialog's own button does
    };
}

QString desktopKorvane()
{
    return QDir::home().filePath(QStringLiteral("Desktop/Korvane"));
}

void drawLine(TKorvaneForm1 &editor)
{
    editor.Line1->click();
    QTest::mousePress(editor.PB1, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(editor.PB1, QPoint(30, 12));
    QTest::mouseRelease(editor.PB1, Qt::LeftButton, {}, QPoint(30, 12));
}

QString writePicture(const QString &path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.save(path, "BMP");
    return path;
}

} // namespace

class tst_editorsaving : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saveAs_UntitledGoesThroughTheDialogInTheDesktopFolder();
    void save_ByExtensionAndTheIconRule();
    void closeQuestion_EachAnswerAndNoLostWork();

private:
    QTemporaryDir m_dir;
};

void tst_editorsaving::saveAs_UntitledGoesThroughTheDialogInTheDesktopFolder()
{
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, QString());
    drawLine(editor);
    QVERIFY(editor.ActSave->isEnabled());
    // A file of the user's under the name the dialog proposes: nothing but
    // the user's own choice of it may touch it.
    const QString proposed = QDir(desktopKorvane()).filePath(QStringLiteral("_.bmp"));
    QVERIFY(QDir().mkpath(desktopKorvane()));
    {
        QFile own(proposed);
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("the user's own");
    }
    SaveDialogSeen first;
    {
        Answers answers{answerSaveDialog(&first, QStringLiteral("pic.bmp"), 2)};
        QVERIFY(editor.saveDocument()); // an untitled picture has no name to save under
    }
    QCOMPARE(first.folder, desktopKorvane());
    QCOMPARE(first.proposed, QStringList{proposed});
    QCOMPARE(first.suffix, QStringLiteral("bmp"));
    const QString saved = QDir(desktopKorvane()).filePath(QStringLiteral("pic.bmp"));
    QCOMPARE(editor.document().FileName, saved);
    QFile file(saved);
    file.open(QIODevice::ReadOnly);
    QVERIFY(file.read(2) == "BM"); // the typed name's format, whatever the filter
    QFile own(proposed);
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("the user's own"));
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　pic.bmp"));
    QCOMPARE(editor.document().FileName, saved);
    QVERIFY(!editor.document().Modified());
    QVERIFY(!editor.ActSave->isEnabled());

    // The next opening remembers the filter and its extension; saving under
    // the proposed name keeps the picture, not the preview's deletion.
    SaveDialogSeen second;
    {
        Answers answers{answerSaveDialog(&second, QStringLiteral("_.bmp"), 1)};
        QVERIFY(editor.saveDocumentAs());
    }
    QCOMPARE(second.suffix, QStringLiteral("jpg"));
    QVERIFY2(second.filter.startsWith(QStringLiteral("JPEG イメージファイル (*.jpg)")),
             qPrintable(second.filter));
    QVERIFY(QImage(proposed).size() == editor.document().DrawBmp.size());

    SaveDialogSeen cancelled;
    {
        Answers answers{answerSaveDialog(&cancelled, QString())};
        QVERIFY(!editor.saveDocumentAs());
    }
    QCOMPARE(editor.windowTitle(), QStringLiteral("　Korvane　　_.bmp"));
}

void tst_editorsaving::save_ByExtensionAndTheIconRule()
{
    const QString tall = writePicture(m_dir.filePath(QStringLiteral("tall.bmp")), QSize(32, 33));
    const QString icon = m_dir.filePath(QStringLiteral("x.ico"));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, tall);
    drawLine(editor);
    editor.saveDocument();
    QImage written(tall);
    QCOMPARE(written.pixel(20, 11), qRgb(255, 0, 0)); // the line is in the file

    editor.document().FileName = icon;
    QString message;
    {
        Answers answers{answerBox(QStringLiteral("OK"), &message)};
        QVERIFY(!editor.saveDocument());
    }
    QCOMPARE(
        message,
        QStringLiteral(
            "Icon ファイルとして保存できるのは\r\n\r\nIconサイズ(32x32)ピクセルの画像だけです"));
    QVERIFY(!QFile::exists(icon));

    editor.LoadDocument(writePicture(m_dir.filePath(QStringLiteral("square.bmp")), QSize(32, 32)));
    editor.document().FileName = icon;
    QVERIFY(editor.saveDocument());
    QCOMPARE(QFileInfo(icon).size(), 766);
}

void tst_editorsaving::closeQuestion_EachAnswerAndNoLostWork()
{
    const QString path = writePicture(m_dir.filePath(QStringLiteral("work.bmp")), QSize(50, 40));
    TKorvaneForm0 launcher;
    TKorvaneForm1 editor(&launcher, path);
    editor.show();
    QVERIFY(editor.close()); // nothing changed: no question
    QVERIFY(launcher.isClosed());

    TKorvaneForm0 launcher2;
    TKorvaneForm1 untitled(&launcher2, QString());
    untitled.show();
    drawLine(untitled);
    QString text, title;
    {
        Answers answers{answerBox(QStringLiteral("キャンセル"), &text, &title)};
        QVERIFY(!untitled.close());
    }
    QCOMPARE(title, QStringLiteral("確認"));
    QCOMPARE(text, QStringLiteral(" 『 画像 』 が保存されていません。\r\n\r\n　保存しますか？"));
    QVERIFY(untitled.isVisible());

    // "Yes" whose save did not happen keeps the work and the window.
    SaveDialogSeen seen;
    {
        Answers answers{answerBox(QStringLiteral("はい(&Y)")), answerSaveDialog(&seen, QString())};
        QVERIFY(!untitled.close());
        QVERIFY(answers.done());
    }
    QVERIFY(untitled.isVisible());
    QVERIFY(!launcher2.isClosed());
    QVERIFY(untitled.document().Modified());

    {
        Answers answers{answerBox(QStringLiteral("いいえ(&N)"))};
        QVERIFY(untitled.close());
    }
    QVERIFY(launcher2.isClosed());

    TKorvaneForm0 launcher3;
    TKorvaneForm1 named(&launcher3, path);
    named.show();
    drawLine(named);
    {
        Answers answers{answerBox(QStringLiteral("はい(&Y)"), &text)};
        QVERIFY(named.close());
    }
    QCOMPARE(text,
             QStringLiteral(" 『 work.bmp 』 が保存されていません。\r\n\r\n　保存しますか？"));
    QCOMPARE(QImage(path).pixel(20, 11), qRgb(255, 0, 0));
    QVERIFY(launcher3.isClosed());
}

int main(int argc, char *argv[])
{
    // The desktop folder of a home of the test's own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    KorvaneApplication app(argc, argv);
    tst_editorsaving test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editorsaving.moc"
