// The folder inside which temporary copies (archive members being viewed) get their private folders.
#pragma once

#include <QString>

namespace hy::settings {

struct TTempDirChoice {
    QString Folder;
    // A folder was chosen but is missing or not writable, and Folder is the system's temporary folder instead
    // (no folder chosen means the system's one, which is no fallback).
    bool FellBack = false;
};

// The chosen folder when it is a folder this user may write into; else TMPDIR, else "/tmp".
TTempDirChoice UsableTempDir(const QString& chosen);

} // namespace hy::settings
