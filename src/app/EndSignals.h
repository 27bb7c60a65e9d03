#pragma once

#include <functional>

class QObject;

namespace korvane {

// SIGTERM and SIGHUP (a kill, the system shutting down, the terminal or
// the session going away) reach the event loop through a pipe, so that
// `beforeEnd` runs on the interface's thread like any handler; the program
// then ends as a normal end does, its windows and files closed in order.
// Once only; `context` owns the watch.
void watchEndSignals(QObject *context, std::function<void()> beforeEnd);

} // namespace korvane
