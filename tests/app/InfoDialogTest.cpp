// The File Information dialog: profile reading rules, the shipped FILETYPE.INI, and the fields shown for
// generated files (hidden, read-only, a pipe, names with ampersands and markup, missing files).
#include "ui/launch/Brview6.h"

#include "common/HyUtils.h"
#include "platform/Desktop.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"
#include "support/TempFiles.h"
#include "ui/common/HelpHook.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>
#include <unistd.h>

using namespace hy::launch;
using hy::test::TTempFolder;

namespace {

TEST(InfoDialogRules, ReadPrivateProfileString)
{
    TTempFolder dir;
    const QString ini = dir.Write("t.ini",
        "; a comment\n"
        "[Other]\n"
        "TXT=wrong section\n"
        "[ file types ]\n"
        "  TXT =  Plain Text  \n"
        ";DOC=commented out\n"
        "Q=\"quoted value\"\n"
        "EMPTY=\n"
        "LONG="
            + QByteArray(300, 'x')
            + "\n"
              "EQ=a=b\n",
        0644);
    struct Case {
        QString file;
        QString section;
        QString key;
        QString expected;
    };
    const Case cases[] = {
        { ini, "File Types", "txt", "Plain Text" },
        { ini, "FILE TYPES", "TXT", "Plain Text" },
        { ini, "File Types", "DOC", "def" },
        { ini, "File Types", "Q", "quoted value" },
        { ini, "File Types", "EMPTY", "" },
        { ini, "File Types", "LONG", QString(255, QLatin1Char('x')) },
        { ini, "File Types", "EQ", "a=b" },
        { ini, "Other", "TXT", "wrong section" },
        { ini, "Missing", "TXT", "def" },
        { ini, "File Types", "", "def" },
        { dir.PathOf("absent.ini"), "File Types", "TXT", "def" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadPrivateProfileString(c.file, c.section, c.key, QStringLiteral("def")), c.expected)
            << qPrintable(c.section + "/" + c.key);
}

TEST(InfoDialogRules, AttributeNames)
{
    EXPECT_EQ(AttributeNames(0), QStringLiteral("None"));
    EXPECT_EQ(AttributeNames(hy::common::kAttrDirectory), QStringLiteral("None"));
    EXPECT_EQ(
        AttributeNames(hy::common::kAttrReadOnly | hy::common::kAttrArchive), QStringLiteral("Read Only, Archive"));
    EXPECT_EQ(AttributeNames(hy::common::kAttrArchive | hy::common::kAttrSysFile | hy::common::kAttrHidden
                  | hy::common::kAttrReadOnly),
        QStringLiteral("Read Only, Hidden, System, Archive"));
    EXPECT_EQ(AttributeNames(hy::common::kAttrSysFile), QStringLiteral("System"));
}

TEST(InfoDialogRules, ShippedFileTypesAreWellFormed)
{
    const QString path = hy::platform::DataFile(QStringLiteral("FILETYPE.INI"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
    QStringList keys;
    bool inSection = false;
    const QRegularExpression keyPattern(QStringLiteral("^[A-Z0-9_]+$"));
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            inSection = line == QStringLiteral("[File Types]");
            continue;
        }
        ASSERT_TRUE(inSection) << qPrintable(line);
        const qsizetype eq = line.indexOf('=');
        ASSERT_GT(eq, 0) << qPrintable(line);
        const QString key = line.left(eq);
        EXPECT_TRUE(keyPattern.match(key).hasMatch()) << qPrintable(key);
        EXPECT_FALSE(keys.contains(key)) << "twice: " << qPrintable(key);
        EXPECT_FALSE(line.mid(eq + 1).isEmpty()) << qPrintable(key);
        EXPECT_LE(line.mid(eq + 1).size(), 255) << qPrintable(key);
        keys << key;
    }
    EXPECT_GE(keys.size(), 100);
    for (const char* ext : { "TXT", "ZIP", "EXE", "BMP", "PNG", "PCX", "WAV", "MID", "AVI", "HTML", "C", "PDF" })
        EXPECT_TRUE(keys.contains(QLatin1String(ext))) << ext;
    EXPECT_EQ(FileTypeDescription(QStringLiteral("txt")), FileTypeDescription(QStringLiteral("TXT")));
    EXPECT_FALSE(FileTypeDescription(QStringLiteral("zip")).isEmpty());
    EXPECT_TRUE(FileTypeDescription(QStringLiteral("qqnothing")).isEmpty());
    EXPECT_TRUE(FileTypeDescription(QString()).isEmpty());
}

class InfoDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        QDir().mkpath(hy::platform::SettingsFolder());
        m_dir.Write(hy::platform::WinIniPath(), "[Extensions]\nqqzx=/opt/qq/viewer ^.qqzx\n", 0644);
    }
    void TearDown() override { QFile::remove(hy::platform::WinIniPath()); }

    struct Fields {
        QString name, location, type, association, size, date, attributes;
    };
    static Fields Read(const TInfoDialog& d)
    {
        return { d.FName->text(), d.FLocation->text(), d.FType->text(), d.FAssociation->text(), d.FSize->text(),
            d.FDate->text(), d.FAttr->text() };
    }
    TTempFolder m_dir;
};

