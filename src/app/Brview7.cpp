// The Preferences dialog.
#include "app/Brview7.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/ColorGrid.h"
#include "app/FileChoice.h"
#include "base/FontStyle.h"
#include "common/HyUtils.h"
#include "platform/PlatformPaths.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/Vsearch.h"
#include "ui/selector/Dirsel.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFindBar.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStringListModel>
#include <QTabBar>
#include <QVBoxLayout>

namespace hy::app {

using namespace hy::base;
using namespace hy::common;
using namespace hy::search;
using namespace hy::selector;
using namespace hy::settings;
using namespace hy::viewer;

namespace {

    const QString kSample = QStringLiteral("The quick brown fox jumpes over the lazy dog.");

    // The font dialog's own filter lets proportional families through here: its family list keeps only the
    // families whose font really is fixed-pitch, also when the dialog fills the list again.
    void KeepFixedPitchFamilies(QFontDialog& dialog)
    {
        const QList<QListView*> views = dialog.findChildren<QListView*>();
        auto* model = views.isEmpty() ? nullptr : qobject_cast<QStringListModel*>(views.first()->model());
        if (!model)
            return;
        const auto filter = [model]() {
            QStringList kept;
            for (const QString& family : model->stringList()) {
                if (QFontInfo(QFont(family)).fixedPitch())
                    kept << family;
            }
            if (kept.size() != model->stringList().size())
                model->setStringList(kept);
        };
        filter();
        QObject::connect(model, &QAbstractItemModel::modelReset, &dialog, filter);
    }

    bool RunFontDialog(QFont& font, QWidget* parent)
    {
        // The dialog lists families by name: a face the system stands in for is shown as the one it uses.
        QFont start = font;
        start.setFamily(QFontInfo(font).family());
        QFontDialog dialog(start, parent);
        dialog.setWindowTitle(QStringLiteral("Font"));
        dialog.setOption(QFontDialog::MonospacedFonts);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        KeepFixedPitchFamilies(dialog);
        dialog.setCurrentFont(start);
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            buttons->addButton(QDialogButtonBox::Help);
            QObject::connect(buttons, &QDialogButtonBox::helpRequested, &dialog,
                [&dialog]() { ShowHelp(kFontDialogHelpContext, &dialog); });
        }
        if (dialog.exec() != QDialog::Accepted)
            return false;
        font = dialog.selectedFont();
        return true;
    }

    TSetupDialog::TFontChooser& FontChooser()
    {
        static TSetupDialog::TFontChooser chooser = &RunFontDialog;
        return chooser;
    }

    bool SameTempFolder(const QString& dir)
    {
        return !dir.isEmpty() && dir.compare(platform::TempFolder(), Qt::CaseInsensitive) == 0;
    }

    QColor ElementColor(quint32 value) { return ColorFromSetting(value); }

} // namespace

