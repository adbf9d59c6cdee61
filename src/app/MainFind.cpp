// The Find command's search in viewer windows: one window, or every open window at once.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "ui/common/Alert.h"
#include "ui/common/CursorScope.h"
#include "ui/common/InputGate.h"
#include "ui/viewer/HvViewr.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <memory>
#include <vector>

namespace hy::app {

using common::ShowAlert;
using settings::PageKind;
using viewer::LineNumber;

void TMainForm::PrepareWindowSearch(TChildForm* child, bool setSelection)
{
    viewer::THvFileViewer* v = child->FileViewer();
    if (child->ActivePage() != PageKind::Text)
        child->ShowPage(PageKind::Text, v->InHexMode() ? 1 : 0);
    LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    if (setSelection && v->SelectionBounds(sl, si, ei, el))
        v->SelectRange(sl, si, true, ei, el);
}

bool TMainForm::ReportWindowSearch(
    TChildForm* child, const QString& text, unsigned options, bool allWindows, bool found)
{
    viewer::THvFileViewer* v = child->FileViewer();
    if (!found && v->WorkStopped())
        return false; // stopped with Esc: nothing to report
    LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    if (!found) {
        const QString message = allWindows ? QStringLiteral("Cannot find \"%1\" in \r%2").arg(text, child->FileName())
                                           : QStringLiteral("Cannot find \"%1\".").arg(text);
        ShowAlert(QStringLiteral("Search Results"), message);
    } else if (v->SelectionBounds(sl, si, ei, el)) {
        // Showing both ends brings the whole match into view. The caret ends where the search left it, so a
        // backward search goes on before the match rather than finding it again.
        const bool backward = options & viewer::soBackward;
        v->SelectRange(sl, si, backward, ei, el);
        v->SelectRange(sl, si, !backward, ei, el);
    }
    return true;
}

void TMainForm::SearchWindow(
    TChildForm* child, const QString& text, unsigned options, bool allWindows, bool setSelection)
{
    PrepareWindowSearch(child, setSelection);
    // Each window matches the text as characters in its own encoding.
    ReportWindowSearch(child, text, options, allWindows, child->FileViewer()->SearchFor(text, options));
}

void TMainForm::SearchWindows(
    const QList<TChildForm*>& children, const QString& text, unsigned options, bool setSelection)
{
    struct Window {
        QPointer<TChildForm> Child;
        std::unique_ptr<viewer::THvPresenceScan> Scan; // none: the window is searched as it always is
    };
    std::vector<Window> windows;
    // Every window's file is looked through at once, each on a thread and with a read handle of its own.
    // The end of each scan wakes this thread.
    auto wake = [] {
        QMetaObject::invokeMethod(
            qApp, [] {}, Qt::QueuedConnection);
    };
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        PrepareWindowSearch(*it, setSelection);
        windows.push_back({ *it, (*it)->FileViewer()->StartPresenceScan(text, options, wake) });
    }
    bool stop = false;
    {
        common::TCursorScope busy;
        common::TInputGate gate(stop);
        for (Window& w : windows) {
            if (w.Scan)
                ShowLongWork(w.Child, true);
        }
        auto running = [&] {
            return std::any_of(
                windows.begin(), windows.end(), [](const Window& w) { return w.Scan && !w.Scan->Finished(); });
        };
        while (!stop && running())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        for (Window& w : windows) {
            if (w.Scan && w.Child)
                ShowLongWork(w.Child, false);
        }
    }
    if (stop)
        return; // Esc: the scans stop as they go out of scope, and nothing is reported
    // The answers in the window order: a window where nothing can match is reported at once; the others are
    // searched, and a hit is selected in its window.
    for (Window& w : windows) {
        if (!w.Child)
            continue;
        const bool absent = w.Scan && w.Scan->Answer() == viewer::THvPresenceScan::TAnswer::Absent;
        w.Scan.reset();
        const bool found = !absent && w.Child->FileViewer()->SearchFor(text, options);
        if (!ReportWindowSearch(w.Child, text, options, true, found))
            return;
    }
}

} // namespace hy::app
