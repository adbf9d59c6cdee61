// Answers the modal dialogs that commands raise during a test, and remembers what they said.
#pragma once

#include "support/QtPrinters.h"
#include "ui/common/Balloon.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace hy::test {

class ModalWatcher : public QObject {
public:
    // answer decides how to close each dialog; the default rejects it (Cancel, No, close box).
    explicit ModalWatcher(std::function<void(QDialog*)> answer = {})
        : m_answer(std::move(answer))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::Check);
        m_timer.start(10);
    }

    // "title|text" of every dialog seen, in order.
    QStringList Seen;

private:
    void Check()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == m_last)
            return;
        m_last = dialog;
        QString text;
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            text = box->text();
        for (hy::common::TBalloon* b : dialog->findChildren<hy::common::TBalloon*>()) {
            if (text.isEmpty())
                text = b->Caption();
        }
        if (text.isEmpty()) {
            for (QLabel* l : dialog->findChildren<QLabel*>()) {
                if (!l->text().isEmpty()) {
                    text = l->text();
                    break;
                }
            }
        }
        Seen << dialog->windowTitle() + QLatin1Char('|') + text;
        QDialog* d = dialog;
        QTimer::singleShot(0, d, [this, d]() {
            m_last = nullptr;
            if (m_answer)
                m_answer(d);
            else
                d->reject();
        });
    }

    std::function<void(QDialog*)> m_answer;
    QTimer m_timer;
    QDialog* m_last = nullptr;
};

// A window of the program of type W: one on show if there is one, else any that exists, else none.
template <class W> W* FindWindow()
{
    W* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<W*>(w); t && (!found || t->isVisible()))
            found = t;
    }
    return found;
}

// Once the event loop runs (inside the modal dialog's exec), plays the script on the Dialog on show: shown
// and active first; a dialog still open afterwards is cancelled, so that a failing script cannot hang the
// test.
template <class Dialog> void PlayOnModal(std::function<void(Dialog*)> script)
{
    QTimer::singleShot(0, [script = std::move(script)]() {
        Dialog* d = FindWindow<Dialog>();
        if (!d)
            return;
        if (QTest::qWaitForWindowExposed(d)) {
            d->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        }
        script(d);
        if (FindWindow<Dialog>() == d && d->isVisible())
            d->reject();
    });
}

} // namespace hy::test
