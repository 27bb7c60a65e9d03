#include "ui/KeyPreview.h"

#include "ui/KorvaneForm1.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

namespace korvane {

KeyPreview::KeyPreview(TKorvaneForm1 *form) : QObject(form), m_form(form)
{
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview()
{
    qApp->removeEventFilter(this);
}

bool KeyPreview::isFormShortcut(const QKeySequence &keys) const
{
    for (const QAction *action : m_form->actions()) {
        if (action->isEnabled() && action->shortcuts().contains(keys))
            return true;
    }
    return false;
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_form)
        return false;
    // A key goes first to the focused control, then up to its parents: the
    // form sees it once, at the first of these.
    QWidget *first = QApplication::focusWidget();
    if (!first || first->window() != m_form)
        first = m_form;
    if (widget != first)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    switch (type) {
    case QEvent::ShortcutOverride:
        if (isFormShortcut(QKeySequence(key->keyCombination()))) {
            key->ignore();
            return true; // the control does not claim it: the shortcut runs
        }
        break;
    case QEvent::KeyPress:
        m_form->FormKeyDown(key->key());
        break;
    case QEvent::KeyRelease:
        if (!key->isAutoRepeat())
            m_form->FormKeyUp(key->key());
        break;
    default:
        break;
    }
    return false;
}

} // namespace korvane
