#include "document/ReferenceDecoder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>

namespace reference {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool haveConvert()
{
    return !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
}
bool haveDjpeg()
{
    return !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
}

// The tool's output, or nothing when it failed. `warned` is an exit code that
// still comes with a usable picture (djpeg's 2 after warnings only).
static QByteArray run(const QString &program, const QStringList &args, int warned = 0)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
        (p.exitCode() != 0 && p.exitCode() != warned))
        return {};
    return p.readAllStandardOutput();
}

// The size of a picture, asked apart from its pixels: raw output has none.
static QSize identifySize(const QString &source)
{
    const QByteArray size = run(QStringLiteral("identify"),
                                {QStringLiteral("-format"), QStringLiteral("%w %h"), source});
    const QList<QByteArray> wh = size.trimmed().split(' ');
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
}

QImage decodeWithConvert(const QString &path, int frame)
{
    // PAM keeps the alpha channel; Qt has no PAM reader, so ask for raw RGBA
    // and the size separately.
    const QString source = QStringLiteral("%1[%2]").arg(path).arg(frame);
    const QSize size = identifySize(source);
    const int w = size.width(), h = size.height();
    const QByteArray rgba =
        run(QStringLiteral("convert"),
            {source, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-")});
    if (w <= 0 || h <= 0 || rgba.size() != qsizetype(w) * h * 4)
        return {};
    QImage image(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        memcpy(image.scanLine(y), rgba.constData() + qsizetype(y) * w * 4, size_t(w) * 4);
    return image;
}

QImage decodeWithConvert16(const QString &path, const QStringList &options)
{
    const QString source = path + QStringLiteral("[0]");
    const QSize size = identifySize(source);
    const int w = size.width(), h = size.height();
    const QByteArray rgba = run(QStringLiteral("convert"),
                                QStringList{source} + options +
                                    QStringList{QStringLiteral("-depth"), QStringLiteral("16"),
                                                QStringLiteral("-endian"), QStringLiteral("LSB"),
                                                QStringLiteral("rgba:-")});
    if (w <= 0 || h <= 0 || rgba.size() != qsizetype(w) * h * 8)
        return {};
    QImage image(w, h, QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<quint16 *>(image.scanLine(y));
        const auto *from = reinterpret_cast<const uchar *>(rgba.constData()) + qsizetype(y) * w * 8;
        for (int i = 0; i < w * 4; ++i)
            line[i] = quint16(from[2 * i] | from[2 * i + 1] << 8);
    }
    return image;
}

QImage decodeWithDjpeg(const QString &path)
{
    const QByteArray pnm = run(QStringLiteral("djpeg"), {path}, 2);
    if (pnm.isEmpty())
        return {};
    QImage image;
    image.loadFromData(pnm, pnm.startsWith("P5") ? "PGM" : "PPM");
    return image;
}

QString firstDifference(const QImage &gotImage, const QImage &wantImage, int tolerance,
                        bool compareAlpha)
{
    if (gotImage.size() != wantImage.size())
        return QStringLiteral("size %1x%2, want %3x%4")
            .arg(gotImage.width())
            .arg(gotImage.height())
            .arg(wantImage.width())
            .arg(wantImage.height());
    const QImage got = gotImage.convertToFormat(QImage::Format_ARGB32);
    const QImage want = wantImage.convertToFormat(QImage::Format_ARGB32);
    const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    for (int y = 0; y < got.height(); ++y) {
        const auto *g = reinterpret_cast<const QRgb *>(got.constScanLine(y));
        const auto *w = reinterpret_cast<const QRgb *>(want.constScanLine(y));
        for (int x = 0; x < got.width(); ++x) {
            const bool alphaOk = !compareAlpha || qAlpha(g[x]) == qAlpha(w[x]);
            const bool colourOk = qAlpha(w[x]) == 0 || (near(qRed(g[x]), qRed(w[x])) &&
                                                        near(qGreen(g[x]), qGreen(w[x])) &&
                                                        near(qBlue(g[x]), qBlue(w[x])));
            if (!alphaOk || !colourOk)
                return QStringLiteral("pixel (%1,%2) is #%3, want #%4")
                    .arg(x)
                    .arg(y)
                    .arg(g[x], 8, 16, QLatin1Char('0'))
                    .arg(w[x], 8, 16, QLatin1Char('0'));
        }
    }
    return {};
}

} // namespace reference
