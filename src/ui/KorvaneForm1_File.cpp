// The editor's file commands: opening, dropping, the start-up load, new
// picture, reload and paste.
#include "ui/KorvaneForm1.h"

#include "capture/KorvaneForm0.h"
#include "document/ClipboardPicture.h"
#include "document/PictureFile.h"
#include "ui/PaintBox.h"
#include "ui/PicturePreviewDialog.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

namespace korvane {

void TKorvaneForm1::LoadDocument(const QString &name)
{
    const LoadOutcome outcome = korvane::LoadDocument(m_doc, name);
    if (outcome.typeRefused) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvane"),
                        QStringLiteral("このソフトで開けるファイル形式は\r\n\r\n"
                                       "『 BMP,WMF,JPG,JPEG 』 だけです。"),
                        QMessageBox::Ok, this);
        box.exec();
        // The document and its annotations are kept, so a user who cancels
        // the close question still has everything they had.
        ActExitExecute();
        return;
    }
    PB1->pictureChanged();
    setWindowTitle(outcome.caption);
    ActSave->setEnabled(true);
}

void TKorvaneForm1::ActNewExecute()
{
    LoadDocument(QString());
}

void TKorvaneForm1::ActReloadExecute()
{
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
    QImage picture = pictureFromMimeData(QGuiApplication::clipboard()->mimeData());
    PastePicture(m_doc, std::move(picture));
    PB1->pictureChanged();
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
        LoadDocument(chosen.first());
}

void TKorvaneForm1::WMDropFiles(const QStringList &paths)
{
    raise();
    activateWindow();
    if (!paths.isEmpty())
        LoadDocument(paths.first());
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
