// Takes pictures of the Archive page for a person to look at (not a test):
//   hy_archive_shots OUTDIR ARCHIVE [BROKEN.zip]
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "archive/ArchivePage.h"
#include "archive/ZIPLIST.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

using namespace hy::app;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.size() < 2)
        return 2;
    const QDir out(args.takeFirst());
    TMainForm form;
    form.resize(1000, 640);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    for (const QString& f : args)
        form.OpenFileInViewer(f, ViewMode::BySettings, false);
    form.TileVertical();
    if (TChildForm* c = form.Children().value(0)) {
        hy::archive::TZipList* list = c->ArchivePage()->ZipList();
        list->setFocus();
        list->SetItemIndex(2);
        list->SetSelected(4, true);
        list->SetSelected(5, true);
        form.ClientArea()->setActiveSubWindow(form.FrameOf(c));
        form.UpdateStatus();
        form.UpdateCommands(true);
    }
    QTest::qWait(300);
    form.grab().save(out.filePath("archive.png"));
    if (TChildForm* c = form.Children().value(0)) {
        c->ArchivePage()->ZipList()->SetFileDetails(hy::archive::ZipDetail(hy::archive::zdName));
        QTest::qWait(100);
        c->grab().save(out.filePath("names.png"));
    }
    return 0;
}