QStringList PreviewLines(const QString& sentence, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : sentence.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (line.isEmpty()) {
            line = word;
            continue;
        }
        const QString longer = line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(longer) <= width) {
            line = longer;
        } else {
            lines << line;
            line = word;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QFont FontOfSettings(const TViewerSettings& settings)
{
    QFont font(settings.FontName);
    if (settings.FontSize > 0)
        font.setPointSize(settings.FontSize);
    // The settings keep bold, italic and underline.
    SetFontStyle(font, unsigned(settings.FontStyle) & (fsBold | fsItalic | fsUnderline));
    return font;
}

void StoreFontInSettings(const QFont& font, TViewerSettings& settings)
{
    settings.FontName = font.family();
    if (font.pointSize() > 0)
        settings.FontSize = font.pointSize();
    settings.FontStyle = int(FontStyleOf(font) & (fsBold | fsItalic | fsUnderline));
}

TSetupDialog::TSetupDialog(const TViewerSettings& settings, QWidget* parent)
    : THyForm(parent)
    , TabSet(new QTabBar(this))
    , Notebook(new QStackedWidget(this))
    , ElementList(new QListWidget)
    , ColorGrid(new TColorGrid)
    , DesktopColorsBox(new QCheckBox(QStringLiteral("Use the Desktop's Colours")))
    , PreviewGroup(new QGroupBox(QStringLiteral("Preview")))
    , Preview(new QWidget)
    , FontGroup(new QGroupBox(QStringLiteral("Font")))
    , FontButton(new QPushButton(QStringLiteral("&Font...")))
    , EditorBox(new QLineEdit)
    , EditorBrowseButton(new QPushButton(QStringLiteral("&Browse...")))
    // Kept hidden, out of every layout: the dialog owns it.
    , UseBREditor(new QCheckBox(QStringLiteral("&Use Brimlow's Text Editor"), this))
    , TextEditorNote(new QLabel(QStringLiteral(
          "NOTE: The Text Editor is activated when you select 'Use Text Editor' after choosing the 'Edit File' "
          "menu option or clicking the Edit speed button. You may use any program you like here but an ASCII "
          "text editor is recommended.")))
    , TempDirPrompt(new QLabel(QStringLiteral("&Temp Directory:")))
    , TempDirBox(new QLineEdit)
    , UseDOSTemp(new QCheckBox(QStringLiteral("&Use the System Temporary Folder")))
    , TempBrowseButton(new QPushButton(QStringLiteral("B&rowse...")))
    , Label8(new QLabel(QStringLiteral("NOTE: The Temp Directory is used to store temporary files created when "
                                       "viewing files inside compressed ZIP and LZH files.")))
    , WindowsStyle(new QRadioButton(QStringLiteral("&Windows Style")))
    , HalcyraStyle(new QRadioButton(QStringLiteral("&Halcyra Style")))
    , TabEdit(new QSpinBox)
    , ShowImagesBox(new QCheckBox(QStringLiteral("Show &Image Files in Native Format")))
    , ShowArchivesBox(new QCheckBox(QStringLiteral("Show &Archive File Contents")))
    , ShowMediaBox(new QCheckBox(QStringLiteral("Show &Media File Contents")))
    , ShowSystemFilesBox(new QCheckBox(QStringLiteral("Allow Viewing of System/&Hidden Files")))
    , AllowAppLaunchingBox(new QCheckBox(QStringLiteral("Allow &Launching of EXE, COM, BAT and PIF Files")))
    , CalcFileLengthBox(new QCheckBox(QStringLiteral("Don't &Calculate Length of Files > 500K")))
    , FindDialogBox(new QCheckBox(QStringLiteral("Ctrl+F Opens the &Find Dialog")))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
    , m_settings(settings)
    , m_elements(settings.Colors)
    , m_font(FontOfSettings(settings))
{
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(QStringLiteral("Preferences"));

    Notebook->addWidget(BuildFontColorsPage());
    Notebook->addWidget(BuildDirectoriesPage());
    Notebook->addWidget(BuildMiscellaneousPage());
    BuildFrame();
    ShowSettings(settings);
    ConnectControls();
}

// The Font/Colors page: the screen elements and the colour grid beside the preview and the font button.
QWidget* TSetupDialog::BuildFontColorsPage()
{
    auto* fontColors = new QWidget;
    fontColors->setObjectName(QStringLiteral("Font/Colors"));
    auto* elementLabel = new QLabel(QStringLiteral("Screen &Element:"));
    elementLabel->setBuddy(ElementList);
    ElementList->setObjectName(QStringLiteral("ElementList"));
    for (const TColorElement& e : m_elements)
        ElementList->addItem(e.Name);
    ElementList->setFixedHeight(ElementList->sizeHintForRow(0) * 4 + 2 * ElementList->frameWidth());
    auto* colorLabel = new QLabel(QStringLiteral("&Color:"));
    colorLabel->setBuddy(ColorGrid);
    ColorGrid->setFixedSize(8 * 22, 2 * 22);
    PreviewGroup->setObjectName(QStringLiteral("PreviewGroup"));
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setMinimumSize(200, 70);
    Preview->installEventFilter(this);
    auto* previewLayout = new QVBoxLayout(PreviewGroup);
    previewLayout->addWidget(Preview);
    FontGroup->setObjectName(QStringLiteral("FontGroup"));
    FontButton->setObjectName(QStringLiteral("FontButton"));
    auto* fontLayout = new QVBoxLayout(FontGroup);
    fontLayout->addWidget(FontButton);
    auto* fcLeft = new QVBoxLayout;
    fcLeft->addWidget(elementLabel);
    fcLeft->addWidget(ElementList);
    fcLeft->addSpacing(6);
    fcLeft->addWidget(colorLabel);
    fcLeft->addWidget(ColorGrid);
    DesktopColorsBox->setObjectName(QStringLiteral("DesktopColorsBox"));
    DesktopColorsBox->setChecked(UsesDesktopColors(m_elements));
    fcLeft->addWidget(DesktopColorsBox);
    fcLeft->addStretch(1);
    auto* fcRight = new QVBoxLayout;
    fcRight->addWidget(PreviewGroup, 1);
    fcRight->addWidget(FontGroup);
    auto* fcLayout = new QHBoxLayout(fontColors);
    fcLayout->addLayout(fcLeft);
    fcLayout->addSpacing(8);
    fcLayout->addLayout(fcRight, 1);
    return fontColors;
}

// The Directories page: the text editor and the temporary folder.
QWidget* TSetupDialog::BuildDirectoriesPage()
{
    auto* directories = new QWidget;
    directories->setObjectName(QStringLiteral("Directories"));
    auto* editorLabel = new QLabel(QStringLiteral("Text &Editor:"));
    editorLabel->setBuddy(EditorBox);
    EditorBox->setObjectName(QStringLiteral("EditorBox"));
    EditorBrowseButton->setObjectName(QStringLiteral("EditorBrowseButton"));
    UseBREditor->setObjectName(QStringLiteral("UseBREditor"));
    UseBREditor->hide();
    TextEditorNote->setObjectName(QStringLiteral("TextEditorNote"));
    TextEditorNote->setWordWrap(true);
    TempDirPrompt->setObjectName(QStringLiteral("TempDirPrompt"));
    TempDirPrompt->setBuddy(TempDirBox);
    TempDirBox->setObjectName(QStringLiteral("TempDirBox"));
    UseDOSTemp->setObjectName(QStringLiteral("UseDOSTemp"));
    TempBrowseButton->setObjectName(QStringLiteral("TempBrowseButton"));
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setWordWrap(true);
    auto* dirLayout = new QGridLayout(directories);
    dirLayout->addWidget(editorLabel, 0, 0, 1, 2);
    dirLayout->addWidget(EditorBox, 1, 0);
    dirLayout->addWidget(EditorBrowseButton, 1, 1);
    dirLayout->addWidget(TextEditorNote, 2, 0, 1, 2);
    dirLayout->setRowMinimumHeight(3, 8);
    dirLayout->addWidget(TempDirPrompt, 4, 0, 1, 2);
    dirLayout->addWidget(TempDirBox, 5, 0);
    dirLayout->addWidget(TempBrowseButton, 5, 1);
    dirLayout->addWidget(UseDOSTemp, 6, 0, 1, 2);
    dirLayout->addWidget(Label8, 7, 0, 1, 2);
    dirLayout->setRowStretch(8, 1);
    return directories;
}

// The Miscellaneous page: the file selector's style, the tab size and the switches.
QWidget* TSetupDialog::BuildMiscellaneousPage()
{
    auto* misc = new QWidget;
    misc->setObjectName(QStringLiteral("Miscellaneous"));
    auto* selectorGroup = new QGroupBox(QStringLiteral("File Selector"));
    selectorGroup->setObjectName(QStringLiteral("FSelectorType"));
    WindowsStyle->setObjectName(QStringLiteral("WindowsStyle"));
    HalcyraStyle->setObjectName(QStringLiteral("HalcyraStyle"));
    auto* selectorLayout = new QVBoxLayout(selectorGroup);
    selectorLayout->addWidget(WindowsStyle);
    selectorLayout->addWidget(HalcyraStyle);
    auto* tabGroup = new QGroupBox(QStringLiteral("Tab"));
    auto* tabLabel = new QLabel(QStringLiteral("Si&ze:"));
    tabLabel->setBuddy(TabEdit);
    TabEdit->setObjectName(QStringLiteral("TabEdit"));
    TabEdit->setRange(0, kMaxTabSize);
    auto* tabLayout = new QHBoxLayout(tabGroup);
    tabLayout->addWidget(tabLabel);
    tabLayout->addWidget(TabEdit);
    tabLayout->addStretch(1);
    auto* miscTop = new QHBoxLayout;
    miscTop->addWidget(selectorGroup, 1);
    miscTop->addWidget(tabGroup, 1);
    auto* miscLayout = new QVBoxLayout(misc);
    miscLayout->addLayout(miscTop);
    for (QCheckBox* box : { ShowImagesBox, ShowArchivesBox, ShowMediaBox, ShowSystemFilesBox, AllowAppLaunchingBox,
             CalcFileLengthBox, FindDialogBox })
        miscLayout->addWidget(box);
    miscLayout->addStretch(1);
    ShowImagesBox->setObjectName(QStringLiteral("ShowImagesBox"));
    ShowArchivesBox->setObjectName(QStringLiteral("ShowArchivesBox"));
    ShowMediaBox->setObjectName(QStringLiteral("ShowMediaBox"));
    ShowSystemFilesBox->setObjectName(QStringLiteral("ShowSystemFilesBox"));
    AllowAppLaunchingBox->setObjectName(QStringLiteral("AllowAppLaunchingBox"));
    CalcFileLengthBox->setObjectName(QStringLiteral("CalcFileLengthBox"));
    FindDialogBox->setObjectName(QStringLiteral("FindDialogBox"));
    FindDialogBox->setToolTip(QStringLiteral("Ctrl+F opens the Find dialog rather than the find bar"));
    return misc;
}

// The notebook with its tabs below, and the buttons.
void TSetupDialog::BuildFrame()
{
    Notebook->setObjectName(QStringLiteral("Notebook"));
    TabSet->setObjectName(QStringLiteral("TabSet"));
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setDrawBase(false);
    TabSet->setExpanding(false);
    TabSet->addTab(QStringLiteral("Font/Colors"));
    TabSet->addTab(QStringLiteral("Directories"));
    TabSet->addTab(QStringLiteral("Miscellaneous"));

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    TabSet->setUsesScrollButtons(false);
    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(0, 0, 0, 0);
    tabs->addWidget(TabSet);
    tabs->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    auto* page = new QFrame;
    page->setFrameShape(QFrame::StyledPanel);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(6, 6, 6, 6);
    pageLayout->addWidget(Notebook);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(0);
    layout->addWidget(page, 1);
    layout->addLayout(tabs);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    resize(480, 370);
}

// The controls as the settings stand.
void TSetupDialog::ShowSettings(const TViewerSettings& settings)
{
    ElementList->setCurrentRow(0);
    ElementListClick();
    EditorBox->setText(settings.Editor);
    TempDirBox->setText(settings.TempDir);
    UseDOSTemp->setChecked(SameTempFolder(settings.TempDir));
    UseDOSTempClick();
    WindowsStyle->setChecked(settings.WindowsFileSelector);
    HalcyraStyle->setChecked(!settings.WindowsFileSelector);
    TabEdit->setValue(settings.TabSize);
    ShowImagesBox->setChecked(settings.ShowImageFiles);
    ShowArchivesBox->setChecked(settings.ShowArchiveFiles);
    ShowMediaBox->setChecked(settings.ShowMediaFiles);
    ShowSystemFilesBox->setChecked(settings.ShowSystemFiles);
    AllowAppLaunchingBox->setChecked(settings.AllowAppLaunching);
    CalcFileLengthBox->setChecked(!settings.CalcFileLength);
    FindDialogBox->setChecked(settings.CtrlFOpensFindDialog);
    TabSet->setCurrentIndex(0);
    Notebook->setCurrentIndex(0);
}

void TSetupDialog::ConnectControls()
{
    connect(TabSet, &QTabBar::currentChanged, this, &TSetupDialog::TabSetClick);
    connect(ElementList, &QListWidget::currentRowChanged, this, &TSetupDialog::ElementListClick);
    connect(ColorGrid, &TColorGrid::Change, this, &TSetupDialog::ColorGridChange);
    connect(DesktopColorsBox, &QCheckBox::clicked, this, &TSetupDialog::DesktopColorsBoxClick);
    connect(FontButton, &QPushButton::clicked, this, &TSetupDialog::FontButtonClick);
    connect(UseDOSTemp, &QCheckBox::clicked, this, [this]() {
        if (UseDOSTemp->isChecked())
            TempDirBox->setText(platform::TempFolder());
        UseDOSTempClick();
    });
    connect(TempBrowseButton, &QPushButton::clicked, this, &TSetupDialog::TempBrowseButtonClick);
    connect(EditorBrowseButton, &QPushButton::clicked, this, &TSetupDialog::EditorBrowseButtonClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(HelpContext(), this); });
}

