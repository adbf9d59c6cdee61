// The controller and the command processor it owns.
#include "core/viewer/HvBase.h"

#include "core/viewer/HvCmd.h"

namespace hy::viewer {

THvController::THvController(QObject* parent)
    : QObject(parent)
    , m_entryCommands(std::make_unique<THvCommandProcessor>())
{
}

THvController::~THvController() = default;

} // namespace hy::viewer
