// The input gate of long work: the user's input is held back, Esc asks to stop, and a modal dialog that
// the work raises still takes its input.
#include "ui/common/InputGate.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(InputGate, HoldsInputButLetsEscAndModalDialogsThrough)
{
    QLineEdit window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bool stop = false;
    QString typedInDialog;
    {
        hy::common::TInputGate gate(stop);
        QTest::keyClicks(&window, "held");
        EXPECT_EQ(window.text(), QString()) << "typing waits until the work ends";
        EXPECT_FALSE(stop);

        // An alert raised by the work must be answerable, or the work never goes on.
        QDialog dialog;
        auto* edit = new QLineEdit(&dialog);
        QTimer::singleShot(0, &dialog, [&]() {
            QTest::keyClicks(edit, "ok");
            typedInDialog = edit->text();
            dialog.accept();
        });
        // A dialog that takes no input would wait for good.
        QTimer::singleShot(5000, &dialog, &QDialog::reject);
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_FALSE(stop) << "keys typed into the dialog are not Esc";

        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(stop);
    }
    EXPECT_EQ(typedInDialog, "ok");
    QTest::keyClicks(&window, "free");
    EXPECT_EQ(window.text(), "free") << "the gate is gone with its work";
}

namespace {
// Counts the paints it is asked for.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};
} // namespace

TEST(InputGate, HoldingSomeWindowsLeavesTheOthersWorking)
{
    QWidget held;
    auto* heldEdit = new QLineEdit(&held);
    auto* frozen = new PaintCounter;
    frozen->setParent(&held);
    held.show();
    QLineEdit other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&held));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    bool stop = false;
    {
        hy::common::TInputGate gate(stop, { heldEdit }, frozen);
        QTest::keyClicks(heldEdit, "held");
        EXPECT_EQ(heldEdit->text(), QString()) << "typing into a held window waits";
        QTest::keyClicks(&other, "free");
        EXPECT_EQ(other.text(), "free") << "a window the work does not hold takes input";

        // A dialog raised meanwhile takes its input, and the held window still takes none.
        QDialog dialog;
        auto* dialogEdit = new QLineEdit(&dialog);
        QTimer::singleShot(0, &dialog, [&]() {
            QTest::keyClicks(heldEdit, "late");
            QTest::keyClicks(dialogEdit, "ok");
            dialog.accept();
        });
        QTimer::singleShot(5000, &dialog, &QDialog::reject);
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialogEdit->text(), "ok");
        EXPECT_EQ(heldEdit->text(), QString()) << "a modal dialog does not open the held window";

        const int paintsBefore = frozen->paints;
        frozen->repaint();
        EXPECT_EQ(frozen->paints, paintsBefore) << "the frozen widget keeps its pixels";

        QTest::keyClick(&other, Qt::Key_Escape);
        EXPECT_FALSE(stop) << "Esc in another window is that window's";
        QTest::keyClick(heldEdit, Qt::Key_Escape);
        EXPECT_TRUE(stop);
    }
    const int paintsAfter = frozen->paints;
    frozen->repaint();
    EXPECT_GT(frozen->paints, paintsAfter);
    QTest::keyClicks(heldEdit, "now");
    EXPECT_EQ(heldEdit->text(), "now") << "the gate is gone with its work";
}
