// The File Search dialog: its pages, their rules, and the search run.
#include "ui/search/Fsearch.h"

#include "common/HyUtils.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/Psearch.h"
#include "ui/search/Vsearch.h"
#include "ui/selector/Dirsel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace hy::search {

using namespace hy::common;
using namespace hy::filelist;
using namespace hy::platform;
using namespace hy::selector;

namespace {

    constexpr int kMessageIntervalMs = 50;
    const char* const kPageCaptions[] = { "Name && Location", "Date", "Time", "Size", "Contents" };

    // Every other visible window of the program is disabled while a search runs, and enabled again however
    // the search ends. A disabled window also keeps its close box from closing it meanwhile.
    class TWindowsHeld : public QObject {
    public:
        explicit TWindowsHeld(const QWidget* except)
        {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w == except || !w->isVisible() || !w->isEnabled())
                    continue;
                w->setEnabled(false);
                w->installEventFilter(this);
                m_held << w;
            }
        }
        ~TWindowsHeld() override
        {
            for (const QPointer<QWidget>& w : m_held) {
                if (!w)
                    continue;
                w->removeEventFilter(this);
                w->setEnabled(true);
            }
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Close) {
                event->ignore();
                return true;
            }
            return false;
        }

    private:
        QList<QPointer<QWidget>> m_held;
    };

    QWidget* Row(std::initializer_list<QWidget*> widgets, int indent = 0)
    {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(indent, 0, 0, 0);
        for (QWidget* w : widgets)
            layout->addWidget(w);
        layout->addStretch(1);
        return row;
    }

    QSpinBox* NumberField(const char* name)
    {
        auto* field = new QSpinBox;
        field->setObjectName(QLatin1String(name));
        field->setRange(0, 999);
        field->setValue(0);
        field->setFixedWidth(64);
        return field;
    }

    QLineEdit* MaskedField(const char* name, const char* mask, int width)
    {
        auto* field = new QLineEdit;
        field->setObjectName(QLatin1String(name));
        field->setInputMask(QLatin1String(mask));
        field->setFixedWidth(width);
        return field;
    }

    QLineEdit* SizeField(const char* name)
    {
        auto* field = new QLineEdit;
        field->setObjectName(QLatin1String(name));
        field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,19}")), field));
        field->setFixedWidth(120);
        field->setText(QStringLiteral("0"));
        return field;
    }

    qint64 SizeValue(const QLineEdit* field)
    {
        bool ok = false;
        const qint64 value = field->text().toLongLong(&ok);
        if (ok)
            return value;
        // Digits beyond the largest size stand for the largest size.
        return field->text().isEmpty() ? 0 : std::numeric_limits<qint64>::max();
    }

    QLabel* Caption(const QString& text, QWidget* buddy = nullptr)
    {
        auto* label = new QLabel(text);
        if (buddy)
            label->setBuddy(buddy);
        return label;
    }

} // namespace

