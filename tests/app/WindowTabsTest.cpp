// The viewer windows as tabs: the switch and its setting, the tabs' names and tips, moving, cycling and
// closing them, the arrangements and Compare leaving them, and new windows coming to the front.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "platform/SettingsStore.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;
using hy::test::ModalWatcher;

namespace {

class WindowTabs : public hy::test::MainFormTest {
protected:
    QTabBar* Tabs() const { return m_form->WindowTabs(); }
    // The window whose tab is the current one.
    TChildForm* CurrentTabWindow() const
    {
        const QList<QMdiSubWindow*> frames = m_form->ClientArea()->subWindowList(QMdiArea::CreationOrder);
        const int current = Tabs()->currentIndex();
        return current < 0 || current >= frames.size() ? nullptr
                                                       : qobject_cast<TChildForm*>(frames.at(current)->widget());
    }
    QStringList TabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Tabs()->count(); ++i)
            texts << Tabs()->tabText(i);
        return texts;
    }
    void OpenFiles(const QStringList& names)
    {
        for (const QString& name : names)
            ASSERT_TRUE(m_form->OpenFileInViewer(Make(name, name.toUtf8() + "\n"), ViewMode::BySettings, false));
    }
};

} // namespace

TEST_F(WindowTabs, AFirstStartShowsTabsAndTheChoiceIsKeptForTheNextStart)
{
    EXPECT_TRUE(m_form->TabbedWindows());
    EXPECT_TRUE(m_form->Action(TCommand::TabbedWindows)->isChecked());
    ASSERT_NE(Tabs(), nullptr);
    OpenFiles({ "a.txt", "b.txt" });
    EXPECT_TRUE(m_form->FrameOf(m_form->Children().last())->isMaximized()) << "a tab fills the client area";

    // Off: free windows of their own size, and no tab bar.
    m_form->Action(TCommand::TabbedWindows)->trigger();
    EXPECT_FALSE(m_form->TabbedWindows());
    EXPECT_EQ(Tabs(), nullptr);
    for (TChildForm* c : m_form->Children()) {
        QMdiSubWindow* frame = m_form->FrameOf(c);
        EXPECT_FALSE(frame->isMaximized());
        EXPECT_TRUE(m_form->ClientArea()->viewport()->rect().contains(frame->geometry()));
    }
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().last()) << "the window in front stays in front";
    m_form->close();
    {
        hy::platform::SettingsStore store;
        EXPECT_EQ(store.ReadString("File Viewer", "TabbedWindows", ""), "0");
    }
    TMainForm again;
    again.show();
    EXPECT_FALSE(again.TabbedWindows());
    EXPECT_FALSE(again.Action(TCommand::TabbedWindows)->isChecked());
    // And on again.
    again.Action(TCommand::TabbedWindows)->trigger();
    EXPECT_TRUE(again.TabbedWindows());
    again.close();
    hy::platform::SettingsStore store;
    EXPECT_EQ(store.ReadString("File Viewer", "TabbedWindows", ""), "1");
}

TEST_F(WindowTabs, TabsAreNamedAfterTheirFilesAndFollowTheirWindowsWhenMoved)
{
    OpenFiles({ "first.txt", "second.log", "third.txt" });
    EXPECT_EQ(TabTexts(), QStringList({ "first.txt", "second.log", "third.txt" }));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Tabs()->tabToolTip(i), m_form->Children().at(i)->FileName()) << "the full name is the tip";
    EXPECT_TRUE(Tabs()->isMovable());

    // Dragged to the front, a tab keeps its name and still shows its own window.
    Tabs()->moveTab(2, 0);
    EXPECT_EQ(TabTexts(), QStringList({ "third.txt", "first.txt", "second.log" }));
    EXPECT_EQ(Tabs()->tabToolTip(0), m_form->Children().at(2)->FileName());
    Tabs()->setCurrentIndex(0);
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().at(2));
    Tabs()->setCurrentIndex(2);
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().at(1));

    // Leaving tabs and coming back names them again.
    m_form->SetTabbedWindows(false);
    m_form->SetTabbedWindows(true);
    EXPECT_EQ(TabTexts(), QStringList({ "third.txt", "first.txt", "second.log" }));
}

