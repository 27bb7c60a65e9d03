#pragma once

#include <QWidget>

class QToolButton;

namespace korvane {

// A spin's two arrows beside an edit, one over the other. Holding an arrow
// repeats its step.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

Q_SIGNALS:
    void stepped(bool up);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace korvane
