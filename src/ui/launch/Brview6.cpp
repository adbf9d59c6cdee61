// The File Information dialog and the look-ups that fill it.
#include "ui/launch/Brview6.h"

#include "common/HyUtils.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformPaths.h"
#include "ui/common/HelpHook.h"
#include "ui/launch/Launch.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace hy::launch {

using namespace hy::common;

namespace {
    constexpr int kProfileValueLimit = 255;

    QString Unquoted(const QString& value)
    {
        if (value.size() >= 2
            && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
            return value.mid(1, value.size() - 2);
        return value;
    }

    QLabel* ValueLabel(const QString& name, const QString& text, QWidget* parent)
    {
        auto* label = new QLabel(text, parent);
        label->setObjectName(name);
        // Names are shown as they are: no markup, no accelerators.
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);
        label->setMinimumWidth(300);
        return label;
    }
} // namespace

QString ReadPrivateProfileString(const QString& iniFile, const QString& section, const QString& key, const QString& def)
{
    QFile file(iniFile);
    if (key.isEmpty() || !file.open(QIODevice::ReadOnly))
        return def;
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return Unquoted(line.mid(equals + 1).trimmed()).left(kProfileValueLimit);
    }
    return def;
}

QString FileTypeDescription(const QString& extension)
{
    if (extension.isEmpty())
        return QString();
    return ReadPrivateProfileString(
        platform::DataFile(QStringLiteral("FILETYPE.INI")), QStringLiteral("File Types"), extension, QString());
}

QString AttributeNames(int attributes)
{
    QStringList names;
    if (attributes & kAttrReadOnly)
        names << QStringLiteral("Read Only");
    if (attributes & kAttrHidden)
        names << QStringLiteral("Hidden");
    if (attributes & kAttrSysFile)
        names << QStringLiteral("System");
    if (attributes & kAttrArchive)
        names << QStringLiteral("Archive");
    return names.isEmpty() ? QStringLiteral("None") : names.join(QStringLiteral(", "));
}

QString FileDateText(const QDateTime& time)
{
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt+\\b\\)?"));
    timeFormat.remove(zone);
    return locale.toString(time.date(), QLocale::ShortFormat) + QStringLiteral(", ")
        + locale.toString(time.time(), timeFormat.trimmed());
}

TInfoDialog::TInfoDialog(QWidget* parent)
    : THyForm(parent)
    , FName(ValueLabel(QStringLiteral("FName"), QStringLiteral("Unknown"), this))
    , FLocation(ValueLabel(QStringLiteral("FLocation"), QStringLiteral("Unknown"), this))
    , FType(ValueLabel(QStringLiteral("FType"), QStringLiteral("Unknown"), this))
    , FAssociation(ValueLabel(QStringLiteral("FAssociation"), QStringLiteral("None"), this))
    , FSize(ValueLabel(QStringLiteral("FSize"), QStringLiteral("Unknown"), this))
    , FDate(ValueLabel(QStringLiteral("FDate"), QStringLiteral("Unknown"), this))
    , FAttr(ValueLabel(QStringLiteral("FAttr"), QStringLiteral("Unknown"), this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
{
    setObjectName(QStringLiteral("InfoDialog"));
    setWindowTitle(QStringLiteral("File Information"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const std::pair<const char*, QLabel*> rows[] = {
        { "Name:", FName },
        { "Location:", FLocation },
        { "Type:", FType },
        { "Association:", FAssociation },
        { "Size:", FSize },
        { "Last Modified:", FDate },
        { "Attributes:", FAttr },
    };
    int row = 0;
    for (const auto& [caption, value] : rows) {
        auto* label = new QLabel(QLatin1String(caption), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);

    OKButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(kFileInfoHelpContext, this); });
}

TInfoDialog::~TInfoDialog() = default;

void TInfoDialog::Fill(const QString& fileName, const QString& compressedSizes)
{
    FName->setText(platform::DisplayFileName(NameOf(fileName)));
    const QString location = DirectoryOf(fileName);
    if (!location.isEmpty())
        FLocation->setText(platform::DisplayFileName(location));

    const QString name = NameOf(fileName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
    if (!extension.isEmpty()) {
        const QString type = FileTypeDescription(extension);
        if (!type.isEmpty())
            FType->setText(type);
        const QString association = AssociationText(fileName);
        if (!association.isEmpty())
            FAssociation->setText(association);
    }

    const platform::TFileFacts facts = platform::ReadFileFacts(fileName);
    if (facts.errorCode == 0) {
        FSize->setText(ThousandsText(facts.size) + QStringLiteral(" bytes")
            + (compressedSizes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(compressedSizes)));
        if (facts.modified.isValid())
            FDate->setText(FileDateText(facts.modified));
        FAttr->setText(AttributeNames(facts.attributes));
    }
}

void ShowFileInfo(const QString& fileName, QWidget* parent, const QString& compressedSizes)
{
    TInfoDialog dialog(parent);
    dialog.Fill(fileName, compressedSizes);
    dialog.ShowModal();
}

} // namespace hy::launch