TEST_F(WindowTabs, TheCaptionNamesTheCurrentTabsFile)
{
    const QString plain = QString::fromLatin1(TMainForm::kProgramTitle);
    EXPECT_EQ(m_form->windowTitle(), plain);
    OpenFiles({ "first.txt", "second.log" });
    const auto named = [&](int i) { return plain + " - [" + m_form->Children().at(i)->FileName() + "]"; };
    EXPECT_EQ(m_form->windowTitle(), named(1));
    Tabs()->setCurrentIndex(0);
    EXPECT_EQ(m_form->windowTitle(), named(0));

    // Free windows that are not maximised leave the caption alone; back in tabs it names the tab again.
    m_form->SetTabbedWindows(false);
    EXPECT_EQ(m_form->windowTitle(), plain);
    m_form->SetTabbedWindows(true);
    EXPECT_EQ(m_form->windowTitle(), named(0));

    m_form->Action(TCommand::CloseAll)->trigger();
    HY_ASSERT_SOON(m_form->Children().isEmpty());
    EXPECT_EQ(m_form->windowTitle(), plain);
}

TEST_F(WindowTabs, TheCurrentTabClosesByItsButtonAndAnyTabByAMiddleClick)
{
    OpenFiles({ "a.txt", "b.txt", "c.txt" });
    const auto* close = Tabs()->findChild<QToolButton*>("TabCloseButton");
    ASSERT_NE(close, nullptr);
    const QTabBar::ButtonPosition side
        = QTabBar::ButtonPosition(Tabs()->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, Tabs()));
    EXPECT_EQ(Tabs()->tabButton(2, side), close) << "the button stands on the current tab";
    Tabs()->setCurrentIndex(0);
    EXPECT_EQ(Tabs()->tabButton(0, side), close);
    EXPECT_EQ(Tabs()->tabButton(2, side), nullptr);

    QTest::mouseClick(const_cast<QToolButton*>(close), Qt::LeftButton);
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 2);
    EXPECT_EQ(TabTexts(), QStringList({ "b.txt", "c.txt" }));
    QCoreApplication::processEvents();
    const auto* moved = Tabs()->findChild<QToolButton*>("TabCloseButton");
    ASSERT_NE(moved, nullptr) << "the button goes on to the tab that is current now";
    EXPECT_EQ(Tabs()->tabButton(Tabs()->currentIndex(), side), moved);

    // A middle click closes the tab under the pointer, current or not.
    const int other = Tabs()->currentIndex() == 0 ? 1 : 0;
    const QString kept = Tabs()->tabText(1 - other);
    QTest::mouseClick(Tabs(), Qt::MiddleButton, {}, Tabs()->tabRect(other).center());
    HY_ASSERT_EQ_SOON(m_form->Children().size(), 1);
    EXPECT_EQ(TabTexts(), QStringList({ kept }));
}