TSetupDialog::~TSetupDialog() = default;

void TSetupDialog::SetFontChooser(TFontChooser chooser)
{
    FontChooser() = chooser ? std::move(chooser) : TFontChooser(&RunFontDialog);
}

TViewerSettings TSetupDialog::Result() const
{
    TViewerSettings s = m_settings;
    s.Colors = m_elements;
    StoreFontInSettings(m_font, s);
    s.TempDir = TempDirBox->text();
    s.Editor = EditorBox->text();
    s.TabSize = quint8(TabEdit->value());
    s.WindowsFileSelector = WindowsStyle->isChecked();
    s.CalcFileLength = !CalcFileLengthBox->isChecked();
    s.CtrlFOpensFindDialog = FindDialogBox->isChecked();
    s.ShowImageFiles = ShowImagesBox->isChecked();
    s.ShowArchiveFiles = ShowArchivesBox->isChecked();
    s.ShowMediaFiles = ShowMediaBox->isChecked();
    s.ShowSystemFiles = ShowSystemFilesBox->isChecked();
    s.AllowAppLaunching = AllowAppLaunchingBox->isChecked();
    return s;
}

int TSetupDialog::HelpContext() const
{
    switch (TabSet->currentIndex()) {
    case 1:
        return kDirectoriesHelpContext;
    case 2:
        return kMiscellaneousHelpContext;
    default:
        return kFontColorsHelpContext;
    }
}

