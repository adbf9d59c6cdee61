// The print engine THyPrinter: pages with margins, a header and a footer line made from templates
// ("&F" file name, "&P" page, "&D" date, "&T" time, "&&" an ampersand), lines wrapped at blanks, tab stops,
// form feeds and page breaks; and the text and picture print jobs built on it. It draws on a TPrintCanvas,
// which a printer, a PDF file or a test stands behind.
#pragma once

#include "core/settings/ViewerSettings.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace hy::print {

// Where the engine draws: one document per print job, pages, text metrics of the printer font.
class TPrintCanvas {
public:
    virtual ~TPrintCanvas() = default;
    // Starts a job (a document of its own) under a title; throws hy::Exception when the printer refuses.
    virtual void BeginDoc(const QString& title) = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    // The page being drawn, from 1.
    virtual int PageNumber() const = 0;
    // The printable page in device pixels, and the device's pixels per inch.
    virtual QSize PageSize() const = 0;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    virtual void SetFont(const QFont& font) = 0;
    // The font's character height and average character width.
    virtual int CharHeight() const = 0;
    virtual int AverageCharWidth() const = 0;
    virtual int TextWidth(const QString& text) const = 0;
    virtual int TextHeight(const QString& text) const = 0;
    // A single line with its top left at (x, y), cut off at clipRight.
    virtual void DrawText(int x, int y, int clipRight, const QString& text) = 0;
    // A single line centred in rect, its top on the rect's top.
    virtual void DrawCentered(const QRect& rect, const QString& text) = 0;
    virtual void DrawImage(int x, int y, const QImage& image) = 0;
    // The colours of the text drawn next: an invalid text colour is the canvas's own (black), an invalid
    // back colour draws nothing behind it.
    virtual void SetTextColours(const QColor& /*text*/, const QColor& /*back*/) { }
};

// Characters [From, To) of a printed line in colours of their own (a colour rule's match or line).
struct TPrintColour {
    qsizetype From = 0;
    qsizetype To = 0;
    QColor Text;
    QColor Back;
};

// A canvas over a paged paint device (a printer, a PDF writer) through QPainter, in black on nothing.
class TPainterCanvas : public TPrintCanvas {
public:
    // The device each job is drawn on, asked for at the start of every job (job counts from 1).
    using TDeviceForJob = std::function<QPagedPaintDevice*(const QString& title, int job)>;
    explicit TPainterCanvas(TDeviceForJob deviceForJob);
    ~TPainterCanvas() override;

    void BeginDoc(const QString& title) override;
    void NewPage() override;
    void EndDoc() override;
    int PageNumber() const override { return m_page; }
    QSize PageSize() const override;
    int DpiX() const override;
    int DpiY() const override;
    void SetFont(const QFont& font) override;
    int CharHeight() const override;
    int AverageCharWidth() const override;
    int TextWidth(const QString& text) const override;
    int TextHeight(const QString& text) const override;
    void DrawText(int x, int y, int clipRight, const QString& text) override;
    void DrawCentered(const QRect& rect, const QString& text) override;
    void DrawImage(int x, int y, const QImage& image) override;
    void SetTextColours(const QColor& text, const QColor& back) override;

private:
    TDeviceForJob m_deviceForJob;
    QColor m_text;
    QColor m_back;
    QPagedPaintDevice* m_device = nullptr;
    std::unique_ptr<QPainter> m_painter;
    QFont m_font;
    int m_page = 0;
    int m_jobs = 0;
};

// A template with its macros replaced; letter case does not matter and replaced text is not read again.
QString ExpandPrintMacros(
    const QString& pattern, const QString& fileName, int page, const QString& date, const QString& time);

// A margin in device pixels: the unit's value (centimetres are turned into inches first) times the
// resolution, rounded.
int MarginPixels(double margin, int unit, int dpi);

class THyPrinter {
public:
    explicit THyPrinter(TPrintCanvas& canvas);

    void SetSettings(const settings::TPrintSettings& settings) { m_settings = settings; }
    const settings::TPrintSettings& Settings() const { return m_settings; }
    // The moment a job stamps its pages with; by default the moment it begins.
    void SetJobTime(const QDateTime& time) { m_fixedTime = time; }

