// The application object and the program's start.
#pragma once

#include <QApplication>

namespace hy::app {

// Every exception that escapes an event handler ends here and is shown to the user.
class THyApplication : public QApplication {
public:
    THyApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception that reached the event loop.
void ReportException(const std::exception& e);

// Starts the viewer: hands the files to a running one, or opens the main window and runs until it closes.
int RunApplication(int argc, char** argv);

} // namespace hy::app
