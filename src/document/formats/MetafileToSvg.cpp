// Repairs of the SVG the metafile libraries write, done in the program
// itself (with Qt) once the conversion child has handed it over.
#include "document/formats/MetafileToSvg.h"

#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>

namespace korvane {

// libwmf copies a metafile's strings into the SVG byte for byte: no XML
// escaping, in the Windows code page of their font with no encoding declared
// (Qt reads the SVG as UTF-8), and one <text> element per byte, so that a
// Japanese character comes out as a lead byte and a trail byte in two
// elements. This makes the SVG readable: text escaped (control characters
// dropped), then recoded from UTF-8 as it is if it is valid UTF-8, else as
// Japanese (code page 932, with split characters joined again: most
// metafiles this program meets come from Japanese Windows) when that reads,
// else as Western (1252, then Latin-1, which reads anything).
QByteArray readableWindowsSvg(const QByteArray &svg)
{
    // Bytes as characters U+0000 to U+00FF, one for one, so the expressions
    // below can work on them.
    QString text = QString::fromLatin1(svg);
    static const QRegularExpression element(QStringLiteral("(<text [^>]*>)(.*?)(</text>)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    qsizetype done = 0;
    for (auto it = element.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        escaped += QStringView(text).mid(done, match.capturedStart(2) - done);
        for (const QChar c : match.capturedView(2)) {
            if (c == u'&')
                escaped += QLatin1String("&amp;");
            else if (c == u'<')
                escaped += QLatin1String("&lt;");
            else if (c == u'>')
                escaped += QLatin1String("&gt;");
            else if (c.unicode() >= 0x20 || c == u'\t')
                escaped += c;
        }
        done = match.capturedEnd(2);
    }
    escaped += QStringView(text).mid(done);
    text = escaped;

    const QByteArray bytes = text.toLatin1();
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString asUtf8 = utf8.decode(bytes); // decodes on conversion to QString
    if (!utf8.hasError())
        return bytes;

    static const QRegularExpression splitCharacter(
        QStringLiteral("(<text [^>]*>)([\\x{81}-\\x{9F}\\x{E0}-\\x{FC}])</text>\\s*"
                       "<text [^>]*>([\\x{40}-\\x{7E}\\x{80}-\\x{FC}])</text>"));
    QStringDecoder japanese("windows-31j");
    if (japanese.isValid()) {
        const QString joined =
            QString(text).replace(splitCharacter, QStringLiteral("\\1\\2\\3</text>"));
        const QString decoded = japanese.decode(joined.toLatin1());
        if (!japanese.hasError())
            return decoded.toUtf8();
    }
    QStringDecoder western("windows-1252");
    if (western.isValid()) {
        const QString decoded = western.decode(bytes);
        if (!western.hasError())
            return decoded.toUtf8();
    }
    return text.toUtf8();
}

// libemf2svg refers to the pattern it defines for a pattern brush as
// fill="#img-1-ref", which reads as an invalid colour (drawn black), instead
// of fill="url(#img-1-ref)".
QByteArray withPatternReferences(const QByteArray &svg)
{
    static const QRegularExpression reference(QStringLiteral(R"re(fill="#(img-\d+-ref)")re"));
    if (!svg.contains("fill=\"#img-"))
        return svg;
    return QString::fromUtf8(svg)
        .replace(reference, QStringLiteral(R"re(fill="url(#\1)")re"))
        .toUtf8();
}

} // namespace korvane
