#include "document/IconReader.h"

#include "common/KorvaneError.h"

namespace korvane {

QImage readIcon(const QByteArray &)
{
    throw KorvaneError(QStringLiteral("アイコン イメージが不正です"));
}

CursorPicture readCursor(const QByteArray &)
{
    throw KorvaneError(QStringLiteral("アイコン イメージが不正です"));
}

} // namespace korvane
