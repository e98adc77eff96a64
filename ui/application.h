#pragma once

class QObject;

namespace ui {

class Windows;

// SIGTERM, SIGINT and SIGHUP end the program through
// Windows::endForSignal, on the event loop; the signals must have been
// blocked first (platform::BlockTerminationSignals).
void EndOnSignals(Windows &windows, QObject *owner);

// Runs the program: the login window's start-up sequence, then the event
// loop until a main window is closed or "Quit" is chosen.
int runGravelin(int argc, char **argv);

} // namespace ui
