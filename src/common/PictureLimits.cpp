#include "common/PictureLimits.h"

#include "common/KorvaneError.h"

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
    if (image.isNull())
        throw KorvaneError(QStringLiteral("画像のためのメモリが足りません（%1 × %2 ピクセル）")
                               .arg(width)
                               .arg(height));
    return image;
}

} // namespace korvane
