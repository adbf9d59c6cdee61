// The Follow soak: a writer thread appends numbered lines to a log at a steady rate, renames the log and starts a
// new one every minute and empties it every seven minutes, while a file viewer follows the log by its name with
// Follow on, as the window does. After each rotation or truncation and at the end the lines the viewer shows are
// compared with the file's, one by one (none lost, doubled or invented). Prints the resident memory's growth per
// hour and the worst delay between writing a line and the viewer showing it.
//   hy_soak_bench FOLDER MINUTES [MB_PER_SECOND [SECONDS_PER_ROTATION]]   (10 MB/s, 60 s: a quick check of the
//   renames and the emptying takes a few seconds per rotation)
#include "BenchTools.h"
#include "FollowingViewer.h"

#include "core/viewer/HvBase.h"
#include "core/viewer/HvFileModel.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

using namespace hy::viewer;
using hy::bench::Ratio;
using Clock = std::chrono::steady_clock;

namespace {

double ResidentMiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Line number n of the soak, as written.
std::string LineOf(long long n)
{
    char head[32];
    std::snprintf(head, sizeof head, "%012lld ", n);
    return std::string(head) + std::string(100, char('a' + n % 26)) + "\n";
}

// The writer: lines at the rate asked, the log renamed and made anew, or emptied, when the main thread asks;
// it stays paused while the main thread compares.
class TWriter {
public:
    TWriter(std::string path, double bytesPerSecond)
        : m_path(std::move(path))
        , m_rate(bytesPerSecond)
    {
        Open();
    }
    ~TWriter()
    {
        m_quit = true;
        Resume();
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }
    void Start()
    {
        m_thread = std::thread([this] { Run(); });
    }

    // Pauses the writer between two lines; returns once it is paused.
    void Pause()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_pause = true;
        m_changed.wait(lock, [this] { return m_paused; });
    }
    void Resume()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pause = false;
        }
        m_changed.notify_all();
    }
    // While paused: the log is renamed and a new one started, or the log is emptied in place.
    void Rotate()
    {
        ::rename(m_path.c_str(), (m_path + ".1").c_str());
        ::close(m_fd);
        Open();
        m_first = m_next.load();
    }
    void Truncate()
    {
        if (::ftruncate(m_fd, 0) != 0)
            std::exit(2);
        m_first = m_next.load();
    }
    long long FirstLine() const { return m_first; } // the first line in the log now
    long long NextLine() const { return m_next; }
    long long BytesWritten() const { return m_bytes; }

    // When each of some lines was written: the line's number and the time, oldest first.
    std::deque<std::pair<long long, Clock::time_point>> TakeStamps()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_stamps, {});
    }

private:
    void Open()
    {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (m_fd < 0)
            std::exit(2);
    }
    void Run()
    {
        // Bytes the rate allows and not written yet; paused time earns none.
        double credit = 0;
        auto last = Clock::now();
        while (!m_quit) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (m_pause) {
                    m_paused = true;
                    m_changed.notify_all();
                    m_changed.wait(lock, [this] { return !m_pause; });
                    m_paused = false;
                    last = Clock::now();
                }
            }
            const auto now = Clock::now();
            credit += std::chrono::duration<double>(now - last).count() * m_rate;
            last = now;
            std::string chunk;
            const long long firstInChunk = m_next;
            while (double(chunk.size()) < credit)
                chunk += LineOf(m_next++);
            if (!chunk.empty()) {
                if (::write(m_fd, chunk.data(), chunk.size()) != ssize_t(chunk.size()))
                    std::exit(2);
                credit -= double(chunk.size());
                m_bytes += qint64(chunk.size());
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_stamps.emplace_back(firstInChunk, now);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string m_path;
    double m_rate;
    int m_fd = -1;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_pause = false;
    bool m_paused = false;
    std::atomic<bool> m_quit { false };
    std::atomic<long long> m_first { 0 };
    std::atomic<long long> m_next { 0 };
    std::atomic<long long> m_bytes { 0 };
    std::deque<std::pair<long long, Clock::time_point>> m_stamps;
};

