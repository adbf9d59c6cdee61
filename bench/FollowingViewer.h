// A file viewer of the benchmarks that follows a log as the window does: shown offscreen at a window's size,
// bound to the file by its name, with Follow on.
#pragma once

#include "ui/viewer/HvViewr.h"

#include <QString>
#include <string>

namespace hy::bench {

inline void FollowInWindow(viewer::THvFileViewer& viewer, viewer::THvController& controller, const std::string& path)
{
    viewer.SetController(&controller);
    viewer.resize(1200, 600);
    viewer.SetFileName(QString::fromStdString(path));
    viewer.SetIsOpen(true);
    viewer.show();
    viewer.SetFollow(true);
}

} // namespace hy::bench
