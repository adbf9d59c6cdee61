// The command interface of the main window: other programs open a file in one reusable viewer window (the
// DDE viewer), empty it again, or move the main window to the right half of the screen. The name of the
// file shown is published as the service's item.
#pragma once

#include "platform/DdeServer.h"

#include <QObject>
#include <QPointer>

class QMdiSubWindow;

namespace hy::common {
class TAlertHold;
}

namespace hy::app {

class TChildForm;
class TMainForm;

class TDdeServerConv : public QObject {
    Q_OBJECT
public:
    // Serves form under the service name (the program's name).
    TDdeServerConv(TMainForm& form, const QString& service);
    ~TDdeServerConv() override;

    // Registers the service; false when another running viewer of this user serves it already.
    bool Start();
    platform::TDdeServer& Server() { return m_server; }

    // The window opened by O; empty before the first and after the user closed it.
    TChildForm* DdeViewer() const;

    // Runs a macro as an EXECUTE of a client does: false when it is no command and was ignored. The main
    // window takes no input while the command runs. The client is answered before any alert of the command
    // shows: "OK", or the failure of an O command.
    bool DdeServerConvExecuteMacro(const QString& macro);

private:
    // Empty when the file shows, else what went wrong (the alerts held meanwhile then name the file).
    QString OpenCommand(const QString& fileName, common::TAlertHold& alerts);
    void CloseCommand(const QString& fileName);
    void MoveCommand();
    bool Shows(const QString& fileName) const;

    TMainForm& m_form;
    platform::TDdeServer m_server;
    QPointer<TChildForm> m_ddeViewer;
    QPointer<QMdiSubWindow> m_activate;
};

} // namespace hy::app
