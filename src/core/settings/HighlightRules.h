// Colour rules for the text: an ordered list of patterns, each with its colours and whether it colours the
// whole line or only the match, after a built-in set for the usual log levels that can be switched off.
// Kept in the settings file.
#pragma once

#include <QList>
#include <QString>

namespace hy::platform {
class SettingsStore;
}

namespace hy::settings {

// No colour: the text's own.
inline constexpr quint32 kNoColor = 0xFFFFFFFF;

struct THighlightRule {
    QString Pattern;
    bool Regex = false;
    bool MatchCase = false;
    quint32 Text = kNoColor; // 0x00RRGGBB
    quint32 Back = kNoColor;
    bool WholeLine = false;
    bool operator==(const THighlightRule&) const = default;
};

struct THighlightRules {
    bool BuiltIn = true; // the log level rules go first
    QList<THighlightRule> Rules;
    bool operator==(const THighlightRules&) const = default;

    // The rules in the order they apply (later ones over earlier ones): the built-in set when it is on (in its
    // colours for a dark text area with darkBack), then the user's.
    QList<THighlightRule> Effective(bool darkBack = false) const;
    // Reads and writes section "Highlight Rules"; a rule that does not read is left out.
    void Load(const platform::SettingsStore& store);
    void Save(platform::SettingsStore& store) const;
};

// DEBUG, INFO, WARN and ERROR, each as a whole word in capitals, in colours that read on a light text area or,
// with darkBack, on a dark one.
QList<THighlightRule> BuiltInHighlightRules(bool darkBack = false);

} // namespace hy::settings
