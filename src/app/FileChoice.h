// How the main window's commands ask for a file: the program's own selector, or the desktop's standard
// dialog when the "Windows Style" file selector is chosen in Preferences.
#pragma once

#include "core/settings/ViewRules.h"

#include <QString>

class QWidget;

namespace hy::app {

class TMainForm;

// File > Open: a file that exists, and the view the selector's preview showed (by settings otherwise).
// The selector's directory and mask become LastDir and LastMask.
bool ChooseFileToOpen(TMainForm* form, QString& file, settings::ViewMode& mode);
// Save As and To File: a target under title, starting in directory with target as the suggested name;
// the directory the user ended in comes back in directory, the chosen path in target.
bool ChooseSaveTarget(TMainForm* form, const QString& title, QString& directory, QString& target);
// Preferences' editor choice: a program, starting in the directory of current (the present one when empty).
bool ChooseProgram(bool windowsStyle, const QString& current, QString& program, QWidget* parent);

} // namespace hy::app
