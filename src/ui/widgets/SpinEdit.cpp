#include "ui/widgets/SpinEdit.h"

#include "editor/ToolModes.h"
#include "ui/widgets/UpDown.h"

#include <QApplication>
#include <QFontMetrics>
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

} // namespace

SpinEdit::SpinEdit(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_arrows(new UpDown(this))
{
    m_edit->setObjectName(QStringLiteral("SpinEdit1Field"));
    m_edit->setFrame(false);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->setTextMargins(0, 0, 0, 0);
    m_edit->setValidator(new NumberCharacters(m_edit));
    m_edit->setFocusPolicy(Qt::ClickFocus); // not reached with the Tab key
    m_edit->installEventFilter(this);
    upButton()->setAccessibleName(QStringLiteral("線の太さを増やす"));
    downButton()->setAccessibleName(QStringLiteral("線の太さを減らす"));
    connect(m_edit, &QLineEdit::textChanged, this, &SpinEdit::fitText);
    connect(m_edit, &QLineEdit::textChanged, this, &SpinEdit::changed);
    connect(m_arrows, &UpDown::stepped, this, [this](bool up) { step(up ? +1 : -1); });
}

QToolButton *SpinEdit::upButton() const
{
    return m_arrows->upButton();
}

QToolButton *SpinEdit::downButton() const
{
    return m_arrows->downButton();
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
    // The field across the top half, the two arrows one over the other below.
    const int fieldHeight = height() / 2;
    m_edit->setGeometry(0, 0, width(), fieldHeight);
    m_arrows->setGeometry(0, fieldHeight, width(), height() - fieldHeight);
    fitText();
}

void SpinEdit::fitText()
{
    // The field is narrow: a width of three digits is drawn smaller rather
    // than scrolled out of sight.
    QFont font = m_fieldFont;
    const int room = m_edit->width() - 4; // the field's own margins
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(m_edit->text()) > room)
        font.setPixelSize(font.pixelSize() - 1);
    if (m_edit->font() != font)
        m_edit->setFont(font);
}

void SpinEdit::setFieldFont(const QFont &font)
{
    m_fieldFont = font;
    fitText();
}

} // namespace korvane
