#pragma once

#include "common/Color.h"

#include <QWidget>

namespace korvane {

// The colour grid: sixteen cells in 8 columns and 2 rows. A left press
// chooses a cell (dragging with the button held moves the choice along); a
// right press only moves the selection frame. The release of either button
// inside the grid fires clicked(), so a right click applies the chosen colour
// once more. The chosen cell is marked "FG".
class ColorGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 2;

    explicit ColorGrid(QWidget *parent = nullptr);

    int chosenIndex() const { return m_chosen; }
    int frameIndex() const { return m_frame; }
    TColor chosenColor() const;
    QRect cellRect(int index) const;
    // The cell under a point of the grid, -1 outside every cell.
    int cellAt(const QPoint &point) const;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void choose(int index);

    int m_chosen = 0;
    int m_frame = 0;
};

// Lets screen readers see the grid's cells, each with its colour's name.
void installColorGridAccessibility();

} // namespace korvane