TFileSearchDialog::TFileSearchDialog(const TSearchHooks& hooks, QWidget* parent)
    : THyForm(parent)
    , NoteBook(new QStackedWidget(this))
    , TabSet(new QTabBar(this))
    , SearchButton(new QPushButton(QStringLiteral("&Search"), this))
    , ClearButton(new QPushButton(QStringLiteral("&Clear"), this))
    , CloseButton(new QPushButton(QStringLiteral("Close"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
    , m_hooks(hooks)
    , m_progress(std::make_unique<TSearchProgressDialog>())
{
    setObjectName(QStringLiteral("FileSearchDialog"));
    setWindowTitle(QStringLiteral("File Search"));

    NoteBook->setObjectName(QStringLiteral("NoteBook"));
    NoteBook->setFrameStyle(QFrame::Panel | QFrame::Raised);
    NoteBook->addWidget(BuildNamePage());
    NoteBook->addWidget(BuildDatePage());
    NoteBook->addWidget(BuildTimePage());
    NoteBook->addWidget(BuildSizePage());
    NoteBook->addWidget(BuildContentsPage());
    TabSet->setObjectName(QStringLiteral("TabSet"));
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setDrawBase(false);
    TabSet->setExpanding(false);
    TabSet->setFocusPolicy(Qt::NoFocus);
    for (const char* caption : kPageCaptions)
        TabSet->addTab(QLatin1String(caption));

    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    SearchButton->setDefault(true);
    ClearButton->setObjectName(QStringLiteral("ClearButton"));
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton* b : { SearchButton, ClearButton, CloseButton, HelpButton })
        b->setMinimumWidth(84);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(NoteBook, 1);
    auto* tabRow = new QHBoxLayout;
    tabRow->addWidget(TabSet);
    tabRow->addStretch(1);
    left->addLayout(tabRow);
    auto* right = new QVBoxLayout;
    right->addWidget(SearchButton);
    right->addWidget(ClearButton);
    right->addWidget(CloseButton);
    right->addSpacing(8);
    right->addWidget(HelpButton);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    m_progress->setObjectName(QStringLiteral("SearchProgressDialog"));
    ConnectRules();
    TabSet->setCurrentIndex(0);
    NoteBook->setCurrentIndex(0);
    setFixedSize(sizeHint().expandedTo(QSize(500, 250)));
}

TFileSearchDialog::~TFileSearchDialog() = default;

TFileSearchDialog* TFileSearchDialog::ShowFileSearch(QPointer<TFileSearchDialog>& dialog, const TSearchHooks& hooks)
{
    if (!dialog) {
        dialog = new TFileSearchDialog(hooks, hooks.MainWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->CenterOnScreen();
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

TSearchResultsDialog* TFileSearchDialog::Results() const
{
    return m_results && !m_results->Closed() ? m_results.data() : nullptr;
}

QWidget* TFileSearchDialog::BuildNamePage()
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(kPageCaptions[0]));
    FileName = new QLineEdit(QStringLiteral("*.*"));
    FileName->setObjectName(QStringLiteral("FileName"));
    Location = new QLineEdit(QDir::homePath());
    Location->setObjectName(QStringLiteral("Location"));
    BrowseButton = new QToolButton;
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    BrowseButton->setText(QStringLiteral("..."));
    BrowseButton->setToolTip(QStringLiteral("Choose the location from a list of folders"));
    SearchSubDirs = new QCheckBox(QStringLiteral("&Include Subdirectories in Search"));
    SearchSubDirs->setObjectName(QStringLiteral("SearchSubDirs"));
    SearchSubDirs->setChecked(true);

    auto* locationRow = new QHBoxLayout;
    locationRow->addWidget(Location, 1);
    locationRow->addWidget(BrowseButton);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Caption(QStringLiteral("&File Name/Mask to Search for (*.* for All):"), FileName));
    layout->addWidget(FileName);
    layout->addSpacing(6);
    layout->addWidget(Caption(QStringLiteral("&Location (drive && directory) where Search will Begin:"), Location));
    layout->addLayout(locationRow);
    layout->addSpacing(6);
    layout->addWidget(SearchSubDirs);
    layout->addStretch(1);
    return page;
}

QWidget* TFileSearchDialog::BuildDatePage()
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(kPageCaptions[1]));
    IgnoreDate = new QRadioButton(QStringLiteral("Search &All files regardless of Date"));
    IgnoreDate->setObjectName(QStringLiteral("IgnoreDate"));
    SearchOnDate = new QRadioButton(QStringLiteral("&Limit the Search to Files with Dates:"));
    SearchOnDate->setObjectName(QStringLiteral("SearchOnDate"));
    DateBetween = new QRadioButton(QStringLiteral("&Between"));
    DateBetween->setObjectName(QStringLiteral("DateBetween"));
    FileDate1 = MaskedField("FileDate1", kDateFieldMask, 96);
    FileDate2 = MaskedField("FileDate2", kDateFieldMask, 96);
    DateMonths = new QRadioButton(QStringLiteral("D&uring the Previous"));
    DateMonths->setObjectName(QStringLiteral("DateMonths"));
    MonthRange = NumberField("MonthRange");
    DateDays = new QRadioButton(QStringLiteral("&During the Previous"));
    DateDays->setObjectName(QStringLiteral("DateDays"));
    DayRange = NumberField("DayRange");

    auto* outer = new QButtonGroup(page);
    outer->addButton(IgnoreDate);
    outer->addButton(SearchOnDate);
    auto* rows = new QButtonGroup(page);
    rows->addButton(DateBetween);
    rows->addButton(DateMonths);
    rows->addButton(DateDays);
    IgnoreDate->setChecked(true);
    DateBetween->setChecked(true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(IgnoreDate);
    layout->addWidget(SearchOnDate);
    layout->addWidget(Row({ DateBetween, FileDate1, new QLabel(QStringLiteral("and")), FileDate2 }, 20));
    layout->addWidget(Row({ DateMonths, MonthRange, new QLabel(QStringLiteral("Months")) }, 20));
    layout->addWidget(Row({ DateDays, DayRange, new QLabel(QStringLiteral("Days")) }, 20));
    layout->addStretch(1);
    return page;
}

QWidget* TFileSearchDialog::BuildTimePage()
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(kPageCaptions[2]));
    IgnoreTime = new QRadioButton(QStringLiteral("Search &All files regardless of Time"));
    IgnoreTime->setObjectName(QStringLiteral("IgnoreTime"));
    SearchOnTime = new QRadioButton(QStringLiteral("&Limit the Search to Files with Times:"));
    SearchOnTime->setObjectName(QStringLiteral("SearchOnTime"));
    TimeBetween = new QRadioButton(QStringLiteral("&Between"));
    TimeBetween->setObjectName(QStringLiteral("TimeBetween"));
    FileTime1 = MaskedField("FileTime1", kTimeFieldMask, 80);
    FileTime2 = MaskedField("FileTime2", kTimeFieldMask, 80);
    TimeHours = new QRadioButton(QStringLiteral("&During the Previous"));
    TimeHours->setObjectName(QStringLiteral("TimeHours"));
    HourRange = NumberField("HourRange");

    auto* outer = new QButtonGroup(page);
    outer->addButton(IgnoreTime);
    outer->addButton(SearchOnTime);
    auto* rows = new QButtonGroup(page);
    rows->addButton(TimeBetween);
    rows->addButton(TimeHours);
    IgnoreTime->setChecked(true);
    TimeBetween->setChecked(true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(IgnoreTime);
    layout->addWidget(SearchOnTime);
    layout->addWidget(Row({ TimeBetween, FileTime1, new QLabel(QStringLiteral("and")), FileTime2 }, 20));
    layout->addWidget(Row({ TimeHours, HourRange, new QLabel(QStringLiteral("Hours")) }, 20));
    layout->addStretch(1);
    return page;
}

