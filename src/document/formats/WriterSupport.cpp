#include "document/formats/WriterSupport.h"

#include "common/KorvaneError.h"

#include <QFileDevice>
#include <QIODevice>

namespace korvane {

QImage asRgb32(const QImage &picture)
{
    if (picture.format() == QImage::Format_RGB32)
        return picture;
    return picture.convertToFormat(QImage::Format_RGB32);
}

QString deviceName(const QIODevice &out)
{
    if (const auto *file = qobject_cast<const QFileDevice *>(&out))
        return file->fileName();
    return {};
}

void writeAll(QIODevice &out, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 written = out.write(data, size);
        if (written <= 0)
            throw KorvaneError(QStringLiteral("ファイル %1 に書き込めません: %2")
                                   .arg(deviceName(out), out.errorString()));
        data += written;
        size -= written;
    }
}

} // namespace korvane
