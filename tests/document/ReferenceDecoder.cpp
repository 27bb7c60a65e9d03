#include "document/ReferenceDecoder.h"

#include <QProcess>
#include <QStandardPaths>

namespace reference {

bool haveConvert() { return !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty(); }
bool haveDjpeg() { return !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty(); }

static QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

QImage decodeWithConvert(const QString &path, int frame)
{
    // PAM keeps the alpha channel; Qt has no PAM reader, so ask for raw RGBA
    // and the size separately.
    const QString source = QStringLiteral("%1[%2]").arg(path).arg(frame);
    const QByteArray size = run(QStringLiteral("identify"),
                                {QStringLiteral("-format"), QStringLiteral("%w %h"), source});
    const QList<QByteArray> wh = size.trimmed().split(' ');
    if (wh.size() != 2)
        return {};
    const int w = wh[0].toInt(), h = wh[1].toInt();
    const QByteArray rgba = run(QStringLiteral("convert"), {source, QStringLiteral("-depth"),
                                                            QStringLiteral("8"), QStringLiteral("rgba:-")});
    if (w <= 0 || h <= 0 || rgba.size() != qsizetype(w) * h * 4)
        return {};
    QImage image(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        memcpy(image.scanLine(y), rgba.constData() + qsizetype(y) * w * 4, size_t(w) * 4);
    return image;
}

QImage decodeWithDjpeg(const QString &path)
{
    const QByteArray pnm = run(QStringLiteral("djpeg"), {path});
    if (pnm.isEmpty())
        return {};
    QImage image;
    image.loadFromData(pnm, pnm.startsWith("P5") ? "PGM" : "PPM");
    return image;
}

} // namespace reference
