#pragma once

#include <QString>

class QApplication;

namespace app {

// Name, version and desktop file name of the application, as the desktop and the package know them.
void setIdentity();

// Answers --help or --version on standard output and returns true; returns false, without reading anything else,
// when neither is given (the toolkit's own options, such as -platform, are left to it).
bool answersCommandLine(int argc, char** argv);

// The message of a start as root with the web engine's sandbox on, which the web engine refuses; empty when the
// start can go on.
QString rootSandboxProblem();

// The program from its start to the end of the event loop: refuses a start the web engine would refuse (the fatal
// report, status 255), makes the program's folder current, builds and shows the main window, runs its start-up
// handler, and runs the loop. Returns the exit code.
int run(QApplication& application);

} // namespace app
