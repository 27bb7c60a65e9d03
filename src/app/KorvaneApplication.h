#pragma once

#include <QApplication>

namespace korvane {

// The application object. Every error that an event handler lets through
// ends that handler and is shown here in the program's error box; the event
// loop then goes on with the windows as the handler left them.
class KorvaneApplication : public QApplication
{
    Q_OBJECT
public:
    KorvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The error box: title "Korvane", stop icon, OK, the message with a full
    // stop appended where it does not end in one.
    static void showErrorBox(const QString &message);
};

} // namespace korvane
