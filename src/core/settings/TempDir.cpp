// The folder for temporary copies.
#include "core/settings/TempDir.h"

#include "platform/PlatformFiles.h"
#include "platform/PlatformPaths.h"

namespace hy::settings {

TTempDirChoice UsableTempDir(const QString& chosen)
{
    if (!chosen.isEmpty() && platform::IsWritableDirectory(chosen))
        return { chosen, false };
    return { platform::TempFolder(), !chosen.isEmpty() };
}

} // namespace hy::settings
