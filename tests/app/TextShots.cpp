// Takes pictures of text in the viewer for a person to look at (not a test): UTF-8 with wide and combining
// characters and an invalid byte, the line-number gutter, wrapped lines, the Encoding submenu and its
// Japanese group, the hex dump of UTF-8, and Japanese text in Shift_JIS as Auto reads it.
//   hy_text_shots OUTDIR
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "core/viewer/HvEncoding.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace hy::app;
using namespace hy::settings;

namespace {
QString Write(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return f.fileName();
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QByteArray text = "UTF-8: caf\xC3\xA9, na\xC3\xAFve, \xC3\xA9t\xC3\xA9 \xE2\x80\x94 \xE2\x82\xAC 12\n"
                      "Wide: \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 "
                      "\xEF\xBC\xA1\xEF\xBC\xA2 | ends here\n"
                      "Combining: e\xCC\x81 a\xCC\x8A o\xCC\x88\xCC\x81 | decomposed\n"
                      "Invalid: a\xFF"
                      "b\xC3(c\xE2\x82 end\n"
                      "Tab:\tcolumn\tnext\n";
    text += "Long: " + QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(12) + "END\n";
    for (int i = 7; i <= 40; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    const QString file = Write(out, QStringLiteral("sample-utf8.txt"), text);

    TMainForm form;
    form.resize(1000, 640);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.OpenFileInViewer(file, ViewMode::Standard, false);
    form.TileVertical();
    TChildForm* child = form.Children().value(0);
    if (!child)
        return 1;
    hy::viewer::THvFileViewer* v = child->FileViewer();
    // The invalid line makes Auto take Windows-1252; the person chooses UTF-8.
    form.grab().save(out.filePath("auto-1252.png"));
    form.EncodingAction(hy::viewer::TTextEncoding::Utf8)->trigger();
    form.Action(hy::app::TCommand::LineNumbers)->trigger();
    v->MoveCaretTo(1, 6, false);
    v->SelectRange(0, 7, true, 12, 0);
    QTest::qWait(300);
    form.grab().save(out.filePath("utf8-gutter.png"));

    form.Action(hy::app::TCommand::WrapLines)->trigger();
    v->MoveCaretTo(5, 60, false);
    QTest::qWait(300);
    form.grab().save(out.filePath("wrap.png"));
    form.Action(hy::app::TCommand::WrapLines)->trigger();

    form.Action(hy::app::TCommand::Hex)->trigger();
    QTest::qWait(300);
    form.grab().save(out.filePath("hex-utf8.png"));
    form.Action(hy::app::TCommand::Standard)->trigger();

    // The View menu with its Encoding submenu, drawn as a person opens them.
    QMenu* view = nullptr;
    for (QAction* a : form.menuBar()->actions()) {
        if (a->text() == QLatin1String("&View"))
            view = a->menu();
    }
    if (view) {
        Q_EMIT view->aboutToShow();
        view->popup(form.mapToGlobal(QPoint(120, 30)));
        QTest::qWait(200);
        view->grab().save(out.filePath("view-menu.png"));
        if (QAction* enc = form.Action(hy::app::TCommand::Encoding); enc && enc->menu()) {
            enc->menu()->popup(view->mapToGlobal(QPoint(view->width(), 0)));
            QTest::qWait(200);
            enc->menu()->grab().save(out.filePath("encoding-menu.png"));
            if (auto* japanese = enc->menu()->findChild<QMenu*>()) {
                for (QAction* a : enc->menu()->actions()) {
                    if (a->text() == QLatin1String("Japanese"))
                        japanese = a->menu();
                }
                japanese->popup(enc->menu()->mapToGlobal(QPoint(enc->menu()->width(), 0)));
                QTest::qWait(200);
                japanese->grab().save(out.filePath("encoding-japanese.png"));
                japanese->close();
            }
            enc->menu()->close();
        }
        view->close();
    }
    Q_EMIT child->ChildPopupMenu()->aboutToShow();
    child->ChildPopupMenu()->popup(child->mapToGlobal(QPoint(100, 100)));
    QTest::qWait(200);
    child->ChildPopupMenu()->grab().save(out.filePath("context-menu.png"));
    child->ChildPopupMenu()->close();

    // Japanese in Shift_JIS, with characters whose second byte is a backslash, as Auto reads it.
    const QByteArray sjis = hy::viewer::EncodeText(hy::viewer::TTextEncoding::ShiftJis,
        QStringLiteral("日本語のテキストを表示する: ソース表示 C:\\temp\n"
                       "カタカナ ｶﾀｶﾅ ひらがな 漢字 １２３ ＡＢＣ\n"
                       "予定表 能力 十 申 ソ 構\n")
            .repeated(6));
    form.OpenFileInViewer(Write(out, QStringLiteral("sample-sjis.txt"), sjis), ViewMode::Standard, false);
    form.TileVertical();
    QTest::qWait(300);
    form.grab().save(out.filePath("shift-jis.png"));
    return 0;
}
