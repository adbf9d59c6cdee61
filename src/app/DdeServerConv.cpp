// The O, C and T commands of the command interface.
#include "app/DdeServerConv.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "common/ErrorText.h"
#include "core/dde/DdeMacro.h"
#include "platform/FileNames.h"
#include "ui/common/Alert.h"
#include "ui/viewer/HvViewr.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QScreen>

namespace hy::app {

using namespace hy::common;
using namespace hy::dde;

TDdeServerConv::TDdeServerConv(TMainForm& form, const QString& service)
    : QObject(&form)
    , m_form(form)
    , m_server(service, QString::fromLatin1(kDdeTopic), QString::fromLatin1(kDdeItem))
{
    m_server.SetExecuteHandler([this](const QString& macro) { return DdeServerConvExecuteMacro(macro); });
    // A file is not opened from inside a long read, a picture load or a batch of files.
    m_server.SetReadyCheck([this]() { return !m_form.Busy(); });
}

TDdeServerConv::~TDdeServerConv() = default;

bool TDdeServerConv::Start() { return m_server.Start(); }

TChildForm* TDdeServerConv::DdeViewer() const { return m_ddeViewer; }

bool TDdeServerConv::Shows(const QString& fileName) const
{
    return m_ddeViewer && m_ddeViewer->FileViewer()->IsOpen() && m_ddeViewer->FileViewer()->FileName() == fileName;
}

bool TDdeServerConv::DdeServerConvExecuteMacro(const QString& macro)
{
    const TDdeMacro parsed = ParseDdeMacro(macro);
    const bool named = !parsed.Argument.isEmpty();
    const bool command = (parsed.Command == QLatin1Char('O') && named) || (parsed.Command == QLatin1Char('C') && named)
        || parsed.Command == QLatin1Char('T');
    if (!command)
        return false;
    m_form.setEnabled(false);
    const auto enable = qScopeGuard([this]() {
        m_form.setEnabled(true);
        // A disabled window activates none of its viewer windows: the one O opened becomes active now.
        if (m_activate)
            m_form.ClientArea()->setActiveSubWindow(m_activate);
        m_activate = nullptr;
        // Enabling the window enabled its menus' items too (Edit File among them): they follow the active
        // viewer window again.
        const QMdiSubWindow* active = m_form.ClientArea()->activeSubWindow();
        m_form.UpdateCommands(!active || !active->isMinimized());
    });
    // The client hears how the command went before the user sees an alert of it: it never waits for a
    // person to press OK.
    TAlertHold alerts;
    // A command that throws is answered before the alerts it held show.
    const auto answered = qScopeGuard([this]() { m_server.AnswerRunningMacro(QStringLiteral("the command failed")); });
    QString failure;
    if (parsed.Command == QLatin1Char('O'))
        failure = OpenCommand(parsed.Argument, alerts);
    else if (parsed.Command == QLatin1Char('C'))
        CloseCommand(parsed.Argument);
    else
        MoveCommand();
    m_server.AnswerRunningMacro(failure);
    alerts.ShowHeld();
    return true;
}

QString TDdeServerConv::OpenCommand(const QString& fileName, TAlertHold& alerts)
{
    if (Shows(fileName))
        return QString();
    const bool existed = m_ddeViewer;
    if (!m_form.OpenFileInDdeViewer(m_ddeViewer, fileName)) {
        // The client's macro names the file already; its answer gives the first alert's words.
        const QString name = platform::DisplayFileName(fileName);
        QString reason = alerts.Alerts.isEmpty() ? QStringLiteral("the file did not open")
                                                 : DisplayText(alerts.Alerts.first().Message);
        if (reason.startsWith(name + QLatin1Char('\n')))
            reason.remove(0, name.size() + 1);
        // The alerts name the file: nothing else on the screen may show which one failed.
        for (THeldAlert& a : alerts.Alerts) {
            if (!a.Message.contains(name))
                a.Message = name + QLatin1Char('\r') + a.Message;
        }
        return reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    QMdiSubWindow* frame = m_form.FrameOf(m_ddeViewer);
    if (!existed)
        frame->showMaximized();
    frame->raise();
    m_activate = frame;
    m_server.SetItemText(fileName);
    return QString();
}

void TDdeServerConv::CloseCommand(const QString& fileName)
{
    if (!Shows(fileName))
        return;
    m_ddeViewer->ResetViewer();
    m_server.SetItemText(QString());
    m_form.UpdateStatus();
    m_form.UpdateCommands(true);
}

void TDdeServerConv::MoveCommand()
{
    const QScreen* screen = m_form.screen() ? m_form.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QSize size = screen->geometry().size();
        if (m_form.isMaximized() || m_form.isFullScreen())
            m_form.showNormal();
        // The bounds are the window's outer ones, frame included.
        const QSize frame = m_form.frameGeometry().size() - m_form.geometry().size();
        m_form.move(size.width() / 2, 0);
        m_form.resize(size.width() / 2 - frame.width(), size.height() - 80 - frame.height());
    }
    if (QMdiSubWindow* active = m_form.FrameOf(m_form.ActiveChild()))
        active->showMaximized();
}

} // namespace hy::app
