#include "document/formats/WriterSupport.h"

#include "common/KorvaneError.h"

#include <QFileDevice>
#include <QIODevice>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

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

void startWriteback(QIODevice &out)
{
#ifdef Q_OS_LINUX
    auto *file = qobject_cast<QFileDevice *>(&out);
    if (!file || !file->flush() || file->handle() < 0)
        return;
    sync_file_range(file->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(out);
#endif
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
