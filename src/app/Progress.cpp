// The progress window: a prompt line, the gauge and Stop.
#include "app/Progress.h"

#include "common/ErrorText.h"
#include "ui/common/Ask.h"

#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace hy::app {

using namespace hy::common;

namespace {
    constexpr int kClientWidth = 340;
    // The gauge counts in steps of its own so that totals of any size fit it.
    constexpr int kGaugeSteps = 10000;
} // namespace

TProgressReport::TProgressReport(QWidget* parent)
    : THyForm(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , Prompt(new QLabel(this))
    , ProgressPanel(new QWidget(this))
    , ProgressBar(new QProgressBar(ProgressPanel))
    , StopButton(new QPushButton(QStringLiteral("Stop"), this))
{
    setObjectName(QStringLiteral("Progress"));
    setModal(false);
    Prompt->setObjectName(QStringLiteral("Prompt"));
    Prompt->setAlignment(Qt::AlignCenter);
    Prompt->setGeometry(8, 12, kClientWidth - 16, 20);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setGeometry(8, 40, kClientWidth - 16, 40);
    auto* panelLayout = new QVBoxLayout(ProgressPanel);
    panelLayout->setContentsMargins(4, 8, 4, 8);
    panelLayout->addWidget(ProgressBar);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, kGaugeSteps);
    ProgressBar->setTextVisible(true);
    QPalette gauge = ProgressBar->palette();
    gauge.setColor(QPalette::Highlight, QColor(128, 0, 0));
    ProgressBar->setPalette(gauge);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setAutoDefault(false);
    connect(StopButton, &QPushButton::clicked, this, &TProgressReport::StopClick);
    Start(0);
}

TProgressReport::~TProgressReport() = default;

TProgressReport* TProgressReport::Of(QWidget* mainWindow)
{
    if (auto* existing
        = mainWindow->findChild<TProgressReport*>(QStringLiteral("Progress"), Qt::FindDirectChildrenOnly))
        return existing;
    return new TProgressReport(mainWindow);
}

void TProgressReport::Start(qint64 total)
{
    m_cancelled = false;
    m_position = 0;
    m_total = qMax<qint64>(0, total);
    setWindowTitle(QString());
    Prompt->clear();
    ProgressBar->setValue(0);
    m_promptLines = 1;
    Layout();
}

void TProgressReport::Layout()
{
    // The prompt grows by a line for each line of its text; the gauge and Stop move down below it.
    const int extra = (m_promptLines - 1) * Prompt->fontMetrics().lineSpacing();
    Prompt->setGeometry(8, 12, kClientWidth - 16, 20 + extra);
    const bool gauge = m_total > 1;
    ProgressPanel->setVisible(gauge);
    ProgressPanel->move(8, 40 + extra);
    const int buttonTop = (gauge ? 96 : 44) + extra;
    StopButton->setGeometry((kClientWidth - 75) / 2, buttonTop, 75, 25);
    setFixedSize(kClientWidth, (gauge ? 133 : 80) + extra);
}

void TProgressReport::SetPrompt(const QString& text)
{
    // A line too long for the window (a long file name) loses its middle rather than its end.
    QStringList lines = DisplayText(text).split(QLatin1Char('\n'));
    const QFontMetrics metrics = Prompt->fontMetrics();
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, Prompt->width());
    if (int(lines.size()) != m_promptLines) {
        m_promptLines = int(lines.size());
        Layout();
    }
    Prompt->setText(lines.join(QLatin1Char('\n')));
}

void TProgressReport::Update(const QString& title, const QString& text, qint64 step)
{
    if (!isVisible()) {
        show();
        if (!m_placed) {
            CenterOnScreen();
            m_placed = true;
        }
    }
    if (!title.isEmpty())
        setWindowTitle(title);
    if (!text.isEmpty())
        SetPrompt(text);
    if (step >= 0) {
        m_position = qMin(m_total, m_position + step);
        const int value = m_total > 0 ? int(double(m_position) * kGaugeSteps / double(m_total)) : 0;
        ProgressBar->setValue(value);
    }
    repaint();
}

void TProgressReport::Finish()
{
    m_cancelled = false;
    hide();
}

void TProgressReport::reject() { StopClick(); }

void TProgressReport::StopClick()
{
    // A second Stop while the question is up changes nothing.
    if (m_asking)
        return;
    m_asking = true;
    m_cancelled = AskYesNo(QStringLiteral("Abort"), QStringLiteral("Do you want to cancel this function?"));
    m_asking = false;
}

} // namespace hy::app