QWidget* TFileSearchDialog::BuildSizePage()
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(kPageCaptions[3]));
    IgnoreSize = new QRadioButton(QStringLiteral("Search &All files regardless of Size"));
    IgnoreSize->setObjectName(QStringLiteral("IgnoreSize"));
    SearchOnSize = new QRadioButton(QStringLiteral("&Limit the Search to Files with Sizes:"));
    SearchOnSize->setObjectName(QStringLiteral("SearchOnSize"));
    SizeType = new QComboBox;
    SizeType->setObjectName(QStringLiteral("SizeType"));
    SizeType->addItems({ QStringLiteral("Equal To"), QStringLiteral("Less Than"), QStringLiteral("Greater Than"),
        QStringLiteral("Between") });
    SizeType->setCurrentIndex(0);
    FileSize1 = SizeField("FileSize1");
    FileSize2 = SizeField("FileSize2");
    SizePart2 = Row({ new QLabel(QStringLiteral("and")), FileSize2, new QLabel(QStringLiteral("bytes")) }, 20);
    SizePart2->setObjectName(QStringLiteral("SizePart2"));
    SizePart2->hide();

    auto* outer = new QButtonGroup(page);
    outer->addButton(IgnoreSize);
    outer->addButton(SearchOnSize);
    IgnoreSize->setChecked(true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(IgnoreSize);
    layout->addWidget(SearchOnSize);
    layout->addWidget(Row({ SizeType, FileSize1, new QLabel(QStringLiteral("bytes")) }, 20));
    layout->addWidget(SizePart2);
    layout->addStretch(1);
    return page;
}