void TSetupDialog::TabSetClick(int index) { Notebook->setCurrentIndex(index); }

void TSetupDialog::ElementListClick()
{
    const int row = ElementList->currentRow();
    if (row < 0 || row >= int(m_elements.size()))
        return;
    m_suppressGrid = true;
    ColorGrid->SetForegroundIndex(m_elements[size_t(row)].ForegroundIndex);
    ColorGrid->SetBackgroundIndex(m_elements[size_t(row)].BackgroundIndex);
    m_suppressGrid = false;
}

void TSetupDialog::ColorGridChange()
{
    const int row = ElementList->currentRow();
    if (m_suppressGrid || row < 0 || row >= int(m_elements.size()))
        return;
    TColorElement& e = m_elements[size_t(row)];
    e.TextColor = StoredColorValue(ColorGrid->ForegroundColor());
    e.ForegroundIndex = ColorGrid->ForegroundIndex();
    e.BackColor = StoredColorValue(ColorGrid->BackgroundColor());
    e.BackgroundIndex = ColorGrid->BackgroundIndex();
    // Colours of the grid are the user's own, no longer the desktop's.
    DesktopColorsBox->setChecked(UsesDesktopColors(m_elements));
    Preview->update();
}

void TSetupDialog::DesktopColorsBoxClick()
{
    if (!DesktopColorsBox->isChecked())
        return;
    UseDesktopColors(m_elements);
    ElementListClick();
    Preview->update();
}

