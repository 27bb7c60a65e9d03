// The editor's saving: Save by the file name's extension, Save As through
// the save dialog, the three writers, and the unsaved-changes question.
#include "ui/KorvaneForm1.h"

#include "app/KorvaneApplication.h"
#include "common/KorvaneError.h"
#include "document/PictureFile.h"
#include "ui/PicturePreviewDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace korvane {

namespace {

QString saveFilter(int index)
{
    return saveFilterText(index) + QStringLiteral(" (") + saveFilterPattern(index) + u')';
}

// The chosen filter's index from 1. The dialog may give the filter with or
// without its pattern, depending on how it shows filters.
int chosenFilterIndex(const QFileDialog *dialog)
{
    const QString selected = dialog->selectedNameFilter();
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
}

namespace {

void showIconSizeMessage(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvane"), iconSizeMessage(),
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void TKorvaneForm1::wroteFile()
{
    setWindowTitle(captionPrefix() + QFileInfo(m_doc.FileName).fileName());
    m_doc.Modified = false;
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
    case SaveRoute::SaveAs:
        break;
    }
    return saveDocumentAs();
}

namespace {

// The preview file lives exactly as long as the dialog that shows it, also
// when the write after the dialog fails; but when the user saved under its
// very name, the file is the saved picture and stays.
class PreviewFile
{
public:
    explicit PreviewFile(QString path) : m_path(std::move(path)) {}
    ~PreviewFile()
    {
        if (!m_kept)
            QFile::remove(m_path);
    }
    PreviewFile(const PreviewFile &) = delete;
    PreviewFile &operator=(const PreviewFile &) = delete;

    const QString &path() const { return m_path; }
    void keepIfSavedAs(const QString &saved)
    {
        m_kept = QFileInfo(saved).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath();
    }

private:
    QString m_path;
    bool m_kept = false;
};

} // namespace

bool TKorvaneForm1::saveDocumentAs()
{
    const QString folder = saveFolder();
    if (!QDir().mkpath(folder))
        throw KorvaneError(QStringLiteral("フォルダ %1 を作成できません").arg(folder));
    savePicture(m_doc.DrawBmp, previewFilePath(folder), SaveFormat::Bmp);
    PreviewFile preview(previewFilePath(folder));

    SavePictureDialog1->setDirectory(folder);
    SavePictureDialog1->selectFile(preview.path());
    SavePictureDialog1->showPreview(preview.path());
    if (SavePictureDialog1->exec() != QDialog::Accepted ||
        SavePictureDialog1->selectedFiles().isEmpty())
        return false;
    const int index = chosenFilterIndex(SavePictureDialog1);
    const QString chosen = SavePictureDialog1->selectedFiles().constFirst();
    const SaveFormat format = saveFormatForFilter(index);
    if (format == SaveFormat::Icon && !fitsIcon(m_doc.DrawBmp)) {
        showIconSizeMessage(this);
        return false;
    }
    // The next opening offers the extension of the filter chosen now.
    SavePictureDialog1->setDefaultSuffix(defaultSuffixForFilter(index));
    preview.keepIfSavedAs(chosen);
    // The name is taken only once the file is written: a failed write leaves
    // the document's name, caption and changes as they were.
    savePicture(m_doc.DrawBmp, chosen, format);
    m_doc.FileName = chosen;
    wroteFile();
    OpenPictureDialog1->selectFile(chosen);
    ActSave->setEnabled(false);
    FColorButton->setFocus();
    return true;
}

bool TKorvaneForm1::FormCloseQuery()
{
    if (!m_doc.Modified)
        return true;
    QApplication::beep();
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"),
                    closeQuestionText(closeQuestionName(m_doc.FileName)), QMessageBox::NoButton,
                    this);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes) {
        // The user asked to keep the work: when it was not written (the
        // dialog cancelled, the icon rule, a failed write), the editor stays.
        try {
            if (saveDocument())
                return true;
        } catch (const KorvaneError &error) {
            KorvaneApplication::showErrorBox(error.message());
        }
        FColorButton->setFocus();
        return false;
    }
    if (box.clickedButton() != cancel)
        return true;
    FColorButton->setFocus();
    return false;
}

} // namespace korvane
