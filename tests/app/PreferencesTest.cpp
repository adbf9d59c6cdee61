// The Preferences dialog on its own (what it shows when it opens, the colour grid and the preview, the
// temporary folder box) and through Options > Set Preferences... on the main window: OK stores the
// settings and the open viewers take the colours, font and tab size; Cancel changes nothing.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Brview7.h"
#include "app/ColorGrid.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/archive/ArchivePage.h"
#include "ui/filelist/FILELIST.h"
#include "ui/selector/Browse.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;

namespace {

// A fixed-pitch family other than the one given, or empty when the system has only one.
QString OtherFixedFamily(const QString& current)
{
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isFixedPitch(family) && QFontInfo(QFont(family)).fixedPitch()
            && QFontInfo(QFont(family)).family() != QFontInfo(QFont(current)).family())
            return family;
    }
    return QString();
}

TEST(PreviewLines, WordsFillLinesNoWiderThanTheArea)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(10);
    const QFontMetrics metrics(font);
    const QString sentence = QStringLiteral("The quick brown fox jumpes over the lazy dog.");
    const int space = metrics.horizontalAdvance(QLatin1Char(' '));
    for (const int width : { 1, metrics.horizontalAdvance(QStringLiteral("quick brown")), 400, 2000 }) {
        const QStringList lines = PreviewLines(sentence, metrics, width);
        EXPECT_EQ(lines.join(QLatin1Char(' ')), sentence) << width;
        for (int i = 0; i < lines.size(); ++i) {
            // A line is too wide only when it is one word; the next word would not have fitted.
            if (lines[i].contains(QLatin1Char(' '))) {
                EXPECT_LE(metrics.horizontalAdvance(lines[i]), width) << lines[i].toStdString();
            }
            if (i + 1 < lines.size()) {
                const QString next = lines[i + 1].section(QLatin1Char(' '), 0, 0);
                EXPECT_GT(metrics.horizontalAdvance(lines[i]) + space + metrics.horizontalAdvance(next), width);
            }
        }
    }
    EXPECT_EQ(PreviewLines(sentence, metrics, 1).size(), 9);
    EXPECT_EQ(PreviewLines(sentence, metrics, 2000).size(), 1);
}

TEST(SetupDialog, OpensWithTheSettingsAndReturnsWhatTheControlsSay)
{
    TViewerSettings s;
    s.FontName = QStringLiteral("Courier New");
    s.TempDir = hy::platform::TempFolder().toUpper();
    s.Editor = QStringLiteral("/usr/bin/editor");
    s.TabSize = 4;
    s.WindowsFileSelector = true;
    s.CalcFileLength = true;
    s.ShowMediaFiles = false;
    TSetupDialog d(s);
    EXPECT_EQ(d.Notebook->currentIndex(), 0);
    EXPECT_EQ(d.ElementList->currentRow(), 0);
    EXPECT_EQ(d.ColorGrid->ForegroundIndex(), 0);
    EXPECT_EQ(d.ColorGrid->BackgroundIndex(), 15);
    // The temporary folder in other letter case counts as the system's.
    EXPECT_TRUE(d.UseDOSTemp->isChecked());
    EXPECT_FALSE(d.TempDirBox->isEnabled());
    EXPECT_TRUE(d.WindowsStyle->isChecked());
    EXPECT_EQ(d.TabEdit->value(), 4);
    EXPECT_FALSE(d.CalcFileLengthBox->isChecked());
    EXPECT_FALSE(d.ShowMediaBox->isChecked());
    EXPECT_TRUE(d.UseBREditor->isHidden());

    d.ShowMediaBox->setChecked(true);
    d.CalcFileLengthBox->setChecked(true);
    d.HalcyraStyle->setChecked(true);
    d.TabEdit->setValue(0);
    d.EditorBox->setText(QStringLiteral("/opt/ed"));
    const TViewerSettings r = d.Result();
    EXPECT_TRUE(r.ShowMediaFiles);
    EXPECT_FALSE(r.CalcFileLength);
    EXPECT_FALSE(r.WindowsFileSelector);
    EXPECT_EQ(r.TabSize, 0);
    EXPECT_EQ(r.Editor, QStringLiteral("/opt/ed"));
    EXPECT_EQ(r.TempDir, s.TempDir);
    EXPECT_EQ(r.Print.Header, s.Print.Header); // what the dialog does not edit stays
}