QWidget* TFileSearchDialog::BuildContentsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(kPageCaptions[4]));
    IgnoreContents = new QRadioButton(QStringLiteral("Search &All files regardless of Contents"));
    IgnoreContents->setObjectName(QStringLiteral("IgnoreContents"));
    SearchOnContents = new QRadioButton(QStringLiteral("&Limit the Search to Files containing the following Text:"));
    SearchOnContents->setObjectName(QStringLiteral("SearchOnContents"));
    SearchString = new QLineEdit;
    SearchString->setObjectName(QStringLiteral("SearchString"));
    MatchCase = new QCheckBox(QStringLiteral("Match &Case"));
    MatchCase->setObjectName(QStringLiteral("MatchCase"));
    // Kept for the page's layout; whole words are not told apart by the search.
    WholeWords = new QCheckBox(QStringLiteral("&Whole Words Only"));
    WholeWords->setObjectName(QStringLiteral("WholeWords"));
    WholeWords->hide();
    SearchCompressed = new QCheckBox(QStringLiteral("Search inside compressed files"));
    SearchCompressed->setObjectName(QStringLiteral("SearchCompressed"));

    auto* outer = new QButtonGroup(page);
    outer->addButton(IgnoreContents);
    outer->addButton(SearchOnContents);
    IgnoreContents->setChecked(true);

    auto* field = new QWidget;
    auto* fieldLayout = new QVBoxLayout(field);
    fieldLayout->setContentsMargins(20, 0, 0, 0);
    fieldLayout->addWidget(SearchString);
    fieldLayout->addWidget(MatchCase);
    fieldLayout->addWidget(WholeWords);
    fieldLayout->addWidget(SearchCompressed);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(IgnoreContents);
    layout->addWidget(SearchOnContents);
    layout->addWidget(field);
    layout->addStretch(1);
    return page;
}

void TFileSearchDialog::ConnectRules()
{
    const auto check = [](QRadioButton* outer, QRadioButton* row) {
        return [outer, row]() {
            outer->setChecked(true);
            if (row)
                row->setChecked(true);
        };
    };
    // Date page.
    connect(FileDate1, &QLineEdit::textChanged, this, check(SearchOnDate, DateBetween));
    connect(FileDate2, &QLineEdit::textChanged, this, check(SearchOnDate, DateBetween));
    connect(DateBetween, &QRadioButton::clicked, this, check(SearchOnDate, DateBetween));
    connect(DateMonths, &QRadioButton::clicked, this, check(SearchOnDate, DateMonths));
    connect(MonthRange, &QSpinBox::valueChanged, this, check(SearchOnDate, DateMonths));
    connect(DateDays, &QRadioButton::clicked, this, check(SearchOnDate, DateDays));
    connect(DayRange, &QSpinBox::valueChanged, this, check(SearchOnDate, DateDays));
    // Time page.
    connect(FileTime1, &QLineEdit::textChanged, this, check(SearchOnTime, TimeBetween));
    connect(FileTime2, &QLineEdit::textChanged, this, check(SearchOnTime, TimeBetween));
    connect(TimeBetween, &QRadioButton::clicked, this, check(SearchOnTime, TimeBetween));
    connect(TimeHours, &QRadioButton::clicked, this, check(SearchOnTime, TimeHours));
    connect(HourRange, &QSpinBox::valueChanged, this, check(SearchOnTime, TimeHours));
    // A field that holds a whole value that is no date or time shows it in red.
    for (QLineEdit* field : { FileDate1, FileDate2 }) {
        connect(field, &QLineEdit::textChanged, this, [this, field]() {
            MarkField(field, !field->hasAcceptableInput() || ParseDateField(field->text()).isValid());
        });
    }
    for (QLineEdit* field : { FileTime1, FileTime2 }) {
        connect(field, &QLineEdit::textChanged, this,
            [this, field]() { MarkField(field, !field->hasAcceptableInput() || ParseTimeField(field->text()) >= 0); });
    }
    // Size page.
    connect(SizeType, &QComboBox::currentIndexChanged, this, [this](int index) {
        SearchOnSize->setChecked(true);
        SizePart2->setVisible(index == int(TSizeRule::Between));
    });
    connect(FileSize1, &QLineEdit::textChanged, this, check(SearchOnSize, nullptr));
    connect(FileSize2, &QLineEdit::textChanged, this, check(SearchOnSize, nullptr));
    // Contents page.
    connect(SearchString, &QLineEdit::textChanged, this, &TFileSearchDialog::ContentsChanged);
    connect(MatchCase, &QCheckBox::clicked, this, &TFileSearchDialog::ContentsChanged);
    connect(WholeWords, &QCheckBox::clicked, this, &TFileSearchDialog::ContentsChanged);
    connect(SearchCompressed, &QCheckBox::clicked, this, &TFileSearchDialog::ContentsChanged);

    connect(TabSet, &QTabBar::currentChanged, this, &TFileSearchDialog::TabSetClick);
    connect(BrowseButton, &QToolButton::clicked, this, &TFileSearchDialog::BrowseButtonClick);
    connect(SearchButton, &QPushButton::clicked, this, &TFileSearchDialog::SearchButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TFileSearchDialog::ClearButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &TFileSearchDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this,
        [this]() { ShowHelp(kFileSearchHelpContext + NoteBook->currentIndex(), this); });
}

