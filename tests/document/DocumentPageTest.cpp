// Markdown and HTML on the Document page, with hostile content: remote pictures and style sheets, scripts, and
// links to local files. Nothing is fetched, nothing runs, and links go to the browser only when agreed.
#include "ui/document/DocumentPage.h"
#include "core/document/DocumentRules.h"
#include "support/ModalWatcher.h"
#include "support/TempFiles.h"
#include "ui/common/Ask.h"

#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTextDocument>
#include <gtest/gtest.h>
using namespace hy::document;

using hy::document::TDocumentPage;

namespace {

class DocumentPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost));
        TDocumentPage::SetAddressOpener([this](const QUrl& address) { m_opened << address; });
        QImage red(8, 8, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(m_dir.PathOf("pic.png"));
        m_dir.Write("outside.png", "not inside the document's folder");
        m_page.resize(500, 400);
        m_page.show();
    }
    void TearDown() override { TDocumentPage::SetAddressOpener({}); }

    QString Remote(const char* name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(name);
    }
    // Nothing came to the server that stands for the network.
    bool NothingFetched()
    {
        QCoreApplication::processEvents();
        return !m_server.hasPendingConnections() && !m_server.waitForNewConnection(100);
    }
    bool Loaded(const char* name) const
    {
        return m_page.document()->resource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(name))).isValid();
    }

    hy::test::TTempFolder m_dir;
    QTcpServer m_server;
    QList<QUrl> m_opened;
    TDocumentPage m_page;
};

TEST_F(DocumentPage, HostileHtmlFetchesNothingAndRunsNothing)
{
    const QString html = QStringLiteral(
        "<html><head><link rel=\"stylesheet\" href=\"%1\"><script>document.title='SCRIPT RAN';</script></head>"
        "<body onload=\"alert('ONLOAD RAN')\"><h1>Welcome</h1>"
        "<img src=\"%2\"><img src=\"file:///etc/passwd\"><img src=\"pic.png\"><img src=\"../outside.png\">"
        "<iframe src=\"%3\"></iframe><a href=\"file:///etc/passwd\">passwords</a></body></html>")
                             .arg(Remote("style.css"), Remote("remote.png"), Remote("frame.html"));
    ASSERT_TRUE(QDir().mkpath(m_dir.PathOf("site")));
    const QString path = m_dir.Write("site/page.html", html.toUtf8());
    QFile::copy(m_dir.PathOf("pic.png"), m_dir.PathOf("site/pic.png"));
    ASSERT_EQ(m_page.Open(path), QString());
    EXPECT_TRUE(m_page.toPlainText().contains("Welcome"));
    EXPECT_FALSE(m_page.toPlainText().contains("SCRIPT RAN"));
    EXPECT_NE(m_page.documentTitle(), "SCRIPT RAN");
    EXPECT_TRUE(NothingFetched());
    EXPECT_TRUE(Loaded("pic.png")) << "a picture beside the document is shown";
    EXPECT_FALSE(Loaded("../outside.png"));
    const QStringList refused = m_page.RefusedAddresses();
    for (const QString& address :
        { Remote("remote.png"), QStringLiteral("file:///etc/passwd"), QStringLiteral("../outside.png") })
        EXPECT_TRUE(refused.contains(address)) << address.toStdString() << " in " << refused.join(' ').toStdString();
    EXPECT_FALSE(refused.contains("pic.png"));
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(DocumentPage, MarkdownIsLaidOutWithOnlyLocalPictures)
{
    const QString md = QStringLiteral("# Title\n\nSome *text* with `code`.\n\n![here](pic.png) ![far](%1)\n\n"
                                      "- one\n- two\n")
                           .arg(Remote("far.png"));
    ASSERT_EQ(m_page.Open(m_dir.Write("README.md", md.toUtf8())), QString());
    const QString plain = m_page.toPlainText();
    EXPECT_TRUE(plain.startsWith("Title")) << plain.toStdString();
    EXPECT_FALSE(plain.contains("# Title"));
    EXPECT_FALSE(plain.contains("*text*"));
    EXPECT_TRUE(Loaded("pic.png"));
    EXPECT_TRUE(m_page.RefusedAddresses().contains(Remote("far.png")));
    EXPECT_TRUE(NothingFetched());
}

TEST_F(DocumentPage, LinksOpenOnlyWhenAgreedAndNeverToLocalFiles)
{
    ASSERT_EQ(m_page.Open(m_dir.Write("links.html", "<p id=top>x</p><a name=end>end</a>")), QString());
    {
        // A place in the document needs no question.
        hy::test::ModalWatcher watcher;
        m_page.FollowLink(QUrl("#end"));
        EXPECT_TRUE(watcher.Seen.isEmpty());
    }
    {
        hy::test::ModalWatcher watcher([](QDialog* d) {
            if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d))
                ask->NoButton->click();
            else
                d->accept();
        });
        m_page.FollowLink(QUrl("https://example.org/a"));
        EXPECT_TRUE(m_opened.isEmpty()) << "the user said No";
        EXPECT_EQ(watcher.Seen.size(), 1);
    }
    {
        hy::test::ModalWatcher watcher([](QDialog* d) {
            if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d))
                ask->YesButton->click();
            else
                d->accept();
        });
        m_page.FollowLink(QUrl("https://example.org/a"));
        ASSERT_EQ(m_opened.size(), 1);
        EXPECT_EQ(m_opened.first(), QUrl("https://example.org/a"));
        // A local file is refused with a word, even when the user would agree to anything.
        m_opened.clear();
        for (const char* address : { "file:///etc/passwd", "javascript:alert(1)", "other.html" }) {
            watcher.Seen.clear();
            m_page.FollowLink(QUrl(QString::fromLatin1(address)));
            EXPECT_TRUE(m_opened.isEmpty()) << address;
            ASSERT_EQ(watcher.Seen.size(), 1) << address;
            EXPECT_TRUE(watcher.Seen.first().contains("not followed")) << watcher.Seen.first().toStdString();
        }
    }
}

TEST_F(DocumentPage, ADocumentTooLargeOrUnreadableIsNotShown)
{
    const QString big = m_dir.Write("big.html", QByteArray(hy::document::kLargestRenderedDocument + 1, 'a'));
    EXPECT_FALSE(m_page.Open(big).isEmpty());
    EXPECT_TRUE(m_page.toPlainText().isEmpty());
    EXPECT_FALSE(m_page.Open(m_dir.PathOf("missing.md")).isEmpty());
    // The page's own declaration of its characters is honoured.
    const QByteArray latin1 = "<html><head><meta charset=\"iso-8859-1\"></head><body>caf\xe9</body></html>";
    ASSERT_EQ(m_page.Open(m_dir.Write("latin.htm", latin1)), QString());
    EXPECT_TRUE(m_page.toPlainText().contains(QStringLiteral("caf\u00e9")));
}

} // namespace
