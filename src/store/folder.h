#pragma once

#include <QString>

namespace kuvano {

// The folder every file of the program lives under: the executable's folder
// for a portable copy, the user's data folder for an installed program, a
// temporary folder in tests. Paths are always this folder plus a fixed
// relative path ("DB3/form.ini").
//
// What the program owns and never changes (the window pictures of
// source/UI/, the pages of source/Navigate/) has a folder of its own: an
// installed program reads it from its supplied folder, so that a new
// release's pictures and pages reach every user; a portable copy keeps them
// beside the program, in the folder itself.
class ProgramFolder {
public:
    ProgramFolder() = default;
    explicit ProgramFolder(QString root, QString ownedRoot = {});

    // The folder of the running executable (needs a QCoreApplication).
    static ProgramFolder ofExecutable();

    const QString& root() const { return root_; }
    QString filePath(const QString& relative) const;
    bool ok() const { return !root_.isEmpty(); }

    // A file the program owns (a window picture, a shipped page).
    QString ownedFile(const QString& relative) const;
    // A file the user may replace and the program supplies a default for (the
    // background picture A1.bmp): the user's when there is one, else the supplied one.
    QString userOrOwnedFile(const QString& relative) const;
    const QString& ownedRoot() const { return owned_; } // ends in '/'

private:
    QString root_;  // absolute, with a trailing '/'
    QString owned_; // the same
};

} // namespace kuvano
