// Takes pictures of the File Search dialog, its progress windows and the results browser for a person to
// look at (not a test):   hy_search_shots OUTDIR
#include "ui/filelist/FILELIST.h"
#include "ui/search/Fsearch.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/ProgressLine.h"
#include "ui/search/Psearch.h"
#include "ui/search/SrchAll.h"
#include "ui/search/Vsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace hy;
using namespace hy::filelist;
using namespace hy::search;

namespace {

void Save(QWidget* w, const QDir& out, const QString& name)
{
    QTest::qWait(150);
    w->grab().save(out.filePath(name + QStringLiteral(".png")));
}

void Write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

QByteArray Wave()
{
    const int rate = 8000;
    const int samples = rate / 2;
    QByteArray pcm(samples * 2, '\0');
    QByteArray h;
    auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    h += "RIFF";
    u32(36 + pcm.size());
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    h += "data";
    u32(pcm.size());
    return h + pcm;
}

int IndexOf(TFileList* list, const QString& name)
{
    for (int i = 0; i < list->Count(); ++i) {
        if (list->EntryPath(i).endsWith(name))
            return i;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir temp;
    const QString root = temp.path() + QStringLiteral("/projects");
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + (i % 17 == 3 ? " here is the needle we look for\n" : " plain text\n");
    Write(root + "/notes/readme.txt", text);
    Write(root + "/notes/todo.txt", "buy milk\nfind the needle\n");
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    {
        QPainter p(&picture);
        p.fillRect(20, 20, 60, 30, QColor(240, 200, 40));
    }
    QDir().mkpath(root + "/pictures");
    picture.save(root + "/pictures/needle.png");
    Write(root + "/sound/needle.wav", Wave());
    Write(root + "/archive/member.txt", "needle in a zip\n");
    QProcess::execute(QStringLiteral("sh"),
        { QStringLiteral("-c"), QStringLiteral("cd '%1/archive' && zip -q needle.zip member.txt").arg(root) });

    TSearchHooks hooks;
    hooks.Settings = []() {
        TPreviewSettings s;
        s.MediaExtensions = QStringLiteral(".WAV.MID.AVI");
        s.FontName = QStringLiteral("Courier New");
        return s;
    };
    hooks.OpenFile = [](const QString& path, int hint) {
        qInfo("open %s with hint %d", qPrintable(path), hint);
        return true;
    };
    QPointer<TFileSearchDialog> held;
    TFileSearchDialog* dialog = TFileSearchDialog::ShowFileSearch(held, hooks);
    dialog->Location->setText(root);
    dialog->FileDate1->setText(QStringLiteral("01/01/2020"));
    dialog->FileDate2->setText(QStringLiteral("02/30/2020"));
    dialog->FileTime1->setText(QStringLiteral("10:00 PM"));
    dialog->FileTime2->setText(QStringLiteral("02:00 AM"));
    dialog->SizeType->setCurrentIndex(3);
    dialog->FileSize1->setText(QStringLiteral("100"));
    dialog->FileSize2->setText(QStringLiteral("5000000000"));
    dialog->SearchString->setText(QStringLiteral("needle"));
    if (!QTest::qWaitForWindowExposed(dialog))
        return 1;
    const char* names[] = { "fsearch_name", "fsearch_date", "fsearch_time", "fsearch_size", "fsearch_contents" };
    for (int i = 0; i < 5; ++i) {
        dialog->TabSet->setCurrentIndex(i);
        Save(dialog, out, QString::fromLatin1(names[i]));
    }
    dialog->ClearButtonClick();
    dialog->Location->setText(root);
    dialog->SearchString->clear();
    dialog->SearchString->setText(QStringLiteral("needle"));

    TSearchProgressDialog* progress = dialog->ProgressDialog();
    progress->Reset(root);
    progress->ShowDirectory(root + QStringLiteral("/a/rather/long/folder/name/that/does/not/fit/in/the/line"));
    progress->ShowFile(QStringLiteral("readme.txt"), 12345, 67);
    Save(progress, out, QStringLiteral("psearch"));
    progress->hide();

    {
        TFileSearchProgressDialog whole(dialog);
        whole.Update(0, QStringLiteral("/usr/share/doc"));
        whole.Update(1234);
        Save(&whole, out, QStringLiteral("srchall"));
    }

    dialog->SearchButtonClick();
    TSearchResultsDialog* results = dialog->Results();
    if (!results)
        return 1;
    if (!QTest::qWaitForWindowExposed(results))
        return 1;
    results->resize(700, 520);
    results->Preview->setChecked(true);
    results->PreviewClick();
    results->FileList->SetItemIndex(IndexOf(results->FileList, QStringLiteral("readme.txt")));
    results->FileListChange();
    Save(results, out, QStringLiteral("vsearch_contents"));

    // Every kind of file, without the text.
    dialog->SearchString->clear();
    dialog->SearchButtonClick();
    results = dialog->Results();
    if (!results || !QTest::qWaitForWindowExposed(results))
        return 1;
    results->Preview->setChecked(true);
    results->PreviewClick();
    results->ShowDetail->setChecked(true);
    results->ShowDetailClick();
    const struct {
        const char* file;
        const char* shot;
    } kinds[] = { { "readme.txt", "vsearch_text" }, { "needle.png", "vsearch_image" },
        { "needle.zip", "vsearch_archive" }, { "needle.wav", "vsearch_media" } };
    for (bool sideBySide : { false, true }) {
        results->SplitButtonClick(sideBySide);
        for (const auto& k : kinds) {
            results->FileList->SetItemIndex(IndexOf(results->FileList, QString::fromLatin1(k.file)));
            results->FileListChange();
            Save(results, out,
                QString::fromLatin1(k.shot) + (sideBySide ? QStringLiteral("_vert") : QStringLiteral("_horz")));
        }
    }
    results->FileList->SetItemIndex(IndexOf(results->FileList, QStringLiteral("readme.txt")));
    results->FileListChange();
    results->ViewerPanel->SelectTab(1);
    Save(results, out, QStringLiteral("vsearch_hex"));
    results->Preview->setChecked(false);
    results->PreviewClick();
    Save(results, out, QStringLiteral("vsearch_nopreview"));
    results->close();
    return 0;
}
