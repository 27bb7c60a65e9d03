#pragma once

#include <QString>

namespace korvane {

// The program's error box: title "Korvane", stop icon, OK, the message with a
// full stop appended where it does not end in one. Shown for every error an
// event handler lets through, and by the handlers that go on after one.
void showErrorBox(const QString &message);

} // namespace korvane
