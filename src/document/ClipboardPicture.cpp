#include "document/ClipboardPicture.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/BmpReader.h"
#include "document/formats/JpegReader.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"
#include "editor/EditorDocument.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <optional>

namespace korvane {

namespace {

QString invalidFormat()
{
    return QStringLiteral("無効なクリップボード フォーマットです");
}

QImage decodeWithQt(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage picture = readWithinLimits(reader);
    if (picture.isNull())
        throw KorvaneError(invalidFormat());
    return picture;
}

// The picture of one clipboard format, or nothing when the format is not a
// picture at all.
std::optional<QImage> pictureOfFormat(const QMimeData *data, const QString &format)
{
    const QString kind = format.toLower();
    if (kind == u"application/x-qt-image") {
        QImage picture = qvariant_cast<QImage>(data->imageData());
        if (picture.isNull())
            return std::nullopt;
        checkPictureSize(picture.width(), picture.height());
        return picture;
    }
    if (!kind.startsWith(u"image/"))
        return std::nullopt;
    const QByteArray bytes = data->data(format);
    if (bytes.isEmpty())
        return std::nullopt;
    if (kind == u"image/bmp" || kind == u"image/x-bmp" || kind == u"image/x-ms-bmp")
        return readBmp(bytes);
    if (kind == u"image/jpeg")
        return readJpeg(bytes);
    if (kind == u"image/png")
        return readPng(bytes);
    return decodeWithQt(bytes);
}

QImage onWhite(const QImage &picture)
{
    QImage white = allocatePicture(picture.width(), picture.height(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter painter(&white);
    painter.drawImage(0, 0, picture);
    return white;
}

} // namespace

QImage pictureFromMimeData(const QMimeData *data)
{
    if (!data)
        throw KorvaneError(invalidFormat());
    // A damaged or oversized picture in one format does not hide a good one
    // in a later format; when none is good, the first reason is the message.
    std::optional<KorvaneError> firstError;
    for (const QString &format : data->formats()) {
        try {
            if (std::optional<QImage> picture = pictureOfFormat(data, format))
                return picture->hasAlphaChannel() ? onWhite(*picture) : std::move(*picture);
        } catch (const KorvaneError &error) {
            if (!firstError)
                firstError = error;
        }
    }
    throw firstError ? *firstError : KorvaneError(invalidFormat());
}

QMimeData *pictureMimeData(const QImage &picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    writePng(picture, buffer);
    auto *data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    data->setImageData(picture);
    return data;
}

void PastePicture(EditorDocument &document, QImage picture)
{
    document.SetPicture(std::move(picture));
    document.Redraw();
}

} // namespace korvane
