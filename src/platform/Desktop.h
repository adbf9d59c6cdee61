// The desktop's associations: which program opens a kind of file.
#pragma once

#include <QString>

namespace hy::platform {

// The program the desktop uses for a MIME type (from its .desktop entry), or empty when none is known.
QString DefaultApplicationFor(const QString& mimeType);

// The program to hand a file to, from the words of a desktop entry's Exec line: the program itself when the
// line holds only it, its options and field codes; "xdg-open" for wrappers and interpreters that would run
// the file; empty for no words.
QString SafeProgramOfExec(const QStringList& execWords);

// The default text editor: the desktop's application for text/plain, else "xdg-open".
QString DefaultTextEditor();

} // namespace hy::platform
