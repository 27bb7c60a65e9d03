#pragma once

#include "editor/ToolController.h"

#include <QImage>
#include <QWidget>

namespace korvane {

// The drawing surface of the editor (PB1): as large as the picture, at the
// origin of the scroll box, so its coordinates are picture coordinates (in
// device pixels: on a screen of two device pixels per unit, a picture pixel
// is a device pixel, as on the screen it was taken from). It
// shows the composed picture; composing is the document's job, so a repaint
// (scrolling, an uncovered window) only copies the exposed part. The text
// tool's insertion bar lies over it on the screen only, until the picture
// next changes.
class PaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit PaintBox(const QImage &picture, QWidget *parent = nullptr);

    // Takes the picture's size and repaints what changed (all of it by
    // default); the insertion bar goes.
    void pictureChanged(const QRegion &changed = QRegion());
    // Shows the insertion bar: a bar 4 pixels wide and `height` tall whose
    // top is at (x, y), inverting the picture under it.
    void showCaret(qint32 x, qint32 y, int height);
    QRect caret() const { return m_caret; }
    // Shows the crop tool's rectangle over the picture, the rest dimmed, on
    // the screen only; an empty one shows none.
    void showCropRect(const QRect &rect);
    // Device pixels per unit of the widget's geometry.
    qreal scale() const;

Q_SIGNALS:
    void pressed(const korvane::PointerEvent &event);
    void moved(const korvane::PointerEvent &event);
    void released(const korvane::PointerEvent &event);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The widget's area that shows an area of the picture.
    QRegion onScreen(const QRegion &pictureArea) const;

    const QImage &m_picture;
    QRect m_caret;
    QRect m_crop;
};

} // namespace korvane
