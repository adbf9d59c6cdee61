// Following a file that another process appends to, truncates and rotates: the model keeps what it knew
// when the file only grew, counts the new lines at once, and starts over when the file shrank or was
// replaced under its name.
#include "HvFileModelTest.h"

#include <QProcess>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

// Runs a shell command as the writer, in its own process, and waits for it.
void Writer(const QString& command)
{
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), command });
    ASSERT_TRUE(p.waitForFinished(10000));
    ASSERT_EQ(p.exitCode(), 0) << command.toStdString();
}

} // namespace

TEST(HvFileModelFollow, AWriterAppendingTruncatingAndRotating)
{
    hy::test::TTempFolder files;
    const QString path = files.Write(QStringLiteral("app.log"), "a\nb\n");
    Recorder events;
    THvFileModel m(&events);
    m.SetFileName(path);
    m.Open();
    EXPECT_EQ(m.FollowFile(), TFollowChange::None);
    ASSERT_EQ(m.ClampLine(kUndeterminedTotal), 2);
    const QString q = QLatin1Char('\'') + path + QLatin1Char('\'');

    struct Step {
        const char* command; // %1 is the quoted path
        TFollowChange change;
        std::vector<std::string> lines; // the file's lines afterwards
    };
    const Step steps[] = {
        { "printf 'c\\nd\\n' >> %1", TFollowChange::Grew, { "a", "b", "c", "d", "" } },
        { "printf 'e' >> %1", TFollowChange::Grew, { "a", "b", "c", "d", "e" } },
        { "printf 'f\\r\\ng' >> %1", TFollowChange::Grew, { "a", "b", "c", "d", "ef", "g" } },
        { "printf 'new\\n' > %1", TFollowChange::Restarted, { "new", "" } },
        // Truncated and written past the old end before the next look: rewritten, not grown.
        { "printf 'rewritten\\nlonger\\n' > %1", TFollowChange::Restarted, { "rewritten", "longer", "" } },
        { "mv %1 %1.1 && printf 'rotated\\nx' > %1", TFollowChange::Restarted, { "rotated", "x" } },
        { "printf 'y\\n' >> %1.1", TFollowChange::None, { "rotated", "x" } }, // the old file is no longer shown
        { "printf 'z\\n' >> %1", TFollowChange::Grew, { "rotated", "xz", "" } },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        const int changedBefore = events.changed;
        Writer(QString::fromLatin1(step.command).arg(q));
        EXPECT_EQ(m.FollowFile(), step.change);
        EXPECT_EQ(events.changed - changedBefore, step.change == TFollowChange::Restarted ? 1 : 0);
        const LineNumber n = LineNumber(step.lines.size());
        // A grown file with a known total has its new total at once; a restarted one finds it again.
        if (step.change != TFollowChange::Restarted) {
            EXPECT_EQ(m.LineTotal(), n);
        }
        EXPECT_EQ(m.ClampLine(kUndeterminedTotal), n - 1);
        for (LineNumber i = 0; i < n; ++i)
            EXPECT_EQ(Text(m, i), step.lines[size_t(i)]) << i;
    }
}

TEST(HvFileModelFollow, GrowthWhileTheTailIsCountedKeepsTheNumbersRight)
{
    hy::test::TTempFolder files;
    QByteArray data;
    for (int i = 0; i < 100000; ++i)
        data += "record " + QByteArray::number(i) + '\n';
    const QString path = files.Write(QStringLiteral("big.log"), data);
    THvFileModel m;
    m.SetFileName(path);
    m.Open();
    m.SetTailThreshold(1);
    (void)Text(m, 3);
    ASSERT_TRUE(m.JumpToEnd());
    ASSERT_TRUE(m.CountingLines());
    Writer(QStringLiteral("printf 'record 100000\\nrecord 100001\\n' >> '%1'").arg(path));
    EXPECT_EQ(m.FollowFile(), TFollowChange::Grew);
    const LineNumber last = m.LineTotal() - 1;
    EXPECT_EQ(Text(m, last), "");
    EXPECT_EQ(Text(m, last - 1), "record 100001");
    ASSERT_TRUE(m.WaitForLineCount());
    ASSERT_TRUE(m.ApplyLineCount());
    EXPECT_EQ(m.LineTotal(), 100003);
    EXPECT_EQ(Text(m, 100001), "record 100001");
    EXPECT_EQ(Text(m, 50000), "record 50000");
}
