#pragma once
// The command line, read before any application object exists: --help and
// --version must answer without a display.

#include <QString>
#include <QStringList>

namespace kuvano::app {

struct CommandLine {
    enum Action {
        Run,    // start the program
        Print,  // print `output` on standard output and end with 0 (--help, --version)
        Refuse, // print `output` on standard error and end with exitCode
        Unsure, // Qt's own options (-platform …) among the arguments: read again
                // once the application object has taken those away
    } action = Run;
    QString folder;    // --folder: the program folder to use instead of the usual one
    bool sync = false; // --sync: one sync of the notebook, without a window
    QString output;
    int exitCode = 0;
};

// Reads the arguments (the program name first). With `final` false, Qt's own
// options give Unsure rather than Refuse; --help and --version win over
// everything else.
CommandLine readCommandLine(const QStringList& arguments, bool final);

// The program's name and version, as --version prints it.
QString versionText();

} // namespace kuvano::app
