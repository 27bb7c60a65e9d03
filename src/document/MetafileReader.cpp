#include "document/MetafileReader.h"

#include "common/KorvaneError.h"

namespace korvane {

QSize metafileSize(const QByteArray &)
{
    throw KorvaneError(QStringLiteral("メタファイルが不正です"));
}

QImage readMetafile(const QByteArray &file)
{
    metafileSize(file);
    return {};
}

int mulDiv(int, int, int)
{
    return -1;
}

} // namespace korvane
