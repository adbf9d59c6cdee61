// The print engine on a canvas that records what it draws: a page of 1000 x 1100 pixels at 100 pixels per
// inch, characters 10 pixels wide and high. Macros, margins, wrapping, tabs, form feeds, page breaks,
// headers and footers, copies, selections and pictures.
#include "core/print/PrintLayout.h"
#include "base/HyExceptions.h"
#include "core/print/PrintOutputFiles.h"
#include "support/TempFiles.h"

#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hy::print;
using namespace hy::settings;

namespace {

struct Drawn {
    int Page;
    int X;
    int Y;
    QString Text;
    bool Centred;
    QString Colours; // "text/back" names of the colours set, empty when none
};

class RecordingCanvas : public TPrintCanvas {
public:
    void BeginDoc(const QString& title) override
    {
        Titles << title;
        m_page = 1;
    }
    void NewPage() override { ++m_page; }
    void EndDoc() override { ++Ended; }
    int PageNumber() const override { return m_page; }
    QSize PageSize() const override { return { 1000, 1100 }; }
    int DpiX() const override { return 100; }
    int DpiY() const override { return 100; }
    void SetFont(const QFont&) override { }
    int CharHeight() const override { return 10; }
    int AverageCharWidth() const override { return 10; }
    int TextWidth(const QString& text) const override { return 10 * int(text.size()); }
    int TextHeight(const QString&) const override { return 10; }
    void DrawText(int x, int y, int, const QString& text) override
    {
        Draws.push_back({ m_page, x, y, text, false, m_colours });
    }
    void SetTextColours(const QColor& text, const QColor& back) override
    {
        m_colours = text.isValid() || back.isValid() ? text.name() + QLatin1Char('/') + back.name() : QString();
    }
    void DrawCentered(const QRect& rect, const QString& text) override
    {
        Draws.push_back({ m_page, rect.left(), rect.top(), text, true, QString() });
        CentredRects << rect;
    }
    void DrawImage(int x, int y, const QImage& image) override
    {
        Draws.push_back(
            { m_page, x, y, QStringLiteral("image %1x%2").arg(image.width()).arg(image.height()), false, QString() });
    }

    // The text lines drawn, as "page:x,y text".
    QStringList Lines() const
    {
        QStringList out;
        for (const Drawn& d : Draws) {
            if (!d.Centred)
                out << QStringLiteral("%1:%2,%3 %4").arg(d.Page).arg(d.X).arg(d.Y).arg(d.Text);
        }
        return out;
    }
    // The text drawn in colours, as "x,y text colours".
    QStringList Coloured() const
    {
        QStringList out;
        for (const Drawn& d : Draws) {
            if (!d.Colours.isEmpty())
                out << QStringLiteral("%1,%2 %3 %4").arg(d.X).arg(d.Y).arg(d.Text, d.Colours);
        }
        return out;
    }
    QStringList Centred() const
    {
        QStringList out;
        for (const Drawn& d : Draws) {
            if (d.Centred)
                out << QStringLiteral("%1:%2,%3 %4").arg(d.Page).arg(d.X).arg(d.Y).arg(d.Text);
        }
        return out;
    }

    QStringList Titles;
    QList<QRect> CentredRects;
    std::vector<Drawn> Draws;
    int Ended = 0;

private:
    int m_page = 0;
    QString m_colours;
};

TPrintSettings Plain()
{
    TPrintSettings s;
    s.FileName = "notes.txt";
    s.Header.clear();
    s.Footer.clear();
    s.HonourFormFeeds = 1;
    return s;
}

// Prints the lines in one job and returns what the canvas recorded.
void Print(RecordingCanvas& canvas, const TPrintSettings& settings, const QStringList& lines)
{
    THyPrinter printer(canvas);
    printer.SetSettings(settings);
    printer.SetJobTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
    printer.BeginJob();
    for (const QString& line : lines)
        printer.PrintLine(line);
    printer.EndJob();
}

} // namespace

