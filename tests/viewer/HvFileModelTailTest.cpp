// The jump to the end of a file whose lines are not counted yet: the last lines are read back from the end
// under estimated numbers, the background count gives them their exact ones, and lookups that race with
// the count either answer in a consistent numbering or ask for the count.
#include "HvFileModelTest.h"

#include <QtEndian>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

class RenumberRecorder : public Recorder {
public:
    void ModelLinesRenumbered(LineNumber above, LineNumber delta) override
    {
        ++renumbered;
        lastAbove = above;
        lastDelta = delta;
    }
    int renumbered = 0;
    LineNumber lastAbove = -1;
    LineNumber lastDelta = 0;
};

struct TailCase {
    const char* name;
    const char* ending; // appended after the last line
    int lineLength; // 0: random lengths
};

QByteArray MakeLog(const TailCase& c, int lines, std::mt19937& rng, const char* eol = "\n")
{
    QByteArray out;
    for (int i = 0; i < lines; ++i) {
        const int len = c.lineLength > 0 ? c.lineLength : int(rng() % 120);
        QByteArray line = "line " + QByteArray::number(i) + ' ';
        while (line.size() < len)
            line.append(char('a' + rng() % 26));
        out += line;
        if (i + 1 < lines)
            out += eol;
    }
    return out + c.ending;
}

// Opens data with a tiny tail threshold after reading its first lines, and jumps to the end.
void OpenAndJump(THvFileModel& m, hy::test::TTempFolder& files, const QByteArray& data, LineNumber headLines)
{
    m.SetFileName(files.Write(QStringLiteral("f.txt"), data));
    m.Open();
    m.SetTailThreshold(1);
    if (headLines > 0)
        (void)Text(m, headLines);
    ASSERT_TRUE(m.JumpToEnd());
}

} // namespace

TEST(HvFileModelTail, EstimatedTailShowsTheLastLinesAndTheCountMakesThemExact)
{
    const TailCase cases[] = {
        { "LF, no line end at the end", "", 0 },
        { "LF at the end", "\n", 0 },
        { "a final CR", "\r", 0 },
        { "CR LF at the end", "\r\n", 40 },
        { "fixed lengths", "", 57 },
    };
    std::mt19937 rng(7);
    for (const TailCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* eol : { "\n", "\r\n", "\r" }) {
            hy::test::TTempFolder files;
            const QByteArray data = MakeLog(c, 30000, rng, eol);
            const std::vector<std::string> ref = ReferenceLines(data);
            const LineNumber n = LineNumber(ref.size());
            RenumberRecorder events;
            THvFileModel m(&events);
            OpenAndJump(m, files, data, 100);
            ASSERT_TRUE(m.CountingLines());
            const LineNumber exact = m.ExactLineLimit();
            EXPECT_GE(exact, 100);
            const LineNumber last = m.LineTotal() - 1;
            EXPECT_FALSE(m.LineNumberKnown(last));
            EXPECT_TRUE(m.LineNumberKnown(exact));
            // The last screen and a little above it, under estimated numbers.
            for (LineNumber k = 0; k < 60; ++k)
                EXPECT_EQ(Text(m, last - k), Shown(ref[size_t(n - 1 - k)])) << k;
            EXPECT_EQ(Text(m, last + 1), "");
            EXPECT_EQ(Text(m, 5), Shown(ref[5])); // the counted lines keep theirs

            ASSERT_TRUE(m.WaitForLineCount());
            ASSERT_TRUE(m.ApplyLineCount());
            EXPECT_FALSE(m.CountingLines());
            EXPECT_EQ(m.LineTotal(), n);
            EXPECT_EQ(events.renumbered, 1);
            EXPECT_EQ(events.lastAbove, exact);
            EXPECT_EQ(events.lastDelta, n - 1 - last);
            EXPECT_EQ(events.totals.back(), n);
            // Every line, found through the merged checkpoints, where the reference has it.
            for (LineNumber line : { LineNumber(0), exact, exact + 1, n / 3, n / 2, n - 61, n - 2, n - 1 })
                EXPECT_EQ(Text(m, line), Shown(ref[size_t(line)])) << line;
            EXPECT_GT(m.CheckpointCount(), int(n / m.CheckpointInterval()) - 2);
        }
    }
}

