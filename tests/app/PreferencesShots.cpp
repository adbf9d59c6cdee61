// Takes pictures of the file selector (plain, with details and a text or picture preview, one above the
// other) and of the three pages of the Preferences dialog for a person to look at (not a test):
//   hy_preferences_shots OUTDIR
#include "app/Brview7.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/PreviewBook.h"
#include "ui/selector/Browse.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace hy;
using namespace hy::selector;

namespace {

void Save(QWidget* w, const QDir& out, const QString& name)
{
    QTest::qWait(150);
    w->grab().save(out.filePath(name + QStringLiteral(".png")));
}

void Write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

void Focus(TBrowserDialog& d, const QString& name)
{
    for (int i = 0; i < d.FileList->Count(); ++i) {
        if (d.FileList->EntryName(i) == name) {
            d.FileList->SetItemIndex(i);
            d.FileListChange();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Documents"));
    QDir(dir.path()).mkpath(QStringLiteral("Pictures"));
    Write(dir.filePath(QStringLiteral("readme.txt")),
        "Halcyra Viewer\n\nThe quick brown fox\tjumps over the lazy dog.\n");
    Write(dir.filePath(QStringLiteral("notes.log")), QByteArray("a log line\n").repeated(40));
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(QColor(40, 90, 160));
    picture.save(dir.filePath(QStringLiteral("sky.png")));

    {
        TBrowserDialog d;
        d.setWindowTitle(QStringLiteral("Select a File"));
        d.SetSettingsSource({});
        d.FileList->SetDirectory(dir.path());
        d.LocationBox->setText(d.FileList->Directory());
        d.FilterBox->setText(QStringLiteral("*.*"));
        d.show();
        Save(&d, out, QStringLiteral("browse-plain"));
        d.ShowDetail->click();
        d.Preview->click();
        d.resize(720, 460);
        Focus(d, QStringLiteral("readme.txt"));
        Save(&d, out, QStringLiteral("browse-text"));
        Focus(d, QStringLiteral("sky.png"));
        Save(&d, out, QStringLiteral("browse-image"));
        d.SplitButtonClick(false);
        Save(&d, out, QStringLiteral("browse-above"));
        d.ViewerPanel->ProgressPanel->setGeometry(d.ViewerPanel->TabRow->geometry());
        d.ViewerPanel->ProgressPanel->show();
        d.ViewerPanel->ProgressPanel->raise();
        Save(&d, out, QStringLiteral("browse-progress"));
    }
    {
        settings::TViewerSettings s;
        s.FontName = QStringLiteral("Courier New");
        s.Editor = QStringLiteral("/usr/bin/mousepad");
        s.TempDir = QStringLiteral("/tmp");
        app::TSetupDialog d(s);
        d.show();
        d.ElementList->setCurrentRow(1);
        Save(&d, out, QStringLiteral("prefs-fontcolors"));
        d.TabSet->setCurrentIndex(1);
        Save(&d, out, QStringLiteral("prefs-directories"));
        d.TabSet->setCurrentIndex(2);
        Save(&d, out, QStringLiteral("prefs-misc"));
        d.TabSet->setCurrentIndex(0);
        QTimer::singleShot(300, [&out]() {
            if (auto* font = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                Save(font, out, QStringLiteral("prefs-font"));
                font->reject();
            }
        });
        d.FontButton->click();
    }
    return 0;
}
