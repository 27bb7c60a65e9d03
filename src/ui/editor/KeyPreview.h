#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QLineEdit;
class QWidget;

namespace korvane {

class TKorvaneForm1;

// The control as a text field the user can type in, or null.
QLineEdit *textFieldOf(QWidget *widget);

// The editor's key preview. Every key pressed or released in the editor
// window reaches the form's key handlers before the focused control, which
// still gets the key afterwards; and the editor's shortcuts win over the
// focused control's own, except for the editing keys of a text field
// (Ctrl+V with text on the clipboard pastes the text; with only a picture
// there, the picture).
class KeyPreview : public QObject
{
    Q_OBJECT
public:
    explicit KeyPreview(TKorvaneForm1 *form);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isFormShortcut(const QKeySequence &keys) const;

    TKorvaneForm1 *m_form;
};

} // namespace korvane
