// TExtStringList, the table of file-type categories: rows of extension groups, each giving an icon
// number, and the numbers of the 28 type icons that the file and archive lists draw.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <mutex>

namespace hy::filelist {

// The type icons, numbered as the lists store them (1 to 28).
enum TFileIcon : int {
    fiRemovableDrive = 1,
    fiFixedDrive = 2,
    fiNetworkDrive = 3,
    fiCdRomDrive = 4,
    fiRamDisk = 5,
    fiRoot = 6,
    fiParent = 7,
    fiDirectory = 8,
    fiOtherFile = 9, // also the new-file entry
    fiProgram = 10,
    fiVectorDrawing = 11,
    fiArchive = 12,
    fiChart = 13,
    fiSpreadsheet = 14,
    fiPublishing = 15,
    fiDatabase = 16,
    fiBackup = 17,
    fiRasterImage = 18,
    fiText = 19,
    fiHiddenFile = 20,
    fiSound = 21,
    fiHelp = 22,
    fiSystem = 23,
    fiFont = 24,
    fiVideo = 25,
    fiSource = 26,
    fiHiddenDirectory = 27,
    fiHiddenProgram = 28,
};
inline constexpr int kFileIconCount = 28;

// The icon an entry is drawn with: hidden entries (attribute bit 2) show 27 when they are directories
// (bit 16), 28 when their own icon is the program icon, else 20.
int DisplayedIcon(int storedIcon, int attributes);

// Rows of extension groups. A group is one string of 4-character entries, each an upper-case extension
// with its dot, padded with "." to 4 characters (".C..", ".ST."); each row carries the icon of its group.
class TExtStringList {
public:
    struct Row {
        QString group;
        int icon = fiOtherFile;
    };

    void Add(const QString& group, int icon);
    void Clear()
    {
        m_rows.clear();
        m_known.Clear();
    }
    int Count() const { return int(m_rows.size()); }
    const Row& At(int row) const { return m_rows.at(row); }
    // Replaces the group of an existing row, keeping its icon.
    void SetGroup(int row, const QString& group);

    // The icon of the first row whose group holds the extension of the 4-character key as a whole entry;
    // fiOtherFile when none does.
    int IconOfKey(const QString& key) const;
    // The icon of a file name, by its extension key.
    int IconOf(const QString& fileName) const { return IconOfKey(ExtensionKey(fileName)); }

    // The name's extension with its dot (from the last "." after the last "/"), upper-cased, cut to 4
    // characters and padded with "." to 4: "a.c" gives ".C..", "a.jpeg" ".JPE", no extension "....".
    static QString ExtensionKey(const QString& fileName);

    // The file list's sixteen categories, in their order: programs, raster images, vector drawings,
    // archives, charts, spreadsheets, publishing, databases, backups, text, sound, help, system, fonts,
    // video, program source.
    static TExtStringList FileCategories();

private:
    QList<Row> m_rows;
    // Keys looked up already, with their icons. The walk's worker threads look up icons of one list at once, so
    // the table has a lock; a copy of the list starts with an empty table.
    struct TKnownKeys {
        TKnownKeys() = default;
        TKnownKeys(const TKnownKeys&) { }
        TKnownKeys& operator=(const TKnownKeys&)
        {
            Clear();
            return *this;
        }
        void Clear()
        {
            const std::lock_guard hold(Lock);
            Icons.clear();
        }
        QHash<QString, int> Icons;
        std::mutex Lock;
    };
    mutable TKnownKeys m_known;
};

} // namespace hy::filelist
