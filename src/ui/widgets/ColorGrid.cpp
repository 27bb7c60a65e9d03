#include "ui/widgets/ColorGrid.h"

#include "editor/ToolModes.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace korvane {

ColorGrid::ColorGrid(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TColor ColorGrid::chosenColor() const
{
    return gridColor(m_chosen);
}

QRect ColorGrid::cellRect(int index) const
{
    const int column = index % kColumns, row = index / kColumns;
    const int x0 = column * width() / kColumns, x1 = (column + 1) * width() / kColumns;
    const int y0 = row * height() / kRows, y1 = (row + 1) * height() / kRows;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

int ColorGrid::cellAt(const QPoint &point) const
{
    if (!rect().contains(point))
        return -1;
    const int column = qBound(0, point.x() * kColumns / width(), kColumns - 1);
    const int row = qBound(0, point.y() * kRows / height(), kRows - 1);
    return row * kColumns + column;
}

void ColorGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int i = 0; i < kGridColorCount; ++i) {
        const QRect cell = cellRect(i);
        const QColor color = toQColor(gridColor(i));
        painter.fillRect(cell, palette().color(QPalette::Button));
        painter.fillRect(cell.adjusted(2, 2, -2, -2), color);
        painter.setPen(QColor(64, 64, 64));
        painter.drawRect(cell.adjusted(2, 2, -3, -3));
        if (i == m_chosen) {
            // The mark in the colour that reads on the cell.
            painter.setPen(qGray(color.rgb()) < 128 ? Qt::white : Qt::black);
            painter.drawText(cell, Qt::AlignCenter, QStringLiteral("FG"));
        }
    }
    QPen frame(Qt::black, 1, Qt::DotLine);
    painter.setPen(frame);
    painter.drawRect(cellRect(m_frame).adjusted(0, 0, -1, -1));
}

void ColorGrid::choose(int index)
{
    if (index < 0 || (index == m_chosen && index == m_frame))
        return;
    m_chosen = m_frame = index;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void ColorGrid::mousePressEvent(QMouseEvent *event)
{
    const int index = cellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        choose(index);
    } else if (event->button() == Qt::RightButton && index >= 0) {
        m_frame = index;
        update();
    }
}

void ColorGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        choose(cellAt(event->position().toPoint()));
}

void ColorGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const bool ours = event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (ours && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

namespace {

// One cell of the grid, for screen readers: a radio button named after its
// colour, checked when it is the chosen cell.
class ColorCellAccessible : public QAccessibleInterface
{
public:
    ColorCellAccessible(ColorGrid *grid, int index) : m_grid(grid), m_index(index) {}

    bool isValid() const override { return m_grid; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_grid);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return gridColorName(m_index);
        if (t == QAccessible::Description && m_grid)
            return m_grid->accessibleDescription();
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_grid)
            return {};
        const QRect cell = m_grid->cellRect(m_index);
        return QRect(m_grid->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::RadioButton; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.checkable = true;
        s.checked = m_grid && m_grid->chosenIndex() == m_index;
        return s;
    }

private:
    QPointer<ColorGrid> m_grid;
    int m_index;
};

class ColorGridAccessible : public QAccessibleWidget
{
public:
    explicit ColorGridAccessible(ColorGrid *grid) : QAccessibleWidget(grid, QAccessible::Grouping)
    {
    }
    ~ColorGridAccessible() override
    {
        for (QAccessible::Id id : m_cells) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return kGridColorCount; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= kGridColorCount)
            return nullptr;
        if (!m_cells[index]) {
            auto *cell = new ColorCellAccessible(static_cast<ColorGrid *>(widget()), index);
            m_cells[index] = QAccessible::registerAccessibleInterface(cell);
        }
        return QAccessible::accessibleInterface(m_cells[index]);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < kGridColorCount; ++i) {
            if (m_cells[i] && QAccessible::accessibleInterface(m_cells[i]) == child)
                return i;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        auto *grid = static_cast<ColorGrid *>(widget());
        return child(grid->cellAt(grid->mapFromGlobal(QPoint(x, y))));
    }

private:
    mutable QAccessible::Id m_cells[kGridColorCount] = {};
};

QAccessibleInterface *colorGridFactory(const QString &, QObject *object)
{
    if (auto *grid = qobject_cast<ColorGrid *>(object))
        return new ColorGridAccessible(grid);
    return nullptr;
}

} // namespace

void installColorGridAccessibility()
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(colorGridFactory);
        installed = true;
    }
}

} // namespace korvane
