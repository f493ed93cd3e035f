#pragma once

#include <QString>

namespace kuvano {

// The folder every file of the program lives under: the executable's folder
// for a portable copy, the user's data folder for an installed program, a
// temporary folder in tests. Paths are always this folder plus a fixed
// relative path ("DB3/form.ini").
class ProgramFolder {
public:
    ProgramFolder() = default;
    explicit ProgramFolder(QString root);

    // The folder of the running executable (needs a QCoreApplication).
    static ProgramFolder ofExecutable();

    const QString& root() const { return root_; }
    QString filePath(const QString& relative) const;
    bool ok() const { return !root_.isEmpty(); }

private:
    QString root_; // absolute, with a trailing '/'
};

} // namespace kuvano
