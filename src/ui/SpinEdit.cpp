#include "ui/SpinEdit.h"

#include "editor/ToolModes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QValidator>

namespace korvane {

namespace {

// Refuses, with a beep, any character that cannot be part of a number.
class NumberCharacters : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (const QChar c : input) {
            if (!c.isDigit() && c != u'+' && c != u'-' && c != u'.') {
                QApplication::beep();
                return Invalid;
            }
        }
        return Acceptable;
    }
};

QToolButton *stepButton(Qt::ArrowType arrow, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(100);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

SpinEdit::SpinEdit(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_up(stepButton(Qt::UpArrow, this)),
      m_down(stepButton(Qt::DownArrow, this))
{
    m_edit->setObjectName(QStringLiteral("SpinEdit1Field"));
    m_edit->setFrame(false);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->setTextMargins(0, 0, 0, 0);
    m_edit->setValidator(new NumberCharacters(m_edit));
    m_edit->setFocusPolicy(Qt::ClickFocus); // not reached with the Tab key
    m_edit->installEventFilter(this);
    m_up->setAccessibleName(QStringLiteral("線の太さを増やす"));
    m_down->setAccessibleName(QStringLiteral("線の太さを減らす"));
    connect(m_edit, &QLineEdit::textChanged, this, &SpinEdit::changed);
    connect(m_up, &QToolButton::clicked, this, [this] { step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

qint32 SpinEdit::value() const
{
    return lineWidthFromText(m_edit->text());
}

void SpinEdit::setValue(qint32 value)
{
    const QString text = QString::number(value);
    if (m_edit->text() != text)
        m_edit->setText(text);
}

QString SpinEdit::text() const
{
    return m_edit->text();
}

void SpinEdit::step(int delta)
{
    setValue(clampLineWidth(qint64(value()) + delta));
}

bool SpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step(key == Qt::Key_Up ? +1 : -1);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            setValue(clampLineWidth(value()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinEdit::resizeEvent(QResizeEvent *)
{
    // The field across the top half, the two buttons one over the other below.
    const int fieldHeight = height() / 2;
    const int buttonHeight = (height() - fieldHeight) / 2;
    m_edit->setGeometry(0, 0, width(), fieldHeight);
    m_up->setGeometry(0, fieldHeight, width(), buttonHeight);
    m_down->setGeometry(0, fieldHeight + buttonHeight, width(),
                        height() - fieldHeight - buttonHeight);
}

} // namespace korvane
