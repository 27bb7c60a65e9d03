#pragma once

#include <QFont>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace korvane {

class UpDown;

// The line-width field: an edit field over an up and a down button. Its value
// is the integer written in it, read as typed (a typed 500 is 500) until the
// field loses the focus, which clamps it to the range. The buttons and the Up
// and Down keys step by one and clamp at once; holding a button repeats its
// step after 400 ms, then every 100 ms. Only digits, signs and the decimal
// separator can be typed; anything else is refused with a beep.
class SpinEdit : public QWidget
{
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);

    qint32 value() const;
    void setValue(qint32 value);
    QString text() const;
    QLineEdit *edit() const { return m_edit; }
    // The field's font (a pixel size); a value too wide for the field is
    // drawn smaller.
    void setFieldFont(const QFont &font);
    QToolButton *upButton() const;
    QToolButton *downButton() const;

Q_SIGNALS:
    // Every change of the field's text, typed or stepped.
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void step(int delta);
    void fitText();

    QLineEdit *m_edit;
    UpDown *m_arrows;
    QFont m_fieldFont;
};

} // namespace korvane
