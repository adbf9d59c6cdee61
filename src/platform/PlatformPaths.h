// Where the program keeps and finds things on this platform.
#pragma once

#include <QString>

namespace hy::platform {

// The folder of the settings file; profile files such as win.ini live beside it. It stands where the
// program once used the Windows directory.
QString SettingsFolder();

// The folder of the running program.
QString ProgramFolder();

// A data file shipped with the program (FILETYPE.INI, help pages ...): beside the program when
// installed, else in the source tree's resources folder when run from the build tree.
QString DataFile(const QString& name);

// The current directory, every byte of its name kept (see FileNames.h).
QString CurrentFolder();

// The temporary directory: TMPDIR, else "/tmp".
QString TempFolder();

} // namespace hy::platform
