#include "common/Fonts.h"

namespace korvane {

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
}

QFont layoutFont(const QString &face, int height, bool bold)
{
    QFont font(face);
    // A negative height is the em size; a positive one the whole cell, which
    // for these faces is close enough to the em size that the difference is
    // below a pixel at the sizes the program uses.
    font.setPixelSize(height < 0 ? -height : (height > 0 ? height : 12));
    font.setBold(bold);
    return font;
}

} // namespace korvane
