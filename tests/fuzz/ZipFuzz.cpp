// libFuzzer target: any bytes read as a ZIP archive through the unzip library's commands (count, list, describe,
// extract each member into a scratch folder) never crash, never write outside that folder, never make a link,
// and never leave a member's temporary file behind.
#include "core/archive/UnzipLib.h"
#include "core/archive/ZipReader.h"

#include "FuzzSupport.h"
#include "platform/FileNames.h"

#include <QCoreApplication>
#include <sys/stat.h>

using namespace hy::archive;
using hy::fuzz::TScratch;

namespace {
// Members larger than this are listed but not extracted, so that one input stays quick.
constexpr qint64 kMaxExtracted = qint64(4) << 20;
constexpr int kMaxMembers = 64;

} // namespace

HY_FUZZ_APPLICATION(QCoreApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TScratch scratch;
    const QString archive = scratch.Write("a.zip", data, size);
    const QByteArray out = scratch.Path() + "/out";
    HY_FUZZ_CHECK(::mkdir(out.constData(), 0700) == 0);

    TUnzipFile unzip;
    // Replacing is never confirmed: a member of a name extracted before is refused.
    unzip.OnMessageCallback = [](TUnzipEvents*, quint16, quint16, qint32, qint32, const QString&, const QString&,
                                  qint32& answer) { answer = 7; };
    TZipMembers members;
    ReadZipDirectory(unzip, archive, QStringLiteral("*"), tcNone, members);

    for (int i = 0; i < members.Count() && i < kMaxMembers; ++i) {
        const TZipMember& m = members.At(i);
        unzip.lpszZipFile().SetText(hy::platform::EncodeFileName(archive));
        unzip.lpszFileSpec().SetText(m.ArchiveName.toUtf8());
        unzip.SetIndexofItem(m.ArchiveIndex > 0 && m.ArchiveIndex < (1 << 30) ? qint32(m.ArchiveIndex) : 0);
        if (!unzip.Execute(kUnzipMemberInfo) || unzip.ItemInfo().Size > kMaxExtracted)
            continue;
        unzip.lpszDestination().SetText(out);
        TUnzipFlags options = (i & 1) ? TUnzipFlags(NoDirectoryNamesFlag) : TUnzipFlags();
        if (unzip.ItemInfo().Flags & 1) {
            unzip.lpszDecryptCode().SetText("secret");
            options |= DecryptFlag;
        }
        unzip.SetOptions(options);
        const bool extracted = unzip.Execute(kUnzipExtractMember);
        unzip.lpszDecryptCode().Clear();
        // A refused name is refused before anything is written.
        if (!ZipMemberPathIsSafe(unzip.ItemInfo().Name) && !(options & NoDirectoryNamesFlag))
            HY_FUZZ_CHECK(!extracted);
        HY_FUZZ_CHECK(extracted || unzip.LastResult() != 0);
        hy::fuzz::CheckExtracted(scratch, "a.zip", ".hyunzip-");
    }
    hy::fuzz::CheckExtracted(scratch, "a.zip", ".hyunzip-");
    return 0;
}
