// The in-memory search of a whole small file against the file model's own search of the same file: every
// case must agree with the model, in each encoding the detection picks, with and without match case.
#include "core/viewer/HvTextFinder.h"
#include "core/viewer/HvFileModel.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <optional>

namespace hy::viewer::test {
namespace {

    struct TCase {
        const char* label;
        QByteArray bytes;
        QString text;
        bool matchCase;
        std::optional<bool> expected; // nothing: the model alone can tell
    };

    QByteArray Utf16LE(const QString& text)
    {
        QByteArray bytes("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return bytes;
    }

    std::vector<TCase> Cases()
    {
        const QByteArray log("2024-05-14 09:12:44 INFO backup finished\n2024-05-14 09:13:02 WARN disk usage\n");
        // "ab" in UTF-16 LE is 61 00 62 00; the bytes 00 62 00 61 hold "ab" shifted by one byte only.
        QByteArray shifted = Utf16LE(QStringLiteral("x"));
        shifted.append("\x61\x00\x00\x62\x00", 5);
        return {
            { "plain text, match case", log, QStringLiteral("WARN disk"), true, true },
            { "other case, match case", log, QStringLiteral("warn DISK"), true, false },
            { "other case, without match case", log, QStringLiteral("warn DISK"), false, true },
            { "absent text", log, QStringLiteral("ERROR"), false, false },
            { "text at the very end", log, QStringLiteral("disk usage\n").chopped(1), true, true },
            { "text longer than the file", QByteArray("abc"), QStringLiteral("abcd"), false, false },
            { "empty file", QByteArray(), QStringLiteral("a"), false, false },
            { "text with a line break", log, QStringLiteral("finished\n2024"), true, false },
            { "zero byte reads as a space", QByteArray("foo\0bar\n", 8), QStringLiteral("foo bar"), true, true },
            { "UTF-8, non-ASCII case", QStringLiteral("Un bel été à Porto\n").toUtf8(), QStringLiteral("ÉTÉ"), false,
                true },
            { "UTF-8, non-ASCII with match case", QStringLiteral("Un bel été à Porto\n").toUtf8(),
                QStringLiteral("ÉTÉ"), true, false },
            { "UTF-16 LE with its mark", Utf16LE(QStringLiteral("hello world\n")), QStringLiteral("WORLD"), false,
                true },
            { "UTF-16 LE, bytes off the code units", shifted, QStringLiteral("ab"), true, false },
            { "Windows-1252 accented", QByteArray("Le caf\xE9 est ferm\xE9 le lundi\n"), QStringLiteral("CAFÉ"), false,
                true },
            { "Shift_JIS trail byte that looks like a backslash",
                QByteArray("\x83\x5C\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x82\xCC\x90\xDD\x92\xE8\n"),
                QStringLiteral("\\"), true, std::nullopt },
            { "ISO-2022-JP", QByteArray("\x1B$B$3$s$K$A$O\x1B(B hello\n"), QStringLiteral("hello"), true,
                std::nullopt },
        };
    }

    std::optional<bool> ModelFinds(const QString& path, const QString& text, bool matchCase)
    {
        THvFileModel model;
        model.SetFileName(path);
        model.Open();
        return model.FindText(text, soWholeFile | (matchCase ? soMatchCase : 0u), 0, 0).has_value();
    }

} // namespace

TEST(HvTextFinder, AgreesWithTheModelOnEveryCase)
{
    hy::test::TTempFolder dir;
    int n = 0;
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(c.label);
        const QString path = dir.Write(QStringLiteral("case%1.txt").arg(n++), c.bytes);
        ASSERT_FALSE(path.isEmpty());
        const bool model = *ModelFinds(path, c.text, c.matchCase);
        THvTextFinder finder(c.text, c.matchCase);
        const std::optional<bool> ours
            = finder.Contains(reinterpret_cast<const uint8_t*>(c.bytes.constData()), size_t(c.bytes.size()));
        if (c.expected) {
            EXPECT_EQ(model, *c.expected);
        }
        if (ours) {
            EXPECT_EQ(*ours, model);
        } else {
            EXPECT_TRUE(c.label == std::string("ISO-2022-JP")) << "only a stateful encoding needs the model";
        }
    }
}

// One finder over many files keeps one pattern per encoding and a probe chosen from the first file: files
// met later in other encodings and with other byte statistics are still judged as the model judges them.
TEST(HvTextFinder, OneFinderOverFilesOfMixedEncodings)
{
    hy::test::TTempFolder dir;
    THvTextFinder finder(QStringLiteral("caf\u00E9 ouvert"), false);
    int n = 0;
    for (const QByteArray& bytes : { QByteArray("zzzzzzzzzzzzzzzzzzzzzzzzzzzz\n"), QByteArray("le CAF\xC9 OUVERT\n"),
             QStringLiteral("le Café Ouvert\n").toUtf8(), Utf16LE(QStringLiteral("un café ouvert\n")),
             QByteArray("un cafe ouvert\n"), QStringLiteral("CAFÉ OUVERT").toUtf8() }) {
        const QString path = dir.Write(QStringLiteral("mixed%1.txt").arg(n++), bytes);
        const std::optional<bool> ours
            = finder.Contains(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ASSERT_TRUE(ours.has_value());
        EXPECT_EQ(*ours, *ModelFinds(path, QStringLiteral("caf\u00E9 ouvert"), false)) << n;
    }
}

} // namespace hy::viewer::test
