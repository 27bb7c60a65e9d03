#pragma once

#include <QFileDialog>

class QLabel;

namespace korvane {

// A file dialog with a picture preview pane beside the file list. The preview
// is decoded by the program's own readers, so every type it opens can be
// previewed. The dialog object lives on, so it keeps its folder and last file.
class PicturePreviewDialog : public QFileDialog
{
    Q_OBJECT
public:
    PicturePreviewDialog(QWidget *parent, const QString &filter);

    // Shows the file's picture in the pane (nothing for what cannot be read).
    void showPreview(const QString &path);
    // While `path` is the current file, the pane shows `picture` instead of
    // the file: the picture about to be saved there. An empty path ends it.
    void setPendingPicture(const QString &path, const QImage &picture);

    // Closes the name field's completion list with the dialog: typed fast
    // and confirmed, it could stay on the screen over the editor and take
    // the next click.
    void done(int result) override;

private:
    void showPicture(const QImage &picture);

    QString m_pendingPath;
    QImage m_pending;
    QLabel *m_preview = nullptr;
    QLabel *m_size = nullptr;
};

} // namespace korvane
