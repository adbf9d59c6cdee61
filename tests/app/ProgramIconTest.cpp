// The program's own icon on its windows: the main window, a viewer window, an alert and the help window
// all carry it, in every size it is drawn in, instead of the toolkit's default.
#include "app/ProgramIcon.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/HelpWindow.h"
#include "ui/common/Alert.h"

#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;

namespace {
QImage At32(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

TEST(ProgramIcon, EveryWindowCarriesTheProgramsOwnIcon)
{
    const QIcon icon = ProgramIcon();
    for (int size : kProgramIconSizes) {
        const QImage drawn(QStringLiteral(":/icons/halcyra-viewer-%1.png").arg(size));
        ASSERT_EQ(drawn.size(), QSize(size, size)) << size;
        EXPECT_EQ(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << size;
    }

    const QIcon saved = QApplication::windowIcon();
    QApplication::setWindowIcon(icon);
    const QImage expected = At32(icon);
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("a.txt");
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("text\n");
        f.close();
        TMainForm form;
        form.show();
        ASSERT_TRUE(form.OpenFileInViewer(name, ViewMode::BySettings, false));
        TChildForm* child = form.Children().value(0);
        ASSERT_NE(child, nullptr);
        hy::common::TAlertDialog alert;
        THelpWindow help;
        const QList<QWidget*> windows = { &form, form.FrameOf(child), &alert, &help };
        for (QWidget* w : windows)
            EXPECT_EQ(At32(w->windowIcon()), expected) << w->metaObject()->className();
    }
    QApplication::setWindowIcon(saved);
}