void TFileSearchDialog::MarkField(QLineEdit* field, bool valid)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, valid ? QApplication::palette().color(QPalette::Text) : QColor(192, 0, 0));
    field->setPalette(palette);
}

void TFileSearchDialog::ContentsChanged()
{
    if (SearchString->text().isEmpty())
        IgnoreContents->setChecked(true);
    else
        SearchOnContents->setChecked(true);
}

void TFileSearchDialog::TabSetClick(int index)
{
    const QString caption = TabSet->tabText(index);
    if (QWidget* page = NoteBook->findChild<QWidget*>(caption, Qt::FindDirectChildrenOnly))
        NoteBook->setCurrentWidget(page);
}

void TFileSearchDialog::GoToFirstPage()
{
    TabSet->setCurrentIndex(0);
    NoteBook->setCurrentIndex(0);
}

void TFileSearchDialog::ClearButtonClick()
{
    GoToFirstPage();
    FileName->setText(QStringLiteral("*.*"));
    Location->setText(QDir::homePath());
    SearchSubDirs->setChecked(true);
    IgnoreDate->setChecked(true);
    IgnoreTime->setChecked(true);
    IgnoreSize->setChecked(true);
    IgnoreContents->setChecked(true);
}

void TFileSearchDialog::BrowseButtonClick()
{
    QString directory = ExpandHome(Location->text().trimmed());
    if (ChooseDirectory(QStringLiteral("Select the Location where your Search will Begin"), directory, false))
        Location->setText(directory);
}

void TFileSearchDialog::reject() { hide(); }

TSearchCriteria TFileSearchDialog::Criteria() const
{
    TSearchCriteria c;
    c.Masks = SearchMasks(FileName->text());
    c.Location = ExpandHome(Location->text().trimmed());
    c.SubDirectories = SearchSubDirs->isChecked();
    c.ByDate = SearchOnDate->isChecked();
    c.DateRule = DateMonths->isChecked() ? TDateRule::PreviousMonths
        : DateDays->isChecked()          ? TDateRule::PreviousDays
                                         : TDateRule::Between;
    c.Date1 = FileDate1->text();
    c.Date2 = FileDate2->text();
    c.Months = MonthRange->value();
    c.Days = DayRange->value();
    c.ByTime = SearchOnTime->isChecked();
    c.TimeRule = TimeHours->isChecked() ? TTimeRule::PreviousHours : TTimeRule::Between;
    c.Time1 = FileTime1->text();
    c.Time2 = FileTime2->text();
    c.Hours = HourRange->value();
    c.BySize = SearchOnSize->isChecked();
    c.SizeRule = TSizeRule(std::clamp(SizeType->currentIndex(), 0, 3));
    c.Size1 = SizeValue(FileSize1);
    c.Size2 = SizeValue(FileSize2);
    c.ByContents = SearchOnContents->isChecked();
    c.Text = SearchString->text();
    c.MatchCase = MatchCase->isChecked();
    c.InsideCompressed = SearchCompressed->isChecked();
    return c;
}

void TFileSearchDialog::SearchButtonClick()
{
    if (m_searching)
        return;
    const TSearchCriteria criteria = Criteria();
    if (criteria.Location.isEmpty()) {
        ShowAlert(QStringLiteral("Invalid Drive/Directory"),
            QStringLiteral("The Drive/Directory field is blank.\rPlease enter a Drive and Directory\rwhere you want "
                           "the search to begin."));
        GoToFirstPage();
        Location->setFocus();
        return;
    }
    RunSearch(criteria);
}

