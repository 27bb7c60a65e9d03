// The editor's file commands: opening, dropping, the start-up load, new
// picture, reload and paste.
#include "ui/editor/KorvaneForm1.h"

#include "document/ClipboardPicture.h"
#include "document/PictureFile.h"
#include "ui/dialogs/PicturePreviewDialog.h"
#include "ui/editor/HintRouter.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/widgets/PaintBox.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

namespace korvane {

namespace {

void showTypeRefusal(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvane"), refusedTypeMessage(),
                    QMessageBox::Ok, parent);
    box.exec();
}

// Users want what a damaged file still holds, but must know that the grey
// part is not the picture: saving would make the loss permanent.
void showCutShort(QWidget *parent, const QString &path)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Korvane"),
                    QStringLiteral("%1 は途中で切れています。\r\n\r\n"
                                   "読めた部分だけを開きました。欠けた部分は灰色になっています。")
                        .arg(QFileInfo(path).fileName()),
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void TKorvaneForm1::LoadDocument(const QString &name)
{
    const LoadOutcome outcome = korvane::LoadDocument(m_doc, name);
    if (outcome.typeRefused) {
        // Only the start-up file reaches this: a program started for a file
        // it cannot open ends. The document and its annotations are kept.
        showTypeRefusal(this);
        ActExitExecute();
        return;
    }
    PB1->pictureChanged();
    setWindowTitle(outcome.caption);
    ActSave->setEnabled(true);
    updateHistoryActions();
    // The picture opened plain: said once where hints go, until the next
    // hint replaces it.
    m_hints->showMessage(outcome.annotationsNotRestored);
    if (outcome.cutShort)
        showCutShort(this, name);
}

void TKorvaneForm1::openPicture(const QString &path)
{
    if (pictureTypeForExtension(pictureExtension(path)) == PictureType::Unsupported) {
        showTypeRefusal(this);
        return;
    }
    if (maybeSave())
        LoadDocument(path);
}

void TKorvaneForm1::ActNewExecute()
{
    if (maybeSave())
        LoadDocument(QString());
}

void TKorvaneForm1::ActReloadExecute()
{
    if (!maybeSave())
        return;
    LoadDocument(QString());
    FColorButton->setFocus();
    hide();
    if (m_launcher)
        m_launcher->show();
}

void TKorvaneForm1::ActPastExecute()
{
    // Read and decode first: a clipboard without a usable picture changes
    // nothing, not even the picture's size.
    pastePicture(pictureFromMimeData(QGuiApplication::clipboard()->mimeData()));
}

void TKorvaneForm1::ActCopyExecute()
{
    QGuiApplication::clipboard()->setMimeData(pictureMimeData(m_doc.DrawBmp));
}

void TKorvaneForm1::pastePicture(QImage picture)
{
    QImage before = m_doc.BaseBmp;
    PastePicture(m_doc, std::move(picture));
    m_doc.History.recordPicture(std::move(before));
    PB1->pictureChanged();
    documentChanged();
}

void TKorvaneForm1::ActVerExecute()
{
    // Beside the editor, which stays usable; a second call changes nothing.
    if (!m_aboutBox)
        return;
    m_aboutBox->show();
    m_aboutBox->raise();
    m_aboutBox->activateWindow();
}

void TKorvaneForm1::ActOpenExecute()
{
    FColorButton->setFocus();
    if (OpenPictureDialog1->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = OpenPictureDialog1->selectedFiles();
    if (!chosen.isEmpty())
        openPicture(chosen.first());
}

void TKorvaneForm1::WMDropFiles(const QStringList &paths)
{
    raise();
    activateWindow();
    if (!paths.isEmpty())
        openPicture(paths.first());
    FColorButton->setFocus();
}

namespace {

QStringList localFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

void TKorvaneForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TKorvaneForm1::dropEvent(QDropEvent *event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    WMDropFiles(paths);
}

} // namespace korvane
