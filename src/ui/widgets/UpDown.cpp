#include "ui/widgets/UpDown.h"

#include <QToolButton>

namespace korvane {

namespace {

QToolButton *arrow(Qt::ArrowType type, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(type);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(100);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), m_up(arrow(Qt::UpArrow, this)), m_down(arrow(Qt::DownArrow, this))
{
    m_up->setAccessibleName(QStringLiteral("増やす"));
    m_down->setAccessibleName(QStringLiteral("減らす"));
    connect(m_up, &QToolButton::clicked, this, [this] { Q_EMIT stepped(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { Q_EMIT stepped(false); });
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

} // namespace korvane