void Pump(int ms)
{
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The lines the viewer knows of the log now (the empty line after the last line end left out).
long long ShownLines(THvFileViewer& viewer)
{
    const LineNumber total = viewer.LineTotal();
    return total == kUndeterminedTotal ? -1 : std::max<long long>(total - 1, 0);
}

// With the writer paused: waits for the viewer to show the whole log, then compares every line with the file's.
// The number of lines that differ (or are missing or extra); -1 when the viewer never caught up.
long long Compare(THvFileViewer& viewer, const std::string& path, long long first, long long next)
{
    const long long expected = next - first;
    // A log emptied or made anew a moment ago may hold nothing yet: no line is shown then.
    const auto caughtUp = [&] { return expected == 0 ? ShownLines(viewer) <= 0 : ShownLines(viewer) == expected; };
    const auto until = Clock::now() + std::chrono::seconds(30);
    while (!caughtUp() && Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!caughtUp()) {
        std::fprintf(stderr, "soak: the viewer shows %lld lines of %lld\n", ShownLines(viewer), expected);
        return -1;
    }
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    long long wrong = 0;
    for (long long i = 0; i < expected; ++i) {
        int len = 0;
        const char* text = viewer.LineText(i, len);
        const std::string want = LineOf(first + i);
        const QByteArray inFile = file.readLine();
        if (std::string(text, size_t(len)) + "\n" != want || inFile.toStdString() != want)
            ++wrong;
    }
    return wrong;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: hy_soak_bench FOLDER MINUTES [MB_PER_SECOND [SECONDS_PER_ROTATION]]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string path = std::string(argv[1]) + "/soak.log";
    const double minutes = std::atof(argv[2]);
    const double rate = (argc > 3 ? std::atof(argv[3]) : 10.0) * 1e6;
    const double period = (argc > 4 ? std::atof(argv[4]) : 60.0) / 60; // in minutes
    TWriter writer(path, rate);

    THvController controller;
    THvFileViewer viewer;
    hy::bench::FollowInWindow(viewer, controller, path);
    Pump(200);
    writer.Start();

    const auto start = Clock::now();
    const auto elapsedMinutes = [&] { return std::chrono::duration<double>(Clock::now() - start).count() / 60; };
    double rssStart = -1;
    double worstDelay = 0;
    long long wrong = 0;
    int checks = 0;
    int nextEvent = 1;
    const auto check = [&](const char* what) {
        writer.Pause();
        const long long bad = Compare(viewer, path, writer.FirstLine(), writer.NextLine());
        std::fprintf(stderr, "soak %.1f min: %s, %lld lines in the log, %s\n", elapsedMinutes(), what,
            writer.NextLine() - writer.FirstLine(), bad == 0 ? "every line as in the file" : "LINES DIFFER");
        wrong += bad < 0 ? 1 : bad;
        ++checks;
    };
    while (elapsedMinutes() < minutes) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Each stamped line counts from its write until the viewer shows it; the loop waits for them here.
        auto stamps = writer.TakeStamps();
        while (!stamps.empty()) {
            const long long shown = writer.FirstLine() + ShownLines(viewer);
            const double age = std::chrono::duration<double>(Clock::now() - stamps.front().second).count();
            if (stamps.front().first < shown) {
                worstDelay = std::max(worstDelay, age);
                stamps.pop_front();
            } else if (age > 10) {
                std::fprintf(stderr, "soak: line %lld not shown after 10 s\n", stamps.front().first);
                ++wrong;
                stamps.clear();
            } else {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            }
        }
        if (elapsedMinutes() >= nextEvent * period && nextEvent * period < minutes) {
            const bool truncate = nextEvent % 7 == 0;
            check(truncate ? "before emptying the log" : "before renaming the log");
            if (rssStart < 0)
                rssStart = ResidentMiB();
            if (truncate)
                writer.Truncate();
            else
                writer.Rotate();
            writer.TakeStamps();
            writer.Resume();
            ++nextEvent;
        }
    }
    check("at the end");
    if (rssStart < 0)
        rssStart = ResidentMiB();
    const double hours = elapsedMinutes() / 60;
    const double growth = (ResidentMiB() - rssStart) / std::max(hours, 1e-9);
    std::fprintf(stderr, "soak: %.1f min, %.0f MB written, %d checks, %lld lines wrong\n", elapsedMinutes(),
        double(writer.BytesWritten()) / 1e6, checks, wrong);
    Ratio("soak_lines_wrong", double(wrong));
    Ratio("soak_rss_growth_mib_per_hour", growth);
    Ratio("soak_worst_delay_ms", worstDelay * 1e3);
    return wrong == 0 ? 0 : 1;
}
