// The files opened last, newest first, with the place each was left at: what File > Recent Files lists and
// reopens. Kept in the settings file.
#pragma once

#include <QList>
#include <QString>

namespace hy::platform {
class SettingsStore;
}

namespace hy::settings {

// A file and where its window was when it closed.
struct TRecentFile {
    QString Name;
    qint64 Line = 0; // the caret's line
    bool Hex = false; // shown in Hex
    QString Encoding; // the window's encoding by the name its menu item shows (empty: chosen by the file)
    bool operator==(const TRecentFile&) const = default;
};

class TRecentFiles {
public:
    static constexpr int kMax = 9;

    const QList<TRecentFile>& Files() const { return m_files; }
    // The entry of a file, or null.
    const TRecentFile* Find(const QString& name) const;
    // A file was opened: it goes to the top, keeping the place it was left at.
    void Opened(const QString& name);
    // A listed file's window closed at this place.
    void Left(const TRecentFile& place);
    void Remove(const QString& name);
    void Clear() { m_files.clear(); }

    bool ReopenAtLastPlace() const { return m_reopen; }
    void SetReopenAtLastPlace(bool on) { m_reopen = on; }

    // Reads and writes section "Recent Files"; names are stored by their bytes, so any name comes back exactly.
    void Load(const platform::SettingsStore& store);
    void Save(platform::SettingsStore& store) const;

private:
    QList<TRecentFile> m_files;
    bool m_reopen = true;
};

// The menu item of the entry at index (0 to 8): "&1 name", with any "&" in the name doubled.
QString RecentMenuText(int index, const QString& shownName);

} // namespace hy::settings
