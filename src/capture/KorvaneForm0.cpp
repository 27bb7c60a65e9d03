#include "capture/KorvaneForm0.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace korvane {

TKorvaneForm0::TKorvaneForm0(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KorvaneForm0"));
    setWindowTitle(QStringLiteral("　Korvane"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(157, 146);
    FormCreate();
}

void TKorvaneForm0::FormCreate()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
}

void TKorvaneForm0::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_closed = true;
    // Queued, so that a close during start-up, before the event loop runs,
    // still ends the program as soon as the loop would begin.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace korvane
