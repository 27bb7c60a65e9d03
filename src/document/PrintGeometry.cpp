#include "document/PrintGeometry.h"

#include "common/KorvaneError.h"

#include <cstdlib>

namespace korvane {

qint64 MulDiv(qint64 a, qint64 b, qint64 c)
{
    const qint64 product = a * b;
    const qint64 quotient = product / c;
    const qint64 remainder = product % c;
    // Round half away from zero: compare twice the remainder with the divisor.
    if (2 * std::llabs(remainder) >= std::llabs(c))
        return quotient + (((product < 0) != (c < 0)) ? -1 : 1);
    return quotient;
}

QSize printTargetSize(QSize picture, QSize page)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        throw KorvaneError(QStringLiteral("大きさが 0 の画像は印刷できません"));
    if (page.width() <= 0 || page.height() <= 0)
        throw KorvaneError(QStringLiteral("プリンタの印刷できる範囲がありません"));
    const qint64 w = picture.width(), h = picture.height();
    const qint64 pw = page.width(), ph = page.height();
    // The ratios in extended precision, as the comparison has always been made.
    const long double pictureRatio = static_cast<long double>(w) / h;
    const long double pageRatio = static_cast<long double>(pw) / ph;
    if (pictureRatio > pageRatio)
        return QSize(int(pw), int(MulDiv(h, pw, w)));
    return QSize(int(MulDiv(w, ph, h)), int(ph));
}

} // namespace korvane
