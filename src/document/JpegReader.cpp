#include "document/JpegReader.h"

#include "common/KorvaneError.h"

namespace korvane {

QImage readJpeg(const QByteArray &)
{
    throw KorvaneError(QStringLiteral("JPEG エラー #%1").arg(0));
}

} // namespace korvane
