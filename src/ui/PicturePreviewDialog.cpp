#include "ui/PicturePreviewDialog.h"

#include "common/KorvaneError.h"
#include "document/PictureFile.h"

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

void PicturePreviewDialog::showPreview(const QString &path)
{
    m_preview->clear();
    m_size->clear();
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPreviewFileBytes)
        return;
    const PictureType type = pictureTypeForExtension(pictureExtension(path));
    if (type == PictureType::None || type == PictureType::Unsupported)
        return;
    try {
        const QImage picture = decodePicture(readWholeFile(path), type);
        m_preview->setPixmap(QPixmap::fromImage(picture.scaled(
            kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        m_size->setText(QStringLiteral("%1 × %2").arg(picture.width()).arg(picture.height()));
    } catch (const KorvaneError &) {
        // A file that cannot be read simply has no preview.
    }
}

} // namespace korvane
