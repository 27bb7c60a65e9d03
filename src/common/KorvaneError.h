#pragma once

#include <QString>
#include <exception>

namespace korvane {

// The one error type of the program. The core never shows a message box: it
// throws this with the user's message, and the application's error box shows
// it once the handler that ran into it has been left.
class KorvaneError : public std::exception
{
public:
    explicit KorvaneError(QString message);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The text the error box shows for a message: a full stop is appended when
// the last character sorts after "." (so every Japanese sentence gets one).
QString errorBoxText(const QString &message);

} // namespace korvane
