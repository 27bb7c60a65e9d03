#pragma once

#include <QWidget>

namespace korvane {

// The launcher: the program's main window. Closing it ends the program,
// whatever the other windows hold.
class TKorvaneForm0 : public QWidget
{
    Q_OBJECT
public:
    explicit TKorvaneForm0(QWidget *parent = nullptr);

    // True once the launcher has closed, also before the event loop runs.
    bool isClosed() const { return m_closed; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();

    bool m_closed = false;
};

} // namespace korvane
