// The files extracted members become, shared by the unzip library and the archive reader: a member is
// written under a temporary name in its folder and takes its own name only when all of it arrived.
#pragma once

#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <sys/types.h>

namespace hy::archive {

// The process's file creation mask, read once.
mode_t ProcessUmask();

// A new file in the folder for a member's data, named prefix, the process, a counter and a random part, ".tmp";
// none (errno set) when no free name was found.
platform::TFileDescriptor CreateMemberTemporary(
    const platform::TFileDescriptor& dir, const char* prefix, QByteArray& name);

// Ends the writing of a member's temporary file: when code is 0 the file is closed and renamed to finalName
// (a folder of that name gives kUnzipTargetIsFolder); when it is not, or that failed, the file is removed.
// The final code.
int PlaceMemberFile(int code, platform::TFileDescriptor& out, const platform::TFileDescriptor& dir,
    const QByteArray& tempName, const QByteArray& finalName);

} // namespace hy::archive
