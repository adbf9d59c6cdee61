// Takes pictures of the main window and its dialogs for a person to look at (not a test):
//   hy_app_shots OUTDIR FILE...
// HY_SHOTS_DARK=1 gives the program a dark desktop palette first, as a dark desktop would.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Brview3.h"
#include "app/Compare.h"
#include "app/HelpWindow.h"
#include "app/Input.h"
#include "app/PrintDlg.h"
#include "app/Progress.h"
#include "core/viewer/HvCommands.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/Askmulti.h"
#include "ui/common/HelpHook.h"
#include "ui/launch/Brview6.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QPalette>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace hy::app;
using namespace hy::launch;
using namespace hy::print;
using namespace hy::settings;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.size() < 2)
        return 2;
    const QDir out(args.takeFirst());
    if (qEnvironmentVariableIntValue("HY_SHOTS_DARK") == 1) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::AlternateBase, QColor(40, 40, 40));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        dark.setColor(QPalette::Button, QColor(55, 55, 58));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(38, 79, 120));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
        dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
    }
    hy::common::SetHelpHandler(&ShowHelpContext);
    TMainForm form;
    form.resize(1100, 700);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    for (const QString& f : args)
        form.OpenFileInViewer(f, ViewMode::BySettings, false);
    form.TileVertical();
    if (TChildForm* c = form.Children().value(0)) {
        c->FileViewer()->SelectRange(2, 3, true, 20, 4);
    }
    if (TChildForm* c = form.Children().value(1)) {
        c->FileViewer()->SetInHexMode(true);
        c->ShowPage(hy::settings::PageKind::Text, 1);
        c->FileViewer()->SelectRange(1, 62, true, 66, 2);
    }
    QTest::qWait(300);
    form.grab().save(out.filePath("main.png"));

    TSearchState state;
    state.Text = "needle";
    TSearchDialog find(state, true, &form);
    find.show();
    QTest::qWait(100);
    find.grab().save(out.filePath("find.png"));

    TGetInputDialog input("Go to Line", "Enter new line number (1 to 531):", "12", 207, true, &form);
    input.show();
    QTest::qWait(100);
    input.grab().save(out.filePath("gotoline.png"));

    hy::common::TAlertDialog alert;
    alert.Prepare("Search Results", "Cannot find \"needle\" in \r/home/user/notes/a long file name.txt");
    alert.show();
    QTest::qWait(100);
    alert.grab().save(out.filePath("alert.png"));
    if (!args.isEmpty()) {
        TInfoDialog info(&form);
        info.Fill(QFileInfo(args.first()).absoluteFilePath());
        info.show();
        QTest::qWait(100);
        info.grab().save(out.filePath("info.png"));
    }

    THelpWindow* help = HelpWindow();
    help->ShowContext(200);
    QTest::qWait(200);
    help->grab().save(out.filePath("help.png"));
    help->close();

    TProgressReport progress(&form);
    progress.Start(1000);
    progress.Update("Comparing Files", "Errors: 1,234", 400);
    QTest::qWait(100);
    progress.grab().save(out.filePath("progress.png"));
    progress.Finish();

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(out.filePath("print.pdf"));
    TPrintSettings settings = form.Settings().Print;
    settings.FileName = "Report Notes.txt";
    settings.PrintSelectedText = 1;
    TPrintDialog print(settings, printer, false, &form);
    print.show();
    QTest::qWait(100);
    print.grab().save(out.filePath("print.png"));
    print.close();
    // The last file printed, for pdftoppm to picture.
    if (TChildForm* last = form.Children().value(form.Children().size() - 1)) {
        settings.PrintSelectedText = 0;
        settings.FileName = QFileInfo(last->FileName()).fileName();
        settings.TabSize = 8;
        // The picture of the page is made from this very file, run after run.
        TPrintOutputFiles output(out.filePath("print.pdf"), true);
        PrintText(form, *last, settings, printer, &output);
    }

    // Compare the open files: each question and the result are pictured and answered with their first button.
    int shot = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&]() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->grab().save(out.filePath(QStringLiteral("compare-%1.png").arg(++shot)));
        if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(dialog))
            ask->YesButton->click();
        else
            dialog->accept();
    });
    answer.start(200);
    if (form.Children().size() >= 2) {
        CompareFiles(form);
        QTest::qWait(300);
        form.grab().save(out.filePath("compared.png"));
    }
    // A large log given with HY_SHOTS_LOG: Ctrl+End while its lines are counted, and once they are.
    const QString log = qEnvironmentVariable("HY_SHOTS_LOG");
    if (!log.isEmpty() && form.OpenFileInViewer(log, ViewMode::BySettings, false)) {
        answer.stop();
        form.Children().constLast()->showMaximized();
        hy::viewer::THvFileViewer* v = form.Children().constLast()->FileViewer();
        v->SetInHexMode(false);
        form.Children().constLast()->ShowPage(hy::settings::PageKind::Text, 0);
        v->SetShowLineNumbers(true);
        v->ExecuteCommand(hy::viewer::ccLastPage);
        QTest::qWait(600);
        form.grab().save(out.filePath("counting.png"));
        for (int i = 0; i < 1200 && v->CountingLines(); ++i)
            QTest::qWait(100);
        QTest::qWait(400);
        form.grab().save(out.filePath("counted.png"));

        // Followed: three lines arrive, then the log is rotated.
        v->SetFollow(true);
        const hy::viewer::LineNumber before = v->LineTotal();
        {
            QFile f(log);
            if (f.open(QIODevice::Append))
                f.write("2024-06-01 00:00:01 WARN arrived while followed 1\n2024-06-01 00:00:02 WARN arrived while "
                        "followed 2\n2024-06-01 00:00:03 ERROR 7 arrived while followed: timeout\n");
        }
        for (int i = 0; i < 50 && v->LineTotal() < before + 3; ++i)
            QTest::qWait(100);
        form.grab().save(out.filePath("follow.png"));
        QFile::rename(log, log + ".1");
        {
            QFile f(log);
            if (f.open(QIODevice::WriteOnly))
                f.write("2024-06-01 00:01:00 INFO a new log after rotation\n");
        }
        for (int i = 0; i < 50 && v->LineTotal() > 5; ++i)
            QTest::qWait(100);
        QTest::qWait(200);
        form.grab().save(out.filePath("follow-rotated.png"));
        QFile::remove(log);
        QFile::rename(log + ".1", log);
    }

    // Five windows tiled, then cascaded, and the status bar with the character panel.
    form.Action(hy::app::TCommand::CloseAll)->trigger();
    QTest::qWait(100);
    for (int i = 0; i < 5; ++i)
        form.OpenFileInViewer(args.value(i % args.size()), i == 4 ? ViewMode::Hex : ViewMode::Standard, false);
    form.TileVertical();
    QTest::qWait(300);
    form.grab().save(out.filePath("tiled.png"));
    form.TileHorizontal();
    QTest::qWait(300);
    form.grab().save(out.filePath("tiled-horizontal.png"));
    form.Cascade();
    QTest::qWait(300);
    form.grab().save(out.filePath("cascade.png"));
    if (TChildForm* c = form.ActiveChild()) {
        c->ShowPage(hy::settings::PageKind::Text, 0);
        c->FileViewer()->MoveCaretTo(1, 2, false);
    }
    QTest::qWait(300);
    form.statusBar()->grab().save(out.filePath("statusbar.png"));

    // Many files opening: the progress in the status bar.
    form.Action(hy::app::TCommand::CloseAll)->trigger();
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << args.value(i % args.size()) + QStringLiteral("-copy-%1").arg(i);
    for (int i = 0; i < many.size(); ++i)
        QFile::copy(args.value(i % args.size()), many.at(i));
    bool taken = false;
    QObject::connect(form.statusBar(), &QStatusBar::messageChanged, &form, [&](const QString& m) {
        if (!taken && m.startsWith("Opening 2")) {
            taken = true;
            form.grab().save(out.filePath("opening.png"));
        }
    });
    form.OpenDroppedFiles(many);
    QTest::qWait(300);
    form.grab().save(out.filePath("opened.png"));
    for (const QString& name : many)
        QFile::remove(name);

    // Help asked for from a modal dialog, over that dialog: the whole screen.
    form.Action(hy::app::TCommand::CloseAll)->trigger();
    QTimer::singleShot(300, [&]() {
        if (auto* dialog = qobject_cast<TInfoDialog*>(QApplication::activeModalWidget())) {
            dialog->HelpButton->click();
            QTimer::singleShot(500, [dialog, out]() {
                QGuiApplication::primaryScreen()->grabWindow(0).save(out.filePath("help-over-dialog.png"));
                dialog->accept();
            });
        }
    });
    ShowFileInfo(QFileInfo(args.first()).absoluteFilePath(), &form);
    QTest::qWait(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(out.filePath("help-after-dialog.png"));
    return 0;
}