void TSetupDialog::FontButtonClick()
{
    QFont font = m_font;
    if (!FontChooser()(font, this))
        return;
    // Only a fixed-pitch font the system has is taken.
    if (!QFontInfo(font).fixedPitch()) {
        ShowAlert(QStringLiteral("Font"), font.family() + QStringLiteral("\ris not a fixed-pitch font."));
        return;
    }
    m_font = font;
    Preview->update();
}

void TSetupDialog::UseDOSTempClick()
{
    const bool own = !UseDOSTemp->isChecked();
    TempDirPrompt->setEnabled(own);
    TempDirBox->setEnabled(own);
    TempBrowseButton->setEnabled(own);
}

void TSetupDialog::TempBrowseButtonClick()
{
    QString directory = TempDirBox->text();
    if (ChooseDirectory(QStringLiteral("Select a Temporary Directory"), directory, true))
        TempDirBox->setText(directory);
}

void TSetupDialog::EditorBrowseButtonClick()
{
    QString program;
    if (ChooseProgram(m_settings.WindowsFileSelector, EditorBox->text(), program, this))
        EditorBox->setText(program);
}

bool TSetupDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Preview && event->type() == QEvent::Paint) {
        PreviewPaint();
        return true;
    }
    return THyForm::eventFilter(watched, event);
}

