// The input gate of long work: the user's input is held back, Esc asks to stop, and a modal dialog that
// the work raises still takes its input.
#include "common/InputGate.h"

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
        hy::TInputGate gate(stop);
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
