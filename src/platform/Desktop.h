// The desktop's associations: which program opens a kind of file.
#pragma once

#include <QString>

namespace hy::platform {

// The program the desktop uses for a MIME type (from its .desktop entry), or empty when none is known.
QString DefaultApplicationFor(const QString& mimeType);

// The default text editor: the desktop's application for text/plain, else "xdg-open".
QString DefaultTextEditor();

} // namespace hy::platform
