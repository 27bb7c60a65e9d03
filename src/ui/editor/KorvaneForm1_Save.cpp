// The editor's saving: Save by the file name's extension, Save As through
// the save dialog, the three writers, and the unsaved-changes question.
#include "ui/editor/KorvaneForm1.h"

#include "common/KorvaneError.h"
#include "document/AtomicFile.h"
#include "document/PictureFile.h"
#include "document/RecoveryKeeper.h"
#include "ui/ErrorBox.h"
#include "ui/dialogs/PicturePreviewDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>

namespace korvane {

namespace {

QString saveFilter(int index)
{
    return saveFilterText(index) + QStringLiteral(" (") + saveFilterPattern(index) + u')';
}

// A filter's index from 1. The dialog may give the filter with or without
// its pattern, depending on how it shows filters.
int filterIndex(const QString &selected)
{
    for (int index = 1; index <= kSaveFilterCount; ++index) {
        if (selected == saveFilter(index) || selected == saveFilterText(index))
            return index;
    }
    return 1;
}

} // namespace

void TKorvaneForm1::createSaveDialog()
{
    SavePictureDialog1 = new PicturePreviewDialog(this, QString());
    SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));
    SavePictureDialog1->setWindowTitle(QStringLiteral("名前を付けて保存"));
    SavePictureDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SavePictureDialog1->setFileMode(QFileDialog::AnyFile);
    // The filters show their texts as they are; an existing file is
    // replaced without a question, as it always has been.
    SavePictureDialog1->setOption(QFileDialog::HideNameFilterDetails);
    SavePictureDialog1->setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (int index = 1; index <= kSaveFilterCount; ++index)
        filters << saveFilter(index);
    SavePictureDialog1->setNameFilters(filters);
    SavePictureDialog1->setDefaultSuffix(defaultSuffixForFilter(1));
    // A name typed without an extension gets the chosen filter's: the name
    // then says the format that is written.
    connect(SavePictureDialog1, &QFileDialog::filterSelected, this, [this](const QString &filter) {
        SavePictureDialog1->setDefaultSuffix(defaultSuffixForFilter(filterIndex(filter)));
    });
}

namespace {

void showIconSizeMessage(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvane"), iconSizeMessage(),
                    QMessageBox::Ok, parent);
    box.exec();
}

// A file or folder the user may not write: say so and offer another name.
bool offerSaveAs(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Korvane"),
                    errorBoxText(message) + QStringLiteral("\r\n\r\n名前を付けて保存しますか？"),
                    QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

void TKorvaneForm1::wroteFile()
{
    setWindowTitle(captionFor(m_doc.FileName));
    m_doc.History.markClean();
    if (m_recovery)
        m_recovery->documentChanged(); // saved: its recovery copy goes
}

void TKorvaneForm1::SaveBitmap()
{
    savePicture(m_doc.DrawBmp, m_doc.FileName, SaveFormat::Bmp);
    wroteFile();
}

void TKorvaneForm1::SaveJpeg()
{
    savePicture(m_doc.DrawBmp, m_doc.FileName, SaveFormat::Jpeg);
    wroteFile();
}

void TKorvaneForm1::SavePng()
{
    saveDocumentPicture(m_doc, m_doc.FileName, SaveFormat::Png);
    wroteFile();
}

void TKorvaneForm1::SaveIcon()
{
    savePicture(m_doc.DrawBmp, m_doc.FileName, SaveFormat::Icon);
    wroteFile();
}

void TKorvaneForm1::ActSaveExecute()
{
    saveDocument();
}

void TKorvaneForm1::ActSaveAsExecute()
{
    saveDocumentAs();
}

bool TKorvaneForm1::saveDocument()
{
    FColorButton->setFocus();
    try {
        switch (saveRouteForName(m_doc.FileName)) {
        case SaveRoute::Jpeg:
            SaveJpeg();
            return true;
        case SaveRoute::Bmp:
            SaveBitmap();
            return true;
        case SaveRoute::Icon:
            if (!fitsIcon(m_doc.DrawBmp)) {
                showIconSizeMessage(this);
                return false;
            }
            SaveIcon();
            return true;
        case SaveRoute::Png:
            SavePng();
            return true;
        case SaveRoute::SaveAs:
            break;
        }
    } catch (const WriteProtectedError &error) {
        if (!offerSaveAs(this, error.message()))
            return false;
    }
    return saveDocumentAs();
}

bool TKorvaneForm1::saveDocumentAs()
{
    // Nothing is written before the user has chosen a name: the dialog
    // shows the picture from memory under the name it proposes.
    const QString folder = saveFolder();
    const QString proposed = QDir(folder).filePath(proposedFileName());
    SavePictureDialog1->setDirectory(folder);
    SavePictureDialog1->selectFile(proposed);
    SavePictureDialog1->setPendingPicture(proposed, m_doc.DrawBmp);
    SavePictureDialog1->showPreview(proposed);
    const auto endPreview = qScopeGuard([this] { SavePictureDialog1->setPendingPicture({}, {}); });
    SaveTarget target;
    for (;;) {
        if (SavePictureDialog1->exec() != QDialog::Accepted ||
            SavePictureDialog1->selectedFiles().isEmpty())
            return false;
        const int index = filterIndex(SavePictureDialog1->selectedNameFilter());
        target = saveTargetFor(SavePictureDialog1->selectedFiles().constFirst(), index);
        if (target.format == SaveFormat::Icon && !fitsIcon(m_doc.DrawBmp)) {
            showIconSizeMessage(this);
            return false;
        }
        // The next opening offers the extension of the filter chosen now.
        SavePictureDialog1->setDefaultSuffix(defaultSuffixForFilter(index));
        // The name is taken only once the file is written: a failed write
        // leaves the document's name, caption and changes as they were.
        try {
            saveDocumentPicture(m_doc, target.path, target.format);
            break;
        } catch (const WriteProtectedError &error) {
            if (!offerSaveAs(this, error.message()))
                return false;
        }
    }
    m_doc.FileName = target.path;
    wroteFile();
    OpenPictureDialog1->selectFile(target.path);
    ActSave->setEnabled(false);
    FColorButton->setFocus();
    return true;
}

bool TKorvaneForm1::FormCloseQuery()
{
    return maybeSave();
}

bool TKorvaneForm1::maybeSave()
{
    if (!m_doc.Modified())
        return true;
    QApplication::beep();
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"),
                    closeQuestionText(closeQuestionName(m_doc.FileName)), QMessageBox::NoButton,
                    this);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    // Only いいえ gives the work up; a box closed any other way keeps it.
    if (box.clickedButton() == no) {
        if (m_recovery)
            m_recovery->discarded();
        return true;
    }
    if (box.clickedButton() == yes) {
        // The user asked to keep the work: when it was not written (the
        // dialog cancelled, the icon rule, a failed write), it stays.
        try {
            if (saveDocument())
                return true;
        } catch (const KorvaneError &error) {
            showErrorBox(error.message());
        }
    }
    FColorButton->setFocus();
    return false;
}

} // namespace korvane
