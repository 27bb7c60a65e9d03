#include "document/BmpReader.h"

#include "common/KorvaneError.h"

namespace korvane {

QImage readBmp(const QByteArray &)
{
    throw KorvaneError(QStringLiteral("ビットマップ イメージが不正です"));
}

} // namespace korvane
