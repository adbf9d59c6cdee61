// What the unzip library reads of an archive's central directory beside libzip: where the archive starts
// in the file (a self-extracting program may come before it), each member's date and time exactly as
// stored, the members whose names claim to be UTF-8 but are not, and the WinZip AES members of the second
// kind that are stored as they are. libzip reads an archive after other data only when its offsets were
// adjusted, refuses an archive with a false UTF-8 name as a whole, and checks the CRC of a stored AES
// member that has none; the bytes to show it in place of the file's own mend all three.
#pragma once

#include "platform/FileDescriptor.h"

#include <QtGlobal>
#include <vector>
#include <zip.h>

namespace hy::archive {

struct TZipCentral {
    // Bytes before the archive proper: its offsets count from there.
    qint64 Prefix = 0;
    // Per member in directory order: the DOS date in the high half, the DOS time in the low half.
    std::vector<quint32> DosStamps;
    // Members (directory order, ascending) whose name or comment is flagged UTF-8 but is not: their flag
    // is cleared, so that libzip takes the name as bytes.
    std::vector<quint64> FalseUtf8;
    // AES members of the second kind stored as they are (ascending): they are shown as deflated, so that
    // libzip gives their decrypted data without the check of the CRC they do not have.
    std::vector<quint64> StoredAes;
    // Bytes to read in place of the file's own, by file offset, ascending.
    struct TPatch {
        qint64 Offset = 0;
        char Value = 0;
    };
    std::vector<TPatch> Patches;

    // Whether libzip must read the archive through the corrections above.
    bool NeedsWindow() const { return Prefix > 0 || !Patches.empty(); }
};

// Reads the end record and walks the central directory of the archive on fd, fileSize bytes long. False
// when it finds no directory it can walk; out then says nothing.
bool ReadZipCentral(const platform::TFileDescriptor& fd, qint64 fileSize, TZipCentral& out);

// Opens the archive on fd for libzip as the central directory reading mends it: from where the archive
// starts, with the corrected bytes in place of the file's own. Takes fd over (it is closed also when the
// archive cannot be opened); null with error set on failure.
zip_t* OpenCorrectedArchive(
    platform::TFileDescriptor fd, const TZipCentral& central, qint64 fileSize, zip_error_t& error);

// The bit of a header's flag word that marks its name and comment as UTF-8.
inline constexpr quint16 kZipUtf8Flag = 0x0800;

} // namespace hy::archive
