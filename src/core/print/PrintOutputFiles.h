// The files a print into a file writes: each copy into a file of its own, and never over a file that exists.
#pragma once

#include <QString>
#include <QStringList>

namespace hy::print {

// The n-th name of a numbered series: "notes.pdf", then "notes-2.pdf", "notes-3.pdf", ...
QString NumberedFileName(const QString& fileName, int number);

// The first name of the series that names nothing now. Nothing is made: the file is made when a job starts.
QString FirstFreeFileName(const QString& fileName);

// Where the jobs of one print command go when the printer writes a file.
class TPrintOutputFiles {
public:
    // `wanted` is the file the printer names. With keepFirst the user chose that file and agreed to replace
    // it, and the first job writes it as it is. Every other job takes the next name of the series that names
    // nothing, made empty for that job alone (exclusively, so no file that exists, or that another program
    // makes meanwhile, is ever replaced).
    TPrintOutputFiles(const QString& wanted, bool keepFirst);

    // The file for the next job. Throws hy::Exception, naming the file and the reason, when none can be made.
    QString Next();
    // The files the jobs took, in order.
    const QStringList& Files() const { return m_files; }
    // The last file is given back when its job could not start: removed when nothing was written into it.
    void DropLast();

private:
    QString m_wanted;
    bool m_keepFirst;
    int m_number = 0;
    QStringList m_files;
    QStringList m_made; // the files this object made, which it may remove again
};

} // namespace hy::print
