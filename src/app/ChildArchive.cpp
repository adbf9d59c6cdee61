// Joining a viewer window's Archive page to the main window.
#include "app/ChildArchive.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "core/settings/TempDir.h"
#include "ui/archive/ArchivePage.h"
#include "ui/common/Alert.h"
#include "ui/selector/Dirsel.h"

#include <QPointer>
#include <QStatusBar>

namespace hy::app {

using namespace hy::common;
using namespace hy::selector;
using namespace hy::settings;

archive::TArchivePage* CreateChildArchivePage(TChildForm* child, TMainForm* main, QWidget* parent)
{
    auto* page = new archive::TArchivePage(parent);
    archive::TArchivePage::THooks hooks;
    hooks.TempDir = [main]() {
        const TTempDirChoice choice = UsableTempDir(main->Settings().TempDir);
        if (choice.FellBack)
            ShowAlert(QStringLiteral("Temp Directory"),
                QStringLiteral("Cannot write temporary files to\r%1\rThey are written to %2 instead. Choose another "
                               "Temp Directory under Preferences in the Options menu.")
                    .arg(main->Settings().TempDir, choice.Folder));
        return choice.Folder;
    };
    hooks.ArchiveDir = [main]() { return main->Settings().ArchiveDir; };
    hooks.SetArchiveDir = [main](const QString& directory) { main->Settings().ArchiveDir = directory; };
    hooks.OpenViewed
        = [main](const QString& fileName) { return main->OpenFileInViewer(fileName, ViewMode::BySettings, true); };
    hooks.ChooseDirectory
        = [](const QString& prompt, QString& directory) { return ChooseDirectory(prompt, directory, true); };
    hooks.ShowProgress = [main](const QString& text, int) {
        if (text.isEmpty())
            main->statusBar()->clearMessage();
        else
            main->statusBar()->showMessage(text);
    };
    QPointer<TChildForm> window(child);
    hooks.SelectionChanged = [window]() {
        if (window)
            Q_EMIT window->SelectionChanged();
    };
    page->SetHooks(std::move(hooks));
    return page;
}

} // namespace hy::app
