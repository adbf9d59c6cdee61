// The file model's lines, rows, page cache, checkpoints and failures, checked against a simple split of
// the whole file.
#include "viewer/HvFileModelTest.h"

#include "base/HyExceptions.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvPageCache.h"
#include "platform/FileNames.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::viewer::test {

using namespace hy::base;
namespace {

    // Opens a file in a model with a recorder attached.
    struct Fixture {
        hy::test::TTempFolder files;
        Recorder events;
        THvFileModel model { &events };
        QByteArray data;

        void Open(const QByteArray& bytes)
        {
            data = bytes;
            model.SetFileName(files.Write(QStringLiteral("f.txt"), bytes));
            model.Open();
        }
    };

    // Every line of the model equals the reference, visited in the given order; then the total.
    void ExpectLines(Fixture& f, const std::vector<LineNumber>& order)
    {
        const auto ref = ReferenceLines(f.data);
        for (LineNumber line : order) {
            ASSERT_LT(size_t(line), ref.size());
            ASSERT_EQ(Text(f.model, line), Shown(ref[size_t(line)])) << "line " << line;
        }
    }

    TEST(HvFileModelLines, SmallFilesSplitAtEveryKindOfLineEnd)
    {
        struct Case {
            const char* name;
            QByteArray data;
            std::vector<std::string> lines;
        };
        const std::vector<Case> cases = {
            { "cr last byte", "abc\r", { "abc" } },
            { "crlf at end", "abc\r\n", { "abc", "" } },
            { "lf at end", "abc\n", { "abc", "" } },
            { "lf inside", "a\nb", { "a", "b" } },
            { "mixed", "a\r\nb\rc\nd", { "a", "b", "c", "d" } },
            { "lone cr", "\r", { "" } },
            { "lone lf", "\n", { "", "" } },
            { "cr cr", "a\r\r", { "a", "" } },
            { "lf cr", "a\n\r", { "a", "" } },
            { "lf before cr", "\n\r\n", { "", "", "" } },
            { "empty lines", "\r\r\n\n\r", { "", "", "", "" } },
            { "zero bytes", QByteArray("a\0b\r\n\0", 6), { "a b", " " } },
            { "no line end", "plain", { "plain" } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Fixture f;
            f.Open(c.data);
            EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
            const LineNumber last = LineNumber(c.lines.size()) - 1;
            EXPECT_EQ(f.model.ClampLine(1000), last);
            EXPECT_EQ(f.model.LineTotal(), LineNumber(c.lines.size()));
            ASSERT_EQ(f.events.totals, std::vector<LineNumber> { LineNumber(c.lines.size()) });
            for (size_t i = 0; i < c.lines.size(); ++i)
                EXPECT_EQ(Text(f.model, LineNumber(i)), c.lines[i]) << i;
            EXPECT_EQ(Text(f.model, last + 1), "");
            EXPECT_EQ(Text(f.model, -1), "");
            EXPECT_EQ(f.events.depth, 0);
        }
    }

    TEST(HvFileModelLines, BeyondTheEndWhileUndeterminedGivesTheLastLine)
    {
        Fixture f;
        f.Open("one\ntwo\nthree");
        EXPECT_EQ(Text(f.model, 50), "three");
        EXPECT_EQ(f.model.LineTotal(), 3);
        EXPECT_EQ(Text(f.model, 50), "");
        EXPECT_EQ(f.model.ClampLine(50), 2);
        EXPECT_EQ(f.model.ClampLine(-4), 0);
    }

    TEST(HvFileModelLines, ClampLineBelowTheFarLineDoesNotScan)
    {
        Fixture f;
        QByteArray data;
        for (int i = 0; i < 1000; ++i)
            data += "line " + QByteArray::number(i) + "\n";
        f.Open(data);
        EXPECT_EQ(Text(f.model, 500), "line 500");
        EXPECT_EQ(f.model.ClampLine(400), 400);
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        EXPECT_EQ(f.model.ClampLine(999), 999);
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        EXPECT_EQ(f.model.ClampLine(5000), 1000);
        EXPECT_EQ(f.model.LineTotal(), 1001);
    }

    TEST(HvFileModelLines, EmptyFileStaysUndeterminedInBothModes)
    {
        Fixture f;
        f.Open("");
        for (bool hex : { false, true }) {
            f.model.SetInHexMode(hex);
            EXPECT_EQ(f.model.ClampLine(0), 0);
            EXPECT_EQ(f.model.ClampLine(77), 0);
            EXPECT_EQ(Text(f.model, 0), "");
            EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        }
        EXPECT_FALSE(f.model.FindText("a", 0, 0, 0));
        EXPECT_FALSE(f.model.FindBytes("a", soWholeFile, 0));
        EXPECT_TRUE(f.events.totals.empty());
    }

    TEST(HvFileModelLines, LongLineShowsItsFirst1023Characters)
    {
        Fixture f;
        f.Open(QByteArray(5000, 'x') + "\r\nnext\r\n" + QByteArray(1023, 'y') + "\n" + QByteArray(1024, 'z'));
        EXPECT_EQ(Text(f.model, 0), std::string(1023, 'x'));
        EXPECT_EQ(Text(f.model, 1), "next");
        EXPECT_EQ(Text(f.model, 2), std::string(1023, 'y'));
        EXPECT_EQ(Text(f.model, 3), std::string(1023, 'z'));
        EXPECT_EQ(f.model.ClampLine(10), 3);
    }

    TEST(HvFileModelLines, LineEndsOnPageAndBlockBoundaries)
    {
        // CR at the last byte of a page and LF at the first byte of the next, and the same around the
        // boundaries of the growing scan blocks.
        for (qint64 at : { 4095LL, 4096LL, 16383LL, 20479LL, 86015LL, 348159LL, 1396735LL }) {
            for (const char* brk : { "\r\n", "\r", "\n", "\r\r", "\n\r" }) {
                SCOPED_TRACE(std::to_string(at) + " " + (brk[0] == '\r' ? "CR" : "LF") + std::to_string(strlen(brk)));
                QByteArray data(at + 3000, 'a');
                for (qint64 i = 61; i < data.size(); i += 61)
                    data[i] = '\n';
                data.replace(at, qsizetype(strlen(brk)), brk);
                Fixture f;
                f.Open(data);
                const auto ref = ReferenceLines(data);
                EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), LineNumber(ref.size()) - 1);
                std::vector<LineNumber> order;
                for (LineNumber l = LineNumber(ref.size()) - 1; l >= 0; --l)
                    order.push_back(l);
                ExpectLines(f, order);
                Fixture g;
                g.Open(data);
                order.clear();
                for (LineNumber l = 0; l < LineNumber(ref.size()); ++l)
                    order.push_back(l);
                ExpectLines(g, order);
            }
        }
    }

    TEST(HvFileModelLines, RandomFilesMatchAnIndependentSplit)
    {
        std::mt19937 rng(1234);
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(round);
            Fixture f;
            f.Open(RandomText(rng, 200 + int(rng() % 3000), "ab \t\x80\xff", round % 3 ? 80 : 3));
            const auto ref = ReferenceLines(f.data);
            const LineNumber total = LineNumber(ref.size());
            f.events.caretLine = LineNumber(rng() % unsigned(total));
            // Forward, then random jumps (backward scans from anchors), then the total.
            std::vector<LineNumber> order;
            for (LineNumber l = 0; l < std::min<LineNumber>(total, 40); ++l)
                order.push_back(l);
            for (int i = 0; i < 300; ++i)
                order.push_back(LineNumber(rng() % unsigned(total)));
            ExpectLines(f, order);
            EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), total - 1);
            EXPECT_EQ(f.model.LineTotal(), total);
            order.clear();
            for (LineNumber l = total - 1; l >= 0 && l > total - 60; --l)
                order.push_back(l);
            for (int i = 0; i < 300; ++i)
                order.push_back(LineNumber(rng() % unsigned(total)));
            ExpectLines(f, order);
            EXPECT_EQ(f.events.totals, std::vector<LineNumber> { total });
            EXPECT_EQ(f.events.depth, 0);
        }
    }

    TEST(HvFileModelLines, CheckpointsStayBoundedAndGotoMatchesTheSplit)
    {
        std::mt19937 rng(99);
        Fixture f;
        f.model.SetCheckpointLimit(8);
        f.Open(RandomText(rng, 30000, "xyz", 20));
        const auto ref = ReferenceLines(f.data);
        const LineNumber total = LineNumber(ref.size());
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), total - 1);
        EXPECT_LE(f.model.CheckpointCount(), 8);
        EXPECT_GE(f.model.CheckpointCount(), 4);
        // The table covers the file: the interval is the smallest power-of-two multiple that fits.
        EXPECT_GT(f.model.CheckpointInterval() * 8, total);
        EXPECT_LE(f.model.CheckpointInterval() * 2, total);
        std::vector<LineNumber> order;
        for (int i = 0; i < 500; ++i)
            order.push_back(LineNumber(rng() % unsigned(total)));
        ExpectLines(f, order);
    }

    TEST(HvFileModelLines, SearchPassRecordsCheckpointsToo)
    {
        std::mt19937 rng(5);
        Fixture f;
        f.Open(RandomText(rng, 5000, "ab", 30));
        EXPECT_FALSE(f.model.FindText("zzz", soWholeFile, 0, 0));
        const LineNumber total = LineNumber(ReferenceLines(f.data).size());
        EXPECT_EQ(f.model.LineTotal(), total);
        EXPECT_EQ(f.model.CheckpointCount(), int(total / f.model.CheckpointInterval()) + 1);
        std::vector<LineNumber> order;
        for (int i = 0; i < 200; ++i)
            order.push_back(LineNumber(rng() % unsigned(total)));
        ExpectLines(f, order);
    }

    TEST(HvFileModelLines, LongLinesAreScannedOnce)
    {
        // Lines of several MiB between short ones; the last has no line end.
        const QByteArray data = "first\n" + QByteArray(3 << 20, 'a') + "\r\n" + QByteArray(2 << 20, 'b') + "\rshort\n"
            + QByteArray(5 << 20, 'c');
        Fixture f;
        f.Open(data);
        const auto ref = ReferenceLines(data);
        ASSERT_EQ(ref.size(), 5u);
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), 4);
        const FileOffset scanned = f.model.BytesRead();
        EXPECT_LE(scanned, data.size() + (64 << 10));
        // Once their ends are known, moving among the lines either way reads no more than the lines shown.
        const std::vector<LineNumber> moves { 1, 2, 1, 2, 3, 2, 4, 3, 1, 0, 1, 4, 2, 0, 3, 1 };
        for (LineNumber line : moves) {
            const FileOffset before = f.model.BytesRead();
            ASSERT_EQ(Text(f.model, line), Shown(ref[size_t(line)])) << "line " << line;
            EXPECT_LE(f.model.BytesRead() - before, 8 << 10) << "line " << line;
        }
        EXPECT_LE(f.model.LongLineCount(), 6);
    }

    TEST(HvFileModelLines, ManyLongLinesStayBoundedAndCorrect)
    {
        std::mt19937 rng(5);
        QByteArray data;
        for (int i = 0; i < 60; ++i) {
            const int len = int(rng() % 3) == 0 ? int(70000 + rng() % 200000) : int(rng() % 40);
            data += QByteArray(len, char('a' + i % 26));
            data += (i % 3 == 0) ? "\r\n" : "\n";
        }
        Fixture f;
        f.model.SetLongLineLimit(6);
        f.Open(data);
        const auto ref = ReferenceLines(data);
        std::vector<LineNumber> order;
        for (int i = 0; i < 300; ++i)
            order.push_back(LineNumber(rng() % ref.size()));
        ExpectLines(f, order);
        EXPECT_LE(f.model.LongLineCount(), 6);
        EXPECT_GE(f.model.LongLineCount(), 2);
    }

    TEST(HvFileModelLines, AStoppedScanGoesOnWhereItStopped)
    {
        const QByteArray data = "start\r" + QByteArray(20 << 20, 'x') + "\r\nend";
        Fixture f;
        f.Open(data);
        bool stopping = true;
        f.model.SetStopHook([&] { return stopping; });
        for (int i = 0; i < 2; ++i) {
            f.model.ClampLine(2);
            EXPECT_TRUE(f.model.Stopped());
            EXPECT_EQ(Text(f.model, 2), "");
            EXPECT_TRUE(f.model.Stopped());
            EXPECT_EQ(f.model.FarthestLine(), 1);
        }
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        stopping = false;
        EXPECT_EQ(Text(f.model, 2), "end");
        EXPECT_FALSE(f.model.Stopped());
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), 2);
        EXPECT_EQ(f.model.LineTotal(), 3);
        // The scans were one pass over the file, however often they stopped.
        EXPECT_LE(f.model.BytesRead(), data.size() + (64 << 10));
        EXPECT_EQ(Text(f.model, 1), std::string(1023, 'x'));
    }

    TEST(HvFileModelHex, RowsMatchAReferenceDump)
    {
        std::mt19937 rng(7);
        for (int size : { 1, 15, 16, 17, 31, 32, 4095, 4096, 4097, 10000 + int(rng() % 5000) }) {
            SCOPED_TRACE(size);
            QByteArray data(size, 0);
            for (char& c : data)
                c = char(rng());
            Fixture f;
            f.Open(data);
            f.model.SetInHexMode(true);
            const LineNumber rows = (size + 15) / 16;
            EXPECT_EQ(f.model.LineTotal(), rows);
            EXPECT_EQ(f.model.ClampLine(rows + 5), rows - 1);
            for (bool filter : { true, false }) {
                for (bool tabs : { false, true }) {
                    f.model.SetFilterChars(filter);
                    f.model.SetExpandTabs(tabs);
                    for (LineNumber r = 0; r < rows; r += 1 + LineNumber(rng() % 7))
                        ASSERT_EQ(Text(f.model, r), ReferenceHexRow(data, r, filter, tabs)) << r;
                    ASSERT_EQ(Text(f.model, rows - 1), ReferenceHexRow(data, rows - 1, filter, tabs));
                }
            }
            EXPECT_EQ(Text(f.model, rows), "");
        }
    }

    TEST(HvFileModelHex, SixteenAndSeventeenByteFiles)
    {
        auto row = [](std::string head, std::string chars) {
            head.resize(59, ' ');
            chars.resize(16, ' ');
            return head + chars;
        };
        Fixture f;
        f.Open("Hello\r\n");
        f.model.SetInHexMode(true);
        EXPECT_EQ(Text(f.model, 0), row("00000000  48 65 6C 6C 6F 0D 0A", "Hello.."));
        Fixture g;
        g.Open("0123456789abcdef");
        g.model.SetInHexMode(true);
        EXPECT_EQ(g.model.LineTotal(), 1);
        EXPECT_EQ(
            Text(g.model, 0), row("00000000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66", "0123456789abcdef"));
        g.Open("0123456789abcdefX");
        g.model.SetInHexMode(true);
        EXPECT_EQ(g.model.LineTotal(), 2);
        EXPECT_EQ(Text(g.model, 1), row("00000010  58", "X"));
    }

    TEST(HvFileModelHex, OffsetsKeepEveryDigitAndTwoBlanks)
    {
        // Sparse files whose last offset needs 8, 9, 10 and 11 hex digits; "needle" ends each of them.
        struct Case {
            qint64 size;
            int digits;
            const char* lastOffset;
        };
        const Case cases[] = {
            { 4096, 8, "00000FF0" },
            { (qint64(5) << 30) + 7, 9, "140000000" },
            { (qint64(64) << 30) + 1, 10, "1000000000" },
            { (qint64(1) << 40) + 20, 11, "10000000010" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.digits);
            hy::test::TTempFolder files;
            const QString path = files.Write(QStringLiteral("big.bin"), "head\n");
            if (::truncate(QFile::encodeName(path).constData(), c.size - 7) != 0)
                GTEST_SKIP() << "this file system holds no sparse file of " << c.size << " bytes";
            QFile tail(path);
            ASSERT_TRUE(tail.open(QIODevice::Append));
            tail.write("needle\n");
            tail.close();
            THvFileModel m;
            m.SetFileName(path);
            m.Open();
            EXPECT_EQ(m.FileSize(), c.size);
            EXPECT_EQ(Text(m, 0), "head");
            m.SetInHexMode(true);
            EXPECT_EQ(m.HexOffsetDigits(), c.digits);
            const LineNumber rows = (c.size + 15) / 16;
            EXPECT_EQ(m.LineTotal(), rows);
            const size_t width = size_t(HexRowChars(c.digits));
            const size_t chars = size_t(HexCharColumn(c.digits));
            // Every row of the file has the same width, the offset all its digits and two blanks after it.
            const std::string first = Text(m, 0);
            ASSERT_EQ(first.size(), width);
            EXPECT_EQ(first.substr(0, size_t(c.digits) + 5), std::string(size_t(c.digits), '0') + "  68 ");
            EXPECT_EQ(first.substr(chars, 5), "head.");
            const std::string last = Text(m, rows - 1);
            ASSERT_EQ(last.size(), width);
            EXPECT_EQ(last.substr(0, size_t(c.digits) + 2), std::string(c.lastOffset) + "  ");
            const auto hit = m.FindBytes("NEEDLE", soWholeFile | soBackward, 0);
            ASSERT_TRUE(hit);
            EXPECT_EQ(hit->StartLine, (c.size - 7) / 16);
            EXPECT_EQ(hit->StartIndex, int(chars) + int((c.size - 7) % 16));
            int len = 0;
            EXPECT_EQ(m.LineText(hit->StartLine, len)[hit->StartIndex], 'n');
        }
    }

    TEST(HvFileModelHex, ModeSwitchKeepsTheTextTotal)
    {
        Fixture f;
        f.Open("a\nb\nc\n");
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        f.model.SetInHexMode(true);
        EXPECT_EQ(f.model.LineTotal(), 1);
        f.model.SetInHexMode(false);
        EXPECT_EQ(f.model.ClampLine(100), 3);
        f.model.SetInHexMode(true);
        EXPECT_EQ(f.model.LineTotal(), 1);
        f.model.SetInHexMode(false);
        EXPECT_EQ(f.model.LineTotal(), 4);
        EXPECT_EQ(f.events.totals.size(), 1u);
    }

    TEST(HvFileModelCache, PageCountIsClamped)
    {
        THvFileModel m;
        EXPECT_EQ(m.BufferPageCount(), 16);
        for (auto [set, want] : std::vector<std::pair<int, int>> { { 1, 2 }, { 1000, 512 }, { -5, 2 }, { 37, 37 } }) {
            m.SetBufferPageCount(set);
            EXPECT_EQ(m.BufferPageCount(), want);
            EXPECT_EQ(int(m.PageTable().size()), want);
        }
    }

    TEST(HvFileModelCache, LeastRecentlyUsedPageIsRefilledLowestIndexFirst)
    {
        Fixture f;
        QByteArray data(10 * 4096, 0);
        for (int i = 0; i < data.size(); ++i)
            data[i] = char('a' + (i / 4096));
        f.model.SetBufferPageCount(3);
        f.Open(data);
        f.model.SetInHexMode(true);
        auto row = [&](int page) { return Text(f.model, LineNumber(page) * 256); };
        row(0);
        row(1);
        row(2);
        auto t = f.model.PageTable();
        EXPECT_EQ(t[0].Page, 0);
        EXPECT_EQ(t[1].Page, 1);
        EXPECT_EQ(t[2].Page, 2);
        row(0); // touches page 0 again
        row(3); // replaces page 1, the least recently used
        t = f.model.PageTable();
        EXPECT_EQ(t[1].Page, 3);
        EXPECT_EQ(t[1].Valid, 4096);
        EXPECT_EQ(t[0].Stamp, 4);
        EXPECT_EQ(t[1].Stamp, 5);
        EXPECT_EQ(f.model.PageUseCounter(), 5);
        EXPECT_EQ(f.model.CurrentPageEntry(), 1);
    }

    TEST(HvFileModelCache, ShrinkingKeepsTheCurrentPage)
    {
        Fixture f;
        std::mt19937 rng(3);
        QByteArray data(20 * 4096 + 100, 0);
        for (char& c : data)
            c = char(rng());
        f.model.SetBufferPageCount(32);
        f.Open(data);
        f.model.SetInHexMode(true);
        for (int page = 0; page < 16; ++page)
            Text(f.model, LineNumber(page) * 256);
        const LineNumber lastRow = f.model.LineTotal() - 1;
        const std::string before = Text(f.model, lastRow);
        const int entry = f.model.CurrentPageEntry();
        ASSERT_GE(entry, 2);
        f.model.SetBufferPageCount(2);
        EXPECT_EQ(f.model.CurrentPageEntry(), 0);
        EXPECT_EQ(f.model.PageTable()[0].Page, 20);
        EXPECT_EQ(f.model.PageTable()[0].Valid, 100);
        EXPECT_EQ(Text(f.model, lastRow - 1), ReferenceHexRow(data, lastRow - 1, true, false));
        EXPECT_EQ(Text(f.model, lastRow), before);
        EXPECT_EQ(before, ReferenceHexRow(data, lastRow, true, false));
        EXPECT_EQ(f.model.PageUseCounter(), 17); // both rows came from the kept page without a fetch
    }

    TEST(HvFileModelCache, UseCounterWrapsAndClearsStamps)
    {
        Fixture f;
        f.model.SetBufferPageCount(2);
        f.Open(QByteArray(3 * 4096, 'q'));
        f.model.SetInHexMode(true);
        for (int i = 0; i < 65534; ++i)
            Text(f.model, (i % 2) * 256);
        EXPECT_EQ(f.model.PageUseCounter(), 65534);
        Text(f.model, 512); // the 65535th fetch wraps the counter
        EXPECT_EQ(f.model.PageUseCounter(), 1);
        const auto t = f.model.PageTable();
        EXPECT_EQ(t[f.model.CurrentPageEntry()].Page, 2);
        EXPECT_EQ(t[f.model.CurrentPageEntry()].Stamp, 1);
        EXPECT_EQ(t[1 - f.model.CurrentPageEntry()].Stamp, 0);
        EXPECT_EQ(Text(f.model, 0).substr(59, 16), std::string(16, 'q'));
    }

    TEST(HvFileModelOpen, FailuresRaiseTheViewerErrorsAndLeaveTheModelClosed)
    {
        hy::test::TTempFolder files;
        const QString fifo = files.PathOf(QStringLiteral("pipe"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        struct Case {
            QString path;
            int code;
            QString message;
        };
        std::vector<Case> cases = {
            { files.PathOf(QStringLiteral("missing.txt")), 2, QStringLiteral("Viewer: file not found") },
            { files.PathOf(QStringLiteral("nodir/x.txt")), 3,
                QStringLiteral("Viewer: path not found or invalid file name") },
            { files.Path(), 5, QStringLiteral("Viewer: not a regular file") },
            { fifo, 5, QStringLiteral("Viewer: not a regular file") },
            { QStringLiteral("/dev/zero"), 5, QStringLiteral("Viewer: not a regular file") },
        };
        if (::geteuid() != 0) {
            const QString locked = files.Write(QStringLiteral("Locked.TXT"), "secret");
            ::chmod(QFile::encodeName(locked).constData(), 0);
            cases.push_back({ locked, 5, QStringLiteral("Viewer: file access denied") });
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path.toStdString());
            THvFileModel m;
            m.SetFileName(files.Write(QStringLiteral("prev.txt"), "previous"));
            m.Open();
            m.SetFileName(c.path);
            try {
                m.Open();
                ADD_FAILURE() << "opened";
            } catch (const EInOutError& e) {
                EXPECT_EQ(e.ErrorCode(), c.code);
                EXPECT_EQ(e.Message(), c.message);
            }
            EXPECT_FALSE(m.IsOpen());
            EXPECT_EQ(m.FileSize(), 0);
            EXPECT_EQ(m.LineTotal(), 0);
            EXPECT_EQ(m.ClampLine(5), 0);
            EXPECT_EQ(Text(m, 0), "");
        }
    }

    TEST(HvFileModelOpen, NameKeepsItsCaseAndEmptyNameDoesNothing)
    {
        hy::test::TTempFolder files;
        THvFileModel m;
        m.Open();
        EXPECT_FALSE(m.IsOpen());
        const QString path = files.Write(QStringLiteral("MiXeD.Txt"), "Mixed\n");
        m.SetFileName(path);
        EXPECT_EQ(m.FileName(), path);
        m.Open();
        EXPECT_TRUE(m.IsOpen());
        EXPECT_EQ(m.FileSize(), 6);
        EXPECT_EQ(Text(m, 0), "Mixed");
        m.Close();
        EXPECT_FALSE(m.IsOpen());
        EXPECT_EQ(m.LineTotal(), 0);
    }

    TEST(HvFileModelOpen, ANameThatIsNotUtf8OpensAndIsWatchedByItsBytes)
    {
        hy::test::TTempFolder files;
        const QString path = files.Write(platform::DecodeFileName("a\xff\xfe.txt"), "first\nsecond\n");
        ASSERT_FALSE(path.isEmpty());
        Recorder events;
        THvFileModel m(&events);
        m.SetFileName(path);
        m.Open();
        EXPECT_EQ(m.FileName(), path);
        EXPECT_EQ(Text(m, 0), "first");
        EXPECT_EQ(m.ClampLine(kUndeterminedTotal - 1), 2);
        // Replaced under its name: the name's new file is found by the same bytes.
        const QString fresh = files.Write(QStringLiteral("fresh.txt"), "new\n");
        ASSERT_EQ(::rename(platform::EncodeFileName(fresh).constData(), platform::EncodeFileName(path).constData()), 0);
        EXPECT_TRUE(m.CheckFileChanged());
        EXPECT_EQ(Text(m, 0), "new");
    }

    TEST(HvFileModelCache, EntriesTakeTheirBuffersWithTheirFirstPage)
    {
        hy::test::TTempFolder files;
        QByteArray data(3 * 4096 + 10, 'a');
        data[4096] = 'b';
        const QString path = files.Write(QStringLiteral("pages.bin"), data);
        const platform::TFileDescriptor fd(::open(platform::EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(fd.Valid());
        THvPageCache cache(16);
        EXPECT_EQ(cache.BuffersHeld(), 0) << "an unused window holds no pages";
        EXPECT_EQ(cache.DataOf(cache.Fetch(fd, 1, data.size()))[0], 'b');
        cache.Fetch(fd, 1, data.size());
        EXPECT_EQ(cache.BuffersHeld(), 1);
        cache.Fetch(fd, 0, data.size());
        const int last = cache.Fetch(fd, 3, data.size());
        EXPECT_EQ(cache.ValidOf(last), 10);
        EXPECT_EQ(cache.BuffersHeld(), 3);
        cache.Clear();
        EXPECT_EQ(cache.BuffersHeld(), 3) << "emptied entries keep their buffers";
        cache.Resize(2);
        cache.Resize(40);
        EXPECT_EQ(cache.BuffersHeld(), 2);
        EXPECT_EQ(cache.DataOf(cache.Fetch(fd, 1, data.size()))[0], 'b');
    }

    // Rewrites a file in place (same inode) and gives it a time stamp of its own.
    void Rewrite(const QString& path, const QByteArray& data, int stampSeconds)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(data), data.size());
        f.close();
        const struct timespec times[2] = { { stampSeconds, 0 }, { stampSeconds, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    // After a change every line, row and search answers from the file as it now is.
    void ExpectShowsNow(Fixture& f, const QByteArray& now)
    {
        const auto ref = ReferenceLines(now);
        EXPECT_EQ(f.model.FileSize(), now.size());
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), LineNumber(ref.size()) - 1);
        EXPECT_EQ(f.model.LineTotal(), LineNumber(ref.size()));
        for (LineNumber l = 0; l < LineNumber(ref.size()); l += 3)
            ASSERT_EQ(Text(f.model, l), Shown(ref[size_t(l)])) << "line " << l;
        f.model.SetInHexMode(true);
        const LineNumber rows = f.model.LineTotal();
        EXPECT_EQ(rows, (now.size() + 15) / 16);
        for (LineNumber r = 0; r < rows; r += 5)
            ASSERT_EQ(Text(f.model, r), ReferenceHexRow(now, r, true, false)) << "row " << r;
        EXPECT_EQ(Text(f.model, rows), "");
        f.model.SetInHexMode(false);
    }

    TEST(HvFileModelChanges, AFileRewrittenWhileShownIsShownAsItNowIs)
    {
        std::mt19937 rng(11);
        const QByteArray before = RandomText(rng, 3000, "mn", 60);
        const QByteArray shorter = RandomText(rng, 40, "pq", 30);
        const QByteArray longer = RandomText(rng, 5000, "rs", 70);
        Fixture f;
        f.Open(before);
        const QString path = f.model.FileName();
        const auto oldRef = ReferenceLines(before);
        EXPECT_EQ(Text(f.model, 10), Shown(oldRef[10]));
        EXPECT_EQ(Text(f.model, 2500), Shown(oldRef[2500]));

        // Shorter: the first read that comes up short finds out; no old line, row or total is shown.
        Rewrite(path, shorter, 1000);
        const auto shortRef = ReferenceLines(shorter);
        EXPECT_EQ(Text(f.model, 2600), Shown(shortRef.back())); // beyond the end while undetermined: the last line
        EXPECT_EQ(f.events.changed, 1);
        ExpectShowsNow(f, shorter);
        EXPECT_FALSE(f.model.FindText("m", soWholeFile, 0, 0));
        EXPECT_TRUE(f.model.FindText("p", soWholeFile | soBackward, 0, 0));

        // Longer, or the same size: no read comes up short; looking at the file finds out.
        Rewrite(path, longer, 2000);
        EXPECT_TRUE(f.model.CheckFileChanged());
        EXPECT_EQ(f.events.changed, 2);
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        ExpectShowsNow(f, longer);
        QByteArray same = longer;
        same.replace('r', 'R');
        Rewrite(path, same, 3000);
        EXPECT_TRUE(f.model.CheckFileChanged());
        EXPECT_EQ(Text(f.model, 7), Shown(ReferenceLines(same)[7]));
        EXPECT_FALSE(f.model.CheckFileChanged());

        // Replaced under its name (as editors save): the name's new file is shown.
        const QString fresh = f.files.Write(QStringLiteral("fresh.txt"), "brand new\nfile\n");
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
        EXPECT_TRUE(f.model.CheckFileChanged());
        ExpectShowsNow(f, "brand new\nfile\n");
        EXPECT_EQ(f.events.changed, 4);

        // Removed: the open file is still what there is to show.
        ASSERT_EQ(::unlink(QFile::encodeName(path).constData()), 0);
        EXPECT_FALSE(f.model.CheckFileChanged());
        EXPECT_EQ(Text(f.model, 1), "file");
        EXPECT_EQ(f.events.depth, 0);
    }

    TEST(HvFileModelChanges, PseudoFilesAreShownFromASnapshot)
    {
        // /proc files report size 0 and have content.
        for (const char* name : { "/proc/self/status", "/proc/version", "/proc/cpuinfo" }) {
            SCOPED_TRACE(name);
            if (::access(name, R_OK) != 0)
                continue;
            THvFileModel m;
            m.SetFileName(QString::fromLatin1(name));
            m.Open();
            EXPECT_TRUE(m.IsSnapshot());
            EXPECT_GT(m.FileSize(), 0);
            EXPECT_FALSE(Text(m, 0).empty());
            EXPECT_GE(m.ClampLine(kUndeterminedTotal - 1), 0);
            EXPECT_NE(m.LineTotal(), kUndeterminedTotal);
            EXPECT_FALSE(m.CheckFileChanged());
        }
        THvFileModel status;
        status.SetFileName(QStringLiteral("/proc/self/status"));
        if (::access("/proc/self/status", R_OK) != 0)
            GTEST_SKIP() << "no /proc here";
        status.Open();
        EXPECT_EQ(Text(status, 0).substr(0, 5), "Name:");
        EXPECT_TRUE(status.FindText("pid:", soWholeFile, 0, 0));

        // Ordinary files, empty or not, are read where they are.
        hy::test::TTempFolder files;
        for (const QByteArray& data : { QByteArray(), QByteArray("text\n") }) {
            THvFileModel m;
            m.SetFileName(files.Write(QStringLiteral("f.txt"), data));
            m.Open();
            EXPECT_FALSE(m.IsSnapshot());
            EXPECT_EQ(m.FileSize(), data.size());
        }

        // A snapshot stops at its limit.
        const QString big = files.Write(QStringLiteral("big.txt"), QByteArray(100000, 'z'));
        const platform::TFileDescriptor fd(::open(QFile::encodeName(big).constData(), O_RDONLY));
        ASSERT_TRUE(fd.Valid());
        const platform::TFileDescriptor memory = SnapshotIntoMemory(fd, 5000);
        ASSERT_TRUE(memory.Valid());
        struct stat st { };
        ASSERT_EQ(::fstat(memory.Get(), &st), 0);
        EXPECT_EQ(st.st_size, 5000);
    }

    TEST(HvFileModelStop, StopHookEndsALongScanWithoutHarm)
    {
        std::mt19937 rng(21);
        Fixture f;
        QByteArray data;
        while (data.size() < 12 * 1024 * 1024)
            data += "some line of text that repeats " + QByteArray::number(int(data.size())) + "\n";
        f.Open(data);
        int polls = 0;
        f.model.SetStopHook([&] { return ++polls >= 1; });
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), kUndeterminedTotal - 1);
        EXPECT_TRUE(f.model.Stopped());
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        EXPECT_EQ(Text(f.model, 10000000), "");
        EXPECT_TRUE(f.model.Stopped());
        EXPECT_FALSE(f.model.FindText("absent", soWholeFile, 0, 0));
        EXPECT_TRUE(f.model.Stopped());
        EXPECT_EQ(f.model.LineTotal(), kUndeterminedTotal);
        EXPECT_GE(polls, 3);
        f.model.SetStopHook({});
        const auto ref = ReferenceLines(data);
        EXPECT_EQ(f.model.ClampLine(kUndeterminedTotal - 1), LineNumber(ref.size()) - 1);
        EXPECT_FALSE(f.model.Stopped());
        std::vector<LineNumber> order;
        for (int i = 0; i < 100; ++i)
            order.push_back(LineNumber(rng() % ref.size()));
        ExpectLines(f, order);
        EXPECT_EQ(f.events.depth, 0);
    }

    // A line end whose CR is the last byte of a read block: the next line starts after it, whichever line is
    // asked for first, and a backward search that lands before it leaves the anchors right.
    TEST(HvFileModelBlockEdges, LineEndCutByTheFirstReadBlock)
    {
        for (const char* end : { "\r\n", "\r" }) {
            const QByteArray data = QByteArray(4095, 'x') + end + "one" + end + "two" + end + "needle" + end;
            hy::test::TTempFolder files;
            Recorder rec;
            THvFileModel model(&rec);
            model.SetFileName(files.Write(QStringLiteral("f.txt"), data));
            model.Open();
            const auto text = [](THvFileModel& m, LineNumber line) {
                int len = 0;
                const char* p = m.LineText(line, len);
                return std::string(p, size_t(len));
            };
            const std::vector<std::string> ref = ReferenceLines(data);
            for (LineNumber line : { 2, 1, 3, 0, 1 })
                EXPECT_EQ(text(model, line), ref[size_t(line)].substr(0, kMaxLineChars)) << "line " << line;
            THvFileModel again(&rec);
            again.SetFileName(files.PathOf("f.txt"));
            again.Open();
            const auto hit = again.FindText("x", soBackward, 3, 0);
            ASSERT_TRUE(hit.has_value());
            EXPECT_EQ(hit->StartLine, 0);
            EXPECT_EQ(text(again, 1), "one");
            EXPECT_EQ(text(again, 2), "two");
        }
    }

} // namespace
} // namespace hy::viewer::test
