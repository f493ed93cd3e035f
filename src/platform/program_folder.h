#pragma once

#include "store/folder.h"

#include <QString>

namespace kuvano {

// Where this run keeps its files, or why it cannot keep them anywhere.
struct FolderChoice {
    ProgramFolder folder; // not ok() when error is set
    QString error;        // a message naming the folder, for the user
};

// Decides the program folder, once at start:
// - the executable's folder when it holds DB3/: a portable copy such as the
//   build's program folder, with everything beside the program. It must be
//   writable; there is no fall-back to another folder, which would hide the
//   notes kept here;
// - otherwise dataHome/kuvano/, made on first use. It holds only what the
//   user may change: the supplied defaults of DB3/ are copied in where missing
//   (an upgrade never overwrites notes or settings), each to a temporary name
//   first and renamed when whole, so a full disk leaves no half file behind.
//   The program's own pictures and pages are read from suppliedDir, so a new
//   release's reach every user; unchanged copies older releases left in the
//   data folder are removed.
// Either way DB3/ and everything in it end up owner-only.
FolderChoice chooseProgramFolder(const QString& executableDir, const QString& dataHome,
                                 const QString& suppliedDir);

// The folder named on the command line (a notebook on a USB stick): used as a
// portable copy's folder when it holds DB3/, else made into a program folder
// as the user's data folder is, with the supplied defaults copied in. The
// program's own files come from ownedDir (suppliedDir when empty): the
// running program's, wherever the notebook is.
FolderChoice chooseProgramFolderAt(const QString& folder, const QString& suppliedDir,
                                   const QString& ownedDir = {});

// $XDG_DATA_HOME when it is an absolute path, else HOME/.local/share.
QString userDataHome(const QString& xdgDataHome, const QString& home);

// chooseProgramFolder for the running program: its executable's folder, the
// user's data home, and the supplied files installed at
// <prefix>/share/kuvano/supplied beside <prefix>/bin/kuvano. They are a folder
// of their own because with the prefix ~/.local, share/kuvano is the user's
// data folder itself, and a reinstall must not overwrite the user's DB3/.
// A program run from the build tree takes the build's supplied folder.
// A folder given (--folder) is used instead of either place; the program's
// own files still come from beside a portable copy, else from its supplied folder.
FolderChoice chooseProgramFolderForThisRun(const QString& givenFolder = {});

} // namespace kuvano
