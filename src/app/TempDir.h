// The folder that temporary copies (archive members being viewed) are written to.
#pragma once

#include <QString>

namespace hy::app {

struct TTempDirChoice {
    QString Folder;
    // The chosen folder was missing or not writable, and Folder is the system's temporary folder instead.
    bool FellBack = false;
};

// The chosen folder when it is a folder this user may write into; else TMPDIR, else "/tmp".
TTempDirChoice UsableTempDir(const QString& chosen);

} // namespace hy::app
