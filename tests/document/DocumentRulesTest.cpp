// Which resources a laid out document may load and what its links do.
#include "core/document/DocumentRules.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::document;

TEST(DocumentRules, FormatFollowsTheExtension)
{
    EXPECT_EQ(DocumentFormatOf("README.md"), TDocumentFormat::Markdown);
    EXPECT_EQ(DocumentFormatOf("/a/Notes.MARKDOWN"), TDocumentFormat::Markdown);
    EXPECT_EQ(DocumentFormatOf("index.html"), TDocumentFormat::Html);
    EXPECT_EQ(DocumentFormatOf("page.HTM"), TDocumentFormat::Html);
}

TEST(DocumentRules, OnlyRegularFilesInsideTheDocumentsFolderAreLoaded)
{
    hy::test::TTempFolder outer;
    ASSERT_TRUE(outer.IsValid());
    ASSERT_TRUE(QDir().mkpath(outer.PathOf("site/img")));
    const QString doc = outer.Write("site/page.html", "<p>x</p>");
    const QString picture = outer.Write("site/img/a.png", "png");
    outer.Write("site/top.png", "png");
    const QString secret = outer.Write("secret.png", "png");
    ASSERT_FALSE(doc.isEmpty());
    ASSERT_EQ(symlink(secret.toLocal8Bit().constData(), outer.PathOf("site/leak.png").toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink(picture.toLocal8Bit().constData(), outer.PathOf("site/inner.png").toLocal8Bit().constData()), 0);
    ASSERT_EQ(mkfifo(outer.PathOf("site/pipe.png").toLocal8Bit().constData(), 0600), 0);

    struct Case {
        const char* address;
        bool allowed;
    } cases[] = {
        { "img/a.png", true },
        { "top.png", true },
        { "./img/../top.png", true },
        { "inner.png", true }, // a link that stays inside
        { "../secret.png", false }, // leads out
        { "img/../../secret.png", false },
        { "leak.png", false }, // a link that leads out
        { "pipe.png", false }, // would wait for a writer
        { "img", false }, // a folder
        { "missing.png", false },
        { "file:///etc/passwd", false },
        { "http://127.0.0.1/a.png", false },
        { "https://example.org/top.png", false },
        { "ftp://example.org/top.png", false },
        { "data:image/png;base64,AAAA", false },
        { "file://remotehost/img/a.png", false },
        { "", false },
    };
    for (const Case& c : cases) {
        const QString got = LocalResourcePath(QUrl(QString::fromUtf8(c.address)), doc);
        EXPECT_EQ(!got.isEmpty(), c.allowed) << c.address << " gave " << got.toStdString();
    }
    // A file: address of a file inside is as good as a relative one, and gives the file itself.
    const QString byAddress = LocalResourcePath(QUrl::fromLocalFile(picture), doc);
    EXPECT_EQ(byAddress, QFileInfo(picture).canonicalFilePath());
}

TEST(DocumentRules, LinksGoToTheBrowserOnlyForWebAndMailAddresses)
{
    struct Case {
        const char* address;
        TLinkAction action;
    } cases[] = {
        { "#section-2", TLinkAction::Anchor },
        { "https://example.org/page", TLinkAction::AskToOpen },
        { "http://example.org", TLinkAction::AskToOpen },
        { "mailto:someone@example.org", TLinkAction::AskToOpen },
        { "file:///etc/passwd", TLinkAction::Refuse },
        { "javascript:alert(1)", TLinkAction::Refuse },
        { "data:text/html,<script>1</script>", TLinkAction::Refuse },
        { "other.html", TLinkAction::Refuse },
        { "other.html#x", TLinkAction::Refuse },
        { "http:///nohost", TLinkAction::Refuse },
        { "mailto:", TLinkAction::Refuse },
        { "smb://server/share", TLinkAction::Refuse },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinkActionFor(QUrl(QString::fromUtf8(c.address))), c.action) << c.address;
}
