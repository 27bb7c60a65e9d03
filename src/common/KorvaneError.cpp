#include "common/KorvaneError.h"

namespace korvane {

KorvaneError::KorvaneError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{
}

QString errorBoxText(const QString &message)
{
    // Byte order of the last character: any non-ASCII character starts with a
    // byte above 0x7F, so it sorts after "." just as its code point does.
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace korvane
