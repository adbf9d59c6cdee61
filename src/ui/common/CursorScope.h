// TCursorScope: the one cursor the whole program shows while it lives, put back on every way out of the
// scope (also an exception): the busy cursor over work that holds the GUI thread, the arrow over a modal
// question asked meanwhile. Scopes nest; the innermost one shows.
#pragma once

#include <QCursor>

namespace hy::common {

class TCursorScope {
public:
    explicit TCursorScope(const QCursor& cursor = QCursor(Qt::WaitCursor));
    ~TCursorScope();
    TCursorScope(const TCursorScope&) = delete;
    TCursorScope& operator=(const TCursorScope&) = delete;
};

} // namespace hy::common
