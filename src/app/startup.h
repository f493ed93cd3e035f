#pragma once

namespace kuvano::app {

// The program entry: single-instance test, application title, password file
// rule, data module, main window, dialogs; then the event loop.
int runProgram(int argc, char** argv);

// The application's names and fonts, as the program sets them up before its
// first window.
void setUpApplication();

} // namespace kuvano::app