TEST(PrintMacros, ReplaceEachOccurrenceOnceWithoutRegardToCase)
{
    struct Case {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        { "&f &d &t", "a&F.txt 5/3/24 14:07" },
        { "Page &p", "Page 12" },
        { "&F|&P|&D|&T", "a&F.txt|12|5/3/24|14:07" },
        { "&&P and &&", "&P and &" },
        { "&x & &", "&x & &" },
        { "end &", "end &" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandPrintMacros(c.pattern, "a&F.txt", 12, "5/3/24", "14:07"), c.expected) << c.pattern;
}

TEST(PrintLayout, MarginsHeaderAndFooterSetThePrintableRectangle)
{
    struct Case {
        const char* what;
        double left, top, right, bottom;
        int unit;
        bool header, footer;
        QRect printable;
    };
    const Case cases[] = {
        { "inches", 0.75, 0.5, 0.75, 0.5, 0, false, false, QRect(QPoint(75, 50), QPoint(924, 1049)) },
        { "a header and footer need two rows", 0.75, 0.1, 0.75, 0.0, 0, true, true,
            QRect(QPoint(75, 20), QPoint(924, 1079)) },
        { "centimetres", 2.0, 2.54, 2.0, 1.0, 1, false, false, QRect(QPoint(79, 100), QPoint(920, 1060)) },
        { "at least two inches each way", 4.5, 5.0, 4.5, 5.0, 0, false, false,
            QRect(QPoint(450, 500), QPoint(649, 699)) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingCanvas canvas;
        TPrintSettings s = Plain();
        s.LeftMargin = c.left;
        s.TopMargin = c.top;
        s.RightMargin = c.right;
        s.BottomMargin = c.bottom;
        s.UnitOfMeasure = quint8(c.unit);
        s.Header = c.header ? "h" : "";
        s.Footer = c.footer ? "f" : "";
        THyPrinter printer(canvas);
        printer.SetSettings(s);
        printer.BeginJob();
        EXPECT_EQ(printer.Printable(), c.printable);
    }
    // 2.00 cm is 0.79 in as the dialog rounds it: both margins come out the same at the resolutions pages
    // are laid out in.
    for (const int dpi : { 72, 96, 100 })
        EXPECT_EQ(MarginPixels(2.0, 1, dpi), MarginPixels(0.79, 0, dpi)) << dpi;
}

TEST(PrintLayout, LongLinesWrapAfterTheLastBlankThatFitsOrBreakHard)
{
    RecordingCanvas canvas;
    QString words;
    while (words.size() < 200)
        words += "abcdef ";
    words.truncate(200);
    Print(canvas, Plain(), { words, QString(200, 'x') });
    // 85 characters fit between the margins; the last blank within them is at index 83.
    EXPECT_EQ(canvas.Lines(),
        QStringList({ "1:75,50 " + words.left(84), "1:75,62 " + words.mid(84, 84), "1:75,74 " + words.mid(168),
            "1:75,86 " + QString(85, 'x'), "1:75,98 " + QString(85, 'x'), "1:75,110 " + QString(30, 'x') }));

    RecordingCanvas unwrapped;
    TPrintSettings s = Plain();
    s.WrapLines = 0;
    Print(unwrapped, s, { QString(200, 'x') });
    EXPECT_EQ(unwrapped.Lines(), QStringList { "1:75,50 " + QString(200, 'x') }) << "cut off at the margin";
}

TEST(PrintLayout, TabsStopAtMultiplesFromThePageEdge)
{
    struct Case {
        const char* what;
        int tabSize;
        QString line;
        QStringList expected;
    };
    const Case cases[] = {
        { "stops every 80 pixels from the page's edge", 8, "a\tb\tc", { "1:75,50 a", "1:160,50 b", "1:240,50 c" } },
        { "a tab at the margin goes to the next stop", 8, "\tx", { "1:80,50 x" } },
        { "tabs not expanded stand for a blank", 0, "a\tb", { "1:75,50 a", "1:95,50 b" } },
        { "a stop beyond the margin starts a new line", 8, QString(84, 'y') + "\tz",
            { "1:75,50 " + QString(84, 'y'), "1:75,62 z" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingCanvas canvas;
        TPrintSettings s = Plain();
        s.TabSize = quint8(c.tabSize);
        Print(canvas, s, { c.line });
        EXPECT_EQ(canvas.Lines(), c.expected);
    }
}

TEST(PrintLayout, PagesBreakAtTheBottomMarginAndOnFormFeeds)
{
    RecordingCanvas canvas;
    TPrintSettings s = Plain();
    s.Footer = "Page &p";
    s.PageNumberOffset = 10;
    QStringList lines;
    for (int i = 0; i < 100; ++i) {
        lines << QString::number(i);
        if (i == 81)
            lines << ""
                  << "";
    }
    lines << ""
          << ""
          << "after blanks";
    Print(canvas, s, lines);
    const QStringList drawn = canvas.Lines();
    // Lines 12 pixels apart from 50; a page takes another line while two more would still fit above the
    // bottom margin at 1050.
    ASSERT_EQ(drawn.size(), 101);
    EXPECT_EQ(drawn.at(81), "1:75,1022 81");
    EXPECT_EQ(drawn.at(82), "2:75,50 82") << "empty lines at the top of a page are skipped";
    EXPECT_EQ(drawn.last(), "2:75,286 after blanks") << "empty lines inside a page advance a row each";
    EXPECT_EQ(canvas.Centred(), QStringList({ "1:75,1090 Page 11", "2:75,1090 Page 12" }));

    RecordingCanvas feeds;
    Print(feeds, Plain(), { "one\ftwo", "three", "\f", "\f", "four", "\f" });
    EXPECT_EQ(feeds.Lines(), QStringList({ "1:75,50 one", "2:75,50 two", "2:75,62 three", "4:75,60 four" }))
        << "two feeds leave a blank page; a feed at the end adds none";
    EXPECT_EQ(feeds.PageNumber(), 4);

    RecordingCanvas hex;
    s = Plain();
    s.HonourFormFeeds = 0;
    Print(hex, s, { "one\ftwo" });
    EXPECT_EQ(hex.Lines(), QStringList { "1:75,50 one\ftwo" });
}

TEST(PrintLayout, HeadersRepeatOnEveryPageIncludingOnesBegunByWrapping)
{
    RecordingCanvas canvas;
    TPrintSettings s = Plain();
    s.Header = "&f &d &t";
    s.Footer = "Page &p";
    QStringList lines(80, "x");
    lines << QString(300, 'y');
    Print(canvas, s, lines);
    const QStringList centred = canvas.Centred();
    ASSERT_EQ(centred.size(), 4);
    EXPECT_TRUE(centred.at(0).startsWith("1:75,0 notes.txt ")) << centred.at(0).toStdString();
    EXPECT_EQ(centred.at(1), "1:75,1090 Page 1");
    EXPECT_TRUE(centred.at(2).startsWith("2:75,0 notes.txt "));
    EXPECT_EQ(centred.at(3), "2:75,1090 Page 2");
    EXPECT_EQ(canvas.CentredRects.first(), QRect(QPoint(75, 0), QPoint(924, 9)));
    EXPECT_EQ(canvas.Titles, QStringList { "NOTES.TXT" });
}

TEST(PrintTextCopies, CopiesAreJobsOfTheirOwnAndStopEndsTheLastOne)
{
    const QStringList text { "0123456789", "abcdefghij", "ABCDEFGHIJ" };
    TPrintTextJob job;
    job.FirstLine = 0;
    job.LastLine = 2;
    job.LineText = [&](qint64 line, qint64 from, qint64 to) {
        const QString& t = text.at(line);
        return t.mid(from, to < 0 ? -1 : to - from);
    };
    TPrintSettings s = Plain();
    s.Copies = 3;

    RecordingCanvas copies;
    EXPECT_EQ(PrintTextCopies(copies, s, QFont(), job), 3);
    EXPECT_EQ(copies.Titles, QStringList({ "NOTES.TXT", "NOTES.TXT", "NOTES.TXT" }));
    EXPECT_EQ(copies.Ended, 3);
    EXPECT_EQ(copies.Lines().size(), 9);

    // Selected from line 0, index 4, to line 2, index 6.
    job.Selection = true;
    job.StartIndex = 4;
    job.EndIndex = 6;
    s.Copies = 1;
    RecordingCanvas selected;
    PrintTextCopies(selected, s, QFont(), job);
    EXPECT_EQ(selected.Lines(), QStringList({ "1:75,50     456789", "1:75,62 abcdefghij", "1:75,74 ABCDEF" }));

    int lines = 0;
    job.Selection = false;
    job.Progress = [&](int page) {
        EXPECT_EQ(page, 1);
        return ++lines < 2;
    };
    s.Copies = 5;
    RecordingCanvas stopped;
    EXPECT_EQ(PrintTextCopies(stopped, s, QFont(), job), 1);
    EXPECT_EQ(stopped.Lines().size(), 2);
    EXPECT_EQ(stopped.Ended, 1) << "the stopped copy still ends its job";
}

// Colour rules print their colours: a span cut by a wrap keeps its colour on the next line, a selection's
// first line has its spans moved past the blanks, and text after a span prints in the canvas's own colour.
TEST(PrintTextCopies, ColouredSpansPrintInTheirColoursThroughWrapsAndSelections)
{
    const QStringList text { "ERROR disk full on /var and /home", "plain", "xx WARN yy" };
    TPrintTextJob job;
    job.FirstLine = 0;
    job.LastLine = 2;
    job.LineText
        = [&](qint64 line, qint64 from, qint64 to) { return text.at(line).mid(from, to < 0 ? -1 : to - from); };
    const QColor red(Qt::red);
    const QColor yellow(Qt::yellow);
    job.LineColours = [&](qint64 line, qint64, qint64, const QString& shown) {
        std::vector<TPrintColour> out;
        for (const QString& word : { QStringLiteral("ERROR"), QStringLiteral("WARN") }) {
            const qsizetype at = shown.indexOf(word);
            if (at >= 0)
                out.push_back({ at, at + word.size(), red, yellow });
        }
        if (line == 0)
            out.push_back({ 6, 100, Qt::blue, QColor() }); // to the end, beyond the text
        return out;
    };
    TPrintSettings s = Plain();
    RecordingCanvas canvas;
    PrintTextCopies(canvas, s, QFont(), job);
    EXPECT_EQ(canvas.Coloured(),
        QStringList({ "75,50 ERROR #ff0000/#ffff00", "135,50 disk full on /var and /home #0000ff/#000000",
            "105,74 WARN #ff0000/#ffff00" }));
    EXPECT_EQ(canvas.Lines(),
        QStringList({ "1:75,50 ERROR", "1:125,50  ", "1:135,50 disk full on /var and /home", "1:75,62 plain",
            "1:75,74 xx ", "1:105,74 WARN", "1:145,74  yy" }));

    // The narrowest page (two inches of text) wraps the blue span at its last blank that fits: both pieces
    // stay blue, and the plain text after the line prints in the canvas's colour again.
    s.RightMargin = 9.0;
    RecordingCanvas narrow;
    PrintTextCopies(narrow, s, QFont(), job);
    EXPECT_EQ(narrow.Coloured(),
        QStringList({ "75,50 ERROR #ff0000/#ffff00", "135,50 disk full on  #0000ff/#000000",
            "75,62 /var and /home #0000ff/#000000", "105,86 WARN #ff0000/#ffff00" }));
    EXPECT_TRUE(narrow.Lines().contains("1:75,74 plain"));

    // A selection from index 3 of the last line prints three blanks first and WARN behind them.
    job.Selection = true;
    job.FirstLine = job.LastLine = 2;
    job.StartIndex = 3;
    job.EndIndex = 10;
    RecordingCanvas selected;
    PrintTextCopies(selected, s, QFont(), job);
    EXPECT_EQ(selected.Coloured(), QStringList({ "105,50 WARN #ff0000/#ffff00" }));
}

TEST(PrintImageCopies, CentredOnThePageOncePerCopy)
{
    RecordingCanvas canvas;
    TPrintSettings s = Plain();
    s.Copies = 2;
    s.Footer = "Page &p";
    PrintImageCopies(canvas, s, QFont(), QImage(200, 101, QImage::Format_RGB32));
    EXPECT_EQ(canvas.Lines(), QStringList({ "1:400,500 image 200x101", "1:400,500 image 200x101" }));
    EXPECT_EQ(canvas.Centred(), QStringList({ "1:75,1090 Page 1", "1:75,1090 Page 1" }));
    EXPECT_EQ(canvas.Ended, 2);
}

TEST(PrintPageCopies, EachPageOnAPrintedPageOfItsOwnFittedToThePrintableArea)
{
    RecordingCanvas canvas;
    TPrintSettings s = Plain();
    s.Copies = 2;
    s.Footer = "Page &p";
    QList<QSize> asked;
    TPrintPagesJob job;
    job.FirstPage = 0;
    job.LastPage = 2;
    // Pages twice as tall as wide, drawn as large as the area allows.
    job.RenderPage = [&asked](int, const QSize& largest) {
        asked << largest;
        const QSize size = QSize(1, 2).scaled(largest, Qt::KeepAspectRatio);
        return QImage(size, QImage::Format_RGB32);
    };
    EXPECT_EQ(PrintPageCopies(canvas, s, QFont(), job), 2);
    ASSERT_EQ(asked.size(), 6);
    // Margins of 0.75 and 0.5 inch at 100 dpi (wider than the footer's two lines).
    const QSize area(1000 - 150, 1100 - 50 - 50);
    EXPECT_EQ(asked.first(), area);
    const int w = area.height() / 2;
    const QString at
        = QStringLiteral("%1,%2 image %3x%4").arg(75 + (area.width() - w) / 2).arg(50).arg(w).arg(area.height());
    EXPECT_EQ(canvas.Lines(), QStringList({ "1:" + at, "2:" + at, "3:" + at, "1:" + at, "2:" + at, "3:" + at }));
    EXPECT_EQ(canvas.Centred().size(), 6) << "every page has its footer";
    EXPECT_EQ(canvas.Ended, 2);

    // Stopping ends the job after the page printed and prints no more copies.
    RecordingCanvas stopped;
    job.Progress = [](int page) { return page < 2; };
    EXPECT_EQ(PrintPageCopies(stopped, s, QFont(), job), 1);
    EXPECT_EQ(stopped.Lines().size(), 2);
    EXPECT_EQ(stopped.Ended, 1);
}

// The files a print into a file writes: the numbered series, a file made exclusively for each job, files of
// others never replaced or removed, and a folder that cannot take one named in the error.
TEST(PrintOutputFiles, EachJobTakesTheNextNameThatNamesNothing)
{
    hy::test::TTempFolder dir;
    const QString wanted = dir.PathOf("notes.pdf");
    EXPECT_EQ(NumberedFileName(wanted, 1), wanted);
    EXPECT_EQ(NumberedFileName(wanted, 12), dir.PathOf("notes-12.pdf"));
    EXPECT_EQ(NumberedFileName(dir.PathOf("README"), 2), dir.PathOf("README-2"));
    EXPECT_EQ(NumberedFileName(dir.PathOf("a.tar.gz"), 3), dir.PathOf("a.tar-3.gz"));

    // The user's own files, and a dangling link, are taken names.
    dir.Write("notes.pdf", "the user's document");
    dir.Write("notes-3.pdf", "another of the user's files");
    ASSERT_EQ(::symlink("nowhere", dir.PathOf("notes-4.pdf").toUtf8().constData()), 0);
    EXPECT_EQ(FirstFreeFileName(wanted), dir.PathOf("notes-2.pdf"));

    TPrintOutputFiles output(wanted, false);
    EXPECT_EQ(output.Next(), dir.PathOf("notes-2.pdf"));
    EXPECT_TRUE(QFileInfo::exists(dir.PathOf("notes-2.pdf"))) << "made for the job at once";
    EXPECT_EQ(output.Next(), dir.PathOf("notes-5.pdf"));
    EXPECT_EQ(output.Files(), QStringList({ dir.PathOf("notes-2.pdf"), dir.PathOf("notes-5.pdf") }));
    EXPECT_EQ(hy::test::ReadAll(wanted), "the user's document");
    EXPECT_EQ(hy::test::ReadAll(dir.PathOf("notes-3.pdf")), "another of the user's files");
    EXPECT_EQ(QFileInfo(dir.PathOf("notes-4.pdf")).symLinkTarget().isEmpty(), false) << "the link stays a link";

    // A job that could not start gives its empty file back; a file with something in it stays.
    output.DropLast();
    EXPECT_FALSE(QFileInfo::exists(dir.PathOf("notes-5.pdf")));
    EXPECT_EQ(output.Files(), QStringList { dir.PathOf("notes-2.pdf") });

    // The file the user agreed to replace is the first job's; the copies after it go beside it.
    TPrintOutputFiles agreed(wanted, true);
    EXPECT_EQ(agreed.Next(), wanted);
    EXPECT_EQ(agreed.Next(), dir.PathOf("notes-5.pdf"));
    agreed.DropLast();
    agreed.DropLast();
    EXPECT_EQ(hy::test::ReadAll(wanted), "the user's document") << "never removed: this did not make it";
    EXPECT_TRUE(agreed.Files().isEmpty());

    TPrintOutputFiles nowhere(dir.PathOf("missing/notes.pdf"), false);
    try {
        nowhere.Next();
        ADD_FAILURE() << "a file in a missing folder cannot be made";
    } catch (const hy::base::Exception& e) {
        EXPECT_TRUE(e.Message().contains(dir.PathOf("missing/notes.pdf"))) << e.Message().toStdString();
    }
    EXPECT_TRUE(nowhere.Files().isEmpty());
}
