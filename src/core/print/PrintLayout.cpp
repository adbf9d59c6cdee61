// Page set-up, header and footer, wrapping, tabs and page breaks of the print engine, and the canvas over
// QPainter.
#include "core/print/PrintLayout.h"

#include "base/HyExceptions.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace hy::print {

using namespace hy::base;
using namespace hy::settings;

TPainterCanvas::TPainterCanvas(TDeviceForJob deviceForJob)
    : m_deviceForJob(std::move(deviceForJob))
{
}

TPainterCanvas::~TPainterCanvas()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void TPainterCanvas::BeginDoc(const QString& title)
{
    m_device = m_deviceForJob(title, ++m_jobs);
    m_painter = std::make_unique<QPainter>();
    if (!m_device || !m_painter->begin(m_device))
        throw Exception(QStringLiteral("The printer could not start printing \"") + title + QStringLiteral("\"."));
    m_page = 1;
    m_painter->setPen(Qt::black);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->setBackgroundMode(Qt::TransparentMode);
    m_painter->setFont(m_font);
}

void TPainterCanvas::NewPage()
{
    if (m_device && m_device->newPage())
        ++m_page;
}

void TPainterCanvas::EndDoc()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_device = nullptr;
}

QSize TPainterCanvas::PageSize() const { return m_device ? QSize(m_device->width(), m_device->height()) : QSize(); }

int TPainterCanvas::DpiX() const { return m_device ? m_device->logicalDpiX() : 96; }

int TPainterCanvas::DpiY() const { return m_device ? m_device->logicalDpiY() : 96; }

void TPainterCanvas::SetFont(const QFont& font)
{
    m_font = font;
    if (m_painter && m_painter->isActive())
        m_painter->setFont(m_font);
}

int TPainterCanvas::CharHeight() const { return QFontMetrics(m_font, m_device).height(); }

int TPainterCanvas::AverageCharWidth() const { return QFontMetrics(m_font, m_device).averageCharWidth(); }

int TPainterCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(m_font, m_device).horizontalAdvance(text);
}

int TPainterCanvas::TextHeight(const QString&) const { return QFontMetrics(m_font, m_device).height(); }

void TPainterCanvas::DrawText(int x, int y, int clipRight, const QString& text)
{
    const QFontMetrics metrics(m_font, m_device);
    m_painter->save();
    m_painter->setClipRect(QRect(x, y, std::max(0, clipRight - x), metrics.height()));
    if (m_back.isValid())
        m_painter->fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), m_back);
    if (m_text.isValid())
        m_painter->setPen(m_text);
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

void TPainterCanvas::SetTextColours(const QColor& text, const QColor& back)
{
    m_text = text;
    m_back = back;
}

void TPainterCanvas::DrawCentered(const QRect& rect, const QString& text)
{
    m_painter->drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TPainterCanvas::DrawImage(int x, int y, const QImage& image) { m_painter->drawImage(QPoint(x, y), image); }

QString ExpandPrintMacros(
    const QString& pattern, const QString& fileName, int page, const QString& date, const QString& time)
{
    QString out;
    out.reserve(pattern.size() + fileName.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != QLatin1Char('&') || i + 1 >= pattern.size()) {
            out += pattern.at(i);
            continue;
        }
        switch (pattern.at(i + 1).toUpper().unicode()) {
        case 'F':
            out += fileName;
            break;
        case 'P':
            out += QString::number(page);
            break;
        case 'D':
            out += date;
            break;
        case 'T':
            out += time;
            break;
        case '&':
            out += QLatin1Char('&');
            break;
        default:
            out += pattern.at(i);
            continue;
        }
        ++i;
    }
    return out;
}

int MarginPixels(double margin, int unit, int dpi)
{
    const double inches = unit == 1 ? margin * 0.3937 : margin;
    return qRound(inches * dpi);
}

THyPrinter::THyPrinter(TPrintCanvas& canvas)
    : m_canvas(canvas)
{
}

void THyPrinter::BeginJob()
{
    m_lineCount = 0;
    m_lineHeight = 0;
    m_pageActive = false;
    m_advancePending = false;
    const QDateTime now = m_fixedTime.isValid() ? m_fixedTime : QDateTime::currentDateTime();
    m_date = QLocale().toString(now.date(), QLocale::ShortFormat);
    m_time = QLocale().toString(now.time(), QLocale::ShortFormat);
    m_canvas.BeginDoc(m_settings.FileName.toUpper());
    m_inJob = true;
    PageSetup();
}

void THyPrinter::SetFont(const QFont& font)
{
    m_canvas.SetFont(font);
    PageSetup();
}

int THyPrinter::PageNumber() const { return m_canvas.PageNumber() + m_settings.PageNumberOffset; }

