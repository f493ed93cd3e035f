#pragma once

namespace kuvano::app {

// The program entry: single-instance test, application title, password file
// rule, data module, main window, dialogs; then the event loop.
int runProgram(int argc, char** argv);

} // namespace kuvano::app
