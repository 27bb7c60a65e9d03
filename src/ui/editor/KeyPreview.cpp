#include "ui/editor/KeyPreview.h"

#include "ui/editor/KorvaneForm1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>

namespace korvane {

QLineEdit *textFieldOf(QWidget *widget)
{
    auto *field = qobject_cast<QLineEdit *>(widget);
    return field && !field->isReadOnly() ? field : nullptr;
}

namespace {

// The editing keys every text field has: in one, they edit it, as in every
// program. Copy and cut need a selection there, paste text on the clipboard;
// otherwise the window's own command of that key runs.
bool fieldTakes(const QKeyEvent &key, const QLineEdit &field)
{
    if (key.modifiers() == Qt::NoModifier &&
        (key.key() == Qt::Key_Delete || key.key() == Qt::Key_Backspace))
        return true;
    if (key.matches(QKeySequence::SelectAll) || key.matches(QKeySequence::Undo) ||
        key.matches(QKeySequence::Redo))
        return true;
    if (key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut))
        return field.hasSelectedText();
    if (key.matches(QKeySequence::Paste)) {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasText();
    }
    return false;
}

} // namespace

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
        if (const QLineEdit *field = textFieldOf(first); field && fieldTakes(*key, *field))
            break; // the field claims it itself
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
