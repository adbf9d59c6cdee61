// Temporary copies of files the program shows (archive members being viewed). Each copy lives in a
// folder of its own that the program makes inside a temporary folder and that only this user may enter,
// so copies never meet one another or a file of the user's. The program removes a copy and its folder,
// and nothing else, when the copy's window is done with it, or at the program's end for a copy that was
// handed on to another program.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace hy::platform {

class TTempCopies {
public:
    TTempCopies() = default;
    // Whatever is still there goes.
    ~TTempCopies();
    TTempCopies(const TTempCopies&) = delete;
    TTempCopies& operator=(const TTempCopies&) = delete;

    // Makes a new folder inside parent (mode 0700, checked to be this user's own folder and no link) and
    // returns the path a copy named name takes in it; empty with errorCode set when no folder was made.
    QString NewCopy(const QString& parent, const QString& name, int& errorCode);
    // Whether path is a copy made here and not yet removed.
    bool IsCopy(const QString& path) const { return m_copies.contains(path); }
    bool IsKept(const QString& path) const;
    // The copy's window is done with it: the copy and its folder are removed, unless the copy is kept.
    // Anything that is not a copy made here is left alone.
    void Release(const QString& path);
    // The copy was handed to another program: Release leaves it, RemoveAll takes it.
    void Keep(const QString& path);
    // Removes every copy made here, kept or not, with its folder (the program ends).
    void RemoveAll();
    int Count() const { return int(m_copies.size()); }

private:
    struct TCopy {
        QByteArray Folder;
        QByteArray Name;
        quint64 Device = 0;
        quint64 Inode = 0;
        bool Kept = false;
    };
    static void Remove(const TCopy& copy);

    QHash<QString, TCopy> m_copies;
};

// The program's one list of temporary copies; used from the thread of the windows.
TTempCopies& TempCopies();

} // namespace hy::platform
