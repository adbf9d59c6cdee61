// The alert, question and four-answer dialogs: real sizing, answers, cursor, exception texts, nesting.
// With HY_COMMON_SHOTS set to a folder, the prepared dialogs are also saved there as pictures.
#include "base/HyExceptions.h"
#include "common/ErrorText.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/Askmulti.h"
#include "ui/common/Balloon.h"
#include "ui/common/CursorScope.h"
#include "ui/common/HyImage.h"
#include "ui/common/PromptParts.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
using namespace hy::common;

namespace {

void SaveShot(QWidget* w, const QString& name)
{
    const QString folder = qEnvironmentVariable("HY_COMMON_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    w->grab().save(QDir(folder).filePath(name + ".png"));
}

// Runs action on the next modal window other than notThis, once it is up.
void OnNextModal(std::function<void(QWidget*)> action, QWidget* notThis = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, notThis] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == notThis)
            return;
        timer->stop();
        timer->deleteLater();
        action(w);
    });
    timer->start();
}

int LineHeight() { return QFontMetrics(hy::common::PromptFont()).height(); }

void ExpectPromptParts(const hy::common::TDialogLayout& layout, QWidget* dialog, hy::common::TBalloon* prompt,
    hy::common::THyImage* image, QLabel* test, const QString& message)
{
    EXPECT_EQ(dialog->size(), layout.client);
    EXPECT_EQ(prompt->geometry(), layout.prompt);
    EXPECT_EQ(image->geometry(), layout.picture);
    EXPECT_EQ(image->size(), QSize(59, 41));
    EXPECT_EQ(prompt->Caption(), hy::common::DisplayText(message));
    EXPECT_TRUE(test->text().isEmpty());
    // The balloon wraps its text no further than the measuring label did.
    const int lines = int(hy::common::DisplayText(message).count(QLatin1Char('\n'))) + 1;
    EXPECT_GE(prompt->TextHeight(), lines * LineHeight());
    EXPECT_LT(prompt->TextHeight(), (lines + 1) * LineHeight());
    if (layout.prompt.height() > 41) {
        EXPECT_EQ(prompt->TextHeight(), layout.prompt.height() - 16);
    }
    EXPECT_EQ(prompt->TextRect().width(), layout.prompt.width() - 2 * 8 - 12);
}

TEST(AlertDialog, OneWordMessage)
{
    hy::common::TAlertDialog d;
    d.Prepare(QStringLiteral("Title"), QStringLiteral("Hi"));
    const auto& l = d.Layout();
    ExpectPromptParts(l, &d, d.Prompt, d.Image1, d.Test, QStringLiteral("Hi"));
    EXPECT_EQ(d.windowTitle(), "Title");
    EXPECT_EQ(l.prompt.height(), 41);
    EXPECT_EQ(l.picture.topLeft(), QPoint(16, 16));
    EXPECT_EQ(d.Prompt->TextHeight(), LineHeight());
    EXPECT_GE(d.width(), d.OKButton->width() + 32);
    EXPECT_EQ(d.OKButton->geometry(), l.buttons.at(0));
    EXPECT_EQ(d.OKButton->y() + d.OKButton->height(), d.height() - 16);
    EXPECT_TRUE(d.OKButton->isDefault());
    SaveShot(&d, QStringLiteral("alert-short"));
}

TEST(AlertDialog, LongMessageMovesPicture)
{
    const QString message = QStringLiteral("Access denied! The file is set to Read Only, is currently in use\r\n"
                                           "by another application or the disk has been write protected.\r\r"
                                           "Line four\rLine five");
    hy::common::TAlertDialog d;
    d.Prepare(QStringLiteral("Halcyra Viewer"), message);
    const auto& l = d.Layout();
    ExpectPromptParts(l, &d, d.Prompt, d.Image1, d.Test, message);
    EXPECT_GT(l.prompt.height(), 41);
    EXPECT_EQ(d.Image1->y(), l.prompt.height() / 2 - 41 / 2 + 16);
    SaveShot(&d, QStringLiteral("alert-long"));
}

TEST(AlertDialog, OverlongLineWrapsWithinScreen)
{
    QString message;
    for (int i = 0; i < 200; ++i)
        message += QStringLiteral("word%1 ").arg(i);
    hy::common::TAlertDialog d;
    d.Prepare(QStringLiteral("Wide"), message);
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    EXPECT_LE(d.width(), screenWidth);
    EXPECT_GT(d.Prompt->TextHeight(), LineHeight());
    EXPECT_EQ(d.Prompt->height(), d.Prompt->TextHeight() + 16);
}

