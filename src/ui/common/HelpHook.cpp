// The installed help handler.
#include "ui/common/HelpHook.h"

#include <utility>

namespace hy::common {

namespace {

    THelpHandler& Handler()
    {
        static THelpHandler handler;
        return handler;
    }

} // namespace

THelpHandler SetHelpHandler(THelpHandler handler) { return std::exchange(Handler(), std::move(handler)); }

void ShowHelp(int context, QWidget* from)
{
    if (Handler())
        Handler()(context, from);
}

} // namespace hy::common
