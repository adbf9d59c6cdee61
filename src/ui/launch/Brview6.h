// TInfoDialog, the File Information dialog: a file's name, location, type description (FILETYPE.INI),
// association, size, last-modified date and time, and attributes.
#pragma once

#include "ui/common/HyForm.h"

#include <QDateTime>

class QLabel;
class QPushButton;

namespace hy::launch {

inline constexpr int kFileInfoHelpContext = 211;

// A value of a profile file as the platform's profile reader gives it: section and key compared without
// regard to case, the value trimmed and freed of enclosing quotes, at most 255 characters; def when the
// file, the section or the key is missing.
QString ReadPrivateProfileString(
    const QString& iniFile, const QString& section, const QString& key, const QString& def);
// The description FILETYPE.INI gives an extension (without its dot); empty when none.
QString FileTypeDescription(const QString& extension);
// "Read Only", "Hidden", "System", "Archive" for the bits that are set, joined by ", "; "None" without any.
QString AttributeNames(int attributes);
// Date in the locale's short format + ", " + time in its long format (without time zone).
QString FileDateText(const QDateTime& time);

class TInfoDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TInfoDialog(QWidget* parent = nullptr);
    ~TInfoDialog() override;

    // Fills the value labels for a file; anything that cannot be found keeps its default. A compressed file
    // shown decompressed adds what its window knows of both sizes to the size.
    void Fill(const QString& fileName, const QString& compressedSizes = QString());

    QLabel* FName;
    QLabel* FLocation;
    QLabel* FType;
    QLabel* FAssociation;
    QLabel* FSize;
    QLabel* FDate;
    QLabel* FAttr;
    QPushButton* OKButton;
    QPushButton* HelpButton;
};

// Fills the dialog for the file and shows it modally.
void ShowFileInfo(const QString& fileName, QWidget* parent = nullptr, const QString& compressedSizes = QString());

} // namespace hy::launch
