// End-to-end figures of the viewer in the program's main window (offscreen unless QT_QPA_PLATFORM names a
// screen), each timed from the key or the command to its final state on screen, beside the tool a person would
// use instead, ours and the tool's taken in turn (the best of three each):
//   count_e2e_vs_wc        Ctrl+End on a 1 GiB log of 64-byte lines until the exact line count is in the
//                          status bar / wc -l
//   count_cold_e2e_vs_wc   the same with the log's pages dropped from the page cache before each run of either
//   regex_scan_vs_grep     a regular expression with no match over that log, to "Cannot find" / grep -c -E
//   all_windows_find_vs_grep   Search All Open Files over five such logs, each in a window, text absent, to the
//                          last "Cannot find" / grep -c -F over the five files
#include "BenchTools.h"
#include "ViewerData.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/MainActions.h"
#include "core/settings/ViewRules.h"
#include "ui/common/Alert.h"
#include "ui/common/Balloon.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

using namespace hy::app;
using namespace hy::bench;

namespace {

constexpr int kRuns = 3;
constexpr qint64 kLogSize = qint64(1) << 30;
constexpr int kWindows = 5;

// Answers every alert as soon as it shows (the user's OK) and keeps its text.
class AlertAnswerer : public QObject {
public:
    AlertAnswerer() { qApp->installEventFilter(this); }
    ~AlertAnswerer() override { qApp->removeEventFilter(this); }
    QStringList Texts;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* alert = qobject_cast<hy::common::TAlertDialog*>(object);
        if (alert && event->type() == QEvent::Show) {
            Texts << alert->Prompt->Caption();
            QTimer::singleShot(0, alert, &QDialog::accept);
        }
        return false;
    }
};

// Lets the event loop finish what the last command queued and paints the window.
void Settle(TMainForm& form)
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    form.repaint();
}

void CloseAll(TMainForm& form)
{
    form.Action(TCommand::CloseAll)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle(form);
}

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(2);
}

void Open(TMainForm& form, const std::vector<std::string>& paths)
{
    CloseAll(form);
    QStringList names;
    for (const std::string& p : paths)
        names << QString::fromStdString(p);
    if (form.OpenFiles(names, false) != int(paths.size()) || form.Children().size() != int(paths.size()))
        Fail("the logs did not open");
    Settle(form);
}

// Ctrl+End in a window just opened until the status bar shows the exact total and is painted.
double CountEnd(TMainForm& form, const std::string& path, qint64 total, bool cold)
{
    Open(form, { path });
    hy::viewer::THvFileViewer* v = form.ActiveChild()->FileViewer();
    if (cold)
        DropFromCache(path);
    const QString want = hy::settings::LineCountText(total, false);
    bool counting = false;
    const double seconds = Seconds([&] {
        QTest::keyClick(v, Qt::Key_End, Qt::ControlModifier);
        counting = v->CountingLines();
        while (!form.InfoPanel()->text().contains(want))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form.statusBar()->repaint();
    });
    if (v->LineTotal() != total)
        Fail("the count differs from wc -l");
    // A count that was in before the key measured nothing.
    return counting ? seconds : -1;
}

// The Find command's search in a window just opened (or every window), until its last alert is answered.
double FindEnd(TMainForm& form, const std::vector<std::string>& paths, const TSearchState& search,
    AlertAnswerer& alerts, const QString& expect)
{
    Open(form, paths);
    alerts.Texts.clear();
    form.SearchState() = search;
    const double seconds = Seconds([&] {
        form.RunFind();
        form.repaint();
    });
    if (alerts.Texts.size() != int(paths.size()))
        Fail("the search showed another number of alerts");
    for (const QString& text : alerts.Texts) {
        if (!text.startsWith(expect)) {
            std::fprintf(stderr, "the search said: %s\n", qPrintable(text));
            std::exit(2);
        }
    }
    return seconds;
}

