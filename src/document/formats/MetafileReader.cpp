#include "document/formats/MetafileReader.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/MetafilePlayers.h"
#include "document/formats/MetafileToSvg.h"

#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSvgRenderer>

#include <cstdint>
#include <limits>

namespace korvane {

namespace {

constexpr int kScreenPixelsPerInch = 96;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableHeaderSize = 22;
constexpr qsizetype kEnhancedMinimumSize = 101;
constexpr qsizetype kEnhancedSignatureOffset = 40;

[[noreturn]] void refuse()
{
    throw KorvaneError(QStringLiteral("メタファイルが不正です"));
}

const unsigned char *bytes(const QByteArray &file)
{
    return reinterpret_cast<const unsigned char *>(file.constData());
}

std::uint16_t u16(const QByteArray &file, qsizetype at)
{
    const unsigned char *p = bytes(file) + at;
    return std::uint16_t(p[0] | p[1] << 8);
}

std::int16_t s16(const QByteArray &file, qsizetype at)
{
    return std::int16_t(u16(file, at));
}

std::uint32_t u32(const QByteArray &file, qsizetype at)
{
    return std::uint32_t(u16(file, at)) | std::uint32_t(u16(file, at + 2)) << 16;
}

std::int32_t s32(const QByteArray &file, qsizetype at)
{
    return std::int32_t(u32(file, at));
}

// a × b / c through mulDiv, for operands that may not fit in an int: any
// operand out of range gives -1 just as an overflowing result does.
int mulDiv64(qint64 a, qint64 b, qint64 c)
{
    constexpr qint64 low = std::numeric_limits<int>::min();
    constexpr qint64 high = std::numeric_limits<int>::max();
    if (a < low || a > high || b < low || b > high || c < low || c > high)
        return -1;
    return mulDiv(int(a), int(b), int(c));
}

enum class Kind { Enhanced, Placeable };

struct Header
{
    Kind kind;
    QSize size;
    // The part of the converted SVG's coordinate system that fills the
    // picture: the frame of an enhanced metafile, the window of a placeable
    // one (which the conversion already maps onto the picture size).
    QRectF frame;
};

bool isEnhanced(const QByteArray &file)
{
    return file.size() >= kEnhancedMinimumSize && u32(file, 0) == 1 &&
           file.mid(kEnhancedSignatureOffset, 4) == " EMF";
}

bool isPlaceable(const QByteArray &file)
{
    if (file.size() < kPlaceableHeaderSize || u32(file, 0) != kPlaceableKey)
        return false;
    std::uint16_t checksum = 0;
    for (qsizetype at = 0; at < 20; at += 2)
        checksum ^= u16(file, at);
    return checksum == u16(file, 20);
}

// Whether an enhanced-metafile record draws (lines, shapes, paths, regions,
// bitmaps, text).
bool isEnhancedDrawingRecord(std::uint32_t type)
{
    return (type >= 2 && type <= 8) || type == 15 || (type >= 42 && type <= 47) ||
           (type >= 54 && type <= 56) || (type >= 62 && type <= 64) || (type >= 71 && type <= 74) ||
           (type >= 76 && type <= 81) || (type >= 83 && type <= 92) || type == 96 || type == 97 ||
           type == 114 || type == 116 || type == 118;
}

// In the default mapping mode (MM_TEXT) a logical unit is a device pixel and
// device = logical - window origin + viewport origin. libemf2svg ignores both
// origins in that mode and draws logical coordinates, so a metafile whose
// origins differ (an application that drew with its own scroll position, say)
// comes out shifted by window origin - viewport origin; this is that shift,
// for the mapping in force at the first drawing record. Other modes are left
// to libemf2svg.
QPointF textModeShift(const QByteArray &file)
{
    enum : std::uint32_t { SetWindowOrg = 10, SetViewportOrg = 12, Eof = 14, SetMapMode = 17 };
    constexpr std::uint32_t mmText = 1;
    qint64 windowX = 0, windowY = 0, viewportX = 0, viewportY = 0;
    std::uint32_t mode = mmText;
    for (qsizetype pos = 0; pos + 8 <= file.size();) {
        const std::uint32_t type = u32(file, pos), length = u32(file, pos + 4);
        if (length < 8 || length > file.size() - pos || type == Eof ||
            isEnhancedDrawingRecord(type))
            break;
        if (type == SetMapMode && length >= 12)
            mode = u32(file, pos + 8);
        if ((type == SetWindowOrg || type == SetViewportOrg) && length >= 16) {
            (type == SetWindowOrg ? windowX : viewportX) = s32(file, pos + 8);
            (type == SetWindowOrg ? windowY : viewportY) = s32(file, pos + 12);
        }
        pos += length;
    }
    if (mode != mmText)
        return {};
    return QPointF(double(windowX - viewportX), double(windowY - viewportY));
}

Header enhancedHeader(const QByteArray &file)
{
    const qint64 boundsLeft = s32(file, 8), boundsTop = s32(file, 12);
    const qint64 frameLeft = s32(file, 24), frameTop = s32(file, 28);
    const qint64 frameRight = s32(file, 32), frameBottom = s32(file, 36);
    const qint64 deviceWidth = s32(file, 72), deviceHeight = s32(file, 76);
    const qint64 millimetresWidth = s32(file, 80), millimetresHeight = s32(file, 84);

    const int width = mulDiv64(frameRight - frameLeft, deviceWidth, millimetresWidth * 100);
    const int height = mulDiv64(frameBottom - frameTop, deviceHeight, millimetresHeight * 100);
    if (width <= 0 || height <= 0)
        refuse();

    // libemf2svg draws in reference-device pixels with the bounds' corner at
    // the origin; the frame is in 0.01 mm.
    const double xScale = double(deviceWidth) / (double(millimetresWidth) * 100);
    const double yScale = double(deviceHeight) / (double(millimetresHeight) * 100);
    const QRectF frame(frameLeft * xScale - boundsLeft, frameTop * yScale - boundsTop,
                       (frameRight - frameLeft) * xScale, (frameBottom - frameTop) * yScale);
    return {Kind::Enhanced, QSize(width, height), frame.translated(textModeShift(file))};
}

Header placeableHeader(const QByteArray &file)
{
    const int left = s16(file, 6), top = s16(file, 8);
    const int right = s16(file, 10), bottom = s16(file, 12);
    const int unitsPerInch = u16(file, 14) != 0 ? u16(file, 14) : kScreenPixelsPerInch;

    // Through 0.01 mm, as the size is carried when the metafile is converted
    // for playing; the intermediate rounding can make a pixel of difference.
    const int width = mulDiv(mulDiv(right - left, 2540, unitsPerInch), kScreenPixelsPerInch, 2540);
    const int height = mulDiv(mulDiv(bottom - top, 2540, unitsPerInch), kScreenPixelsPerInch, 2540);
    if (width <= 0 || height <= 0)
        refuse();
    return {Kind::Placeable, QSize(width, height), QRectF(0, 0, width, height)};
}

Header readHeader(const QByteArray &file)
{
    if (isEnhanced(file))
        return enhancedHeader(file);
    if (isPlaceable(file))
        return placeableHeader(file);
    refuse();
}

} // namespace

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = qint64(a) * b;
    const quint64 magnitude = quint64(product < 0 ? -product : product);
    const quint64 divisor = quint64(c < 0 ? -qint64(c) : qint64(c));
    quint64 quotient = magnitude / divisor;
    if ((magnitude % divisor) * 2 >= divisor)
        ++quotient; // halves go away from zero
    const bool negative = (product < 0) != (c < 0);
    if (quotient > quint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0))
        return -1;
    return negative ? int(-qint64(quotient)) : int(quotient);
}

QSize metafileSize(const QByteArray &file)
{
    return readHeader(file).size;
}

QImage readMetafile(const QByteArray &file)
{
    const Header header = readHeader(file);
    const int width = header.size.width();
    const int height = header.size.height();
    // Before converting: a size the program cannot hold is refused with its
    // own message, and the child is forked before the picture's memory is
    // taken.
    checkPictureSize(width, height);

    const unsigned char *data = bytes(file);
    const std::size_t size = std::size_t(file.size());
    const MetafilePlayers &players = metafilePlayers();
    const SvgConversion conversion = convertInChild([&](std::string &svg) {
        if (header.kind == Kind::Enhanced)
            return players.enhanced(data, size, svg);
        return players.windows(data, size, width, height, svg);
    });
    if (conversion.outcome != ConversionOutcome::Converted)
        refuse();

    QSvgRenderer renderer(header.kind == Kind::Placeable ? readableWindowsSvg(conversion.svg)
                                                         : withPatternReferences(conversion.svg));
    if (!renderer.isValid())
        refuse();

    QImage picture = allocatePicture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.setViewBox(header.frame);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return picture;
}

} // namespace korvane
