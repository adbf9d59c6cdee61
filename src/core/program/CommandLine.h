// The command line's own words: --help and --version, which answer on standard output without starting
// the viewer, and "--", after which every parameter is a file name.
#pragma once

#include <QString>
#include <QStringList>

namespace hy::program {

enum class InfoRequest { None, Help, Version };

// --help or --version among the parameters before "--"; the first one asked for wins.
InfoRequest InfoRequestOf(const QStringList& parameters);

// The usage text printed by --help, naming the program as it was started.
QString UsageText(const QString& program);
// "hyview (Halcyra Viewer) 0.1.0"
QString VersionText(const QString& program);

// Prints the usage or the version on standard output when the parameters ask for it; false otherwise.
bool PrintInfoRequest(const QStringList& parameters, const QString& program);

// Drops "--" and makes every parameter after it an absolute name, so that a file called "-notes.txt" or
// "DDESERVERCONV" is opened rather than read as an option or a topic.
QStringList EndOptions(const QStringList& parameters, const QString& currentDir);

} // namespace hy::program
