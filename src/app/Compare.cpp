// The Compare command: checks, sizes, the windows, the progress window and the messages around the run.
#include "app/Compare.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Progress.h"
#include "common/HyUtils.h"
#include "core/compare/FileCompare.h"
#include "core/compress/DecodedSource.h"
#include "core/viewer/HvFileModel.h"
#include "platform/PlatformFiles.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScopeGuard>
#include <QStatusBar>
#include <algorithm>
#include <limits>

namespace hy::app {

using namespace hy::common;
using namespace hy::compare;
using namespace hy::settings;
using namespace hy::viewer;

namespace {
    const QString kCompareTitle = QStringLiteral("Compare");
    const QString kFileCompareTitle = QStringLiteral("File Compare");

    // The hex row's character column, where the byte of a difference shows.
    constexpr int kHexCharColumn = 59;
    constexpr int kHexRowEnd = 75;
    constexpr int kHexRowBytes = 16;

    bool g_running = false;

    const QString kLeftTabsText
        = QStringLiteral("Compare shows the files tiled side by side; Window > Tabbed Windows brings the tabs back.");
    constexpr int kLeftTabsShown = 15000; // milliseconds

    // Rows side by side read best from their offsets on, where the window is wide enough for them.
    void ShowRowStarts(viewer::THvFileViewer* v)
    {
        if (v->VisibleColumns() > kHexRowEnd)
            v->ScrollBy(-v->FirstVisibleColumn(), 0);
    }

    // The active window's file comes first, then the others from the front window to the back.
    QList<QPointer<TChildForm>> WindowsInCompareOrder(TMainForm& form)
    {
        QList<QPointer<TChildForm>> windows;
        if (TChildForm* active = form.ActiveChild())
            windows << active;
        const QList<QMdiSubWindow*> stacking = form.ClientArea()->subWindowList(QMdiArea::StackingOrder);
        for (auto it = stacking.crbegin(); it != stacking.crend(); ++it) {
            auto* c = qobject_cast<TChildForm*>((*it)->widget());
            if (c && !windows.contains(c))
                windows << c;
        }
        return windows;
    }

    // A window that shows a compressed file decompressed compares its decoded bytes; their size is known
    // once its decoding reached the end.
    TCompareFile CompareFileOf(viewer::THvFileViewer& viewer, const QString& name, qint64 size)
    {
        const compress::TDecodedSource* source
            = viewer.Model().DecodeCompressed() ? viewer.Model().DecodedSource() : nullptr;
        if (!source)
            return { name, size, compress::TCompressKind::None };
        return { name, source->Complete() ? source->KnownSize() : -1, source->Kind() };
    }

    // The gauge goes to the smallest size; while a file is still being decompressed, to what it has so far.
    qint64 ProgressTotal(const QList<QPointer<TChildForm>>& windows, const QList<TCompareFile>& files)
    {
        qint64 total = std::numeric_limits<qint64>::max();
        for (qsizetype i = 0; i < files.size(); ++i) {
            const compress::TDecodedSource* source = files.at(i).Size >= 0 || !windows.at(i)
                ? nullptr
                : windows.at(i)->FileViewer()->Model().DecodedSource();
            total = std::min(total, source ? source->KnownSize() : std::max<qint64>(files.at(i).Size, 0));
        }
        return total;
    }

    // What the run came to: the count of differences, the file that could not be opened or read, or nothing
    // when it was declined or stopped.
    void ReportResult(const TCompareResult& result, const QStringList& names)
    {
        switch (result.Outcome) {
        case TCompareOutcome::Finished:
            ShowAlert(QStringLiteral("File Compare Results"), CompareResultText(result.Errors));
            break;
        case TCompareOutcome::OpenFailed:
            ShowAlert(kCompareTitle, UnableToOpenText(names.at(result.FailedFile), result.ErrorCode));
            break;
        case TCompareOutcome::ReadFailed:
            ShowAlert(kCompareTitle, UnableToReadText(names.at(result.FailedFile), result.ErrorCode));
            break;
        case TCompareOutcome::Declined:
        case TCompareOutcome::Stopped:
            break;
        }
    }
} // namespace

void CompareFiles(TMainForm& form)
{
    // The run lets events through; a second Compare meanwhile would compare beside it.
    if (g_running)
        return;
    const QList<TChildForm*> children = form.Children();
    if (children.size() < 2) {
        ShowAlert(TMainForm::ProgramTitle(), TooFewFilesToCompareText());
        return;
    }
    if (children.size() > kMaxCompareFiles) {
        ShowAlert(kCompareTitle, TooManyFilesToCompareText());
        return;
    }

    const QList<QPointer<TChildForm>> windows = WindowsInCompareOrder(form);
    QList<TCompareFile> files;
    QStringList names;
    for (const QPointer<TChildForm>& w : windows) {
        const QString name = w->FileViewer()->FileName();
        const platform::TFileFacts facts = platform::ReadFileFacts(name);
        if (facts.errorCode != 0) {
            ShowAlert(kCompareTitle, UnableToAccessText(name, facts.errorCode));
            return;
        }
        names << name;
        files.append(CompareFileOf(*w->FileViewer(), name, facts.size));
    }
    // The question needs every size; a file still being decompressed shows its size during the run.
    const bool allKnown = std::all_of(files.cbegin(), files.cend(), [](const TCompareFile& f) { return f.Size >= 0; });
    if (allKnown
        && std::any_of(
            files.cbegin(), files.cend(), [&](const TCompareFile& f) { return f.Size != files.first().Size; })
        && !AskYesNo(kCompareTitle, QStringLiteral("Files are different sizes!\rCompare anyway?")))
        return;

    for (const QPointer<TChildForm>& w : windows) {
        w->FileViewer()->SetInHexMode(true);
        w->ShowPage(PageKind::Text, 1);
    }
    // The files are compared side by side: tabs give way to tiled free windows, and the user is told so.
    const bool tabbed = form.TabbedWindows();
    form.Action(TCommand::TileHorizontal)->trigger();
    if (tabbed)
        form.statusBar()->showMessage(kLeftTabsText, kLeftTabsShown);
    for (const QPointer<TChildForm>& w : windows)
        ShowRowStarts(w->FileViewer());
    form.UpdateCommands(true);

    g_running = true;
    TProgressReport* progress = TProgressReport::Of(&form);
    const auto done = qScopeGuard([progress]() {
        progress->Finish();
        g_running = false;
    });
    progress->Start(ProgressTotal(windows, files));
    progress->Update(QStringLiteral("Comparing Files"), QStringLiteral("Errors: 0"), 0);

    TCompareEvents events;
    events.FirstDifference = [&](qint64 position) {
        const viewer::LineNumber line = (position - 1) / kHexRowBytes;
        for (const QPointer<TChildForm>& w : windows) {
            if (!w)
                continue;
            viewer::THvFileViewer* v = w->FileViewer();
            v->SelectRange(line, kHexCharColumn, true, kHexRowEnd, line);
            ShowRowStarts(v);
        }
        return AskYesNo(kFileCompareTitle, CompareFailedQuestion(position));
    };
    events.Progress = [&](qint64 errors, qint64 step) {
        progress->Update(QString(), QStringLiteral("Errors: ") + ThousandsText(errors), step);
        QCoreApplication::processEvents();
        return !progress->Cancelled();
    };
    const TCompareResult result = TFileCompare().Run(files, events);
    progress->Finish();

    ReportResult(result, names);
}

} // namespace hy::app