TEST_F(InfoDialogTest, DefaultsBeforeFilling)
{
    TInfoDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("File Information"));
    const Fields f = Read(dialog);
    for (const QString& v : { f.name, f.location, f.type, f.size, f.date, f.attributes })
        EXPECT_EQ(v, QStringLiteral("Unknown"));
    EXPECT_EQ(f.association, QStringLiteral("None"));
    EXPECT_EQ(dialog.HelpButton->text(), QStringLiteral("&Help"));
    int helpContext = 0;
    const hy::common::THelpHandler previous
        = hy::common::SetHelpHandler([&](int context, QWidget*) { helpContext = context; });
    dialog.HelpButton->click();
    hy::common::SetHelpHandler(previous);
    EXPECT_EQ(helpContext, 211);
}

TEST_F(InfoDialogTest, HiddenFileWithAmpersandAndMarkupInItsName)
{
    const QString name = QStringLiteral(".R&D <b>notes<b>.txt");
    const QString file = m_dir.Write(name, QByteArray(1234567, 'a'), 0644);
    const QDateTime stamp(QDate(2021, 3, 4), QTime(17, 6, 7));
    QFile stamped(file);
    ASSERT_TRUE(stamped.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stamped.setFileTime(stamp, QFileDevice::FileModificationTime));
    stamped.close();

    TInfoDialog dialog;
    dialog.Fill(file);
    const Fields f = Read(dialog);
    EXPECT_EQ(f.name, name);
    EXPECT_EQ(dialog.FName->textFormat(), Qt::PlainText);
    EXPECT_EQ(f.location, m_dir.Path());
    EXPECT_EQ(f.type, FileTypeDescription(QStringLiteral("TXT")));
    EXPECT_NE(f.type, QStringLiteral("Unknown"));
    EXPECT_EQ(f.size, QStringLiteral("1,234,567 bytes"));
    EXPECT_EQ(f.attributes, QStringLiteral("Hidden"));
    // No win.ini entry for TXT: the desktop's application for plain text, when it knows one.
    const QString editor = hy::platform::DefaultApplicationFor(QStringLiteral("text/plain"));
    EXPECT_EQ(f.association, editor.isEmpty() ? QStringLiteral("None") : editor);
    EXPECT_TRUE(f.date.contains(QStringLiteral(", "))) << qPrintable(f.date);
    EXPECT_TRUE(f.date.contains(QStringLiteral("21"))) << qPrintable(f.date);
    EXPECT_TRUE(f.date.contains(QRegularExpression(QStringLiteral("(17|5):06:07")))) << qPrintable(f.date);
    EXPECT_FALSE(f.date.contains(QStringLiteral("UTC"))) << qPrintable(f.date);
}

TEST_F(InfoDialogTest, FieldsForSeveralKindsOfFiles)
{
    m_dir.Write("one.qqzx", "1", 0644);
    m_dir.Write("noextension", "", 0644);
    m_dir.Write("trailing.", "ab", 0644);
    ::mkfifo(QFile::encodeName(m_dir.PathOf("pipe.log")).constData(), 0644);
    struct Case {
        QString file;
        const char* name;
        const char* type; // nullptr: the FILETYPE.INI description of the extension
        const char* association;
        const char* size;
        const char* attributes;
    };
    const Case cases[] = {
        // Known to win.ini but not to FILETYPE.INI.
        { m_dir.PathOf("one.qqzx"), "one.qqzx", "Unknown", "/opt/qq/viewer ^.qqzx", "1 bytes", "None" },
        { m_dir.PathOf("noextension"), "noextension", "Unknown", "None", "0 bytes", "None" },
        { m_dir.PathOf("trailing."), "trailing.", "Unknown", "None", "2 bytes", "None" },
        { m_dir.PathOf("pipe.log"), "pipe.log", nullptr, nullptr, "0 bytes", "System" },
        { m_dir.PathOf("missing.qqzx"), "missing.qqzx", "Unknown", "/opt/qq/viewer ^.qqzx", "Unknown", "Unknown" },
    };
    for (const Case& c : cases) {
        TInfoDialog dialog;
        dialog.Fill(c.file);
        const Fields f = Read(dialog);
        EXPECT_EQ(f.name, QLatin1String(c.name));
        EXPECT_EQ(f.location, m_dir.Path()) << c.name;
        const QString type = c.type ? QLatin1String(c.type) : FileTypeDescription(QStringLiteral("LOG"));
        EXPECT_EQ(f.type, type) << c.name;
        if (c.association) {
            EXPECT_EQ(f.association, QLatin1String(c.association)) << c.name;
        }
        EXPECT_EQ(f.size, QLatin1String(c.size)) << c.name;
        EXPECT_EQ(f.attributes, QLatin1String(c.attributes)) << c.name;
        EXPECT_EQ(f.date == QStringLiteral("Unknown"), c.size == QStringLiteral("Unknown")) << c.name;
    }
}

TEST_F(InfoDialogTest, ReadOnlyFile)
{
    const QString file = m_dir.Write("locked.TXT", "x", 0444);
    if (::access(QFile::encodeName(file).constData(), W_OK) == 0)
        GTEST_SKIP() << "this user may write any file";
    TInfoDialog dialog;
    dialog.Fill(file);
    EXPECT_EQ(dialog.FAttr->text(), QStringLiteral("Read Only"));
    TInfoDialog hidden;
    hidden.Fill(m_dir.Write(".locked", "x", 0444));
    EXPECT_EQ(hidden.FAttr->text(), QStringLiteral("Read Only, Hidden"));
}

TEST_F(InfoDialogTest, FileAtTheRoot)
{
    TInfoDialog dialog;
    dialog.Fill(QStringLiteral("/qq-no-such-file"));
    EXPECT_EQ(dialog.FName->text(), QStringLiteral("qq-no-such-file"));
    EXPECT_EQ(dialog.FLocation->text(), QStringLiteral("/"));
}

} // namespace