std::vector<std::string> WithFiles(std::vector<std::string> args, const std::vector<std::string>& files)
{
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

int CountFigures(TMainForm& form, const std::string& log)
{
    const std::string wcOut = ToolOutput({ "wc", "-l", log });
    const qint64 total = std::atoll(wcOut.c_str()) + 1; // the file ends with a line end
    PrintToolVersion("wc");
    CountEnd(form, log, total, false);
    const std::vector<double> warm = Race(kRuns,
        { [&] { CountEnd(form, log, total, false); },
            [&] {
                RunTool({ "wc", "-l", log });
            } });
    // Each cold run drops the file's pages first, outside the time taken.
    double oursCold = 1e30;
    double wcCold = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const double cold = CountEnd(form, log, total, true);
        if (cold < 0) {
            std::fprintf(stderr, "count_cold_e2e_vs_wc: not measured, the count was in before Ctrl+End\n");
            return 0;
        }
        oursCold = std::min(oursCold, cold);
        DropFromCache(log);
        wcCold = std::min(wcCold, Seconds([&] { RunTool({ "wc", "-l", log }); }));
    }
    ToolOutput({ "cat", log });
    std::fprintf(stderr, "Ctrl+End to the painted count: ours %.0f ms warm, %.0f ms cold; wc -l %.0f / %.0f ms\n",
        warm[0] * 1e3, oursCold * 1e3, warm[1] * 1e3, wcCold * 1e3);
    Ratio("count_e2e_vs_wc", warm[1] / warm[0]);
    Ratio("count_cold_e2e_vs_wc", wcCold / oursCold);
    return 0;
}

int RegexFigure(TMainForm& form, const std::string& log, AlertAnswerer& alerts)
{
    const std::string pattern = "ERROR [0-9]+ .*timeout";
    TSearchState search;
    search.Text = QString::fromStdString(pattern);
    search.MatchCase = true;
    search.Regex = true;
    const QString expect = QStringLiteral("Cannot find \"%1\".").arg(search.Text);
    PrintToolVersion("grep");
    const std::vector<double> best = Race(kRuns,
        { [&] { FindEnd(form, { log }, search, alerts, expect); },
            [&] {
                RunTool({ "grep", "-c", "-E", pattern, log });
            } });
    std::fprintf(stderr, "regular expression, no match, to the alert: ours %.0f ms; grep -c -E %.0f ms\n",
        best[0] * 1e3, best[1] * 1e3);
    Ratio("regex_scan_vs_grep", best[1] / best[0]);
    return 0;
}

int AllWindowsFigure(TMainForm& form, const std::vector<std::string>& logs, AlertAnswerer& alerts)
{
    TSearchState search;
    search.Text = QStringLiteral("INFO worker-64 ");
    search.MatchCase = true;
    search.AllFiles = true;
    const QString expect = QStringLiteral("Cannot find \"%1\" in ").arg(search.Text);
    for (const std::string& log : logs)
        ToolOutput({ "cat", log });
    PrintToolVersion("grep");
    const std::vector<double> best = Race(kRuns,
        { [&] { FindEnd(form, logs, search, alerts, expect); },
            [&] {
                RunTool(WithFiles({ "grep", "-c", "-F", search.Text.toStdString() }, logs));
            } });
    std::fprintf(stderr, "Search All Open Files, %d x 1 GiB, text absent: ours %.0f ms; grep -c -F %.0f ms\n",
        int(logs.size()), best[0] * 1e3, best[1] * 1e3);
    Ratio("all_windows_find_vs_grep", best[1] / best[0]);
    return 0;
}

} // namespace

namespace hy::bench {

int ViewerAppFigures(const std::string& dir, const std::string& only)
{
    std::vector<std::string> logs;
    const int files = only == "count_e2e" || only == "regex_e2e" ? 1 : kWindows;
    for (int i = 0; i < files; ++i) {
        logs.push_back(dir + "/window" + std::to_string(i + 1) + ".log");
        MakeLog64(logs.back(), kLogSize, 7 + unsigned(i));
    }
    TMainForm form;
    form.resize(1280, 900);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        Fail("the main window did not show");
    // Every run opens its log anew: a window that came back at the line it was left at (the last, after Ctrl+End)
    // would have its lines counted while it opens, and the key would find the count already in.
    QAction* reopen = form.Action(TCommand::ReopenAtLastPlace);
    if (reopen->isChecked())
        reopen->trigger();
    AlertAnswerer alerts;
    ToolOutput({ "cat", logs.front() });
    int result = 0;
    if (only.empty() || only == "e2e" || only == "count_e2e")
        result = CountFigures(form, logs.front());
    if (result == 0 && (only.empty() || only == "e2e" || only == "regex_e2e"))
        result = RegexFigure(form, logs.front(), alerts);
    if (result == 0 && (only.empty() || only == "e2e" || only == "all_windows"))
        result = AllWindowsFigure(form, logs, alerts);
    CloseAll(form);
    return result;
}

} // namespace hy::bench
