// TDirSelectorDialog, the program's modal directory chooser, and ChooseDirectory, the one way the program
// asks for a folder: a list of drives, "/", ".." and subdirectories, a location box that may name a folder
// to create, and OK, Cancel and Help.
#pragma once

#include "ui/common/HyForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace hy::filelist {
class TFileList;
}

namespace hy::selector {

inline constexpr int kDirSelectorHelpContext = 101;

class TDirSelectorDialog : public common::THyForm {
    Q_OBJECT
public:
    explicit TDirSelectorDialog(QWidget* parent = nullptr);
    ~TDirSelectorDialog() override;

    // Whether a typed folder that does not exist may be created.
    bool CreateAllowed() const { return m_createAllowed; }
    void SetCreateAllowed(bool allowed) { m_createAllowed = allowed; }

    // "Directory Browser" WindowPos, "File Browser" InvertFileList and the viewer's ShowSystemFiles.
    void ReadSettings();
    void WriteSettings();

    QLabel* LocationLabel;
    QLineEdit* LocationBox;
    QComboBox* LocationList;
    QToolButton* InvertButton;
    filelist::TFileList* FileList;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FileListChange();
    void FileListDblClick();
    void OKButtonClick();
    void InvertButtonClick();
    // Applies the location box as the user leaves it.
    void LocationBoxExit();

    bool m_createAllowed = false;
    bool m_inExit = false;
};

// Shows the selector under the prompt, starting in directory (the current directory when empty). On OK,
// directory receives the chosen folder and the result is true; otherwise directory is left alone. The
// settings are written either way.
bool ChooseDirectory(const QString& prompt, QString& directory, bool createAllowed);

} // namespace hy::selector
