// The comparing run on real files: counts, the first difference, the answers that end a run, failures
// to open and to read, progress, compressed files compared as their decoded bytes, and the texts the
// command shows.
#include "core/compare/FileCompare.h"
#include "support/CompressFixtures.h"
#include "support/TempFiles.h"
#include "support/Tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace hy::compare;

namespace {

class FileCompareRun : public ::testing::Test {
protected:
    QString Make(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    // Writes the contents and runs the comparison over them; records the first difference and the progress.
    TCompareResult Compare(const QList<QByteArray>& contents, bool goOn = true)
    {
        QStringList names;
        QList<qint64> sizes;
        for (int i = 0; i < contents.size(); ++i) {
            names << Make(QStringLiteral("f%1").arg(i), contents.at(i));
            sizes << contents.at(i).size();
        }
        return CompareNames(names, sizes, goOn);
    }

    TCompareResult CompareNames(const QStringList& names, const QList<qint64>& sizes, bool goOn = true)
    {
        m_firstAt = -1;
        m_questions = 0;
        m_progressed = 0;
        TCompareEvents events;
        events.FirstDifference = [&](qint64 position) {
            ++m_questions;
            m_firstAt = position;
            return goOn;
        };
        events.Progress = [&](qint64, qint64 step) {
            m_progressed += step;
            return true;
        };
        return TFileCompare().Run(names, sizes, events);
    }

    QTemporaryDir m_dir;
    qint64 m_firstAt = -1;
    int m_questions = 0;
    qint64 m_progressed = 0;
};

QByteArray Bytes(int size, char fill = 'a') { return QByteArray(size, fill); }

QByteArray With(QByteArray data, std::initializer_list<std::pair<int, char>> changes)
{
    for (const auto& [at, c] : changes)
        data[at] = c;
    return data;
}

} // namespace

TEST_F(FileCompareRun, CountsPositionsOnceAndAddsTheSizeDifference)
{
    struct Case {
        const char* what;
        QList<QByteArray> files;
        qint64 errors;
        qint64 firstAt; // -1: no question
    };
    const Case cases[] = {
        { "identical", { Bytes(300), Bytes(300) }, 0, -1 },
        { "byte 16 differs", { Bytes(40), With(Bytes(40), { { 15, 'b' } }) }, 1, 16 },
        { "100 and 120 bytes, equal start", { Bytes(100), Bytes(120) }, 20, -1 },
        { "files 2 and 3 differ at one place",
            { Bytes(50), With(Bytes(50), { { 7, 'x' } }), With(Bytes(50), { { 7, 'y' } }) }, 1, 8 },
        { "different places in different files",
            { Bytes(50), With(Bytes(50), { { 3, 'x' } }), With(Bytes(50), { { 9, 'y' }, { 3, 'z' } }) }, 2, 4 },
        { "one-byte files", { "a", "b" }, 1, 1 },
        { "empty and three bytes", { "", "abc" }, 3, -1 },
        { "five files, the last one shorter and different",
            { Bytes(9), Bytes(9), Bytes(9), Bytes(9), With(Bytes(7), { { 6, 'q' } }) }, 3, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TCompareResult r = Compare(c.files);
        EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
        EXPECT_EQ(r.Errors, c.errors);
        EXPECT_EQ(m_firstAt, c.firstAt);
        EXPECT_EQ(m_questions, c.firstAt < 0 ? 0 : 1);
    }
}

TEST_F(FileCompareRun, LargeFilesAgreeWithAPlainCountAcrossBlockEdges)
{
    std::mt19937 rng(7);
    const int size = int(kCompareBlockSize) * 2 + 777;
    QByteArray base(size, Qt::Uninitialized);
    for (char& c : base)
        c = char(rng());
    QList<QByteArray> files { base, base, base, base, base };
    // Changes on both sides of each block edge, at the very end, and some where several files differ at once.
    const int spots[] = { 5, int(kCompareBlockSize) - 1, int(kCompareBlockSize), int(kCompareBlockSize) + 3, size - 1 };
    for (int s : spots)
        files[1][s] = char(files[1][s] ^ 1);
    for (int i = 0; i < 300; ++i) {
        const int at = int(rng() % unsigned(size));
        files[1 + int(rng() % 4)][at] = char(base[at] ^ 0x80);
    }
    qint64 expected = 0;
    for (int k = 0; k < size; ++k) {
        for (int f = 1; f < files.size(); ++f) {
            if (files[f][k] != base[k]) {
                ++expected;
                break;
            }
        }
    }
    const TCompareResult r = Compare(files);
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
    EXPECT_EQ(r.Errors, expected);
    EXPECT_EQ(m_firstAt, 6);
    EXPECT_EQ(m_progressed, size) << "every compared byte is reported to the progress once";
}

TEST_F(FileCompareRun, AnswersAndStopsEndTheRunWithoutAResult)
{
    const TCompareResult declined = Compare({ Bytes(100), With(Bytes(100), { { 50, 'b' } }) }, false);
    EXPECT_EQ(declined.Outcome, TCompareOutcome::Declined);
    EXPECT_EQ(m_progressed, 0);

    const QString a = Make("big-a", Bytes(int(kCompareBlockSize) * 3));
    const QString b = Make("big-b", Bytes(int(kCompareBlockSize) * 3));
    int reports = 0;
    TCompareEvents events;
    events.Progress = [&](qint64, qint64) { return ++reports < 2; };
    const TCompareResult stopped
        = TFileCompare().Run({ a, b }, { kCompareBlockSize * 3, kCompareBlockSize * 3 }, events, 0);
    EXPECT_EQ(stopped.Outcome, TCompareOutcome::Stopped);
    EXPECT_EQ(reports, 2);
}

TEST_F(FileCompareRun, FailuresNameTheFileAndItsErrorAndClaimNoResult)
{
    const QString a = Make("a", Bytes(10));
    const QString b = Make("b", Bytes(10));

    // Gone between looking up its size and opening it.
    TCompareResult r = CompareNames({ a, m_dir.filePath("gone") }, { 10, 10 });
    EXPECT_EQ(r.Outcome, TCompareOutcome::OpenFailed);
    EXPECT_EQ(r.FailedFile, 1);
    EXPECT_EQ(r.ErrorCode, 2);

    // Shorter than its size was: it changed while it was compared.
    r = CompareNames({ a, b }, { 10, 12 });
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished) << "only the smallest size is read";
    r = CompareNames({ a, b }, { 12, 12 });
    EXPECT_EQ(r.Outcome, TCompareOutcome::ReadFailed);
    EXPECT_EQ(r.FailedFile, 0);
    EXPECT_EQ(r.ErrorCode, 100);
    EXPECT_EQ(m_questions, 0);

    // A folder opens but cannot be read.
    r = CompareNames({ a, m_dir.path() }, { 10, 10 });
    EXPECT_EQ(r.Outcome, TCompareOutcome::ReadFailed);
    EXPECT_EQ(r.FailedFile, 1);
    EXPECT_EQ(r.ErrorCode, 5);
}

TEST(FileCompareTexts, NumbersCarrySeparatorsAndPlurals)
{
    EXPECT_EQ(CompareFailedQuestion(1),
        "Compare has failed 1 byte into the files.\r\rThe files are not identical.\r\rDo you want to continue anyway?");
    EXPECT_TRUE(CompareFailedQuestion(1234567).startsWith("Compare has failed 1,234,567 bytes into"));
    EXPECT_EQ(CompareResultText(0), "The files are 100% identical.");
    EXPECT_EQ(CompareResultText(1), "The files contain 1 byte of dissimilar\rdata and therefore are not identical.");
    EXPECT_EQ(CompareResultText(20000),
        "The files contain 20,000 bytes of dissimilar\rdata and therefore are not identical.");
    EXPECT_EQ(TooManyFilesToCompareText(),
        "I can only compare 5 files at a time.\rClose some of your open files and\rtry again.");
    EXPECT_EQ(UnableToReadText("/x/y", 2), "Unable to read file: /x/y\r\rFile not found!");
}

// A compressed file is compared as its decoded bytes, whether its decoded size is known before the run or
// only at its end; formats the viewer decodes, made by their own tools.
class FileCompareDecoded : public ::testing::Test {
protected:
    TCompareResult Run(const QList<TCompareFile>& files)
    {
        m_firstAt = -1;
        m_progressed = 0;
        TCompareEvents events;
        events.FirstDifference = [&](qint64 position) {
            if (m_firstAt < 0)
                m_firstAt = position;
            return true;
        };
        events.Progress = [&](qint64, qint64 step) {
            m_progressed += step;
            return true;
        };
        return TFileCompare().Run(files, events, 0);
    }