void TFileSearchDialog::RunSearch(const TSearchCriteria& criteria)
{
    TSearchResultsDialog* browser = Results();
    if (browser)
        browser->Clear();
    else
        m_results = browser = new TSearchResultsDialog(m_hooks, m_hooks.MainWindow);
    const QPointer<TSearchResultsDialog> results(browser);
    TFileList* list = browser->FileList;
    const TPreviewSettings settings = m_hooks.Settings ? m_hooks.Settings() : TPreviewSettings();

    bool stopped = false;
    int error = 0;
    int found = 0;
    {
        m_searching = true;
        // The progress window stands over this dialog but is a window of its own, the one left enabled.
        m_progress->winId();
        if (QWindow* handle = m_progress->windowHandle()) {
            winId();
            handle->setTransientParent(windowHandle());
        }
        TWindowsHeld held(m_progress.get());
        m_run.SetMessageInterval(kMessageIntervalMs);
        m_run.SetHooks({
            [this](const QString& path) { m_progress->ShowDirectory(path); },
            [this](const QString& name, qint64 searched, qint64 hits) { m_progress->ShowFile(name, searched, hits); },
            []() { QCoreApplication::processEvents(); },
            [this]() { return m_progress->StopFlag(); },
        });
        m_run.Begin(criteria, QDateTime::currentDateTime());
        m_progress->Reset(criteria.Location);

        struct TEnding {
            TFileSearchDialog* dialog;
            TFileList* list;
            ~TEnding()
            {
                list->SetOnAddFile({});
                list->Engine().SetParallelWalk({});
                list->Engine().SetPump(
                    []() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }, 100);
                list->setEnabled(true);
                dialog->m_run.End();
                dialog->m_progress->hide();
                dialog->m_searching = false;
            }
        } ending { this, list };

        // Nothing is read until every setting is in place.
        list->setEnabled(false);
        list->SetShowSystemFiles(settings.ShowSystemFiles);
        list->SetMaskAndDirectory(criteria.Masks, criteria.Location);
        // A search of one folder offers its files one by one; a search through the subdirectories walks them
        // on worker threads, which test the files and hand over what they found in batches.
        list->SetOnAddFile([this](TFileList*, TSearchRec& s, const QString& path, bool& ok, int& code) {
            m_run.AddFile(s, path, ok, code);
        });
        list->Engine().SetParallelWalk(
            [this](const TFileListEngine::TWalkBatch& batch) { return m_run.TakeBatch(batch); },
            [this](const std::atomic<bool>& stop) { return m_run.MakeFileTest(stop); });
        list->SetSearchMode(criteria.SubDirectories ? smSubDirectories : smNormal);
        // Names and contents need no facts of a file: those are read when the results show them.
        list->Engine().SetHandlerNeedsFacts(criteria.ByDate || criteria.ByTime || criteria.BySize);
        // A folder of many files that match no mask still lets Stop be clicked.
        list->Engine().SetPump([this]() { m_run.KeepAlive(false); }, kMessageIntervalMs);
        list->setEnabled(true);
        list->UpdateList();
        stopped = m_progress->StopFlag();
        error = list->LastError();
        found = list->Count();
    }

    if (results)
        ShowOutcome(*results, criteria, stopped, error, found);
}

// A search that found files, or was stopped after it found some, shows them in the results browser; one
// that found nothing says so, and one that failed names the failure and goes back to the first page.
void TFileSearchDialog::ShowOutcome(
    TSearchResultsDialog& results, const TSearchCriteria& criteria, bool stopped, int error, int found)
{
    if (stopped || error == 0) {
        if (found == 0) {
            if (!stopped)
                ShowAlert(
                    QStringLiteral("Search Results"), QStringLiteral("No files match the current search criteria."));
            return;
        }
        results.SetContentSearch(criteria.ByContents, criteria.Text, criteria.MatchCase);
        results.ShowResults(
            QStringLiteral("Search Results: %1 File%2 Found").arg(ThousandsText(found), PluralSuffix(found)));
        return;
    }
    ShowErrorCode(error);
    GoToFirstPage();
    Location->setFocus();
}

} // namespace hy::search
