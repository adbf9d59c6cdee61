// Opening many files at once as tabs beside opening a few, in the main window shown offscreen at 1280 x 900 with
// settings of its own (a first start: tabs): from the first open until the window has painted with the last file's tab
// in front, divided by the number of files. Two hundred files should cost each no more than five do.
//   hy_tabs_bench <work dir>     writes 200 small logs there, measures, prints "RATIO <name> <value>" lines
#include "BenchTools.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/MainActions.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

using namespace hy::app;
using namespace hy::bench;

namespace {

constexpr int kMany = 200;
constexpr int kFew = 5;
constexpr int kRuns = 3;

QStringList MakeLogs(const QString& dir)
{
    QStringList names;
    for (int i = 0; i < kMany; ++i) {
        const QString name = QStringLiteral("%1/service-%2.log").arg(dir).arg(i, 3, 10, QLatin1Char('0'));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        QByteArray text;
        for (int line = 0; line < 200; ++line)
            text += QByteArray("2024-05-01 12:00:") + QByteArray::number(line % 60) + " INFO worker-"
                + QByteArray::number(i) + " served request " + QByteArray::number(line) + "\n";
        f.write(text);
        names << name;
    }
    return names;
}

// Lets the event loop finish what the opens queued (status, tabs, the first reads) and paints the window.
void Settle(TMainForm& form)
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    form.repaint();
}

// Milliseconds per file to open the first n names at once (as named on the command line or chosen together in
// the selector), or one after another (as dropped or handed over one at a time), and see them painted; then
// closes them all.
double OpenEach(TMainForm& form, const QStringList& names, int n, bool oneByOne)
{
    const double seconds = Seconds([&] {
        if (oneByOne) {
            for (int i = 0; i < n; ++i)
                form.OpenFileInViewer(names.at(i), hy::settings::ViewMode::BySettings, false);
        } else {
            form.OpenFiles(names.mid(0, n), false);
        }
        Settle(form);
    });
    const QList<TChildForm*> children = form.Children();
    if (children.size() != n || form.ActiveChild() != children.last())
        std::fprintf(stderr, "%d windows open (not %d), the last %s in front\n", int(children.size()), n,
            form.ActiveChild() == children.value(children.size() - 1) ? "is" : "is not");
    form.Action(TCommand::CloseAll)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle(form);
    return seconds * 1e3 / n;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    // Settings of the benchmark's own, so that a first start (tabs) is what is measured.
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList names = MakeLogs(dir);
    if (names.size() != kMany) {
        std::fprintf(stderr, "cannot write the logs in %s\n", argv[1]);
        return 2;
    }
    TMainForm form;
    form.resize(1280, 900);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form) || !form.TabbedWindows()) {
        std::fprintf(stderr, "the main window did not show in tabs\n");
        return 2;
    }
    for (const bool oneByOne : { false, true }) {
        OpenEach(form, names, kFew, oneByOne);
        double few = 1e30;
        double many = 1e30;
        for (int run = 0; run < kRuns; ++run) {
            few = std::min(few, OpenEach(form, names, kFew, oneByOne));
            many = std::min(many, OpenEach(form, names, kMany, oneByOne));
        }
        const std::string how = oneByOne ? "_one_by_one" : "";
        std::fprintf(stderr, "opening as tabs%s, to the painted window: %.2f ms a file for %d files, %.2f ms for %d\n",
            oneByOne ? " one by one" : " at once", few, kFew, many, kMany);
        Ratio(("tabs_ms_per_file_5" + how).c_str(), few);
        Ratio(("tabs_ms_per_file_200" + how).c_str(), many);
        Ratio(("tabs_200_over_5" + how).c_str(), many / few);
    }
    return 0;
}
