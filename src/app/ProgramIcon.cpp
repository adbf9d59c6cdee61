// The program's own icon.
#include "app/ProgramIcon.h"

static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace hy::app {

QIcon ProgramIcon()
{
    InitIconResources();
    QIcon icon;
    for (int size : kProgramIconSizes)
        icon.addFile(QStringLiteral(":/icons/halcyra-viewer-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace hy::app
