// Regular-expression Find on generated files against Python's re (the same matches on the same lines,
// forward and backward, with and without case), the literal every match must hold, and invalid patterns.
#include "HvFileModelTest.h"

#include "core/viewer/HvRegexSearch.h"

#include <QProcess>
#include <QStandardPaths>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

struct Found {
    LineNumber line;
    qint64 start;
    qint64 end;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Found& f)
{
    return os << '(' << f.line << ',' << f.start << ',' << f.end << ')';
}

// Every non-empty match, line by line, as Python's re finds them (byte indexes of the UTF-8 text).
std::vector<Found> PythonMatches(const QString& path, const QString& pattern, bool ignoreCase)
{
    static const char* const script = R"(
import re, sys
data = open(sys.argv[1], 'rb').read().decode('utf-8')
rx = re.compile(sys.argv[2], re.IGNORECASE if sys.argv[3] == '1' else 0)
for n, line in enumerate(re.split(r'\r\n|\r|\n', data)):
    for m in rx.finditer(line):
        if m.end() > m.start():
            s = len(line[:m.start()].encode('utf-8'))
            print(n, s, s + len(m.group(0).encode('utf-8')))
)";
    QProcess p;
    p.start(QStringLiteral("python3"),
        { QStringLiteral("-c"), QLatin1String(script), path, pattern,
            ignoreCase ? QStringLiteral("1") : QStringLiteral("0") });
    EXPECT_TRUE(p.waitForFinished(60000));
    std::vector<Found> out;
    for (const QByteArray& row : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = row.split(' ');
        if (f.size() == 3)
            out.push_back({ f[0].toLongLong(), f[1].toLongLong(), f[2].toLongLong() });
    }
    return out;
}

QByteArray GeneratedLog(int lines)
{
    std::mt19937 rng(42);
    static const char* const words[] = { "ERROR", "error", "WARN", "info", "timeout", "Timeout", "café", "CAFÉ", "foo",
        "bar", "baz", "foobaz", "x", "xxy", "xyz", "id-123", "code 404", "über" };
    static const char* const ends[] = { "\n", "\r\n", "\r" };
    QByteArray out;
    for (int i = 0; i < lines; ++i) {
        out += "line " + QByteArray::number(i) + ' ';
        const int n = int(rng() % 8);
        for (int k = 0; k < n; ++k) {
            out += words[rng() % std::size(words)];
            out += rng() % 3 == 0 ? " " + QByteArray::number(int(rng() % 1000)) + ' ' : QByteArray(" ");
        }
        out += ends[rng() % 3];
    }
    return out;
}

} // namespace

TEST(HvRegexSearch, FindsWhatPythonsReFindsForwardAndBackward)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    hy::test::TTempFolder files;
    const QString path = files.Write(QStringLiteral("f.txt"), GeneratedLog(3000));
    const char* const patterns[] = { "ERROR [0-9]+ .*timeout", "\\d{3}", "(foo|bar)baz", "^line \\d+ x", "caf[eé]",
        "\\bid-\\d+\\b", "x+y?z", "[A-Z]{4,}", "t.me", "über|CAFÉ", "o{2}b", "caf\\w", "\\w+é\\b", "\\bü\\w+" };
    for (const char* p : patterns) {
        for (const bool matchCase : { true, false }) {
            const QString pattern = QString::fromUtf8(p);
            SCOPED_TRACE(std::string(p) + (matchCase ? " (match case)" : ""));
            const std::vector<Found> expected = PythonMatches(path, pattern, !matchCase);
            ASSERT_FALSE(expected.empty());
            THvFileModel m;
            m.SetFileName(path);
            m.Open();
            m.SetEncoding(TTextEncoding::Utf8);
            const unsigned options = soRegex | (matchCase ? soMatchCase : 0u);
            std::vector<Found> forward;
            auto hit = m.FindText(pattern, options | soWholeFile, 0, 0);
            while (hit && forward.size() <= expected.size()) {
                forward.push_back({ hit->StartLine, hit->StartIndex, hit->EndIndex });
                EXPECT_EQ(hit->EndLine, hit->StartLine);
                hit = m.FindText(pattern, options, hit->EndLine, hit->EndIndex);
            }
            EXPECT_EQ(forward, expected);

            std::vector<Found> backward;
            hit = m.FindText(pattern, options | soWholeFile | soBackward, 0, 0);
            while (hit && backward.size() <= expected.size()) {
                backward.push_back({ hit->StartLine, hit->StartIndex, hit->EndIndex });
                hit = m.FindText(pattern, options | soBackward, hit->StartLine, hit->StartIndex);
            }
            EXPECT_EQ(backward, std::vector<Found>(expected.rbegin(), expected.rend()));
        }
    }
}

