// TSetupDialog ("Preferences"): the viewer's font and screen colours, the text editor, the temporary
// folder, the file selector style, the tab size and the file options, on three pages. It edits a copy of
// the settings; SetPreferences runs it for the main window and applies what OK returns to every viewer.
#pragma once

#include "core/settings/ViewerSettings.h"
#include "ui/common/HyForm.h"

#include <QFont>
#include <QStringList>
#include <functional>

class QCheckBox;
class QFontMetrics;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;

namespace hy::app {

class TColorGrid;
class TMainForm;

inline constexpr int kFontColorsHelpContext = 208;
inline constexpr int kDirectoriesHelpContext = 212;
inline constexpr int kMiscellaneousHelpContext = 209;
inline constexpr int kFontDialogHelpContext = 103;

// The preview's sample sentence laid out word by word into lines no wider than width; the first word of a
// line always stands.
QStringList PreviewLines(const QString& sentence, const QFontMetrics& metrics, int width);

// The viewer font of the settings, and the settings' name, size and style of a font.
QFont FontOfSettings(const settings::TViewerSettings& settings);
void StoreFontInSettings(const QFont& font, settings::TViewerSettings& settings);

class TSetupDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TSetupDialog(const settings::TViewerSettings& settings, QWidget* parent = nullptr);
    ~TSetupDialog() override;

    // Runs the font dialog: true and the font changed when the user chose one.
    using TFontChooser = std::function<bool(QFont& font, QWidget* parent)>;
    static void SetFontChooser(TFontChooser chooser);

    // The settings as OK leaves them: the copy the dialog started from with its controls applied.
    settings::TViewerSettings Result() const;
    QFont ViewerFont() const { return m_font; }
    const settings::TColorElement& Element(int index) const { return m_elements.at(size_t(index)); }

    void ElementListClick();
    void ColorGridChange();
    void DesktopColorsBoxClick();
    void FontButtonClick();
    void UseDOSTempClick();
    void TempBrowseButtonClick();
    void EditorBrowseButtonClick();
    void TabSetClick(int index);
    int HelpContext() const;

    QTabBar* TabSet;
    QStackedWidget* Notebook;
    QListWidget* ElementList;
    TColorGrid* ColorGrid;
    QCheckBox* DesktopColorsBox;
    QGroupBox* PreviewGroup;
    QWidget* Preview;
    QGroupBox* FontGroup;
    QPushButton* FontButton;
    QLineEdit* EditorBox;
    QPushButton* EditorBrowseButton;
    QCheckBox* UseBREditor;
    QLabel* TextEditorNote;
    QLabel* TempDirPrompt;
    QLineEdit* TempDirBox;
    QCheckBox* UseDOSTemp;
    QPushButton* TempBrowseButton;
    QLabel* Label8;
    QRadioButton* WindowsStyle;
    QRadioButton* HalcyraStyle;
    QSpinBox* TabEdit;
    QCheckBox* ShowImagesBox;
    QCheckBox* ShowArchivesBox;
    QCheckBox* ShowMediaBox;
    QCheckBox* ShowSystemFilesBox;
    QCheckBox* AllowAppLaunchingBox;
    QCheckBox* CalcFileLengthBox;
    QCheckBox* FindDialogBox;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildFontColorsPage();
    QWidget* BuildDirectoriesPage();
    QWidget* BuildMiscellaneousPage();
    void BuildFrame();
    void ShowSettings(const settings::TViewerSettings& settings);
    void ConnectControls();
    void PreviewPaint();

    settings::TViewerSettings m_settings;
    std::array<settings::TColorElement, 3> m_elements;
    QFont m_font;
    bool m_suppressGrid = false;
};

// Options > Set Preferences...: on OK the settings are saved at once and every viewer window, last to
// first, and the search results browser take the font, colours and tab size.
void SetPreferences(TMainForm* form);
// The font, colours and tab size of the settings applied to every open viewer window and the browser.
void ApplyPreferences(TMainForm* form);

} // namespace hy::app