TEST_F(WindowTabs, CtrlTabAndCtrlShiftTabCycleThroughTheTabs)
{
    OpenFiles({ "a.txt", "b.txt", "c.txt" });
    const QList<TChildForm*> children = m_form->Children();
    ASSERT_EQ(CurrentTabWindow(), children.at(2));
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get();
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(CurrentTabWindow(), children.at(0)) << "past the last tab comes the first";
    focus = QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get();
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(CurrentTabWindow(), children.at(1));
    focus = QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get();
    QTest::keyClick(focus, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(CurrentTabWindow(), children.at(0));
    EXPECT_EQ(m_form->ActiveChild(), children.at(0));
}

TEST_F(WindowTabs, ArrangementsLeaveTabsForFreeWindowsAndPlaceThem)
{
    for (const TCommand command :
        { TCommand::Cascade, TCommand::TileVertical, TCommand::TileHorizontal, TCommand::ArrangeIcons }) {
        m_form->SetTabbedWindows(true);
        if (m_form->Children().isEmpty())
            OpenFiles({ "a.txt", "b.txt" });
        m_form->Action(command)->trigger();
        SCOPED_TRACE(int(command));
        EXPECT_FALSE(m_form->TabbedWindows());
        EXPECT_FALSE(m_form->Action(TCommand::TabbedWindows)->isChecked());
        const QRect area = m_form->ClientArea()->viewport()->rect();
        for (TChildForm* c : m_form->Children()) {
            const QMdiSubWindow* frame = m_form->FrameOf(c);
            EXPECT_FALSE(frame->isMaximized());
            EXPECT_TRUE(area.contains(frame->geometry()));
            EXPECT_TRUE(frame->isVisible());
        }
    }
    // Tiled side by side, the two windows share the area's width.
    m_form->SetTabbedWindows(true);
    m_form->Action(TCommand::TileVertical)->trigger();
    const QRect area = m_form->ClientArea()->viewport()->rect();
    EXPECT_EQ(m_form->FrameOf(m_form->Children().at(0))->width() + m_form->FrameOf(m_form->Children().at(1))->width(),
        area.width());
}

TEST_F(WindowTabs, CompareShowsItsFilesTiledAndSaysSo)
{
    OpenFiles({ "a.txt", "b.txt" });
    {
        ModalWatcher watcher([](QDialog* d) { d->accept(); });
        m_form->Action(TCommand::Compare)->trigger();
        ASSERT_EQ(watcher.Seen.size(), 1);
    }
    EXPECT_FALSE(m_form->TabbedWindows());
    EXPECT_TRUE(m_form->statusBar()->currentMessage().contains("Tabbed Windows"))
        << m_form->statusBar()->currentMessage().toStdString();
    const int top0 = m_form->FrameOf(m_form->Children().at(0))->y();
    const int top1 = m_form->FrameOf(m_form->Children().at(1))->y();
    EXPECT_NE(top0, top1) << "one above the other";

    // Free windows compared again: nothing to tell.
    m_form->statusBar()->clearMessage();
    {
        ModalWatcher watcher([](QDialog* d) { d->accept(); });
        m_form->Action(TCommand::Compare)->trigger();
    }
    EXPECT_TRUE(m_form->statusBar()->currentMessage().isEmpty());
}

TEST_F(WindowTabs, NewAndNamedWindowsComeToTheFront)
{
    OpenFiles({ "a.txt", "b.txt" });
    const QList<TChildForm*> first = m_form->Children();
    EXPECT_EQ(CurrentTabWindow(), first.at(1));

    // A file shown already brings its tab forward.
    EXPECT_FALSE(m_form->OpenFileInViewer(first.at(0)->FileName(), ViewMode::BySettings, false));
    EXPECT_EQ(CurrentTabWindow(), first.at(0));

    // A drop, or names handed over by a second start: the last of them in front.
    m_form->OpenDroppedFiles({ Make("c.txt", "c\n"), Make("d.txt", "d\n") });
    ASSERT_EQ(m_form->Children().size(), 4);
    EXPECT_EQ(CurrentTabWindow(), m_form->Children().at(3));
    EXPECT_EQ(m_form->ActiveChild(), m_form->Children().at(3));
    EXPECT_TRUE(Tabs()->isVisible());
    EXPECT_EQ(Tabs()->count(), 4);

    // The Window menu's list activates tabs as it does free windows.
    QMenu* windowMenu = qobject_cast<QMenu*>(m_form->Action(TCommand::TabbedWindows)->associatedObjects().first());
    ASSERT_NE(windowMenu, nullptr);
    Q_EMIT windowMenu->aboutToShow();
    QAction* second = nullptr;
    for (QAction* a : windowMenu->actions()) {
        if (a->text().startsWith("&2 "))
            second = a;
    }
    ASSERT_NE(second, nullptr);
    second->trigger();
    EXPECT_EQ(CurrentTabWindow(), first.at(1));

    // The command interface's window comes to the front for each file it is given.
    QPointer<TChildForm> dde;
    ASSERT_TRUE(m_form->OpenFileInDdeViewer(dde, Make("e.txt", "e\n")));
    EXPECT_EQ(CurrentTabWindow(), dde.data());
    EXPECT_EQ(Tabs()->tabText(Tabs()->currentIndex()), "e.txt");
    Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(m_form->OpenFileInDdeViewer(dde, Make("f.txt", "f\n")));
    EXPECT_EQ(CurrentTabWindow(), dde.data());
    EXPECT_EQ(Tabs()->tabText(Tabs()->currentIndex()), "f.txt") << "the reused window's tab takes the new name";
}
