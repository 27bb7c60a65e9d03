#include "ui/editor/HintRouter.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimer>

namespace korvane {

HintRouter::HintRouter(QLabel *panel, QObject *parent) : QObject(parent), m_panel(panel)
{
    qApp->installEventFilter(this);
}

HintRouter::~HintRouter()
{
    qApp->removeEventFilter(this);
}

QString HintRouter::hintOf(const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (!widget->statusTip().isEmpty())
            return widget->statusTip();
        if (widget->isWindow())
            break;
    }
    return {};
}

void HintRouter::showMessage(const QString &message)
{
    m_message = message;
    if (!message.isEmpty())
        show(QString());
}

void HintRouter::show(const QString &hint)
{
    if (!hint.isEmpty())
        m_message.clear();
    const QString shown = hint.isEmpty() ? m_message : hint;
    if (m_panel && m_panel->text() != shown)
        m_panel->setText(shown);
}

void HintRouter::showForPointer()
{
    m_pending = false;
    // A menu that is open keeps its entry's hint until it closes.
    if (qobject_cast<QMenu *>(QApplication::activePopupWidget()))
        return;
    show(hintOf(QApplication::widgetAt(QCursor::pos())));
}

bool HintRouter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        // While a menu is open, its highlighted entry speaks; otherwise the
        // pointer's position decides. Either way the event stops here, so no
        // window shows it as a passing status-bar message.
        if (qobject_cast<QMenu *>(QApplication::activePopupWidget()) ||
            qobject_cast<QMenuBar *>(watched))
            show(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    case QEvent::Enter:
        if (auto *widget = qobject_cast<QWidget *>(watched))
            show(hintOf(widget));
        break;
    case QEvent::Leave:
        // Where the pointer went is known only once the leave is done.
        if (!m_pending) {
            m_pending = true;
            QTimer::singleShot(0, this, &HintRouter::showForPointer);
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace korvane
