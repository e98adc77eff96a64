#pragma once

namespace ui {

// Runs the program: the login window's start-up sequence, then the event
// loop until a main window is closed or "Quit" is chosen.
int runGravelin(int argc, char **argv);

} // namespace ui
