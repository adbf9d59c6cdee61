// Takes pictures of the Archive page and its questions for a person to look at (not a test):
//   hy_archive_shots OUTDIR ARCHIVE ENCRYPTED.zip BROKEN.zip [LARGE.zip]
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>

using namespace hy::app;
using namespace hy::settings;

namespace {

// Grabs the next modal dialog into a picture, then closes it as Cancel would.
void GrabNextDialog(const QString& path, const QString& typed = QString())
{
    QTimer::singleShot(400, [path, typed]() {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        if (auto* edit = d->findChild<QLineEdit*>(); edit && !typed.isEmpty())
            edit->setText(typed);
        d->grab().save(path);
        d->reject();
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.size() < 4)
        return 2;
    const QDir out(args.takeFirst());
    TMainForm form;
    form.resize(1000, 640);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.Settings().TempDir = out.path();
    for (const QString& f : args)
        form.OpenFileInViewer(f, ViewMode::BySettings, false);
    form.TileVertical();
    TChildForm* c = form.Children().value(0);
    if (!c)
        return 1;
    hy::archive::TZipList* list = c->ArchivePage()->ZipList();
    form.ClientArea()->setActiveSubWindow(form.FrameOf(c));
    list->setFocus();
    list->SetItemIndex(2);
    list->SetSelected(4, true);
    list->SetSelected(5, true);
    form.UpdateStatus();
    form.UpdateCommands(true);
    QTest::qWait(300);
    form.grab().save(out.filePath("archive.png"));

    // The question about a file that exists, the selector, the password question.
    list->clearSelection();
    list->SetSelected(0, true);
    QFile(out.filePath(list->MemberName(0).section('/', -1))).open(QIODevice::WriteOnly);
    GrabNextDialog(out.filePath("overwrite.png"));
    c->ArchivePage()->ViewZipButtonClick();
    GrabNextDialog(out.filePath("selector.png"));
    c->ArchivePage()->CopyZipButtonClick();
    if (TChildForm* locked = form.Children().value(1)) {
        locked->ArchivePage()->ZipList()->SelectAll();
        GrabNextDialog(out.filePath("notice.png"));
        QTimer::singleShot(900, [&out]() { GrabNextDialog(out.filePath("password.png"), "secret"); });
        // What follows the cancelled password is closed unseen.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, []() {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->reject();
        });
        QTimer::singleShot(1600, &closer, [&closer]() { closer.start(100); });
        locked->ArchivePage()->ViewZipButtonClick();
    }
    // A long extraction: the status bar during it, then Esc.
    if (TChildForm* large = form.Children().value(3)) {
        form.ClientArea()->setActiveSubWindow(form.FrameOf(large));
        large->ArchivePage()->ZipList()->SelectAll();
        QTimer::singleShot(1500, [&form, &out]() {
            form.grab().save(out.filePath("progress.png"));
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&out]() {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                d->grab().save(out.filePath("stopped.png"));
                d->reject();
            }
        });
        closer.start(2000);
        large->ExtractMembers(out.path(), false);
    }
    QTest::qWait(200);
    c->ArchivePage()->ZipList()->SetFileDetails(hy::archive::ZipDetail(hy::archive::zdName));
    QTest::qWait(100);
    c->grab().save(out.filePath("names.png"));
    return 0;
}