void TSetupDialog::PreviewPaint()
{
    QPainter p(Preview);
    const QRect area = Preview->rect().adjusted(3, 1, -3, -1);
    const QColor normalBack = ElementColor(m_elements[0].BackColor);
    const QColor normalText = ElementColor(m_elements[0].TextColor);
    const QColor selectedBack = ElementColor(m_elements[1].BackColor);
    const QColor selectedText = ElementColor(m_elements[1].TextColor);
    p.fillRect(area, normalBack);
    p.setPen(Qt::black);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.setFont(m_font);
    const QFontMetrics metrics(m_font);
    const QRect inner = area.adjusted(2, 2, -2, -2);
    p.setClipRect(inner);
    const QStringList lines = PreviewLines(kSample, metrics, inner.width());
    int y = inner.top();
    for (int i = 0; i < lines.size(); ++i) {
        const bool selected = i == 1 || i == 2;
        const QRect line(inner.left(), y, metrics.horizontalAdvance(lines[i]), metrics.height());
        p.fillRect(line, selected ? selectedBack : normalBack);
        p.setPen(selected ? selectedText : normalText);
        p.drawText(line, Qt::AlignLeft | Qt::AlignTop, lines[i]);
        y += metrics.height();
    }
    p.setClipping(false);
    p.setPen(Qt::black);
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

void ApplyPreferences(TMainForm* form)
{
    const TViewerSettings& s = form->Settings();
    const QList<TChildForm*> children = form->Children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        viewer::THvFileViewer* v = (*it)->FileViewer();
        try {
            v->FixedFont()->SetName(s.FontName);
        } catch (const std::exception&) {
            // A font that is not fixed-pitch leaves the viewer's own.
        }
        if (s.FontSize > 0)
            v->FixedFont()->SetSize(s.FontSize);
        v->FixedFont()->SetStyle(unsigned(s.FontStyle));
        v->SetColor(ColorFromSetting(s.Colors[0].BackColor));
        v->SetMarginColor(ColorFromSetting(s.Colors[0].BackColor));
        v->FixedFont()->SetColor(ColorFromSetting(s.Colors[0].TextColor));
        v->HighlightColors()->SetBackColor(ColorFromSetting(s.Colors[1].BackColor));
        v->HighlightColors()->SetTextColor(ColorFromSetting(s.Colors[1].TextColor));
        v->HighlightColors()->SetUseDefault(false);
        v->SetTabSize(s.TabSize);
        (*it)->FindBar()->SetMatchColors(
            ColorFromSetting(s.Colors[2].BackColor), ColorFromSetting(s.Colors[2].TextColor));
        v->viewport()->update();
    }
    if (TSearchResultsDialog* browser = form->SearchResults())
        browser->ViewerPanel->ApplyViewerSettings();
}

void SetPreferences(TMainForm* form)
{
    TSetupDialog dialog(form->Settings(), form);
    if (dialog.ShowModal() != QDialog::Accepted)
        return;
    form->Settings() = dialog.Result();
    form->SaveSettings();
    ApplyPreferences(form);
    form->ApplyFindKeys();
}

} // namespace hy::app
