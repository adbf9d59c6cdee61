// The program's cursor for the length of a scope.
#include "ui/common/CursorScope.h"

#include <QApplication>

namespace hy::common {

TCursorScope::TCursorScope(const QCursor& cursor) { QApplication::setOverrideCursor(cursor); }

TCursorScope::~TCursorScope() { QApplication::restoreOverrideCursor(); }

} // namespace hy::common
