// The File Search dialog as a person uses it: the rules between its controls, Clear, the tabs and their
// help, the location check, and searches over generated trees with their outcomes (results, nothing found,
// Stop, a location that does not exist). Questions and alerts are answered through the modal watcher.
#include "ui/search/Fsearch.h"

#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/ProgressLine.h"
#include "ui/search/Psearch.h"
#include "ui/search/SrchAll.h"
#include "ui/search/Vsearch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::search;

namespace {

test::ModalWatcher Answering(bool yes)
{
    return test::ModalWatcher([yes](QDialog* d) {
        if (auto* ask = qobject_cast<TAskUserDialog*>(d))
            (yes ? ask->YesButton : ask->NoButton)->click();
        else
            d->reject();
    });
}

class SearchDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        TSearchHooks hooks;
        hooks.Settings = []() { return TPreviewSettings(); };
        hooks.OpenFile = [](const QString&, int) { return true; };
        m_dialog = std::make_unique<TFileSearchDialog>(hooks);
        m_dialog->show();
    }

    void TearDown() override
    {
        if (TSearchResultsDialog* results = m_dialog->Results())
            delete results;
    }

    void Write(const QString& relative, const QByteArray& content = {}, const QDateTime& modified = {})
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        if (modified.isValid()) {
            ASSERT_EQ(SetFileDateTime(path, modified), 0);
        }
    }

    // Searches from the root with the dialog as it stands; the names found, relative to the root.
    QStringList Search()
    {
        m_dialog->Location->setText(m_root);
        m_dialog->SearchButtonClick();
        QStringList names;
        TSearchResultsDialog* results = m_dialog->Results();
        if (!results || !results->isVisible())
            return names;
        for (int i = 0; i < results->FileList->Count(); ++i)
            names << results->FileList->EntryPath(i).mid(m_root.size() + 1);
        return names;
    }

    QTemporaryDir m_temp;
    QString m_root;
    std::unique_ptr<TFileSearchDialog> m_dialog;
};

} // namespace

TEST_F(SearchDialogTest, ControlsCheckTheCriterionTheyBelongTo)
{
    TFileSearchDialog& d = *m_dialog;
    struct Case {
        const char* what;
        std::function<void()> act;
        QRadioButton* outer;
        QRadioButton* row;
    } cases[] = {
        { "date typed", [&]() { QTest::keyClicks(d.FileDate1, "01"); }, d.SearchOnDate, d.DateBetween },
        { "months number", [&]() { d.MonthRange->setValue(3); }, d.SearchOnDate, d.DateMonths },
        { "days row", [&]() { d.DateDays->click(); }, d.SearchOnDate, d.DateDays },
        { "between row", [&]() { d.DateBetween->click(); }, d.SearchOnDate, d.DateBetween },
        { "days number", [&]() { d.DayRange->setValue(2); }, d.SearchOnDate, d.DateDays },
        { "time typed", [&]() { QTest::keyClicks(d.FileTime2, "1"); }, d.SearchOnTime, d.TimeBetween },
        { "hours number", [&]() { d.HourRange->setValue(5); }, d.SearchOnTime, d.TimeHours },
        { "time between row", [&]() { d.TimeBetween->click(); }, d.SearchOnTime, d.TimeBetween },
        { "size typed", [&]() { QTest::keyClicks(d.FileSize1, "7"); }, d.SearchOnSize, nullptr },
        { "size type", [&]() { d.SizeType->setCurrentIndex(2); }, d.SearchOnSize, nullptr },
    };
    for (const Case& c : cases) {
        d.ClearButtonClick();
        ASSERT_FALSE(c.outer->isChecked()) << c.what;
        c.act();
        EXPECT_TRUE(c.outer->isChecked()) << c.what;
        if (c.row) {
            EXPECT_TRUE(c.row->isChecked()) << c.what;
        }
    }

    // The second size field is there for Between only.
    d.SizeType->setCurrentIndex(3);
    EXPECT_FALSE(d.SizePart2->isHidden());
    d.SizeType->setCurrentIndex(1);
    EXPECT_TRUE(d.SizePart2->isHidden());

    // The contents criterion follows whether there is a text to look for.
    QTest::keyClicks(d.SearchString, "ab");
    EXPECT_TRUE(d.SearchOnContents->isChecked());
    d.SearchString->clear();
    EXPECT_TRUE(d.IgnoreContents->isChecked());
    d.MatchCase->click();
    EXPECT_TRUE(d.IgnoreContents->isChecked());
    d.SearchString->setText(QStringLiteral("x"));
    d.IgnoreContents->click();
    d.MatchCase->click();
    EXPECT_TRUE(d.SearchOnContents->isChecked());
    EXPECT_TRUE(d.WholeWords->isHidden());
}

