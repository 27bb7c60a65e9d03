#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "document/formats/WriterSupport.h"

#include <QtEndian>
#include <array>
#include <climits>

namespace korvane {

namespace {

// The standard 16-colour palette, as RGB.
constexpr std::array<QRgb, 16> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// The palette entry nearest to the colour, by the sum of squared
// differences; the lower index wins a tie.
int nearestIndex(QRgb color)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < int(kPalette.size()); ++i) {
        const int dr = qRed(color) - qRed(kPalette[size_t(i)]);
        const int dg = qGreen(color) - qGreen(kPalette[size_t(i)]);
        const int db = qBlue(color) - qBlue(kPalette[size_t(i)]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

constexpr int kColorBytes = kIconSide * kIconSide / 2; // 4 bits a pixel
constexpr int kMaskBytes = kIconSide * kIconSide / 8;  // 1 bit a pixel, rows of 4 bytes
constexpr int kImageBytes = 40 + 16 * 4 + kColorBytes + kMaskBytes; // 744
constexpr int kFileBytes = 6 + 16 + kImageBytes;                    // 766

} // namespace

void writeIcon(const QImage &picture, QIODevice &out)
{
    if (picture.width() != kIconSide || picture.height() != kIconSide)
        throw KorvaneError(QStringLiteral("アイコンにできるのは 32 × 32 ピクセルの画像だけです"));
    const QImage rgb = asRgb32(picture);
    const QRgb transparent = rgb.pixel(0, 0) & RGB_MASK;

    std::array<uchar, kFileBytes> file{};
    uchar *p = file.data();
    qToLittleEndian<quint16>(0, p);     // reserved
    qToLittleEndian<quint16>(1, p + 2); // type: icon
    qToLittleEndian<quint16>(1, p + 4); // one image
    p += 6;
    p[0] = kIconSide;
    p[1] = kIconSide;
    p[2] = 4; // the colour count as the platform's icon writer puts it, not 16
    p[3] = 0;
    qToLittleEndian<quint16>(0, p + 4); // planes
    qToLittleEndian<quint16>(0, p + 6); // bit count
    qToLittleEndian<quint32>(kImageBytes, p + 8);
    qToLittleEndian<quint32>(22, p + 12);
    p += 16;
    qToLittleEndian<quint32>(40, p);
    qToLittleEndian<qint32>(kIconSide, p + 4);
    qToLittleEndian<qint32>(2 * kIconSide, p + 8); // the image and its mask
    qToLittleEndian<quint16>(1, p + 12);
    qToLittleEndian<quint16>(4, p + 14);
    qToLittleEndian<quint32>(0, p + 16); // no compression
    qToLittleEndian<quint32>(kColorBytes, p + 20);
    qToLittleEndian<quint32>(16, p + 32); // colours used
    p += 40;
    for (const QRgb color : kPalette) {
        p[0] = uchar(qBlue(color));
        p[1] = uchar(qGreen(color));
        p[2] = uchar(qRed(color));
        p += 4;
    }
    uchar *colors = p;
    uchar *mask = p + kColorBytes;
    for (int row = 0; row < kIconSide; ++row) {
        const int y = kIconSide - 1 - row; // bottom-up
        for (int x = 0; x < kIconSide; ++x) {
            const QRgb color = rgb.pixel(x, y) & RGB_MASK;
            const bool clear = color == transparent;
            const int index = clear ? 0 : nearestIndex(color);
            colors[row * 16 + x / 2] |= uchar(x % 2 ? index : index << 4);
            if (clear)
                mask[row * 4 + x / 8] |= uchar(0x80 >> (x % 8));
        }
    }
    writeAll(out, reinterpret_cast<const char *>(file.data()), kFileBytes);
}

} // namespace korvane
