#pragma once

class QApplication;

namespace app {

// The program from its start to the end of the event loop: makes the program's folder current, builds and
// shows the main window, runs its start-up handler, and runs the loop. Returns the exit code.
int run(QApplication& application);

} // namespace app
