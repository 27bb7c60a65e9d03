#include "ui/dialogs/PicturePreviewDialog.h"

#include "common/KorvaneError.h"
#include "document/PictureFile.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace korvane {

namespace {

constexpr int kPreviewSide = 200;
// Larger files are not decoded just to be previewed while the user browses.
constexpr qint64 kMaxPreviewFileBytes = 64 * 1024 * 1024;

} // namespace

PicturePreviewDialog::PicturePreviewDialog(QWidget *parent, const QString &filter)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setNameFilter(filter);
    // Picture files often come with upper-case extensions (PHOTO.JPG).
    setFilter(this->filter() & ~QDir::CaseSensitive);

    auto *pane = new QWidget(this);
    auto *column = new QVBoxLayout(pane);
    m_preview = new QLabel(pane);
    m_preview->setFixedSize(kPreviewSide, kPreviewSide);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_size = new QLabel(pane);
    m_size->setAlignment(Qt::AlignCenter);
    column->addWidget(m_preview);
    column->addWidget(m_size);
    column->addStretch();
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);

    connect(this, &QFileDialog::currentChanged, this, &PicturePreviewDialog::showPreview);
}

void PicturePreviewDialog::done(int result)
{
    for (QCompleter *completer : findChildren<QCompleter *>()) {
        if (QAbstractItemView *list = completer->popup())
            list->hide();
    }
    QFileDialog::done(result);
}

void PicturePreviewDialog::setPendingPicture(const QString &path, const QImage &picture)
{
    m_pendingPath = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    m_pending = path.isEmpty() ? QImage() : picture;
}

void PicturePreviewDialog::showPicture(const QImage &picture)
{
    // Huge pictures are thinned out first: smoothing all of a 16K picture
    // would keep the dialog waiting for a thumbnail.
    QImage small = picture;
    if (small.width() > 4 * kPreviewSide || small.height() > 4 * kPreviewSide)
        small = small.scaled(4 * kPreviewSide, 4 * kPreviewSide, Qt::KeepAspectRatio,
                             Qt::FastTransformation);
    m_preview->setPixmap(QPixmap::fromImage(
        small.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_size->setText(QStringLiteral("%1 × %2").arg(picture.width()).arg(picture.height()));
}

void PicturePreviewDialog::showPreview(const QString &path)
{
    m_preview->clear();
    m_size->clear();
    const QFileInfo info(path);
    if (!m_pendingPath.isEmpty() && info.absoluteFilePath() == m_pendingPath) {
        if (!m_pending.isNull())
            showPicture(m_pending);
        return;
    }
    if (!info.isFile() || info.size() > kMaxPreviewFileBytes)
        return;
    const PictureType named = pictureTypeForExtension(pictureExtension(path));
    if (named == PictureType::None || named == PictureType::Unsupported)
        return;
    try {
        const QByteArray content = readWholeFile(path);
        showPicture(decodePicture(content, pictureTypeOf(path, content)));
    } catch (const KorvaneError &) {
        // A file that cannot be read simply has no preview.
    }
}

} // namespace korvane
