// The command interface's macros and its client. A macro is "/" and a command letter with its argument
// right after it: O opens a file in the reusable DDE viewer window, C empties that window when it shows the
// file, T moves the main window to the right half of the screen. The client is the program started with
// --dde-execute or --dde-request.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace hy::dde {

inline constexpr const char* kDdeTopic = "DdeServerConv";
inline constexpr const char* kDdeItem = "DdeServerItem";
// The parameter DDE clients pass when they start the program; it is no file name.
inline constexpr const char* kDdeStartParameter = "DDESERVERCONV";

struct TDdeMacro {
    QChar Command; // null when the macro is no command
    QString Argument;
};

// Only the macro's first line counts; a macro of at most one character, one that does not start with "/",
// or one holding a NUL (no file name does) is no command. The argument is everything after the letter.
TDdeMacro ParseDdeMacro(const QString& macro);

// The client's exit codes.
enum TDdeClientExit : int {
    kDdeClientDone = 0,
    kDdeClientNoViewer = 1, // nothing serves the command interface for this user
    kDdeClientUsage = 2,
    kDdeClientRefused = 3, // the viewer refused the request, ignored the macro, or its command failed
    kDdeClientNoAnswer = 4, // the viewer did not answer in time
};

inline constexpr int kDdeClientTimeoutMs = 30000;

// True when the command line asks for the client (its first parameter is --dde-execute or --dde-request).
bool IsDdeClientCommand(const QStringList& parameters);

// Runs the client: parameters without the program name, service the program's service name, currentDir
// the directory relative file names in O and C macros are taken from. Prints the item's text (request) on
// standard output and every failure on standard error; returns one of the exit codes above.
int RunDdeClient(const QStringList& parameters, const QString& service, const QString& currentDir,
    int timeoutMs = kDdeClientTimeoutMs);

} // namespace hy::dde
