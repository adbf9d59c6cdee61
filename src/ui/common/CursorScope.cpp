// The program's cursor for the length of a scope.
#include "ui/common/CursorScope.h"

#include <QApplication>

namespace hy {

TCursorScope::TCursorScope(const QCursor& cursor) { QApplication::setOverrideCursor(cursor); }

TCursorScope::~TCursorScope() { QApplication::restoreOverrideCursor(); }

} // namespace hy
