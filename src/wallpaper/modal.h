#pragma once
// The composer's own modal windows (the confirmation, the picture selector)
// run through this seam: the program runs them modally, tests install an
// answerer that drives the real window. (File dialogs go through
// platform/dialogs.h.)

#include <QString>

#include <functional>

class QDialog;

namespace kuvano::wallpaper::modal {

// Runs the dialog modally and returns its result code.
int exec(QDialog& dialog);

// An answerer gets the dialog shown (not modal) and acts on it, for example
// clicks one of its buttons; a dialog still open afterwards is rejected.
using DialogAnswerer = std::function<void(QDialog& dialog)>;
void setDialogAnswerer(DialogAnswerer answerer); // empty: back to real modal runs

} // namespace kuvano::wallpaper::modal
