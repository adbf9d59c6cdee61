// The directory selector run through ChooseDirectory as a person would use it: typed locations (created on
// request, cut at their wildcards, refused), double clicks, OK, Cancel, Help and the settings it keeps.
// Its questions and alerts are answered through the modal watcher.
#include "ui/selector/Dirsel.h"

#include "common/ErrorText.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

using namespace hy;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::selector;

namespace {

// Runs the selector with the script played on it.
bool RunSelector(const QString& prompt, QString& directory, bool createAllowed,
    const std::function<void(TDirSelectorDialog*)>& script)
{
    test::PlayOnModal<TDirSelectorDialog>(script);
    return ChooseDirectory(prompt, directory, createAllowed);
}

// Answers questions with yes or no and closes alerts; the selector itself is left alone.
test::ModalWatcher Answering(bool yes)
{
    return test::ModalWatcher([yes](QDialog* d) {
        if (qobject_cast<TDirSelectorDialog*>(d))
            return;
        if (auto* ask = qobject_cast<TAskUserDialog*>(d))
            (yes ? ask->YesButton : ask->NoButton)->click();
        else
            d->reject();
    });
}

QStringList Messages(const test::ModalWatcher& watcher)
{
    QStringList seen;
    for (const QString& s : watcher.Seen) {
        if (!s.startsWith(u"Where") && !s.startsWith(u"Select"))
            seen << s.section(QLatin1Char('|'), 1).replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QChar(0x200B));
    }
    return seen;
}

void TypeLocation(TDirSelectorDialog* d, const QString& text)
{
    d->LocationBox->setFocus(Qt::TabFocusReason);
    d->LocationBox->setText(text);
    QTest::keyClick(d->LocationBox, Qt::Key_Return);
}

class DirselTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        SetErrorTitle(QStringLiteral("Halcyra Viewer"));
    }
    QString Path(const QString& relative) const { return m_temp.path() + QLatin1Char('/') + relative; }

    QTemporaryDir m_temp;
};

} // namespace

