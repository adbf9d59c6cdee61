// The controller placed on each form that hosts viewers: it owns the command processor whose tables
// turn the form's keys into viewer commands. All viewers of one form share it, and so share the
// two-key sequence state.
#pragma once

#include <QObject>
#include <memory>

namespace hy::viewer {

class THvCommandProcessor;

class THvController : public QObject {
    Q_OBJECT
public:
    explicit THvController(QObject* parent = nullptr);
    ~THvController() override;

    // The processor, created with the controller and owned by it; never null.
    THvCommandProcessor* EntryCommands() const { return m_entryCommands.get(); }

private:
    std::unique_ptr<THvCommandProcessor> m_entryCommands;
};

} // namespace hy::viewer
