// Program start: single instance, main window, event loop.
#include "app/Application.h"

#include "app/Brview1.h"
#include "app/DdeServerConv.h"
#include "app/HelpWindow.h"
#include "app/ProgramIcon.h"
#include "base/HyExceptions.h"
#include "common/ErrorText.h"
#include "core/dde/DdeMacro.h"
#include "core/program/CommandLine.h"
#include "platform/DdeServer.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformPaths.h"
#include "platform/SingleInstance.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"
#include "ui/viewer/HvViewr.h"

#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace hy::app {

using namespace hy::base;
using namespace hy::common;
using namespace hy::dde;
using namespace hy::program;

namespace {
    // For the start-up benchmarks (HY_REPORT_FIRST_PAINT set): once the first frame that shows a file's text
    // or an archive's members (or, with no file named, the main window) has been painted, prints "first-paint
    // NANOSECONDS" (the monotonic clock) on standard output and ends the program at once.
    class TFirstPaintReport : public QObject {
    public:
        TFirstPaintReport(QWidget* window, bool withFile)
            : m_window(window)
            , m_withFile(withFile)
        {
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || m_seen || !Counts(watched))
                return false;
            m_seen = true;
            // The frame reaches the screen when this paint and its siblings are done; the timer runs after.
            QTimer::singleShot(0, []() {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("first-paint %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
                std::fflush(stdout);
                std::_Exit(0);
            });
            return false;
        }

    private:
        bool Counts(QObject* watched) const
        {
            if (!m_withFile)
                return watched == m_window;
            // A text view's painting area, its file open, or an archive list's, its members read.
            if (const auto* viewer = qobject_cast<const viewer::THvCustomFileViewer*>(watched->parent()))
                return viewer->viewport() == watched && viewer->IsOpen();
            const auto* list = qobject_cast<const archive::TZipList*>(watched->parent());
            return list && list->viewport() == watched && list->Count() > 0;
        }

        QWidget* m_window;
        bool m_withFile;
        bool m_seen = false;
    };
    // Runs a piece of start-up once the main window's first frame is on the screen, behind whatever that frame
    // queued: the window does not wait for what it does not show.
    class TAfterFirstFrame : public QObject {
    public:
        TAfterFirstFrame(QWidget* window, std::function<void()> work)
            : m_window(window)
            , m_work(std::move(work))
        {
            window->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (watched == m_window && event->type() == QEvent::Paint) {
                m_window->removeEventFilter(this);
                QTimer::singleShot(0, this, [this]() { QTimer::singleShot(0, this, m_work); });
            }
            return false;
        }

    private:
        QWidget* m_window;
        std::function<void()> m_work;
    };
} // namespace

THyApplication::THyApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void ReportException(const std::exception& e) { ShowException(e); }

bool THyApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportException(e);
    } catch (...) {
        ReportException(Exception(QStringLiteral("An unexpected error occurred.")));
    }
    return false;
}

int RunApplication(int argc, char** argv)
{
    // Names on the command line are bytes; they reach the files they name unchanged.
    QStringList clientParameters = platform::ArgumentsOf(argc, argv);
    // The service of the command interface is named after the program as it was started.
    const QString program = clientParameters.takeFirst();
    const QString service = platform::DdeServiceName(program);
    // --help and --version answer without a window and without a word to a running viewer.
    if (PrintInfoRequest(clientParameters, QFileInfo(program).fileName()))
        return 0;
    // A program driving the running viewer needs no windows of its own.
    if (IsDdeClientCommand(clientParameters)) {
        QCoreApplication client(argc, argv);
        return RunDdeClient(clientParameters, service, platform::CurrentFolder());
    }

    THyApplication app(argc, argv);
    app.setApplicationName(TMainForm::ProgramTitle());
    app.setOrganizationName(QStringLiteral("Halcyra"));
    app.setApplicationVersion(QStringLiteral(HY_VERSION));
    app.setDesktopFileName(QLatin1String(kDesktopFileName));
    SetErrorTitle(TMainForm::ProgramTitle());
    SetHelpHandler(&ShowHelpContext);

    // Qt has taken its own options out of the command line by now.
    QStringList parameters = platform::ArgumentsOf(argc, argv);
    parameters.removeFirst();
    parameters = EndOptions(parameters, platform::CurrentFolder());

    platform::TSingleInstance instance;
    QStringList handOver = parameters;
    handOver.removeIf(
        [](const QString& p) { return p.compare(QLatin1String(kDdeStartParameter), Qt::CaseInsensitive) == 0; });
    if (instance.HandOverOrListen(platform::HandOverNames(handOver, platform::CurrentFolder())))
        return 0;
    // Each viewer window keeps its file open.
    platform::RaiseOpenFileLimit();

    // The program's alert form lives as long as the main window; alerts raised later reuse it. It is made after
    // the first frame (an alert before then brings a form of its own).
    std::unique_ptr<TAlertDialog> alertForm;
    TMainForm form;
    QObject::connect(&instance, &platform::TSingleInstance::Activated, &form,
        [&form](const QStringList& names) { form.OpenDroppedFiles(names); });
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    TDdeServerConv dde(form, service);
    dde.Start();
    form.SetCommandLine(parameters);
    std::unique_ptr<TFirstPaintReport> firstPaint;
    if (qEnvironmentVariableIsSet("HY_REPORT_FIRST_PAINT")) {
        firstPaint = std::make_unique<TFirstPaintReport>(&form, !parameters.isEmpty());
        app.installEventFilter(firstPaint.get());
    }
    // The program's icon (six pictures read through Qt's image readers) and the alert form come after the first
    // frame.
    TAfterFirstFrame later(&form, [&app, &alertForm]() {
        app.setWindowIcon(ProgramIcon());
        if (!TAlertDialog::ProgramAlert())
            alertForm = std::make_unique<TAlertDialog>();
    });
    form.show();
    return app.exec();
}

} // namespace hy::app
