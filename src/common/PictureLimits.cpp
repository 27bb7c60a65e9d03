#include "common/PictureLimits.h"

#include "common/KorvaneError.h"

#include <QImageReader>

namespace korvane {

void checkPictureSize(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        throw KorvaneError(
            QStringLiteral("画像の大きさが不正です（%1 × %2 ピクセル）").arg(width).arg(height));
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw KorvaneError(
            QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル）").arg(width).arg(height));
}

QImage allocatePicture(qint64 width, qint64 height, QImage::Format format)
{
    checkPictureSize(width, height);
    QImage image(int(width), int(height), format);
    checkAllocated(image, width, height);
    return image;
}

void checkAllocated(const QImage &picture, qint64 width, qint64 height)
{
    if (picture.isNull())
        throw KorvaneError(QStringLiteral("画像のためのメモリが足りません（%1 × %2 ピクセル）")
                               .arg(width)
                               .arg(height));
}

QImage readWithinLimits(QImageReader &reader)
{
    // The reader's default limit (256 MiB) is below the largest picture the
    // program takes, a 16K screen.
    reader.setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    const QSize size = reader.size();
    if (size.isValid())
        checkPictureSize(size.width(), size.height());
    QImage picture = reader.read();
    if (!picture.isNull())
        checkPictureSize(picture.width(), picture.height());
    return picture;
}

} // namespace korvane