void THyPrinter::PageSetup()
{
    const QSize page = m_canvas.PageSize();
    const int dpiX = m_canvas.DpiX();
    const int dpiY = m_canvas.DpiY();
    const int unit = m_settings.UnitOfMeasure;
    m_charHeight = m_canvas.CharHeight();
    const int h = m_charHeight;
    const int topMargin = MarginPixels(m_settings.TopMargin, unit, dpiY);
    const int bottomMargin = MarginPixels(m_settings.BottomMargin, unit, dpiY);
    m_left = MarginPixels(m_settings.LeftMargin, unit, dpiX);
    m_top = m_settings.Header.isEmpty() ? topMargin : std::max(2 * h, topMargin);
    m_right = page.width() - MarginPixels(m_settings.RightMargin, unit, dpiX);
    m_bottom = page.height() - (m_settings.Footer.isEmpty() ? bottomMargin : std::max(2 * h, bottomMargin));
    m_right = std::max(m_right, m_left + 2 * dpiX);
    m_bottom = std::max(m_bottom, m_top + 2 * dpiY);
    m_x = m_left;
    m_y = m_top;
}

void THyPrinter::EnsurePage()
{
    if (m_pageActive)
        return;
    if (m_advancePending) {
        m_canvas.NewPage();
        m_advancePending = false;
    }
    m_pageActive = true;
    PrintHeader();
}

void THyPrinter::PrintHeader()
{
    if (m_settings.Header.isEmpty())
        return;
    const QString text = ExpandPrintMacros(m_settings.Header, m_settings.FileName, PageNumber(), m_date, m_time);
    m_canvas.DrawCentered(QRect(QPoint(m_left, 0), QPoint(m_right - 1, m_charHeight - 1)), text);
}

void THyPrinter::PrintFooter()
{
    if (m_settings.Footer.isEmpty())
        return;
    const QString text = ExpandPrintMacros(m_settings.Footer, m_settings.FileName, PageNumber(), m_date, m_time);
    const int height = m_canvas.PageSize().height();
    m_canvas.DrawCentered(QRect(QPoint(m_left, height - m_charHeight), QPoint(m_right - 1, height - 1)), text);
}

void THyPrinter::NewLine()
{
    m_x = m_left;
    const int height = m_lineHeight > 0 ? m_lineHeight : m_charHeight;
    m_y += height;
    ++m_lineCount;
    if (m_bottom < m_y + 2 * height)
        NewPage();
    m_lineHeight = 0;
}

void THyPrinter::NewPage()
{
    // A page asked for twice in a row is printed blank; only a break at the very end leaves none.
    EnsurePage();
    PrintFooter();
    m_pageActive = false;
    m_advancePending = true;
    m_x = m_left;
    m_y = m_top;
    m_lineCount = 0;
}

void THyPrinter::PrintRun(const QString& text)
{
    QString run = text;
    while (!run.isEmpty()) {
        qsizetype count = run.size();
        if (m_settings.WrapLines && m_x + m_canvas.TextWidth(run) > m_right) {
            // The longest start of the run that fits.
            qsizetype lo = 0;
            qsizetype hi = run.size() - 1;
            while (lo < hi) {
                const qsizetype mid = (lo + hi + 1) / 2;
                if (m_x + m_canvas.TextWidth(run.left(mid)) <= m_right)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            const qsizetype fit = lo;
            // Nothing fits behind what the line holds already: the run goes on the next line.
            if (fit == 0 && m_x > m_left) {
                NewLine();
                continue;
            }
            qsizetype blank = -1;
            for (qsizetype k = std::min(fit, run.size() - 1); k >= 1; --k) {
                if (run.at(k) == QLatin1Char(' ')) {
                    blank = k;
                    break;
                }
            }
            count = std::max<qsizetype>(1, blank > 0 ? blank + 1 : fit);
        }
        const QString piece = run.left(count);
        EnsurePage();
        m_lineHeight = std::max(m_lineHeight, m_canvas.TextHeight(piece) + 2);
        m_canvas.DrawText(m_x, m_y, m_right, piece);
        run.remove(0, count);
        if (!run.isEmpty())
            NewLine();
        else
            m_x += m_canvas.TextWidth(piece);
    }
}

void THyPrinter::PrintLine(const QString& line, const std::vector<TPrintColour>& colours)
{
    if (m_lineCount == 0)
        PageSetup();
    QString text = line;
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == QLatin1Char(' ') || text.at(end - 1) == QLatin1Char('\t')))
        --end;
    text.truncate(end);
    if (text.isEmpty() && m_lineCount == 0)
        return;

    // Each character's colour span (-1: none); a run is printed whole in one colour.
    std::vector<int> colourOf;
    if (!colours.empty()) {
        colourOf.assign(size_t(text.size()), -1);
        for (size_t k = 0; k < colours.size(); ++k) {
            const qsizetype to = std::min(colours[k].To, text.size());
            for (qsizetype i = std::max<qsizetype>(0, colours[k].From); i < to; ++i)
                colourOf[size_t(i)] = int(k);
        }
    }
    int colour = -1;
    const auto useColour = [&](int next) {
        if (next == colour)
            return;
        colour = next;
        m_canvas.SetTextColours(
            next < 0 ? QColor() : colours[size_t(next)].Text, next < 0 ? QColor() : colours[size_t(next)].Back);
    };

    QString run;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!colourOf.empty() && colourOf[size_t(i)] != colour) {
            PrintRun(run);
            run.clear();
            useColour(colourOf[size_t(i)]);
        }
        switch (c.unicode()) {
        case '\t': {
            PrintRun(run);
            run.clear();
            const int stop = m_canvas.AverageCharWidth() * m_settings.TabSize;
            // Without expanded tabs a tab stands for one blank.
            if (stop <= 0)
                m_x += m_canvas.AverageCharWidth();
            else
                m_x = ((m_x + 1) / stop + 1) * stop;
            if (m_x > m_right)
                NewLine();
            break;
        }
        case '\n':
            PrintRun(run);
            run.clear();
            NewLine();
            break;
        case '\f':
            if (!m_settings.HonourFormFeeds) {
                run += c;
                break;
            }
            PrintRun(run);
            run.clear();
            NewPage();
            break;
        case '\r':
            PrintRun(run);
            run.clear();
            break;
        default:
            run += c;
        }
    }
    PrintRun(run);
    useColour(-1);
    NewLine();
}