TEST_F(SearchDialogTest, ClearTabsAndHelp)
{
    TFileSearchDialog& d = *m_dialog;
    EXPECT_EQ(d.Location->text(), QDir::homePath());
    EXPECT_EQ(d.FileName->text(), "*.*");
    QStringList pages;
    QList<int> contexts;
    const THelpHandler old = SetHelpHandler([&](int context, QWidget*) { contexts << context; });
    for (int i = 0; i < d.TabSet->count(); ++i) {
        d.TabSet->setCurrentIndex(i);
        pages << d.NoteBook->currentWidget()->objectName();
        d.HelpButton->click();
    }
    SetHelpHandler(old);
    EXPECT_EQ(pages, QStringList({ "Name && Location", "Date", "Time", "Size", "Contents" }));
    EXPECT_EQ(contexts, QList<int>({ 201, 202, 203, 204, 205 }));

    d.FileName->setText(QStringLiteral("*.c"));
    d.Location->setText(QStringLiteral("/usr"));
    d.SearchSubDirs->setChecked(false);
    d.FileDate1->setText(QStringLiteral("01/02/1997"));
    d.SizeType->setCurrentIndex(3);
    d.SearchString->setText(QStringLiteral("word"));
    d.MatchCase->setChecked(true);
    d.ClearButtonClick();
    EXPECT_EQ(d.TabSet->currentIndex(), 0);
    EXPECT_EQ(d.NoteBook->currentIndex(), 0);
    EXPECT_EQ(d.FileName->text(), "*.*");
    EXPECT_EQ(d.Location->text(), QDir::homePath());
    EXPECT_TRUE(d.SearchSubDirs->isChecked());
    for (QRadioButton* ignore : { d.IgnoreDate, d.IgnoreTime, d.IgnoreSize, d.IgnoreContents })
        EXPECT_TRUE(ignore->isChecked()) << ignore->objectName().toStdString();
    // The values themselves stay for the next time.
    EXPECT_EQ(d.FileDate1->text(), "01/02/1997");
    EXPECT_EQ(d.SizeType->currentIndex(), 3);
    EXPECT_EQ(d.SearchString->text(), "word");
    EXPECT_TRUE(d.MatchCase->isChecked());
}

TEST_F(SearchDialogTest, ABlankLocationIsRefused)
{
    auto watcher = Answering(true);
    m_dialog->TabSet->setCurrentIndex(3);
    m_dialog->Location->setText(QStringLiteral("   "));
    m_dialog->SearchButtonClick();
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_EQ(watcher.Seen.first(),
        "Invalid Drive/Directory|The Drive/Directory field is blank.\nPlease enter a Drive and Directory\nwhere "
        "you want the search to begin.");
    EXPECT_EQ(m_dialog->TabSet->currentIndex(), 0);
    EXPECT_EQ(m_dialog->NoteBook->currentIndex(), 0);
    EXPECT_EQ(m_dialog->Results(), nullptr);
}