TEST(AskUserDialog, TwoAndThreeButtons)
{
    hy::common::TAskUserDialog two;
    two.Prepare(QStringLiteral("Question"), QStringLiteral("Do you want to stop the search?"), QStringLiteral("Yes"),
        QString(), QStringLiteral("No"));
    ExpectPromptParts(two.Layout(), &two, two.Prompt, two.Image1, two.Test, "Do you want to stop the search?");
    EXPECT_FALSE(two.CancelButton->isVisibleTo(&two));
    EXPECT_EQ(two.YesButton->text(), "Yes");
    EXPECT_EQ(two.NoButton->text(), "No");
    const int centre = two.width() / 2;
    EXPECT_EQ(two.YesButton->x() + two.YesButton->width(), centre - 4);
    EXPECT_EQ(two.NoButton->x(), centre + 4);
    EXPECT_EQ(two.YesButton->y(), two.height() - two.YesButton->height() - 16);
    EXPECT_EQ(two.NoButton->y(), two.YesButton->y());
    SaveShot(&two, QStringLiteral("askuser-2"));

    hy::common::TAskUserDialog three;
    three.Prepare(QStringLiteral("Open Archived File"), QStringLiteral("Hi?"), QStringLiteral("&Yes"),
        QStringLiteral("Cancel"), QStringLiteral("&No"));
    EXPECT_TRUE(three.CancelButton->isVisibleTo(&three));
    EXPECT_EQ(three.NoButton->x(), three.width() / 2 - three.NoButton->width() / 2);
    EXPECT_EQ(three.YesButton->x() + three.YesButton->width(), three.NoButton->x() - 4);
    EXPECT_EQ(three.CancelButton->x(), three.NoButton->x() + three.NoButton->width() + 4);
    EXPECT_GE(three.YesButton->x(), 16);
    EXPECT_LE(three.CancelButton->x() + three.CancelButton->width(), three.width() - 16);
    SaveShot(&three, QStringLiteral("askuser-3"));
}

TEST(AskMultiDialog, OneRowOfFour)
{
    hy::common::TAskMultiDialog d;
    d.Prepare(QStringLiteral("Extracting..."), QStringLiteral("The file \"A.TXT\" already exists in\ryour directory."));
    ExpectPromptParts(
        d.Layout(), &d, d.Prompt, d.Image1, d.Test, "The file \"A.TXT\" already exists in\ryour directory.");
    const QList<QPushButton*> row { d.YesButton, d.YesToAllButton, d.NoButton, d.CancelButton };
    const QStringList captions { "Yes", "Yes to &All", "&No", "Cancel" };
    for (int i = 0; i < row.size(); ++i) {
        EXPECT_EQ(row[i]->text(), captions[i]);
        EXPECT_EQ(row[i]->y(), d.height() - row[i]->height() - 16);
        if (i > 0) {
            EXPECT_EQ(row[i]->x(), row[i - 1]->x() + row[i - 1]->width() + 8);
        }
    }
    EXPECT_LE(std::abs(row.first()->x() - (d.width() - row.last()->x() - row.last()->width())), 1);
    SaveShot(&d, QStringLiteral("askmulti"));
}