void THyPrinter::PrintImage(const QImage& image)
{
    PageSetup();
    EnsurePage();
    const QSize page = m_canvas.PageSize();
    m_canvas.DrawImage(page.width() / 2 - image.width() / 2, page.height() / 2 - image.height() / 2, image);
}

QRect THyPrinter::PageArea()
{
    PageSetup();
    return Printable();
}

void THyPrinter::PrintDocumentPage(const QImage& image)
{
    if (m_pageActive)
        NewPage();
    const QRect area = PageArea();
    EnsurePage();
    m_canvas.DrawImage(
        area.left() + (area.width() - image.width()) / 2, area.top() + (area.height() - image.height()) / 2, image);
}

void THyPrinter::EndJob()
{
    if (!m_inJob)
        return;
    // A job that drew nothing still has its one page; a break at the very end adds none.
    if (!m_advancePending)
        EnsurePage();
    if (m_pageActive)
        PrintFooter();
    m_pageActive = false;
    m_inJob = false;
    m_canvas.EndDoc();
}

namespace {

    // Runs one job per copy on a printer set up for the settings: each copy begins its job, takes the font and
    // prints through printCopy, which says false to stop (that copy's job still ends; no more are begun).
    int PrintCopies(TPrintCanvas& canvas, const TPrintSettings& settings, const QFont& font, const QDateTime& time,
        const std::function<bool(THyPrinter& printer)>& printCopy)
    {
        THyPrinter printer(canvas);
        printer.SetSettings(settings);
        printer.SetJobTime(time);
        const int copies = std::clamp<int>(settings.Copies, 1, 999);
        int begun = 0;
        bool stopped = false;
        for (int copy = 0; copy < copies && !stopped; ++copy) {
            printer.BeginJob();
            ++begun;
            printer.SetFont(font);
            stopped = !printCopy(printer);
            printer.EndJob();
        }
        return begun;
    }

} // namespace

int PrintTextCopies(TPrintCanvas& canvas, const TPrintSettings& settings, const QFont& font, const TPrintTextJob& job,
    const QDateTime& time)
{
    return PrintCopies(canvas, settings, font, time, [&job](THyPrinter& printer) {
        for (qint64 line = job.FirstLine; line <= job.LastLine; ++line) {
            QString text;
            const qint64 to = job.Selection && line == job.LastLine ? job.EndIndex : -1;
            const qint64 from = job.Selection && line == job.FirstLine ? job.StartIndex : 0;
            qsizetype blanks = 0;
            if (from > 0) {
                blanks = job.LineText(line, 0, from).size();
                text = QString(blanks, QLatin1Char(' ')) + job.LineText(line, from, to);
            } else {
                text = job.LineText(line, 0, to);
            }
            text.truncate(kPrintLineLimit);
            std::vector<TPrintColour> colours;
            if (job.LineColours) {
                colours = job.LineColours(line, from, to, text.mid(blanks));
                for (TPrintColour& c : colours) {
                    c.From += blanks;
                    c.To += blanks;
                }
            }
            printer.PrintLine(text, colours);
            if (job.Progress && !job.Progress(printer.PageNumber()))
                return false;
        }
        return true;
    });
}

void PrintImageCopies(
    TPrintCanvas& canvas, const TPrintSettings& settings, const QFont& font, const QImage& image, const QDateTime& time)
{
    PrintCopies(canvas, settings, font, time, [&image](THyPrinter& printer) {
        printer.PrintImage(image);
        return true;
    });
}

int PrintPageCopies(TPrintCanvas& canvas, const TPrintSettings& settings, const QFont& font, const TPrintPagesJob& job,
    const QDateTime& time)
{
    return PrintCopies(canvas, settings, font, time, [&job](THyPrinter& printer) {
        for (int page = job.FirstPage; page <= job.LastPage; ++page) {
            printer.PrintDocumentPage(job.RenderPage(page, printer.PageArea().size()));
            if (job.Progress && !job.Progress(printer.PageNumber()))
                return false;
        }
        return true;
    });
}

} // namespace hy::print
