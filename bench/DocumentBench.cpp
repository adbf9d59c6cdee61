// The PDF page's speed: a 300-page PDF written by Qt's PDF writer (as the program's printing writes) is opened
// on a PDF page on screen; pdf_first_page_ms is the time from the start of the opening until every page in view
// has been painted from a picture rendered at its shown size, and pdf_page_ms the slowest Page Down until the
// next page is painted so. One "RATIO <name> <value>" line per figure.
#include "BenchTools.h"
#include "ui/document/PdfPage.h"
#include "ui/document/PdfView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>

namespace {

void WritePdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    QFont font(QStringLiteral("serif"));
    font.setPointSize(11);
    painter.setFont(font);
    const int lineHeight = painter.fontMetrics().height();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(0, lineHeight * 2, QStringLiteral("Chapter %1").arg(page + 1));
        for (int line = 0; line < 45; ++line)
            painter.drawText(0, lineHeight * (4 + line),
                QStringLiteral("Line %1 of page %2: the quick brown fox jumps over the lazy dog, again and again.")
                    .arg(line + 1)
                    .arg(page + 1));
        painter.drawRect(0, lineHeight * 50, 2000, 800);
    }
}

// Waits until the view reports every page in view sharp; ms taken, or -1 after 10 s.
double MsUntilSharp(hy::document::TPdfView* view, const QElapsedTimer& since)
{
    bool sharp = false;
    const auto connection = QObject::connect(view, &hy::document::TPdfView::ViewSharp, [&sharp]() { sharp = true; });
    view->viewport()->update();
    const bool ok = QTest::qWaitFor([&]() { return sharp; }, 10000);
    QObject::disconnect(connection);
    return ok ? double(since.nsecsElapsed()) / 1e6 : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    // Painted offscreen unless a screen is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
        return 2;
    }
    const QString pdf = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/book.pdf");
    WritePdf(pdf, 300);

    double first = 1e30;
    double slowestPage = 0;
    for (int run = 0; run < 3; ++run) {
        hy::document::TPdfPage page;
        page.resize(900, 1000);
        page.show();
        if (!QTest::qWaitForWindowExposed(&page))
            return 1;
        QElapsedTimer timer;
        timer.start();
        if (page.Open(pdf) != hy::document::TPdfPage::TOpenResult::Shown || page.PageCount() != 300) {
            std::fprintf(stderr, "the PDF did not open: %s\n", qPrintable(page.ErrorText()));
            return 1;
        }
        const double ms = MsUntilSharp(page.View(), timer);
        if (ms < 0)
            return 1;
        first = std::min(first, ms);
        if (run == 0) {
            for (int step = 0; step < 30; ++step) {
                QElapsedTimer pageTimer;
                pageTimer.start();
                QTest::keyClick(page.View(), Qt::Key_PageDown);
                slowestPage = std::max(slowestPage, MsUntilSharp(page.View(), pageTimer));
            }
        }
    }
    std::fprintf(stderr, "first page %.1f ms, slowest Page Down %.1f ms\n", first, slowestPage);
    hy::bench::Ratio("pdf_first_page_ms", first);
    hy::bench::Ratio("pdf_page_ms", slowestPage);
    return 0;
}
