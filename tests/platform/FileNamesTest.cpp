// File names as bytes: every byte string comes back unchanged, and what a person sees marks the bytes that
// are not UTF-8.
#include "platform/FileNames.h"

#include "support/QtPrinters.h"

#include <QMimeData>
#include <gtest/gtest.h>

using namespace hy::platform;

TEST(FileNames, EveryByteStringRoundTrips)
{
    const QByteArray names[] = {
        "/plain/ascii.txt",
        "/tmp/Gr\xc3\xbc\xc3\x9f"
        "e.txt", // valid UTF-8
        "\xc3\xa4rger \xe2\x82\xac.txt", // valid UTF-8 of two and three bytes
        "/tmp/a\xff\xfe"
        "b.txt", // bytes that are never UTF-8
        "caf\xe9", // Latin-1
        "cut\xe2\x82", // a sequence cut short at the end
        "\xc0\xaf", // an overlong "/"
        "\xed\xb2\x80", // a surrogate written as UTF-8
        "\xf0\x9f\x98\x80\x80", // a four-byte character, then a stray continuation byte
        "\xf4\x90\x80\x80", // past U+10FFFF
        "\xf0\x90\x82\x80\xff", // a character whose low surrogate looks like an escaped byte, then one
        "",
    };
    for (const QByteArray& bytes : names) {
        const QString name = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(name), bytes) << bytes.toHex().constData();
    }
    // Valid UTF-8 reads as the characters it holds.
    EXPECT_EQ(DecodeFileName("/tmp/Gr\xc3\xbc\xc3\x9f"
                             "e.txt"),
        QString::fromUtf8("/tmp/Grüße.txt"));
    EXPECT_EQ(EncodeFileName(QString::fromUtf8("/tmp/Grüße.txt")),
        QByteArray("/tmp/Gr\xc3\xbc\xc3\x9f"
                   "e.txt"));
}

TEST(FileNames, BytesThatAreNotUtf8ShowAsReplacementMarks)
{
    EXPECT_EQ(DisplayFileName(DecodeFileName("/tmp/a\xff\xfe"
                                             "b.txt")),
        QString::fromUtf8("/tmp/a\uFFFD\uFFFDb.txt"));
    EXPECT_EQ(DisplayFileName(DecodeFileName("\xf0\x90\x82\x80")), QString::fromUtf8("\xf0\x90\x82\x80"));
    EXPECT_EQ(DisplayFileName(QStringLiteral("plain")), QStringLiteral("plain"));
}

TEST(FileNames, CommandLineArgumentsKeepTheirBytes)
{
    const char* argv[] = { "hyview", "/tmp/a\xff.txt", "-h", "" };
    const QStringList args = ArgumentsOf(4, argv);
    ASSERT_EQ(args.size(), 4);
    EXPECT_EQ(EncodeFileName(args.at(1)), QByteArray("/tmp/a\xff.txt"));
    EXPECT_EQ(args.at(2), "-h");
    EXPECT_TRUE(args.at(3).isEmpty());
}

TEST(FileNames, FileUrlsCarryTheBytesThroughDragAndDrop)
{
    const QByteArray names[] = {
        "/tmp/caf\xe9.txt", // Latin-1
        "/tmp/a b/#1?x%41;y.txt", // characters a URL gives a meaning
        "/tmp/Gr\xc3\xbc\xc3\x9f"
        "e.txt", // valid UTF-8
    };
    for (const QByteArray& bytes : names) {
        const QString name = DecodeFileName(bytes);
        const QUrl url = FileUrl(name);
        EXPECT_TRUE(url.isLocalFile()) << bytes.constData();
        // A drag carries the URLs as text/uri-list.
        QMimeData carried;
        carried.setUrls({ url });
        ASSERT_EQ(carried.urls().size(), 1);
        EXPECT_EQ(EncodeFileName(FileNameOfUrl(carried.urls().at(0))), bytes) << bytes.constData();
    }
    // Names that are UTF-8 give the URL every other program makes and reads.
    const QString utf8 = QString::fromUtf8("/tmp/a b/Grüße #1.txt");
    EXPECT_EQ(FileUrl(utf8), QUrl::fromLocalFile(utf8));
    EXPECT_EQ(FileNameOfUrl(QUrl::fromLocalFile(utf8)), utf8);
    EXPECT_TRUE(FileNameOfUrl(QUrl(QStringLiteral("https://example.org/x.txt"))).isEmpty());
}
