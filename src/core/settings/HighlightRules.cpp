// The colour rules and how they are stored.
#include "core/settings/HighlightRules.h"

#include "platform/SettingsStore.h"

#include <QStringList>

namespace hy::settings {

namespace {
    const QString kSection = QStringLiteral("Highlight Rules");
    // More rules than anyone reads are not read.
    constexpr int kMostRules = 200;

    QString ColorText(quint32 c) { return c == kNoColor ? QStringLiteral("-") : QString::number(c, 16); }
    bool ReadColor(const QString& text, quint32& c)
    {
        if (text == QStringLiteral("-")) {
            c = kNoColor;
            return true;
        }
        bool ok = false;
        const uint value = text.toUInt(&ok, 16);
        c = value;
        return ok && value <= 0xFFFFFF;
    }
} // namespace

QList<THighlightRule> BuiltInHighlightRules(bool darkBack)
{
    // Whole words in capitals, so "information" or "debugger" in a message colours nothing.
    const auto word = [](const char* w) { return QStringLiteral("\\b%1\\b").arg(QLatin1String(w)); };
    if (darkBack) {
        return {
            { word("DEBUG"), true, true, 0x8C8C8C, kNoColor, true },
            { word("INFO"), true, true, 0x6CB4F0, kNoColor, false },
            { word("WARN(ING)?"), true, true, 0xFFE9A0, 0x4A3C00, true },
            { word("(ERROR|FATAL)"), true, true, 0xFFC8C8, 0x5C1A1A, true },
        };
    }
    return {
        { word("DEBUG"), true, true, 0x808080, kNoColor, true },
        { word("INFO"), true, true, 0x00568C, kNoColor, false },
        { word("WARN(ING)?"), true, true, kNoColor, 0xFFF0B4, true },
        { word("(ERROR|FATAL)"), true, true, 0x8B0000, 0xFFD2D2, true },
    };
}

QList<THighlightRule> THighlightRules::Effective(bool darkBack) const
{
    QList<THighlightRule> all = BuiltIn ? BuiltInHighlightRules(darkBack) : QList<THighlightRule>();
    all += Rules;
    return all;
}

void THighlightRules::Load(const platform::SettingsStore& store)
{
    BuiltIn = store.ReadBool(kSection, QStringLiteral("BuiltIn"), true);
    Rules.clear();
    const int count = int(store.ReadInteger(kSection, QStringLiteral("Count"), 0, 0, kMostRules));
    for (int i = 0; i < count; ++i) {
        // "regex,case,whole line,text colour,back colour,pattern"
        const QString value = store.ReadString(kSection, QStringLiteral("Rule%1").arg(i + 1), QString());
        const QStringList f = value.split(QLatin1Char(','));
        if (f.size() < 6)
            continue;
        THighlightRule r;
        r.Regex = f[0] == QStringLiteral("1");
        r.MatchCase = f[1] == QStringLiteral("1");
        r.WholeLine = f[2] == QStringLiteral("1");
        r.Pattern = value.section(QLatin1Char(','), 5);
        if (!ReadColor(f[3], r.Text) || !ReadColor(f[4], r.Back) || r.Pattern.isEmpty())
            continue;
        Rules.append(r);
    }
}

void THighlightRules::Save(platform::SettingsStore& store) const
{
    store.WriteBool(kSection, QStringLiteral("BuiltIn"), BuiltIn);
    store.WriteInteger(kSection, QStringLiteral("Count"), Rules.size());
    for (int i = 0; i < Rules.size(); ++i) {
        const THighlightRule& r = Rules[i];
        store.WriteString(kSection, QStringLiteral("Rule%1").arg(i + 1),
            QStringLiteral("%1,%2,%3,%4,%5,")
                    .arg(r.Regex ? 1 : 0)
                    .arg(r.MatchCase ? 1 : 0)
                    .arg(r.WholeLine ? 1 : 0)
                    .arg(ColorText(r.Text), ColorText(r.Back))
                + r.Pattern);
    }
    store.Flush();
}

} // namespace hy::settings