TEST(HvFileModelTail, Utf16TailIsCountedInUnits)
{
    std::mt19937 rng(3);
    const QByteArray text = MakeLog({ "utf16", "\r\n", 0 }, 8000, rng, "\r\n");
    QByteArray data("\xFF\xFE", 2);
    for (char ch : text) {
        data.append(ch);
        data.append('\0');
    }
    hy::test::TTempFolder files;
    THvFileModel m;
    OpenAndJump(m, files, data, 10);
    ASSERT_EQ(m.EffectiveEncoding(), TTextEncoding::Utf16LE);
    ASSERT_TRUE(m.CountingLines());
    ASSERT_TRUE(m.WaitForLineCount());
    ASSERT_TRUE(m.ApplyLineCount());
    EXPECT_EQ(m.LineTotal(), 8001); // the final CR LF starts an empty last line
    EXPECT_EQ(m.LineStart(8000), data.size());
}

TEST(HvFileModelTail, LookupsRacingTheCountAnswerConsistentlyOrAskForIt)
{
    std::mt19937 rng(11);
    const QByteArray data = MakeLog({ "race", "\n", 0 }, 200000, rng);
    const std::vector<std::string> ref = ReferenceLines(data);
    const LineNumber n = LineNumber(ref.size());
    auto startOf = [&](LineNumber line) {
        qint64 at = 0;
        for (LineNumber i = 0; i < line; ++i)
            at += qint64(ref[size_t(i)].size()) + 1;
        return at;
    };
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        hy::test::TTempFolder files;
        RenumberRecorder events;
        THvFileModel m(&events);
        OpenAndJump(m, files, data, 50);
        const LineNumber exact = m.ExactLineLimit();
        const LineNumber last = m.LineTotal() - 1;
        // Go to Line among the counted lines, while the count runs.
        EXPECT_EQ(Text(m, exact), Shown(ref[size_t(exact)]));
        // A line next to the counted ones is left to the count.
        (void)Text(m, exact + 1);
        EXPECT_TRUE(m.NeedsLineCount());
        // Find backward from the tail: a match in the tail keeps the tail's numbering.
        const std::string wanted = "line " + std::to_string(n - 20) + ' ';
        auto hit = m.FindText(QString::fromStdString(wanted), soBackward, last, 0);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(hit->StartLine, last - 19);
        // Find forward from the counted lines: a match beyond them needs the count.
        const std::string middle = "line " + std::to_string(n / 2) + ' ';
        hit = m.FindText(QString::fromStdString(middle), 0, 0, 0);
        if (!hit) {
            EXPECT_TRUE(m.NeedsLineCount());
            // The place of a byte in the middle is counted back from the tail, in the tail's numbering.
            const LineNumber middleLine = m.LineOfOffset(startOf(n / 2) + 2);
            if (!m.NeedsLineCount()) {
                EXPECT_EQ(middleLine, last - (n - 1 - n / 2));
            }
            ASSERT_TRUE(m.WaitForLineCount());
            ASSERT_TRUE(m.ApplyLineCount());
            hit = m.FindText(QString::fromStdString(middle), 0, 0, 0);
        }
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(hit->StartLine, n / 2);
        EXPECT_EQ(m.LineTotal(), n);
        EXPECT_EQ(m.LineOfOffset(startOf(n - 20) + 3), n - 20);
        EXPECT_EQ(events.lastDelta, n - 1 - last);
    }
}

TEST(HvFileModelTail, SmallRemaindersAreScannedAndClosingStopsTheCount)
{
    std::mt19937 rng(5);
    const QByteArray data = MakeLog({ "small", "\n", 0 }, 2000, rng);
    hy::test::TTempFolder files;
    THvFileModel m;
    m.SetFileName(files.Write(QStringLiteral("f.txt"), data));
    m.Open();
    EXPECT_FALSE(m.JumpToEnd()); // the default threshold is far above this file: it is scanned
    EXPECT_FALSE(m.CountingLines());
    EXPECT_EQ(m.ClampLine(kUndeterminedTotal), 2000);
    EXPECT_EQ(m.LineTotal(), 2001);

    THvFileModel big;
    OpenAndJump(big, files, MakeLog({ "big", "", 0 }, 300000, rng), 0);
    EXPECT_TRUE(big.CountingLines());
    big.Close(); // stops and joins the counter without waiting for the rest
    EXPECT_FALSE(big.CountingLines());
    EXPECT_EQ(big.LineTotal(), 0);
}
