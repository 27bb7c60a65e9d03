#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
class QWidget;

namespace korvane {

// Shows the long hint of whatever the pointer is over, in any of the
// program's windows, in one label (panel 0 of the editor's status bar): the
// control's status tip, or the nearest parent's where the control has none;
// while a menu entry is highlighted, the entry's. An empty hint clears it.
class HintRouter : public QObject
{
    Q_OBJECT
public:
    explicit HintRouter(QLabel *panel, QObject *parent = nullptr);
    ~HintRouter() override;

    // A message of the program's own (a file opened without its
    // annotations): it stays in the panel while the pointer is over
    // controls without a hint, until the first hint replaces it. Empty: none.
    void showMessage(const QString &message);

    // The hint a widget shows: its own status tip or its nearest parent's.
    static QString hintOf(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(const QString &hint);
    void showForPointer();

    QPointer<QLabel> m_panel;
    QString m_message;
    bool m_pending = false;
};

} // namespace korvane
