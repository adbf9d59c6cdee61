// Private folders: folders of this user that nobody else may enter, and the one where the program's local
// sockets live (the single instance's hand-over and the command interface). A socket in a folder others
// may write to could be taken by another user listening first, who would then hear the names of the files
// this user opens.
#pragma once

#include <QString>

struct stat;

namespace hy::platform {

// What the system says of an entry (from lstat, or fstat on an open folder) describes a folder of this
// user that nobody else may read, write or enter.
bool IsPrivateFolderEntry(const struct stat& facts);

// A folder itself (a link to one does not count) that belongs to this user and that nobody else may read,
// write or enter.
bool IsPrivateFolder(const QString& folder);

// The folder the program's sockets live in: the user's runtime folder (XDG_RUNTIME_DIR) when it is
// private; else "halcyra-viewer-<user id>" in the temporary folder, made private when missing, provided
// the temporary folder keeps others from renaming it (it is ours or root's, and sticky like /tmp or closed
// to others' writing). Empty when neither is private: the program then runs without sockets rather than
// use a folder someone else may control.
QString PrivateSocketFolder();

} // namespace hy::platform