TEST(HvRegexSearch, MatchesTheDecodedTextOfEachEncoding)
{
    hy::test::TTempFolder files;
    struct Case {
        const char* name;
        TTextEncoding encoding;
        QByteArray data;
        qint64 start, end; // bytes of the match on line 1
    };
    const Case cases[] = {
        { "Windows-1252", TTextEncoding::Windows1252, QByteArray("na\xefve\r\n\x80 caf\xe9 42\r\n"), 2, 9 },
        { "Latin-1", TTextEncoding::Iso8859_1, QByteArray("x\ny caf\xe9 42\n"), 2, 9 },
        { "UTF-8", TTextEncoding::Utf8, QByteArray("x\n\xe2\x82\xac caf\xc3\xa9 42\n"), 4, 12 },
        { "UTF-16LE", TTextEncoding::Utf16LE, QByteArray("x\0\n\0 \0c\0a\0f\0\xe9\0 \0\x34\0\x32\0", 20), 2, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        THvFileModel m;
        m.SetFileName(files.Write(QString::fromLatin1(c.name), c.data));
        m.Open();
        m.SetEncoding(c.encoding);
        const auto hit = m.FindText(QStringLiteral("CAF\u00c9 \\d+"), soRegex | soWholeFile, 0, 0);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(hit->StartLine, 1);
        EXPECT_EQ(hit->StartIndex, c.start);
        EXPECT_EQ(hit->EndIndex, c.end);
        // Never across a line end.
        EXPECT_FALSE(m.FindText(QStringLiteral("x\\s+y"), soRegex | soWholeFile, 0, 0).has_value());
    }
}

TEST(HvRegexSearch, RequiredLiteralsAndInvalidPatterns)
{
    const std::pair<const char*, const char*> literals[] = {
        { "ERROR [0-9]+ .*timeout", "timeout" },
        { "abc", "abc" },
        { "ab?c", "a" },
        { "x+yz", "yz" },
        { "\\d+abc", "abc" },
        { "a\\.b", "a.b" },
        { "[abc]def", "def" },
        { "(foo)bar", "bar" },
        { "a{2}bc", "bc" },
        { "a|bcd", "" },
        { "(?i)abc", "" },
        { "\\w+", "" },
    };
    for (const auto& [pattern, literal] : literals)
        EXPECT_EQ(RequiredLiteral(QString::fromUtf8(pattern)), QString::fromUtf8(literal)) << pattern;

    EXPECT_TRUE(RegexError(QStringLiteral("ERROR [0-9]+")).isEmpty());
    for (const char* bad : { "a(b", "[z-a]", "x{2,1}", "*a" }) {
        const QString error = RegexError(QString::fromLatin1(bad));
        EXPECT_TRUE(error.contains(QStringLiteral("at position "))) << bad << ": " << error.toStdString();
    }
    EXPECT_EQ(RegexError(QStringLiteral("ab(c")), QStringLiteral("missing closing parenthesis at position 5"));

    hy::test::TTempFolder files;
    THvFileModel m;
    m.SetFileName(files.Write(QStringLiteral("f.txt"), "a(b\n"));
    m.Open();
    EXPECT_FALSE(m.FindText(QStringLiteral("a(b"), soRegex | soWholeFile, 0, 0).has_value());
}

TEST(HvRegexSearch, LettersOfEveryScriptAreWordCharactersAndFoldTheirCase)
{
    hy::test::TTempFolder files;
    const QString line = QStringLiteral("Le Caf\u00E9 na\u00EFve, \u00C9T\u00C9 \u00E0 \u00DCber 42");
    struct Case {
        QString pattern;
        unsigned options;
        QString match; // the text the match covers, empty for none
    };
    const Case cases[] = {
        { QStringLiteral("caf\\w"), 0, QStringLiteral("Caf\u00E9") },
        { QStringLiteral("Caf\\w\\b"), soMatchCase, QStringLiteral("Caf\u00E9") },
        { QStringLiteral("\\bna\\w+\\b"), soMatchCase, QStringLiteral("na\u00EFve") },
        { QStringLiteral("\u00E9t\u00E9"), 0, QStringLiteral("\u00C9T\u00C9") },
        { QStringLiteral("\u00E9t\u00E9"), soMatchCase, QString() },
        { QStringLiteral("\\b\\w\\b"), soMatchCase, QStringLiteral("\u00E0") },
        { QStringLiteral("[[:alpha:]]+r"), soMatchCase, QStringLiteral("\u00DCber") },
        { QStringLiteral("\\w+\\W+\\d+"), 0, QStringLiteral("\u00DCber 42") },
    };
    const TTextEncoding encodings[] = { TTextEncoding::Utf8, TTextEncoding::Windows1252, TTextEncoding::Utf16LE };
    for (const TTextEncoding enc : encodings) {
        const QByteArray data = EncodeText(enc, QStringLiteral("---\n") + line + QStringLiteral("\n"));
        THvFileModel m;
        m.SetFileName(files.Write(QStringLiteral("f.txt"), data));
        m.Open();
        m.SetEncoding(enc);
        for (const Case& c : cases) {
            SCOPED_TRACE(EncodingName(enc).toStdString() + ": " + c.pattern.toStdString());
            for (const unsigned direction : { 0u, unsigned(soBackward) }) {
                const auto hit = m.FindText(c.pattern, soRegex | soWholeFile | direction | c.options, 0, 0);
                if (c.match.isEmpty()) {
                    EXPECT_FALSE(hit.has_value());
                    continue;
                }
                ASSERT_TRUE(hit.has_value());
                const qsizetype at = line.indexOf(c.match);
                EXPECT_EQ(hit->StartLine, 1);
                EXPECT_EQ(hit->StartIndex, EncodeText(enc, line.left(at)).size());
                EXPECT_EQ(hit->EndIndex, EncodeText(enc, line.left(at + c.match.size())).size());
            }
        }
    }
}