    hy::test::TTempFolder m_folder;
    qint64 m_firstAt = -1;
    qint64 m_progressed = 0;
};

TEST_F(FileCompareDecoded, AGzipAgainstItsPlainFileComparesItsDecodedBytes)
{
    using hy::compress::TCompressKind;
    // Past two blocks, so that a difference and the end fall in a later block than the first.
    const QByteArray text = hy::test::MakeLogText(int(kCompareBlockSize) * 2 + 4321, 5);
    const QString plain = m_folder.Write("app.log", text);
    const QString gz = hy::test::CompressInto(m_folder, "app.log.gz", text, "gzip", { "-c" });
    ASSERT_FALSE(gz.isEmpty());
    const qint64 n = text.size();

    struct Case {
        const char* what;
        qint64 gzSize; // -1: decoded size unknown before the run
    };
    for (const Case& c : { Case { "decoded size known", n }, Case { "decoded size found by the run", -1 } }) {
        SCOPED_TRACE(c.what);
        TCompareResult r = Run({ { gz, c.gzSize, TCompressKind::Gzip }, { plain, n, TCompressKind::None } });
        EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
        EXPECT_EQ(r.Errors, 0);
        EXPECT_EQ(m_firstAt, -1);
        EXPECT_EQ(m_progressed, n);

        // Read as plain bytes the compressed file differs almost everywhere.
        r = Run({ { gz, QFileInfo(gz).size(), TCompressKind::None }, { plain, n, TCompressKind::None } });
        EXPECT_GT(r.Errors, n / 2);
    }

    // One changed byte in the decoded text, past the first block: found at its decoded offset, counted once.
    const qint64 at = kCompareBlockSize + 1000;
    QByteArray changed = text;
    changed[at] = char(changed[at] ^ 0x20);
    const QString other = m_folder.Write("changed.log", changed);
    for (const qint64 gzSize : { n, qint64(-1) }) {
        TCompareResult r = Run({ { other, n, TCompressKind::None }, { gz, gzSize, TCompressKind::Gzip } });
        EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
        EXPECT_EQ(r.Errors, 1);
        EXPECT_EQ(m_firstAt, at + 1);
    }

    // A decoded text longer than the plain file: the extra bytes count, decoded to learn how many there are.
    const QString shorter = m_folder.Write("short.log", text.left(n - 777));
    TCompareResult r = Run({ { shorter, n - 777, TCompressKind::None }, { gz, -1, TCompressKind::Gzip } });
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
    EXPECT_EQ(r.Errors, 777);
    // ... and one shorter than the plain file.
    const QString longer = m_folder.Write("long.log", text + QByteArray(55, 'x'));
    r = Run({ { gz, -1, TCompressKind::Gzip }, { longer, n + 55, TCompressKind::None } });
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
    EXPECT_EQ(r.Errors, 55);
}

TEST_F(FileCompareDecoded, EveryFormatAgainstAnotherAndAgainstADamagedCopy)
{
    using hy::compress::TCompressKind;
    const QByteArray text = hy::test::MakeLogText(300000, 9);
    const struct {
        const char* program;
        QStringList args;
        TCompressKind kind;
    } formats[] = {
        { "gzip", { "-c" }, TCompressKind::Gzip },
        { "xz", { "-c" }, TCompressKind::Xz },
        { "zstd", { "-q", "-c" }, TCompressKind::Zstd },
        { "bzip2", { "-c" }, TCompressKind::Bzip2 },
    };
    QList<TCompareFile> files;
    for (const auto& f : formats) {
        if (!hy::test::HaveTool(f.program)) {
            std::printf("skipped %s: it is not installed\n", f.program);
            continue;
        }
        const QString path = hy::test::CompressInto(
            m_folder, QStringLiteral("log.") + QString::fromLatin1(f.program), text, f.program, f.args);
        ASSERT_FALSE(path.isEmpty());
        files.append({ path, -1, f.kind });
    }
    ASSERT_GE(files.size(), 2);
    TCompareResult r = Run(files.mid(0, kMaxCompareFiles));
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
    EXPECT_EQ(r.Errors, 0);

    // A gzip cut in its middle ends where its decoded bytes end, as in the viewer: the rest counts as missing.
    QFile whole(files.first().Name);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray packed = whole.readAll();
    const QString cut = m_folder.Write("cut.gz", packed.left(packed.size() / 2));
    r = Run({ { cut, -1, TCompressKind::Gzip }, { files.first().Name, -1, TCompressKind::Gzip } });
    EXPECT_EQ(r.Outcome, TCompareOutcome::Finished);
    EXPECT_GT(r.Errors, 0);
    EXPECT_LT(r.Errors, text.size());
    EXPECT_EQ(m_firstAt, -1) << "the bytes that decoded are the text's own";
}
