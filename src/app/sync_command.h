#pragma once

namespace kuvano::app {
struct CommandLine;

// `kuvano [--folder DIR] --sync`: one sync of the notebook without a window,
// or, with the program running on it, the running copy asked to sync. 0 on
// success; 1 with one line on standard error saying why.
int runSyncCommand(int argc, char** argv, const CommandLine& line);

} // namespace kuvano::app
