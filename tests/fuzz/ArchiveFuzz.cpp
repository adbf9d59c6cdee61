// libFuzzer target: any bytes read as an archive through libarchive (listed, then every member extracted into a
// scratch folder) never crash, never write outside that folder, never make a link or keep a setuid bit, never
// leave a member's temporary file behind, and a member reported written is there whole.
#include "core/archive/ArchiveReader.h"

#include "FuzzSupport.h"
#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <sys/stat.h>

using namespace hy::archive;
using hy::fuzz::TScratch;

namespace {
constexpr qint64 kMaxExtracted = qint64(4) << 20;
constexpr int kMaxMembers = 64;
// Work on one input stops after this long (as the user's Stop would), so that one input stays quick.
constexpr qint64 kBudgetMs = 300;
} // namespace

HY_FUZZ_APPLICATION(QCoreApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TScratch scratch;
    const QString path = scratch.Write("a.bin", data, size);
    const QByteArray out = scratch.Path() + "/out";
    HY_FUZZ_CHECK(::mkdir(out.constData(), 0700) == 0);

    TArchiveReader reader(path);
    QElapsedTimer clock;
    clock.start();
    reader.SetProgress([&clock](qint64, qint64) { return clock.elapsed() < kBudgetMs; });
    reader.SetPasswordCallback([]() { return QByteArray("secret"); });
    const TArchiveListing listing = reader.List();
    HY_FUZZ_CHECK(listing.Status != TArchiveStatus::Failed || !listing.Message.isEmpty());

    std::vector<int> chosen;
    for (const TArchiveMember& m : reader.Members()) {
        HY_FUZZ_CHECK(m.Index >= 0 && size_t(m.Index) < reader.Members().size());
        if (m.Size <= kMaxExtracted && chosen.size() < size_t(kMaxMembers))
            chosen.push_back(m.Index);
    }
    if (!chosen.empty()) {
        TExtractOptions options;
        options.Folder = hy::platform::DecodeFileName(out);
        options.FlatNames = (size & 1) != 0;
        std::vector<TExtractResult> results;
        clock.restart();
        reader.Extract(chosen, options, results);
        for (const TExtractResult& r : results) {
            const TArchiveMember& m = reader.Members().at(size_t(r.Index));
            if (r.Code != 0 || m.Type != TArchiveMemberType::File)
                continue;
            struct stat st { };
            HY_FUZZ_CHECK(::lstat(hy::platform::EncodeFileName(r.Target).constData(), &st) == 0);
            HY_FUZZ_CHECK(S_ISREG(st.st_mode) && st.st_size == r.Bytes);
        }
    }
    hy::fuzz::CheckExtracted(scratch, "a.bin", ".hyarchive-");
    return 0;
}
