// Where the program keeps and finds things on this platform.
#pragma once

#include <QString>

namespace hy::platform {

// The folder of the settings file; profile files such as win.ini live beside it. It stands where the
// program once used the Windows directory.
QString SettingsFolder();

// The folder of the running program.
QString ProgramFolder();

// A data file shipped with the program (FILETYPE.INI, the help folder ...), found from where the
// program is: DataFileFrom(ProgramFolder(), name).
QString DataFile(const QString& name);

// A data file found from a program folder: beside the program, else in ../share/halcyra-viewer/ (an
// installed program), else, for a program inside the build tree only, in the source tree's resources.
// When none exists, the name beside the program.
QString DataFileFrom(const QString& programFolder, const QString& name);

// The current directory, every byte of its name kept (see FileNames.h).
QString CurrentFolder();

// The temporary directory: TMPDIR, else "/tmp".
QString TempFolder();

} // namespace hy::platform
