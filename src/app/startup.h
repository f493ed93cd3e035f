#pragma once

#include <functional>

class QWidget;

namespace kuvano {
class SingleInstance;
}

namespace kuvano::app {

// The program entry: single-instance test, application title, password file
// rule, data module, main window, dialogs; then the event loop.
int runProgram(int argc, char** argv);

// The application's names and fonts, as the program sets them up before its
// first window.
void setUpApplication();

// A second start's message brings the window `window` names (none: nothing)
// to the front, with the launcher's activation token.
void raiseOnSecondStart(SingleInstance& instance, std::function<QWidget*()> window);

} // namespace kuvano::app