TEST_F(SearchDialogTest, ResultsShowWithTheirCountWhileOtherWindowsWaited)
{
    Write("a.txt");
    Write("sub/b.txt");
    Write("sub/deeper/c.txt");
    Write("sub/d.log");
    QWidget other;
    other.show();
    bool dialogEnabled = true;
    bool otherEnabled = true;
    bool progressEnabled = false;
    QTimer::singleShot(0, [&]() {
        dialogEnabled = m_dialog->isEnabled();
        otherEnabled = other.isEnabled();
        progressEnabled = m_dialog->ProgressDialog()->isEnabled();
    });
    m_dialog->FileName->setText(QStringLiteral("*.txt"));
    EXPECT_EQ(Search(), QStringList({ "a.txt", "sub/b.txt", "sub/deeper/c.txt" }));
    EXPECT_FALSE(dialogEnabled);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(progressEnabled);
    EXPECT_TRUE(m_dialog->isEnabled());
    EXPECT_TRUE(other.isEnabled());
    EXPECT_FALSE(m_dialog->ProgressDialog()->isVisible());
    TSearchResultsDialog* results = m_dialog->Results();
    EXPECT_EQ(results->windowTitle(), "Search Results: 3 Files Found");
    EXPECT_EQ(results->FName->text(), m_root + QStringLiteral("/a.txt"));

    // The browser is kept for the next search, and the caption counts one file without an "s".
    m_dialog->FileName->setText(QStringLiteral("*.log"));
    m_dialog->SearchSubDirs->setChecked(true);
    EXPECT_EQ(Search(), QStringList({ "sub/d.log" }));
    EXPECT_EQ(m_dialog->Results(), results);
    EXPECT_EQ(results->windowTitle(), "Search Results: 1 File Found");

    // Closing the browser ends it: the next search makes one of its own, even before the old one is gone.
    const QPointer<TSearchResultsDialog> closed(results);
    results->CloseButton->click();
    EXPECT_EQ(m_dialog->Results(), nullptr);
    EXPECT_EQ(Search(), QStringList({ "sub/d.log" }));
    ASSERT_NE(m_dialog->Results(), nullptr);
    EXPECT_NE(m_dialog->Results(), closed.data());

    // Without subdirectories only the location itself is searched; an empty mask means every file.
    m_dialog->FileName->clear();
    m_dialog->SearchSubDirs->setChecked(false);
    EXPECT_EQ(Search(), QStringList({ "a.txt" }));
}

TEST_F(SearchDialogTest, TimesBetweenRunAcrossMidnight)
{
    Write("late.txt", "x", QDateTime(QDate(2020, 5, 4), QTime(23, 30)));
    Write("early.txt", "x", QDateTime(QDate(2020, 5, 5), QTime(1, 0)));
    Write("noon.txt", "x", QDateTime(QDate(2020, 5, 5), QTime(12, 0)));
    m_dialog->FileTime1->setFocus();
    QTest::keyClicks(m_dialog->FileTime1, "1000PM");
    QTest::keyClicks(m_dialog->FileTime2, "0200AM");
    EXPECT_EQ(m_dialog->FileTime1->text(), "10:00 PM");
    EXPECT_TRUE(m_dialog->SearchOnTime->isChecked());
    EXPECT_EQ(Search(), QStringList({ "early.txt", "late.txt" }));
}

TEST_F(SearchDialogTest, NothingFoundIsSaidUnlessTheUserStopped)
{
    for (int i = 0; i < 5; ++i)
        Write(QStringLiteral("d%1/file.txt").arg(i));
    m_dialog->FileName->setText(QStringLiteral("*.none"));
    {
        auto watcher = Answering(true);
        EXPECT_TRUE(Search().isEmpty());
        EXPECT_EQ(watcher.Seen, QStringList({ "Search Results|No files match the current search criteria." }));
    }

    // Stop, answered Yes, ends the search without a word when nothing was found.
    auto watcher = Answering(true);
    QTimer::singleShot(0, [this]() { m_dialog->ProgressDialog()->StopButton->click(); });
    EXPECT_TRUE(Search().isEmpty());
    EXPECT_EQ(watcher.Seen, QStringList({ "File Search|Do you want to stop the search?" }));
    EXPECT_TRUE(m_dialog->ProgressDialog()->StopFlag());
    EXPECT_LT(m_dialog->Run().FilesSearched(), 5);
}

