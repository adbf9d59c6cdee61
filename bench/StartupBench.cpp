// Start-up as the user waits for it: from starting the program with a 1 KB file until the first frame that shows
// the file's text is painted on an X server, beside a bare Qt Widgets window (a main window with a menu bar and a
// plain text view of the same file) built here, started the same way. Each process prints the moment of its first
// painted frame on the monotonic clock (the viewer does so with HY_REPORT_FIRST_PAINT set) and ends there.
//   hy_startup_bench <work dir> <viewer program>    needs DISPLAY (bench/run.sh starts Xvfb when it is unset)
//   hy_startup_bench --bare FILE                     the bare window alone
#include "BenchTools.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace hy::bench;

namespace {

constexpr int kRuns = 7;

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The bare window: what any Qt Widgets program must do to show a file's text.
class TBareReport : public QObject {
public:
    explicit TBareReport(QWidget* area)
        : m_area(area)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == m_area && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, []() {
                std::printf("first-paint %lld\n", NowNs());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    QWidget* m_area;
    bool m_seen = false;
};

int Bare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"));
    auto* text = new QPlainTextEdit(&window);
    text->setReadOnly(true);
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (file.open(QIODevice::ReadOnly))
        text->setPlainText(QString::fromUtf8(file.readAll()));
    window.setCentralWidget(text);
    TBareReport report(text->viewport());
    app.installEventFilter(&report);
    window.resize(1024, 700);
    window.show();
    return app.exec();
}

// Milliseconds from the start of the program to its first painted frame; negative when it never said.
double StartToPaint(const std::vector<std::string>& args)
{
    const long long start = NowNs();
    const std::string out = ToolOutput(args);
    const size_t at = out.find("first-paint ");
    if (at == std::string::npos)
        return -1;
    return double(std::atoll(out.c_str() + at + 12) - start) / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--bare")
        return Bare(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <work dir> <viewer program>\n", argv[0]);
        return 2;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "the start-up benchmark needs an X server (DISPLAY)\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string viewer = argv[2];
    const std::string file = dir + "/note.txt";
    {
        QFile f(QString::fromStdString(file));
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        for (int i = 0; f.size() < 1024; ++i)
            f.write(QByteArray("2024-05-01 12:00:00 INFO a short line of a small note, number ") + QByteArray::number(i)
                + "\n");
    }
    // The viewer's settings of a returning user (written by a first run), and a run-time folder of its own for
    // each start, so that no start finds another one running to hand its file to.
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("HY_REPORT_FIRST_PAINT", "1", 1);
    int run = 0;
    const auto fresh = [&]() {
        const std::string runtime = dir + "/run" + std::to_string(run++);
        RunTool({ "mkdir", "-m", "700", "-p", runtime });
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    };
    std::vector<double> ours;
    std::vector<double> bare;
    fresh();
    if (StartToPaint({ viewer, file }) < 0 || StartToPaint({ argv[0], "--bare", file }) < 0) {
        std::fprintf(stderr, "a first start did not report its painted frame\n");
        return 2;
    }
    for (int i = 0; i < kRuns; ++i) {
        fresh();
        bare.push_back(StartToPaint({ argv[0], "--bare", file }));
        fresh();
        ours.push_back(StartToPaint({ viewer, file }));
    }
    const double o = Median(ours);
    const double b = Median(bare);
    std::fprintf(
        stderr, "start to the painted file, the median of %d: ours %.1f ms, a bare Qt window %.1f ms\n", kRuns, o, b);
    Ratio("startup_ms", o);
    Ratio("startup_bare_qt_ms", b);
    Ratio("startup_over_bare_qt", o / b);
    return 0;
}
