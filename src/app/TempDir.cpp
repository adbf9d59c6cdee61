// The folder for temporary copies.
#include "app/TempDir.h"

#include "platform/PlatformPaths.h"

#include <QFileInfo>

namespace hy::app {

TTempDirChoice UsableTempDir(const QString& chosen)
{
    const QFileInfo info(chosen);
    if (!chosen.isEmpty() && info.isDir() && info.isWritable() && info.isExecutable())
        return { chosen, false };
    return { platform::TempFolder(), true };
}

} // namespace hy::app
