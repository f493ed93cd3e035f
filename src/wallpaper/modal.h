#pragma once
// The composer's modal questions, through one seam: the dialogs it runs
// modally and the open-file question. The program asks the user; tests
// install answerers that drive the real dialog or name a file.

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace kuvano::wallpaper::modal {

// Runs the dialog modally and returns its result code.
int exec(QDialog& dialog);

// An answerer gets the dialog shown (not modal) and acts on it, for example
// clicks one of its buttons; a dialog still open afterwards is rejected.
using DialogAnswerer = std::function<void(QDialog& dialog)>;
void setDialogAnswerer(DialogAnswerer answerer); // empty: back to real modal runs

// The open-file dialog; an empty name means cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& filter);
using FileAnswerer = std::function<QString(const QString& filter)>;
void setFileAnswerer(FileAnswerer answerer);

} // namespace kuvano::wallpaper::modal
