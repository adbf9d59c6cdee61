// A viewer window opens each kind of file itself, counts a small file's lines as it opens, and tells the main
// window what changed through its signals.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "common/HyUtils.h"
#include "support/CompressFixtures.h"
#include "support/TempFiles.h"
#include "support/TestData.h"
#include "support/TestWait.h"
#include "ui/launch/Brview6.h"
#include "ui/viewer/HvViewr.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;
using hy::test::TTempFolder;

namespace {
QString CopyOf(const TTempFolder& dir, const QString& sample, const QString& name)
{
    QFile file(SourcePath(QStringLiteral("resources/samples/") + sample));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return dir.Write(name, file.readAll());
}
} // namespace

TEST(ChildForm, OpenLoadsEachKindOntoItsPage)
{
    TTempFolder dir;
    TMainForm form;
    struct Case {
        QString file;
        PageKind kind;
    };
    const Case cases[] = {
        { dir.Write(QStringLiteral("a.txt"), "one\ntwo\n"), PageKind::Text },
        { CopyOf(dir, QStringLiteral("picture.png"), QStringLiteral("p.png")), PageKind::Image },
        { CopyOf(dir, QStringLiteral("samples.zip"), QStringLiteral("z.zip")), PageKind::Archive },
        // Named like a picture the reader does not know, holding text: shown as text, with no third tab.
        { dir.Write(QStringLiteral("notes.st"), "just words\n"), PageKind::Text },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ASSERT_FALSE(c.file.isEmpty());
        TChildForm child(&form);
        QSignalSpy loading(&child, &TChildForm::PictureLoading);
        TOpenRequest request;
        request.FileName = c.file;
        ASSERT_TRUE(child.Open(request));
        EXPECT_EQ(child.Kind(), c.kind);
        EXPECT_EQ(child.ActivePage(), c.kind);
        EXPECT_EQ(child.ThirdTab(), c.kind);
        EXPECT_EQ(child.TabSet()->count(), c.kind == PageKind::Text ? 2 : 3);
        EXPECT_EQ(child.FileViewer()->FileName(), c.file);
        // A picture load starts and ends once, also when the file proved to hold none.
        if (c.file.endsWith(QLatin1String(".png")) || c.file.endsWith(QLatin1String(".st"))) {
            ASSERT_EQ(loading.count(), 2);
            EXPECT_TRUE(loading.at(0).at(0).toBool());
            EXPECT_FALSE(loading.at(1).at(0).toBool());
        } else {
            EXPECT_EQ(loading.count(), 0);
        }
    }
}

// The lines of a small file are known as soon as it is open, before any status refresh; a large one's only when
// the settings ask for every file's length.
TEST(ChildForm, SmallFilesHaveTheirLinesCountedWhenTheyOpen)
{
    TTempFolder dir;
    TMainForm form;
    QByteArray large;
    while (large.size() < kCountedFileSize)
        large += "a line of the large file\n";
    // The line after the last line end counts too.
    const qint64 largeLines = large.count('\n') + 1;
    struct Case {
        QString file;
        bool countAll;
        qint64 total;
    };
    const Case cases[] = {
        { dir.Write(QStringLiteral("small.txt"), "1\n2\n3\n"), false, 4 },
        { dir.Write(QStringLiteral("large.txt"), large), false, hy::viewer::kUndeterminedTotal },
        { dir.PathOf(QStringLiteral("large.txt")), true, largeLines },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        TChildForm child(&form);
        TOpenRequest request;
        request.FileName = c.file;
        request.CountAllLines = c.countAll;
        ASSERT_TRUE(child.Open(request));
        EXPECT_EQ(child.FileViewer()->LineTotal(), c.total);
    }
}

// Every window of a batch knows its line total when the batch ends, not only the one left active.
TEST(ChildForm, EveryWindowOfABatchCountsItsLines)
{
    TTempFolder dir;
    TMainForm form;
    const QStringList names
        = { dir.Write(QStringLiteral("a.txt"), "a\nb\n"), dir.Write(QStringLiteral("b.txt"), "c\nd\ne\n") };
    ASSERT_EQ(form.OpenFiles(names, true), 2);
    ASSERT_EQ(form.Children().size(), 2);
    EXPECT_EQ(form.Children().at(0)->FileViewer()->LineTotal(), 3);
    EXPECT_EQ(form.Children().at(1)->FileViewer()->LineTotal(), 4);
}

// A tab click is told, not done to the main window: the text mode it chose, and the page it showed.
TEST(ChildForm, TabClicksAreToldThroughSignals)
{
    TTempFolder dir;
    TMainForm form;
    ASSERT_TRUE(form.OpenFileInViewer(
        CopyOf(dir, QStringLiteral("picture.png"), QStringLiteral("p.png")), ViewMode::BySettings, false));
    TChildForm* child = form.Children().constFirst();
    QSignalSpy modes(child, &TChildForm::TextModeChosen);
    QSignalSpy pages(child, &TChildForm::PageShown);
    child->TabSet()->setCurrentIndex(1);
    ASSERT_EQ(modes.count(), 1);
    EXPECT_TRUE(modes.at(0).at(0).toBool());
    EXPECT_TRUE(form.CurrentTextModeHex()) << "the main window listens";
    child->TabSet()->setCurrentIndex(2);
    ASSERT_EQ(pages.count(), 2);
    EXPECT_EQ(pages.at(0).at(0).value<PageKind>(), PageKind::Text);
    EXPECT_EQ(pages.at(1).at(0).value<PageKind>(), PageKind::Image);
    EXPECT_EQ(child->ActivePage(), PageKind::Image);
}

// A compressed file shown decompressed says both sizes in its title and in File Information; a plain file
// keeps its name alone, and the print job's name is the file's, whatever the title says.
TEST(ChildForm, ACompressedFileTellsBothSizes)
{
    TTempFolder dir;
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data += "line " + QByteArray::number(i) + " of a rotated log\n";
    const QString gz = hy::test::CompressInto(
        dir, QStringLiteral("app.log.gz"), data, QStringLiteral("gzip"), { QStringLiteral("-c") });
    ASSERT_FALSE(gz.isEmpty());
    const qint64 packed = QFileInfo(gz).size();
    TMainForm form;

    TChildForm child(&form);
    TOpenRequest request;
    request.FileName = gz;
    ASSERT_TRUE(child.Open(request));
    const QString both = QStringLiteral("gzip: %1 bytes, %2 bytes decompressed")
                             .arg(hy::common::ThousandsText(packed), hy::common::ThousandsText(data.size()));
    HY_EXPECT_SOON(child.CompressedSizes() == both);
    HY_EXPECT_SOON(child.windowTitle().endsWith(QStringLiteral(" (%1)").arg(both)));
    EXPECT_TRUE(child.windowTitle().startsWith(gz));

    hy::launch::TInfoDialog info;
    info.Fill(gz, child.CompressedSizes());
    EXPECT_EQ(info.FSize->text(), QStringLiteral("%1 bytes (%2)").arg(hy::common::ThousandsText(packed), both));

    TChildForm plain(&form);
    request.FileName = dir.Write(QStringLiteral("plain.txt"), "plain\n");
    ASSERT_TRUE(plain.Open(request));
    EXPECT_EQ(plain.CompressedSizes(), QString());
    EXPECT_EQ(plain.windowTitle(), request.FileName);
}