TEST(Questions, Answers)
{
    struct Case {
        const char* what;
        std::function<void(QWidget*)> act;
        std::function<int()> ask;
        int expected;
    };
    const auto click = [](const char* name) {
        return [name](QWidget* w) {
            auto* b = w->findChild<QPushButton*>(QLatin1String(name));
            ASSERT_NE(b, nullptr);
            QTest::mouseClick(b, Qt::LeftButton);
        };
    };
    const auto closeBox = [](QWidget* w) { w->close(); };
    const auto key = [](Qt::Key k) { return [k](QWidget* w) { QTest::keyClick(w, k); }; };
    const auto yesNo = [] { return hy::common::AskYesNo("T", "Q?") ? 1 : 0; };
    const auto okCancel = [] { return hy::common::AskOkCancel("T", "Q?") ? 1 : 0; };
    const auto three = [] { return hy::common::AskUser("T", "Q?", "Yes", "Cancel", "No"); };
    const auto multi = [] { return hy::common::AskMulti("T", "Q?"); };
    const Case cases[] = {
        { "yes/no close box", closeBox, yesNo, 0 },
        { "yes/no Yes", click("YesButton"), yesNo, 1 },
        { "yes/no No", click("NoButton"), yesNo, 0 },
        { "yes/no Enter", key(Qt::Key_Return), yesNo, 1 },
        { "ok/cancel Ok", click("YesButton"), okCancel, 1 },
        { "ok/cancel Cancel", click("NoButton"), okCancel, 0 },
        { "three close box", closeBox, three, hy::common::mrCancel },
        { "three Escape", key(Qt::Key_Escape), three, hy::common::mrNo },
        { "three Cancel", click("CancelButton"), three, hy::common::mrCancel },
        { "three No", click("NoButton"), three, hy::common::mrNo },
        { "multi Yes", click("YesButton"), multi, hy::common::mrYes },
        { "multi Yes to All", click("YesToAllButton"), multi, hy::common::mrOk },
        { "multi No", click("NoButton"), multi, hy::common::mrNo },
        { "multi Cancel", click("CancelButton"), multi, hy::common::mrCancel },
        { "multi Escape", key(Qt::Key_Escape), multi, hy::common::mrCancel },
        { "multi close box", closeBox, multi, hy::common::mrCancel },
    };
    for (const auto& c : cases) {
        OnNextModal(c.act);
        EXPECT_EQ(c.ask(), c.expected) << c.what;
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Questions, DefaultCursorWhileWaiting)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Qt::CursorShape during = Qt::WaitCursor;
    OnNextModal([&during](QWidget* w) {
        during = QApplication::overrideCursor()->shape();
        w->close();
    });
    hy::common::AskYesNo("T", "Q?");
    EXPECT_EQ(during, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Questions, CursorScopesNestAndComeBackOnEveryWayOut)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        hy::common::TCursorScope busy;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        try {
            hy::common::TCursorScope arrow(Qt::ArrowCursor);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
            throw std::runtime_error("a question that failed");
        } catch (const std::runtime_error&) {
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct Shown {
    QString title;
    QString caption;
    bool alert = false;
};

// Runs show while recording what the next modal alert says; closes it.
Shown Capture(const std::function<void()>& show)
{
    Shown shown;
    OnNextModal([&shown](QWidget* w) {
        if (auto* alert = qobject_cast<hy::common::TAlertDialog*>(w)) {
            shown.alert = true;
            shown.caption = alert->Prompt->Caption();
        }
        shown.title = w->windowTitle();
        w->close();
    });
    show();
    return shown;
}

TEST(Alerts, ExceptionAndErrorTexts)
{
    hy::common::SetErrorTitle(QStringLiteral("Halcyra Viewer"));
    struct Case {
        std::function<void()> show;
        QString caption;
    };
    const Case cases[] = {
        { [] { hy::common::ShowException(hy::base::EInOutError("x", 3)); }, "Invalid filename or directory!" },
        { [] { hy::common::ShowException(hy::base::EOutOfMemory("x")); },
            hy::common::DisplayText(hy::common::OutOfMemoryText()) },
        { [] { hy::common::ShowException(std::bad_alloc()); }, hy::common::DisplayText(hy::common::OutOfMemoryText()) },
        { [] { hy::common::ShowException(hy::base::EInvalidPointer("x")); },
            hy::common::DisplayText(hy::common::InvalidPointerText()) },
        { [] { hy::common::ShowException(hy::base::Exception("Own message")); }, "Own message" },
        { [] { hy::common::ShowException(std::runtime_error("std message")); }, "std message" },
        { [] { hy::common::ShowErrorCode(-1000); }, "Unknown Error #-1000" },
        { [] { hy::common::ShowErrorCode(5); }, hy::common::DisplayText(hy::common::ErrorText(5)) },
        { [] { hy::common::ShowError("a\rb"); }, "a\nb" },
    };
    for (const auto& c : cases) {
        const Shown shown = Capture(c.show);
        EXPECT_TRUE(shown.alert);
        EXPECT_EQ(shown.title, "Halcyra Viewer");
        EXPECT_EQ(shown.caption, c.caption);
    }

    // An exception without text shows nothing.
    bool appeared = false;
    auto* guard = new QTimer;
    QObject::connect(guard, &QTimer::timeout, [&appeared] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            appeared = true;
            w->close();
        }
    });
    guard->start(5);
    hy::common::ShowException(hy::base::Exception(QString()));
    QTest::qWait(30);
    delete guard;
    EXPECT_FALSE(appeared);
}

TEST(Alerts, ProgramAlertIsReusedAndNestedAlertFallsBack)
{
    auto* program = new hy::common::TAlertDialog;
    ASSERT_EQ(hy::common::TAlertDialog::ProgramAlert(), program);
    QString innerText;
    bool innerWasMessageBox = false;
    OnNextModal([&](QWidget* outer) {
        EXPECT_EQ(outer, program);
        OnNextModal(
            [&](QWidget* inner) {
                auto* box = qobject_cast<QMessageBox*>(inner);
                innerWasMessageBox = box != nullptr;
                if (box)
                    innerText = box->text();
                inner->close();
            },
            outer);
        hy::common::ShowAlert(QStringLiteral("Inner"), QStringLiteral("second\ralert"));
        outer->close();
    });
    hy::common::ShowAlert(QStringLiteral("Outer"), QStringLiteral("first"));
    EXPECT_TRUE(innerWasMessageBox);
    EXPECT_EQ(innerText, "second\nalert");
    EXPECT_EQ(hy::common::TAlertDialog::ProgramAlert(), program);
    EXPECT_FALSE(program->isVisible());
    delete program;
    EXPECT_EQ(hy::common::TAlertDialog::ProgramAlert(), nullptr);
}

} // namespace

TEST(PromptText, LongPathsMayBreakAfterTheirSlashesAndShortTextStaysAsItIs)
{
    EXPECT_EQ(hy::common::PromptText("Cannot find \"x\".\rDone"), "Cannot find \"x\".\nDone");
    const QString path = "/home/user/a/very/long/folder/name/for/testing/the/balloon/file.txt";
    const QString shown = hy::common::PromptText("Cannot open " + path);
    EXPECT_TRUE(shown.startsWith("Cannot open /"));
    EXPECT_EQ(QString(shown).remove(QChar(0x200B)), "Cannot open " + path);
    EXPECT_EQ(shown.count(QChar(0x200B)), path.count('/'));
}