TEST_F(DirselTest, ATypedFolderIsCreatedOnRequestAndChosen)
{
    QString directory = m_temp.path();
    auto watcher = Answering(true);
    const bool ok = RunSelector(
        QStringLiteral("Where do you want to put the extracted files?"), directory, true, [&](TDirSelectorDialog* d) {
            EXPECT_EQ(d->windowTitle(), u"Where do you want to put the extracted files?");
            EXPECT_EQ(d->LocationBox->text(), m_temp.path());
            TypeLocation(d, Path(QStringLiteral("new/sub")));
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(directory, Path(QStringLiteral("new/sub")));
    EXPECT_TRUE(QDir(Path(QStringLiteral("new/sub"))).exists());
    ASSERT_EQ(Messages(watcher).size(), 1);
    EXPECT_EQ(
        Messages(watcher).first(), Path(QStringLiteral("new/sub")) + " does not exist! Do you want to create it?");
}

TEST_F(DirselTest, LocationsThatCannotBeUsedAreRefusedWithOneAlert)
{
    QFile(Path(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly);
    const struct {
        bool createAllowed;
        bool answer;
        QString typed;
        QString message;
    } cases[] = {
        { false, true, Path(QStringLiteral("absent")),
            Path(QStringLiteral("absent")) + " is not a valid location! A location must point to an existing folder." },
        { true, false, Path(QStringLiteral("declined")),
            Path(QStringLiteral("declined"))
                + " is not a valid location! A location must point to an existing folder." },
        { true, true, Path(QStringLiteral("file.txt/sub")), "Unable to create directory.  " + ErrorText(3) },
        // Where the system makes no folder, the alert says where and why.
        { true, true, QStringLiteral("/proc/hyview-new/sub"),
            "Unable to create directory.  No folder can be made in /proc: it belongs to a file system the system "
            "keeps for its own reports (like /proc and /sys)." },
        { true, true, Path(QStringLiteral("locked/new")),
            "Unable to create directory.  No folder can be made in " + Path(QStringLiteral("locked"))
                + ": you are not allowed to write to it." },
    };
    QDir().mkpath(Path(QStringLiteral("locked")));
    QFile::setPermissions(Path(QStringLiteral("locked")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const auto& c : cases) {
        if (c.typed.startsWith(u"/proc") && !QDir(QStringLiteral("/proc/self")).exists()) {
            std::cout << "no /proc here: its case is not run\n";
            continue;
        }
        if (c.typed.contains(u"locked") && ::geteuid() == 0) {
            std::cout << "running as root, who may write anywhere: the locked folder's case is not run\n";
            continue;
        }
        QString directory = m_temp.path();
        auto watcher = Answering(c.answer);
        bool listUnchanged = false, focusBack = false;
        const bool ok = RunSelector(QStringLiteral("Select"), directory, c.createAllowed, [&](TDirSelectorDialog* d) {
            TypeLocation(d, c.typed);
            listUnchanged = d->FileList->Directory() == m_temp.path();
            focusBack = d->focusWidget() == d->LocationBox;
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(directory, m_temp.path());
        EXPECT_TRUE(listUnchanged) << c.typed.toStdString();
        EXPECT_TRUE(focusBack) << c.typed.toStdString();
        const QStringList messages = Messages(watcher);
        ASSERT_FALSE(messages.isEmpty()) << c.typed.toStdString();
        EXPECT_EQ(messages.last(), c.message);
        // The question when creation is allowed, then exactly one alert.
        EXPECT_EQ(messages.size(), c.createAllowed ? 2 : 1);
        EXPECT_EQ(
            messages.filter(QStringLiteral("is not a valid location")).size(), c.answer && c.createAllowed ? 0 : 1);
        EXPECT_FALSE(QDir(c.typed).exists());
    }
}

TEST_F(DirselTest, WildcardsAreCutAndOkTakesTheListedFolder)
{
    QDir().mkpath(Path(QStringLiteral("conf/inner")));
    QString directory = m_temp.path();
    auto watcher = Answering(true);
    QString mask;
    const bool ok = RunSelector(QStringLiteral("Select"), directory, true, [&](TDirSelectorDialog* d) {
        TypeLocation(d, Path(QStringLiteral("conf/*.INI")));
        mask = d->FileList->FileMask();
        EXPECT_EQ(d->LocationBox->text(), Path(QStringLiteral("conf")));
        EXPECT_EQ(d->FileList->focusWidget(), d->FileList);
        d->OKButton->setFocus();
        d->OKButton->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(directory, Path(QStringLiteral("conf")));
    EXPECT_EQ(mask, u"*.*");
    EXPECT_TRUE(Messages(watcher).isEmpty());
}

TEST_F(DirselTest, DoubleClicksAndOkInTheListOnlyNavigate)
{
    QDir().mkpath(Path(QStringLiteral("a/child")));
    QDir().mkpath(Path(QStringLiteral("a/doomed")));
    QString directory = Path(QStringLiteral("a/child"));
    auto watcher = Answering(true);
    QStringList visited;
    const bool ok = RunSelector(QStringLiteral("Select"), directory, false, [&](TDirSelectorDialog* d) {
        TFileList* list = d->FileList;
        list->setFocus();
        list->SetItemIndex(list->Engine().FindEntry(ekParent, QStringLiteral("..")));
        d->OKButton->click();
        visited << list->Directory() << list->EntryName(list->ItemIndex());
        EXPECT_EQ(d->LocationBox->text(), Path(QStringLiteral("a")));
        EXPECT_TRUE(d->isVisible());

        // A folder that went away is reported, and the list stays where it was.
        const int doomed = list->Engine().FindEntry(ekDirectory, QStringLiteral("doomed"));
        QDir(Path(QStringLiteral("a/doomed"))).removeRecursively();
        list->SetItemIndex(doomed);
        Q_EMIT list->OnDblClick();
        visited << list->Directory();
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(visited, QStringList({ Path(QStringLiteral("a")), QStringLiteral("child"), Path(QStringLiteral("a")) }));
    ASSERT_EQ(Messages(watcher).size(), 1);
    EXPECT_TRUE(Messages(watcher).first().startsWith(Path(QStringLiteral("a/doomed"))));
}

TEST_F(DirselTest, OkWithAnEmptyLocationOnlyBeeps)
{
    QString directory = m_temp.path();
    bool stillOpen = false;
    RunSelector(QStringLiteral("Select"), directory, false, [&](TDirSelectorDialog* d) {
        d->LocationBox->clear();
        d->OKButton->setFocus();
        d->OKButton->click();
        stillOpen = d->isVisible();
    });
    EXPECT_TRUE(stillOpen);
}

TEST_F(DirselTest, CancelKeepsTheDirectoryAndStoresTheWindowAndOrder)
{
    QDir().mkpath(Path(QStringLiteral("c")));
    int helpContext = 0;
    const THelpHandler previous = SetHelpHandler([&](int context, QWidget*) { helpContext = context; });
    QString directory = Path(QStringLiteral("c"));
    QRect bounds;
    const bool ok = RunSelector(QStringLiteral("Select"), directory, false, [&](TDirSelectorDialog* d) {
        d->setGeometry(QRect(40, 50, 500, 320));
        bounds = QRect(d->pos(), d->size());
        d->InvertButton->click();
        EXPECT_EQ(d->FileList->ListOrder(), flInverted);
        d->HelpButton->click();
        d->FileList->SetDirectory(QStringLiteral(".."));
        d->CancelButton->click();
    });
    SetHelpHandler(previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(directory, Path(QStringLiteral("c")));
    EXPECT_EQ(helpContext, kDirSelectorHelpContext);
    platform::SettingsStore store;
    EXPECT_EQ(store.ReadString(QStringLiteral("Directory Browser"), QStringLiteral("WindowPos"), QString()),
        QStringLiteral("%1,%2,%3,%4").arg(bounds.x()).arg(bounds.y()).arg(bounds.width()).arg(bounds.height()));
    EXPECT_TRUE(store.ReadBool(QStringLiteral("File Browser"), QStringLiteral("InvertFileList"), false));

    // The next selector opens where this one was, in the same order.
    RunSelector(QStringLiteral("Select"), directory, false, [&](TDirSelectorDialog* d) {
        EXPECT_EQ(QRect(d->pos(), d->size()), bounds);
        EXPECT_EQ(d->FileList->ListOrder(), flInverted);
    });

    // A place off every screen is brought back onto one.
    store.WriteString(
        QStringLiteral("Directory Browser"), QStringLiteral("WindowPos"), QStringLiteral("30000,-9000,500,320"));
    store.Flush();
    RunSelector(QStringLiteral("Select"), directory, false, [&](TDirSelectorDialog* d) {
        const QRect area = d->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(QRect(d->pos(), d->size()))) << d->x() << "," << d->y();
    });
    store.WriteBool(QStringLiteral("File Browser"), QStringLiteral("InvertFileList"), false);
}
