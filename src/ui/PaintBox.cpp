#include "ui/PaintBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace korvane {

PaintBox::PaintBox(const QImage &picture, QWidget *parent) : QWidget(parent), m_picture(picture)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintBox::pictureChanged()
{
    if (size() != m_picture.size())
        setFixedSize(m_picture.size());
    update();
}

void PaintBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect exposed = event->rect() & m_picture.rect();
    painter.drawImage(exposed.topLeft(), m_picture, exposed);
}

} // namespace korvane