TEST_F(SearchDialogTest, StopKeepsWhatWasFoundAndNoGoesOn)
{
    for (int i = 0; i < 4; ++i)
        Write(QStringLiteral("d%1/file%1.txt").arg(i));
    {
        // No lets the search go on to the end.
        auto watcher = Answering(false);
        QTimer::singleShot(0, [this]() { m_dialog->ProgressDialog()->StopButton->click(); });
        EXPECT_EQ(Search().size(), 4);
        EXPECT_EQ(watcher.Seen.size(), 1);
    }
    // Stop once the first file is in: the walk ends with the batch that brought it, and every file that
    // came in until then is shown.
    auto watcher = Answering(true);
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&]() {
        if (m_dialog->Run().FilesFound() >= 1 && !m_dialog->ProgressDialog()->StopFlag())
            m_dialog->ProgressDialog()->StopButton->click();
    });
    stopper.start(0);
    const qsizetype found = Search().size();
    stopper.stop();
    EXPECT_GE(found, 1);
    EXPECT_EQ(found, m_dialog->Run().FilesFound());
    EXPECT_EQ(watcher.Seen, QStringList({ "File Search|Do you want to stop the search?" }));
    EXPECT_EQ(m_dialog->Results()->windowTitle(),
        found == 1 ? QStringLiteral("Search Results: 1 File Found")
                   : QStringLiteral("Search Results: %1 Files Found").arg(found));
}

TEST_F(SearchDialogTest, ALocationThatDoesNotExistIsReported)
{
    auto watcher = Answering(true);
    m_dialog->TabSet->setCurrentIndex(2);
    m_dialog->Location->setText(m_root + QStringLiteral("/missing/folder"));
    m_dialog->SearchButtonClick();
    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.first().endsWith(DisplayText(ErrorText(3)))) << watcher.Seen.first().toStdString();
    EXPECT_EQ(m_dialog->TabSet->currentIndex(), 0);
    EXPECT_FALSE(m_dialog->Results() && m_dialog->Results()->isVisible());
}

TEST_F(SearchDialogTest, WholeDriveSearchesShowTheirOwnProgressWindow)
{
    for (int i = 0; i < 3; ++i)
        Write(QStringLiteral("d%1/f%1.txt").arg(i));
    QWidget owner;
    auto* list = new TFileList(&owner);
    owner.show();
    TFileSearchProgressDialog::WatchWholeDriveSearch(list, &owner);
    bool ownerEnabled = true;
    bool progressShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&]() {
        ownerEnabled = ownerEnabled && owner.isEnabled();
        progressShown = progressShown
            || (test::FindWindow<TFileSearchProgressDialog>()
                && test::FindWindow<TFileSearchProgressDialog>()->isVisible());
    });
    watch.start(0);
    list->SetListDetails({ ldFiles });
    list->SetSearchMode(smSubDirectories);
    ASSERT_EQ(list->SetMaskAndDirectory(QStringLiteral("*.*"), m_root), 0);
    watch.stop();
    EXPECT_EQ(list->Count(), 3);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(test::FindWindow<TFileSearchProgressDialog>(), nullptr);
    EXPECT_TRUE(owner.isEnabled());

    // Stop, answered Yes, ends the read with -1000.
    auto watcher = Answering(true);
    QTimer::singleShot(0, []() { test::FindWindow<TFileSearchProgressDialog>()->StopButton->click(); });
    list->UpdateList();
    EXPECT_EQ(list->LastError(), -1000);
    EXPECT_EQ(watcher.Seen, QStringList({ "File Search|Do you want to stop the search?" }));
    EXPECT_EQ(test::FindWindow<TFileSearchProgressDialog>(), nullptr);

    // Used on its own: the total grows by the counts given, the location follows the texts, and once stopped
    // nothing changes any more.
    auto made = std::make_unique<TFileSearchProgressDialog>();
    TFileSearchProgressDialog* progress = made.get();
    EXPECT_EQ(progress->Update(0, QStringLiteral("/usr")), 0);
    EXPECT_EQ(progress->Update(2), 0);
    EXPECT_EQ(progress->Update(1234), 0);
    EXPECT_EQ(progress->Total(), 1236);
    EXPECT_EQ(progress->LocationLine->Value(), "/usr");
    EXPECT_EQ(progress->FoundLine->Value(), "1,236");
    progress->SetStopFlag(true);
    EXPECT_EQ(progress->Update(5, QStringLiteral("/var")), -1000);
    EXPECT_EQ(progress->Total(), 1236);
    EXPECT_EQ(progress->LocationLine->Value(), "/usr");
    progress->Reset();
    EXPECT_EQ(progress->Total(), 0);
    EXPECT_FALSE(progress->StopFlag());
}
