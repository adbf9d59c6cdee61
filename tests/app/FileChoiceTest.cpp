// The main window's Open, Save As and To File through the program's own selector, and through the
// desktop's dialog when Preferences chooses the "Windows Style" selector.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/PreviewBook.h"
#include "ui/selector/Browse.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::app;
using namespace hy::filelist;
using namespace hy::selector;
using namespace hy::settings;

namespace {

class FileChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = QDir(m_dir.path()).canonicalPath();
        QFile f(m_root + QStringLiteral("/a.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alpha\nbeta\n");
        f.close();
        platform::SettingsStore store;
        store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("Preview"), true);
        store.Flush();
        m_form = std::make_unique<TMainForm>();
        m_form->resize(800, 600);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->Settings().LastDir = m_root;
    }
    void TearDown() override
    {
        m_form->close();
        m_form.reset();
    }

    // Triggers the command and plays the script on the selector it shows.
    void RunWithSelector(const char* action, const std::function<void(TBrowserDialog*)>& script)
    {
        QTimer::singleShot(0, [script]() {
            TBrowserDialog* d = test::FindWindow<TBrowserDialog>();
            ASSERT_NE(d, nullptr);
            script(d);
            if (test::FindWindow<TBrowserDialog>() == d && d->isVisible())
                d->reject();
        });
        m_form->findChild<QAction*>(action)->trigger();
    }

    int IndexOf(TFileList* list, const QString& name)
    {
        for (int i = 0; i < list->Count(); ++i) {
            if (list->EntryName(i) == name)
                return i;
        }
        return -1;
    }

    QTemporaryDir m_dir;
    QString m_root;
    std::unique_ptr<TMainForm> m_form;
};

TEST_F(FileChoiceTest, OpenTakesTheFileAndTheViewOfThePreview)
{
    RunWithSelector("Open1", [&](TBrowserDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Select a File"));
        EXPECT_EQ(d->FileList->Directory(), m_root);
        d->FileList->setFocus();
        d->FileList->SetItemIndex(IndexOf(d->FileList, QStringLiteral("a.txt")));
        d->FileListChange();
        d->ViewerPanel->TabSet->setCurrentIndex(1);
        d->FileList->setFocus();
        d->OKButton->click();
    });
    ASSERT_EQ(m_form->Children().size(), 1);
    EXPECT_EQ(m_form->Children().at(0)->FileName(), m_root + QStringLiteral("/a.txt"));
    EXPECT_TRUE(m_form->Children().at(0)->FileViewer()->InHexMode());
}

TEST_F(FileChoiceTest, SaveAsSuggestsTheNameAndCopiesToTheTypedOne)
{
    ASSERT_TRUE(m_form->OpenFileInViewer(m_root + QStringLiteral("/a.txt"), ViewMode::Standard, false));
    QString suggested;
    RunWithSelector("SaveAs1", [&](TBrowserDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Save a.txt As"));
        suggested = d->FName->text();
        d->FName->setFocus();
        d->FName->setText(QStringLiteral("copy.txt"));
        d->OKButton->click();
    });
    EXPECT_EQ(suggested, QStringLiteral("a.txt"));
    QFile copy(m_root + QStringLiteral("/copy.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("alpha\nbeta\n"));
}

TEST_F(FileChoiceTest, WindowsStyleAsksThroughTheDesktopDialog)
{
    m_form->Settings().WindowsFileSelector = true;
    test::ModalWatcher watcher;
    m_form->Action(hy::app::TCommand::Open)->trigger();
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).startsWith(QStringLiteral("Select a File|")));
    EXPECT_EQ(test::FindWindow<TBrowserDialog>(), nullptr);
    EXPECT_TRUE(m_form->Children().isEmpty());
}

} // namespace
