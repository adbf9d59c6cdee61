// The main window's file choices.
#include "app/FileChoice.h"

#include "app/Brview1.h"
#include "app/SearchLink.h"
#include "common/HyUtils.h"
#include "ui/selector/Browse.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace hy::app {

using namespace hy::common;
using namespace hy::search;
using namespace hy::selector;
using namespace hy::settings;

namespace {

    // The selector's preview shows a selection like normal text.
    std::function<TPreviewSettings()> SelectorSettings(TMainForm* form)
    {
        const QPointer<TMainForm> main(form);
        return [main]() {
            TPreviewSettings s = PreviewSettingsOf(main);
            s.SelectedTextColor = s.TextColor;
            s.SelectedBackColor = s.BackColor;
            return s;
        };
    }

} // namespace

bool ChooseFileToOpen(TMainForm* form, QString& file, ViewMode& mode)
{
    TViewerSettings& s = form->Settings();
    if (s.WindowsFileSelector) {
        QFileDialog dialog(form, QStringLiteral("Select a File"), s.LastDir);
        dialog.setNameFilters(
            { QStringLiteral("All Files (*)"), QStringLiteral("Graphics (*.BMP *.ICO *.WMF *.bmp *.ico *.wmf)") });
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        file = dialog.selectedFiles().first();
        mode = ViewMode::BySettings;
        return true;
    }
    int viewMode = -1;
    QString chosen;
    if (!BrowseForFile(QStringLiteral("Select a File"), s.LastDir, s.LastMask, viewMode, false, true, true, chosen,
            SelectorSettings(form)))
        return false;
    file = chosen;
    mode = ViewMode(viewMode);
    return true;
}

bool ChooseSaveTarget(TMainForm* form, const QString& title, QString& directory, QString& target)
{
    TViewerSettings& s = form->Settings();
    if (s.WindowsFileSelector) {
        QFileDialog dialog(form, title, directory);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({ QStringLiteral("All Files (*)") });
        if (!target.isEmpty())
            dialog.selectFile(target);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        target = dialog.selectedFiles().first();
        directory = DirectoryOf(target);
        return true;
    }
    int viewMode = -1;
    return BrowseForFile(title, directory, s.LastMask, viewMode, true, true, true, target, SelectorSettings(form));
}

bool ChooseProgram(bool windowsStyle, const QString& current, QString& program, QWidget* parent)
{
    QString directory = current.isEmpty() ? QString() : DirectoryOf(current);
    if (directory.isEmpty())
        directory = QDir::currentPath();
    // Programs here carry no extension: every file is offered first.
    if (windowsStyle) {
        QFileDialog dialog(parent, QStringLiteral("Select a Program"), directory);
        dialog.setNameFilters({ QStringLiteral("Any File (*)"),
            QStringLiteral("Programs (*.EXE *.COM *.BAT *.PIF *.exe *.com *.bat *.pif)") });
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        program = dialog.selectedFiles().first();
        return true;
    }
    QString mask = QStringLiteral("*.*");
    int viewMode = -1;
    QString chosen;
    if (!BrowseForFile(QStringLiteral("Select a Program"), directory, mask, viewMode, false, false, false, chosen))
        return false;
    program = chosen;
    return true;
}

} // namespace hy::app