TEST(SetupDialog, SystemTempBoxFillsAndLocksTheFolderBox)
{
    TViewerSettings s;
    s.TempDir = QStringLiteral("/srv/scratch");
    TSetupDialog d(s);
    EXPECT_EQ(d.UseDOSTemp->text(), QStringLiteral("&Use the System Temporary Folder"))
        << "named as a user here knows it";
    EXPECT_FALSE(d.UseDOSTemp->isChecked());
    EXPECT_TRUE(d.TempDirBox->isEnabled());
    d.UseDOSTemp->click();
    EXPECT_EQ(d.TempDirBox->text(), hy::platform::TempFolder());
    EXPECT_FALSE(d.TempDirBox->isEnabled());
    EXPECT_FALSE(d.TempBrowseButton->isEnabled());
    d.UseDOSTemp->click();
    EXPECT_TRUE(d.TempDirBox->isEnabled());
    EXPECT_EQ(d.TempDirBox->text(), hy::platform::TempFolder());
}

TEST(SetupDialog, GridColoursGoToTheSelectedElementAndItsPreviewLines)
{
    TViewerSettings s;
    TSetupDialog d(s);
    d.resize(520, 360);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const TColorElement normalBefore = d.Element(0);
    d.ElementList->setCurrentRow(1);
    EXPECT_EQ(d.ColorGrid->ForegroundIndex(), 15);
    EXPECT_EQ(d.ColorGrid->BackgroundIndex(), 6);
    // Left click: text colour (red, 9); right click: background (lime, 10).
    QTest::mouseClick(d.ColorGrid, Qt::LeftButton, Qt::NoModifier, d.ColorGrid->CellRect(9).center());
    QTest::mouseClick(d.ColorGrid, Qt::RightButton, Qt::NoModifier, d.ColorGrid->CellRect(10).center());
    EXPECT_EQ(d.Element(1).ForegroundIndex, 9);
    EXPECT_EQ(d.Element(1).BackgroundIndex, 10);
    EXPECT_EQ(d.Element(1).TextColor, 0x0000FFu);
    EXPECT_EQ(d.Element(1).BackColor, 0x00FF00u);
    EXPECT_EQ(d.Element(0).TextColor, normalBefore.TextColor);
    EXPECT_EQ(d.Element(0).BackColor, normalBefore.BackColor);
    // Selecting the other element shows its marks without changing it.
    d.ElementList->setCurrentRow(0);
    EXPECT_EQ(d.ColorGrid->ForegroundIndex(), 0);
    EXPECT_EQ(d.Element(1).ForegroundIndex, 9);

    // Lines 2 and 3 of the preview are drawn on the selected background, the others on the normal one.
    const QImage shot = d.Preview->grab().toImage();
    const int lineHeight = QFontMetrics(d.ViewerFont()).height();
    const int top = 1 + 2;
    const auto limeIn = [&](int line) {
        int count = 0;
        for (int y = top + line * lineHeight; y < std::min(shot.height(), top + (line + 1) * lineHeight); ++y) {
            for (int x = 0; x < shot.width(); ++x)
                count += shot.pixelColor(x, y) == QColor(0, 255, 0) ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(limeIn(0), 0);
    EXPECT_GT(limeIn(1), 0);
    for (int line = 3; top + line * lineHeight < shot.height(); ++line)
        EXPECT_EQ(limeIn(line), 0) << line;
}

// New users follow the desktop's colours; a colour of the grid ends that, and the box brings them back.
TEST(SetupDialog, TheDesktopsColoursAreTheDefaultAndComeBackByTheirBox)
{
    TViewerSettings s;
    {
        TSetupDialog d(s);
        EXPECT_EQ(d.DesktopColorsBox->text(), "Use the Desktop's Colours");
        EXPECT_TRUE(d.DesktopColorsBox->isChecked());
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        d.ElementList->setCurrentRow(0);
        QTest::mouseClick(d.ColorGrid, Qt::RightButton, Qt::NoModifier, d.ColorGrid->CellRect(10).center());
        EXPECT_FALSE(d.DesktopColorsBox->isChecked());
        EXPECT_EQ(d.Result().Colors[0].BackColor, 0x00FF00u);
        d.DesktopColorsBox->click();
        EXPECT_TRUE(d.DesktopColorsBox->isChecked());
        EXPECT_EQ(d.Result().Colors[0].BackColor, kSysWindow);
        EXPECT_EQ(d.ColorGrid->BackgroundIndex(), 15) << "the grid shows the element's marks again";
    }
    // Colours the user stored leave the box off; the search match's own colours do not count.
    s.Colors[1].BackColor = 0x00FF00;
    EXPECT_FALSE(TSetupDialog(s).DesktopColorsBox->isChecked());
    s.Colors = DefaultColorElements();
    s.Colors[2].BackColor = 0x0000FF;
    EXPECT_TRUE(TSetupDialog(s).DesktopColorsBox->isChecked());
}

// A dark desktop gives a dark text area to new users.
TEST(SetupDialog, TheDesktopsColoursFollowItsPalette)
{
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    QApplication::setPalette(dark);
    const TViewerSettings s;
    EXPECT_EQ(ColorFromSetting(s.Colors[0].BackColor), QColor(30, 30, 30));
    EXPECT_EQ(ColorFromSetting(s.Colors[0].TextColor), QColor(220, 220, 220));
    QApplication::setPalette(saved);
}

TEST(SetupDialog, EditorBrowseChoosesAProgramWithTheSelector)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QDir(dir.path()).canonicalPath();
    QFile program(root + QStringLiteral("/myeditor"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    TViewerSettings s;
    s.Editor = root + QStringLiteral("/oldeditor");
    TSetupDialog d(s);
    QString title, startedIn;
    bool previewOffered = true;
    QTimer::singleShot(0, [&]() {
        hy::selector::TBrowserDialog* b = hy::test::FindWindow<hy::selector::TBrowserDialog>();
        ASSERT_NE(b, nullptr);
        title = b->windowTitle();
        startedIn = b->FileList->Directory();
        previewOffered = !b->Preview->isHidden();
        b->FName->setFocus();
        b->FName->setText(QStringLiteral("myeditor"));
        b->OKButton->click();
    });
    d.EditorBrowseButton->click();
    EXPECT_EQ(title, QStringLiteral("Select a Program"));
    EXPECT_EQ(startedIn, root);
    EXPECT_FALSE(previewOffered);
    EXPECT_EQ(d.EditorBox->text(), root + QStringLiteral("/myeditor"));
}

class SetPreferencesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(800, 600);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        const QString path = m_dir.filePath(QStringLiteral("a.txt"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a\tb\n");
        f.close();
        ASSERT_TRUE(m_form->OpenFileInViewer(path, ViewMode::Standard, false));
        ASSERT_EQ(m_form->Children().size(), 1);
    }
    void TearDown() override
    {
        TSetupDialog::SetFontChooser({});
        m_form->close();
        m_form.reset();
    }

    // Runs Set Preferences with the script playing on the dialog, then OK or Cancel.
    void Run(const std::function<void(TSetupDialog*)>& script, bool ok)
    {
        QTimer::singleShot(0, [&]() {
            auto* d = qobject_cast<TSetupDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            script(d);
            (ok ? d->OKButton : d->CancelButton)->click();
        });
        m_form->Action(hy::app::TCommand::SetPreferences)->trigger();
    }

    hy::viewer::THvFileViewer* Viewer() { return m_form->Children().at(0)->FileViewer(); }

    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
};

TEST_F(SetPreferencesTest, OkStoresTheSettingsAndTheViewersTakeThem)
{
    EXPECT_TRUE(m_form->Action(hy::app::TCommand::SetPreferences)->isEnabled());
    const QString family = OtherFixedFamily(Viewer()->FixedFont()->Name());
    TSetupDialog::SetFontChooser([&](QFont& font, QWidget*) {
        if (!family.isEmpty())
            font.setFamily(family);
        font.setPointSize(13);
        return true;
    });
    Run(
        [](TSetupDialog* d) {
            d->ElementList->setCurrentRow(0);
            QTest::mouseClick(d->ColorGrid, Qt::LeftButton, Qt::NoModifier, d->ColorGrid->CellRect(12).center());
            QTest::mouseClick(d->ColorGrid, Qt::RightButton, Qt::NoModifier, d->ColorGrid->CellRect(11).center());
            d->FontButton->click();
            d->TabEdit->setValue(3);
            d->ShowArchivesBox->setChecked(false);
        },
        true);
    hy::viewer::THvFileViewer* v = Viewer();
    EXPECT_EQ(v->FixedFont()->Color(), QColor(0, 0, 255));
    EXPECT_EQ(v->Color(), QColor(255, 255, 0));
    EXPECT_EQ(v->MarginColor(), QColor(255, 255, 0));
    EXPECT_EQ(v->TabSize(), 3);
    EXPECT_EQ(v->FixedFont()->Size(), 13);
    if (!family.isEmpty()) {
        EXPECT_EQ(QFontInfo(v->FixedFont()->Font()).family(), QFontInfo(QFont(family)).family());
    }

    // Stored at once: a fresh read of the store gives the same settings.
    TViewerSettings stored;
    LoadViewerSettings(hy::platform::SettingsStore(), stored);
    EXPECT_EQ(stored.TabSize, 3);
    EXPECT_EQ(stored.FontSize, 13);
    EXPECT_FALSE(stored.ShowArchiveFiles);
    EXPECT_EQ(stored.Colors[0].ForegroundIndex, 12);
    EXPECT_EQ(stored.Colors[0].BackgroundIndex, 11);
    EXPECT_EQ(stored.Colors[0].TextColor, 0xFF0000u);
}

TEST_F(SetPreferencesTest, CancelChangesNothing)
{
    hy::viewer::THvFileViewer* v = Viewer();
    const QColor text = v->FixedFont()->Color();
    const QColor back = v->Color();
    const int tab = v->TabSize();
    const int size = v->FixedFont()->Size();
    const TViewerSettings before = m_form->Settings();
    TSetupDialog::SetFontChooser([](QFont& font, QWidget*) {
        font.setPointSize(21);
        return true;
    });
    Run(
        [](TSetupDialog* d) {
            QTest::mouseClick(d->ColorGrid, Qt::LeftButton, Qt::NoModifier, d->ColorGrid->CellRect(9).center());
            d->FontButton->click();
            d->TabEdit->setValue(17);
            d->WindowsStyle->setChecked(true);
            d->EditorBox->setText(QStringLiteral("/nowhere/editor"));
        },
        false);
    EXPECT_EQ(v->FixedFont()->Color(), text);
    EXPECT_EQ(v->Color(), back);
    EXPECT_EQ(v->TabSize(), tab);
    EXPECT_EQ(v->FixedFont()->Size(), size);
    const TViewerSettings& after = m_form->Settings();
    EXPECT_EQ(after.TabSize, before.TabSize);
    EXPECT_EQ(after.FontSize, before.FontSize);
    EXPECT_EQ(after.Editor, before.Editor);
    EXPECT_EQ(after.WindowsFileSelector, before.WindowsFileSelector);
    EXPECT_EQ(after.Colors[0].TextColor, before.Colors[0].TextColor);
}

TEST_F(SetPreferencesTest, AnUnwritableTempFolderIsReportedAndTheSystemOneTakesTheMember)
{
    const QString zip = m_dir.filePath(QStringLiteral("m.zip"));
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral("zip"), { QStringLiteral("-q"), zip, QStringLiteral("a.txt") });
    if (!p.waitForFinished() || p.exitCode() != 0)
        GTEST_SKIP() << "zip is not installed";
    const QString systemTemp = m_dir.filePath(QStringLiteral("systemp"));
    ASSERT_TRUE(QDir().mkpath(systemTemp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(systemTemp));
    m_form->Settings().TempDir = m_dir.filePath(QStringLiteral("gone"));
    m_form->Settings().ShowArchiveFiles = true;

    ASSERT_TRUE(m_form->OpenFileInViewer(zip, ViewMode::Native, false));
    TChildForm* archive = m_form->Children().last();
    hy::test::ModalWatcher watcher;
    archive->ArchivePage()->SelectAll();
    archive->ArchivePage()->ViewZipButtonClick();
    qputenv("TMPDIR", oldTmp);

    ASSERT_EQ(watcher.Seen.size(), 1);
    EXPECT_TRUE(watcher.Seen.at(0).startsWith(QStringLiteral("Temp Directory|Cannot write temporary files to")))
        << watcher.Seen.at(0).toStdString();
    ASSERT_EQ(m_form->Children().size(), 3);
    // The copy has a private folder of its own inside the system's temporary folder.
    const QFileInfo copy(m_form->Children().last()->FileName());
    EXPECT_EQ(copy.fileName(), QStringLiteral("a.txt"));
    EXPECT_EQ(QFileInfo(copy.path()).path(), systemTemp);
    EXPECT_TRUE(QFileInfo(copy.path()).fileName().startsWith(QStringLiteral("hyview-")));
}

} // namespace
