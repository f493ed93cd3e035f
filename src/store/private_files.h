#pragma once

#include <QString>

namespace kuvano::privatefiles {

// The notes, the password file and the settings under DB3/ are the user's
// alone: folders 0700, files 0600. Both routines take away the group and
// other bits and leave the owner's as they are. A file system that has no
// modes (a portable copy on a FAT stick) refuses silently; that is no error.

// One file or folder; a symbolic link is left alone.
void restrict(const QString& path);

// The folder itself and everything below it, without following links below
// it; a folder that is itself a link is taken for the folder it points to.
void restrictTree(const QString& folder);

} // namespace kuvano::privatefiles
