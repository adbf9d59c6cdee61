// The scan that tells a search over many windows where nothing can match, against the viewer's own Find over
// the same file: it may say Possible where Find finds nothing, never Absent where Find finds a match. Texts on
// the edges of its reads, before the place it starts from, in other cases and encodings; regular expressions;
// a stopped scan and a failed read.
#include "HvFileModelTest.h"

#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvPresenceScan.h"

#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <stdexcept>
#include <thread>

using namespace hy::viewer;
using namespace hy::viewer::test;
using TAnswer = THvPresenceScan::TAnswer;

namespace {

TAnswer AnswerOf(THvPresenceScan& scan)
{
    while (!scan.Finished())
        std::this_thread::yield();
    return scan.Answer();
}

constexpr qint64 kBlock = qint64(4) << 20; // the scan's read

struct Case {
    const char* name;
    TTextEncoding encoding;
    QByteArray data;
    QString text;
    unsigned options;
    LineNumber fromLine; // the line the search starts on
    TAnswer expect;
};

QByteArray Filler(qint64 size)
{
    QByteArray out;
    while (out.size() < size)
        out += "lorem ipsum dolor sit amet\n";
    out.truncate(size);
    return out;
}

std::vector<Case> Cases()
{
    const unsigned mc = soMatchCase;
    const QByteArray edge = Filler(kBlock - 3) + "needle\n" + Filler(1000);
    const QByteArray utf16 = EncodeText(TTextEncoding::Utf16LE, QStringLiteral("first\r\nsummer \u00E9t\u00E9\r\n"));
    return {
        { "a text across two reads", TTextEncoding::Utf8, edge, "needle", mc, 0, TAnswer::Possible },
        { "a text nowhere", TTextEncoding::Utf8, edge, "haystack", mc, 0, TAnswer::Absent },
        { "a text on the last bytes", TTextEncoding::Utf8, Filler(5000) + "needle", "needle", mc, 0,
            TAnswer::Possible },
        { "a text cut short by the end", TTextEncoding::Utf8, Filler(5000) + "needl", "needle", mc, 0,
            TAnswer::Absent },
        { "a text only above the start", TTextEncoding::Utf8, "needle\nhay\nhay\nhay\n", "needle", mc, 2,
            TAnswer::Absent },
        { "a text on the start's line", TTextEncoding::Utf8, "hay\nhay needle\nhay\n", "needle", mc, 1,
            TAnswer::Possible },
        { "other case, no match case", TTextEncoding::Utf8, "the NeEdLe\n", "needle", 0, 0, TAnswer::Possible },
        { "other case, match case", TTextEncoding::Utf8, "the NeEdLe\n", "needle", mc, 0, TAnswer::Absent },
        { "UTF-8 folded", TTextEncoding::Utf8, "Le mois d'\xC3\xA9t\xC3\xA9\n", QStringLiteral("\u00C9T\u00C9"), 0, 0,
            TAnswer::Possible },
        { "Windows-1252 upper case", TTextEncoding::Windows1252, "L'\xE9t\xE9 et\n", QStringLiteral("\u00C9T\u00C9"), 0,
            0, TAnswer::Possible },
        { "UTF-16 folded", TTextEncoding::Utf16LE, utf16, QStringLiteral("\u00C9T\u00C9"), 0, 0, TAnswer::Possible },
        { "UTF-16 absent", TTextEncoding::Utf16LE, utf16, QStringLiteral("winter"), 0, 0, TAnswer::Absent },
        { "a regular expression whose literal is absent", TTextEncoding::Utf8, Filler(100000), "ERROR [0-9]+ .*timeout",
            mc | soRegex, 0, TAnswer::Absent },
        { "a regular expression whose literal occurs", TTextEncoding::Utf8, Filler(100000) + "ERROR 12 timeout\n",
            "ERROR [0-9]+ .*timeout", mc | soRegex, 0, TAnswer::Possible },
        { "an empty file", TTextEncoding::Utf8, QByteArray(), "needle", mc, 0, TAnswer::Absent },
    };
}

} // namespace

TEST(HvPresenceScan, AbsentOnlyWhereTheViewersFindFindsNothing)
{
    hy::test::TTempFolder dir;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const QString path = dir.PathOf("case.txt");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(c.data), c.data.size());
        f.close();
        THvFileModel m;
        m.SetFileName(path);
        m.SetEncoding(c.encoding);
        m.Open();
        std::optional<TTextPattern> pattern = THvPresenceScan::PatternOf(c.text, c.options, m.EffectiveEncoding());
        ASSERT_TRUE(pattern.has_value());
        const FileOffset from = m.LineStart(c.fromLine);
        THvPresenceScan scan(m.BackgroundReader(), std::move(*pattern), from);
        const TAnswer answer = AnswerOf(scan);
        EXPECT_EQ(answer, c.expect);
        const std::optional<TSearchHit> hit = m.FindText(c.text, c.options, c.fromLine, 0);
        if (answer == TAnswer::Absent) {
            EXPECT_FALSE(hit.has_value()) << "Find found what the scan said was absent";
        }
        if (c.expect == TAnswer::Possible && std::string(c.name).find("regular") == std::string::npos) {
            EXPECT_TRUE(hit.has_value()) << "the case means a match Find finds";
        }
    }
}

TEST(HvPresenceScan, PatternsOnlyWhereEveryMatchHoldsALiteral)
{
    EXPECT_TRUE(THvPresenceScan::PatternOf("needle", soMatchCase, TTextEncoding::Utf8).has_value());
    EXPECT_FALSE(THvPresenceScan::PatternOf(QString(), soMatchCase, TTextEncoding::Utf8).has_value());
    EXPECT_FALSE(THvPresenceScan::PatternOf(".*", soRegex, TTextEncoding::Utf8).has_value())
        << "an expression that holds no literal";
    EXPECT_FALSE(THvPresenceScan::PatternOf("(", soRegex, TTextEncoding::Utf8).has_value()) << "an invalid one";
    EXPECT_FALSE(THvPresenceScan::PatternOf("needle", soMatchCase, TTextEncoding::Iso2022Jp).has_value())
        << "bytes of a stateful encoding mean what the escapes before them say";
}

TEST(HvPresenceScan, StopsWhenAskedAndOnAFailedRead)
{
    std::optional<TTextPattern> pattern = THvPresenceScan::PatternOf("needle", soMatchCase, TTextEncoding::Utf8);
    ASSERT_TRUE(pattern.has_value());
    // A file without end, of zeros: only a stop ends the scan.
    std::atomic<int> reads { 0 };
    std::atomic<int> finished { 0 };
    THvPresenceScan endless(
        [&](FileOffset, uint8_t* buf, size_t n) {
            std::memset(buf, 0, n);
            ++reads;
            return n;
        },
        *pattern, 0, [&] { ++finished; });
    while (reads.load() < 3)
        std::this_thread::yield();
    EXPECT_FALSE(endless.Finished());
    endless.Stop();
    EXPECT_EQ(AnswerOf(endless), TAnswer::Stopped);
    while (finished.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(finished.load(), 1);
    EXPECT_GT(endless.BytesDone(), 0);

    THvPresenceScan failing(
        [](FileOffset, uint8_t*, size_t) -> size_t { throw std::runtime_error("the disk went away"); }, *pattern, 0);
    EXPECT_EQ(AnswerOf(failing), TAnswer::Stopped) << "a failed read never reads as nothing found";
}