    // Starts a job titled with the file name in upper case.
    void BeginJob();
    // Sets the printer font.
    void SetFont(const QFont& font);
    // Prints one text line: tabs, form feeds (when honoured) and wrapping as set; characters in colours
    // print in them (where spans overlap, the later one wins).
    void PrintLine(const QString& line, const std::vector<TPrintColour>& colours = {});
    // The picture at its own pixel size, its centre on the page's centre.
    void PrintImage(const QImage& image);
    // A page of a paged document: on a printed page of its own (the next one after the first), its centre on
    // the centre of the printable rectangle. PageArea is the rectangle it should fill.
    void PrintDocumentPage(const QImage& image);
    QRect PageArea();
    // Prints the last footer and ends the job.
    void EndJob();

    // The page number the footer shows: the printer's page plus the page number offset.
    int PageNumber() const;
    // The printable rectangle of the current page setup.
    QRect Printable() const { return QRect(QPoint(m_left, m_top), QPoint(m_right - 1, m_bottom - 1)); }

private:
    void PageSetup();
    void EnsurePage();
    void PrintHeader();
    void PrintFooter();
    void NewLine();
    void NewPage();
    void PrintRun(const QString& run);

    TPrintCanvas& m_canvas;
    settings::TPrintSettings m_settings;
    QDateTime m_fixedTime;
    QString m_date;
    QString m_time;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;
    int m_bottom = 0;
    int m_x = 0;
    int m_y = 0;
    int m_lineHeight = 0;
    int m_lineCount = 0;
    int m_charHeight = 0;
    // A page is begun (its header drawn) only when something is drawn on it, so that a break at the end of
    // the text leaves no page with nothing but a footer.
    bool m_pageActive = false;
    bool m_advancePending = false;
    bool m_inJob = false;
};

// The text print job: which lines and where the selection cuts them, where their text comes from, and
// how progress is told.
struct TPrintTextJob {
    qint64 FirstLine = 0;
    qint64 LastLine = -1;
    // With a selection: the first line starts at StartIndex (what comes before prints as blanks) and the
    // last ends at EndIndex; indexes count bytes of the line.
    bool Selection = false;
    qint64 StartIndex = 0;
    qint64 EndIndex = 0;
    // The characters of a line from byte index from to index to (-1: the line's end).
    std::function<QString(qint64 line, qint64 from, qint64 to)> LineText;
    // Where set, the coloured characters of that text (indexes into what LineText gave).
    std::function<std::vector<TPrintColour>(qint64 line, qint64 from, qint64 to, const QString& text)> LineColours;
    // After each line, with the page being printed; false stops the job after that line and prints no more
    // copies.
    std::function<bool(int page)> Progress;
};

// The longest piece of a line that is printed.
inline constexpr int kPrintLineLimit = 1023;

// Prints the lines once per copy, each copy a job of its own. Returns the copies begun.
int PrintTextCopies(TPrintCanvas& canvas, const settings::TPrintSettings& settings, const QFont& font,
    const TPrintTextJob& job, const QDateTime& time = QDateTime());
// Prints the picture once per copy, each copy a job of its own.
void PrintImageCopies(TPrintCanvas& canvas, const settings::TPrintSettings& settings, const QFont& font,
    const QImage& image, const QDateTime& time = QDateTime());

// A paged document (a PDF) to print: how many pages, and each page drawn as large as fits in a size in device
// pixels. Progress hears each page printed; false stops the job.
struct TPrintPagesJob {
    int FirstPage = 0;
    int LastPage = -1;
    std::function<QImage(int page, const QSize& largest)> RenderPage;
    std::function<bool(int page)> Progress;
};

// Prints the pages once per copy, each copy a job of its own and each page on a printed page. Returns the
// copies begun.
int PrintPageCopies(TPrintCanvas& canvas, const settings::TPrintSettings& settings, const QFont& font,
    const TPrintPagesJob& job, const QDateTime& time = QDateTime());

} // namespace hy::print
