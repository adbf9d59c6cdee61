// The Find dialog: search text, direction, origin, case and all open files.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hy::app {

struct TSearchState {
    QString Text;
    bool MatchCase = false;
    bool DirectionDown = true;
    bool OriginTop = true;
    bool AllFiles = false;
    bool Regex = false; // the text is a regular expression

    // The viewer's search option bits: 2 up, 4 match case, 8 from the top (or end) of the file, 16 a
    // regular expression.
    unsigned FindOptions() const;
};

class TSearchDialog : public QDialog {
    Q_OBJECT
public:
    TSearchDialog(const TSearchState& state, bool severalWindows, QWidget* parent = nullptr);
    TSearchState State() const;

    QCheckBox* RegexBox() const { return m_regex; }

private:
    QLineEdit* m_text;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QRadioButton* m_cursor;
    QRadioButton* m_top;
    QCheckBox* m_matchCase;
    QCheckBox* m_regex;
    QCheckBox* m_allFiles;
    QPushButton* m_find;
};

} // namespace hy::app
