#pragma once

#include <QApplication>
#include <functional>

namespace korvane {

// The application object. Every error that an event handler lets through
// ends that handler and is shown here in the program's error box; the event
// loop then goes on with the windows as the handler left them.
class KorvaneApplication : public QApplication
{
    Q_OBJECT
public:
    // How much of the start the constructor does. Complete: all of it.
    // LauncherFirst: what the launcher needs to show itself; the program's
    // icon and Qt's translations wait for finishStart().
    enum class Start { Complete, LauncherFirst };

    KorvaneApplication(int &argc, char **argv, Start start = Start::Complete);

    // Installs what LauncherFirst left out: the windows' icon and Qt's own
    // dialogs in Japanese. Later calls do nothing.
    void finishStart();
    // Calls finishStart once `window` has put its first frame on the screen.
    void finishStartAfterFirstFrame(QWidget *window);
    // Runs `task` once `window` has put its first frame on the screen.
    static void afterFirstFrame(QWidget *window, std::function<void()> task);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    bool m_started = false;
};

} // namespace korvane
