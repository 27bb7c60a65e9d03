#pragma once

#include <QImage>
#include <QWidget>

namespace korvane {

// The drawing surface of the editor (PB1): as large as the picture, at the
// origin of the scroll box, so its coordinates are picture coordinates. It
// shows the composed picture; composing is the document's job, so a repaint
// (scrolling, an uncovered window) only copies the exposed part.
class PaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit PaintBox(const QImage &picture, QWidget *parent = nullptr);

    // Takes the picture's size and repaints.
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QImage &m_picture;
};

} // namespace korvane
